#include "readers/xy_text.h"

#include "base/field_reader.h"
#include "base/number_parse.h"
#include "base/plain_text.h"
#include "base/whole_file.h"
#include "readers/sps_records.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace marovin {
namespace {

// Appends the normalised form of one line (without its line end) and its CR
// LF to `out`. False, with nothing appended, for a blank line.
bool append_line(std::string_view line, std::string& out)
{
    line = trimmed(line);
    if (line.empty())
        return false;

    const std::size_t n = line.size();
    // A ";" inside a quoted part (a station's name) is text: it does not
    // make the line a ";" line. A quoted part opens at the start of a field,
    // that is at the line's start or after a blank, "," or ";".
    bool semicolons = false;
    bool commas = false;
    for (std::size_t i = 0; i < n && !semicolons; ++i) {
        if (line[i] == '"' && (i == 0 || is_blank(line[i - 1]) || line[i - 1] == ',' || line[i - 1] == ';')) {
            const std::size_t close = line.find('"', i + 1);
            i = close == std::string_view::npos ? n : close;
        } else {
            semicolons = line[i] == ';';
            commas = commas || line[i] == ',';
        }
    }
    // A line whose fields are separated by "," or ";" may hold blanks inside
    // a field, as spreadsheets write them: "NAD83 / UTM zone 9N",
    // "Coordinate system". Elsewhere blanks separate the fields.
    const bool delimited = semicolons || commas;
    // A "," that stands for a decimal point: in a ";" line, between digits.
    auto decimal_comma = [&](std::size_t i) {
        return semicolons && i > 0 && i + 1 < n && is_digit(line[i - 1]) && is_digit(line[i + 1]);
    };
    auto separator = [&](std::size_t i) { return line[i] == ';' || (line[i] == ',' && !decimal_comma(i)); };

    // The end of the field of a delimited line that starts at `start` and
    // holds a blank at `blank`, when more of it follows the blanks and it
    // holds no quote (which would make its quoting ambiguous); npos when
    // the blanks only come before a separator or the field holds a quote.
    auto blanks_inside = [&](std::size_t start, std::size_t blank) {
        std::size_t stop = blank;
        while (stop < n && !separator(stop))
            ++stop;
        while (is_blank(line[stop - 1]))
            --stop;
        if (stop == blank || line.substr(start, stop - start).find('"') != std::string_view::npos)
            return std::string_view::npos;
        return stop;
    };

    std::size_t i = 0;
    for (;;) {
        // One field: a quoted part kept whole, then anything up to a blank
        // or a separator. In a delimited line a field with blanks inside is
        // written in quotes, each run of blanks one blank.
        bool quoted_part = false;
        if (i < n && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t stop = close == std::string_view::npos ? n : close + 1;
            out.append(line.substr(i, stop - i));
            i = stop;
            quoted_part = true;
        }
        const std::size_t start = i;
        const std::size_t out_start = out.size();
        while (i < n && !is_blank(line[i]) && !separator(i)) {
            out += line[i] == ',' ? '.' : line[i];
            ++i;
        }
        const bool blank_in_field = delimited && !quoted_part && i < n && is_blank(line[i]);
        if (const std::size_t stop = blank_in_field ? blanks_inside(start, i) : std::string_view::npos;
            stop != std::string_view::npos) {
            out.resize(out_start);
            out += '"';
            for (i = start; i < stop; ++i) {
                if (!is_blank(line[i]))
                    out += line[i];
                else if (!is_blank(line[i - 1]))
                    out += ' ';
            }
            out += '"';
        }
        if (i == n)
            break;
        // One separator: blanks, at most one "," or ";", blanks. The line
        // does not end in blanks, so another field follows (empty when the
        // line ends right after a "," or ";").
        while (is_blank(line[i]))
            ++i;
        if (separator(i)) {
            ++i;
            while (i < n && is_blank(line[i]))
                ++i;
        }
        out += ',';
    }
    out += "\r\n";
    return true;
}

// A column name as its role is told from it: without ASCII case, blanks
// and "_" ("Hole_ID" and "hole id" are "holeid").
std::string heading_key(std::string_view name)
{
    std::string key;
    for (const char c : name)
        if (!is_blank(c) && c != '_')
            key += ascii_lower(c);
    return key;
}

// The headings of a column that names the coordinate system of the points.
bool is_system_heading(std::string_view key)
{
    for (const std::string_view known : {"grid", "crs", "epsg", "projection", "coordinatesystem"})
        if (key == known)
            return true;
    return false;
}

// The role a column name gives (its heading_key), as an index into
// XyHeaderLine's roles (number, x, y, z), or -1.
int role_of(std::string_view key)
{
    // Longitude and latitude too: read by position, "Name,Lat,Lon" would
    // give the latitude as X. "Name" is the column of point names; "HoleID",
    // "BHID", "Station_ID" those of collar lists.
    static constexpr std::string_view kWords[4][6] = {
        {"number", "id", "station", "point", "name", "hole"},
        {"x", "east", "easting", "lon", "long", "longitude"},
        {"y", "north", "northing", "lat", "latitude", ""},
        {"z", "elev", "elevation", "height", "", ""},
    };
    for (int role = 0; role < 4; ++role)
        for (const std::string_view known : kWords[role])
            if (!known.empty() && key == known)
                return role;
    return key.ends_with("id") ? 0 : -1;
}

// The first line of a normalised list as a header line: when each of its
// fields is text (no number, not even a quoted one, none empty), its names
// and roles.
std::optional<XyHeaderLine> header_of(std::string_view first_line)
{
    XyHeaderLine header;
    FieldReader fields = FieldReader::from_text(std::string(first_line));
    // Text in memory is always read to its end.
    while (const std::optional<Field> field = *fields.next()) {
        if (field->kind != Field::Kind::Text || field->text.empty() || read_number(field->text))
            return std::nullopt;
        header.names.emplace_back(field->text);
    }
    if (header.names.empty())
        return std::nullopt;
    int* roles[4] = {&header.number, &header.x, &header.y, &header.z};
    bool twice = false;
    for (std::size_t k = 0; k < header.names.size(); ++k) {
        const std::string key = heading_key(header.names[k]);
        const int column = static_cast<int>(k);
        if (is_system_heading(key)) {
            header.systems.push_back({column, header.names[k], key == "epsg", {}, false});
            continue;
        }
        const int role = role_of(key);
        if (role < 0 || (role == 0 && header.number >= 0)) // the first ID column is the Number
            continue;
        twice = twice || *roles[role] >= 0; // a role named twice says nothing sure
        *roles[role] = column;
    }
    if (twice)
        header.number = header.x = header.y = header.z = -1;
    return header;
}

// Gathers the texts that each system column of the header holds on the
// lines of `text`.
void gather_system_texts(std::string text, XyHeaderLine& header)
{
    std::vector<std::string> line_fields;
    auto take_line = [&] {
        for (XySystemColumn& column : header.systems) {
            const auto k = static_cast<std::size_t>(column.column);
            const std::string value = k < line_fields.size() ? line_fields[k] : std::string();
            if (std::find(column.texts.begin(), column.texts.end(), value) != column.texts.end())
                continue;
            if (column.texts.size() < XySystemColumn::kMostTexts)
                column.texts.push_back(value);
            else
                column.more = true;
        }
        line_fields.clear();
    };
    FieldReader fields = FieldReader::from_text(std::move(text));
    std::int64_t line = 1;
    // Text in memory is always read to its end.
    while (const std::optional<Field> field = *fields.next()) {
        if (field->line != line) {
            take_line();
            line = field->line;
        }
        line_fields.emplace_back(field->text);
    }
    if (!line_fields.empty())
        take_line();
}

std::string quoted_names(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + in_quotes(name);
    return text;
}

std::string fields_text(std::size_t count) { return std::to_string(count) + (count == 1 ? " field" : " fields"); }

} // namespace

