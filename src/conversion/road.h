#pragma once
// A road, from a file to the point table the KML writers read, as one call
// that the window and the command share. Top down (road.cpp):
//
//   1. the system the points are converted from: the one the user gave, or,
//      when the request leaves it to the file, the one the file names of
//      itself (named_system.h) and else the one given as default;
//   2. the points of the file: the traces of a seismic file (the label word
//      and the X/Y pair of each, divided; traces without coordinates left
//      out), or the lines of an XY text (road_points.h);
//   3. their conversion to WGS84 degrees by a Converter: the converter
//      program through its job and result files (the window), or the
//      converter's geodesy in process (the command), both giving the same
//      degrees to the last digit;
//   4. the point table: degrees, numbers, names and, when asked, the points
//      on the ground.
//
// A run tells its steps to a Progress and asks it whether to stop; stopped,
// it fails with RoadFailure::Cancelled and leaves nothing behind (no job, no
// result file of its own).

#include "base/converter_result.h"
#include "base/progress.h"
#include "base/result.h"
#include "conversion/named_system.h"
#include "conversion/point_table.h"
#include "conversion/road_points.h"
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"
#include "readers/xy_text.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace marovin {

// The seismic road: the words of every trace of a file opened by the
// caller (who keeps it open for the run).
struct SeismicSource {
    const SeismicFile* file = nullptr;
    HeaderPosition label = TraceWord::Ensemble;
    CoordinatePair pair{TraceWord::GroupX, TraceWord::GroupY};
    // Nothing: the header's scalar (header_divisor).
    std::optional<double> divisor{};
};

// The text road: an XY text as loaded (load_xy_file), one point a line.
struct TextSource {
    XyText text{};
    XyLayout layout = XyLayout::XYZ;
    double divisor = 1;
};

using RoadSource = std::variant<SeismicSource, TextSource>;

struct RoadRequest {
    RoadSource source;
    // The source system as the user gave it ("UTM32", "EPSG:23031", a PROJ
    // string); nothing converts nothing (the result holds the points alone).
    std::optional<std::string> system{};
    // False: the system the file names, when it names one, is taken in
    // place of `system` (which is then the default).
    bool system_given = true;
    // The table keeps the points on the ground, which a KMZ measures.
    bool keep_ground = true;
    // The result keeps the points as read (a CSV writes them beside the
    // degrees).
    bool keep_points = false;
};

struct RoadResult {
    // The degrees, numbers and names, and the ground when asked; empty when
    // nothing was converted.
    PointTable table;
    // The found-line's facts. Seismic road: the file's traces and those left
    // out for want of coordinates, and the sentence that says so ("3 of 100
    // traces have no coordinates (X and Y are 0) and are left out", empty
    // when none is); text road: the points, and 0.
    std::int64_t traces = 0;
    std::int64_t unset = 0;
    std::string unset_text;
    // What the file names of its system and says of it; asked only when the
    // request leaves the system to the file.
    FileNamedSystem named;
    // The system converted from (empty when nothing was converted; on the
    // text road a blank one is WGS84), and whether it is the one the file
    // names.
    std::string system_used;
    bool system_from_file = false;
    // An SPS file's grid units when its H records give other units than
    // metres: the coordinates were converted as they stand.
    std::string grid_units;
    // What the conversion used, as the in-process converter knows it (the
    // converter program writes it in its result file's leading lines, which
    // the exchange skips).
    ConversionReport report;
    // The points as read (after the divisor), with where each came from:
    // kept when asked, and whenever nothing was converted. Once converted,
    // their numbers and names are the table's (and not kept here twice).
    RoadPoints points;

    std::int64_t point_count() const { return traces - unset; }
};

enum class RoadFailure {
    Cancelled,            // the progress asked the run to stop
    ReadFile,             // the file's points could not be read
    NoCoordinates,        // no trace has coordinates in the pair; the message names a pair that has
    AnglesNeedGeographic, // the trace headers give angles, and the system is not geographic
    WriteJob,             // the converter's job could not be written
    RunConverter,         // the converter program failed, in the words its run function gave
    ReadResult,           // the converter's result could not be read
    Convert,              // the geodesy refused the system or a point (named by its trace or line)
};

struct RoadError {
    RoadFailure kind;
    std::string message;
};

// The words of a coordinate units word that gives angles: "seconds of arc",
// "decimal degrees", "degrees, minutes and seconds"; empty for lengths.
std::string_view angle_units(std::int16_t units);

struct Degrees {
    std::vector<double> longitude;
    std::vector<double> latitude;
    // What the conversion used, when the converter knows it.
    ConversionReport report;
};

// What a converter is told besides the points.
struct ConversionJob {
    enum class Road { Seismic, Text };
    // The source system as the user gave it. On the text road a blank one
    // is WGS84, as its job names it.
    std::string system;
    Road road = Road::Seismic;
    // Where point i (0-based) came from, before a message: "trace 12: ".
    std::function<std::string(std::size_t)> place;

    // The system as the converter reads it from the job: without the
    // blanks around it, and WGS84 for a blank one on the text road.
    std::string_view source_system() const;
};

class Converter {
public:
    virtual ~Converter() = default;
    // Converts the points X, Y, which the caller keeps, to WGS84 degrees.
    virtual Result<Degrees, RoadError> convert(std::span<const double> x, std::span<const double> y,
                                               const ConversionJob& job, Progress& progress) = 0;
    // The same on points handed over: a converter may convert them where
    // they lie, or give their memory back early. By default, convert().
    virtual Result<Degrees, RoadError> convert_taken(std::vector<double> x, std::vector<double> y,
                                                     const ConversionJob& job, Progress& progress);
};

// The converter program through its files, byte for byte as the window has
// always exchanged them: the job (File.cvd) is written whole or not at all,
// the program is run by the caller's function, its result (File.cva) read.
// Cancelled once the job is in place, the run removes the job and any
// result, which are then this run's.
class ExchangeConverter final : public Converter {
public:
    // Runs the converter program on the job and returns once it has ended.
    // Asked to stop (progress.cancelled()), it stops the program and fails
    // with kCancelled; other failures carry the words to show.
    using Run = std::function<Status(Progress&)>;

    ExchangeConverter(std::string job_path, std::string result_path, char decimal_point, Run run);

    Result<Degrees, RoadError> convert(std::span<const double> x, std::span<const double> y, const ConversionJob& job,
                                       Progress& progress) override;
    // Gives the points' memory back once the job holds them.
    Result<Degrees, RoadError> convert_taken(std::vector<double> x, std::vector<double> y, const ConversionJob& job,
                                             Progress& progress) override;

private:
    std::string job_path_;
    std::string result_path_;
    char decimal_point_;
    Run run_;
};

// The converter's own geodesy (geodesy.h) in process, with its checks, on
// the values its job would give it, rounded as its result gives them back.
class InProcessConverter final : public Converter {
public:
    Result<Degrees, RoadError> convert(std::span<const double> x, std::span<const double> y, const ConversionJob& job,
                                       Progress& progress) override;
    // Converts the points where they lie.
    Result<Degrees, RoadError> convert_taken(std::vector<double> x, std::vector<double> y, const ConversionJob& job,
                                             Progress& progress) override;
};

// Runs the road the request names. The request is taken over (an XY text
// is read where it lies); a seismic file only read.
Result<RoadResult, RoadError> run_road(RoadRequest request, Converter& converter, Progress& progress = no_progress());

} // namespace marovin
