#pragma once
// The points of the two roads as plain columns, each road one call: a
// seismic file's traces or an XY text file's lines become X, Y (already
// divided by the coordinate divisor, here and nowhere else) and a number.
// The window and the command both read their files through these calls.

#include "base/result.h"
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
    // Text road: which lines of the file were left out, and what an SPS
    // file's H records say (the text itself is not kept); empty on the
    // seismic road.
    XyText lines;
    // Text road: the lines an SPS file names (XyPoints::lines); empty
    // otherwise.
    std::vector<NamedLine> named_lines;

    std::size_t size() const { return x.size(); }
    // Where point i (0-based) came from: its 1-based trace on the seismic
    // road, its line of the file on the text road.
    std::int64_t origin(std::size_t i) const;
};

// The divisor of the coordinates on both roads: the magnitude of the number
// in the scalar text (-100 and 100 both give 100). Blanks around the number
// are allowed; anything else that is not a number, and 0, fail.
Result<double> coordinate_divisor(std::string_view scalar_text);

// The divisor a header's coordinate scalar gives: its magnitude, after the
// power-of-ten rule the header read applied (-100 gives 100, 0 gave 1).
double header_divisor(const SeismicHeader& header);

// What to read of each trace; without a divisor, the header's.
struct SeismicSelection {
    TraceWord label = TraceWord::Ensemble;
    CoordinatePair pair{TraceWord::GroupX, TraceWord::GroupY};
    std::optional<double> divisor;
};

// The points of every trace of the seismic file at `path` (SU when
// is_su_path(path)), read with a header read before; fails, naming the
// file and the trace, as the extraction does, and for a divisor that is 0
// or not finite.
Result<RoadPoints> seismic_road_points(const std::string& path, const SeismicHeader& header,
                                       const SeismicSelection& selection);

struct SeismicRoad {
    SeismicHeader header;
    RoadPoints points;
};

// Reads the header of the file at `path`, then its points.
Result<SeismicRoad> read_seismic_road(const std::string& path, const SeismicSelection& selection);

// The points of an XY text already loaded, one a line, as read_xy_points
// reads them (its rules and messages: a list's layout or header line, or an
// SPS file's records).
Result<RoadPoints> text_road_points(XyText text, XyLayout layout, double divisor);

// Loads the XY text file at `path`, then reads its points.
Result<RoadPoints> read_text_road(const std::string& path, XyLayout layout, double divisor);

} // namespace marovin
