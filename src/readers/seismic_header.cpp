#include "readers/seismic_header.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "seismic files above 2 GB need 64-bit file offsets");

namespace marovin {
namespace {

// Positions of the first trace's header words, 1-based, as the trace header
// layout numbers its bytes (samples in this trace at 115-116, scalar for
// coordinates at 71-72), shifted by the file header length.
constexpr std::int64_t kTraceHeaderBytes = 240;
constexpr std::int64_t kSampleBytes = 4;
constexpr std::int64_t kSamplesWord = 115;
constexpr std::int64_t kScalarWord = 71;
constexpr std::int16_t kSegyFileHeaderBytes = 3600;
constexpr std::int16_t kSuFileHeaderBytes = 0;

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::string system_reason(int error) { return std::strerror(error); }

// n / d rounded to the nearest integer, halves to the even neighbour; exact
// for every 64-bit n and positive d (no rounding mode involved).
std::int64_t divide_half_even(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    const std::int64_t r = n % d;
    const std::int64_t twice = 2 * r;
    if (twice > d || (twice == d && q % 2 != 0))
        return q + 1;
    return q;
}

} // namespace

SeismicFile::SeismicFile(std::string path, int fd, std::uint64_t size)
    : path_(std::move(path)), fd_(fd), size_(size)
{
}

SeismicFile::SeismicFile(SeismicFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), size_(other.size_)
{
}

SeismicFile& SeismicFile::operator=(SeismicFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

SeismicFile::~SeismicFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Result<SeismicFile> SeismicFile::open(const std::string& path)
{
    if (path.empty())
        return fail("no seismic file is named");
    // Check before opening: opening a FIFO or device could block or have
    // side effects, and O_CREAT is never given so nothing is created.
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return fail("the file " + quoted(path) + " does not exist");
        return fail("the file " + quoted(path) + " cannot be opened: " + system_reason(error));
    }
    if (!S_ISREG(before.st_mode))
        return fail(quoted(path) + " is not a file" + (S_ISDIR(before.st_mode) ? " but a folder" : ""));

    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return fail("the file " + quoted(path) + " cannot be opened: " + system_reason(errno));
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return fail(quoted(path) + " is not a file");
    }
    return SeismicFile(path, fd, static_cast<std::uint64_t>(opened.st_size));
}

Status SeismicFile::read(std::int64_t position, void* buffer, std::size_t count) const
{
    const auto last = static_cast<std::uint64_t>(position - 1) + count; // bytes needed from the start
    if (position < 1 || last > size_)
        return fail("the file " + quoted(path_) + " is too short: it has " + std::to_string(size_) +
                    " bytes, and the word at position " + std::to_string(position) + " would end at byte " +
                    std::to_string(last));
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(position - 1 + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail("the file " + quoted(path_) + " cannot be read: " + system_reason(errno));
        if (n == 0) // shrunk since it was opened
            return fail("the file " + quoted(path_) + " ended before position " + std::to_string(last));
        done += static_cast<std::size_t>(n);
    }
    return ok();
}

namespace {

// Reads the N bytes of a word at `position` and decodes them.
template <class Word, std::size_t N>
Result<Word> read_word(const SeismicFile& file, std::int64_t position, Word (*decode)(const unsigned char*))
{
    unsigned char bytes[N];
    if (Status s = file.read(position, bytes, N); !s)
        return fail(s.error());
    return decode(bytes);
}

char ascii_upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

} // namespace

Result<std::int16_t> SeismicFile::Read_BE_Int16(std::int64_t position) const
{
    return read_word<std::int16_t, 2>(*this, position, decode_be16);
}

Result<std::int32_t> SeismicFile::Read_BE_Int32(std::int64_t position) const
{
    return read_word<std::int32_t, 4>(*this, position, decode_be32);
}

Result<std::int16_t> SeismicFile::Read_LE_Int16(std::int64_t position) const
{
    return read_word<std::int16_t, 2>(*this, position, decode_le16);
}

