#include "base/converter_job.h"

#include "base/atomic_file.h"
#include "base/large_pages.h"
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
#include <thread>

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
// through one buffer of fixed size: the lines of bytes [begin, end) of the
// file (to its end with kToEnd), the first of them counted as line
// `lines_before` + 1. A line is writable in place until the next call (the
// data lines turn "," into "." there).
class LineReader {
public:
    static constexpr std::int64_t kToEnd = -1;

    LineReader(int fd, std::string_view file_name, std::int64_t begin = 0, std::int64_t end = kToEnd,
               std::int64_t lines_before = 0)
        : fd_(fd), file_name_(file_name), buffer_(std::make_unique_for_overwrite<char[]>(kCapacity)), read_(begin),
          stop_(end), number_(lines_before)
    {}

    // The next line; nothing at the end of the part. Fails, naming the job
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
            std::size_t want = kCapacity - end_;
            if (stop_ != kToEnd)
                want = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(want), stop_ - read_));
            const ssize_t got = want == 0 ? 0 : ::pread(fd_, buffer_.get() + end_, want, static_cast<off_t>(read_));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return fail("cannot read " + std::string(file_name_) + ": " + std::strerror(errno));
            }
            if (got == 0)
                eof_ = true;
            end_ += static_cast<std::size_t>(got);
            read_ += got;
        }
    }

    std::int64_t number() const { return number_; }
    // The byte of the file after the last line handed out.
    std::int64_t offset() const { return read_ - static_cast<std::int64_t>(end_ - pos_); }

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
    std::size_t pos_ = 0;   // first unread byte of the buffer
    std::size_t end_ = 0;   // end of what the buffer holds
    std::int64_t read_ = 0; // the byte of the file after what was read
    std::int64_t stop_;     // where the part ends, or kToEnd
    bool eof_ = false;
    std::int64_t number_ = 0;
};

// What a run of data lines gave.
struct DataLines {
    std::size_t points = 0;
    std::int64_t blank_line = 0; // the first empty line, when no data line came after it
    bool data = false;           // a data line came before the end or the failure
    bool full = false;           // `add` had no room for a point
    std::string error;           // the failure, naming its line; empty for none
};

// Reads the data lines `lines` hands out, giving each point to add(x, y),
// which answers false when it has no room for it. Stops at the first
// failure, or where add has no room.
template <class Add>
DataLines read_data_lines(LineReader& lines, std::string_view file_name, Add&& add)
{
    DataLines read;
    const auto failed = [&read](std::string error) {
        read.error = std::move(error);
        return read;
    };
    for (;;) {
        Result<std::optional<std::span<char>>> next = lines.next();
        if (!next)
            return failed(next.error());
        if (!*next)
            return read;
        const std::span<char> line = **next;
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
            if (read.blank_line == 0)
                read.blank_line = lines.number();
            continue;
        }
        read.data = true;
        if (read.blank_line != 0)
            return failed(where(file_name, read.blank_line) + "empty line among the data lines");
        if (count != 2)
            return failed(where(file_name, lines.number()) + "expected two numbers, X and Y, found " +
                          quoted(trimmed(std::string_view(line.data(), line.size()))));
        double values[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const Result<double, NumberFault> value = read_coordinate(tokens[k]);
            if (value) {
                values[k] = *value;
                continue;
            }
            const std::string token = quoted(std::string_view(tokens[k].data(), tokens[k].size()));
            return failed(where(file_name, lines.number()) + token +
                          (value.failure() == NumberFault::too_large ? " is too large a number for a coordinate"
                                                                     : " is not a number"));
        }
        if (!add(values[0], values[1])) {
            read.full = true;
            return read;
        }
        ++read.points;
    }
}

// The line ends in bytes [begin, end) of the file; nothing when they
// cannot be read.
std::optional<std::int64_t> count_line_ends(int fd, std::int64_t begin, std::int64_t end)
{
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const auto block = std::make_unique_for_overwrite<char[]>(kBlock);
    std::int64_t count = 0;
    for (std::int64_t at = begin; at < end;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(kBlock), end - at));
        const ssize_t got = ::pread(fd, block.get(), want, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        count += std::count(block.get(), block.get() + got, '\n');
        at += got;
    }
    return count;
}

