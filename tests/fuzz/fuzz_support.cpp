#include "fuzz_support.h"

#include "support/scratch_folder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <sys/mman.h>
#include <unistd.h>

namespace marovin::fuzz {

void property_failed(const char* file, int line, const char* condition, const std::string& detail)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n  %s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

std::uint8_t Input::byte()
{
    if (text_.empty())
        return 0;
    const auto b = static_cast<std::uint8_t>(text_.front());
    text_.remove_prefix(1);
    return b;
}

std::uint16_t Input::u16()
{
    const std::uint16_t low = byte();
    return static_cast<std::uint16_t>(low | (byte() << 8));
}

std::string_view Input::text()
{
    const std::size_t nul = text_.find('\0');
    const std::string_view taken = text_.substr(0, nul);
    text_.remove_prefix(nul == std::string_view::npos ? text_.size() : nul + 1);
    return taken;
}

std::string_view Input::rest()
{
    const std::string_view taken = text_;
    text_ = {};
    return taken;
}

std::string scratch_path(std::string_view name)
{
    // Files are written at every run: memory-backed /dev/shm keeps that from
    // waiting on the disk.
    const char* tmp = std::getenv("TMPDIR");
    std::error_code error;
    static const support::ScratchFolder folder(tmp && *tmp                                        ? tmp
                                               : std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm"
                                                                                                  : "/tmp");
    return folder.file(name);
}

void write_file(const std::string& path, std::string_view bytes) { support::write_bytes(path, bytes); }

std::string read_file(const std::string& path)
{
    FUZZ_CHECK(std::filesystem::is_regular_file(path), "cannot read " + path);
    return support::read_bytes(path);
}

int memory_file(std::string_view bytes)
{
    const int fd = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0, std::string("memfd_create failed"));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        FUZZ_CHECK(n > 0, std::string("cannot write the memory file"));
        done += static_cast<std::size_t>(n);
    }
    return fd;
}

std::string printable(std::string_view bytes, std::size_t limit)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    out += bytes.size() > limit ? "\"..." : "\"";
    return out;
}

} // namespace marovin::fuzz
