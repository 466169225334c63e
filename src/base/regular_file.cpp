#include "base/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace marovin {
namespace {

OpenError cannot_open(const std::string& path, int error)
{
    return {error == ENOENT ? OpenError::Kind::Missing : OpenError::Kind::Failed, error,
            "cannot open " + path + ": " + std::strerror(error)};
}

// A folder or anything else that is no regular file.
OpenError not_regular(const std::string& path, const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return {OpenError::Kind::Folder, 0, path + " is a folder, not a file"};
    return {OpenError::Kind::NotRegular, 0, path + " is not a regular file (it is a device, a pipe or a socket)"};
}

} // namespace

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

bool OpenError::names_nothing() const
{
    return kind == Kind::Missing || (kind == Kind::Failed && system_error == ENOTDIR);
}

Result<RegularFile, OpenError> open_regular_file(const std::string& path)
{
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0)
        return cannot_open(path, errno);
    if (!S_ISREG(named.st_mode))
        return not_regular(path, named);
    // O_NONBLOCK keeps a FIFO swapped in from waiting; it changes nothing for
    // a regular file.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return cannot_open(path, errno);
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0) {
        const int error = errno;
        return OpenError{OpenError::Kind::Failed, error, "cannot read " + path + ": " + std::strerror(error)};
    }
    if (!S_ISREG(opened.st_mode))
        return not_regular(path, opened);
    return RegularFile{std::move(file), static_cast<std::uint64_t>(std::max<off_t>(opened.st_size, 0))};
}

} // namespace marovin
