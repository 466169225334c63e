// The two ways from a road's points to degrees: through the converter's job
// and result (with a stand-in, then the real convers) and in process; both
// give the same numbers, and refuse the same points in the same words.
#include "conversion/road_conversion.h"

#include "base/converter_job.h"
#include "base/converter_result.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RoadConversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("marovin_conversion_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    marovin::ConverterExchange exchange(std::function<marovin::Status()> run)
    {
        return {(dir / "File.cvd").string(), (dir / "File.cva").string(),
                marovin::trace_header_job_header("UTM32"), '.', std::move(run)};
    }
    // The real converter on the job.
    marovin::Status runConvers()
    {
        const std::string command = "'" MAROVIN_PROGRAM_DIR "/convers' '" + (dir / "File.cvd").string() +
                                    "' 2> '" + (dir / "err.txt").string() + "'";
        if (std::system(command.c_str()) != 0)
            return marovin::fail(readFile(dir / "err.txt"));
        return marovin::ok();
    }

    fs::path dir;
};

TEST_F(RoadConversion, ExchangeWritesTheJobRunsTheConverterAndReadsItsResult)
{
    const auto standIn = [this] {
        std::ofstream(dir / "File.cva", std::ios::binary) << "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n"
                                                          << "1,\"x\",48.5,9.25,0\r\n2,\"x\",-1.5,.5,0\r\n";
        return marovin::ok();
    };
    auto degrees = marovin::convert_through_converter({612345.5, -1000}, {4812345.25, 500000}, exchange(standIn));
    ASSERT_TRUE(degrees) << degrees.error();
    EXPECT_EQ(degrees->longitude, (std::vector<double>{9.25, .5}));
    EXPECT_EQ(degrees->latitude, (std::vector<double>{48.5, -1.5}));
    EXPECT_EQ(readFile(dir / "File.cvd"), marovin::trace_header_job_header("UTM32") +
                                              " 612345.5  4812345.25 \r\n-1000  500000 \r\n");

    // Each step's failure stops the exchange there.
    using Step = marovin::ExchangeError::Step;
    const struct {
        const char* name;
        marovin::ConverterExchange exchange;
        std::vector<double> x;
        marovin::ExchangeError::Step step;
    } failures[] = {
        {"job folder gone", {(dir / "gone/File.cvd").string(), "", "", '.', standIn}, {1}, Step::WriteJob},
        {"no finite X", exchange(standIn), {1 / 0.0}, Step::WriteJob},
        {"converter failed", exchange([] { return marovin::fail("no"); }), {1}, Step::RunConverter},
        {"short result", exchange(standIn), {1, 2, 3}, Step::ReadResult},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        fs::remove(dir / "File.cva");
        std::vector<double> y(f.x.size(), 1.0);
        auto failed = marovin::convert_through_converter(f.x, y, f.exchange);
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.failure().step, f.step);
    }
}

// Points of each kind of path through the geodesy: a projection alone (the
// check converts), a datum shift (converted after the check), and
// coordinates with more digits than a job line keeps.
TEST_F(RoadConversion, InProcessGivesTheConvertersNumbersAndRefusesItsPointsInItsWords)
{
    const struct {
        const char* system;
        std::vector<double> x, y;
    } cases[] = {
        {"UTM32", {496000, 501980.55, 612345.5 / 3}, {5314000, 5318485.25, 5314000.0 / 7 * 5}},
        {"UTM31E", {500000, 512345.123456789}, {5300000, 5312345.987654321}},
        {"WGS84", {9.123456789012345, -3.5}, {48.5, 40.000000000001}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.system);
        auto through = marovin::convert_through_converter(
            c.x, c.y,
            {(dir / "File.cvd").string(), (dir / "File.cva").string(), marovin::trace_header_job_header(c.system),
             '.', [this] { return runConvers(); }});
        ASSERT_TRUE(through) << through.error();
        const marovin::ConversionPlaces places{"", "", "", [](std::size_t i) { return std::to_string(i) + ": "; }};
        auto inside = marovin::convert_in_process(c.x, c.y, c.system, places);
        ASSERT_TRUE(inside) << inside.error();
        EXPECT_EQ(inside->longitude, through->longitude);
        EXPECT_EQ(inside->latitude, through->latitude);
    }

    // A northing with a digit too many, a point far outside the zone.
    for (const double northing : {53140000.0, -5000000.0}) {
        const auto refused = marovin::convert_through_converter(
            {496000, 496020}, {5314000, northing},
            {(dir / "File.cvd").string(), (dir / "File.cva").string(), marovin::trace_header_job_header("UTM32"),
             '.', [this] { return runConvers(); }});
        ASSERT_FALSE(refused);
        const marovin::ConversionPlaces places{"", "", "", [](std::size_t i) { return "trace " + std::to_string(i + 1) + ": "; }};
        const auto inside = marovin::convert_in_process({496000, 496020}, {5314000, northing}, "UTM32", places);
        ASSERT_FALSE(inside);
        const std::string words = refused.error().substr(refused.error().find("File.cvd line 9: ") + 17);
        EXPECT_EQ(inside.error(), "trace 2: " + words.substr(0, words.find_last_not_of("\r\n") + 1));
    }
}

} // namespace
