#pragma once
// SPS point records built from the column tables of the format's two
// revisions (SEG, SPS revision 1.0 of 1993 and 2.1 of 2006), for the reader
// tests and the window tests. The tables are written here again, from the
// standard, rather than taken from the reader.

#include <cstdio>
#include <string>

namespace sps_shapes {

struct Revision {
    const char* name;
    int line_first, line_last;   // line name: text, left adjusted (1.0) or a number, right adjusted (2.1)
    int point_first, point_last; // point number, right adjusted
    int index;                   // point index
    bool line_left_adjusted;
    const char* h00; // the H00 record that names the revision
};

inline constexpr Revision kRevision1{"1.0", 2, 17, 18, 25, 26, true,
                                     "H00 SPS format version number     SPS001,07.17.21;"};
inline constexpr Revision kRevision2{"2.1", 2, 11, 12, 21, 24, false,
                                     "H00 SPS format version number     SPS 2.1"};

// Puts `text` into columns first..last (1-based) of `record`.
inline void put(std::string& record, int first, int last, const std::string& text, bool left)
{
    const auto width = static_cast<std::size_t>(last - first + 1);
    const std::size_t at = static_cast<std::size_t>(first - 1) + (left ? 0 : width - text.size());
    record.replace(at, text.size(), text);
}

inline std::string fixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// An 80-column point record: id "R" or "S", map grid easting 47-55 (F9.1),
// northing 56-65 (F10.1), elevation 66-71 (F6.1), day and time blank.
inline std::string record(const Revision& r, char id, const std::string& line, const std::string& point,
                          double easting, double northing, double elevation = 100)
{
    std::string text(80, ' ');
    text[0] = id;
    put(text, r.line_first, r.line_last, line, r.line_left_adjusted);
    put(text, r.point_first, r.point_last, point, false);
    text[static_cast<std::size_t>(r.index - 1)] = '1';
    put(text, 47, 55, fixed(easting, 1), false);
    put(text, 56, 65, fixed(northing, 1), false);
    put(text, 66, 71, fixed(elevation, 1), false);
    return text;
}

} // namespace sps_shapes
