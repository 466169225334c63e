#include "kml/kmz_writer.h"

#include "kml/survey_shape.h"

#include "support/outside_readers.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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
// degrees, near `east` (9° E unless told), 48° N (`lines` lines of
// `per_line` points), with its ground coordinates or, as a geographic system
// gives it, without.
PointTable grid(int lines, int per_line, bool ground, double centre = 9)
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
            const double at = centre + east / (kMetresPerDegree * std::cos(48 * std::numbers::pi / 180));
            longitude.push_back(std::round((at > 180 ? at - 360 : at) * 1e9) / 1e9);
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
        case 2: return grid(100, 120, false, 179.99); // across the 180th meridian
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

std::string survey_name(const ::testing::TestParamInfo<int>& info)
{
    static const char* const names[] = {"GridInMetres", "GridInDegrees", "AcrossTheMeridian", "OneSpot"};
    return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(Surveys, KmzStructureTest, ::testing::Values(0, 1, 2, 3), survey_name);

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

// A survey across the 180th meridian is looked at where it lies, from the
// height its size needs; the outline and the lines are measured across it.
TEST(KmzWriter, ASurveyAcrossTheMeridianIsLookedAtWhereItLies)
{
    support::ScratchFolder scratch;
    const Result<KmzWritten> written =
        write_kmz_file(scratch.file("survey.kmz"), grid(30, 40, false, 179.995), kLabels);
    ASSERT_TRUE(written) << written.error();
    const std::string look = between(written->document, "<LookAt>", "</LookAt>").at(0);
    EXPECT_GT(std::fabs(std::stod(between(look, "<longitude>", "</longitude>").at(0))), 179.99);
    EXPECT_LT(std::stod(between(look, "<range>", "</range>").at(0)), 3000);
    EXPECT_EQ(written->lines, 30u);
    const std::vector<std::string> outline =
        between(written->document, "<LinearRing>\r\n<coordinates>", "</coordinates>");
    ASSERT_EQ(outline.size(), 1u);
    EXPECT_EQ(std::count(outline[0].begin(), outline[0].end(), ' '), 4);
}

// However many lines a survey has (a shot-sorted file gives one per shot),
// the base map draws a bounded number of them, the first and the last among
// them.
TEST(KmzWriter, TheBaseMapStaysSmallWhateverTheLines)
{
    // 3,000 short lines of four points, 300 m apart.
    std::vector<double> longitude, latitude;
    for (int line = 0; line < 3000; ++line) {
        for (int k = 0; k < 4; ++k) {
            longitude.push_back(9 + 25.0 * k / (kMetresPerDegree * std::cos(48 * std::numbers::pi / 180)));
            latitude.push_back(48 + 300.0 * line / kMetresPerDegree);
        }
    }
    const PointTable table(std::move(longitude), std::move(latitude), std::vector<std::int32_t>(12000, 7));
    support::ScratchFolder scratch;
    const Result<KmzWritten> written = write_kmz_file(scratch.file("survey.kmz"), table, kLabels);
    ASSERT_TRUE(written) << written.error();
    EXPECT_EQ(written->lines, 3000u);
    const std::vector<std::string> names = between(written->document, "<Placemark>\r\n<name>", "</name>");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Line 1"), 3); // its LineString and its two ends
    EXPECT_EQ(std::count(names.begin(), names.end(), "Line 3000"), 3);
    EXPECT_EQ(between(written->document, "<LineString>", "</LineString>").size(), kMostLinesDrawn);
    EXPECT_LT(written->document.size(), 200'000u);
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

// A progress that asks to stop once it has been told `stop_after` advances
// (never when negative), and records what it was told.
class StoppingProgress : public Progress {
public:
    explicit StoppingProgress(int stop_after) : stop_after_(stop_after) {}
    void begin(Step step, std::uint64_t total) override
    {
        EXPECT_EQ(step, Step::WritingKml);
        EXPECT_EQ(begun.exchange(total), 0u) << "begun twice";
    }
    void advance(std::uint64_t done) override
    {
        EXPECT_GE(done, done_.exchange(done));
        ++advances_;
    }
    bool cancelled() const override { return stop_after_ >= 0 && advances_ >= stop_after_; }
    std::uint64_t done() const { return done_; }

    std::atomic<std::uint64_t> begun = 0;

private:
    const int stop_after_;
    std::atomic<int> advances_ = 0;
    std::atomic<std::uint64_t> done_ = 0;
};

// Both writers tell their progress in points and, asked to stop at the start
// or in the middle, fail with kCancelled and leave the folder as it was: the
// earlier file kept, no temporary file.
TEST(KmzWriter, BothWritersTellTheirProgressAndStopWhenAsked)
{
    const PointTable table = grid(400, 400, true);
    for (const bool kmz : {false, true}) {
        for (const int stop_after : {-1, 0, 1}) {
            SCOPED_TRACE(std::string(kmz ? "KMZ" : "KML") + " stopped after " + std::to_string(stop_after));
            support::ScratchFolder scratch;
            const std::string path = scratch.plant("survey.out");
            StoppingProgress progress(stop_after);
            const auto write = [&]() -> Status {
                if (!kmz)
                    return write_kml_file(path, table, kLabels, progress);
                const Result<KmzWritten> archive = write_kmz_file(path, table, kLabels, progress);
                return archive ? ok() : fail(archive.error());
            };
            const Status written = write();
            EXPECT_EQ(progress.begun, 160000u);
            if (stop_after < 0) {
                ASSERT_TRUE(written) << written.error();
                EXPECT_EQ(progress.done(), 160000u);
                EXPECT_NE(support::read_bytes(path), support::kSentinel);
            } else {
                ASSERT_FALSE(written);
                EXPECT_TRUE(was_cancelled(written.error())) << written.error();
                EXPECT_EQ(support::read_bytes(path), support::kSentinel);
            }
            EXPECT_EQ(scratch.names(), std::vector<std::string>{"survey.out"});
        }
    }
}

} // namespace
} // namespace marovin
