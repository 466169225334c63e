#pragma once
// XY text files of survey points: one point per line, in one of four
// layouts. The user's file is only ever read: its text is normalised in
// memory into one plain form, which is what the "Information" tab shows and
// what the conversion reads.

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

// Number of lines of a text: lines end at CR, CR LF or LF, empty lines
// count, and a final line end starts no new line ("a\r\n" is one line,
// "a\r\n\r\n" two, the second empty); 0 for an empty text.
std::int64_t count_lines(std::string_view text);

// An XY file's text in the form the reader takes, and where its lines came
// from in the file.
struct XyText {
    // One point per line; fields separated by ","; "." as decimal point;
    // every line ended by CR LF and holding at least one character.
    std::string text;
    // The lines of the file that were left out (blank), 1-based, ascending.
    std::vector<std::int64_t> left_out;

    // The line of the file that line `line` (1-based) of `text` came from.
    std::int64_t file_line(std::int64_t line) const;
};

// Normalises the text of an XY file, the way surveyors' files are written.
// Line by line (a line ends at CR, CR LF or LF):
//   - a UTF-8 byte-order mark at the start of the text is dropped;
//   - blanks and tabs at the start and end of a line are dropped, and a line
//     left empty is not a point: it is left out (blank lines between or
//     after the points, such as the one a final empty line makes);
//   - a line holding ";" separates its fields with ";", and there a ","
//     between two digits is a decimal point ("496000,55" is 496000.55); any
//     other "," in it separates fields too. A line without ";" separates its
//     fields with "," and keeps "." as decimal point;
//   - a run of blanks and tabs separates fields, and the blanks around a ","
//     or ";" belong to it: "1 ; 2", "1,  2", "1   2" and "1\t2" each hold
//     two fields. Two separators in a row ("1;;2") hold an empty field;
//   - a field that starts with a double quote is kept as it is up to its
//     closing quote (or the line end), blanks and separators included.
// The result is a pure function of `file_text` and never fails. Its line
// count, count_lines(result.text), is the number of points read_xy_points
// reads from it: one per line of the file that is not blank.
XyText normalized_xy_text(std::string_view file_text);

// Reads an XY file whole and normalises it. Fails, naming the file, when it
// cannot be read whole or is not text (it holds a NUL byte). The file is
// never written.
Result<XyText> load_xy_file(const std::string& path);

enum class XyLayout { NumberXYZ, NumberXY, XYZ, XY };

// The layout named exactly (case-sensitive) by "Number,X,Y,Z", "Number,X,Y",
// "X,Y,Z" or "X,Y"; nothing for any other text.
std::optional<XyLayout> layout_named(std::string_view name);
std::string_view layout_name(XyLayout layout);
// How many fields a line of that layout holds.
int layout_fields(XyLayout layout);

// The points of one XY file, point i at index i - 1.
struct XyPoints {
    std::int32_t count = 0;
    std::vector<double> x;
    std::vector<double> y;
    // The file's Number with the "Number" layouts (a Number that is not a
    // number reads as 0, a fraction rounds to the nearest even), the point's
    // index 1, 2, 3 ... with the others.
    std::vector<std::int32_t> number;
};

// Reads one point from each line of `text`, so `count` is
// count_lines(text.text). Every line must hold exactly the fields of
// `layout`; X and Y must be numbers (Z may be anything and is dropped).
// Failures name the first line at fault by its line in the file: a line
// with another number of fields (with its count and the layout), an X or Y
// that is not a number, a Number out of the 32-bit range; also a text of
// more lines than a 32-bit count holds.
Result<XyPoints> read_xy_points(XyText text, XyLayout layout);

} // namespace marovin
