#include "readers/xy_text.h"

#include "support/survey_shapes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using marovin::XyLayout;
using support::sps_record;

std::string lines(const std::vector<std::string>& records, const std::string& end = "\r\n")
{
    std::string text;
    for (const std::string& r : records)
        text += r + end;
    return text;
}

// Blanks turned into tabs at 8-column stops, as `unexpand -a` does.
std::string with_tabs(const std::string& line)
{
    std::string out;
    for (std::size_t at = 0; at < line.size(); at += 8) {
        std::string chunk = line.substr(at, 8);
        const std::size_t kept = chunk.find_last_not_of(' ') + 1;
        if (chunk.size() == 8 && kept < 7)
            chunk = chunk.substr(0, kept) + "\t";
        out += chunk;
    }
    return out;
}

struct Expected {
    std::vector<double> x, y;
    std::vector<std::int32_t> number;
    std::vector<std::string> name;
    std::vector<std::int64_t> file_lines;
    std::string runs; // the named lines: "first name" each, ";" between
};

struct RevisionCase {
    const support::SpsColumns* revision;
    bool h00; // an H00 record names the revision
};

class SpsRevisionTest : public ::testing::TestWithParam<RevisionCase> {};

// Each revision, with an H00 record naming it or without one (the columns
// then tell it): R and S records mixed, one or several lines, fractions,
// blank lines and X records between, any line end, tabs for blanks.
TEST_P(SpsRevisionTest, PointRecordsAreReadFromTheirColumns)
{
    const support::SpsColumns& r = *GetParam().revision;
    const std::string head = GetParam().h00 ? std::string(r.h00) + "\r\nH26 comment\r\n" : "H26 comment\r\n";
    const std::string line1 = sps_record(r, 'R', "2001", "1001", 496000.5, 5314000.2);
    const std::string line2 = sps_record(r, 'S', "2001", "1003", 496040.5, 5314030.2);
    const std::string fraction = sps_record(r, 'S', "2001", "1001.5", 496010.5, 5314007.2);
    const std::string other = sps_record(r, 'R', "2003", "1001", 496100.5, 5314100.2);
    const std::string relation = "X    11   11     2001    1001  1  30 1     2003    1001    1030 1";
    const auto first = GetParam().h00 ? 3 : 2; // the file line of the first record
    const struct {
        const char* what;
        std::string body;
        Expected expected;
    } cases[] = {
        {"one line",
         lines({line1, line2}),
         {{496000.5, 496040.5}, {5314000.2, 5314030.2}, {1001, 1003}, {}, {first, first + 1}, "0 2001"}},
        {"a fraction",
         lines({line1, fraction}, "\n"),
         {{496000.5, 496010.5}, {5314000.2, 5314007.2}, {1001, 1002}, {"", "1001.5"}, {first, first + 1}, "0 2001"}},
        {"two lines, X and blank lines between",
         lines({line1, relation, "", other}, "\r"),
         {{496000.5, 496100.5},
          {5314000.2, 5314100.2},
          {1001, 1001},
          {"2001/1001", "2003/1001"},
          {first, first + 3},
          "0 2001;1 2003"}},
        {"tabs",
         lines({with_tabs(line1), with_tabs(other)}),
         {{496000.5, 496100.5},
          {5314000.2, 5314100.2},
          {1001, 1001},
          {"2001/1001", "2003/1001"},
          {first, first + 1},
          "0 2001;1 2003"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(r.name) + ", " + c.what);
        const marovin::XyText text = marovin::xy_file_text(head + c.body);
        ASSERT_TRUE(text.sps.has_value());
        EXPECT_EQ(text.sps->revision, &r == &support::kSps1 ? marovin::SpsRevision::V1_0 : marovin::SpsRevision::V2_1);
        EXPECT_EQ(marovin::named_layout(text), XyLayout::SPS);
        auto points = marovin::read_xy_points(text, XyLayout::SPS);
        ASSERT_TRUE(points.ok()) << points.error();
        EXPECT_EQ(points->x, c.expected.x);
        EXPECT_EQ(points->y, c.expected.y);
        EXPECT_EQ(points->number, c.expected.number);
        EXPECT_EQ(points->name, c.expected.name);
        std::string runs;
        for (const marovin::NamedLine& line : points->lines)
            runs += (runs.empty() ? "" : ";") + std::to_string(line.first) + " " + line.name;
        EXPECT_EQ(runs, c.expected.runs);
        for (std::size_t k = 0; k < c.expected.file_lines.size(); ++k)
            EXPECT_EQ(text.file_line(static_cast<std::int64_t>(k + 1)), c.expected.file_lines[k]);
    }
}

INSTANTIATE_TEST_SUITE_P(BothRevisions, SpsRevisionTest,
                         ::testing::Values(RevisionCase{&support::kSps1, true}, RevisionCase{&support::kSps1, false},
                                           RevisionCase{&support::kSps2, true}, RevisionCase{&support::kSps2, false}),
                         [](const ::testing::TestParamInfo<RevisionCase>& info) {
                             return std::string(info.param.revision == &support::kSps1 ? "V1_0" : "V2_1") +
                                    (info.param.h00 ? "Named" : "ByColumns");
                         });

TEST(SpsRecords, FilesAreToldFromListsByTheirRecords)
{
    const std::string point = sps_record(support::kSps2, 'S', "1", "1", 1, 2);
    const struct {
        std::string text;
        bool sps;
    } cases[] = {
        {std::string(support::kSps2.h00) + "\r\n", true},
        {"\xEF\xBB\xBF\r\nH26 layout\r\nX record\r\n" + point + "\r\n", true},
        {"Station,Easting,Northing,Elevation\r\n1,496000,5314000,450\r\n", false},
        {"H001;496000;5314000;450\r\nH002;496020;5314015;451\r\n", false}, // boreholes named H...
        {"S1 496000 5314000\r\n", false},
        {point.substr(0, 60) + "\r\n", false},
        {"H26 layout\r\n1001 " + point.substr(5) + "\r\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marovin::xy_file_text(c.text).sps.has_value(), c.sps) << c.text;
}

TEST(SpsRecords, RecordsThatCannotBeReadFailNamingTheirLine)
{
    const support::SpsColumns& r = support::kSps2;
    const std::string good = sps_record(r, 'R', "1", "1", 496000, 5314000);
    std::string blank_easting = good, text_northing = good;
    blank_easting.replace(46, 9, 9, ' ');
    text_northing.replace(60, 1, "x");
    const struct {
        std::string text;
        XyLayout layout;
        const char* message;
    } cases[] = {
        {lines({r.h00, good, good.substr(0, 60)}), XyLayout::SPS,
         "point 2, line 3: the record is too short for its easting and northing (columns 47-65): it ends at "
         "column 60"},
        {lines({good, blank_easting}), XyLayout::SPS, "point 2, line 2: easting is blank (columns 47-55)"},
        {lines({r.h00, "", text_northing}), XyLayout::SPS,
         "point 1, line 3: northing \"5314x00.0\" is not a number (columns 56-65)"},
        {lines({good, " " + good}), XyLayout::SPS,
         "line 2 is no SPS point record (R or S), header (H) or relation (X) record: it begins \" \""},
        {lines({r.h00, "H26 nothing else"}), XyLayout::SPS, "the SPS file holds no point records (R or S)"},
        {"1,2\r\n", XyLayout::SPS,
         "the file is no SPS file: it has no H00 record, and its first record is no R or S point record with an "
         "easting and a northing in columns 47-65"},
        {lines({good}), XyLayout::XY,
         "the file is an SPS file, whose records are read by the file type \"SPS\", not \"X,Y\""},
    };
    for (const auto& c : cases) {
        auto points = marovin::read_xy_points(marovin::xy_file_text(c.text), c.layout);
        ASSERT_FALSE(points.ok()) << c.text;
        EXPECT_EQ(points.error(), c.message);
    }
}

TEST(SpsRecords, HeaderRecordsTellTheSystemAndTheGridUnits)
{
    const std::string point = sps_record(support::kSps1, 'S', "L1", "1", 1, 2) + "\r\n";
    const struct {
        std::vector<std::string> header;
        const char* epsg;
        const char* units;
        std::vector<std::string> shown;
    } cases[] = {
        {{"H000SPS format version num.     SPS001,07.17.21;", "H120Geodetic datum,-spheroid    N/A,N/A,N/A,N/A;",
          "H200Description of grid units   American Feet;", "H201Factor to metre             0.30480061;",
          "H210Lat. of standard parallel(s);"},
         "",
         "American Feet (factor to metre 0.30480061)",
         {"H200Description of grid units   American Feet;", "H201Factor to metre             0.30480061;"}},
        {{"H13 Geodetic Coordinate System EPSG:32632", "H20 Description of grid units    Metre"},
         "EPSG:32632",
         "",
         {"H13 Geodetic Coordinate System EPSG:32632", "H20 Description of grid units    Metre"}},
        {{"H13 Geodetic Coordinate System EPSG:32632", "H26 or else epsg::32631"},
         "",
         "",
         {"H13 Geodetic Coordinate System EPSG:32632", "H26 or else epsg::32631"}},
        {{"H201Factor to metre             0.3048;"},
         "",
         "grid units (factor to metre 0.3048)",
         {"H201Factor to metre             0.3048;"}},
    };
    for (const auto& c : cases) {
        const marovin::XyText text = marovin::xy_file_text(lines(c.header) + point);
        ASSERT_TRUE(text.sps.has_value()) << c.header[0];
        EXPECT_EQ(text.sps->epsg, c.epsg) << c.header[0];
        EXPECT_EQ(text.sps->units_not_metres, c.units) << c.header[0];
        EXPECT_EQ(text.sps->records, c.shown) << c.header[0];
        EXPECT_EQ(text.sps->revision, marovin::SpsRevision::V1_0) << c.header[0];
    }
}

// The two real files read as the survey folder's README says an independent
// fixed-column reader finds them.
TEST(SpsRecords, RealFilesReadAsAnIndependentReaderFindsThem)
{
    const std::filesystem::path folder = std::filesystem::path(MAROVIN_SHARED_DATA_DIR) / "survey";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << folder << " is absent";
    const struct {
        const char* file;
        marovin::SpsRevision revision;
        std::int32_t points;
        std::int32_t first_number, last_number;
        const char *first_name, *last_name;
        double first_x, first_y, last_x, last_y;
        std::int64_t first_line, last_line;
    } cases[] = {
        {"l2sall.sps", marovin::SpsRevision::V2_1, 140, 102, 120, "100/102", "2700/120", 338931.7, 5540693.4, 341091.1,
         5538989.9, 6, 145},
        {"Line_001.SPS", marovin::SpsRevision::V1_0, 251, 701, 1201, "", "", 688081.8, 3838302.1, 700400.1, 3840439.5,
         21, 271},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto text = marovin::load_xy_file((folder / c.file).string());
        ASSERT_TRUE(text.ok()) << text.error();
        ASSERT_TRUE(text->sps.has_value());
        EXPECT_EQ(text->sps->revision, c.revision);
        EXPECT_EQ(text->file_line(1), c.first_line);
        auto points = marovin::read_xy_points(*text, XyLayout::SPS);
        ASSERT_TRUE(points.ok()) << points.error();
        ASSERT_EQ(points->count, c.points);
        EXPECT_EQ(text->file_line(c.points), c.last_line);
        const auto last = static_cast<std::size_t>(c.points - 1);
        EXPECT_EQ(points->x.front(), c.first_x);
        EXPECT_EQ(points->y.front(), c.first_y);
        EXPECT_EQ(points->x[last], c.last_x);
        EXPECT_EQ(points->y[last], c.last_y);
        EXPECT_EQ(points->number.front(), c.first_number);
        EXPECT_EQ(points->number[last], c.last_number);
        EXPECT_EQ(points->name.empty() ? "" : points->name.front(), c.first_name);
        EXPECT_EQ(points->name.empty() ? "" : points->name[last], c.last_name);
    }
}

} // namespace
