#pragma once
// The point files of SEG's SPS format (Shell Processing Support, revision
// 1.0 of 1993 and 2.1 of 2006): fixed-column text records of 80 characters,
// "H" header records first, then "R" (receiver) and "S" (source) point
// records, and "X" relation records in the relation file.
//
// Columns of a point record, 1-based and inclusive:
//
//   field              revision 1.0   revision 2.1
//   record id ("R"/"S")     1              1
//   line name             2-17           2-11
//   point number         18-25          12-21
//   point index            26             24
//   map grid easting     47-55          47-55
//   map grid northing    56-65          56-65
//   surface elevation    66-71          66-71
//
// Revision 1.0 names the line with 16 characters of text, left adjusted
// ("LINE_001"), and the point with 8 characters, right adjusted; revision 2.1
// writes both as right-adjusted numbers of ten columns ("    100.00") and
// leaves columns 22-23 unused. Only the name of a point depends on the
// revision: easting and northing stand in the same columns in both.
//
// The header records used: H00 (the format version), H12 to H24 (geodetic
// datum, coordinate system, projection, grid units "H20" and factor to metre
// "H201", origin and scale), and any H record naming an EPSG code. A header
// record holds its code in columns 1-4, a description in 5-32 and its value
// from column 33 on, though writers are loose about the last boundary.

#include "base/progress.h"
#include "base/result.h"
#include "readers/xy_data.h"

#include <string_view>

namespace marovin {

struct SpsColumns {
    int first; // 1-based
    int last;  // inclusive
};

inline constexpr SpsColumns kSpsEasting{47, 55};
inline constexpr SpsColumns kSpsNorthing{56, 65};

struct SpsNameColumns {
    SpsColumns line;
    SpsColumns point;
};

SpsNameColumns sps_name_columns(SpsRevision revision);

// Whether a file's text is an SPS file: its first line that is not blank is
// an H00 record (one that names "SPS": "H00 SPS format version number  SPS
// 2.1"), or the first line that is neither blank nor an H or X record is an
// R or S record holding numbers in its easting and northing columns.
bool is_sps_text(std::string_view file_text);

// The XyText of an SPS file, as xy_file_text gives it.
XyText sps_xy_text(std::string_view file_text);

// Points 1..lines of a text, all 0 for now; fails when more than a 32-bit
// count holds. Shared by the readers of lists and of SPS files.
Result<XyPoints> points_of_lines(std::int64_t lines);

// Tells `progress` that `line` lines are read, once every few thousand
// lines, and fails with kCancelled once it is cancelled. Shared likewise.
Status lines_read(Progress& progress, std::int32_t line);

// The points of an XyText that sps_xy_text() made, as read_xy_points reads
// them with the layout SPS.
Result<XyPoints> read_sps_points(const XyText& text, Progress& progress = no_progress());

} // namespace marovin
