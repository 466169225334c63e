#include "kml/kmz_writer.h"

#include "support/outside_readers.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace marovin {
namespace {

constexpr double kMetresPerDegree = 111195.08;

// An inline-sorted 3-D grid, 25 m between points and lines, turned 30
// degrees, near 9° E, 48° N (`lines` lines of `per_line` points), with its
// ground coordinates or, as a geographic system gives it, without.
PointTable grid(int lines, int per_line, bool ground)
{
    std::vector<double> longitude, latitude, x, y;
    std::vector<std::int32_t> number;
    const double turn = 30 * std::numbers::pi / 180;
    for (int line = 0; line < lines; ++line) {
        for (int k = 0; k < per_line; ++k) {
            const double east = 25.0 * k * std::cos(turn) - 25.0 * line * std::sin(turn);
            const double north = 25.0 * k * std::sin(turn) + 25.0 * line * std::cos(turn);
            x.push_back(500000 + east);
            y.push_back(5316000 + north);
            longitude.push_back(
                std::round((9 + east / (kMetresPerDegree * std::cos(48 * std::numbers::pi / 180))) * 1e9) / 1e9);
            latitude.push_back(std::round((48 + north / kMetresPerDegree) * 1e9) / 1e9);
            number.push_back(1000 * (line + 1) + k);
        }
    }
    PointTable table(std::move(longitude), std::move(latitude), std::move(number));
    if (ground)
        table.set_ground({std::move(x), std::move(y), {}});
    return table;
}

// `count` points on one spot: no box can part them.
PointTable one_spot(int count)
{
    return PointTable(std::vector<double>(count, 2.35), std::vector<double>(count, 48.8566),
                      std::vector<std::int32_t>(count, 7));
}

const KmlLabels kLabels{5, "CDP", "Seismic line 1"};

// The texts between `open` and `close` in `text`, in order.
std::vector<std::string> between(const std::string& text, const std::string& open, const std::string& close)
{
    std::vector<std::string> found;
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        const std::size_t end = text.find(close, at + open.size());
        found.push_back(text.substr(at + open.size(), end - at - open.size()));
        at = end;
    }
    return found;
}

struct Box {
    double north, south, east, west;
    bool holds(const Box& inner) const
    {
        return inner.north <= north && inner.south >= south && inner.east <= east && inner.west >= west;
    }
    bool holds(double longitude, double latitude) const
    {
        return latitude <= north && latitude >= south && longitude <= east && longitude >= west;
    }
    bool operator==(const Box&) const = default;
};

Box region(const std::string& text)
{
    const auto number = [&](const char* tag) {
        return std::stod(between(text, std::string("<") + tag + ">", std::string("</") + tag + ">").at(0));
    };
    EXPECT_NE(text.find("<minLodPixels>128</minLodPixels>\r\n<maxLodPixels>-1</maxLodPixels>"), std::string::npos);
    return {number("north"), number("south"), number("east"), number("west")};
}

class KmzStructureTest : public ::testing::TestWithParam<int> {
protected:
    static PointTable survey(int which)
    {
        switch (which) {
        case 0: return grid(100, 120, true);
        case 1: return grid(100, 120, false);
        default: return one_spot(5000);
        }
    }
    support::ScratchFolder scratch;
};

