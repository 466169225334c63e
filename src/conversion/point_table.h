#pragma once
// The points of a conversion run, as the KML writer and the grid of the
// "Data File" tab read them: plain columns of equal length, point i at
// index i - 1 of each.
//
//   longitude, latitude  WGS84 decimal degrees
//   number               the label word of the trace, or the file's Number
//   names                the names that are text ("BX23-001", "2001/1001"),
//                        shown in place of the number; none at all when
//                        every point is named by its number
//   ground               where the points lie in the source system, for
//                        drawing the survey's lines and outline (a KMZ)
//
// Ten million points cost 200 MB, and 160 MB more with their ground
// coordinates; a table whose points are all named by their numbers pays
// nothing for names.

#include "readers/xy_data.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

// The points on the ground, in the source system of a conversion run.
struct SurveyGround {
    // X (east) and Y (north) in the source system's metres, one per point;
    // both empty when the system gives angles (longitudes and latitudes),
    // which the KMZ writer then measures itself.
    std::vector<double> x;
    std::vector<double> y;
    // The runs of points the file names as lines (an SPS file's line
    // names); empty when the lines are to be told by their steps.
    std::vector<NamedLine> lines;
};

class PointTable {
public:
    PointTable() = default;
    // Takes the columns over without copying. The table holds as many points
    // as the shortest column (longer ones are cut), at most INT32_MAX - 1 so
    // that a grid can add its heading row. `names`, when not empty, are the
    // points' names (see name()); points beyond them are named by their
    // numbers.
    PointTable(std::vector<double> longitude, std::vector<double> latitude, std::vector<std::int32_t> number,
               std::vector<std::string> names = {});

    std::int32_t size() const { return static_cast<std::int32_t>(longitude_.size()); }
    bool empty() const { return longitude_.empty(); }

    const std::vector<double>& longitude() const { return longitude_; }
    const std::vector<double>& latitude() const { return latitude_; }
    const std::vector<std::int32_t>& number() const { return number_; }

    // The name of point i (0-based) when it is named by text; empty when it
    // is named by its number.
    std::string_view name(std::size_t i) const
    {
        return i < names_.size() ? std::string_view(names_[i]) : std::string_view();
    }

    // Gives the table its points on the ground (taken over). Coordinates that
    // are not one per point are dropped, and so are the named lines unless
    // they start at point 0 and go forward within the table.
    void set_ground(SurveyGround ground);
    const SurveyGround& ground() const { return ground_; }

private:
    std::vector<double> longitude_;
    std::vector<double> latitude_;
    std::vector<std::int32_t> number_;
    std::vector<std::string> names_; // empty, or one per point
    SurveyGround ground_;
};

// The text the grid of the "Data File" tab shows in its row `row` and
// column `column` (0-based, row 0 and column 0 its headings): row 0 the
// column headings ("", "X", "Y"); for point row i (point i - 1 of the
// table), column 0 its name, or its number with number_text's leading
// blank, columns 1 and 2 its longitude and latitude in plain number text.
// Nothing outside the table or outside columns 0..2.
std::string grid_text(const PointTable& table, std::int32_t row, int column);

} // namespace marovin
