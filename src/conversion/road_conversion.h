#pragma once
// Points of a road to WGS84 degrees, one of two ways that give the same
// numbers:
//   - through the converter program and its job and result files, as the
//     window does: the job is written, a function of the caller's starts the
//     converter on it (the window through its desktop, tests with a stand-in),
//     then the result is read;
//   - in process, through the geodesy library: the converter's own checks
//     and transformation, on the values the job would give it, rounded as
//     its result gives them back. No text is exchanged, which is what a
//     million traces need.

#include "base/result.h"
#include "conversion/point_table.h"
#include "conversion/road_points.h"
#include "geodesy/geodesy.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

struct Degrees {
    std::vector<double> longitude;
    std::vector<double> latitude;
};

// Why an exchange stopped: the step that failed, and its message.
struct ExchangeError {
    enum class Step { WriteJob, RunConverter, ReadResult };
    Step step;
    std::string message;
};

struct ConverterExchange {
    std::string job_path;    // File.cvd, replaced only when wholly written
    std::string result_path; // File.cva, as the converter writes it
    std::string job_header;  // trace_header_job_header() or xy_text_job_header()
    char decimal_point = '.';
    // Runs the converter on the job and returns once it has ended; a failure
    // stops the exchange (the caller has told the user why).
    std::function<Status()> run;
};

// Writes the job of the points X, Y (taken over and given back once the
// job holds them), runs the converter, reads its result. A failure says at
// which step it stopped.
Result<Degrees, ExchangeError> convert_through_converter(std::vector<double> x, std::vector<double> y,
                                                         const ConverterExchange& exchange);
// The same on points the caller keeps: X and Y are only read.
Result<Degrees, ExchangeError> convert_through_converter(std::span<const double> x, std::span<const double> y,
                                                         const ConverterExchange& exchange);

// Converts the points X, Y (taken over, converted where they lie) from
// `system` to WGS84 in process. Messages are the converter's, after
// `places`' words for where the problem lies.
Result<Degrees> convert_in_process(std::vector<double> x, std::vector<double> y, std::string_view system,
                                   const ConversionPlaces& places);

// The points on the ground for a point table of a road's points converted
// from `system`: their X and Y (taken over from `points`) unless the system
// gives longitudes and latitudes, and the lines an SPS file names.
SurveyGround survey_ground(RoadPoints& points, std::string_view system);

} // namespace marovin