// The archive of a survey: doc.kml first, every link leads to a tile and
// every tile is reached once, Regions nest, each tile keeps its share of
// points inside its box, and the tiles hold every placemark of the plain
// document exactly once, byte for byte.
TEST_P(KmzStructureTest, TilesHoldEveryPlacemarkOnceInsideNestedRegions)
{
    const PointTable table = survey(GetParam());
    const std::string path = scratch.file("survey.kmz");
    const Result<KmzWritten> written = write_kmz_file(path, table, kLabels);
    ASSERT_TRUE(written) << written.error();

    const auto entries = support::zip_entries(path);
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, "doc.kml");
    EXPECT_EQ(entries[0].second, written->document);
    EXPECT_EQ(entries[1].first, "files/pushpin.png");
    EXPECT_TRUE(entries[1].second.starts_with("\x89PNG"));
    std::map<std::string, std::string> tiles;
    for (std::size_t k = 2; k < entries.size(); ++k) {
        ASSERT_TRUE(entries[k].first.starts_with("t/")) << entries[k].first;
        tiles[entries[k].first.substr(2)] = entries[k].second;
    }
    EXPECT_EQ(tiles.size(), written->tiles);
    EXPECT_EQ(between(written->document, "<href>", "</href>").back(), "t/0.kml");
    const Box root = region(between(written->document, "<NetworkLink>", "</NetworkLink>").at(0));

    std::vector<std::string> placemarks;
    std::set<std::string> reached{"0.kml"};
    std::map<std::string, Box> boxes{{"0.kml", root}};
    for (const auto& [name, text] : tiles) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(boxes.count(name)) << "no link leads to it";
        const Box box = region(text.substr(0, text.find("</Region>")));
        EXPECT_EQ(box, boxes[name]);
        EXPECT_NE(text.find("<href>../files/pushpin.png</href>"), std::string::npos);
        const std::vector<std::string> links = between(text, "<NetworkLink>", "</NetworkLink>");
        for (const std::string& link : links) {
            const std::string href = between(link, "<href>", "</href>").at(0);
            EXPECT_TRUE(tiles.count(href)) << href;
            EXPECT_TRUE(reached.insert(href).second) << href << " is reached twice";
            EXPECT_NE(link.find("<viewRefreshMode>onRegion</viewRefreshMode>"), std::string::npos);
            boxes[href] = region(link);
            EXPECT_TRUE(box.holds(boxes[href]));
        }
        const std::vector<std::string> own = between(text, "<Placemark>\r\n", "</Placemark>\r\n");
        EXPECT_LE(own.size(), links.empty() ? kTileLeafMost : kTileKeeps);
        for (const std::string& placemark : own) {
            double longitude = 0, latitude = 0;
            std::sscanf(between(placemark, "<coordinates>", "</coordinates>").at(0).c_str(), "%lf,%lf", &longitude,
                        &latitude);
            EXPECT_TRUE(box.holds(longitude, latitude)) << placemark;
            placemarks.push_back(placemark);
        }
    }
    EXPECT_EQ(reached.size(), tiles.size());

    std::ostringstream plain;
    ASSERT_TRUE(write_kml_document(plain, table, kLabels));
    std::vector<std::string> expected = between(plain.str(), "<Placemark>\r\n", "</Placemark>\r\n");
    std::sort(expected.begin(), expected.end());
    std::sort(placemarks.begin(), placemarks.end());
    EXPECT_EQ(placemarks, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Surveys, KmzStructureTest, ::testing::Values(0, 1, 2), [](const ::testing::TestParamInfo<int>& info) {
        return std::string(info.param == 0 ? "GridInMetres" : info.param == 1 ? "GridInDegrees" : "OneSpot");
    });

// The root document draws the survey: its outline, a line per inline kept
// at its two ends, the line names at both ends with the point's label.
TEST(KmzWriter, TheRootDocumentIsTheSurveysBaseMap)
{
    support::ScratchFolder scratch;
    const Result<KmzWritten> written = write_kmz_file(scratch.file("survey.kmz"), grid(30, 40, true), kLabels);
    ASSERT_TRUE(written) << written.error();
    const std::string& doc = written->document;
    EXPECT_EQ(written->lines, 30u);
    EXPECT_EQ(between(doc, "<LookAt>", "</LookAt>").size(), 1u);
    const std::vector<std::string> outline = between(doc, "<LinearRing>\r\n<coordinates>", "</coordinates>");
    ASSERT_EQ(outline.size(), 1u);
    EXPECT_EQ(std::count(outline[0].begin(), outline[0].end(), ' '), 4); // four corners, closed
    const std::vector<std::string> lines = between(doc, "<LineString>", "</LineString>");
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ' '), 1); // two ends
    EXPECT_NE(doc.find("<name>Line 2</name>\r\n<description>CDP 2039</description>"), std::string::npos);
    EXPECT_EQ(between(doc, "<description>", "</description>").size(), 60u);
}

// GDAL reads every tile with its KML driver, straight out of the archive:
// together they give every point, the labelled ones with their names.
TEST(KmzWriter, GdalReadsEveryPointFromTheTiles)
{
    if (!support::have_tool("command -v ogrinfo"))
        GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
    support::ScratchFolder scratch;
    const std::string path = scratch.file("survey.kmz");
    const PointTable table = grid(60, 70, true);
    const Result<KmzWritten> written = write_kmz_file(path, table, kLabels);
    ASSERT_TRUE(written) << written.error();
    ASSERT_GT(written->tiles, 1u);
    std::size_t points = 0, named = 0;
    for (const auto& [name, bytes] : support::zip_entries(path)) {
        if (!name.starts_with("t/"))
            continue;
        for (const support::Feature& feature :
             support::ogrinfo_features("--config GDAL_SKIP LIBKML", "/vsizip/" + path + "/" + name)) {
            ++points;
            named += !feature.name.empty();
            EXPECT_FALSE(std::isnan(feature.latitude));
        }
    }
    EXPECT_EQ(points, 4200u);
    EXPECT_EQ(named, 840u);
}

TEST(KmzWriter, AFailedWriteLeavesThePathAsItWas)
{
    support::ScratchFolder scratch;
    const std::string path = scratch.plant("survey.kmz");
    std::vector<double> longitude{2.35, NAN};
    const PointTable bad(longitude, {48.8, 48.9}, {1, 2});
    const Result<KmzWritten> refused = write_kmz_file(path, bad, kLabels);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find(path), std::string::npos);
    EXPECT_EQ(support::read_bytes(path), support::kSentinel);
    const Result<KmzWritten> nowhere = write_kmz_file(scratch.file("none/survey.kmz"), grid(2, 2, true), kLabels);
    EXPECT_FALSE(nowhere);
    EXPECT_EQ(scratch.names(), std::vector<std::string>{"survey.kmz"});
}

} // namespace
} // namespace marovin