Result<std::int32_t> SeismicFile::Read_LE_Int32(std::int64_t position) const
{
    return read_word<std::int32_t, 4>(*this, position, decode_le32);
}

// Unsigned assembly, then a value-preserving conversion to the signed type
// (two's complement is guaranteed since C++20).
std::int16_t decode_be16(const unsigned char* b)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((b[0] << 8) | b[1]));
}

std::int32_t decode_be32(const unsigned char* b)
{
    return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                     (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]});
}

std::int16_t decode_le16(const unsigned char* b)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((b[1] << 8) | b[0]));
}

std::int32_t decode_le32(const unsigned char* b)
{
    return static_cast<std::int32_t>((std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) |
                                     (std::uint32_t{b[1]} << 8) | std::uint32_t{b[0]});
}

std::int16_t apply_scalar_rule(std::int16_t scalar)
{
    static constexpr std::int16_t powers[] = {1, 10, 100, 1000, 10000};
    if (scalar > -5 && scalar < 5)
        return powers[scalar < 0 ? -scalar : scalar];
    return scalar;
}

bool is_su_path(std::string_view path)
{
    return path.size() >= 2 && ascii_upper(path[path.size() - 2]) == 'S' &&
           ascii_upper(path[path.size() - 1]) == 'U';
}

Result<SeismicHeader> read_seismic_header(const std::string& path)
{
    const bool su = is_su_path(path);
    Result<SeismicFile> opened = SeismicFile::open(path);
    if (!opened)
        return fail(opened.error());
    const SeismicFile& file = *opened;

    SeismicHeader header;
    header.Header_Offset = su ? kSuFileHeaderBytes : kSegyFileHeaderBytes;
    const std::int64_t first_trace = header.Header_Offset;
    if (file.size() < static_cast<std::uint64_t>(first_trace + kTraceHeaderBytes))
        return fail("the file " + quoted(path) + " is too short to hold a trace header: it has " +
                    std::to_string(file.size()) + " bytes, a " + (su ? "SU" : "SEG-Y") + " file needs at least " +
                    std::to_string(first_trace + kTraceHeaderBytes));

    const auto word = [&](std::int64_t position) {
        return su ? file.Read_LE_Int16(first_trace + position) : file.Read_BE_Int16(first_trace + position);
    };
    Result<std::int16_t> samples = word(kSamplesWord);
    if (!samples)
        return fail(samples.error());
    Result<std::int16_t> scalar = word(kScalarWord);
    if (!scalar)
        return fail(scalar.error());

    header.Nb_Samples = *samples;
    header.Nb_Samples32 = *samples;
    const std::int64_t trace_bytes = kSampleBytes * header.Nb_Samples32 + kTraceHeaderBytes;
    if (trace_bytes <= 0)
        return fail("the first trace header of " + quoted(path) + " gives " + std::to_string(header.Nb_Samples32) +
                    " samples per trace, which leaves no room for a trace");
    // -32768 has no positive counterpart in 16 bits: neither a multiplier nor
    // a divisor can be made from it.
    if (*scalar == std::numeric_limits<std::int16_t>::min())
        return fail("the coordinate scalar of " + quoted(path) + " is -32768, which is not a valid scalar");
    header.Coord_Scalar = apply_scalar_rule(*scalar);

    // Every trace is taken to be as long as the first; a partial last trace
    // counts as one when it is more than half there.
    const std::int64_t data_bytes = static_cast<std::int64_t>(file.size()) - first_trace;
    const std::int64_t traces = divide_half_even(data_bytes, trace_bytes);
    if (traces > std::numeric_limits<std::int32_t>::max())
        return fail("the file " + quoted(path) + " would hold " + std::to_string(traces) +
                    " traces of " + std::to_string(trace_bytes) + " bytes, more than can be counted");
    header.Nb_Traces = static_cast<std::int32_t>(traces);
    return header;
}

} // namespace marovin