std::int64_t count_lines(std::string_view text)
{
    std::int64_t ends = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++ends;
        } else if (c == '\r') {
            ++ends;
            if (i + 1 < n && text[i + 1] == '\n')
                ++i;
        }
    }
    const bool unterminated = n > 0 && text[n - 1] != '\n' && text[n - 1] != '\r';
    return ends + (unterminated ? 1 : 0);
}

XyText normalized_xy_text(std::string_view file_text)
{
    file_text = without_byte_order_mark(file_text);
    XyText result;
    // Blank runs shrink, a lone LF grows to CR LF: about the same size.
    result.text.reserve(file_text.size() + file_text.size() / 8 + 2);
    for_each_line(file_text, [&](std::string_view line, std::int64_t number) {
        if (!append_line(line, result.text))
            result.left_out.push_back(number);
        return true;
    });
    return result;
}

Result<XyText> load_xy_file(const std::string& path)
{
    Result<std::string> content = read_whole_file(path);
    if (!content)
        return fail(content.error());
    if (std::memchr(content->data(), '\0', content->size()) != nullptr)
        return fail(path + " is not a text file (it holds NUL bytes)");
    return xy_file_text(*content);
}

XyText xy_file_text(std::string_view file_text)
{
    if (is_sps_text(file_text))
        return sps_xy_text(file_text);
    XyText result = normalized_xy_text(file_text);
    const std::size_t end = result.text.find("\r\n");
    if (end == std::string::npos)
        return result;
    std::optional<XyHeaderLine> header = header_of(std::string_view(result.text).substr(0, end));
    if (!header)
        return result;
    header->line = result.file_line(1);
    result.text.erase(0, end + 2);
    result.left_out.insert(std::lower_bound(result.left_out.begin(), result.left_out.end(), header->line),
                           header->line);
    if (!header->systems.empty())
        gather_system_texts(result.text, *header);
    result.header = std::move(header);
    return result;
}

