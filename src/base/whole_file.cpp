#include "base/whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marovin {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::string too_large(const std::string& path, std::uint64_t size, std::uint64_t limit)
{
    return path + " is too large to be read (" + std::to_string(size) + " bytes or more; at most " +
           std::to_string(limit) + " can be read)";
}

} // namespace

Result<std::string> read_whole_file(const std::string& path, std::uint64_t limit)
{
    if (path.empty())
        return fail("no file was chosen");
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. It changes nothing for the regular files that are read.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return fail("cannot open " + path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return fail("cannot read " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fail(path + " is a folder, not a file");
    if (!S_ISREG(info.st_mode))
        return fail(path + " is not a regular file (it is a device, a pipe or a socket)");
    const auto reported = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
    if (reported > limit)
        return fail(too_large(path, reported, limit));

    // One byte more than reported, so that the end of a file of the reported
    // size is seen without growing the buffer.
    std::string content(static_cast<std::size_t>(reported) + 1, '\0');
    std::size_t have = 0;
    for (;;) {
        if (have == content.size()) {
            if (have > limit)
                return fail(too_large(path, have, limit));
            content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, have * 2 + 4096)));
        }
        const ssize_t got = ::read(file.get(), content.data() + have, content.size() - have);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot read " + path + " to its end: " + std::strerror(errno));
        }
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    if (have > limit)
        return fail(too_large(path, have, limit));
    content.resize(have);
    return content;
}

} // namespace marovin
