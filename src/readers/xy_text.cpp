#include "readers/xy_text.h"

#include "base/atomic_file.h"
#include "base/whole_file.h"
#include "readers/field_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
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

} // namespace

bool is_seismic_name(std::string_view path)
{
    return ends_with_in_capitals(path, "SU") || ends_with_in_capitals(path, "SGY");
}

std::string comma_separated(std::string_view text)
{
    // Worst case every character is a LF that becomes CR LF.
    std::string out(text.size() * 2, '\0');
    char* o = out.data();
    const char* p = text.data();
    const char* const end = p + text.size();
    // ";" never becomes a blank nor a blank a ";", so both replacements are
    // done in one pass from the left.
    while (p < end) {
        const char c = *p++;
        switch (c) {
        case ';': *o++ = ','; break;
        case ' ':
            if (p < end && *p == ' ') {
                *o++ = ',';
                ++p;
            } else {
                *o++ = ' ';
            }
            break;
        case '\r':
            if (p < end && *p == '\n')
                ++p;
            *o++ = '\r';
            *o++ = '\n';
            break;
        case '\n':
            *o++ = '\r';
            *o++ = '\n';
            break;
        default: *o++ = c;
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

Status rewrite_separators(const std::string& path)
{
    Result<std::string> content = read_whole_file(path);
    if (!content)
        return fail(content.error());
    if (std::memchr(content->data(), '\0', content->size()) != nullptr)
        return fail(path + " is not a text file (it holds NUL bytes); it was left as it was");
    const std::string rewritten = comma_separated(*content);
    if (rewritten == *content)
        return ok();
    Result<AtomicFile> file = AtomicFile::create(path);
    if (!file)
        return fail(file.error());
    file->stream().write(rewritten.data(), static_cast<std::streamsize>(rewritten.size()));
    return file->commit();
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

std::optional<XyLayout> layout_named(std::string_view name)
{
    if (name == "Number,X,Y,Z")
        return XyLayout::NumberXYZ;
    if (name == "Number,X,Y")
        return XyLayout::NumberXY;
    if (name == "X,Y,Z")
        return XyLayout::XYZ;
    if (name == "X,Y")
        return XyLayout::XY;
    return std::nullopt;
}

Result<XyPoints> read_xy_points(std::string text, std::string_view layout_name)
{
    const std::int64_t lines = count_lines(text);
    if (lines > std::numeric_limits<std::int32_t>::max() - 1)
        return fail("the file has more lines than can be read (" + std::to_string(lines) + ")");
    XyPoints points;
    points.count = static_cast<std::int32_t>(lines);
    const std::optional<XyLayout> layout = layout_named(layout_name);
    if (!layout)
        return points;

    const bool has_number = *layout == XyLayout::NumberXYZ || *layout == XyLayout::NumberXY;
    const bool has_z = *layout == XyLayout::NumberXYZ || *layout == XyLayout::XYZ;
    const auto n = static_cast<std::size_t>(points.count);
    points.x.resize(n);
    points.y.resize(n);
    points.number.resize(n);

    FieldReader fields = FieldReader::from_text(std::move(text));
    for (std::int32_t i = 1; i <= points.count; ++i) {
        std::int64_t point_line = 0;
        auto take = [&](const char* what) -> Result<Field> {
            std::optional<Field> field = fields.next();
            if (!field) {
                const std::int64_t line = point_line ? point_line : std::min<std::int64_t>(fields.line(), lines);
                return fail("point " + std::to_string(i) + ", line " + std::to_string(line) +
                            ": the file ends before its " + what);
            }
            if (!point_line)
                point_line = field->line;
            return *field;
        };
        auto coordinate = [&](const char* what) -> Result<double> {
            Result<Field> field = take(what);
            if (!field)
                return fail(field.error());
            if (!field->is_number()) {
                const std::string problem =
                    field->text.empty() ? std::string("is empty") : quoted(field->text) + " is not a number";
                return fail("point " + std::to_string(i) + ", line " + std::to_string(field->line) + ": " + what +
                            " " + problem);
            }
            return field->number;
        };

        std::int32_t number = i;
        if (has_number) {
            Result<Field> field = take("Number");
            if (!field)
                return fail(field.error());
            number = 0; // a Number that is not a number reads as 0
            if (field->is_number()) {
                const double rounded = std::nearbyint(field->number);
                if (rounded < std::numeric_limits<std::int32_t>::min() ||
                    rounded > std::numeric_limits<std::int32_t>::max())
                    return fail("point " + std::to_string(i) + ", line " + std::to_string(field->line) +
                                ": Number " + quoted(field->text) + " is out of range");
                number = static_cast<std::int32_t>(rounded);
            }
        }
        Result<double> x = coordinate("X");
        if (!x)
            return fail(x.error());
        Result<double> y = coordinate("Y");
        if (!y)
            return fail(y.error());
        if (has_z) {
            // Z is read to keep the sequence and then dropped; any text will do.
            Result<Field> z = take("Z");
            if (!z)
                return fail(z.error());
        }
        const auto k = static_cast<std::size_t>(i - 1);
        points.x[k] = *x;
        points.y[k] = *y;
        points.number[k] = number;
    }
    points.rows_read = true;
    return points;
}

Result<XyPoints> read_xy_file(const std::string& path, std::string_view layout)
{
    Result<std::string> content = read_whole_file(path);
    if (!content)
        return fail(content.error());
    Result<XyPoints> points = read_xy_points(std::move(*content), layout);
    if (!points)
        return fail(path + ", " + points.error());
    return points;
}

} // namespace marovin
