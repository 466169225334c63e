// The roads' reading entries without a window: what each trace or line
// becomes, and where each point came from.
#include "conversion/road_points.h"

#include "support/scratch_folder.h"
#include "support/seismic_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The points of the seismic file at `path`.
marovin::Result<marovin::SeismicRoad, marovin::SeismicRoadError>
read_seismic_road(const std::string& path, const marovin::SeismicSelection& selection)
{
    marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(path);
    if (!file)
        return marovin::SeismicRoadError{false, file.error()};
    return marovin::seismic_road_points(*file, selection);
}

// A line of 1000-sample (SEG-Y) or 500-sample (SU) traces.
std::string lineBytes(bool su, std::int16_t scalar)
{
    return support::trace_line(su, su ? 500 : 1000, scalar, support::kLine);
}

TEST(SeismicRoad, EveryTraceGivesItsLabelAndItsDividedPair)
{
    using W = marovin::TraceWord;
    // clang-format off
    const struct {
        const char* name;
        bool su;
        std::int16_t scalar;
        marovin::SeismicSelection selection;
        std::vector<std::int32_t> numbers;
        std::vector<double> x, y;
    } cases[] = {
        {"header's divisor, CDP, receivers", false, -100, {}, {2001, 2002, -5},
         {612345.5, -1000, 700000}, {4812345.25, 500000, 4812000}},
        {"SU, FFID, sources, divisor given", true, -100, {W::FieldRecord, {W::SourceX, W::SourceY}, 1000},
         {101, 101, 102}, {49000, 49000, 49000}, {530000, 530000, 530000}},
        {"a scalar of 0 divides by 1, Trace", false, 0, {W::TraceSequence, {W::GroupX, W::GroupY}, {}},
         {1, 2, 3}, {61234550, -100000, 70000000}, {481234525, 50000000, 481200000}},
        {"SP, a positive scalar divides too", true, 1000, {W::SourcePoint, {W::GroupX, W::GroupY}, {}},
         {1000, 1000, 1030}, {61234.55, -100, 70000}, {481234.525, 50000, 481200}},
    };
    // clang-format on
    const support::ScratchFolder scratch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = scratch.write(c.su ? "line.su" : "line.sgy", lineBytes(c.su, c.scalar));
        const auto road = read_seismic_road(line, c.selection);
        ASSERT_TRUE(road) << road.error();
        EXPECT_EQ(road->traces, 3);
        EXPECT_EQ(road->unset, 0);
        EXPECT_TRUE(road->points.trace.empty());
        EXPECT_EQ(road->points.number, c.numbers);
        EXPECT_EQ(road->points.x, c.x);
        EXPECT_EQ(road->points.y, c.y);
        EXPECT_EQ(road->points.origin(2), 3);
    }
}

// Angles given as DDDMMSS with a scalar: the divisor applies to the
// header's words, before they are read as degrees, minutes and seconds.
TEST(SeismicRoad, AnglesAreDividedBeforeTheyAreReadAsDegreesMinutesAndSeconds)
{
    std::string bytes = lineBytes(false, -100);
    support::put_word(bytes, 3600 + 80, static_cast<std::uint32_t>(-4523050), 4, false); // -4 52 30.50
    support::put_word(bytes, 3600 + 84, 54480000, 4, false);                             // 54 48 00.00
    support::put_word(bytes, 3600 + 88, 4, 2, false);                                    // units: DDDMMSS
    const support::ScratchFolder scratch;
    const auto road = read_seismic_road(scratch.write("dms.sgy", bytes), {});
    ASSERT_TRUE(road) << road.error();
    EXPECT_DOUBLE_EQ(road->points.x[0], -(4 + 52 / 60.0 + 30.5 / 3600));
    EXPECT_DOUBLE_EQ(road->points.y[0], 54.8);
}

