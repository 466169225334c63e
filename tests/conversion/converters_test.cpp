// The two converters of a road: the exchange writes the job, runs the
// converter and reads its result, each step failing in its own kind; in
// process, the converter's geodesy gives the real convers's very numbers and
// refuses its points in its words.
#include "conversion/road.h"

#include "base/converter_job.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using marovin::ConversionJob;
using marovin::RoadFailure;
using support::read_bytes;

// The real converter on the job in `dir`.
marovin::ExchangeConverter::Run convers(const fs::path& dir)
{
    return [job = (dir / "File.cvd").string()](marovin::Progress&) -> marovin::Status {
        const support::ProgramRun run = support::run_program(support::shell_quoted(MAROVIN_PROGRAM_DIR "/convers") +
                                                             " " + support::shell_quoted(job));
        return run.status == 0 ? marovin::ok() : marovin::fail(run.err);
    };
}

ConversionJob job(const char* system, ConversionJob::Road road = ConversionJob::Road::Seismic)
{
    return {system, road, [](std::size_t i) { return "trace " + std::to_string(i + 1) + ": "; }};
}

TEST(ExchangeConverter, WritesTheJobRunsTheConverterReadsItsResultAndFailsAtEachStepInItsKind)
{
    const support::ScratchFolder scratch;
    const fs::path dir = scratch.path();
    const auto standIn = [&scratch](marovin::Progress&) {
        scratch.write("File.cva", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n1,\"x\",48.5,9.25,0\r\n2,\"x\",-1.5,.5,0\r\n");
        return marovin::ok();
    };
    const auto exchange = [&](marovin::ExchangeConverter::Run run, const fs::path& job = "File.cvd") {
        return marovin::ExchangeConverter((dir / job).string(), (dir / "File.cva").string(), ',', std::move(run));
    };
    for (const auto road : {ConversionJob::Road::Seismic, ConversionJob::Road::Text}) {
        auto converter = exchange(standIn);
        const std::vector<double> x{612345.5, -1000}, y{4812345.25, 500000};
        auto degrees = converter.convert(x, y, job("", road), marovin::no_progress());
        ASSERT_TRUE(degrees) << degrees.error();
        EXPECT_EQ(degrees->longitude, (std::vector<double>{9.25, .5}));
        EXPECT_EQ(degrees->latitude, (std::vector<double>{48.5, -1.5}));
        // The job of each road, in the user's decimal separator; a blank
        // system is WGS84 on the text road only.
        const std::string header =
            road == ConversionJob::Road::Text ? marovin::xy_text_job_header("") : marovin::trace_header_job_header("");
        EXPECT_EQ(read_bytes(dir / "File.cvd"), header + " 612345,5  4812345,25 \r\n-1000  500000 \r\n");
    }

    struct {
        const char* name;
        marovin::ExchangeConverter converter;
        std::vector<double> x;
        RoadFailure kind;
        const char* message;
    } failures[] = {
        {"job folder gone", exchange(standIn, "gone/File.cvd"), {1}, RoadFailure::WriteJob, "cannot write"},
        {"no finite X", exchange(standIn), {1 / 0.0}, RoadFailure::WriteJob, "point 1 has no valid coordinates"},
        {"converter failed",
         exchange([](marovin::Progress&) { return marovin::fail("the converter says no"); }),
         {1},
         RoadFailure::RunConverter,
         "the converter says no"},
        {"short result", exchange(standIn), {1, 2, 3}, RoadFailure::ReadResult, "ends after line 9"},
    };
    for (auto& f : failures) {
        SCOPED_TRACE(f.name);
        fs::remove(dir / "File.cva");
        const std::vector<double> y(f.x.size(), 1.0);
        const auto failed = f.converter.convert_taken(f.x, y, job("UTM32"), marovin::no_progress());
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.failure().kind, f.kind);
        EXPECT_NE(failed.error().find(f.message), std::string::npos) << failed.error();
    }
}

// Points of each kind of path through the geodesy: a projection alone (the
// check converts), a datum shift (converted after the check), coordinates
// with more digits than a job line keeps, a system typed with blanks.
TEST(InProcessConverter, GivesTheConvertersNumbersAndRefusesItsPointsInItsWords)
{
    const support::ScratchFolder scratch;
    const fs::path dir = scratch.path();
    marovin::ExchangeConverter exchange((dir / "File.cvd").string(), (dir / "File.cva").string(), '.', convers(dir));
    marovin::InProcessConverter inside;
    const struct {
        const char* system;
        ConversionJob::Road road;
        std::vector<double> x, y;
    } cases[] = {
        {"UTM32",
         ConversionJob::Road::Seismic,
         {496000, 501980.55, 612345.5 / 3},
         {5314000, 5318485.25, 5314000.0 / 7 * 5}},
        {"UTM31E", ConversionJob::Road::Seismic, {500000, 512345.123456789}, {5300000, 5312345.987654321}},
        {" EPSG:2154 ", ConversionJob::Road::Text, {652000.5, 700000}, {6862000.25, 6600000}},
        {"", ConversionJob::Road::Text, {9.123456789012345, -3.5}, {48.5, 40.000000000001}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.system);
        auto through = exchange.convert(c.x, c.y, job(c.system, c.road), marovin::no_progress());
        ASSERT_TRUE(through) << through.error();
        auto converted = inside.convert(c.x, c.y, job(c.system, c.road), marovin::no_progress());
        ASSERT_TRUE(converted) << converted.error();
        EXPECT_EQ(converted->longitude, through->longitude);
        EXPECT_EQ(converted->latitude, through->latitude);
        EXPECT_FALSE(converted->report.operation_name.empty());
    }

    // A northing with a digit too many, a point far outside the zone.
    for (const double northing : {53140000.0, -5000000.0}) {
        const std::vector<double> x{496000, 496020}, y{5314000, northing};
        const auto refused = exchange.convert(x, y, job("UTM32"), marovin::no_progress());
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.failure().kind, RoadFailure::RunConverter);
        const auto converted = inside.convert_taken(x, y, job("UTM32"), marovin::no_progress());
        ASSERT_FALSE(converted);
        EXPECT_EQ(converted.failure().kind, RoadFailure::Convert);
        const std::string words = refused.error().substr(refused.error().find("File.cvd line 9: ") + 17);
        EXPECT_EQ(converted.error(), "trace 2: " + words.substr(0, words.find_last_not_of("\r\n") + 1));
    }
}

} // namespace
