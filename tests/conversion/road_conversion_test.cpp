// The two ways from a road's points to degrees: through the converter's job
// and result (with a stand-in, then the real convers) and in process; both
// give the same numbers, and refuse the same points in the same words. The
// roads' entries with in-process conversion against independent references:
// the sample line against a series for UTM zone 32, surveyors' files of
// every shape against PROJ's cs2cs.
#include "conversion/road_conversion.h"

#include "base/converter_job.h"
#include "base/converter_result.h"
#include "conversion/road_points.h"
#include "support/outside_readers.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "support/survey_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using support::read_bytes;

class RoadConversion : public ::testing::Test {
protected:
    marovin::ConverterExchange exchange(std::function<marovin::Status()> run)
    {
        return {(dir / "File.cvd").string(), (dir / "File.cva").string(), marovin::trace_header_job_header("UTM32"),
                '.', std::move(run)};
    }
    // The real converter on the job.
    marovin::Status runConvers()
    {
        const support::ProgramRun run = support::run_program(support::shell_quoted(MAROVIN_PROGRAM_DIR "/convers") +
                                                             " " + support::shell_quoted((dir / "File.cvd").string()));
        return run.status == 0 ? marovin::ok() : marovin::fail(run.err);
    }

    support::ScratchFolder scratch;
    const fs::path dir = scratch.path();
};

TEST_F(RoadConversion, ExchangeWritesTheJobRunsTheConverterAndReadsItsResult)
{
    const auto standIn = [this] {
        scratch.write("File.cva", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n1,\"x\",48.5,9.25,0\r\n2,\"x\",-1.5,.5,0\r\n");
        return marovin::ok();
    };
    auto degrees = marovin::convert_through_converter({612345.5, -1000}, {4812345.25, 500000}, exchange(standIn));
    ASSERT_TRUE(degrees) << degrees.error();
    EXPECT_EQ(degrees->longitude, (std::vector<double>{9.25, .5}));
    EXPECT_EQ(degrees->latitude, (std::vector<double>{48.5, -1.5}));
    EXPECT_EQ(read_bytes(dir / "File.cvd"),
              marovin::trace_header_job_header("UTM32") + " 612345.5  4812345.25 \r\n-1000  500000 \r\n");

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
        auto through = marovin::convert_through_converter(c.x, c.y,
                                                          {(dir / "File.cvd").string(), (dir / "File.cva").string(),
                                                           marovin::trace_header_job_header(c.system), '.',
                                                           [this] { return runConvers(); }});
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
            {(dir / "File.cvd").string(), (dir / "File.cva").string(), marovin::trace_header_job_header("UTM32"), '.',
             [this] { return runConvers(); }});
        ASSERT_FALSE(refused);
        const marovin::ConversionPlaces places{"", "", "",
                                               [](std::size_t i) { return "trace " + std::to_string(i + 1) + ": "; }};
        const auto inside = marovin::convert_in_process({496000, 496020}, {5314000, northing}, "UTM32", places);
        ASSERT_FALSE(inside);
        const std::string words = refused.error().substr(refused.error().find("File.cvd line 9: ") + 17);
        EXPECT_EQ(inside.error(), "trace 2: " + words.substr(0, words.find_last_not_of("\r\n") + 1));
    }
}

const marovin::ConversionPlaces kPlaces{"", "", "",
                                        [](std::size_t i) { return "point " + std::to_string(i + 1) + ": "; }};

