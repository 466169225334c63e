#include "conversion/road_conversion.h"

#include "base/converter_job.h"
#include "base/converter_result.h"
#include "base/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace marovin {

namespace {

Status write_job(std::span<const double> x, std::span<const double> y, const ConverterExchange& exchange)
{
    Result<JobWriter> job = JobWriter::create(exchange.job_path, exchange.job_header, exchange.decimal_point);
    if (!job)
        return fail(job.error());
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i)
        if (Status added = job->add_point(x[i], y[i]); !added)
            return fail("cannot write the converter job: " + added.error());
    return job->close();
}

Result<Degrees, ExchangeError> run_and_read(std::int32_t count, const ConverterExchange& exchange)
{
    using Step = ExchangeError::Step;
    if (Status ran = exchange.run(); !ran)
        return ExchangeError{Step::RunConverter, ran.error()};
    Result<ResultPoints> result = read_result_points(exchange.result_path, count);
    if (!result)
        return ExchangeError{Step::ReadResult, result.error()};
    return Degrees{std::move(result->longitudes), std::move(result->latitudes)};
}

} // namespace

Result<Degrees, ExchangeError> convert_through_converter(std::vector<double> x, std::vector<double> y,
                                                         const ConverterExchange& exchange)
{
    const auto count = static_cast<std::int32_t>(x.size());
    if (Status written = write_job(x, y, exchange); !written)
        return ExchangeError{ExchangeError::Step::WriteJob, written.error()};
    // The job holds the coordinates now: their memory is given back before
    // the converter's result is read.
    x = {};
    y = {};
    return run_and_read(count, exchange);
}

Result<Degrees, ExchangeError> convert_through_converter(std::span<const double> x, std::span<const double> y,
                                                         const ConverterExchange& exchange)
{
    if (Status written = write_job(x, y, exchange); !written)
        return ExchangeError{ExchangeError::Step::WriteJob, written.error()};
    return run_and_read(static_cast<std::int32_t>(std::min(x.size(), y.size())), exchange);
}

Result<Degrees> convert_in_process(std::vector<double> x, std::vector<double> y, std::string_view system,
                                   const ConversionPlaces& places)
{
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]))
            return fail(places.point(i) + "the point has no valid coordinates (X " + plain_number_text(x[i]) + ", Y " +
                        plain_number_text(y[i]) + ")");
        x[i] = job_value(x[i]);
        y[i] = job_value(y[i]);
    }
    Result<ConversionReport> converted = convert_points(system, "WGS84", x, y, places);
    if (!converted)
        return fail(converted.error());
    for (double& longitude : x)
        longitude = result_value(longitude);
    for (double& latitude : y)
        latitude = result_value(latitude);
    return Degrees{std::move(x), std::move(y)};
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