// The first byte after the line end at or after `at`, searched no further
// than a longest line; nothing when there is none (or it cannot be read).
std::optional<std::int64_t> next_line_start(int fd, std::int64_t at)
{
    constexpr std::size_t kChunk = std::size_t{64} << 10;
    const auto chunk = std::make_unique_for_overwrite<char[]>(kChunk);
    for (std::int64_t from = at; from - at < static_cast<std::int64_t>(kLongestLine + 2);) {
        const ssize_t got = ::pread(fd, chunk.get(), kChunk, static_cast<off_t>(from));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        if (const void* found = std::memchr(chunk.get(), '\n', static_cast<std::size_t>(got)))
            return from + (static_cast<const char*>(found) - chunk.get()) + 1;
        from += got;
    }
    return std::nullopt;
}

// The data lines of a large job read in two parts on two cores: the first
// part from `begin` (line `lines_before` + 1 on) to a line end near the
// middle, the second from there to the end of the file, each into its own
// place in x and y, known once the line ends of each part are counted.
// Nothing when the parts do not read as they were counted (the file
// changed meanwhile) or cannot be counted: the caller then reads the lines
// in one run, which reports what it meets as always. Otherwise the outcome
// of a read in one run, failures included: the first part's failure, else
// an empty line at the first part's end when the second part holds data,
// else the second part's failure.
std::optional<Status> read_data_in_two_parts(int fd, std::string_view file_name, std::int64_t begin,
                                             std::int64_t lines_before, std::uint64_t size, Job& job)
{
    const auto end = static_cast<std::int64_t>(size);
    const std::optional<std::int64_t> middle = next_line_start(fd, begin + (end - begin) / 2);
    if (!middle || *middle >= end)
        return std::nullopt;
    std::optional<std::int64_t> first_ends, second_ends;
    {
        std::thread counter([&] { second_ends = count_line_ends(fd, *middle, end); });
        first_ends = count_line_ends(fd, begin, *middle);
        counter.join();
    }
    if (!first_ends || !second_ends)
        return std::nullopt;
    // Every line of the first part ends before the middle; the second part's
    // last line may have no line end.
    const auto first_room = static_cast<std::size_t>(*first_ends);
    const auto room = first_room + static_cast<std::size_t>(*second_ends) + 1;
    resize_on_large_pages(job.x, room);
    resize_on_large_pages(job.y, room);
    const auto into = [&job](std::size_t from, std::size_t to) {
        return [&job, at = from, to](double x, double y) mutable {
            if (at == to)
                return false;
            job.x[at] = x;
            job.y[at] = y;
            ++at;
            return true;
        };
    };
    DataLines first, second;
    {
        std::thread reader([&] {
            LineReader lines(fd, file_name, *middle, LineReader::kToEnd, lines_before + *first_ends);
            second = read_data_lines(lines, file_name, into(first_room, room));
        });
        LineReader lines(fd, file_name, begin, *middle, lines_before);
        first = read_data_lines(lines, file_name, into(0, first_room));
        reader.join();
    }
    if (!first.error.empty())
        return fail(first.error);
    if (first.full || second.full)
        return std::nullopt;
    if (first.blank_line != 0 && second.data)
        return fail(where(file_name, first.blank_line) + "empty line among the data lines");
    if (!second.error.empty())
        return fail(second.error);
    // With points in the second part, every line of the first is a point.
    if (second.points > 0 && first.points != first_room)
        return std::nullopt;
    const std::size_t points = second.points > 0 ? first_room + second.points : first.points;
    job.x.resize(points);
    job.y.resize(points);
    return ok();
}

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

Result<Job> read_job(const std::string& path, std::string_view file_name, std::uint64_t two_parts_from)
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

    // A large job's data lines are read on two cores; where that cannot
    // be done, in one run from where the header ended.
    const auto data_start = static_cast<std::uint64_t>(lines.offset());
    if (data_start <= file->size && file->size - data_start >= two_parts_from &&
        std::thread::hardware_concurrency() >= 2) {
        if (std::optional<Status> read = read_data_in_two_parts(file->descriptor.get(), file_name, lines.offset(),
                                                                lines.number(), file->size, job)) {
            if (!*read)
                return fail(read->error());
            return job;
        }
        job.x.clear();
        job.y.clear();
    }
    const DataLines read = read_data_lines(lines, file_name, [&job](double x, double y) {
        job.x.push_back(x);
        job.y.push_back(y);
        return true;
    });
    if (!read.error.empty())
        return fail(read.error);
    return job;
}

} // namespace marovin
