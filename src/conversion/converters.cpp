// The two converters of a road (road.h): the converter program through its
// job and result files, and its geodesy in process.
#include "conversion/road.h"

#include "base/converter_job.h"
#include "base/converter_result.h"
#include "base/number_text.h"
#include "base/plain_text.h"
#include "geodesy/geodesy.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace marovin {

namespace {

// The job's points are written, and the progress told and asked whether to
// stop, this many at a time (a few milliseconds).
constexpr std::size_t kPointsPerStep = std::size_t{1} << 15;

RoadError cancelled() { return RoadError{RoadFailure::Cancelled, std::string(kCancelled)}; }

// Tells the progress of a step done units on from `offset`: reading the
// result follows writing the job on one bar.
class OffsetProgress final : public Progress {
public:
    OffsetProgress(Progress& inner, std::uint64_t offset) : inner_(inner), offset_(offset) {}
    void begin(Step step, std::uint64_t total) override { inner_.begin(step, total); }
    void advance(std::uint64_t done) override { inner_.advance(offset_ + done); }
    bool cancelled() const override { return inner_.cancelled(); }

private:
    Progress& inner_;
    std::uint64_t offset_;
};

// Writes the job, whole or not at all: a job stopped half-way is never put
// in place.
Result<Done, RoadError> write_job(std::span<const double> x, std::span<const double> y, const std::string& path,
                                  std::string_view header, char decimal_point, Progress& progress)
{
    const auto failed = [](std::string why) { return RoadError{RoadFailure::WriteJob, std::move(why)}; };
    Result<JobWriter> job = JobWriter::create(path, header, decimal_point);
    if (!job)
        return failed(job.error());
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (i % kPointsPerStep == 0 && i > 0) {
            progress.advance(i);
            if (progress.cancelled())
                return cancelled();
        }
        if (Status added = job->add_point(x[i], y[i]); !added)
            return failed("cannot write the converter job: " + added.error());
    }
    if (progress.cancelled())
        return cancelled();
    if (Status closed = job->close(); !closed)
        return failed(closed.error());
    progress.advance(n);
    return Done{};
}

// Runs the converter on the job in place and reads its result. Stopped, it
// removes the job and any result: both are this run's, the run function
// having removed an earlier result before starting the program.
Result<Degrees, RoadError> run_and_read(const std::string& job_path, const std::string& result_path,
                                        const ExchangeConverter::Run& run, std::size_t count, Progress& progress)
{
    const auto stopped = [&] {
        std::remove(job_path.c_str());
        std::remove(result_path.c_str());
        return cancelled();
    };
    if (progress.cancelled())
        return stopped();
    const Status ran = run(progress);
    if (progress.cancelled() || (!ran && was_cancelled(ran.error())))
        return stopped();
    if (!ran)
        return RoadError{RoadFailure::RunConverter, ran.error()};
    OffsetProgress reading(progress, count);
    Result<ResultPoints> result = read_result_points(result_path, static_cast<std::int32_t>(count), reading);
    if (progress.cancelled())
        return stopped();
    if (!result)
        return RoadError{RoadFailure::ReadResult, result.error()};
    return Degrees{std::move(result->longitudes), std::move(result->latitudes), {}};
}

std::string job_header(const ConversionJob& job)
{
    return job.road == ConversionJob::Road::Text ? xy_text_job_header(job.system) : trace_header_job_header(job.system);
}

} // namespace

std::string_view ConversionJob::source_system() const
{
    const std::string_view named = trimmed(system);
    return named.empty() && road == Road::Text ? std::string_view("WGS84") : named;
}

Result<Degrees, RoadError> Converter::convert_taken(std::vector<double> x, std::vector<double> y,
                                                    const ConversionJob& job, Progress& progress)
{
    return convert(std::span<const double>(x), std::span<const double>(y), job, progress);
}

ExchangeConverter::ExchangeConverter(std::string job_path, std::string result_path, char decimal_point, Run run)
    : job_path_(std::move(job_path)), result_path_(std::move(result_path)), decimal_point_(decimal_point),
      run_(std::move(run))
{}

Result<Degrees, RoadError> ExchangeConverter::convert(std::span<const double> x, std::span<const double> y,
                                                      const ConversionJob& job, Progress& progress)
{
    const std::size_t n = std::min(x.size(), y.size());
    progress.begin(Progress::Step::Converting, 2 * n);
    if (auto written = write_job(x, y, job_path_, job_header(job), decimal_point_, progress); !written)
        return written.failure();
    return run_and_read(job_path_, result_path_, run_, n, progress);
}

Result<Degrees, RoadError> ExchangeConverter::convert_taken(std::vector<double> x, std::vector<double> y,
                                                            const ConversionJob& job, Progress& progress)
{
    const std::size_t n = std::min(x.size(), y.size());
    progress.begin(Progress::Step::Converting, 2 * n);
    if (auto written = write_job(x, y, job_path_, job_header(job), decimal_point_, progress); !written)
        return written.failure();
    // The job holds the coordinates now: their memory is given back before
    // the converter's result is read.
    x = {};
    y = {};
    return run_and_read(job_path_, result_path_, run_, n, progress);
}

Result<Degrees, RoadError> InProcessConverter::convert(std::span<const double> x, std::span<const double> y,
                                                       const ConversionJob& job, Progress& progress)
{
    return convert_taken(std::vector<double>(x.begin(), x.end()), std::vector<double>(y.begin(), y.end()), job,
                         progress);
}

Result<Degrees, RoadError> InProcessConverter::convert_taken(std::vector<double> x, std::vector<double> y,
                                                             const ConversionJob& job, Progress& progress)
{
    const auto refused = [](std::string why) { return RoadError{RoadFailure::Convert, std::move(why)}; };
    const std::size_t n = std::min(x.size(), y.size());
    x.resize(n);
    y.resize(n);
    progress.begin(Progress::Step::Converting, n);
    if (progress.cancelled())
        return cancelled();
    const auto place = [&job](std::size_t i) { return job.place ? job.place(i) : std::string(); };

    // The converter program reads each coordinate back from the text of its
    // job line (15 significant digits) and gives each degree back in its
    // result record (nine decimals). Rounding the values where the exchange
    // rounds them, and nowhere else, gives the very degrees of the exchange,
    // to the last digit, without writing or reading any text.
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]))
            return refused(place(i) + "the point has no valid coordinates (X " + plain_number_text(x[i]) + ", Y " +
                           plain_number_text(y[i]) + ")");
        x[i] = job_value(x[i]);
        y[i] = job_value(y[i]);
    }
    const ConversionPlaces places{"", "", "", place};
    Result<ConversionReport> converted =
        convert_points(job.source_system(), "WGS84", x, y, places, RoundTrip::where_needed, &progress);
    if (progress.cancelled())
        return cancelled();
    if (!converted)
        return refused(converted.error());
    for (double& longitude : x)
        longitude = result_value(longitude);
    for (double& latitude : y)
        latitude = result_value(latitude);
    progress.advance(n);
    return Degrees{std::move(x), std::move(y), std::move(converted).value()};
}

} // namespace marovin
