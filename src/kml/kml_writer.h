#pragma once
// The KML 2.2 document of a point table: one Placemark per point, a name and
// a description on every k-th point, every placemark drawn with one shared icon
// style (the yellow pushpin at a fifth of its size).
//
// Layout, every line ended by CR LF, UTF-8 without byte-order mark:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <kml xmlns="http://www.opengis.net/kml/2.2">
//   <Document>
//   <Style id="pushpin">
//   <IconStyle>
//   <scale>0.2</scale>
//   <Icon>
//   <href>...yellow pushpin...</href>
//   </Icon>
//   </IconStyle>
//   </Style>
//   then per point i = 1..n of the table:
//   <Placemark>
//   <name>PREFIX NUMBER</name>      (only when i is a multiple of k)
//   <description>TEXT</description> (only when i is a multiple of k)
//   <styleUrl>#pushpin</styleUrl>
//   <Point>
//   <coordinates>LON,LAT</coordinates>
//   </Point>
//   </Placemark>
//   </Document>
//   </kml>
//
// The point number in a name follows number_text() (a leading blank for zero
// and above), so the prefix "Station" and point 5 give
// "<name>Station 5</name>". A point named by text (PointTable::name) gets the
// prefix, a blank and that name: "<name>Station BX23-001</name>". The
// coordinates are "lon,lat" with no blank anywhere in the tuple, as KML
// requires (readers take a blank as the end of a tuple): plain_number_text()
// of each, "2.35,48.8566", "-.25,.5". The prefix, the names and the
// description are written as XML text (see xml_text()), so any text gives a
// well-formed document.
//
// 13 fixed lines, 8 lines per labelled point, 6 per other point.

#include "base/progress.h"
#include "base/result.h"
#include "conversion/point_table.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace marovin {

inline constexpr std::string_view kKmlNamespace = "http://www.opengis.net/kml/2.2";
inline constexpr std::string_view kKmlIconUrl = "http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png";
inline constexpr std::string_view kKmlStyleId = "pushpin";

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

// A text typed by the user as XML character data: "&", "<" and ">" become
// "&amp;", "&lt;" and "&gt;"; control bytes other than tab, line feed and
// carriage return are dropped (XML cannot hold them, not even as
// references); bytes that do not form UTF-8 and the non-characters U+FFFE and
// U+FFFF become U+FFFD, the replacement character, one for each maximal
// invalid subsequence as Unicode recommends. Everything else is kept.
std::string xml_text(std::string_view text);

struct KmlLabels {
    int frequency = 5;       // point i (1-based) is labelled when i % frequency == 0
    std::string prefix;      // before the point number in <name>, as typed
    std::string description; // <description> of labelled points, as typed
};

// Writes the document of every point of the table to `out`, streaming:
// only a buffer of a megabyte is held, never the whole document.
//
// Before writing anything it checks that the labels' frequency is at least
// 1 and that every point's longitude and latitude are finite numbers;
// otherwise it fails naming the point's row (1-based) and writes nothing.
// It also fails when the stream reports a write error (the stream then
// holds part of the document).
//
// Tells `progress` the step WritingKml, in points written; when it asks to
// stop, stops within a tenth of a second or so and fails with kCancelled
// (the stream then holds part of the document).
Status write_kml_document(std::ostream& out, const PointTable& table, const KmlLabels& labels,
                          Progress& progress = no_progress());

// Writes the document to `path` atomically: an existing file is replaced
// only when the whole document was written; on any failure the path keeps
// what it held (or stays absent) and the message names the path. A write
// the progress stops fails with kCancelled and leaves no file behind, not
// even a temporary one.
Status write_kml_file(const std::string& path, const PointTable& table, const KmlLabels& labels,
                      Progress& progress = no_progress());

} // namespace marovin
