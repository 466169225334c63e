#pragma once
// The points of the two roads as plain columns, the first step of a road
// (road.h): a seismic file's traces or an XY text's lines become X, Y
// (already divided by the coordinate divisor, here and nowhere else) and a
// number.

#include "base/progress.h"
#include "base/result.h"
#include "conversion/point_table.h"
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"
#include "readers/xy_text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

struct RoadPoints {
    std::vector<double> x;
    std::vector<double> y;
    // The label word of each trace, or the file's station Number (1, 2, 3
    // ... for text layouts without one).
    std::vector<std::int32_t> number;
    // Text road: the names that are text (XyPoints::name: empty, or one per
    // point); empty on the seismic road.
    std::vector<std::string> name;
    // Text road: which lines of the file were left out, and what the file
    // says of itself, its header line or SPS H records (the text itself is
    // not kept); empty on the seismic road.
    XyText lines;
    // Text road: the lines an SPS file names (XyPoints::lines); empty
    // otherwise.
    std::vector<NamedLine> named_lines;
    // Seismic road, when traces were left out: the 1-based trace of each
    // point; empty when every trace is a point.
    std::vector<std::int32_t> trace{};

    std::size_t size() const { return x.size(); }
    // Where point i (0-based) came from: its 1-based trace on the seismic
    // road, its line of the file on the text road.
    std::int64_t origin(std::size_t i) const;
};

// The divisor of the coordinates on both roads: the magnitude of the number
// in the scalar text (-100 and 100 both give 100). Blanks around the number
// are allowed; anything else that is not a number, and 0, fail.
Result<double> coordinate_divisor(std::string_view scalar_text);

// The divisor a file's coordinate scalar gives: its magnitude, after the
// power-of-ten rule the header read applied (-100 gives 100, 0 gave 1).
double header_divisor(const SeismicFile& file);

// What to read of each trace; without a divisor, the header's.
struct SeismicSelection {
    HeaderPosition label = TraceWord::Ensemble;
    CoordinatePair pair{TraceWord::GroupX, TraceWord::GroupY};
    std::optional<double> divisor;
};

// The points of a seismic file. A trace whose X and Y are both 0 has no
// position (auxiliary and dead traces carry them): it is left out, and
// counted.
struct SeismicRoad {
    RoadPoints points;
    std::int64_t traces = 0; // in the file
    std::int64_t unset = 0;  // left out
};

// "3 of 100 traces have no coordinates (X and Y are 0) and are left out";
// empty when every trace has them.
std::string unset_traces_text(const SeismicRoad& road);

// Why the points of a seismic file could not be had. `no_coordinates`: the
// file was read, but no trace has coordinates in the chosen pair; the
// message names a pair that has them, if one does. A read that was asked
// to stop fails with the message kCancelled.
struct SeismicRoadError {
    bool no_coordinates = false;
    std::string message;
};

// The points of every trace of the file that has coordinates; fails,
// naming the file and the trace, as the extraction does, for a divisor that
// is 0 or not finite, and when traces there are and none has coordinates
// ("no trace of line.sgy has receiver coordinates; its source pair has
// them"). The traces read are told to `progress`, which may stop the read.
Result<SeismicRoad, SeismicRoadError> seismic_road_points(const SeismicFile& file, const SeismicSelection& selection,
                                                          Progress& progress = no_progress());

// The points of an XY text already loaded, one a line, as read_xy_points
// reads them (its rules and messages: a list's layout or header line, or an
// SPS file's records). The lines read are told to `progress`, which may
// stop the read.
Result<RoadPoints> text_road_points(XyText text, XyLayout layout, double divisor, Progress& progress = no_progress());

// The points on the ground for a point table of a road's points converted
// from `system`: their X and Y (taken over from `points`) unless the system
// gives longitudes and latitudes, and the lines an SPS file names.
SurveyGround survey_ground(RoadPoints& points, std::string_view system);

} // namespace marovin
