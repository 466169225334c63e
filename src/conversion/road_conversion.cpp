#include "conversion/road_conversion.h"

#include "base/converter_job.h"
#include "base/converter_result.h"
#include "base/number_text.h"

#include <cmath>
#include <cstdint>

namespace marovin {

Result<Degrees, ExchangeError> convert_through_converter(std::vector<double> x, std::vector<double> y,
                                                         const ConverterExchange& exchange)
{
    using Step = ExchangeError::Step;
    const auto stop = [](Step step, std::string message) { return ExchangeError{step, std::move(message)}; };
    const auto count = static_cast<std::int32_t>(x.size());
    {
        Result<JobWriter> job = JobWriter::create(exchange.job_path, exchange.job_header, exchange.decimal_point);
        if (!job)
            return stop(Step::WriteJob, job.error());
        for (std::size_t i = 0; i < x.size(); ++i)
            if (Status added = job->add_point(x[i], y[i]); !added)
                return stop(Step::WriteJob, "cannot write the converter job: " + added.error());
        if (Status closed = job->close(); !closed)
            return stop(Step::WriteJob, closed.error());
    }
    // The job holds the coordinates now: their memory is given back before
    // the converter's result is read.
    x = {};
    y = {};
    if (Status ran = exchange.run(); !ran)
        return stop(Step::RunConverter, ran.error());
    Result<ResultPoints> result = read_result_points(exchange.result_path, count);
    if (!result)
        return stop(Step::ReadResult, result.error());
    return Degrees{std::move(result->longitudes), std::move(result->latitudes)};
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

} // namespace marovin
