#include "readers/xy_text.h"

#include "base/whole_file.h"
#include "base/field_reader.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace marovin {
namespace {

char ascii_upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool ends_with_in_capitals(std::string_view path, std::string_view ending)
{
    if (path.size() < ending.size())
        return false;
    const std::string_view tail = path.substr(path.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (ascii_upper(tail[i]) != ending[i])
            return false;
    return true;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Appends the normalised form of one line (without its line end) and its CR
// LF to `out`. False, with nothing appended, for a blank line.
bool append_line(std::string_view line, std::string& out)
{
    std::size_t begin = 0, end = line.size();
    while (begin < end && is_blank(line[begin]))
        ++begin;
    while (end > begin && is_blank(line[end - 1]))
        --end;
    if (begin == end)
        return false;
    line = line.substr(begin, end - begin);

    const std::size_t n = line.size();
    // A ";" inside a quoted part (a station's name) is text: it does not
    // make the line a ";" line. A quoted part opens at the start of a field,
    // that is at the line's start or after a blank, "," or ";".
    bool semicolons = false;
    for (std::size_t i = 0; i < n && !semicolons; ++i) {
        if (line[i] == '"' && (i == 0 || is_blank(line[i - 1]) || line[i - 1] == ',' || line[i - 1] == ';')) {
            const std::size_t close = line.find('"', i + 1);
            i = close == std::string_view::npos ? n : close;
        } else {
            semicolons = line[i] == ';';
        }
    }
    // A "," that stands for a decimal point: in a ";" line, between digits.
    auto decimal_comma = [&](std::size_t i) {
        return semicolons && i > 0 && i + 1 < n && is_digit(line[i - 1]) && is_digit(line[i + 1]);
    };
    auto separator = [&](std::size_t i) { return line[i] == ';' || (line[i] == ',' && !decimal_comma(i)); };

    std::size_t i = 0;
    for (;;) {
        // One field: a quoted part kept whole, then anything up to a blank
        // or a separator.
        if (i < n && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t stop = close == std::string_view::npos ? n : close + 1;
            out.append(line.substr(i, stop - i));
            i = stop;
        }
        while (i < n && !is_blank(line[i]) && !separator(i)) {
            out += line[i] == ',' ? '.' : line[i];
            ++i;
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

} // namespace

bool is_seismic_name(std::string_view path)
{
    return ends_with_in_capitals(path, "SU") || ends_with_in_capitals(path, "SGY");
}

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

std::int64_t XyText::file_line(std::int64_t line) const
{
    // Every line left out before the answer pushes it one further.
    for (const std::int64_t out : left_out) {
        if (out > line)
            break;
        ++line;
    }
    return line;
}

XyText normalized_xy_text(std::string_view file_text)
{
    if (file_text.starts_with(kByteOrderMark))
        file_text.remove_prefix(kByteOrderMark.size());
    XyText result;
    // Blank runs shrink, a lone LF grows to CR LF: about the same size.
    result.text.reserve(file_text.size() + file_text.size() / 8 + 2);
    const std::size_t n = file_text.size();
    std::size_t pos = 0;
    std::int64_t line = 0;
    while (pos < n) {
        std::size_t end = pos;
        while (end < n && file_text[end] != '\r' && file_text[end] != '\n')
            ++end;
        ++line;
        if (!append_line(file_text.substr(pos, end - pos), result.text))
            result.left_out.push_back(line);
        pos = end;
        if (pos < n)
            pos += file_text[pos] == '\r' && pos + 1 < n && file_text[pos + 1] == '\n' ? 2 : 1;
    }
    return result;
}

Result<XyText> load_xy_file(const std::string& path)
{
    Result<std::string> content = read_whole_file(path);
    if (!content)
        return fail(content.error());
    if (std::memchr(content->data(), '\0', content->size()) != nullptr)
        return fail(path + " is not a text file (it holds NUL bytes)");
    return normalized_xy_text(*content);
}

std::optional<XyLayout> layout_named(std::string_view name)
{
    for (const XyLayout layout : {XyLayout::NumberXYZ, XyLayout::NumberXY, XyLayout::XYZ, XyLayout::XY})
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
    case XyLayout::XY: break;
    }
    return 2;
}

Result<XyPoints> read_xy_points(XyText text, XyLayout layout)
{
    const std::int64_t lines = count_lines(text.text);
    if (lines > std::numeric_limits<std::int32_t>::max() - 1)
        return fail("the file has more points than can be read (" + std::to_string(lines) + ")");
    XyPoints points;
    points.count = static_cast<std::int32_t>(lines);
    const auto n = static_cast<std::size_t>(points.count);
    points.x.resize(n);
    points.y.resize(n);
    points.number.resize(n);

    const bool has_number = layout == XyLayout::NumberXYZ || layout == XyLayout::NumberXY;
    const int wanted = layout_fields(layout);

    // The fields of one line, as far as the layout uses them.
    struct Taken {
        bool is_number = false;
        double number = 0;
        std::string text;
    };
    std::array<Taken, 4> taken;

    FieldReader fields = FieldReader::from_text(std::move(text.text));
    std::optional<Field> field = fields.next();
    for (std::int32_t i = 1; i <= points.count; ++i) {
        int count = 0;
        for (; field && field->line == i; field = fields.next(), ++count) {
            if (count < wanted)
                taken[static_cast<std::size_t>(count)] = {field->is_number(), field->number, std::string(field->text)};
        }
        // Messages are made only on failure: most files have none.
        auto where = [&] { return "line " + std::to_string(text.file_line(i)); };
        auto point = [&] { return "point " + std::to_string(i) + ", " + where() + ": "; };
        if (count != wanted)
            return fail(where() + " holds " + std::to_string(count) + (count == 1 ? " field" : " fields") +
                        ", but the file type \"" + std::string(layout_name(layout)) + "\" takes " +
                        std::to_string(wanted));

        std::int32_t number = i;
        std::size_t next = 0;
        if (has_number) {
            const Taken& value = taken[next++];
            number = 0; // a Number that is not a number reads as 0
            if (value.is_number) {
                const double rounded = std::nearbyint(value.number);
                if (rounded < std::numeric_limits<std::int32_t>::min() ||
                    rounded > std::numeric_limits<std::int32_t>::max())
                    return fail(point() + "Number " + quoted(value.text) + " is out of range");
                number = static_cast<std::int32_t>(rounded);
            }
        }
        double xy[2] = {};
        for (int k = 0; k < 2; ++k) {
            const Taken& value = taken[next++];
            if (!value.is_number)
                return fail(point() + (k == 0 ? "X " : "Y ") +
                            (value.text.empty() ? std::string("is empty") : quoted(value.text) + " is not a number"));
            xy[k] = value.number;
        }
        // Z, when the layout has it, is dropped whatever it holds.
        const auto row = static_cast<std::size_t>(i - 1);
        points.x[row] = xy[0];
        points.y[row] = xy[1];
        points.number[row] = number;
    }
    return points;
}

} // namespace marovin