TEST(SeismicRoad, FailuresNameTheFile)
{
    const support::ScratchFolder scratch;
    const std::string line = scratch.write("line.sgy", lineBytes(false, -100));
    marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(line);
    ASSERT_TRUE(file);
    marovin::SeismicSelection zero;
    zero.divisor = 0;
    EXPECT_FALSE(marovin::seismic_road_points(*file, zero));
    // Cut short after its headers were read: the file opened stays the one
    // read, and its third trace is no longer there.
    fs::resize_file(line, 3600 + 2 * 4240 + 40);
    const auto beyond = marovin::seismic_road_points(*file, {});
    ASSERT_FALSE(beyond);
    EXPECT_FALSE(beyond.failure().no_coordinates);
    EXPECT_NE(beyond.error().find("trace 3 of " + line), std::string::npos) << beyond.error();
    fs::remove(line);
    const auto gone = read_seismic_road(line, {});
    ASSERT_FALSE(gone);
    EXPECT_NE(gone.error().find(line), std::string::npos) << gone.error();
    EXPECT_FALSE(fs::exists(line)) << "nothing is created";
}

// A line of 100 traces, each with its own CDP 1..100 and receiver, but for
// the traces named, whose receiver X and Y are 0.
std::string lineWithUnset(const std::vector<std::int32_t>& unset)
{
    std::vector<support::Trace> traces;
    for (std::int32_t t = 1; t <= 100; ++t) {
        const bool none = std::find(unset.begin(), unset.end(), t) != unset.end();
        traces.push_back({t, 101, 1000, t, 49000000, 530000000, none ? 0 : 61234550 + t, none ? 0 : 481234525});
    }
    return support::trace_line(false, 250, -100, traces);
}

TEST(SeismicRoad, TracesWhoseXAndYAreZeroAreLeftOutAndCounted)
{
    const support::ScratchFolder scratch;
    const std::string line = scratch.write("line.sgy", lineWithUnset({10, 50, 100}));
    const auto road = read_seismic_road(line, {});
    ASSERT_TRUE(road) << road.error();
    EXPECT_EQ(road->traces, 100);
    EXPECT_EQ(road->unset, 3);
    ASSERT_EQ(road->points.size(), 97u);
    EXPECT_EQ(marovin::unset_traces_text(*road),
              "3 of 100 traces have no coordinates (X and Y are 0) and are left out");
    // Each point keeps its trace: the gaps show.
    EXPECT_EQ(road->points.origin(8), 9);
    EXPECT_EQ(road->points.origin(9), 11);
    EXPECT_EQ(road->points.number[9], 11);
    EXPECT_EQ(road->points.x[9], 612345.61);
    EXPECT_EQ(road->points.origin(96), 99);

    // A pair that is 0 in only one of its words is a position.
    std::string bytes = lineWithUnset({});
    support::put_word(bytes, 3600 + 80, 0, 4, false);
    const auto half = read_seismic_road(scratch.write("half.sgy", bytes), {});
    ASSERT_TRUE(half) << half.error();
    EXPECT_EQ(half->unset, 0);
    EXPECT_EQ(marovin::unset_traces_text(*half), "");
}

TEST(SeismicRoad, AFileWithoutCoordinatesInThePairChosenIsRefusedNamingAPairThatHasThem)
{
    std::vector<std::int32_t> every(100);
    for (std::int32_t t = 1; t <= 100; ++t)
        every[static_cast<std::size_t>(t - 1)] = t;
    const support::ScratchFolder scratch;
    const std::string line = scratch.write("line.sgy", lineWithUnset(every));
    std::string none = lineWithUnset(every);
    for (std::size_t t = 0; t < 100; ++t)
        support::put_word(none, 3600 + t * 1240 + 72, 0, 8, false); // the source pair too
    const std::string empty = scratch.write("empty.sgy", none);
    const auto bytes = [](int x, int y) {
        return marovin::CoordinatePair{*marovin::HeaderPosition::at_byte(x), *marovin::HeaderPosition::at_byte(y)};
    };
    const struct {
        const std::string& path;
        marovin::CoordinatePair pair;
        const char* said;
    } cases[] = {
        {line,
         {marovin::TraceWord::GroupX, marovin::TraceWord::GroupY},
         "has receiver coordinates; its source pair has them"},
        {line, bytes(201, 205), "has coordinates at bytes 201,205; its source pair has them"},
        {empty,
         {marovin::TraceWord::SourceX, marovin::TraceWord::SourceY},
         "has source coordinates, nor has any other pair"},
    };
    for (const auto& c : cases) {
        marovin::SeismicSelection selection;
        selection.pair = c.pair;
        const auto road = read_seismic_road(c.path, selection);
        ASSERT_FALSE(road) << c.said;
        EXPECT_TRUE(road.failure().no_coordinates);
        EXPECT_EQ(road.error().find("no trace of " + c.path + " " + c.said), 0u) << road.error();
    }
}

