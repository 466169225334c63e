#include "base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace marovin {

AtomicFile::AtomicFile(std::string path, std::string temp_path, std::unique_ptr<std::ofstream> out)
    : path_(std::move(path)), temp_path_(std::move(temp_path)), out_(std::move(out))
{
}

AtomicFile::AtomicFile(AtomicFile&&) noexcept = default;
AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        temp_path_ = std::move(other.temp_path_);
        out_ = std::move(other.out_);
    }
    return *this;
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard()
{
    if (!out_)
        return;
    out_->close();
    out_.reset();
    std::remove(temp_path_.c_str());
}

Result<AtomicFile> AtomicFile::create(const std::string& path)
{
    if (path.empty())
        return fail("no file name was given");
    // mkstemp gives a name no other writer uses; the stream then reopens it.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail("cannot create " + path + ": " + std::strerror(errno));
    // mkstemp makes the file private; give it the permissions the target
    // has, or those a newly created file would get.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    ::close(fd);
    auto out = std::make_unique<std::ofstream>(temp, std::ios::binary | std::ios::trunc);
    if (!*out) {
        std::remove(temp.c_str());
        return fail("cannot create " + path);
    }
    out->exceptions(std::ios::goodbit);
    return AtomicFile(path, temp, std::move(out));
}

Status AtomicFile::commit()
{
    if (!out_)
        return fail("cannot write " + path_ + ": the file was already closed");
    out_->flush();
    const bool written = static_cast<bool>(*out_);
    out_->close();
    const bool closed = !out_->fail();
    out_.reset();
    if (!written || !closed) {
        std::remove(temp_path_.c_str());
        return fail("cannot write " + path_ + " (disk full or no right to write?)");
    }
    std::error_code error;
    std::filesystem::rename(temp_path_, path_, error);
    if (error) {
        std::remove(temp_path_.c_str());
        return fail("cannot replace " + path_ + ": " + error.message());
    }
    return ok();
}

} // namespace marovin
