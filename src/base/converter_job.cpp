#include "base/converter_job.h"

#include "base/atomic_file.h"
#include "base/message_text.h"
#include "base/number_parse.h"
#include "base/number_text.h"
#include "base/plain_text.h"
#include "base/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>

#include <unistd.h>

namespace marovin {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string block(std::string_view first_key, std::string_view system, std::string_view unit_key, std::string_view unit,
                  std::string_view rest)
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

constexpr std::size_t kFlushAt = std::size_t{1} << 20;

} // namespace

std::string trace_header_job_header(std::string_view system)
{
    return block("Depart=", system, "UniteDepart=", "M", kRunRest);
}

std::string xy_text_job_header(std::string_view system)
{
    // Blanks alone name no system any more than an empty text does.
    return block("Depart=", trimmed(system).empty() ? std::string_view("WGS84") : system, "UniteDepart=", "DDEC",
                 kRunRest);
}

char regional_decimal_point()
{
    const std::lconv* conventions = std::localeconv();
    if (conventions && conventions->decimal_point && std::string_view(conventions->decimal_point) == ",")
        return ',';
    return '.';
}

struct JobWriter::State {
    State(AtomicFile f, char point) : file(std::move(f)), decimal_point(point) { buffer.reserve(kFlushAt + kLineMax); }

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
        return fail("point " + std::to_string(s.points + 1) + " has no valid coordinates (X " + plain_number_text(x) +
                    ", Y " + plain_number_text(y) + ")");
    const std::size_t used = s.buffer.size();
    s.buffer.resize(used + kLineMax);
    char* end = write_line(s.buffer.data() + used, x, y, s.decimal_point);
    s.buffer.resize(static_cast<std::size_t>(end - s.buffer.data()));
    ++s.points;
    if (s.buffer.size() >= kFlushAt)
        s.flush();
    return ok();
}

std::int64_t JobWriter::points() const { return state_->points; }

Status JobWriter::close()
{
    State& s = *state_;
    if (s.closed)
        return fail("the converter job was already closed");
    s.closed = true;
    s.flush();
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
    const Result<double, NumberFault> read = read_number(std::string_view(text, static_cast<std::size_t>(end - text)));
    return read ? *read : value;
}

namespace {

std::string where(std::string_view file_name, std::int64_t line)
{
    return std::string(file_name) + " line " + std::to_string(line) + ": ";
}

// A number of a data line, whose decimal separator may be the writer's
// regional ",": read with "." in its place, the text left as it was (for the
// message, should it not be a number).
Result<double, NumberFault> read_coordinate(std::span<char> text)
{
    char* comma = static_cast<char*>(std::memchr(text.data(), ',', text.size()));
    if (comma)
        *comma = '.';
    Result<double, NumberFault> reading = read_number(std::string_view(text.data(), text.size()));
    if (comma)
        *comma = ',';
    return reading;
}

// Hands out the lines of a job one by one, without their CR LF or LF,
// through one buffer of fixed size. A line is writable in place until the
// next call (the data lines turn "," into "." there).
class LineReader {
public:
    LineReader(int fd, std::string_view file_name)
        : fd_(fd), file_name_(file_name), buffer_(std::make_unique<char[]>(kCapacity))
    {}

    // The next line; nothing at the end of the file. Fails, naming the job
    // and the line, for a line longer than kLongestLine and when the file
    // cannot be read.
    Result<std::optional<std::span<char>>> next()
    {
        for (;;) {
            char* start = buffer_.get() + pos_;
            if (void* found = std::memchr(start, '\n', end_ - pos_)) {
                char* stop = static_cast<char*>(found);
                pos_ = static_cast<std::size_t>(stop - buffer_.get()) + 1;
                return hand_out(start, stop);
            }
            if (eof_) {
                if (pos_ == end_)
                    return std::optional<std::span<char>>();
                pos_ = end_;
                return hand_out(start, buffer_.get() + end_);
            }
            // The line continues past what was read: keep its beginning,
            // read on behind it.
            std::memmove(buffer_.get(), start, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
            if (end_ == kCapacity) {
                ++number_;
                return too_long(buffer_.get());
            }
            const ssize_t got = ::read(fd_, buffer_.get() + end_, kCapacity - end_);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return fail("cannot read " + std::string(file_name_) + ": " + std::strerror(errno));
            }
            if (got == 0)
                eof_ = true;
            end_ += static_cast<std::size_t>(got);
        }
    }

