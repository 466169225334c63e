#include "readers/sps_records.h"

#include "base/number_parse.h"
#include "base/plain_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <tuple>

namespace marovin {
namespace {

bool is_blank_line(std::string_view line) { return trimmed(line).empty(); }

// A record with its tabs expanded to the next multiple of 8 columns: the
// columns an editor shows are the columns read.
std::string expanded(std::string_view line)
{
    std::string record;
    record.reserve(line.size());
    for (const char c : line) {
        if (c == '\t')
            record.append(8 - record.size() % 8, ' ');
        else
            record += c;
    }
    return record;
}

// The text of a record's columns, cut where the record ends.
std::string_view columns(std::string_view record, SpsColumns c)
{
    const auto first = static_cast<std::size_t>(c.first - 1);
    if (first >= record.size())
        return {};
    return record.substr(first, static_cast<std::size_t>(c.last - c.first + 1));
}

Result<double, NumberFault> number_in(std::string_view record, SpsColumns c)
{
    return read_number(trimmed(columns(record, c)));
}

bool is_point_record(std::string_view record) { return !record.empty() && (record[0] == 'R' || record[0] == 'S'); }

bool holds_coordinates(std::string_view record)
{
    return is_point_record(record) && number_in(record, kSpsEasting) && number_in(record, kSpsNorthing);
}

// The record number of an H record: "H13" and "H130" are 13; -1 for none.
int header_number(std::string_view record)
{
    if (record.size() < 3 || record[0] != 'H' || !is_digit(record[1]) || !is_digit(record[2]))
        return -1;
    return (record[1] - '0') * 10 + (record[2] - '0');
}

// What a header record gives after its description: from column 33 when the
// record reaches it, else everything after its code; blanks, "," and ";"
// around it dropped.
std::string_view header_value(std::string_view record)
{
    return trimmed(record.substr(record.size() > 32 ? 32 : std::min<std::size_t>(record.size(), 4)), " \t,;");
}

// Whether a header value says anything: writers fill unknown values with
// "N/A" and separators ("N/A,N/A;").
bool says_something(std::string_view value)
{
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (find_ignoring_case(value.substr(i, 3), "N/A") == 0)
            i += 2;
        else if (!is_blank(value[i]) && value[i] != ',' && value[i] != ';')
            return true;
    }
    return false;
}

// The EPSG codes a header record names: "EPSG:32632", "EPSG::32632",
// "epsg 32632".
void collect_epsg_codes(std::string_view record, std::set<std::string>& codes)
{
    for (std::size_t at = find_ignoring_case(record, "EPSG"); at != std::string_view::npos;
         at = find_ignoring_case(record, "EPSG", at + 4)) {
        std::size_t i = at + 4;
        while (i < record.size() && (record[i] == ':' || record[i] == ' '))
            ++i;
        const std::size_t digits = i;
        while (i < record.size() && is_digit(record[i]))
            ++i;
        if (i > digits && i - digits <= 6)
            codes.insert(std::string(record.substr(digits, i - digits)));
    }
}

// The revision an H00 record names: its first number, after the record code
// (descriptions hold no digits): "SPS 2.1" is 2.1, "SPS001" (as revision 1.0
// writers put it) 1.0, "0" the original 1993 format, whose columns 1.0 kept.
std::optional<SpsRevision> named_revision(std::string_view h00)
{
    for (std::size_t i = 4; i < h00.size(); ++i) {
        if (!is_digit(h00[i]))
            continue;
        int major = 0;
        while (i < h00.size() && is_digit(h00[i]) && major < 100)
            major = major * 10 + (h00[i++] - '0');
        if (major <= 1)
            return SpsRevision::V1_0;
        if (major == 2)
            return SpsRevision::V2_1;
        return std::nullopt;
    }
    return std::nullopt;
}

// The point records' columns tell the revision when no H00 record does: a
// record fits 2.1 when columns 12-21 hold its point number and column 22,
// unused in 2.1, is blank; it fits 1.0 when columns 18-25 hold its point
// number. Where 2.1 has its point number, 1.0 has the end of the line name
// and the start of the point number, mostly blanks ("LINE_001" and "701"
// leave 12-21 blank); where 1.0 has its point number, 2.1 has the end of the
// point number, the unused columns, the index and the code ("2.00 01 "), no
// number. Column 23 is not looked at: some 2.1 writers put a "0" there.
bool fits_v2_1(std::string_view record)
{
    return number_in(record, {12, 21}) && (record.size() < 22 || is_blank(record[21]));
}

bool fits_v1_0(std::string_view record) { return number_in(record, {18, 25}).ok(); }

// The header's grid units when they are not metres: the H20 record's units
// ("American Feet") and the H201 record's factor to metre when it is not 1.
std::string units_not_metres(std::string_view units, std::string_view factor_record)
{
    std::string_view factor;
    double value = 1;
    if (!factor_record.empty()) {
        const std::string_view rest = trimmed(factor_record, " \t,;");
        factor = rest.substr(rest.find_last_of(" \t") == std::string_view::npos ? 0 : rest.find_last_of(" \t") + 1);
        if (const Result<double, NumberFault> read = read_number(factor))
            value = *read;
        else
            factor = {};
    }
    const bool metric_name = find_ignoring_case(units, "metre") != std::string_view::npos ||
                             find_ignoring_case(units, "meter") != std::string_view::npos || units == "m" ||
                             units == "M";
    const bool other_units = !units.empty() && !metric_name;
    const bool other_factor = !factor.empty() && value != 1;
    if (!other_units && !other_factor)
        return {};
    std::string text(units.empty() ? std::string_view("grid units") : units);
    if (!factor.empty())
        text += " (factor to metre " + std::string(factor) + ")";
    return text;
}

SpsHeader read_header(const std::vector<std::string>& records, int fits_v1, int fits_v2)
{
    SpsHeader header;
    std::set<std::string> codes;
    std::string_view units, factor_record;
    for (const std::string& record : records) {
        const int number = header_number(record);
        if (number == 0 && !header.revision_named) {
            if (const std::optional<SpsRevision> named = named_revision(record)) {
                header.revision = *named;
                header.revision_named = true;
            }
        }
        const std::size_t codes_before = codes.size();
        collect_epsg_codes(record, codes);
        const std::string_view value = header_value(record);
        if (number == 20 && record.size() > 3 && (record[3] == '1')) {
            factor_record = value;
        } else if (number == 20 && says_something(value)) {
            // "H200 Description of grid units   American Feet;"
            std::string_view after = trimmed(std::string_view(record).substr(4));
            if (find_ignoring_case(after, "Description of grid units") == 0)
                after = after.substr(std::string_view("Description of grid units").size());
            units = trimmed(after, " \t,;");
        }
        if ((number >= 12 && number <= 24 && says_something(value)) || codes.size() > codes_before)
            header.records.emplace_back(trimmed(record));
    }
    if (!header.revision_named)
        header.revision = fits_v1 > fits_v2 ? SpsRevision::V1_0 : SpsRevision::V2_1;
    if (codes.size() == 1)
        header.epsg = "EPSG:" + *codes.begin();
    header.units_not_metres = units_not_metres(units, factor_record);
    return header;
}

// A number as a name: "102.00" is "102", "1001.50" "1001.5"; any other text
// stays as it is.
std::string tidy_number(std::string_view text)
{
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos || text.find_first_of("eE") != std::string_view::npos || !read_number(text))
        return std::string(text);
    std::size_t end = text.size();
    while (end > point + 1 && text[end - 1] == '0')
        --end;
    if (end == point + 1)
        --end; // no fraction left: no point either
    std::string tidy(text.substr(0, end));
    return tidy.find_first_of("0123456789") == std::string::npos ? tidy + "0" : tidy; // ".00" is "0"
}

} // namespace

