#pragma once
// The shape of a survey, as its base map draws it: its seismic lines,
// simplified, and its outline. Measured on the ground in metres: in the
// source system's X and Y when the table has them (PointTable::ground()),
// else in a plane laid on the degrees at the survey's centre (a system that
// gives longitudes and latitudes). Hulls and simplification are GEOS's.
//
// A line is a maximal run of consecutive points, in file order, whose step
// from one point to the next stays below 5 times the file's median step; on
// an SPS file it is the run of records under one line name. A line keeps
// only the points needed to pass within 0.5 m of every one of its points
// (Douglas-Peucker; a line of more than 65,536 points is simplified in
// pieces of that many, which keep their joints). The outline is the concave
// hull of the points at a scale of 10 median steps (no triangle edge on its
// border longer), or their convex hull when that gives no polygon. The hull
// is drawn on the points of the grid cells along the survey's edge, cells of
// a quarter of that scale, each cell giving its extreme points towards its
// empty neighbours; a survey whose edge needs more than 1,000 cells gets
// larger cells, and its outline a scale of four cells.
//
// The base map stays small whatever the survey: at most 250 lines are
// drawn, and their vertices number at most 10,000, the outline's 2,000.
// With more lines, those drawn are the lines that hold 250 points evenly
// spaced through the points of all lines (the first and the last point
// among them): every k-th line of a survey of equal lines, long lines
// before short ones. With more vertices, the lines (or the outline) are
// simplified again at twice the tolerance, until they fit.

#include "base/progress.h"
#include "base/result.h"
#include "conversion/point_table.h"

#include <cstddef>
#include <string>
#include <vector>

namespace marovin {

// How close a simplified line stays to every point of the line.
inline constexpr double kLineTolerance = 0.5; // metres
// A step this many times the median step starts a new line.
inline constexpr double kLineBreakSteps = 5;
// The outline's scale, in median steps.
inline constexpr double kOutlineSteps = 10;
// The most lines drawn, and the most vertices of the lines drawn and of the
// outline.
inline constexpr std::size_t kMostLinesDrawn = 250;
inline constexpr std::size_t kMostLineVertices = 10000;
inline constexpr std::size_t kMostOutlineVertices = 2000;

// The survey's extent in degrees. Its longitudes run the narrower way round
// the globe: a survey across the 180th meridian (from 179.9 to -179.9) runs
// from `west` 179.9 to `east` 180.1, `across` set, rather than round the rest
// of the globe.
struct SurveyBox {
    double west = 0, south = 0, east = 0, north = 0;
    bool across = false;

    // A longitude of the table on the box's scale (above 180 east of the
    // meridian when across).
    double unwrapped(double longitude) const { return across && longitude < 0 ? longitude + 360 : longitude; }
};

// The box of the table's points; all zero for an empty table.
SurveyBox survey_box(const PointTable& table);

// A longitude on a box's scale back within -180 to 180.
inline double wrapped(double longitude) { return longitude > 180 ? longitude - 360 : longitude; }

struct SurveyLine {
    std::string name;              // the SPS line name, else "Line 1", "Line 2" ...
    std::size_t first = 0;         // its points are first .. last of the table
    std::size_t last = 0;          // (0-based, last > first)
    std::vector<std::size_t> kept; // the points the simplified line passes through, first and last included
};

struct SurveyShape {
    // The median of the steps between consecutive points that are not at
    // the same place, in metres; 0 when there is none.
    double median_step = 0;
    // How many lines of at least two points the survey has (single points
    // are no line).
    std::size_t lines_found = 0;
    // The lines drawn, in file order: all lines found, or kMostLinesDrawn
    // of them.
    std::vector<SurveyLine> lines;
    // The outline's ring as points of the table, closed (its last point is
    // its first); empty when the points span no area (fewer than three, or
    // all on one straight line: less than a median step squared).
    std::vector<std::size_t> outline;
};

// Fails when GEOS cannot be started or fails on a line, and with kCancelled
// when the progress asks it to stop.
Result<SurveyShape> survey_shape(const PointTable& table, const Progress& progress = no_progress());

} // namespace marovin
