// The road as one call: both roads with both converters give the same
// degrees, where independent references put them; the system given or the
// one the file names; each failure in its kind; a cancelled run at any step
// leaves no file of its own.
#include "conversion/road.h"

#include "conversion/seismic_choices.h"
#include "support/outside_readers.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "support/seismic_bytes.h"
#include "support/survey_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using marovin::RoadFailure;
using Step = marovin::Progress::Step;

const std::string kSamples = MAROVIN_PROGRAM_DIR "/samples/";
const std::string kShared = MAROVIN_SHARED_DATA_DIR "/";

marovin::SeismicFile openSeismic(const std::string& path)
{
    marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(path);
    if (!file)
        throw std::runtime_error(file.error());
    return std::move(file).value();
}

marovin::TextSource textSource(const std::string& text, marovin::XyLayout layout)
{
    return {marovin::xy_file_text(text), layout, 1};
}

// Asks the run to stop at the start of a step, or once `after` of its units
// are done.
class CancelAt final : public marovin::Progress {
public:
    CancelAt(Step step, std::uint64_t after = 0) : step_(step), after_(after) {}
    void begin(Step step, std::uint64_t) override
    {
        current_ = step;
        stop_ = stop_ || (step == step_ && after_ == 0);
    }
    void advance(std::uint64_t done) override { stop_ = stop_ || (current_ == step_ && after_ > 0 && done >= after_); }
    bool cancelled() const override { return stop_; }
    void cancel() { stop_ = true; }

private:
    Step step_;
    std::uint64_t after_;
    Step current_ = Step::ReadingTraces;
    bool stop_ = false;
};

class Road : public ::testing::Test {
protected:
    // The exchange with the real convers, as the window runs it: an
    // earlier result is removed first.
    marovin::ExchangeConverter exchange(marovin::ExchangeConverter::Run run = {})
    {
        if (!run)
            run = [this](marovin::Progress&) -> marovin::Status {
                fs::remove(dir / "File.cva");
                const support::ProgramRun ran = support::run_program(
                    support::shell_quoted(MAROVIN_PROGRAM_DIR "/convers") + " " + support::shell_quoted(job));
                return ran.status == 0 ? marovin::ok() : marovin::fail(ran.err);
            };
        return {job, (dir / "File.cva").string(), '.', std::move(run)};
    }

    support::ScratchFolder scratch;
    const fs::path dir = scratch.path();
    const std::string job = (dir / "File.cvd").string();
};

// ---- the same degrees from both converters ----------------------------------

TEST_F(Road, BothConvertersGiveTheSameDegreesOnTheSampleLineAndOnRealFiles)
{
    using L = marovin::XyLayout;
    const marovin::CoordinatePair source{marovin::TraceWord::SourceX, marovin::TraceWord::SourceY};
    const struct {
        std::string path;
        std::optional<L> layout; // none: seismic
        const char* system;
        marovin::CoordinatePair pair;
        std::int64_t points;
    } files[] = {
        {kSamples + "aire.su", {}, "UTM32", marovin::kDefaultPair, 300},
        {kSamples + "aire.sgy", {}, "UTM32", marovin::kDefaultPair, 300},
        {kSamples + "stations.xyz", L::NumberXYZ, "UTM32", marovin::kDefaultPair, 300},
        {kShared + "seismic/f3.sgy", {}, "UTM31E", source, 414},
        {kShared + "seismic/Format6lsb.sgy", {}, "UTM31E", source, 414},
        {kShared + "survey/l2sall.sps", L::SPS, "EPSG:32610", marovin::kDefaultPair, 140},
        {kShared + "survey/Line_001.SPS", L::SPS, "UTM32", marovin::kDefaultPair, 251},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        if (!fs::exists(f.path)) {
            ASSERT_EQ(f.path.find(kShared), 0u) << "the build makes the sample line";
            continue;
        }
        std::optional<marovin::SeismicFile> file;
        std::vector<std::vector<double>> degrees;
        for (const bool inProcess : {false, true}) {
            marovin::RoadRequest request;
            request.system = f.system;
            if (f.layout) {
                marovin::Result<marovin::XyText> text = marovin::load_xy_file(f.path);
                ASSERT_TRUE(text) << text.error();
                request.source = marovin::TextSource{std::move(text).value(), *f.layout, 1};
            } else {
                file.emplace(openSeismic(f.path));
                request.source = marovin::SeismicSource{&*file, marovin::kDefaultLabel, f.pair, {}};
            }
            marovin::ExchangeConverter through = exchange();
            marovin::InProcessConverter inside;
            auto road = marovin::run_road(std::move(request), inProcess ? static_cast<marovin::Converter&>(inside)
                                                                        : static_cast<marovin::Converter&>(through));
            ASSERT_TRUE(road) << road.error();
            ASSERT_EQ(road->table.size(), f.points);
            degrees.push_back(road->table.longitude());
            degrees.push_back(road->table.latitude());
        }
        EXPECT_EQ(degrees[2], degrees[0]);
        EXPECT_EQ(degrees[3], degrees[1]);
    }
}

