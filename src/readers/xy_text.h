#pragma once
// XY text files of survey points: one point per line, fields separated by
// commas (after the separator rewrite), in one of four layouts.
//
// Lines end at CR, CR LF or LF. A file's line count is its number of points:
// empty lines count, and a final line end starts no new line unless another
// follows it ("a\r\n" is one line, "a\r\n\r\n" two, the second empty).
//
// Fields are read in sequence across lines by FieldReader (a field ends at a
// comma or a line end, blanks before it are ignored, a quoted field is text,
// an unquoted field that forms a number is a number, an empty line is one
// empty field). A point takes the next fields wherever they
// stand, so a line with more or fewer fields than the layout shifts every
// following point.

#include "base/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

// The text road sends "SU" and "SGY" endings (compared in capitals) to the
// seismic road. ".segy" ends in "EGY" and is not seismic here.
bool is_seismic_name(std::string_view path);

// The separator rewrite: every ";" becomes ","; then, from the left, every
// pair of blanks becomes one "," without overlap (two blanks give ",", three
// ", ", four ",,"). Single blanks and tabs stay. Line ends become CR LF; a
// missing final line end stays missing, so the line count does not change.
std::string comma_separated(std::string_view text);

// Reads the file whole, applies comma_separated and replaces the file
// atomically with the result. A file that cannot be read whole, or that holds
// a NUL byte (not text), fails before anything is written; a failed write
// leaves the file as it was. A file the rewrite does not change is not
// written at all.
Status rewrite_separators(const std::string& path);

// Number of lines as stated above; 0 for an empty text.
std::int64_t count_lines(std::string_view text);

enum class XyLayout { NumberXYZ, NumberXY, XYZ, XY };

// The layout named exactly (case-sensitive) by "Number,X,Y,Z", "Number,X,Y",
// "X,Y,Z" or "X,Y"; nothing for any other text.
std::optional<XyLayout> layout_named(std::string_view name);

// The points of one XY file, point i at index i - 1.
struct XyPoints {
    std::int32_t count = 0;  // the file's line count
    bool rows_read = false;  // false for an unknown layout: no row holds data
    std::vector<double> x;
    std::vector<double> y;
    // The file's Number ("Number" layouts; a Number that is not a number
    // reads as 0, a fraction rounds to the nearest even) or the row index.
    std::vector<std::int32_t> number;
};

// Reads `count_lines(text)` points by the layout named `layout` (see
// layout_named; an unknown name reads no point). Fails, naming the point and
// the line, when X or Y is not a number or the text ends before a point's
// last field; also when the line count does not fit in 32 bits.
Result<XyPoints> read_xy_points(std::string text, std::string_view layout);

// The same from a file; fails naming the file when it cannot be read.
Result<XyPoints> read_xy_file(const std::string& path, std::string_view layout);

} // namespace marovin
