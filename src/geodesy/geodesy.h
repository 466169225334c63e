#pragma once
// The converter's geodesy: naming of systems and the transformation of
// points with PROJ, with the check that every point is a position of its
// system. The converter program runs it on a job; the command converts its
// points with it in process. Both refuse the same points with the same
// words; only the place a message names (a job line, a trace) differs.

#include "base/converter_result.h"
#include "base/progress.h"
#include "base/result.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace marovin {

// The PROJ definition of a system name as the window's lists give it
// ("UTM32" -> "EPSG:32632", "LT93" -> "EPSG:2154"); any other text (an
// "EPSG:n" code, a PROJ string, WKT, a CRS name) is returned unchanged for
// PROJ to read.
std::string system_definition(std::string_view name);

// What a conversion's messages put before their words to say where the
// problem lies: "File.cvd line 9: " in the converter, "trace 12: " in the
// command.
struct ConversionPlaces {
    std::string whole;                             // the conversion as a whole ("File.cvd: ")
    std::string source;                            // the source system
    std::string target;                            // the target system
    std::function<std::string(std::size_t)> point; // point i, 0-based
};

// Fails, with the words convert_points() would use, unless `name` is a
// system PROJ reads whose first two axes are a horizontal position.
Status check_system(std::string_view name);

// True when `name` (blanks around it aside) is a system PROJ reads as
// geographic, one that gives positions as longitude and latitude: "WGS84",
// "ED50", "EPSG:4326", "WGS 84", a PROJ string of a geographic system. False
// for a projected system and for any text that names no system.
bool is_geographic_system(std::string_view name);

// Transforms the points in place: on success x holds the longitudes and y
// the latitudes in decimal degrees of the target system. The operation is
// PROJ's best ranked one for the area the points cover (the datum grids
// installed are used when they are the best). Fails, naming its place, on
// an unknown system, a target that is not geographic, or a point that is no
// position of the source system (see below) or that PROJ cannot transform;
// the points are then unspecified. x and y have the same length.
//
// A point is refused, named with its place, when it is not a position of
// the source system: degrees beyond the pole; a projected point that the
// projection wraps onto another place (its inverse then forward does not
// give it back within a millimetre: "45000100" for "4500010"); or a point
// more than a few degrees outside the system's area of use.
//
// The way back through the forward projection is taken only where it can
// tell anything (`round_trip`): not for a point inside the box, in the
// system's own coordinates, of its area of use, when its inverse lies in
// that area. The answer is the same either way, degrees and refusals.
//
// Large jobs are checked and converted on all cores, each thread with its
// own PROJ context; the first bad point is named whatever the core that met
// it. Beside the points only buffers of a few thousand points are used.
//
// With a `progress`, every core asks it between slices of a few thousand
// points whether to stop; once cancelled, the conversion fails with
// kCancelled, its points unspecified.
enum class RoundTrip {
    where_needed, // every conversion
    every_point,  // what where_needed must always agree with; for tests
};
Result<ConversionReport> convert_points(std::string_view source_system, std::string_view target_system,
                                        std::span<double> x, std::span<double> y, const ConversionPlaces& places,
                                        RoundTrip round_trip = RoundTrip::where_needed,
                                        const Progress* progress = nullptr);

} // namespace marovin
