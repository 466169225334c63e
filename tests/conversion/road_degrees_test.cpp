// The roads' entries with in-process conversion against independent
// references: the sample line against a series for UTM zone 32, surveyors'
// files of every shape against PROJ's cs2cs.
#include "conversion/road_conversion.h"
#include "conversion/road_points.h"

#include "../readers/xy_file_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const marovin::ConversionPlaces kPlaces{"", "", "", [](std::size_t i) { return "point " + std::to_string(i + 1) + ": "; }};

fs::path testFile(const std::string& name, const std::string& bytes)
{
    const fs::path path = fs::temp_directory_path() /
                          ("marovin_degrees_" + std::to_string(::getpid()) + "_" + name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

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
    const fs::path file = testFile("survey.xyz", content);
    auto points = marovin::read_text_road(file.string(), marovin::XyLayout::NumberXYZ, 1);
    fs::remove(file);
    ASSERT_TRUE(points) << points.error();
    auto degrees = marovin::convert_in_process(points->x, points->y, "UTM32", kPlaces);
    ASSERT_TRUE(degrees) << degrees.error();
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(degrees->longitude[i], places[i].longitude, 1e-8) << "point " << i + 1;
        EXPECT_NEAR(degrees->latitude[i], places[i].latitude, 1e-8) << "point " << i + 1;
        EXPECT_EQ(points->number[i], 500 + static_cast<int>(i));
    }
}

// PROJ's cs2cs on the survey stations: longitude and latitude of each.
std::vector<std::pair<double, double>> projDegrees()
{
    const fs::path input = testFile("cs2cs.txt", [] {
        std::string text;
        for (int n = xy_shapes::kFirstStation; n < xy_shapes::kFirstStation + xy_shapes::kStations; ++n)
            text += std::to_string(xy_shapes::station_x(n)) + " " + std::to_string(xy_shapes::station_y(n)) + "\n";
        return text;
    }());
    std::vector<std::pair<double, double>> degrees;
    const std::string command = "cs2cs -f %.10f EPSG:32632 EPSG:4326 < '" + input.string() + "' 2>/dev/null";
    if (FILE* out = ::popen(command.c_str(), "r")) {
        double latitude = 0, longitude = 0, height = 0; // EPSG:4326 gives latitude first
        while (std::fscanf(out, "%lf %lf %lf", &latitude, &longitude, &height) == 3)
            degrees.emplace_back(longitude, latitude);
        ::pclose(out);
    }
    fs::remove(input);
    return degrees;
}

// Every shape a surveyor's file comes in gives the stations where PROJ puts
// them, with their station numbers.
TEST(TextRoadDegrees, EveryShapeOfSurveyFileGivesTheStationsWherePROJPutsThem)
{
    const std::vector<std::pair<double, double>> expected = projDegrees();
    ASSERT_EQ(expected.size(), std::size_t{xy_shapes::kStations}) << "cs2cs (Debian package proj-bin) is needed";
    for (const xy_shapes::Shape& shape : xy_shapes::file_shapes()) {
        SCOPED_TRACE(shape.name);
        const fs::path file = testFile("shape.xyz", shape.bytes);
        auto points = marovin::read_text_road(file.string(), marovin::XyLayout::NumberXYZ, 1);
        fs::remove(file);
        ASSERT_TRUE(points) << points.error();
        auto degrees = marovin::convert_in_process(points->x, points->y, "UTM32", kPlaces);
        ASSERT_TRUE(degrees) << degrees.error();
        ASSERT_EQ(degrees->longitude.size(), std::size_t{xy_shapes::kStations});
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_EQ(points->number[k], xy_shapes::kFirstStation + static_cast<int>(k));
            EXPECT_NEAR(degrees->longitude[k], expected[k].first, 1e-8) << "station " << k + 1;
            EXPECT_NEAR(degrees->latitude[k], expected[k].second, 1e-8) << "station " << k + 1;
        }
    }
}

} // namespace
