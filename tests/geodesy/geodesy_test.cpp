// The converter's geodesy as library calls: the systems it reads, what it
// makes of published points, the points it refuses and its words for them.
// The tables run with the round trip taken where needed and with it taken
// for every point: the answers must be the same.

#include "geodesy/geodesy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

using marovin::RoundTrip;
using ::testing::StartsWith;

const marovin::ConversionPlaces places{
    "job: ", "source: ", "target: ", [](std::size_t i) { return "point " + std::to_string(i + 1) + ": "; }};

// The points converted in place, or the message.
struct Converted {
    std::string error; // empty on success
    std::vector<double> longitude, latitude;
};

Converted convert(const std::string& system, std::vector<double> x, std::vector<double> y,
                  RoundTrip round_trip = RoundTrip::where_needed, const std::string& target = "WGS84")
{
    auto report = marovin::convert_points(system, target, x, y, places, round_trip);
    if (!report)
        return {report.error(), {}, {}};
    return {"", std::move(x), std::move(y)};
}

// The same doubles, bit for bit.
bool same_bits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

TEST(GeographicSystem, WhatProjReadsAsGeographicIsGeographicAndNothingElse)
{
    const std::pair<const char*, bool> cases[] = {
        {"WGS84", true},
        {"ED50", true},
        {"NTF", true},
        {"BD72", true},
        {"wgs84", true},
        {" ED50 ", true},
        {"EPSG:4326", true},
        {"epsg:4230", true},
        {"EPSG:4258", true},
        {"UTM32", false},
        {"UTM31E", false},
        {"SWISS", false},
        {"LT93", false},
        {"L93", false},
        {"LT1", false},
        {"LT72", false},
        {"EPSG:32632", false},
        {"EPSG:2154", false},
        {"EPSG:43260", false},
        {"", false},
        {"WGS 84", true},
        {"+proj=longlat +datum=WGS84 +type=crs", true},
        {"+proj=utm +zone=32 +type=crs", false},
        {"MyGrid", false},
    };
    for (const auto& [system, geographic] : cases)
        EXPECT_EQ(marovin::is_geographic_system(system), geographic) << '"' << system << '"';
}

