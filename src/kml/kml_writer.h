#pragma once
// The KML 2.2 document of a point table: one Placemark per row, a name and a
// description on every k-th row.
//
// Layout, every line ended by CR LF, UTF-8 without byte-order mark:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <kml xmlns="http://www.opengis.net/kml/2.2">
//   <extrude>0</extrude>
//   <tessellate>0</tessellate>
//   <Document>
//        <IconStyle>                (five blanks: the only indented line)
//   <Icon>
//   <href>...yellow pushpin...</href>
//   <scale>0.2</scale>
//   </Icon>
//   </IconStyle>
//   then per row i = 1..nb_points:
//   <Placemark>
//   <name>PREFIX NUMBER</name>      (only when i is a multiple of k)
//   <description>TEXT</description> (only when i is a multiple of k)
//   <Point>
//   <coordinates> LON, LAT</coordinates>
//   </Point>
//   </Placemark>
//   </Document>
//   </kml>
//
// Numbers follow number_text() (a leading blank for zero and above), so the
// prefix "Station" and point 5 give "<name>Station 5</name>". The prefix and
// the description are inserted as typed except for what xml_escape() changes,
// so that any text gives a well-formed document.
//
// 13 fixed lines, 7 lines per labelled point, 5 per other point.

#include "conversion/point_table.h"
#include "base/result.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace marovin {

inline constexpr std::string_view kKmlNamespace = "http://www.opengis.net/kml/2.2";
inline constexpr std::string_view kKmlIconUrl = "http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png";

// The smallest and largest label frequency the window accepts (the count of a
// table is a signed 16-bit number, so a larger frequency labels nothing).
inline constexpr int kMinLabelFrequency = 1;
inline constexpr int kMaxLabelFrequency = 32767;

// The numeric value at the start of a text, read like the label frequency
// combo is read: blanks, tabs and line feeds are skipped wherever they stand;
// then an optional sign, digits with "." as the decimal point whatever the
// locale, and an optional exponent ("E" or "D", optional sign, digits).
// Reading stops at the first character that cannot continue the number; a
// text without a leading number gives 0. "10 points" -> 10, "1 2" -> 12,
// "- 2.5e1x" -> -25, "abc" -> 0. May give an infinity for huge exponents.
double leading_number(std::string_view text);

// leading_number() rounded to the nearest whole number, halves going to the
// even neighbour: "2.5" -> 2, "3.5" -> 4, "-2.5" -> -2. Kept as a double so
// that huge readings stay out of range instead of wrapping.
double label_frequency_reading(std::string_view text);

// The label frequency of a combo text, or an error saying that it must be a
// whole number from 1 to 32767 when the reading falls outside.
Result<int> label_frequency(std::string_view text);

// Text as XML character data: "&", "<" and ">" written as "&amp;", "&lt;"
// and "&gt;"; what no XML document may hold (control characters other than
// tab, line feed and carriage return, bytes that are not UTF-8, U+FFFE and
// U+FFFF) becomes U+FFFD, one for each such character or stray byte; every
// other byte is kept.
std::string xml_escape(std::string_view text);

struct KmlLabels {
    int frequency = 5;       // a row i is labelled when i % frequency == 0
    std::string prefix;      // before the point number in <name>, as typed
    std::string description; // <description> of labelled points, as typed
};

// Writes the document of rows 1..nb_points to `out`, streaming: only a buffer
// of some hundred kilobytes is held, never the whole document.
//
// Before writing anything it checks that the labels' frequency is at least
// 1, that every row 1..nb_points exists and that its columns 1..3 hold finite
// numbers; otherwise it fails naming the row and writes nothing. It also
// fails when the stream reports a write error (the stream then holds part of
// the document).
Status write_kml_document(std::ostream& out, const PointTable& table, std::int32_t nb_points,
                          const KmlLabels& labels);

// Writes the document to `path` atomically: an existing file is replaced
// only when the whole document was written; on any failure the path keeps
// what it held (or stays absent) and the message names the path.
Status write_kml_file(const std::string& path, const PointTable& table, std::int32_t nb_points,
                      const KmlLabels& labels);

} // namespace marovin
