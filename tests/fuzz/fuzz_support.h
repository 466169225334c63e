#pragma once
// What the fuzz targets share: a check that stops the run when a property
// does not hold, a reader of typed values off the front of the input, and
// scratch files for readers that take a path or a descriptor.
//
// A target defines LLVMFuzzerTestOneInput. Under libFuzzer a failed check
// aborts, so the fuzzer keeps the input; in the replay program (GCC builds)
// it fails the replay of the seed corpus.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace marovin::fuzz {

[[noreturn]] void property_failed(const char* file, int line, const char* condition, const std::string& detail);

// FUZZ_CHECK(condition, detail): `detail` (a std::string expression) is only
// built when the check fails.
#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::marovin::fuzz::property_failed(__FILE__, __LINE__, #condition, (detail));                                \
    } while (0)

// Takes values off the front of the input. Once the input runs dry every
// value is 0 and every text empty, so any input is a valid one.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : text_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t byte();
    std::uint16_t u16(); // little-endian
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    // The bytes up to the next NUL (which is consumed), or all that is left.
    std::string_view text();
    // Everything not yet taken.
    std::string_view rest();
    bool empty() const { return text_.empty(); }

private:
    std::string_view text_;
};

// A path in a folder of this process, made on first use and removed at exit.
std::string scratch_path(std::string_view name);
// Writes `bytes` to `path`, replacing it; stops the run when it cannot.
void write_file(const std::string& path, std::string_view bytes);
// The whole file, or a failed check when it cannot be read.
std::string read_file(const std::string& path);
// An unnamed file in memory holding `bytes`; the caller closes it.
int memory_file(std::string_view bytes);

// Printable form of bytes for messages: C escapes for anything but ASCII
// graphic characters, cut after `limit` bytes.
std::string printable(std::string_view bytes, std::size_t limit = 200);

} // namespace marovin::fuzz