TEST(SystemNames, ASystemIsTakenOrRefusedWithTheWordsOfTheConversion)
{
    const struct {
        std::string name;
        std::string error; // empty when taken
    } cases[] = {
        {"UTM32", ""},
        {"lt93", ""},
        {"EPSG:2154", ""},
        {"WGS 84", ""},
        {"+proj=utm +zone=32 +datum=WGS84 +type=crs", ""},
        {"UTM99", "unknown coordinate system \"UTM99\""},
        // PROJ alone would take it for "Amersfoort".
        {"foo", "unknown coordinate system \"foo\""},
        {"EPSG:4978", "\"EPSG:4978\" is neither a geographic nor a projected coordinate system"},
        {std::string(100000, 'Q'), "unknown coordinate system \"" + std::string(40, 'Q') + "\"..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 40));
        const marovin::Status checked = marovin::check_system(c.name);
        EXPECT_EQ(checked ? "" : checked.error(), c.error);
        if (!c.error.empty()) {
            EXPECT_EQ(convert(c.name, {1}, {2}).error, "source: " + c.error);
        }
    }
    EXPECT_EQ(convert("UTM32", {500000}, {5000000}, RoundTrip::where_needed, "UTM31").error,
              "target: the target system \"UTM31\" is not geographic; the result gives latitude and longitude");
    EXPECT_EQ(convert("UTM32", {500000}, {5000000}, RoundTrip::where_needed, "UTM99").error,
              "target: unknown coordinate system \"UTM99\"");

    // Every name of a system gives the same degrees.
    const Converted lt93 = convert("LT93", {652760.737}, {7033791.243});
    ASSERT_EQ(lt93.error, "");
    for (const char* name : {"lt93", "L93", "EPSG:2154"}) {
        const Converted other = convert(name, {652760.737}, {7033791.243});
        EXPECT_TRUE(same_bits(other.longitude, lt93.longitude) && same_bits(other.latitude, lt93.latitude)) << name;
    }
}

class BothChecks : public ::testing::TestWithParam<RoundTrip> {};

INSTANTIATE_TEST_SUITE_P(RoundTrip, BothChecks, ::testing::Values(RoundTrip::where_needed, RoundTrip::every_point),
                         [](const auto& info) {
                             return info.param == RoundTrip::where_needed ? "WhereNeeded" : "EveryPoint";
                         });

double dms(double degrees, double minutes, double seconds) { return degrees + minutes / 60 + seconds / 3600; }

// Horizontal distance in metres between two nearby positions.
double distance_m(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double radius = 6371000, radian = std::numbers::pi / 180;
    const double north = (lat2 - lat1) * radian * radius;
    const double east = (lon2 - lon1) * radian * radius * std::cos(lat1 * radian);
    return std::hypot(north, east);
}

struct ReferencePoint {
    const char* source_system;
    const char* target_system;
    double x, y;
    double latitude, longitude;
    double tolerance_m; // 1 cm, or what the transformation promises
    const char* source; // where the expected position is published
};

// Expected positions: where the reference is in RGF93, PROJ's RGF93 v1 to
// WGS 84 is the null transformation, so the numbers hold for WGS84 to the
// millimetre. Datum shifts without a grid (Helmert) are good to a few metres.
const ReferencePoint reference_points[] = {
    {"UTM30", "WGS84", 1057002.405491298, 110955.141175949, 1, 2, 0.01,
     "PROJ test/gie/builtins.gie, utm zone=30 GRS80: 2E 1N"},
    {"UTM30", "WGS84", 611263.81227890507, 110547.10569680421, 1, -2, 0.01,
     "PROJ utm self-test (zone=30 GRS80): 2W 1N"},
    {"L93", "WGS84", 652760.737, 7033791.243, dms(50, 23, 59.7718445), dms(2, 20, 11.4239243), 0.01,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMB93 and IGNF:RGF93G of the same point"},
    {"LT93", "WGS84", 358799.172, 6342652.486, dms(44, 5, 59.8251878), -dms(1, 15, 48.9240599), 0.01,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMB93 and IGNF:RGF93G of the same point"},
    {"LT2", "WGS84", 600000.0000, 2600545.4523, dms(50, 23, 59.7718445), dms(2, 20, 11.4239243), 3,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMBE (Lambert II carto) and IGNF:RGF93G; NTF to WGS 84 (1), 2 m"},
    {"LT2", "WGS84", 311552.5340, 1906457.4840, dms(44, 5, 59.8251878), -dms(1, 15, 48.9240599), 3,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMBE (Lambert II carto) and IGNF:RGF93G; NTF to WGS 84 (1), 2 m"},
    {"SWISS", "WGS84", 700000, 100000, dms(46, 2, 38.87), dms(8, 43, 49.79), 1.5,
     "swisstopo, approximate formulas for Swiss projection coordinates and WGS84, example (rigorous values); "
     "CH1903 to WGS 84 (2), 1.5 m"},
    {"LT72", "BD72", 251763.20, 153034.13, dms(50, 40, 46.461), dms(5, 48, 26.533), 0.05,
     "EPSG guidance note 7-2, Lambert Conic Conformal (2SP Belgium) example; the Belgian variant it uses and "
     "EPSG:31370 agree to a few centimetres"},
    {"ED50", "WGS84", 2.1309658333333332, 53.810156944444444, dms(53, 48, 33.82), dms(2, 7, 46.38), 3,
     "EPSG guidance note 7-2, geocentric translations example, ED50 53d48'36.565\"N 2d07'51.477\"E; "
     "PROJ's ED50 to WGS 84 (36) for the area differs from the note's parameters by metres"},
    {"UTM31E", "WGS84", 442774.2211, 5962877.6514, dms(53, 48, 33.82), dms(2, 7, 46.38), 3,
     "the same EPSG guidance note 7-2 ED50 point, put into ED50 / UTM zone 31N with "
     "cs2cs -f %.4f EPSG:4230 EPSG:23031"},
};

TEST_P(BothChecks, PublishedReferencePointsConvertWithinTheTransformationsAccuracy)
{
    for (const ReferencePoint& point : reference_points) {
        SCOPED_TRACE(std::string(point.source_system) + ": " + point.source);
        const Converted got = convert(point.source_system, {point.x}, {point.y}, GetParam(), point.target_system);
        ASSERT_EQ(got.error, "");
        EXPECT_LE(distance_m(point.latitude, point.longitude, got.latitude[0], got.longitude[0]), point.tolerance_m);
    }
}

struct DomainPoint {
    const char* system;
    double x, y;
    double latitude, longitude;
};

// Points inside each system's area of use, then points inside the margin
// around it (UTM32 at 1.5 E, 88.5 N and 4.5 S; LT2 at 55.9 N and 9.5 W; ED50
// at 53.5 E), each with what the converter gave for it, alone in its job,
// before it checked areas, to nine decimals.
const DomainPoint inside_points[] = {
    {"BD72", 3.730696246, 50.852862102, 50.852321225, 3.731944031},
    {"ED50", -4.691533652, 51.561206449, 51.560291963, -4.693030581},
    {"L93", -92351.047, 7188705.821, 51.279055004, -8.365356472},
    {"LT1", 305203.858, 1386937.140, 51.106376513, -1.873685557},
    {"LT2", 466700.428, 2247406.092, 47.212982353, 0.576567972},
    {"LT3", 774404.541, 3231930.945, 44.366536177, 4.525017249},
    {"LT4", 570052.144, 4154516.761, 41.676868405, 9.187158849},
    {"LT72", 74013.280, 164650.128, 50.787367400, 3.291112769},
    {"LT93", 749968.041, 7012031.595, 50.204363583, 3.699112336},
    {"NTF", 4.084873976, 48.306618804, 48.306551389, 4.084242637},
    {"SWISS", 527336.671, 96748.969, 46.018367811, 6.500411266},
    {"UTM30", 496424.266, 556700.897, 5.036516782, -3.032257938},
    {"UTM30E", 461903.702, 4561448.166, 41.201630744, -3.455659810},
    {"UTM31", 649967.960, 6740862.491, 60.774910847, 5.753870605},
    {"UTM31E", 503176.136, 6646519.023, 59.954124822, 3.055228876},
    {"UTM32", 577659.478, 5306349.488, 47.905768447, 10.039189203},
    {"UTM32E", 440276.887, 8736491.203, 78.685550044, 6.268824034},
    {"WGS84", -63.420204660, -62.847148694, -62.847148694, -63.420204660},
    {"UTM32", -91113.156, 5010385.946, 44.999999998, 1.500000005},
    {"UTM32", 500000, 9830491.377, 88.500000002, 9.000000000},
    {"UTM32", 500000, -497395.465, -4.500000002, 9.000000000},
    {"LT2", 578675.530, 3216827.169, 55.900042738, 2.000864821},
    {"LT2", -296741.957, 2289895.349, 47.000000004, -9.499999988},
    {"ED50", 53.5, 40, 39.999260175, 53.500019722},
};

TEST_P(BothChecks, PointsInsideTheAreaOrItsMarginConvertAsBefore)
{
    for (const DomainPoint& point : inside_points) {
        SCOPED_TRACE(std::string(point.system) + " " + std::to_string(point.x) + " " + std::to_string(point.y));
        const Converted got = convert(point.system, {point.x}, {point.y}, GetParam());
        ASSERT_EQ(got.error, "");
        EXPECT_NEAR(got.latitude[0], point.latitude, 5e-10);
        EXPECT_NEAR(got.longitude[0], point.longitude, 5e-10);
    }
}

struct Refusal {
    const char* name;
    const char* system;
    std::vector<double> x, y;
    std::string message;
};

const std::string no_position = "\": its projection does not lead back to it (a digit too many or too few?)";
const std::string utm32_area = "outside the area of \"UTM32\" (longitude 6 to 12, latitude 0 to 84, give or take 5 "
                               "degrees)";
const std::string lt2_area = "outside the area of \"LT2\" (longitude -4.87 to 8.23, latitude 42.33 to 51.14, give or "
                             "take 5 degrees)";
const std::string lt93_area = "outside the area of \"LT93\" (longitude -9.86 to 10.38, latitude 41.15 to 51.56, give "
                              "or take 5 degrees)";
const std::string swiss_area = "outside the area of \"SWISS\" (longitude 5.96 to 10.49, latitude 45.82 to 47.81, "
                               "give or take 5 degrees)";
const std::string ed50_area = "outside the area of \"ED50\" (longitude -16.1 to 48.61, latitude 25.71 to 84.73, give "
                              "or take 5 degrees)";
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// What slips and mix-ups make of survey points, with the converter's words
// for each as they were before the round trip was spared (points from
// pyproj, EPSG:4326 to the system, where the names give places). Each is a
// point of its own; the last ones follow good points.
const Refusal refusals[] = {
    {"a northing with a digit too many: the projection wraps it",
     "UTM32",
     {600010},
     {45000100},
     "point 1: the point X 600010, Y 45000100 is no position in \"UTM32" + no_position},
    {"an easting with two digits too many",
     "LT2",
     {60000000},
     {2400000},
     "point 1: the point X 60000000, Y 2400000 lies at longitude 118.15, latitude -77.81, " + lt2_area},
    {"a northing with a digit too few",
     "LT93",
     {652760.737},
     {703379.1243},
     "point 1: the point X 652760.737, Y 703379.1243 lies at longitude 2.69, latitude -1.33, " + lt93_area},
    {"an easting with a digit too few",
     "SWISS",
     {70000},
     {100000},
     "point 1: the point X 70000, Y 100000 lies at longitude 0.61, latitude 45.84, " + swiss_area},
    {"X and Y swapped in UTM",
     "UTM32",
     {5314000},
     {496000},
     "point 1: the point X 5314000, Y 496000 lies at longitude 48.72, latitude 3.45, " + utm32_area},
    {"X and Y swapped in Lambert",
     "LT93",
     {7033791.243},
     {652760.737},
     "point 1: the point X 7033791.243, Y 652760.737 lies at longitude 41.34, latitude -11.35, " + lt93_area},
    {"the other hemisphere in UTM",
     "UTM32",
     {500000},
     {-5000000},
     "point 1: the point X 500000, Y -5000000 lies at longitude 9.00, latitude -45.15, " + utm32_area},
    {"the other hemisphere in degrees",
     "ED50",
     {10},
     {-40},
     "point 1: the point longitude 10, latitude -40 lies " + ed50_area},
    {"0.5 E, west of the zone's margin",
     "UTM32",
     {-169925.903},
     {5018218.611},
     "point 1: the point X -169925.903, Y 5018218.611 lies at longitude 0.50, latitude 45.00, " + utm32_area},
    {"10.2 W, west of Lambert II's margin",
     "LT2",
     {-349336.572},
     {2298116.503},
     "point 1: the point X -349336.572, Y 2298116.503 lies at longitude -10.20, latitude 47.00, " + lt2_area},
    {"89.5 N in UTM",
     "UTM32",
     {500000},
     {9942140.306},
     "point 1: the point X 500000, Y 9942140.306 lies at longitude 9.00, latitude 89.50, " + utm32_area},
    {"5.5 S in UTM",
     "UTM32",
     {500000},
     {-607933.970},
     "point 1: the point X 500000, Y -607933.97 lies at longitude 9.00, latitude -5.50, " + utm32_area},
    {"56.5 N in Lambert II",
     "LT2",
     {578966.399},
     {3284595.435},
     "point 1: the point X 578966.399, Y 3284595.435 lies at longitude 2.00, latitude 56.50, " + lt2_area},
    {"54 E in ED50", "ED50", {54}, {40}, "point 1: the point longitude 54, latitude 40 lies " + ed50_area},
    {"latitude 91",
     "WGS84",
     {5},
     {91},
     "point 1: longitude 5 and latitude 91 are not degrees of a position on the earth"},
    {"beyond the pole in ED50",
     "ED50",
     {5},
     {95},
     "point 1: longitude 5 and latitude 95 are not degrees of a position on the earth"},
    {"NaN easting",
     "UTM32",
     {nan},
     {5000000},
     "point 1: the point X nan, Y 5000000 is no position in \"UTM32" + no_position},
    {"infinite easting",
     "UTM32",
     {inf},
     {5000000},
     "point 1: the point X inf, Y 5000000 is no position in \"UTM32" + no_position},
    {"infinite northing",
     "UTM32",
     {500000},
     {-inf},
     "point 1: the point X 500000, Y -inf is no position in \"UTM32" + no_position},
    {"NaN longitude",
     "WGS84",
     {nan},
     {45},
     "point 1: the point longitude nan, latitude 45 cannot be transformed from \"WGS84\""},
    {"infinite latitude",
     "WGS84",
     {5},
     {inf},
     "point 1: longitude 5 and latitude inf are not degrees of a position on the earth"},
    {"infinite longitude",
     "ED50",
     {-inf},
     {45},
     "point 1: longitude -inf and latitude 45 are not degrees of a position on the earth"},
    // Both made PROJ's search for operations recurse until the stack ran out.
    {"a longitude of 192.5",
     "ED50",
     {192.5},
     {46},
     "point 1: the point longitude 192.5, latitude 46 lies " + ed50_area},
    {"a point on the antimeridian",
     "EPSG:3031",
     {0},
     {-7129781},
     "point 1: the point X 0, Y -7129781 lies at longitude 180.00, latitude -30.24, outside the area of "
     "\"EPSG:3031\" (longitude -180 to 180, latitude -90 to -60, give or take 5 degrees)"},
    {"a wrapped point after good ones",
     "UTM32",
     {500000, 510000, 600010},
     {5000000, 5010000, 45000100},
     "point 3: the point X 600010, Y 45000100 is no position in \"UTM32" + no_position},
    {"a point far outside the projection after a good one",
     "UTM32",
     {500000, 1e9},
     {5000000, 1e9},
     "point 2: the point X 1000000000, Y 1000000000 is no position in \"UTM32" + no_position},
    // In the box of the zone's area, its inverse outside the area: it goes
    // the round trip, and is named before the wrapped point after it.
    {"a point outside the area before a wrapped one",
     "UTM32",
     {500000, -169925.903, 600010},
     {5000000, 5018218.611, 45000100},
     "point 2: the point X -169925.903, Y 5018218.611 lies at longitude 0.50, latitude 45.00, " + utm32_area},
};

TEST_P(BothChecks, APointThatIsNoPositionOfItsSystemIsRefusedWithItsPlaceAndWhy)
{
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        EXPECT_EQ(convert(refusal.system, refusal.x, refusal.y, GetParam()).error, refusal.message);
    }
}

// Jobs large enough to be shared between the cores give every point what it
// gives alone, bit for bit, both ways, and refuse the same first point as
// one core would: UTM32, whose check does the whole conversion, and ED50,
// which takes a further transformation after it.
TEST(LargeJobs, GiveEveryPointWhatItGivesAloneAndRefuseTheFirstBadOne)
{
    constexpr std::size_t n = 200000;
    for (const DomainPoint* point : {&inside_points[15], &inside_points[1]}) {
        SCOPED_TRACE(point->system);
        const Converted alone = convert(point->system, {point->x}, {point->y});
        ASSERT_EQ(alone.error, "");
        for (const RoundTrip round_trip : {RoundTrip::where_needed, RoundTrip::every_point}) {
            const Converted all =
                convert(point->system, std::vector<double>(n, point->x), std::vector<double>(n, point->y), round_trip);
            ASSERT_EQ(all.error, "");
            EXPECT_TRUE(same_bits(all.longitude, std::vector<double>(n, alone.longitude[0])));
            EXPECT_TRUE(same_bits(all.latitude, std::vector<double>(n, alone.latitude[0])));
        }
    }

    const DomainPoint& good = inside_points[15];
    const std::pair<double, double> wrapped{600010, 45000100}, outside{-169925.903, 5018218.611}; // 0.5 E
    const struct {
        std::vector<std::pair<std::size_t, std::pair<double, double>>> bad;
        std::string message;
    } cases[] = {
        {{{150000, wrapped}}, "point 150001: the point X 600010, Y 45000100 is no position"},
        {{{60000, wrapped}, {150000, wrapped}}, "point 60001: the point X 600010"},
        {{{120000, outside}, {150000, wrapped}}, "point 120001: the point X -169925.903"},
        {{{n - 1, wrapped}}, "point 200000: the point X 600010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<double> x(n, good.x), y(n, good.y);
        for (const auto& [at, value] : c.bad) {
            x[at] = value.first;
            y[at] = value.second;
        }
        for (const RoundTrip round_trip : {RoundTrip::where_needed, RoundTrip::every_point})
            EXPECT_THAT(convert("UTM32", x, y, round_trip).error, StartsWith(c.message));
    }
}

// A cancel is seen by every core between slices: the check and the
// further transformation stop, whichever is under way.
TEST(LargeJobs, StopBetweenSlicesOnceCancelled)
{
    // Cancelled once asked `after` times, from any core.
    struct AskedTimes final : marovin::Progress {
        explicit AskedTimes(int after) : after(after) {}
        bool cancelled() const override { return ++asked > after; }
        const int after;
        mutable std::atomic<int> asked{0};
    };
    constexpr std::size_t n = 200000;
    for (const DomainPoint* point : {&inside_points[15], &inside_points[1]}) {
        SCOPED_TRACE(point->system);
        for (const int after : {0, 20}) {
            AskedTimes progress(after);
            std::vector<double> x(n, point->x), y(n, point->y);
            const auto converted =
                marovin::convert_points(point->system, "WGS84", x, y, places, RoundTrip::where_needed, &progress);
            ASSERT_FALSE(converted);
            EXPECT_TRUE(marovin::was_cancelled(converted.error()));
            EXPECT_LT(progress.asked.load(), after + 10) << "each core stops at its next slice";
        }
    }
}

} // namespace
