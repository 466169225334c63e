#include "base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

namespace marovin {

namespace {

// A stream buffer over a file descriptor that remembers the first failed
// write's errno, so the caller can say why (EFBIG, ENOSPC) at commit.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }

    // Writes `count` bytes, retrying short writes; false (errno kept) on
    // failure. Nothing more is written after a failure.
    bool write_all(const char* data, std::size_t count)
    {
        if (!retried(data, count, [this](const char* d, std::size_t n) { return ::write(fd_, d, n); }))
            return false;
        flushed_ += count;
        return true;
    }

    // pwrite over bytes already written; the end of the file stays.
    bool write_at(std::uint64_t offset, const char* data, std::size_t count)
    {
        return retried(data, count, [this, &offset](const char* d, std::size_t n) {
            const ssize_t written = ::pwrite(fd_, d, n, static_cast<off_t>(offset));
            offset += written > 0 ? static_cast<std::uint64_t>(written) : 0;
            return written;
        });
    }

    // Bytes handed to the file, and those still in the buffer.
    std::uint64_t size() const { return flushed_ + static_cast<std::uint64_t>(pptr() - pbase()); }

    bool flush_buffer()
    {
        const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
        setp(buffer_, buffer_ + sizeof buffer_);
        return write_all(buffer_, pending);
    }

    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override
    {
        if (!flush_buffer())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            sputc(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* data, std::streamsize count) override
    {
        const auto size = static_cast<std::size_t>(count);
        if (size <= static_cast<std::size_t>(epptr() - pptr())) {
            std::memcpy(pptr(), data, size);
            pbump(static_cast<int>(size));
            return count;
        }
        if (!flush_buffer() || !write_all(data, size))
            return 0;
        return count;
    }

    int sync() override { return flush_buffer() ? 0 : -1; }

private:
    // Calls `put` until every byte is written or it fails for another
    // reason than an interruption.
    template <class Put>
    bool retried(const char* data, std::size_t count, Put put)
    {
        while (count > 0 && error_ == 0) {
            const ssize_t written = put(data, count);
            if (written < 0) {
                if (errno != EINTR)
                    error_ = errno;
            } else {
                data += written;
                count -= static_cast<std::size_t>(written);
            }
        }
        return error_ == 0;
    }

    int fd_;
    int error_ = 0;
    std::uint64_t flushed_ = 0;
    char buffer_[1 << 16];
};

std::string reason(int error) { return std::strerror(error); }

} // namespace

struct AtomicFile::State {
    State(std::string target, std::string temporary, int descriptor)
        : path(std::move(target)), temp_path(std::move(temporary)), fd(descriptor), buffer(descriptor), out(&buffer)
    {}
    ~State()
    {
        if (fd >= 0) {
            ::close(fd);
            ::unlink(temp_path.c_str());
        }
    }

    std::string path;
    std::string temp_path;
    int fd; // -1 once committed
    DescriptorBuffer buffer;
    std::ostream out;
};

AtomicFile::AtomicFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
AtomicFile::AtomicFile(AtomicFile&&) noexcept = default;
AtomicFile& AtomicFile::operator=(AtomicFile&&) noexcept = default;
AtomicFile::~AtomicFile() = default;

std::ostream& AtomicFile::stream() { return state_->out; }

const std::string& AtomicFile::path() const { return state_->path; }

Result<AtomicFile> AtomicFile::create(const std::string& path)
{
    if (path.empty())
        return fail("no file name was given");
    // mkstemp makes a name no other writer uses and opens it with O_EXCL.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail("cannot create " + path + ": " + reason(errno));
    // mkstemp makes the file private; give it the permissions the target
    // has, or those a newly created file would get.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd, existing.st_mode & 0777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    // Written through mkstemp's own descriptor: the file is new and empty,
    // and is never truncated (on ext4 a truncation marks the file for
    // writing back at its close, which makes closing a large file as slow
    // as writing it).
    return AtomicFile(std::make_unique<State>(path, std::move(temp), fd));
}

Status AtomicFile::write(std::string_view bytes)
{
    State& s = *state_;
    if (s.fd < 0)
        return fail("cannot write " + s.path + ": the file was already closed");
    s.out.flush();
    if (!s.buffer.write_all(bytes.data(), bytes.size()))
        return fail("cannot write " + s.path + ": " + reason(s.buffer.error()));
    return ok();
}

std::uint64_t AtomicFile::size() const { return state_->buffer.size(); }

Status AtomicFile::write_at(std::uint64_t offset, std::string_view bytes)
{
    State& s = *state_;
    if (s.fd < 0)
        return fail("cannot write " + s.path + ": the file was already closed");
    if (offset > s.buffer.size() || bytes.size() > s.buffer.size() - offset)
        return fail("cannot write " + s.path + ": a write past the end of what was written");
    s.out.flush();
    if (!s.buffer.write_at(offset, bytes.data(), bytes.size()))
        return fail("cannot write " + s.path + ": " + reason(s.buffer.error()));
    return ok();
}

Status AtomicFile::commit()
{
    State& s = *state_;
    if (s.fd < 0)
        return fail("cannot write " + s.path + ": the file was already closed");
    s.out.flush();
    s.buffer.flush_buffer();
    int error = s.buffer.error();
    const int fd = s.fd;
    s.fd = -1;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(s.temp_path.c_str(), s.path.c_str()) == 0)
        return ok();
    const bool renaming = error == 0;
    if (renaming)
        error = errno;
    ::unlink(s.temp_path.c_str());
    return fail((renaming ? "cannot replace " : "cannot write ") + s.path + ": " + reason(error));
}

} // namespace marovin
