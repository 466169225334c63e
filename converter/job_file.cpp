#include "job_file.h"

#include "message_text.h"

#include "base/number_parse.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace convers {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

bool same_key(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string where(std::string_view file_name, std::int64_t line)
{
    return std::string(file_name) + " line " + std::to_string(line) + ": ";
}

// A number of a data line, whose decimal separator may be the writer's
// regional ",": read with "." in its place, the text left as it was (for the
// message, should it not be a number).
marovin::NumberReading read_coordinate(char* begin, std::size_t size, double& value)
{
    char* comma = static_cast<char*>(std::memchr(begin, ',', size));
    if (comma)
        *comma = '.';
    const marovin::NumberReading reading = marovin::read_number(std::string_view(begin, size), value);
    if (comma)
        *comma = ',';
    return reading;
}

// Hands out the lines of a file one by one, without their CR LF or LF,
// through one buffer of fixed size. A line is writable in place until the
// next call (the data lines turn "," into "." there).
class LineReader {
public:
    enum class Got { line, end, too_long, failed };

    explicit LineReader(int fd) : fd_(fd), buffer_(std::make_unique<char[]>(kCapacity)) {}

    Got next(char*& begin, std::size_t& size)
    {
        for (;;) {
            char* start = buffer_.get() + pos_;
            if (void* found = std::memchr(start, '\n', end_ - pos_)) {
                char* stop = static_cast<char*>(found);
                pos_ = static_cast<std::size_t>(stop - buffer_.get()) + 1;
                return hand_out(start, stop, begin, size);
            }
            if (eof_) {
                if (pos_ == end_)
                    return Got::end;
                pos_ = end_;
                return hand_out(start, buffer_.get() + end_, begin, size);
            }
            // The line continues past what was read: keep its beginning,
            // read on behind it.
            std::memmove(buffer_.get(), start, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
            if (end_ == kCapacity) {
                ++number_;
                begin = buffer_.get();
                size = end_;
                return Got::too_long;
            }
            const ssize_t got = ::read(fd_, buffer_.get() + end_, kCapacity - end_);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                error_ = errno;
                return Got::failed;
            }
            if (got == 0)
                eof_ = true;
            end_ += static_cast<std::size_t>(got);
        }
    }

    std::int64_t number() const { return number_; }
    int error() const { return error_; }

private:
    Got hand_out(char* start, char* stop, char*& begin, std::size_t& size)
    {
        if (stop != start && stop[-1] == '\r')
            --stop;
        ++number_;
        begin = start;
        size = static_cast<std::size_t>(stop - start);
        return size > kLongestLine ? Got::too_long : Got::line;
    }

    // The longest line and its CR LF.
    static constexpr std::size_t kCapacity = kLongestLine + 2;

    int fd_;
    std::unique_ptr<char[]> buffer_;
    std::size_t pos_ = 0; // first unread byte
    std::size_t end_ = 0; // end of what was read
    bool eof_ = false;
    std::int64_t number_ = 0;
    int error_ = 0;
};

struct Descriptor {
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

} // namespace

marovin::Result<Job> read_job(const std::string& path, std::string_view file_name)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0)
        return marovin::fail("cannot open " + std::string(file_name) + ": " + std::strerror(errno));
    LineReader lines(file.fd);
    char* line_start = nullptr;
    std::size_t line_size = 0;
    const auto read_line = [&]() -> marovin::Result<bool> {
        switch (lines.next(line_start, line_size)) {
        case LineReader::Got::line: return true;
        case LineReader::Got::end: return false;
        case LineReader::Got::too_long:
            return marovin::fail(where(file_name, lines.number()) + "the line is longer than " +
                                 std::to_string(kLongestLine) + " bytes: " +
                                 quoted(std::string_view(line_start, kQuotedMax + 1)));
        case LineReader::Got::failed: break;
        }
        return marovin::fail("cannot read " + std::string(file_name) + ": " + std::strerror(lines.error()));
    };

    Job job;
    bool have_source = false;
    while (lines.number() < header_line_count) {
        auto more = read_line();
        if (!more)
            return marovin::fail(more.error());
        if (!*more)
            break;
        const std::string_view content = trim(std::string_view(line_start, line_size));
        if (content.empty())
            continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            return marovin::fail(where(file_name, lines.number()) + "expected a header line \"key=value\", found " +
                                 quoted(content));
        const std::string_view key = trim(content.substr(0, equals));
        const std::string_view value = trim(content.substr(equals + 1));
        if (same_key(key, "Depart")) {
            if (value.empty())
                return marovin::fail(where(file_name, lines.number()) + "no source system after \"Depart=\"");
            job.source_system = std::string(value);
            job.source_line = lines.number();
            have_source = true;
        } else if (same_key(key, "Arrivee")) {
            job.target_system = std::string(value);
            job.target_line = lines.number();
        }
        // UniteDepart, OrigineDepart and UniteArrivee carry nothing the
        // conversion needs: the unit follows from the source system itself.
    }
    if (!have_source)
        return marovin::fail(std::string(file_name) +
                             ": the header has no \"Depart=\" line naming the source system");
    if (job.target_system.empty())
        job.target_system = "WGS84";
    job.first_data_line = header_line_count + 1;

    std::int64_t blank_line = 0; // first empty data line, an error if data follows it
    for (;;) {
        auto more = read_line();
        if (!more)
            return marovin::fail(more.error());
        if (!*more)
            break;
        struct Token {
            char* begin;
            std::size_t size;
        } tokens[3];
        int count = 0;
        std::size_t i = 0;
        while (i < line_size && count < 3) {
            while (i < line_size && is_blank(line_start[i])) ++i;
            const std::size_t start = i;
            while (i < line_size && !is_blank(line_start[i])) ++i;
            if (i > start)
                tokens[count++] = Token{line_start + start, i - start};
        }
        if (count == 0) {
            if (blank_line == 0)
                blank_line = lines.number();
            continue;
        }
        if (blank_line != 0)
            return marovin::fail(where(file_name, blank_line) + "empty line among the data lines");
        if (count != 2)
            return marovin::fail(where(file_name, lines.number()) + "expected two numbers, X and Y, found " +
                                 quoted(trim(std::string_view(line_start, line_size))));
        double values[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            switch (read_coordinate(tokens[k].begin, tokens[k].size, values[k])) {
            case marovin::NumberReading::number: break;
            case marovin::NumberReading::not_a_number:
                return marovin::fail(where(file_name, lines.number()) +
                                     quoted(std::string_view(tokens[k].begin, tokens[k].size)) + " is not a number");
            case marovin::NumberReading::too_large:
                return marovin::fail(where(file_name, lines.number()) +
                                     quoted(std::string_view(tokens[k].begin, tokens[k].size)) +
                                     " is too large a number for a coordinate");
            }
        }
        job.x.push_back(values[0]);
        job.y.push_back(values[1]);
    }
    return job;
}

} // namespace convers