SpsNameColumns sps_name_columns(SpsRevision revision)
{
    if (revision == SpsRevision::V1_0)
        return {{2, 17}, {18, 25}};
    return {{2, 11}, {12, 21}};
}

bool is_sps_text(std::string_view file_text)
{
    bool sps = false;
    bool first = true;
    for_each_line(without_byte_order_mark(file_text), [&](std::string_view line, std::int64_t) {
        if (is_blank_line(line))
            return true;
        if (first && line.starts_with("H00") && find_ignoring_case(line, "SPS") != std::string_view::npos) {
            sps = true;
            return false;
        }
        first = false;
        if (line[0] == 'H' || line[0] == 'X')
            return true;
        sps = holds_coordinates(expanded(line));
        return false;
    });
    return sps;
}

XyText sps_xy_text(std::string_view file_text)
{
    XyText result;
    std::vector<std::string> header_records;
    int fits_v1 = 0, fits_v2 = 0;
    result.text.reserve(file_text.size() + file_text.size() / 64);
    for_each_line(without_byte_order_mark(file_text), [&](std::string_view line, std::int64_t number) {
        if (is_blank_line(line) || line[0] == 'H' || line[0] == 'X') {
            result.left_out.push_back(number);
            if (!line.empty() && line[0] == 'H')
                header_records.push_back(expanded(line));
            return true;
        }
        const std::size_t start = result.text.size();
        if (line.find('\t') == std::string_view::npos)
            result.text.append(line);
        else
            result.text += expanded(line);
        const std::string_view record = std::string_view(result.text).substr(start);
        if (is_point_record(record)) {
            fits_v1 += fits_v1_0(record) ? 1 : 0;
            fits_v2 += fits_v2_1(record) ? 1 : 0;
        }
        result.text += "\r\n";
        return true;
    });
    result.sps = read_header(header_records, fits_v1, fits_v2);
    return result;
}

