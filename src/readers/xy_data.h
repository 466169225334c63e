#pragma once
// What the readers of XY text files hand on: the text of a file in the form
// the reader takes, with what the file says of itself, and its points. Kept
// apart from the readers (xy_text.h, sps_records.h), which all use them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace marovin {

enum class XyLayout { NumberXYZ, NumberXY, XYZ, XY, SPS };

// The two revisions of SEG's SPS format (Shell Processing Support) for
// survey points. They differ only in where the line name and the point
// number stand; see sps_records.h.
enum class SpsRevision { V1_0, V2_1 };

// A column of a list headed as the coordinate system of its points ("Grid",
// "CRS", "EPSG", "Projection" or "Coordinate system"), and what its lines
// hold there. The reader only gives the texts; which system a text names
// is decided where the systems are known.
struct XySystemColumn {
    int column = -1;     // 0-based
    std::string heading; // as written
    // Headed "EPSG": a bare number there is an EPSG code.
    bool codes = false;
    // The texts of the column, each once, in the order of the lines: one
    // text when every line holds the same. A line too short to reach the
    // column gives an empty text. At most kMostTexts are kept; `more` tells
    // that the lines hold others beside them.
    static constexpr std::size_t kMostTexts = 8;
    std::vector<std::string> texts;
    bool more = false;

    bool operator==(const XySystemColumn&) const = default;
};

// A first line that names the columns of a list ("Station,Easting,Northing"):
// every field of it is text.
struct XyHeaderLine {
    std::int64_t line = 0;          // its line in the file
    std::vector<std::string> names; // its fields, as written (without quotes)
    // The column (0-based) of each role its names give, -1 for none. Names
    // are compared without ASCII case, blanks and "_":
    //   - Number: the first of number, id, station, point, name, hole, or a
    //     name ending in "id" ("HoleID", "Hole_ID", "BHID", "Point ID") that
    //     is no system column's heading ("Grid");
    //   - X: x, east, easting, lon, long, longitude;
    //   - Y: y, north, northing, lat, latitude;
    //   - Z: z, elev, elevation, height.
    // The names say where the columns stand when they give X and Y, and X,
    // Y and Z each at most once.
    int number = -1, x = -1, y = -1, z = -1;
    // The columns headed as the coordinate system, in the order of the line.
    std::vector<XySystemColumn> systems;

    bool understood() const { return x >= 0 && y >= 0; }
    // The layout of the roles named (meaningful when understood()).
    XyLayout layout() const;
};

// What the H records of an SPS file say.
struct SpsHeader {
    SpsRevision revision = SpsRevision::V2_1;
    // Whether an H00 record named the revision (otherwise the columns of the
    // point records told it).
    bool revision_named = false;
    // The H records on the geodetic system, projection and grid units that
    // say something, as they stand (trailing blanks dropped), in file order.
    std::vector<std::string> records;
    // "EPSG:n" when the H records name exactly one EPSG code; else empty.
    std::string epsg;
    // The grid units when the H records give other units than metres (the
    // units named, and the factor to metre when given); else empty.
    std::string units_not_metres;
};

// An XY file's text in the form the reader takes, and where its lines came
// from in the file.
struct XyText {
    // One point per line, every line ended by CR LF and holding at least one
    // character. For a list: fields separated by ","; "." as decimal point.
    // For an SPS file: its records other than H and X records, as the file
    // has them (tabs expanded), so that their columns stand where they were.
    std::string text;
    // The lines of the file that were left out (blank lines, a header line,
    // the H and X records of an SPS file), 1-based, ascending.
    std::vector<std::int64_t> left_out;
    // The first line of a list when it names the columns.
    std::optional<XyHeaderLine> header;
    // The header of an SPS file; set exactly when the text is one.
    std::optional<SpsHeader> sps;

    // The line of the file that line `line` (1-based) of `text` came from.
    std::int64_t file_line(std::int64_t line) const;
};

// A run of consecutive points that a file names as one line (an SPS
// file's line name): its first point (0-based) and the name. The run ends
// where the next one starts.
struct NamedLine {
    std::size_t first = 0;
    std::string name;
};

// The points of one XY file, point i at index i - 1.
struct XyPoints {
    std::int32_t count = 0;
    std::vector<double> x;
    std::vector<double> y;
    // The point's number: the file's Number with the "Number" layouts (0
    // when it is no number, a fraction rounded to the nearest even), the SPS
    // point number likewise, the point's index 1, 2, 3 ... otherwise.
    std::vector<std::int32_t> number;
    // The names that are text: empty when every point is named by its
    // number; otherwise one per point, empty for a point named by its
    // number. A Number is the name as written unless it is a whole number
    // (or empty): "BX23-001", "1001.5". An SPS point is named by its point
    // number, "line/point" when the file holds several line names.
    std::vector<std::string> name;
    // SPS: the runs of records under one line name, in file order (a name
    // that comes back after another starts a run of its own); empty for a
    // list.
    std::vector<NamedLine> lines;
};

} // namespace marovin
