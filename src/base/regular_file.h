#pragma once
// Opening a file for reading when, and only when, it is a regular file: the
// one way the library opens a file it reads (seismic files, XY text files,
// the converter's job and result, the INI file).

#include "base/result.h"

#include <cstdint>
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

// Why a file could not be opened. Callers that word the failure their own
// way ("the file \"x.sgy\" does not exist") tell the kinds apart; `message`
// is the plain wording, naming the path:
//   Missing     "cannot open P: No such file or directory"
//   Folder      "P is a folder, not a file"
//   NotRegular  "P is not a regular file (it is a device, a pipe or a socket)"
//   Failed      "cannot open P: <the system's reason>"
struct OpenError {
    enum class Kind { Missing, Folder, NotRegular, Failed };
    Kind kind = Kind::Failed;
    int system_error = 0; // errno of Missing and Failed (ENOENT, ENOTDIR, EACCES...)
    std::string message;

    // No file of that name can be there: nothing has the name, or a part of
    // the path before it is no folder.
    bool names_nothing() const;
};

// Opens `path` for reading. Nothing is opened that is not a regular file
// by its name (a device could wait for its line or act on being opened,
// a FIFO would wait for a writer), and what was opened is then examined
// through the descriptor, so a name swapped in between cannot slip through.
Result<RegularFile, OpenError> open_regular_file(const std::string& path);

} // namespace marovin
