#pragma once
// Surveyors' files built by the tests: the shapes in which XY lists arrive,
// and SPS point records of the format's two revisions (SEG, SPS revision 1.0
// of 1993 and 2.1 of 2006), their columns written here again from the
// standard rather than taken from the reader.

#include <string>
#include <vector>

namespace support {

// --- XY lists -----------------------------------------------------------------

// Four receiver stations of the sample line (UTM zone 32 north, WGS 84):
// station n at X = 496000.55 + 20 (n - 1001), Y = 5314000.25 + 15 (n - 1001),
// height 450.5, for n = 1001 to 1004.
constexpr int kFirstStation = 1001;
constexpr int kStations = 4;

inline double station_x(int n) { return 496000.55 + 20.0 * (n - kFirstStation); }
inline double station_y(int n) { return 5314000.25 + 15.0 * (n - kFirstStation); }

// Lines of the stations: fields joined by `separator`, `point` as decimal
// point, each line ended by `end`; `width` > 0 right-aligns every field.
std::string station_lines(const std::string& separator, char point, const std::string& end, int width = 0);

// What every shape reads as: "," between fields, "." as decimal point, CR LF.
inline std::string normalised_stations() { return station_lines(",", '.', "\r\n"); }

struct XyShape {
    std::string name;
    std::string bytes;
};

// The same stations in every shape a surveyor's file comes in.
std::vector<XyShape> xy_file_shapes();

// --- SPS point records ----------------------------------------------------------

struct SpsColumns {
    const char* name;
    int line_first, line_last;   // line name: text, left adjusted (1.0) or a number, right adjusted (2.1)
    int point_first, point_last; // point number, right adjusted
    int index;                   // point index
    bool line_left_adjusted;
    const char* h00; // the H00 record that names the revision
};

inline constexpr SpsColumns kSps1{"1.0", 2, 17, 18, 25, 26, true, "H00 SPS format version number     SPS001,07.17.21;"};
inline constexpr SpsColumns kSps2{"2.1", 2, 11, 12, 21, 24, false, "H00 SPS format version number     SPS 2.1"};

// An 80-column point record: id "R" or "S", map grid easting 47-55 (F9.1),
// northing 56-65 (F10.1), elevation 66-71 (F6.1), day and time blank.
std::string sps_record(const SpsColumns& columns, char id, const std::string& line, const std::string& point,
                       double easting, double northing, double elevation = 100);

} // namespace support
