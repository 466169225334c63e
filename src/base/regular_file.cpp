#include "base/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace marovin {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int Descriptor::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

Result<std::optional<RegularFile>> open_regular_file(const std::string& path)
{
    // O_NONBLOCK changes nothing for the regular files that are read.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) {
        if (errno == ENOENT)
            return std::optional<RegularFile>();
        return fail("cannot open " + path + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return fail("cannot read " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fail(path + " is a folder, not a file");
    if (!S_ISREG(info.st_mode))
        return fail(path + " is not a regular file (it is a device, a pipe or a socket)");
    return std::optional<RegularFile>(
        RegularFile{std::move(file), static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0))});
}

} // namespace marovin
