#pragma once
// Error convention of the library, stated once:
//
// An operation that can fail returns Result<T>: either a value or an error
// message written for a person ("file /data/l1.sgy is too short to hold a
// trace header"), as a clause: no capital first letter, no full stop, so
// that callers can put it after words of their own. Outputs passed by
// reference are left unchanged on failure. The window turns these messages
// into its own text at one place (shell/library_text.h); nothing in the
// library shows, logs or throws them.
//
// Where a caller must tell kinds of failure apart (which step of an
// exchange stopped, whether a file is missing or a folder), the kind is part
// of the error type: Result<T, E>, where E names the kind and, when it
// carries a message, holds it in `message`.

#include <string>
#include <utility>
#include <variant>

namespace marovin {

struct Error {
    std::string message;
};

inline Error fail(std::string message) { return Error{std::move(message)}; }

template <class T, class E = Error>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    // The error, for callers that tell its kinds apart.
    const E& failure() const { return std::get<1>(state_); }
    // The message of an error that carries one.
    const std::string& error() const { return failure().message; }

private:
    std::variant<T, E> state_;
};

// Result of an operation that has no value to give back.
struct Done {};
using Status = Result<Done>;
inline Status ok() { return Done{}; }

} // namespace marovin
