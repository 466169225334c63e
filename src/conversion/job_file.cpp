#include "conversion/job_file.h"

#include "base/atomic_file.h"
#include "base/number_text.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <ostream>
#include <streambuf>

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

Result<double> coordinate_divisor(std::string_view scalar_text)
{
    const auto not_blank = [](char c) { return c != ' ' && c != '\t'; };
    const auto begin = std::find_if(scalar_text.begin(), scalar_text.end(), not_blank);
    const auto end = std::find_if(scalar_text.rbegin(), std::make_reverse_iterator(begin), not_blank).base();
    std::string_view text(begin, end);
    const std::string quoted = "\"" + std::string(scalar_text) + "\"";
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    // from_chars also takes "inf" and "nan"; a scalar is plain digits.
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+';
    });
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (!plain || error != std::errc() || stop != text.data() + text.size() || !std::isfinite(value))
        return fail("the scalar for coordinates " + quoted + " is not a number");
    if (value == 0)
        return fail("the scalar for coordinates is 0; coordinates cannot be divided by it");
    return std::fabs(value);
}

} // namespace marovin