std::optional<XyLayout> named_layout(const XyText& text)
{
    if (text.sps)
        return XyLayout::SPS;
    if (text.header && text.header->understood())
        return text.header->layout();
    return std::nullopt;
}

std::vector<std::string> xy_text_notes(const XyText& text)
{
    std::vector<std::string> notes;
    if (const std::optional<XyHeaderLine>& header = text.header) {
        std::string names;
        for (const std::string& name : header->names)
            names += (names.empty() ? "" : ", ") + name;
        const std::string line = "Line " + std::to_string(header->line) + " is a header line, not a point: " + names;
        if (header->understood())
            notes.push_back(line + " (file type \"" + std::string(layout_name(header->layout())) + "\").");
        else
            notes.push_back(line + ". Its names do not say which columns hold X and Y: the columns are read in the "
                                   "order of the file type.");
    }
    if (const std::optional<SpsHeader>& sps = text.sps) {
        const SpsNameColumns name = sps_name_columns(sps->revision);
        auto span = [](SpsColumns c) { return std::to_string(c.first) + "-" + std::to_string(c.last); };
        notes.push_back(std::string("SPS file, revision ") + (sps->revision == SpsRevision::V1_0 ? "1.0" : "2.1") +
                        (sps->revision_named ? " (its H00 record)" : " (the columns of its point records)") +
                        ": its R and S records below are the points, with the line name in columns " + span(name.line) +
                        ", the point number in " + span(name.point) + ", the easting in " + span(kSpsEasting) +
                        " and the northing in " + span(kSpsNorthing) + ". Its H and X records are left out.");
        for (const std::string& record : sps->records)
            notes.push_back(record);
        if (!sps->units_not_metres.empty())
            notes.push_back("The grid units are " + sps->units_not_metres +
                            ": the coordinates are converted as they stand, not scaled.");
    }
    return notes;
}

std::optional<XyLayout> layout_named(std::string_view name)
{
    for (const XyLayout layout : {XyLayout::NumberXYZ, XyLayout::NumberXY, XyLayout::XYZ, XyLayout::XY, XyLayout::SPS})
        if (name == layout_name(layout))
            return layout;
    return std::nullopt;
}

std::string_view layout_name(XyLayout layout)
{
    switch (layout) {
    case XyLayout::NumberXYZ: return "Number,X,Y,Z";
    case XyLayout::NumberXY: return "Number,X,Y";
    case XyLayout::XYZ: return "X,Y,Z";
    case XyLayout::SPS: return "SPS";
    case XyLayout::XY: break;
    }
    return "X,Y";
}

int layout_fields(XyLayout layout)
{
    switch (layout) {
    case XyLayout::NumberXYZ: return 4;
    case XyLayout::NumberXY:
    case XyLayout::XYZ: return 3;
    case XyLayout::SPS: return 0;
    case XyLayout::XY: break;
    }
    return 2;
}