// ---- the degrees where independent references put them -----------------------

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

marovin::Result<marovin::RoadResult, marovin::RoadError> inProcess(marovin::RoadRequest request)
{
    marovin::InProcessConverter converter;
    return marovin::run_road(std::move(request), converter);
}

// Every trace of the sample line, SU and SEG-Y: its CDP number and its
// receiver where the series puts it.
TEST(SampleLineDegrees, EveryTraceLiesWhereTheSeriesPutsItsReceiver)
{
    for (const char* name : {"aire.su", "aire.sgy"}) {
        SCOPED_TRACE(name);
        const marovin::SeismicFile file = openSeismic(kSamples + name);
        auto road = inProcess({marovin::SeismicSource{&file}, "UTM32"});
        ASSERT_TRUE(road) << road.error();
        ASSERT_EQ(road->table.size(), 300);
        EXPECT_EQ(road->traces, 300);
        for (int t = 1; t <= 300; ++t) {
            // Trace t records receiver station 1000 + t: 20 m east and 15 m
            // north per station from (496000, 5314000); CDP is the sum of the
            // shot's and the receiver's stations.
            double lon = 0, lat = 0;
            utm32ToWgs84(496000.0 + 20.0 * (t - 1), 5314000.0 + 15.0 * (t - 1), lon, lat);
            const auto i = static_cast<std::size_t>(t - 1);
            ASSERT_EQ(road->table.number()[i], 1000 + (t - 1) / 30 * 30 + 1000 + t) << t;
            EXPECT_NEAR(road->table.longitude()[i], lon, 1e-7) << t;
            EXPECT_NEAR(road->table.latitude()[i], lat, 1e-7) << t;
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
    auto road = inProcess({textSource(content, marovin::XyLayout::NumberXYZ), "UTM32"});
    ASSERT_TRUE(road) << road.error();
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(road->table.longitude()[i], places[i].longitude, 1e-8) << "point " << i + 1;
        EXPECT_NEAR(road->table.latitude()[i], places[i].latitude, 1e-8) << "point " << i + 1;
        EXPECT_EQ(road->table.number()[i], 500 + static_cast<int>(i));
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
    for (const support::XyShape& shape : support::xy_file_shapes()) {
        SCOPED_TRACE(shape.name);
        auto road = inProcess({textSource(shape.bytes, marovin::XyLayout::NumberXYZ), "UTM32"});
        ASSERT_TRUE(road) << road.error();
        ASSERT_EQ(road->table.size(), support::kStations);
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_EQ(road->table.number()[k], support::kFirstStation + static_cast<int>(k));
            EXPECT_NEAR(road->table.longitude()[k], expected[k].first, 1e-8) << "station " << k + 1;
            EXPECT_NEAR(road->table.latitude()[k], expected[k].second, 1e-8) << "station " << k + 1;
        }
    }
}

// ---- the system given, or the one the file names -----------------------------

// A SEG-Y line of 10 traces whose textual header names ED50 / UTM zone 31N,
// receivers in centimetres (of a metre or, for units word 3, a degree); the
// first trace has none.
std::string namedLine(std::int16_t units = 1)
{
    const std::int32_t x = units == 1 ? 50000000 : 900, y = units == 1 ? 500000000 : 4800;
    std::vector<support::Trace> traces;
    for (std::int32_t t = 0; t < 10; ++t)
        traces.push_back({.cdp = 100 + t, .gx = t == 0 ? 0 : x + 2000 * t, .gy = t == 0 ? 0 : y});
    std::string bytes = support::trace_line(false, 1, -100, traces);
    const std::string card = support::ebcdic("C 1 ED50 UTM ZONE 31N");
    bytes.replace(0, card.size(), card);
    support::put_word(bytes, 3600 + 88, static_cast<std::uint16_t>(units), 2, false);
    return bytes;
}

TEST_F(Road, TheSystemIsTheOneGivenOrWhenLeftToTheFileTheOneItNames)
{
    const marovin::SeismicFile line = openSeismic(scratch.write("line.sgy", namedLine()));
    const std::string sps = std::string(support::kSps2.h00) + "\r\nH13 Geodetic Coordinate System EPSG:32631\r\n" +
                            "H200 Description of grid units American Feet\r\n" +
                            support::sps_record(support::kSps2, 'R', "1", "1001", 500000, 5000000) + "\r\n";
    const std::string codes = "ID;X;Y;EPSG\n1;500000;5000000;32631\n2;500000;5000000;32630\n";
    using L = marovin::XyLayout;
    const struct {
        const char* name;
        marovin::RoadRequest request;
        const char* used; // empty: nothing converted
        bool fromFile;
        const char* told;
        std::size_t groundX; // points on the ground
    } cases[] = {
        {"textual header",
         {marovin::SeismicSource{&line}, "UTM32", false},
         "EPSG:23031",
         true,
         "system EPSG:23031, ED50 / UTM zone 31N, from the textual header",
         9},
        {"textual header, system given", {marovin::SeismicSource{&line}, "UTM32"}, "UTM32", false, "", 9},
        {"SPS H records",
         {textSource(sps, L::SPS), "UTM32", false},
         "EPSG:32631",
         true,
         "system EPSG:32631, WGS 84 / UTM zone 31N, from its H records",
         1},
        {"a column of two systems",
         {textSource(codes, L::NumberXY), "UTM32", false},
         "UTM32",
         false,
         "the column EPSG names more than one system: EPSG:32631 (WGS 84 / UTM zone 31N), EPSG:32630 (WGS 84 / UTM "
         "zone 30N)",
         2},
        {"degrees on the ground are measured by the KMZ",
         {textSource("9,48\n", L::XY), "WGS84"},
         "WGS84",
         false,
         "",
         0},
        {"a blank system on the text road is WGS84", {textSource("9,48\n", L::XY), " "}, "WGS84", false, "", 0},
        {"nothing converted", {textSource(codes, L::NumberXY), std::nullopt, false}, "", false, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto road = inProcess(c.request);
        ASSERT_TRUE(road) << road.error();
        EXPECT_EQ(road->system_used, c.used);
        EXPECT_EQ(road->system_from_file, c.fromFile);
        EXPECT_EQ(road->named.told, c.told);
        EXPECT_EQ(road->table.ground().x.size(), c.groundX);
        EXPECT_EQ(road->table.size(), *c.used ? road->point_count() : 0) << "a table of the points converted";
        EXPECT_EQ(road->points.size(), *c.used ? 0u : 2u) << "the points are kept when nothing is converted";
    }

    // The found-line's facts, the SPS grid units, the points kept for a CSV.
    marovin::RoadRequest kept{marovin::SeismicSource{&line}, "UTM32"};
    kept.keep_points = true;
    auto road = inProcess(std::move(kept));
    ASSERT_TRUE(road) << road.error();
    EXPECT_EQ(road->traces, 10);
    EXPECT_EQ(road->unset, 1);
    EXPECT_EQ(road->unset_text, "1 of 10 traces has no coordinates (X and Y are 0) and is left out");
    EXPECT_EQ(road->points.x.front(), 500020);
    EXPECT_EQ(road->points.origin(0), 2);
    EXPECT_EQ(road->table.number().front(), 101);
    EXPECT_EQ(inProcess({textSource(sps, L::SPS), "UTM31E"})->grid_units.rfind("American Feet", 0), 0u);
}

// ---- each failure in its kind, and a cancelled run leaving no file -----------

// The road's own failures; the exchange's (the job, the converter, its
// result) are the converters' tests.
TEST_F(Road, EachFailureSaysItsKind)
{
    const std::string path = scratch.write("line.sgy", namedLine());
    const marovin::SeismicFile line = openSeismic(path);
    const marovin::SeismicFile angles = openSeismic(scratch.write("angles.sgy", namedLine(3)));
    const marovin::SeismicFile cut = openSeismic(scratch.write("cut.sgy", namedLine()));
    fs::resize_file(dir / "cut.sgy", 3600 + 5 * 244); // after its headers were read
    const auto source = [](const marovin::SeismicFile& file, marovin::CoordinatePair pair = marovin::kDefaultPair,
                           std::optional<double> divisor = {}) {
        return marovin::SeismicSource{&file, marovin::kDefaultLabel, pair, divisor};
    };
    const marovin::CoordinatePair cdp{marovin::TraceWord::CdpX, marovin::TraceWord::CdpY};
    using L = marovin::XyLayout;
    const struct {
        marovin::RoadRequest request;
        RoadFailure kind;
        std::string message;
    } cases[] = {
        {{source(cut), "UTM32"}, RoadFailure::ReadFile, "trace 6 of " + cut.path()},
        {{source(line, marovin::kDefaultPair, 0), "UTM32"}, RoadFailure::ReadFile, "scalar"},
        {{textSource("1,2,3\r\n\r\n4,5\r\n", L::XYZ), "UTM32"},
         RoadFailure::ReadFile,
         "line 3 holds 2 fields, but the file type \"X,Y,Z\" takes 3"},
        {{source(line, cdp), "UTM32"},
         RoadFailure::NoCoordinates,
         "no trace of " + path + " has CDP coordinates; its receiver pair has them"},
        {{source(angles), "UTM32"},
         RoadFailure::AnglesNeedGeographic,
         "give longitudes and latitudes (in decimal degrees)"},
        {{textSource("496000,53140000\n", L::XY), "UTM32"}, RoadFailure::Convert, "line 1: the point"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        auto road = inProcess(c.request);
        ASSERT_FALSE(road);
        EXPECT_EQ(road.failure().kind, c.kind);
        EXPECT_NE(road.error().find(c.message), std::string::npos) << road.error();
    }
    // A geographic system takes the angles.
    EXPECT_TRUE(inProcess({source(angles), "WGS84"}));
}

// 40,000 points: more than one block of the job's writing and of the
// result's reading.
std::string manyPoints()
{
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += std::to_string(496000 + i) + ",5314000\r\n";
    return text;
}

TEST_F(Road, ACancelledRunStopsAtItsStepAndLeavesNoFileOfItsOwn)
{
    const marovin::SeismicFile sample = openSeismic(kSamples + "aire.su");
    const std::string many = manyPoints();
    std::string result = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n";
    for (int i = 1; i <= 40000; ++i)
        result += std::to_string(i) + ",\"UTM32\",48.0,9.0,0\r\n";
    const struct {
        const char* name;
        bool seismic;
        Step step;
        std::uint64_t after; // 0: at the step's start
        bool inRun;          // the converter program is stopped while it runs
        bool inProcess;
        bool jobWritten; // the earlier job was replaced, and so removed
    } cases[] = {
        {"reading traces", true, Step::ReadingTraces, 0, false, false, false},
        {"reading points", false, Step::ReadingPoints, 0, false, false, false},
        {"writing the job", false, Step::Converting, 1, false, false, false},
        {"running the converter", false, Step::Converting, 0, true, false, true},
        {"reading the result", false, Step::Converting, 40001, false, false, true},
        {"converting in process", false, Step::Converting, 0, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string earlier = scratch.plant("File.cvd");
        CancelAt progress(c.inRun ? Step::WritingKml : c.step, c.after);
        bool ran = false;
        marovin::ExchangeConverter through = exchange([&](marovin::Progress&) -> marovin::Status {
            ran = true;
            scratch.write("File.cva", result);
            if (!c.inRun)
                return marovin::ok();
            progress.cancel();
            return marovin::fail(std::string(marovin::kCancelled));
        });
        marovin::InProcessConverter inside;
        marovin::RoadRequest request{c.seismic ? marovin::RoadSource(marovin::SeismicSource{&sample})
                                               : marovin::RoadSource(textSource(many, marovin::XyLayout::XY)),
                                     "UTM32"};
        auto road = marovin::run_road(std::move(request),
                                      c.inProcess ? static_cast<marovin::Converter&>(inside)
                                                  : static_cast<marovin::Converter&>(through),
                                      progress);
        ASSERT_FALSE(road);
        EXPECT_EQ(road.failure().kind, RoadFailure::Cancelled);
        EXPECT_TRUE(marovin::was_cancelled(road.error()));
        EXPECT_EQ(ran, c.inRun || c.after > 40000);
        const std::vector<std::string> left =
            c.jobWritten ? std::vector<std::string>{} : std::vector<std::string>{"File.cvd"};
        EXPECT_EQ(scratch.names(), left) << "no job, no result, no temporary file";
        if (!c.jobWritten) {
            EXPECT_EQ(support::read_bytes(earlier), support::kSentinel);
        }
    }
}

} // namespace
