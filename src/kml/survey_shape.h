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
// (Douglas-Peucker). The outline is the concave hull of the points at a
// scale of 10 median steps (no triangle edge on its border longer), or their
// convex hull when that gives no polygon. The hull is drawn on the extreme
// points of the grid cells along the survey's edge, cells of a quarter of
// that scale; a survey whose edge needs more than 2,500 cells gets larger
// cells, and its outline a scale of four cells.

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
    // The lines of at least two points, in file order (single points are no
    // line and are left out).
    std::vector<SurveyLine> lines;
    // The outline's ring as points of the table, closed (its last point is
    // its first); empty when the points span no area (fewer than three, or
    // all on one straight line: less than a median step squared).
    std::vector<std::size_t> outline;
};

// Fails only when GEOS cannot be started or fails on a line.
Result<SurveyShape> survey_shape(const PointTable& table);

} // namespace marovin