Result<XyPoints> read_xy_points(XyText text, XyLayout layout, Progress& progress)
{
    if (layout == XyLayout::SPS) {
        if (!text.sps)
            return fail("the file is no SPS file: it has no H00 record, and its first record is no R or S point "
                        "record with an easting and a northing in columns 47-65");
        return read_sps_points(text, progress);
    }
    if (text.sps)
        return fail("the file is an SPS file, whose records are read by the file type \"SPS\", not \"" +
                    std::string(layout_name(layout)) + "\"");

    Result<XyPoints> made = points_of_lines(count_lines(text.text));
    if (!made)
        return made;

    // Which field of a line holds the Number, X and Y (-1: none), and how
    // many fields a line holds: the layout's, or a header's.
    const bool has_number = layout == XyLayout::NumberXYZ || layout == XyLayout::NumberXY;
    std::size_t wanted = static_cast<std::size_t>(layout_fields(layout));
    std::array<int, 3> column = {has_number ? 0 : -1, has_number ? 1 : 0, has_number ? 2 : 1};
    std::string wanted_by = "the file type \"" + std::string(layout_name(layout)) + "\" takes";
    if (const std::optional<XyHeaderLine>& header = text.header) {
        const std::string line = "line " + std::to_string(header->line);
        if (header->understood()) {
            if (has_number && header->number < 0)
                return fail(line + " names the columns " + quoted_names(header->names) +
                            ", none of them the Number that the file type \"" + std::string(layout_name(layout)) +
                            "\" takes");
            wanted = header->names.size();
            column = {has_number ? header->number : -1, header->x, header->y};
            wanted_by = "the header " + line + " names";
        } else if (header->names.size() != wanted) {
            return fail(line + " names the columns " + quoted_names(header->names) +
                        ", but not which hold X and Y; read in the order of the file type \"" +
                        std::string(layout_name(layout)) + "\", it should hold " + std::to_string(wanted));
        }
    }

    XyPoints& points = *made;
    const auto n = static_cast<std::size_t>(points.count);

    // The fields of one line that the layout uses: Number, X, Y.
    struct Taken {
        Field::Kind kind = Field::Kind::Empty;
        double number = 0;
        std::string text;
    };
    std::array<Taken, 3> taken;

    // Text in memory is always read to its end.
    FieldReader fields = FieldReader::from_text(std::move(text.text));
    std::optional<Field> field = *fields.next();
    for (std::int32_t i = 1; i <= points.count; ++i) {
        if (Status going = lines_read(progress, i); !going)
            return fail(going.error());
        std::size_t count = 0;
        for (; field && field->line == i; field = *fields.next(), ++count) {
            for (std::size_t role = 0; role < column.size(); ++role)
                if (column[role] == static_cast<int>(count))
                    taken[role] = {field->kind, field->number, std::string(field->text)};
        }
        // Messages are made only on failure: most files have none.
        auto where = [&] { return "line " + std::to_string(text.file_line(i)); };
        auto point = [&] { return "point " + std::to_string(i) + ", " + where() + ": "; };
        if (count != wanted)
            return fail(where() + " holds " + fields_text(count) + ", but " + wanted_by + " " + std::to_string(wanted));

        const auto row = static_cast<std::size_t>(i - 1);
        std::int32_t number = i;
        if (has_number) {
            // A Number that is no whole number names the point as written;
            // its number is 0, or a fraction's nearest even.
            Taken& value = taken[0];
            number = 0;
            bool named_by_number = value.kind != Field::Kind::Text || value.text.empty();
            if (value.kind == Field::Kind::Number) {
                const double rounded = std::nearbyint(value.number);
                if (rounded < std::numeric_limits<std::int32_t>::min() ||
                    rounded > std::numeric_limits<std::int32_t>::max())
                    return fail(point() + "Number " + in_quotes(value.text) + " is out of range");
                number = static_cast<std::int32_t>(rounded);
                named_by_number = rounded == value.number;
            }
            if (!named_by_number) {
                if (points.name.empty())
                    points.name.resize(n);
                points.name[row] = std::move(value.text);
            }
        }
        double xy[2] = {};
        for (std::size_t k = 0; k < 2; ++k) {
            const Taken& value = taken[k + 1];
            if (value.kind != Field::Kind::Number)
                return fail(
                    point() + (k == 0 ? "X " : "Y ") +
                    (value.text.empty() ? std::string("is empty") : in_quotes(value.text) + " is not a number"));
            xy[k] = value.number;
        }
        // Z, when the layout has it, is dropped whatever it holds.
        points.x[row] = xy[0];
        points.y[row] = xy[1];
        points.number[row] = number;
    }
    return made;
}

} // namespace marovin
