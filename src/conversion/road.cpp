// A road from a file to its point table, top down: the system, the points,
// their conversion, the table.
#include "conversion/road.h"

#include "base/plain_text.h"
#include "geodesy/geodesy.h"

#include <climits>
#include <utility>

namespace marovin {

namespace {

using Step = Progress::Step;

RoadError failed(RoadFailure kind, std::string why) { return RoadError{kind, std::move(why)}; }
RoadError cancelled() { return failed(RoadFailure::Cancelled, std::string(kCancelled)); }

Result<Done, RoadError> choose_system(const RoadRequest& request, RoadResult& result);
Result<RoadPoints, RoadError> seismic_points(const SeismicSource& source, RoadResult& result, Progress& progress);
Result<RoadPoints, RoadError> text_points(TextSource source, RoadResult& result, Progress& progress);
ConversionJob conversion_job(const RoadRequest& request, const RoadResult& result, const RoadPoints& points);

} // namespace

Result<RoadResult, RoadError> run_road(RoadRequest request, Converter& converter, Progress& progress)
{
    RoadResult result;
    // 1. The system converted from; a seismic file's angles need a
    // geographic one, which is known before a trace is read.
    if (auto chosen = choose_system(request, result); !chosen)
        return chosen.failure();

    // 2. The points of the file.
    Result<RoadPoints, RoadError> read =
        std::holds_alternative<SeismicSource>(request.source)
            ? seismic_points(std::get<SeismicSource>(request.source), result, progress)
            : text_points(std::move(std::get<TextSource>(request.source)), result, progress);
    if (!read)
        return read.failure();
    RoadPoints& points = *read;
    if (progress.cancelled())
        return cancelled();
    // The grid adds its heading row to the table's points.
    if (points.size() >= static_cast<std::size_t>(INT32_MAX))
        return failed(RoadFailure::ReadFile, "the file holds more points than a table holds");
    if (!request.system) {
        result.points = std::move(points);
        return result;
    }

    // 3. Their conversion. X and Y are handed over unless they are to be
    // kept: the in-process converter then converts them where they lie.
    const ConversionJob job = conversion_job(request, result, points);
    const bool keep_xy = request.keep_ground || request.keep_points;
    Result<Degrees, RoadError> degrees =
        keep_xy ? converter.convert(points.x, points.y, job, progress)
                : converter.convert_taken(std::move(points.x), std::move(points.y), job, progress);
    if (!degrees)
        return degrees.failure();

    // 4. The table the KML writers read, with the points on the ground.
    result.table = PointTable(std::move(degrees->longitude), std::move(degrees->latitude), std::move(points.number),
                              std::move(points.name));
    result.report = std::move(degrees->report);
    if (request.keep_ground) {
        RoadPoints kept;
        RoadPoints& ground = request.keep_points ? kept : points;
        if (request.keep_points) {
            kept.x = points.x;
            kept.y = points.y;
            kept.named_lines = points.named_lines;
        }
        result.table.set_ground(survey_ground(ground, job.source_system()));
    }
    if (request.keep_points)
        result.points = std::move(points);
    return result;
}

std::string_view angle_units(std::int16_t units)
{
    switch (units) {
    case 2: return "seconds of arc";
    case 3: return "decimal degrees";
    case 4: return "degrees, minutes and seconds";
    default: return "";
    }
}

namespace {

// The system given, or the one the file names when the request leaves it
// to the file; what the file says of it.
Result<Done, RoadError> choose_system(const RoadRequest& request, RoadResult& result)
{
    const auto* seismic = std::get_if<SeismicSource>(&request.source);
    const auto* text = std::get_if<TextSource>(&request.source);
    if (seismic && !seismic->file)
        return failed(RoadFailure::ReadFile, "no seismic file is open");
    if (text && text->text.sps)
        result.grid_units = text->text.sps->units_not_metres;
    if (!request.system)
        return Done{};
    result.system_used = *request.system;
    if (!request.system_given) {
        result.named = seismic ? file_named_system(*seismic->file) : file_named_system(text->text);
        if (result.named.system) {
            result.system_used = result.named.system->definition;
            result.system_from_file = true;
        }
    }
    // A blank system on the text road is WGS84, as its job names it.
    if (text && trimmed(result.system_used).empty())
        result.system_used = "WGS84";
    if (seismic && coordinates_are_angles(seismic->file->units()) && !is_geographic_system(result.system_used))
        return failed(RoadFailure::AnglesNeedGeographic, "the trace headers of " + seismic->file->path() +
                                                             " give longitudes and latitudes (in " +
                                                             std::string(angle_units(seismic->file->units())) +
                                                             "): choose a geographic system for "
                                                             "them, for example WGS84; " +
                                                             in_quotes(result.system_used) + " is not known to be one");
    return Done{};
}

// The traces of a seismic file that have coordinates.
Result<RoadPoints, RoadError> seismic_points(const SeismicSource& source, RoadResult& result, Progress& progress)
{
    const SeismicFile& file = *source.file;
    progress.begin(Step::ReadingTraces, static_cast<std::uint64_t>(std::max(file.traces(), 0)));
    Result<SeismicRoad, SeismicRoadError> road =
        seismic_road_points(file, {source.label, source.pair, source.divisor}, progress);
    if (!road) {
        if (was_cancelled(road.error()))
            return cancelled();
        return failed(road.failure().no_coordinates ? RoadFailure::NoCoordinates : RoadFailure::ReadFile, road.error());
    }
    result.traces = road->traces;
    result.unset = road->unset;
    result.unset_text = unset_traces_text(*road);
    return std::move(road->points);
}

// The points of an XY text, one a line.
Result<RoadPoints, RoadError> text_points(TextSource source, RoadResult& result, Progress& progress)
{
    progress.begin(Step::ReadingPoints, static_cast<std::uint64_t>(count_lines(source.text.text)));
    Result<RoadPoints> points = text_road_points(std::move(source.text), source.layout, source.divisor, progress);
    if (!points)
        return was_cancelled(points.error()) ? cancelled() : failed(RoadFailure::ReadFile, points.error());
    result.traces = static_cast<std::int64_t>(points->size());
    progress.advance(points->size());
    return std::move(points).value();
}

// What the converter is told: the system, and each point's trace or line
// for its messages.
ConversionJob conversion_job(const RoadRequest& request, const RoadResult& result, const RoadPoints& points)
{
    const bool seismic = std::holds_alternative<SeismicSource>(request.source);
    const std::string where = seismic ? "trace " : "line ";
    return ConversionJob{result.system_used, seismic ? ConversionJob::Road::Seismic : ConversionJob::Road::Text,
                         [&points, where](std::size_t i) { return where + std::to_string(points.origin(i)) + ": "; }};
}

} // namespace

} // namespace marovin