// Inverse transverse Mercator on WGS84 by Krüger's series to third order
// in n (millimetre-exact within a zone): an independent check of the
// converter's UTM zone 32 north results.
void utm32ToWgs84(double easting, double northing, double& longitude, double& latitude)
{
    const double a = 6378137.0, f = 1 / 298.257223563, k0 = 0.9996;
    const double n = f / (2 - f), n2 = n * n, n3 = n2 * n;
    const double A = a / (1 + n) * (1 + n2 / 4 + n2 * n2 / 64);
    const double beta[3] = {n / 2 - 2 * n2 / 3 + 37 * n3 / 96, n2 / 48 + n3 / 15, 17 * n3 / 480};
    const double delta[3] = {2 * n - 2 * n2 / 3 - 2 * n3, 7 * n2 / 3 - 8 * n3 / 5, 56 * n3 / 15};
    const double xi = northing / (k0 * A), eta = (easting - 500000) / (k0 * A);
    double xi1 = xi, eta1 = eta;
    for (int j = 1; j <= 3; ++j) {
        xi1 -= beta[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
        eta1 -= beta[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
    }
    const double chi = std::asin(std::sin(xi1) / std::cosh(eta1));
    double phi = chi;
    for (int j = 1; j <= 3; ++j)
        phi += delta[j - 1] * std::sin(2 * j * chi);
    latitude = phi * 180 / M_PI;
    longitude = 9 + std::atan2(std::sinh(eta1), std::cos(xi1)) * 180 / M_PI;
}

TEST(UtmReference, SeriesAgreesWithPublishedPoints)
{
    // Values from PROJ's cs2cs EPSG:32632 -> EPSG:4326.
    const struct {
        double e, n, lon, lat;
    } points[] = {
        {612345.5, 4812345.25, 10.3886271787, 43.4555852824},
        {500000, 5000000, 9.0, 45.1534771834},
        {450000.12, 5300000.5, 8.3316355400, 47.8514010229},
    };
    for (const auto& p : points) {
        double lon = 0, lat = 0;
        utm32ToWgs84(p.e, p.n, lon, lat);
        EXPECT_NEAR(lon, p.lon, 1e-8); // about a millimetre
        EXPECT_NEAR(lat, p.lat, 1e-8);
    }
}

// WGS84 / UTM forward projection by Krüger's series (to third order in n),
// independent of the converter's PROJ, to check a real run against.
void utmForward(double latitude, double longitude, int zone, double& easting, double& northing)
{
    const double pi = std::acos(-1.0);
    const double a = 6378137.0, f = 1 / 298.257223563, k0 = 0.9996;
    const double n = f / (2 - f);
    const double e = std::sqrt(f * (2 - f));
    const double A = a / (1 + n) * (1 + n * n / 4 + n * n * n * n / 64);
    const double alpha[3] = {n / 2 - 2 * n * n / 3 + 5 * n * n * n / 16, 13 * n * n / 48 - 3 * n * n * n / 5,
                             61 * n * n * n / 240};
    const double phi = latitude * pi / 180;
    const double dlambda = (longitude - (zone * 6 - 183)) * pi / 180;
    const double t = std::sinh(std::atanh(std::sin(phi)) - e * std::atanh(e * std::sin(phi)));
    const double xi = std::atan(t / std::cos(dlambda));
    const double eta = std::atanh(std::sin(dlambda) / std::sqrt(1 + t * t));
    double x = eta, y = xi;
    for (int j = 1; j <= 3; ++j) {
        x += alpha[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
        y += alpha[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
    }
    easting = 500000 + k0 * A * x;
    northing = k0 * A * y;
}

// Every trace of the sample line, SU and SEG-Y: its CDP number and its
// receiver where the series puts it.
TEST(SampleLineDegrees, EveryTraceLiesWhereTheSeriesPutsItsReceiver)
{
    for (const char* name : {"aire.su", "aire.sgy"}) {
        SCOPED_TRACE(name);
        auto road = marovin::read_seismic_road(std::string(MAROVIN_PROGRAM_DIR "/samples/") + name, {});
        ASSERT_TRUE(road) << road.error() << " (the build makes the sample line)";
        ASSERT_EQ(road->points.size(), 300u);
        const std::vector<std::int32_t> cdp = road->points.number;
        auto degrees = marovin::convert_in_process(road->points.x, road->points.y, "UTM32", kPlaces);
        ASSERT_TRUE(degrees) << degrees.error();
        for (int t = 1; t <= 300; ++t) {
            // Trace t records receiver station 1000 + t: 20 m east and 15 m
            // north per station from (496000, 5314000); CDP is the sum of the
            // shot's and the receiver's stations.
            double lon = 0, lat = 0;
            utm32ToWgs84(496000.0 + 20.0 * (t - 1), 5314000.0 + 15.0 * (t - 1), lon, lat);
            const auto i = static_cast<std::size_t>(t - 1);
            ASSERT_EQ(cdp[i], 1000 + (t - 1) / 30 * 30 + 1000 + t) << t;
            EXPECT_NEAR(degrees->longitude[i], lon, 1e-7) << t;
            EXPECT_NEAR(degrees->latitude[i], lat, 1e-7) << t;
        }
    }
}

TEST(TextRoadDegrees, StationsComeBackWhereTheyWereProjectedFrom)
{
    struct {
        double latitude, longitude;
    } const places[] = {{45, 9}, {0, 9}, {48.8566, 10.25}, {44.5, 6.3}, {54.3, 11.9}};
    // Published check: 45°N 9°E lies at 500000 E, 4982950.400 N in zone 32.
    double e45 = 0, n45 = 0;
    utmForward(45, 9, 32, e45, n45);
    ASSERT_NEAR(e45, 500000, 1e-6);
    ASSERT_NEAR(n45, 4982950.400, 1e-3);

    std::string content;
    int number = 500;
    for (const auto& p : places) {
        double easting = 0, northing = 0;
        utmForward(p.latitude, p.longitude, 32, easting, northing);
        char line[96];
        std::snprintf(line, sizeof line, "%d;%.4f;%.4f;100\r\n", number++, easting, northing);
        content += line;
    }
    const support::ScratchFolder scratch;
    auto points = marovin::read_text_road(scratch.write("survey.xyz", content), marovin::XyLayout::NumberXYZ, 1);
    ASSERT_TRUE(points) << points.error();
    auto degrees = marovin::convert_in_process(points->x, points->y, "UTM32", kPlaces);
    ASSERT_TRUE(degrees) << degrees.error();
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(degrees->longitude[i], places[i].longitude, 1e-8) << "point " << i + 1;
        EXPECT_NEAR(degrees->latitude[i], places[i].latitude, 1e-8) << "point " << i + 1;
        EXPECT_EQ(points->number[i], 500 + static_cast<int>(i));
    }
}

// Every shape a surveyor's file comes in gives the stations where PROJ puts
// them, with their station numbers.
TEST(TextRoadDegrees, EveryShapeOfSurveyFileGivesTheStationsWherePROJPutsThem)
{
    std::vector<std::pair<double, double>> stations;
    for (int n = support::kFirstStation; n < support::kFirstStation + support::kStations; ++n)
        stations.emplace_back(support::station_x(n), support::station_y(n));
    const std::vector<std::pair<double, double>> expected = support::cs2cs_degrees("EPSG:32632", stations);
    ASSERT_EQ(expected.size(), std::size_t{support::kStations}) << "cs2cs (Debian package proj-bin) is needed";
    const support::ScratchFolder scratch;
    for (const support::XyShape& shape : support::xy_file_shapes()) {
        SCOPED_TRACE(shape.name);
        auto points = marovin::read_text_road(scratch.write("shape.xyz", shape.bytes), marovin::XyLayout::NumberXYZ, 1);
        ASSERT_TRUE(points) << points.error();
        auto degrees = marovin::convert_in_process(points->x, points->y, "UTM32", kPlaces);
        ASSERT_TRUE(degrees) << degrees.error();
        ASSERT_EQ(degrees->longitude.size(), std::size_t{support::kStations});
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_EQ(points->number[k], support::kFirstStation + static_cast<int>(k));
            EXPECT_NEAR(degrees->longitude[k], expected[k].first, 1e-8) << "station " << k + 1;
            EXPECT_NEAR(degrees->latitude[k], expected[k].second, 1e-8) << "station " << k + 1;
        }
    }
}

} // namespace