// Coordinates and a number where the standard leaves room: a word at any
// byte, in the file's byte order, divided as the pairs of the standard are.
TEST(SeismicRoad, WordsAtAnyByteAreReadAsThePairsOfTheStandardAre)
{
    for (const bool su : {false, true}) {
        std::string bytes = lineBytes(su, -100);
        const std::size_t first = su ? 0 : 3600, length = su ? 2240 : 4240;
        for (std::size_t t = 0; t < 3; ++t) {
            support::put_word(bytes, first + t * length + 4, 7000 + t, 4, su);              // inline at 5
            support::put_word(bytes, first + t * length + 200, 50000000 + 100 * t, 4, su);  // X at 201
            support::put_word(bytes, first + t * length + 204, 600000000 - 100 * t, 4, su); // Y at 205
        }
        const support::ScratchFolder scratch;
        marovin::SeismicSelection selection;
        selection.label = *marovin::HeaderPosition::at_byte(5);
        selection.pair = {*marovin::HeaderPosition::at_byte(201), *marovin::HeaderPosition::at_byte(205)};
        const auto road = read_seismic_road(scratch.write(su ? "line.su" : "line.sgy", bytes), selection);
        ASSERT_TRUE(road) << road.error();
        EXPECT_EQ(road->points.number, (std::vector<std::int32_t>{7000, 7001, 7002}));
        EXPECT_EQ(road->points.x, (std::vector<double>{500000, 500001, 500002}));
        EXPECT_EQ(road->points.y, (std::vector<double>{6000000, 5999999, 5999998}));
    }
}

TEST(TextRoad, LinesGiveNumbersDividedCoordinatesAndTheirLineOfTheFile)
{
    using L = marovin::XyLayout;
    const struct {
        L layout;
        const char* text;
        double divisor;
        std::vector<std::int32_t> numbers;
        std::vector<double> x;
        std::vector<std::int64_t> lines;
    } cases[] = {
        {L::NumberXYZ, "101,600000,4500000,12\r\n102,600010,4500005,13\r\n", 1, {101, 102}, {600000, 600010}, {1, 2}},
        {L::NumberXY,
         "\r\n-7;600000;4500000\r\n\r\n40000;600010;4500005\r\n",
         1,
         {-7, 40000},
         {600000, 600010},
         {2, 4}},
        {L::XYZ, "600000 4500000 12\n600010 4500005 13\n", 1000, {1, 2}, {600, 600.01}, {1, 2}},
        {L::XY, "600000,4500000\n\n\n600010,4500005", 10, {1, 2}, {60000, 60001}, {1, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        marovin::Result<marovin::RoadPoints> points =
            marovin::text_road_points(marovin::xy_file_text(c.text), c.layout, c.divisor);
        ASSERT_TRUE(points) << points.error();
        EXPECT_EQ(points->number, c.numbers);
        EXPECT_EQ(points->x, c.x);
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(points->origin(i), c.lines[i]);
    }
    const auto failed = marovin::text_road_points(marovin::xy_file_text("1,2,3\r\n\r\n4,5\r\n"), L::XYZ, 1);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "line 3 holds 2 fields, but the file type \"X,Y,Z\" takes 3");
}

TEST(CoordinateDivisor, IsTheMagnitudeOfANumberOtherThanZero)
{
    const struct {
        const char* text;
        double divisor; // 0: fails
    } cases[] = {
        {"-100", 100}, {"100", 100}, {"1", 1},   {" 10 ", 10}, {"+5", 5},    {"2.5", 2.5},
        {"0", 0},      {"-0", 0},    {"", 0},    {"abc", 0},   {"10x", 0},   {"inf", 0},
        {"nan", 0},    {"1,5", 0},   {"- 1", 0}, {" ", 0},     {"1.2.3", 0}, {"5-", 0},
    };
    for (const auto& c : cases) {
        const auto d = marovin::coordinate_divisor(c.text);
        if (c.divisor == 0) {
            EXPECT_FALSE(d.ok()) << '"' << c.text << '"';
        } else {
            ASSERT_TRUE(d.ok()) << '"' << c.text << '"' << d.error();
            EXPECT_EQ(*d, c.divisor) << '"' << c.text << '"';
        }
    }
}

} // namespace
