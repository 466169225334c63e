// The converter's job reader (convers) on any job, and on every job the
// program's own job writer makes.
//
// Input: a mode byte. Bit 0 clear: the rest is a job file's bytes. Set: bit 1
// picks "," as the decimal separator, bit 2 the header block (trace run or
// XY text run); then the system name up to a NUL
// byte, then points as pairs of 8-byte doubles (those that are not finite
// are left out).
//
// Properties:
//   - any bytes: read_job succeeds exactly when a plain model of the job
//     layout (base/converter_job.h) does, with the same systems and points;
//     a failure names the same line as the model ("File.cvd line N: ...");
//   - a job the writer makes reads back with its system and every point, each
//     number as the 15-digit text of the job gives it;
//   - read in two parts (as a large job is, on two cores), any job gives the
//     same systems and points, or the same message, as read in one run.
#include "fuzz_support.h"
#include "reference_fields.h"

#include "base/converter_job.h"
#include "base/number_text.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace marovin;
using marovin::fuzz::Input;

namespace {

constexpr std::string_view kName = "File.cvd";

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

struct Model {
    bool ok = false;
    bool in_doubt = false; // a number at the edge of the double range
    std::int64_t line = 0; // the line a failure names; 0 for none
    std::string source, target;
    std::vector<double> x, y;
};

// A data number: the first "," read as ".", then the field grammar. An
// overflow may be the 15-digit text of the largest double, which the reader
// takes; an underflow may read as 0 or a tiny double.
bool model_number(std::string token, double& value, bool& in_doubt)
{
    if (const std::size_t comma = token.find(','); comma != std::string::npos)
        token[comma] = '.';
    bool doubt = false;
    if (!fuzz::model_number(token, value, doubt))
        return false;
    in_doubt = in_doubt || doubt;
    return true;
}

Model model_job(std::string_view text)
{
    Model m;
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
    }
    bool have_source = false;
    std::size_t i = 0;
    for (; i < lines.size() && i < 7; ++i) {
        const std::string_view content = trim(lines[i]);
        if (content.empty())
            continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos) {
            m.line = static_cast<std::int64_t>(i + 1);
            return m;
        }
        // The key stands right before its "=", as the writers put it.
        const std::string key = lower(content.substr(0, equals));
        const std::string_view value = trim(content.substr(equals + 1));
        if (key == "depart") {
            if (value.empty()) {
                m.line = static_cast<std::int64_t>(i + 1);
                return m;
            }
            m.source = std::string(value);
            have_source = true;
        } else if (key == "arrivee") {
            m.target = std::string(value);
        }
    }
    if (!have_source)
        return m;
    if (m.target.empty())
        m.target = "WGS84";
    std::size_t blank = 0;
    for (; i < lines.size(); ++i) {
        std::vector<std::string> tokens;
        std::string token;
        for (const char c : std::string(lines[i]) + ' ') {
            if (c == ' ' || c == '\t') {
                if (!token.empty())
                    tokens.push_back(token);
                token.clear();
            } else {
                token += c;
            }
        }
        if (tokens.empty()) {
            if (blank == 0)
                blank = i + 1;
            continue;
        }
        m.line = static_cast<std::int64_t>(blank != 0 ? blank : i + 1);
        if (blank != 0 || tokens.size() != 2)
            return m;
        double x = 0, y = 0;
        if (!model_number(tokens[0], x, m.in_doubt) || !model_number(tokens[1], y, m.in_doubt))
            return m;
        m.x.push_back(x);
        m.y.push_back(y);
    }
    m.line = 0;
    m.ok = true;
    return m;
}

