#include "conversion/road_points.h"

#include "base/plain_text.h"
#include "conversion/seismic_choices.h"
#include "geodesy/geodesy.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace marovin {

namespace {

Status check_divisor(double divisor)
{
    if (!(divisor != 0 && std::isfinite(divisor)))
        return fail("the scalar for coordinates cannot divide the coordinates");
    return ok();
}

// Where the coordinates of the text road are divided.
Status divide(RoadPoints& points, double divisor)
{
    if (Status usable = check_divisor(divisor); !usable)
        return usable;
    if (divisor != 1) {
        for (double& x : points.x)
            x /= divisor;
        for (double& y : points.y)
            y /= divisor;
    }
    return ok();
}

} // namespace

std::int64_t RoadPoints::origin(std::size_t i) const
{
    if (!trace.empty())
        return trace[i];
    return lines.file_line(static_cast<std::int64_t>(i) + 1);
}

Result<double> coordinate_divisor(std::string_view scalar_text)
{
    std::string_view text = trimmed(scalar_text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    // from_chars also takes "inf" and "nan"; a scalar is plain digits.
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return is_digit(c) || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+';
    });
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (!plain || error != std::errc() || stop != text.data() + text.size() || !std::isfinite(value))
        return fail("the scalar for coordinates " + in_quotes(scalar_text) + " is not a number");
    if (value == 0)
        return fail("the scalar for coordinates is 0; coordinates cannot be divided by it");
    return std::fabs(value);
}

double header_divisor(const SeismicFile& file) { return std::abs(static_cast<double>(file.scalar())); }

std::string unset_traces_text(const SeismicRoad& road)
{
    if (road.unset == 0)
        return {};
    return std::to_string(road.unset) + " of " + std::to_string(road.traces) +
           (road.traces == 1 ? " trace" : " traces") + (road.unset == 1 ? " has" : " have") +
           " no coordinates (X and Y are 0) and " + (road.unset == 1 ? "is" : "are") + " left out";
}

namespace {

// Leaves out the points whose X and Y are both 0, keeping the trace of each
// point left; nothing moves when every point has coordinates.
std::int64_t leave_out_unset(RoadPoints& points)
{
    const std::size_t n = points.size();
    std::size_t kept = 0;
    while (kept < n && !(points.x[kept] == 0 && points.y[kept] == 0))
        ++kept;
    if (kept == n)
        return 0;
    points.trace.reserve(n);
    for (std::size_t i = 0; i < kept; ++i)
        points.trace.push_back(static_cast<std::int32_t>(i + 1));
    for (std::size_t i = kept; i < n; ++i) {
        if (points.x[i] == 0 && points.y[i] == 0)
            continue;
        points.x[kept] = points.x[i];
        points.y[kept] = points.y[i];
        points.number[kept] = points.number[i];
        points.trace.push_back(static_cast<std::int32_t>(i + 1));
        ++kept;
    }
    const auto unset = static_cast<std::int64_t>(n - kept);
    points.x.resize(kept);
    points.y.resize(kept);
    points.number.resize(kept);
    return unset;
}

// Why no trace has coordinates in `pair`, naming a listed pair that has
// them.
std::string no_coordinates(const SeismicFile& file, const TraceSelection& selection, Progress& progress)
{
    std::string why = "no trace of " + file.path() + " has " + pair_coordinates(selection.pair);
    for (const PairChoice& choice : kPairChoices) {
        if (choice.pair == selection.pair)
            continue;
        TraceSelection other = selection;
        other.pair = choice.pair;
        const Result<TracePoints> read = file.extract(other, progress);
        if (!read && was_cancelled(read.error()))
            return read.error();
        if (!read)
            continue;
        for (std::size_t i = 0; i < read->size(); ++i)
            if (read->x[i] != 0 || read->y[i] != 0)
                return why + "; its " + std::string(choice.name) + " pair has them";
    }
    return why + ", nor has any other pair of the standard (X and Y are 0 in every trace)";
}

} // namespace

Result<SeismicRoad, SeismicRoadError> seismic_road_points(const SeismicFile& file, const SeismicSelection& selection,
                                                          Progress& progress)
{
    const auto failed = [](std::string why) { return SeismicRoadError{false, std::move(why)}; };
    const double divisor = selection.divisor.value_or(header_divisor(file));
    if (Status usable = check_divisor(divisor); !usable)
        return failed(usable.error());
    // The reader divides the words as it reads them: angles given as
    // DDDMMSS must be divided before they can be told apart into degrees,
    // minutes and seconds.
    TraceSelection words;
    words.label = selection.label;
    words.pair = selection.pair;
    words.divisor = divisor;
    Result<TracePoints> traces = file.extract(words, progress);
    if (!traces)
        return failed(traces.error());
    SeismicRoad road;
    road.traces = static_cast<std::int64_t>(traces->size());
    road.points = RoadPoints{std::move(traces->x), std::move(traces->y), std::move(traces->labels), {}, {}, {}};
    road.unset = leave_out_unset(road.points);
    if (road.traces > 0 && road.unset == road.traces) {
        std::string why = no_coordinates(file, words, progress);
        return SeismicRoadError{!was_cancelled(why), std::move(why)};
    }
    return road;
}

Result<RoadPoints> text_road_points(XyText text, XyLayout layout, double divisor, Progress& progress)
{
    XyText lines;
    lines.left_out = text.left_out;
    lines.header = text.header;
    lines.sps = text.sps;
    Result<XyPoints> read = read_xy_points(std::move(text), layout, progress);
    if (!read)
        return fail(read.error());
    RoadPoints points{std::move(read->x),    std::move(read->y), std::move(read->number),
                      std::move(read->name), std::move(lines),   std::move(read->lines)};
    if (Status divided = divide(points, divisor); !divided)
        return fail(divided.error());
    return points;
}

SurveyGround survey_ground(RoadPoints& points, std::string_view system)
{
    SurveyGround ground;
    if (!is_geographic_system(system)) {
        ground.x = std::move(points.x);
        ground.y = std::move(points.y);
    }
    ground.lines = std::move(points.named_lines);
    return ground;
}

} // namespace marovin
