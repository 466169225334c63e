#include "base/whole_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marovin {
namespace {

struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string reason() { return std::strerror(errno); }

} // namespace

Result<std::string> read_whole_file(const std::string& path)
{
    if (path.empty())
        return fail("no file was chosen");
    // Not blocking: opening a FIFO would wait for a writer. What is not a
    // regular file (a folder, a FIFO, a device) is refused before any read.
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0)
        return fail("cannot open " + path + ": " + reason());
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        return fail("cannot read " + path + ": " + reason());
    if (!S_ISREG(status.st_mode))
        return fail("cannot read " + path + ": it is " + (S_ISDIR(status.st_mode) ? "a folder" : "not a file"));

    std::string content(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = ::read(file.fd, content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail("cannot read " + path + ": " + reason());
        if (got == 0)
            return fail("cannot read " + path + " to its end: it changed while it was read");
        done += static_cast<std::size_t>(got);
    }
    // A file that grew while it was read still has to be read whole.
    char beyond = 0;
    ssize_t more = 0;
    do
        more = ::read(file.fd, &beyond, 1);
    while (more < 0 && errno == EINTR);
    if (more < 0)
        return fail("cannot read " + path + ": " + reason());
    if (more > 0)
        return fail("cannot read " + path + " whole: it changed while it was read");
    return content;
}

} // namespace marovin