void check_any_job(std::string_view bytes)
{
    const std::string path = fuzz::scratch_path(kName);
    fuzz::write_file(path, bytes);
    const Result<Job> job = read_job(path, kName);
    const Model m = model_job(bytes);
    const std::string about = "the job " + fuzz::printable(bytes) + ": ";
    const Result<Job> parts = read_job(path, kName, 0);
    FUZZ_CHECK(parts.ok() == job.ok() && (job.ok() ? parts->source_system == job->source_system &&
                                                         parts->target_system == job->target_system &&
                                                         parts->x == job->x && parts->y == job->y
                                                   : parts.error() == job.error()),
               about + "in two parts " + (parts.ok() ? std::to_string(parts->x.size()) + " points" : parts.error()) +
                   ", in one run " + (job.ok() ? std::to_string(job->x.size()) + " points" : job.error()));
    if (m.in_doubt)
        return;
    FUZZ_CHECK(job.ok() == m.ok, about + (job.ok() ? "read" : job.error()));
    if (!job.ok()) {
        const std::string place = std::string(kName) + (m.line ? " line " + std::to_string(m.line) + ": " : ": ");
        FUZZ_CHECK(job.error().rfind(place, 0) == 0, about + job.error() + "; expected it to start with " + place);
        return;
    }
    FUZZ_CHECK(job->source_system == m.source && job->target_system == m.target,
               about + "systems " + fuzz::printable(job->source_system) + " " + fuzz::printable(job->target_system));
    FUZZ_CHECK(job->x == m.x && job->y == m.y, about + std::to_string(job->x.size()) + " points, " +
                                                   std::to_string(m.x.size()) + " expected or other values");
}

// What the reader should make of the text the writer made of `v`.
bool reads_as_written(double got, double v)
{
    const std::string text = number_text(v);
    const double expected = std::strtod(text.c_str(), nullptr);
    if (std::isinf(expected))
        return got == std::copysign(DBL_MAX, v);
    if (std::fabs(expected) < DBL_MIN)
        return std::fabs(got) < DBL_MIN;
    return got == expected;
}

void check_written_job(Input& input, std::uint8_t mode)
{
    const char decimal_point = (mode & 2) ? ',' : '.';
    const bool xy_run = (mode >> 2) & 1;
    std::string system(input.text());
    if (system.find_first_of("\r\n") != std::string::npos)
        return; // a name on more than one line is no name the window gives
    std::vector<double> x, y;
    for (std::string_view rest = input.rest(); rest.size() >= 16; rest.remove_prefix(16)) {
        double a = 0, b = 0;
        std::memcpy(&a, rest.data(), 8);
        std::memcpy(&b, rest.data() + 8, 8);
        if (std::isfinite(a) && std::isfinite(b)) {
            x.push_back(a);
            y.push_back(b);
        }
    }
    const std::string header = xy_run ? xy_text_job_header(system) : trace_header_job_header(system);
    const std::string path = fuzz::scratch_path(kName);
    Result<JobWriter> writer = JobWriter::create(path, header, decimal_point);
    FUZZ_CHECK(writer.ok(), writer.error());
    for (std::size_t i = 0; i < x.size(); ++i)
        FUZZ_CHECK(writer->add_point(x[i], y[i]).ok(), "add_point");
    const Status closed = writer->close();
    FUZZ_CHECK(closed.ok(), closed.error());

    const Result<Job> job = read_job(path, kName);
    std::string expected_system(trim(system));
    if (xy_run && expected_system.empty())
        expected_system = "WGS84";
    const std::string about = "a job of " + std::to_string(x.size()) + " points from " + fuzz::printable(system) +
                              " with \"" + decimal_point + "\": ";
    if (expected_system.empty()) {
        FUZZ_CHECK(!job.ok(), about + "read without a source system");
        return;
    }
    FUZZ_CHECK(job.ok(), about + job.error());
    FUZZ_CHECK(job->source_system == expected_system, about + "system " + fuzz::printable(job->source_system));
    FUZZ_CHECK(job->x.size() == x.size(), about + std::to_string(job->x.size()) + " points read");
    for (std::size_t i = 0; i < x.size(); ++i)
        FUZZ_CHECK(reads_as_written(job->x[i], x[i]) && reads_as_written(job->y[i], y[i]),
                   about + "point " + std::to_string(i + 1) + " written as " + number_text(x[i]) + " " +
                       number_text(y[i]) + " reads " + number_text(job->x[i]) + " " + number_text(job->y[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::uint8_t mode = input.byte();
    if (mode & 1)
        check_written_job(input, mode);
    else
        check_any_job(input.rest());
    return 0;
}
