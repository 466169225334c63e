#pragma once
// XY text files of survey points: lists of one point per line, in one of
// four layouts (perhaps under a header line that names the columns), and the
// point files of the SPS format. The user's file is only ever read: its text
// is normalised in memory into one plain form, which is what the
// "Information" tab shows and what the conversion reads.

#include "base/progress.h"
#include "base/result.h"
#include "readers/xy_data.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

// Number of lines of a text: lines end at CR, CR LF or LF, empty lines
// count, and a final line end starts no new line ("a\r\n" is one line,
// "a\r\n\r\n" two, the second empty); 0 for an empty text.
std::int64_t count_lines(std::string_view text);

// Normalises the text of a list of points, the way surveyors' files are
// written.
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
//   - but in a line that holds a "," or ";" separator, blanks between the
//     characters of a field belong to it: the field is written in quotes,
//     each run of blanks and tabs one blank ("NAD83 / UTM zone 9N;1" gives
//     "\"NAD83 / UTM zone 9N\",1"), unless it holds a double quote;
//   - a field that starts with a double quote is kept as it is up to its
//     closing quote (or the line end), blanks and separators included.
// The result is a pure function of `file_text` and never fails. Its line
// count, count_lines(result.text), is the number of points read_xy_points
// reads from it: one per line of the file that is not blank.
XyText normalized_xy_text(std::string_view file_text);

// The text of an XY file as the text road takes it:
//   - an SPS file (is_sps_text, sps_records.h) keeps its records as they
//     stand, tabs expanded to the next multiple of 8 columns as an editor
//     shows them, every line ended by CR LF; its blank lines and its H and X records
//     are left out, and `sps` tells what its H records say;
//   - any other file is normalised as normalized_xy_text does it; when the
//     first line left holds only text (no number, quoted or not, and no
//     empty field), it names the columns: it is left out of `text` and kept
//     in `header`, with the texts its system columns hold on the lines.
// A pure function of `file_text`; it never fails.
XyText xy_file_text(std::string_view file_text);

// Reads an XY file whole and gives xy_file_text() of it. Fails, naming the
// file, when it cannot be read whole or is not text (it holds a NUL byte).
// The file is never written.
Result<XyText> load_xy_file(const std::string& path);

// The layout named exactly (case-sensitive) by "Number,X,Y,Z", "Number,X,Y",
// "X,Y,Z", "X,Y" or "SPS"; nothing for any other text.
std::optional<XyLayout> layout_named(std::string_view name);
std::string_view layout_name(XyLayout layout);
// How many fields a line of that layout holds (0 for SPS, whose records
// have columns instead).
int layout_fields(XyLayout layout);

// The layout that a file names itself: SPS for an SPS file, the layout of
// the roles of a header line whose names say where the columns stand.
std::optional<XyLayout> named_layout(const XyText& text);

// What the file says of itself apart from its points, one line each, to be
// shown above them (the header line, the SPS revision and H records); none
// for a plain list.
std::vector<std::string> xy_text_notes(const XyText& text);

// Reads one point from each line of `text`, so `count` is
// count_lines(text.text).
//
// A list: every line must hold exactly the fields of `layout`, or, after a
// header line whose names say where the columns stand, the header's fields;
// the columns are then taken in the roles the header names, whatever their
// order, and the others are ignored. X and Y must be numbers (Z may be
// anything and is dropped).
//
// SPS: the text must be an SPS file's; every line must be an R or S point
// record holding its easting (columns 47-55) and northing (56-65); the
// revision gives the line name and point number (see sps_records.h).
//
// Failures name the first line at fault by its line in the file: a line with
// another number of fields (with its count and the layout), an X or Y that
// is not a number, a Number out of the 32-bit range, an SPS record that is
// no point record, too short or without a number for its easting or
// northing; a header whose names do not say where the columns stand when its
// count of fields is not the layout's (naming its fields), one that names no
// Number column for a "Number" layout; a list read as SPS, an SPS file read
// as a list, an SPS file without point records; also a text of more lines
// than a 32-bit count holds.
//
// The lines read are told to `progress`, in blocks; once it is cancelled
// the read stops and fails with kCancelled.
Result<XyPoints> read_xy_points(XyText text, XyLayout layout, Progress& progress = no_progress());

} // namespace marovin
