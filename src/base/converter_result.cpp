#include "base/converter_result.h"

#include "base/field_reader.h"
#include "base/number_parse.h"
#include "base/number_text.h"
#include "base/plain_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace marovin {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Names from PROJ or the job are single lines already; a stray line break
// would shift every record, so it is flattened.
std::string one_line(std::string_view text)
{
    std::string line(text);
    for (char& c : line)
        if (is_line_end(c))
            c = ' ';
    return line;
}

constexpr int kLeadingLines = 7;
constexpr int kFieldsPerRecord = 5;
constexpr int kLatitudeField = 3;
constexpr int kLongitudeField = 4;
// The progress is told, and asked whether to stop, once every this many
// records (a few milliseconds).
constexpr std::size_t kRecordsPerStep = std::size_t{1} << 15;

std::string at_line(const FieldReader& reader, std::int64_t line)
{
    return "the converter's result " + reader.path() + ", line " + std::to_string(line);
}

Error not_a_number(const FieldReader& reader, std::size_t record, bool latitude, const Field& field)
{
    return fail(at_line(reader, field.line) + ": the " + (latitude ? "latitude" : "longitude") + " of point " +
                std::to_string(record) + " is not a number (\"" + std::string(field.text) + "\")");
}

} // namespace

Result<ResultPoints> read_result_points(const std::string& path, std::int32_t count, Progress& progress)
{
    Result<FieldReader> opened = FieldReader::open(path);
    if (!opened)
        return fail("cannot read the converter's result: " + opened.error());
    FieldReader& reader = *opened;

    const Result<std::int64_t> skipped = reader.skip_lines(kLeadingLines);
    if (!skipped)
        return fail(skipped.error());
    if (*skipped < kLeadingLines)
        return fail("the converter's result " + path + " is too short: it holds " + std::to_string(*skipped) +
                    " lines, fewer than the 7 lines that come before the points");

    std::int64_t last_line = kLeadingLines;
    ResultPoints points;
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    points.longitudes.reserve(n);
    points.latitudes.reserve(n);
    Field fields[kFieldsPerRecord];
    for (std::size_t record = 1; record <= n; ++record) {
        if (record % kRecordsPerStep == 0) {
            progress.advance(record - 1);
            if (progress.cancelled())
                return fail(std::string(kCancelled));
        }
        // A record on a line of its own is read whole, any other one field
        // by field.
        if (const std::optional<std::span<const Field>> line = reader.next_line(kFieldsPerRecord)) {
            std::copy(line->begin(), line->end(), fields);
            last_line = fields[0].line;
            for (const int index : {kLatitudeField, kLongitudeField}) {
                if (!fields[index - 1].is_number())
                    return not_a_number(reader, record, index == kLatitudeField, fields[index - 1]);
            }
        } else {
            for (int index = 1; index <= kFieldsPerRecord; ++index) {
                Result<std::optional<Field>> field = reader.next();
                if (!field)
                    return fail(field.error());
                if (!*field)
                    return fail("the converter's result " + path + " ends after line " + std::to_string(last_line) +
                                ", before point " + std::to_string(record) + " of " + std::to_string(n) +
                                " is complete");
                last_line = (*field)->line;
                if ((index == kLatitudeField || index == kLongitudeField) && !(*field)->is_number())
                    return not_a_number(reader, record, index == kLatitudeField, **field);
                fields[index - 1].number = (*field)->number;
            }
        }
        points.latitudes.push_back(fields[kLatitudeField - 1].number);
        points.longitudes.push_back(fields[kLongitudeField - 1].number);
    }
    progress.advance(n);
    return points;
}

std::string quoted_system(std::string_view name)
{
    std::string field = "\"" + one_line(name) + "\"";
    for (std::size_t i = 1; i + 1 < field.size(); ++i)
        if (field[i] == '"')
            field[i] = '\'';
    return field;
}

std::string result_header(std::string_view job_file_name, const Job& job, const ConversionReport& report)
{
    std::string out;
    out += "Convers result of ";
    out += one_line(job_file_name);
    out += kLineEnd;
    out += "Source system: " + one_line(job.source_system) + " (" + one_line(report.source_name) + ")";
    out += kLineEnd;
    out += "Points: " + std::to_string(job.x.size());
    out += kLineEnd;
    out += "Transformation: " + one_line(report.operation_name);
    out += kLineEnd;
    out += "Accuracy: ";
    if (report.accuracy_m < 0) {
        out += "unknown";
    } else {
        append_shortest(out, report.accuracy_m);
        out += " m";
    }
    out += kLineEnd;
    out += "Target system: " + one_line(job.target_system) + " (" + one_line(report.target_name) + "), decimal degrees";
    out += kLineEnd;
    out += "Fields: number,system,latitude,longitude,ellipsoidal height";
    out += kLineEnd;
    return out;
}

void append_record(std::string& out, const Job& job, std::size_t index, std::string_view quoted)
{
    char number[24];
    const auto counted = std::to_chars(number, number + sizeof number, index + 1);
    out.append(number, counted.ptr);
    out += ',';
    out += quoted;
    // Nine decimals, the same bytes as std::to_chars fixed, by integer
    // arithmetic.
    char fields[2 * kFixedTextMax + 8];
    char* end = fields;
    *end++ = ',';
    end = write_fixed(end, job.y[index], 9);
    *end++ = ',';
    end = write_fixed(end, job.x[index], 9);
    for (const char c : std::string_view(",0\r\n"))
        *end++ = c;
    out.append(fields, end);
}

double result_value(double value)
{
    // value * 1e9 rounded is the record's count of nanodegrees unless the
    // exact product lies within the product's own rounding of a half: the
    // fused remainder is exact for degrees, and far from a half the rounded
    // product cannot have crossed it. The count over 1e9 is the double the
    // reader makes of the record's text (one exact division). Anything else
    // takes the record's own text.
    constexpr double kScale = 1e9;
    if (std::abs(value) < 1e6) {
        const double count = std::nearbyint(value * kScale);
        if (std::abs(std::fma(value, kScale, -count)) < 0.4999)
            return count / kScale;
    }
    char text[kFixedTextMax];
    const char* end = write_fixed(text, value, 9);
    const Result<double, NumberFault> read = read_number(std::string_view(text, static_cast<std::size_t>(end - text)));
    return read ? *read : value;
}

} // namespace marovin