    std::int64_t number() const { return number_; }

private:
    Result<std::optional<std::span<char>>> hand_out(char* start, char* stop)
    {
        if (stop != start && stop[-1] == '\r')
            --stop;
        ++number_;
        const auto size = static_cast<std::size_t>(stop - start);
        if (size > kLongestLine)
            return too_long(start);
        return std::optional<std::span<char>>(std::span<char>(start, size));
    }

    Error too_long(const char* start) const
    {
        return fail(where(file_name_, number_) + "the line is longer than " + std::to_string(kLongestLine) +
                    " bytes: " + quoted(std::string_view(start, kQuotedMax + 1)));
    }

    // The longest line and its CR LF.
    static constexpr std::size_t kCapacity = kLongestLine + 2;

    int fd_;
    std::string_view file_name_;
    std::unique_ptr<char[]> buffer_;
    std::size_t pos_ = 0; // first unread byte
    std::size_t end_ = 0; // end of what was read
    bool eof_ = false;
    std::int64_t number_ = 0;
};

// The job open for reading, or why not, in the converter's words.
Result<RegularFile> open_job(const std::string& path, std::string_view file_name)
{
    Result<RegularFile, OpenError> file = open_regular_file(path);
    if (file)
        return std::move(file).value();
    const std::string name(file_name);
    switch (file.failure().kind) {
    case OpenError::Kind::Folder: return fail("cannot read " + name + ": " + std::strerror(EISDIR));
    case OpenError::Kind::NotRegular: return fail(name + " is not a regular file (it is a device, a pipe or a socket)");
    case OpenError::Kind::Missing:
    case OpenError::Kind::Failed: break;
    }
    return fail("cannot open " + name + ": " + std::strerror(file.failure().system_error));
}

} // namespace

Result<Job> read_job(const std::string& path, std::string_view file_name)
{
    Result<RegularFile> file = open_job(path, file_name);
    if (!file)
        return fail(file.error());
    LineReader lines(file->descriptor.get(), file_name);

    Job job;
    bool have_source = false;
    while (lines.number() < kJobHeaderLines) {
        Result<std::optional<std::span<char>>> line = lines.next();
        if (!line)
            return fail(line.error());
        if (!*line)
            break;
        const std::string_view content = trimmed(std::string_view((*line)->data(), (*line)->size()));
        if (content.empty())
            continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            return fail(where(file_name, lines.number()) + "expected a header line \"key=value\", found " +
                        quoted(content));
        // The writers put nothing between the key and its "="; the value
        // may start with the blanks of a system typed with them.
        const std::string_view key = content.substr(0, equals);
        const std::string_view value = trimmed(content.substr(equals + 1));
        if (equal_ignoring_case(key, "Depart")) {
            if (value.empty())
                return fail(where(file_name, lines.number()) + "no source system after \"Depart=\"");
            job.source_system = std::string(value);
            job.source_line = lines.number();
            have_source = true;
        } else if (equal_ignoring_case(key, "Arrivee")) {
            job.target_system = std::string(value);
            job.target_line = lines.number();
        }
        // UniteDepart, OrigineDepart and UniteArrivee carry nothing the
        // conversion needs: the unit follows from the source system itself.
    }
    if (!have_source)
        return fail(std::string(file_name) + ": the header has no \"Depart=\" line naming the source system");
    if (job.target_system.empty())
        job.target_system = "WGS84";
    job.first_data_line = kJobHeaderLines + 1;

    std::int64_t blank_line = 0; // first empty data line, an error if data follows it
    for (;;) {
        Result<std::optional<std::span<char>>> read = lines.next();
        if (!read)
            return fail(read.error());
        if (!*read)
            break;
        const std::span<char> line = **read;
        std::span<char> tokens[3];
        int count = 0;
        std::size_t i = 0;
        while (i < line.size() && count < 3) {
            while (i < line.size() && is_blank(line[i]))
                ++i;
            const std::size_t start = i;
            while (i < line.size() && !is_blank(line[i]))
                ++i;
            if (i > start)
                tokens[count++] = line.subspan(start, i - start);
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
                        quoted(trimmed(std::string_view(line.data(), line.size()))));
        double values[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const Result<double, NumberFault> value = read_coordinate(tokens[k]);
            if (value) {
                values[k] = *value;
                continue;
            }
            const std::string token = quoted(std::string_view(tokens[k].data(), tokens[k].size()));
            return fail(where(file_name, lines.number()) + token +
                        (value.failure() == NumberFault::too_large ? " is too large a number for a coordinate"
                                                                   : " is not a number"));
        }
        job.x.push_back(values[0]);
        job.y.push_back(values[1]);
    }
    return job;
}

} // namespace marovin
