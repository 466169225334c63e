#pragma once
// Opening a file for reading when, and only when, it is a regular file.

#include "base/result.h"

#include <cstdint>
#include <optional>
#include <string>

namespace marovin {

// A file descriptor, closed when its owner goes; moved, never copied.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();

    int get() const { return fd_; }
    // Gives the descriptor up to the caller, who closes it.
    int release();

private:
    int fd_;
};

// A regular file open for reading, and its size as the file system gave it
// when the file was opened (the file may grow or shrink afterwards).
struct RegularFile {
    Descriptor descriptor;
    std::uint64_t size = 0;
};

// Opens `path` for reading; nothing when no file has that name (ENOENT).
// The open never waits (a FIFO would otherwise wait for a writer, a device
// for its line) and what was opened is then examined through the descriptor,
// so a name swapped in between cannot slip through: a folder, a device, a
// pipe or a socket is refused, with a message naming the path, as is a path
// that cannot be opened or examined.
Result<std::optional<RegularFile>> open_regular_file(const std::string& path);

} // namespace marovin
