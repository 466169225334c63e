#include "base/converter_job.h"

#include "base/atomic_file.h"
#include "base/message_text.h"
#include "base/number_parse.h"
#include "base/number_text.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>
#include <ostream>
#include <streambuf>

#include <fcntl.h>
#include <unistd.h>

namespace marovin {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string block(std::string_view first_key, std::string_view system, std::string_view unit_key,
                  std::string_view unit, std::string_view rest)
{
    std::string text;
    text.reserve(96 + system.size());
    text.append(first_key).append(system).append(kLineEnd);
    text.append(unit_key).append(unit).append(kLineEnd);
    text.append(rest);
    return text;
}

constexpr std::string_view kRunRest = "OrigineDepart=GR\r\n"
                                      "\r\n"
                                      "Arrivee=WGS84\r\n"
                                      "UniteArrivee=DDEC\r\n"
                                      "\r\n";

// Longest data line: two numbers, two blanks, CR LF.
constexpr std::size_t kLineMax = 2 * kNumberTextMax + 4;

char* write_line(char* out, double x, double y, char decimal_point)
{
    out = write_number_text(out, x, decimal_point);
    *out++ = ' ';
    out = write_number_text(out, y, decimal_point);
    *out++ = ' ';
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// A streambuf that appends to a string, so text written through stream()
// lands in the same buffer as the data lines, in order.
class AppendBuffer : public std::streambuf {
public:
    explicit AppendBuffer(std::string& target) : target_(target) {}

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            target_.push_back(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        target_.append(text, static_cast<std::size_t>(count));
        return count;
    }

private:
    std::string& target_;
};

constexpr std::size_t kFlushAt = std::size_t{1} << 20;

} // namespace

std::string trace_header_job_header(std::string_view system)
{
    return block("Depart=", system, "UniteDepart=", "M", kRunRest);
}

std::string xy_text_job_header(std::string_view system)
{
    // Blanks alone name no system any more than an empty text does.
    const bool blank = system.find_first_not_of(" \t") == std::string_view::npos;
    return block("Depart=", blank ? std::string_view("WGS84") : system, "UniteDepart=", "DDEC", kRunRest);
}

std::string system_block(std::string_view system)
{
    return block("Depart = ", system, "UniteDepart = ", "M",
                 "OrigineDepart = GR\r\n"
                 "\r\n"
                 "Arrivee = WGS84\r\n"
                 "UniteArrivee = DDEC\r\n"
                 "\r\n");
}

std::string job_data_line(double x, double y, char decimal_point)
{
    char line[kLineMax];
    return std::string(line, write_line(line, x, y, decimal_point));
}

char regional_decimal_point()
{
    const std::lconv* conventions = std::localeconv();
    if (conventions && conventions->decimal_point &&
        std::string_view(conventions->decimal_point) == ",")
        return ',';
    return '.';
}

struct JobWriter::State {
    State(AtomicFile f, char point) : file(std::move(f)), decimal_point(point), append(buffer), out(&append)
    {
        buffer.reserve(kFlushAt + kLineMax);
    }

