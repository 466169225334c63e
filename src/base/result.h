#pragma once
// Error convention of the library, stated once:
//
// An operation that can fail returns Result<T>: either a value or an error
// message written for a person ("file /data/l1.sgy is too short to hold a
// trace header"). Outputs passed by reference are left unchanged on failure.
// The window turns these messages into message boxes; nothing in the library
// shows, logs or throws them.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace marovin {

struct Error {
    std::string message;
};

inline Error fail(std::string message) { return Error{std::move(message)}; }

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const std::string& error() const { return std::get<1>(state_).message; }

private:
    std::variant<T, Error> state_;
};

// Result of an operation that has no value to give back.
struct Done {};
using Status = Result<Done>;
inline Status ok() { return Done{}; }

} // namespace marovin
