#pragma once
// The geodetic part of the converter: naming of systems and the transformation
// of a job's points with PROJ.

#include "job_file.h"
#include "base/result.h"

#include <string>
#include <string_view>

namespace convers {

// The PROJ definition of a system name as the window's lists give it
// ("UTM32" -> "EPSG:32632", "LT93" -> "EPSG:2154"); any other text (an
// "EPSG:n" code, a PROJ string, WKT, a CRS name) is returned unchanged for
// PROJ to read.
std::string system_definition(std::string_view name);

// What the conversion used, for the leading lines of the result file.
struct ConversionReport {
    std::string source_name;     // PROJ's name of the source system
    std::string target_name;     // PROJ's name of the target system
    std::string operation_name;  // PROJ's name of the operation applied
    double accuracy_m = -1;      // its stated accuracy in metres, -1 unknown
};

// Transforms the points of `job` in place: on success job.x holds the
// longitudes and job.y the latitudes in decimal degrees of the target
// system. The operation is PROJ's best ranked one for the area the points
// cover (the datum grids installed are used when they are the best).
// Fails, naming the line, on an unknown system, a target that is not
// geographic, or a point that is no position of the source system (see
// below) or that PROJ cannot transform; the points are then unspecified.
//
// A point is refused, named with its line, when it is not a position of the
// source system: degrees beyond the pole; a projected point that the
// projection wraps onto another place (its inverse then forward does not
// give it back within a millimetre: "45000100" for "4500010"); or a point
// more than a few degrees outside the system's area of use.
marovin::Result<ConversionReport> convert_points(Job& job, std::string_view file_name);

} // namespace convers