Result<XyPoints> points_of_lines(std::int64_t lines)
{
    if (lines > std::numeric_limits<std::int32_t>::max() - 1)
        return fail("the file has more points than can be read (" + std::to_string(lines) + ")");
    XyPoints points;
    points.count = static_cast<std::int32_t>(lines);
    const auto n = static_cast<std::size_t>(points.count);
    points.x.resize(n);
    points.y.resize(n);
    points.number.resize(n);
    return points;
}

Status lines_read(Progress& progress, std::int32_t line)
{
    // A few milliseconds of reading between two looks.
    constexpr std::int32_t kLinesPerStep = 1 << 15;
    if (line % kLinesPerStep != 0)
        return ok();
    progress.advance(static_cast<std::uint64_t>(line));
    return progress.cancelled() ? fail(std::string(kCancelled)) : ok();
}

Result<XyPoints> read_sps_points(const XyText& text, Progress& progress)
{
    // Every line of the text ends with CR LF.
    Result<XyPoints> made = points_of_lines(std::count(text.text.begin(), text.text.end(), '\n'));
    if (!made)
        return made;
    if (made->count == 0)
        return fail("the SPS file holds no point records (R or S)");
    XyPoints& points = *made;
    const auto n = static_cast<std::size_t>(points.count);

    const SpsNameColumns name_columns = sps_name_columns(text.sps ? text.sps->revision : SpsRevision::V2_1);
    // The points' numbers as the records write them, whether each is named
    // by its number, and the line names only once a second one shows up.
    std::vector<std::string> point_texts(n);
    std::vector<bool> by_number(n);
    std::string first_line;
    std::vector<std::string> line_names;

    std::string_view rest = text.text;
    for (std::int32_t i = 1; i <= points.count; ++i) {
        if (Status going = lines_read(progress, i); !going)
            return fail(going.error());
        const std::size_t end = rest.find("\r\n");
        const std::string_view record = rest.substr(0, end);
        rest.remove_prefix(end + 2);
        auto where = [&] { return "line " + std::to_string(text.file_line(i)); };
        auto point = [&] { return "point " + std::to_string(i) + ", " + where() + ": "; };
        if (!is_point_record(record))
            return fail(where() + " is no SPS point record (R or S), header (H) or relation (X) record: it begins " +
                        in_quotes(record.substr(0, 1)));
        if (record.size() < static_cast<std::size_t>(kSpsNorthing.last))
            return fail(point() + "the record is too short for its easting and northing (columns " +
                        std::to_string(kSpsEasting.first) + "-" + std::to_string(kSpsNorthing.last) +
                        "): it ends at column " + std::to_string(record.size()));
        const auto row = static_cast<std::size_t>(i - 1);
        for (const auto& [c, what, value] : {std::tuple{kSpsEasting, "easting", &points.x[row]},
                                             std::tuple{kSpsNorthing, "northing", &points.y[row]}}) {
            const std::string_view field = trimmed(columns(record, c));
            const Result<double, NumberFault> read = read_number(field);
            if (read)
                *value = *read;
            else
                return fail(point() + what + " " +
                            (field.empty() ? std::string("is blank") : in_quotes(field) + " is not a number") +
                            " (columns " + std::to_string(c.first) + "-" + std::to_string(c.last) + ")");
        }

        std::string point_text = tidy_number(trimmed(columns(record, name_columns.point)));
        std::int32_t number = 0;
        bool named_by_number = point_text.empty();
        if (const Result<double, NumberFault> value = read_number(point_text)) {
            const double rounded = std::nearbyint(*value);
            if (rounded >= std::numeric_limits<std::int32_t>::min() &&
                rounded <= std::numeric_limits<std::int32_t>::max()) {
                number = static_cast<std::int32_t>(rounded);
                named_by_number = rounded == *value;
            }
        }
        points.number[row] = number;
        by_number[row] = named_by_number;
        point_texts[row] = std::move(point_text);

        std::string line = tidy_number(trimmed(columns(record, name_columns.line)));
        if (points.lines.empty() || points.lines.back().name != line)
            points.lines.push_back({row, line});
        if (i == 1)
            first_line = line;
        else if (line_names.empty() && line != first_line)
            line_names.assign(row, first_line);
        if (!line_names.empty())
            line_names.push_back(std::move(line));
    }

    if (!line_names.empty()) {
        // Several lines: every name tells its line, "2001/1001".
        for (std::size_t row = 0; row < n; ++row)
            point_texts[row].insert(0, line_names[row] + "/");
        points.name = std::move(point_texts);
    } else if (std::find(by_number.begin(), by_number.end(), false) != by_number.end()) {
        for (std::size_t row = 0; row < n; ++row)
            if (by_number[row])
                point_texts[row].clear();
        points.name = std::move(point_texts);
    }
    return made;
}

} // namespace marovin
