#include "kml/survey_shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace marovin {
namespace {

using Path = std::vector<std::pair<double, double>>; // X, Y in metres

// Points along straight legs from `start`, `count` steps of 25 m each in the
// direction of each leg (degrees from east).
Path legs(std::pair<double, double> start, const std::vector<std::pair<int, double>>& steps)
{
    Path path{start};
    for (const auto& [count, direction] : steps) {
        const double angle = direction * std::numbers::pi / 180;
        for (int k = 0; k < count; ++k)
            path.emplace_back(path.back().first + 25 * std::cos(angle), path.back().second + 25 * std::sin(angle));
    }
    return path;
}

// The table of points at X, Y metres from 9° E, 48° N: with their ground
// coordinates, or with the degrees alone as a geographic system gives them.
PointTable table_of(const Path& path, bool ground, std::vector<NamedLine> lines = {})
{
    std::vector<double> longitude, latitude, x, y;
    for (const auto& [east, north] : path) {
        longitude.push_back(9 + east / (111195.08 * std::cos(48 * std::numbers::pi / 180)));
        latitude.push_back(48 + north / 111195.08);
        x.push_back(500000 + east);
        y.push_back(5316000 + north);
    }
    PointTable table(std::move(longitude), std::move(latitude), std::vector<std::int32_t>(path.size()));
    table.set_ground({ground ? x : std::vector<double>(), ground ? y : std::vector<double>(), std::move(lines)});
    return table;
}

std::string described(const SurveyShape& shape)
{
    std::string text;
    for (const SurveyLine& line : shape.lines) {
        text += line.name + " " + std::to_string(line.first) + "-" + std::to_string(line.last) + ":";
        for (const std::size_t k : line.kept)
            text += " " + std::to_string(k);
        text += "; ";
    }
    return text;
}

class SurveyShapeTest : public ::testing::TestWithParam<bool> {};

// Lines are told by their steps and kept at their corners, measured in the
// source system's metres or, for a geographic system, on the degrees.
TEST_P(SurveyShapeTest, LinesKeepTheirCornersAndSplitAtJumps)
{
    // A line that wanders by 0.3 m stays straight; by 2 m it keeps the bend.
    Path wobble = legs({0, 0}, {{40, 0}});
    wobble[20].second += 0.3;
    Path bend = wobble;
    bend[20].second += 1.7;
    Path jump = legs({0, 0}, {{19, 0}});
    const Path second = legs({0, 600}, {{29, 0}});
    jump.insert(jump.end(), second.begin(), second.end());
    const struct {
        const char* what;
        Path path;
        std::string lines;
    } cases[] = {
        {"straight", legs({0, 0}, {{99, 30}}), "Line 1 0-99: 0 99; "},
        {"an L", legs({0, 0}, {{49, 0}, {50, 90}}), "Line 1 0-99: 0 49 99; "},
        {"within the tolerance", wobble, "Line 1 0-40: 0 40; "},
        {"a spike beyond it", bend, "Line 1 0-40: 0 19 20 21 40; "},
        {"two lines at a jump", jump, "Line 1 0-19: 0 19; Line 2 20-49: 20 49; "},
        {"a lone point", {{0, 0}}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Result<SurveyShape> shape = survey_shape(table_of(c.path, GetParam()));
        ASSERT_TRUE(shape) << shape.error();
        EXPECT_EQ(described(*shape), c.lines);
        if (c.path.size() > 1) {
            EXPECT_NEAR(shape->median_step, 25, 0.01);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(GroundOrDegrees, SurveyShapeTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Metres" : "Degrees");
                         });

TEST(SurveyShape, AnSpsFileNamesItsLinesWhateverTheirSteps)
{
    const Result<SurveyShape> shape =
        survey_shape(table_of(legs({0, 0}, {{59, 0}}), true, {{0, "2001"}, {30, "2003"}, {59, "2005"}}));
    ASSERT_TRUE(shape) << shape.error();
    EXPECT_EQ(described(*shape), "2001 0-29: 0 29; 2003 30-58: 30 58; "); // 2005 has one point
}

// However long and winding the lines, the base map keeps few vertices: a
// line whose every point strays by metres is simplified again at larger
// tolerances until they fit; a line too long for one piece keeps the joint
// of its pieces.
TEST(SurveyShape, TheLinesDrawnKeepABoundedNumberOfVertices)
{
    Path crooked;
    std::uint32_t random = 1;
    for (int k = 0; k < 12000; ++k) {
        random = random * 1664525 + 1013904223;
        crooked.emplace_back(25.0 * k, (random >> 16) % 7 * 0.5);
    }
    const Result<SurveyShape> winding = survey_shape(table_of(crooked, true));
    ASSERT_TRUE(winding) << winding.error();
    ASSERT_EQ(winding->lines.size(), 1u);
    EXPECT_LE(winding->lines[0].kept.size(), kMostLineVertices);
    EXPECT_GT(winding->lines[0].kept.size(), kMostLineVertices / 4);

    const Result<SurveyShape> long_line = survey_shape(table_of(legs({0, 0}, {{69999, 0}}), true));
    ASSERT_TRUE(long_line) << long_line.error();
    EXPECT_EQ(described(*long_line), "Line 1 0-69999: 0 65535 69999; ");
}

// Grids of lines 25 m apart: the outline follows a notch 500 m wide (twenty
// steps, twice the outline's scale) and is the grid's square otherwise; a
// straight line spans no area.
TEST(SurveyShape, TheOutlineIsTheConcaveHullAtTenSteps)
{
    const auto grid = [](bool notched) {
        Path path;
        for (int row = 0; row < 40; ++row)
            for (int column = 0; column < 40; ++column)
                if (!notched || row < 20 || column < 20)
                    path.emplace_back(25.0 * column, 25.0 * row);
        return path;
    };
    const struct {
        const char* what;
        Path path;
        std::vector<std::pair<double, double>> corners;
    } cases[] = {
        {"square", grid(false), {{0, 0}, {975, 0}, {975, 975}, {0, 975}}},
        // The inner corner is cut where a triangle's edge is shorter than
        // ten steps (212 m), and no further.
        {"notched", grid(true), {{0, 0}, {975, 0}, {975, 475}, {625, 475}, {475, 625}, {475, 975}, {0, 975}}},
        {"a straight line", legs({0, 0}, {{99, 30}}), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PointTable table = table_of(c.path, true);
        const Result<SurveyShape> shape = survey_shape(table);
        ASSERT_TRUE(shape) << shape.error();
        if (c.corners.empty()) {
            EXPECT_TRUE(shape->outline.empty());
            continue;
        }
        ASSERT_EQ(shape->outline.size(), c.corners.size() + 1);
        EXPECT_EQ(shape->outline.front(), shape->outline.back());
        for (const auto& [east, north] : c.corners) {
            const bool found = std::any_of(shape->outline.begin(), shape->outline.end(), [&](std::size_t i) {
                return table.ground().x[i] == 500000 + east && table.ground().y[i] == 5316000 + north;
            });
            EXPECT_TRUE(found) << east << " " << north;
        }
    }
}

} // namespace
} // namespace marovin