    void flush()
    {
        if (!buffer.empty()) {
            file.stream().write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
    }

    AtomicFile file;
    char decimal_point;
    std::int64_t points = 0;
    bool closed = false;
    std::string buffer;
    AppendBuffer append;
    std::ostream out;
};

JobWriter::JobWriter(std::unique_ptr<State> state) : state_(std::move(state)) {}
JobWriter::JobWriter(JobWriter&&) noexcept = default;
JobWriter& JobWriter::operator=(JobWriter&&) noexcept = default;
JobWriter::~JobWriter() = default;

Result<JobWriter> JobWriter::create(const std::string& path, std::string_view header, char decimal_point)
{
    Result<AtomicFile> file = AtomicFile::create(path);
    if (!file)
        return fail("cannot write the converter job: " + file.error());
    auto state = std::make_unique<State>(std::move(file).value(), decimal_point);
    state->buffer.append(header);
    return JobWriter(std::move(state));
}

Status JobWriter::add_point(double x, double y)
{
    State& s = *state_;
    if (s.closed)
        return fail("the converter job was already closed");
    if (!std::isfinite(x) || !std::isfinite(y))
        return fail("point " + std::to_string(s.points + 1) + " has no valid coordinates (X " +
                    plain_number_text(x) + ", Y " + plain_number_text(y) + ")");
    const std::size_t used = s.buffer.size();
    s.buffer.resize(used + kLineMax);
    char* end = write_line(s.buffer.data() + used, x, y, s.decimal_point);
    s.buffer.resize(static_cast<std::size_t>(end - s.buffer.data()));
    ++s.points;
    if (s.buffer.size() >= kFlushAt)
        s.flush();
    return ok();
}

std::ostream& JobWriter::stream() { return state_->out; }

std::int64_t JobWriter::points() const { return state_->points; }

Status JobWriter::close()
{
    State& s = *state_;
    if (s.closed)
        return fail("the converter job was already closed");
    s.closed = true;
    s.out.flush();
    s.flush();
    s.buffer.clear();
    s.out.setstate(std::ios::badbit); // later writes go nowhere
    Status committed = s.file.commit();
    if (!committed)
        return fail("cannot write the converter job: " + committed.error());
    return ok();
}

double job_value(double value)
{
    // A value that is the double nearest to a decimal of at most 15
    // significant digits (coordinates divided by a power of ten, numbers
    // read from text) is what its line gives back: checked in a few
    // operations with as many decimals as 15 digits leave.
    const double size = std::abs(value);
    const double scale = size < 1e6 ? 1e9 : size < 1e9 ? 1e6 : size < 1e12 ? 1e3 : 0;
    if (scale != 0 && value != 0 && std::nearbyint(value * scale) / scale == value)
        return value;
    // The line's digits without its leading blank, which no number holds.
    char text[kNumberTextMax];
    const char* end = write_plain_number_text(text, value);
    double read = value;
    read_number(std::string_view(text, static_cast<std::size_t>(end - text)), read);
    return read;
}

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
NumberReading read_coordinate(char* begin, std::size_t size, double& value)
{
    char* comma = static_cast<char*>(std::memchr(begin, ',', size));
    if (comma)
        *comma = '.';
    const NumberReading reading = read_number(std::string_view(begin, size), value);
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

Result<Job> read_job(const std::string& path, std::string_view file_name)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0)
        return fail("cannot open " + std::string(file_name) + ": " + std::strerror(errno));
    LineReader lines(file.fd);
    char* line_start = nullptr;
    std::size_t line_size = 0;
    const auto read_line = [&]() -> Result<bool> {
        switch (lines.next(line_start, line_size)) {
        case LineReader::Got::line: return true;
        case LineReader::Got::end: return false;
        case LineReader::Got::too_long:
            return fail(where(file_name, lines.number()) + "the line is longer than " +
                                 std::to_string(kLongestLine) + " bytes: " +
                                 quoted(std::string_view(line_start, kQuotedMax + 1)));
        case LineReader::Got::failed: break;
        }
        return fail("cannot read " + std::string(file_name) + ": " + std::strerror(lines.error()));
    };

    Job job;
    bool have_source = false;
    while (lines.number() < kJobHeaderLines) {
        auto more = read_line();
        if (!more)
            return fail(more.error());
        if (!*more)
            break;
        const std::string_view content = trim(std::string_view(line_start, line_size));
        if (content.empty())
            continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            return fail(where(file_name, lines.number()) + "expected a header line \"key=value\", found " +
                                 quoted(content));
        const std::string_view key = trim(content.substr(0, equals));
        const std::string_view value = trim(content.substr(equals + 1));
        if (same_key(key, "Depart")) {
            if (value.empty())
                return fail(where(file_name, lines.number()) + "no source system after \"Depart=\"");
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
        return fail(std::string(file_name) +
                             ": the header has no \"Depart=\" line naming the source system");
    if (job.target_system.empty())
        job.target_system = "WGS84";
    job.first_data_line = kJobHeaderLines + 1;

    std::int64_t blank_line = 0; // first empty data line, an error if data follows it
    for (;;) {
        auto more = read_line();
        if (!more)
            return fail(more.error());
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
            return fail(where(file_name, blank_line) + "empty line among the data lines");
        if (count != 2)
            return fail(where(file_name, lines.number()) + "expected two numbers, X and Y, found " +
                                 quoted(trim(std::string_view(line_start, line_size))));
        double values[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            switch (read_coordinate(tokens[k].begin, tokens[k].size, values[k])) {
            case NumberReading::number: break;
            case NumberReading::not_a_number:
                return fail(where(file_name, lines.number()) +
                                     quoted(std::string_view(tokens[k].begin, tokens[k].size)) + " is not a number");
            case NumberReading::too_large:
                return fail(where(file_name, lines.number()) +
                                     quoted(std::string_view(tokens[k].begin, tokens[k].size)) +
                                     " is too large a number for a coordinate");
            }
        }
        job.x.push_back(values[0]);
        job.y.push_back(values[1]);
    }
    return job;
}

} // namespace marovin
