#include "conversion/road_points.h"

#include "base/plain_text.h"

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

std::int64_t RoadPoints::origin(std::size_t i) const { return lines.file_line(static_cast<std::int64_t>(i) + 1); }

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

double header_divisor(const SeismicHeader& header) { return std::abs(static_cast<double>(header.Coord_Scalar)); }

Result<RoadPoints> seismic_road_points(const std::string& path, const SeismicHeader& header,
                                       const SeismicSelection& selection)
{
    // The file is open only inside this call.
    Result<SeismicFile> file = SeismicFile::open(path);
    if (!file)
        return fail(file.error());
    const double divisor = selection.divisor.value_or(header_divisor(header));
    if (Status usable = check_divisor(divisor); !usable)
        return fail(usable.error());
    // The reader divides the words as it reads them: angles given as
    // DDDMMSS must be divided before they can be told apart into degrees,
    // minutes and seconds.
    TraceSelection words;
    words.label = selection.label;
    words.pair = selection.pair;
    words.divisor = divisor;
    Result<TracePoints> traces = extract_trace_points(*file, header, is_su_path(path), words);
    if (!traces)
        return fail(traces.error());
    return RoadPoints{std::move(traces->x), std::move(traces->y), std::move(traces->labels), {}, {}, {}};
}

Result<SeismicRoad> read_seismic_road(const std::string& path, const SeismicSelection& selection)
{
    Result<SeismicHeader> header = read_seismic_header(path);
    if (!header)
        return fail(header.error());
    Result<RoadPoints> points = seismic_road_points(path, *header, selection);
    if (!points)
        return fail(points.error());
    return SeismicRoad{*header, std::move(points).value()};
}

Result<RoadPoints> text_road_points(XyText text, XyLayout layout, double divisor)
{
    XyText lines;
    lines.left_out = text.left_out;
    lines.sps = text.sps;
    Result<XyPoints> read = read_xy_points(std::move(text), layout);
    if (!read)
        return fail(read.error());
    RoadPoints points{std::move(read->x),    std::move(read->y), std::move(read->number),
                      std::move(read->name), std::move(lines),   std::move(read->lines)};
    if (Status divided = divide(points, divisor); !divided)
        return fail(divided.error());
    return points;
}

Result<RoadPoints> read_text_road(const std::string& path, XyLayout layout, double divisor)
{
    Result<XyText> text = load_xy_file(path);
    if (!text)
        return fail(text.error());
    return text_road_points(std::move(text).value(), layout, divisor);
}

} // namespace marovin
