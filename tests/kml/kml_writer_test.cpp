#include "kml/kml_writer.h"

#include "base/number_text.h"
#include "support/outside_readers.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace marovin {
namespace {

namespace fs = std::filesystem;

struct Point {
    double longitude, latitude;
    std::int32_t number;
};

PointTable make_table(const std::vector<Point>& points)
{
    std::vector<double> longitude, latitude;
    std::vector<std::int32_t> number;
    for (const Point& p : points) {
        longitude.push_back(p.longitude);
        latitude.push_back(p.latitude);
        number.push_back(p.number);
    }
    return PointTable(std::move(longitude), std::move(latitude), std::move(number));
}

// Rows 1..n with longitude i, latitude -i/2 and number 100 + i.
PointTable numbered_table(int n)
{
    std::vector<Point> points;
    for (int i = 1; i <= n; ++i)
        points.push_back({double(i), -i / 2.0, 100 + i});
    return make_table(points);
}

std::string document(const PointTable& table, const KmlLabels& labels)
{
    std::ostringstream out;
    const Status status = write_kml_document(out, table, labels);
    EXPECT_TRUE(status.ok()) << status.error();
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "last line lacks CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

using support::read_bytes;

class TempFolder : public ::testing::Test {
protected:
    std::vector<std::string> files() const { return scratch.names(); }
    support::ScratchFolder scratch;
    const fs::path folder = scratch.path();
};

const std::string kFixedHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                               "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                               "<Document>\r\n"
                               "<Style id=\"pushpin\">\r\n"
                               "<IconStyle>\r\n"
                               "<scale>0.2</scale>\r\n"
                               "<Icon>\r\n"
                               "<href>http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href>\r\n"
                               "</Icon>\r\n"
                               "</IconStyle>\r\n"
                               "</Style>\r\n";
const std::string kFixedTail = "</Document>\r\n"
                               "</kml>\r\n";

TEST(KmlDocument, TwoLabelledPointsGiveTheTwentyNineLinesExactly)
{
    const PointTable table = make_table({{2.35, 48.8566, 1}, {-1.5, 43.25, 2}});
    const std::string expected = kFixedHead +
                                 "<Placemark>\r\n"
                                 "<name>Station 1</name>\r\n"
                                 "<description>Seismic line 1</description>\r\n"
                                 "<styleUrl>#pushpin</styleUrl>\r\n"
                                 "<Point>\r\n"
                                 "<coordinates>2.35,48.8566</coordinates>\r\n"
                                 "</Point>\r\n"
                                 "</Placemark>\r\n"
                                 "<Placemark>\r\n"
                                 "<name>Station 2</name>\r\n"
                                 "<description>Seismic line 1</description>\r\n"
                                 "<styleUrl>#pushpin</styleUrl>\r\n"
                                 "<Point>\r\n"
                                 "<coordinates>-1.5,43.25</coordinates>\r\n"
                                 "</Point>\r\n"
                                 "</Placemark>\r\n" +
                                 kFixedTail;
    const std::string written = document(table, {1, "Station", "Seismic line 1"});
    EXPECT_EQ(written, expected);
    EXPECT_EQ(lines_of(written).size(), 29u);
}

TEST(KmlDocument, NoPointsGiveTheThirteenFixedLines)
{
    EXPECT_EQ(document(PointTable{}, {5, "Station", "Seismic line 1"}), kFixedHead + kFixedTail);
}

TEST(KmlDocument, EveryRowGetsAPlacemarkAndMultiplesOfTheFrequencyALabel)
{
    struct Case {
        int points, frequency;
        std::vector<int> labelled;
    };
    const Case cases[] = {
        {2, 2, {2}},
        {12, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {12, 2, {2, 4, 6, 8, 10, 12}},
        {12, 5, {5, 10}},
        {12, 13, {}},
        {12, 32767, {}},
        {32767, 32767, {32767}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("points " + std::to_string(c.points) + ", frequency " + std::to_string(c.frequency));
        const std::vector<std::string> lines = lines_of(document(numbered_table(c.points), {c.frequency, "P", "D"}));
        ASSERT_EQ(lines.size(), 13 + 8 * c.labelled.size() + 6 * (c.points - c.labelled.size()));

        // Walk the blocks: each row's coordinates must appear in turn, and a
        // name exactly on the labelled rows.
        std::vector<int> named;
        std::size_t at = 11;
        for (int row = 1; row <= c.points; ++row) {
            ASSERT_EQ(lines[at++], "<Placemark>");
            if (lines[at].starts_with("<name>")) {
                EXPECT_EQ(lines[at], "<name>P " + std::to_string(100 + row) + "</name>");
                EXPECT_EQ(lines[at + 1], "<description>D</description>");
                named.push_back(row);
                at += 2;
            }
            EXPECT_EQ(lines[at], "<styleUrl>#pushpin</styleUrl>");
            EXPECT_EQ(lines[at + 2], "<coordinates>" + plain_number_text(row) + "," + plain_number_text(-row / 2.0) +
                                         "</coordinates>");
            ASSERT_EQ(lines[at + 4], "</Placemark>");
            at += 5;
        }
        EXPECT_EQ(named, c.labelled);
        EXPECT_EQ(lines[at], "</Document>");
    }
}

TEST(KmlDocument, EmptyPrefixAndDescriptionKeepTheNumbersBlank)
{
    const std::vector<std::string> lines = lines_of(document(numbered_table(5), {5, "", ""}));
    ASSERT_EQ(lines.size(), 13u + 4 * 6 + 8);
    EXPECT_EQ(lines[36], "<name> 105</name>");
    EXPECT_EQ(lines[37], "<description></description>");
}

TEST(KmlDocument, CoordinatesAndNumbersFollowTheNumberText)
{
    struct Case {
        double longitude, latitude;
        std::int32_t number;
        const char* coordinates;
        const char* name;
    };
    const Case cases[] = {
        {0.5, 45, 5, "<coordinates>.5,45</coordinates>", "<name>CDP 5</name>"},
        {-0.25, -0.125, 2050, "<coordinates>-.25,-.125</coordinates>", "<name>CDP 2050</name>"},
        {0, 0.00001, 0, "<coordinates>0,1E-05</coordinates>", "<name>CDP 0</name>"},
        {-179.999999999999, 89.12345678901231, -7, "<coordinates>-179.999999999999,89.1234567890123</coordinates>",
         "<name>CDP-7</name>"},
        {12, -0.0, INT32_MAX, "<coordinates>12,0</coordinates>", "<name>CDP 2147483647</name>"},
        {2.294512345, 48.858412345, 1001, "<coordinates>2.294512345,48.858412345</coordinates>",
         "<name>CDP 1001</name>"},
    };
    for (const Case& c : cases) {
        const PointTable table = make_table({{c.longitude, c.latitude, c.number}});
        const std::vector<std::string> lines = lines_of(document(table, {1, "CDP", "x"}));
        ASSERT_EQ(lines.size(), 21u);
        EXPECT_EQ(lines[12], c.name);
        EXPECT_EQ(lines[16], c.coordinates);
    }
}

TEST(KmlDocument, RowsNamedByTextGetThePrefixABlankAndTheName)
{
    const PointTable table({1, 2, 3, 4}, {5, 6, 7, 8}, {-7, 0, 1002, 0}, {"", "BX23-001", "", "a&b <\x01>"});
    const std::vector<std::string> lines = lines_of(document(table, {1, "Station", "d"}));
    ASSERT_EQ(lines.size(), 13u + 4 * 8);
    const char* names[] = {"<name>Station-7</name>", "<name>Station BX23-001</name>", "<name>Station 1002</name>",
                           "<name>Station a&amp;b &lt;&gt;</name>"};
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(lines[12 + 8 * k], names[k]) << k;
    // An unlabelled row writes no name, whatever it is.
    EXPECT_EQ(document(table, {3, "Station", "d"}).find("BX23"), std::string::npos);
}

TEST(KmlDocument, PrefixAndDescriptionBecomeTextXmlCanHold)
{
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::string text, written;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"ampersand", "Line A&B", "Line A&amp;B"},
        {"markup", "<b>1</b>", "&lt;b&gt;1&lt;/b&gt;"},
        {"an entity stays text", "&amp;", "&amp;amp;"},
        {"UTF-8 and quotes kept",
         "Ligne n\xC2\xB0"
         "1 \"quoted\" 'x' \xE2\x82\xAC \xF0\x9F\x93\x8D",
         "Ligne n\xC2\xB0"
         "1 \"quoted\" 'x' \xE2\x82\xAC \xF0\x9F\x93\x8D"},
        {"empty", "", ""},
        {"tab, line feed, carriage return kept", "a\tb\nc\rd", "a\tb\nc\rd"},
        {"control bytes dropped",
         "a\x01"
         "b\x1B[0m\x7F"
         "c\0d"s,
         "ab[0m\x7F"
         "cd"},
        {"Latin-1 byte",
         "Ligne n\xB0"
         "1",
         "Ligne n" + fffd + "1"},
        {"lone continuation bytes", "\x80\xBF", fffd + fffd},
        {"truncated sequence at the end", "x\xE2\x82", "x" + fffd},
        {"truncated sequence before ASCII",
         "\xF0\x9F\x93"
         "a",
         fffd + "a"},
        {"overlong slash", "\xC0\xAF", fffd + fffd},
        {"overlong three bytes", "\xE0\x80\xAF", fffd + fffd + fffd},
        {"surrogate", "\xED\xA0\x80", fffd + fffd + fffd},
        {"above U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
        {"bytes F5 to FF", "\xF5\xFF", fffd + fffd},
        {"non-characters U+FFFE and U+FFFF", "\xEF\xBF\xBE\xEF\xBF\xBF", fffd + fffd},
        {"last code point kept", "\xF4\x8F\xBF\xBD", "\xF4\x8F\xBF\xBD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(xml_text(c.text), c.written);
        const std::string written = document(numbered_table(1), {1, c.text, c.text});
        EXPECT_NE(written.find("<name>" + c.written + " 101</name>\r\n<description>" + c.written +
                               "</description>\r\n<styleUrl>"),
                  std::string::npos);
    }
}

TEST(KmlDocument, HugeDescriptionIsWrittenWhole)
{
    const std::string description(300 * 1024, 'd');
    const std::vector<std::string> lines = lines_of(document(numbered_table(3), {2, "P", description + "&"}));
    ASSERT_EQ(lines.size(), 13u + 6 + 8 + 6);
    EXPECT_EQ(lines[18], "<name>P 102</name>");
    EXPECT_EQ(lines[19], "<description>" + description + "&amp;</description>");
    EXPECT_EQ(lines[22], "<coordinates>2,-1</coordinates>");
}

TEST(KmlDocument, TablesThatDoNotHoldNumbersAreRefusedBeforeAnyWrite)
{
    struct Case {
        const char* what;
        int row;
        double longitude, latitude;
        const char* message;
    };
    const Case cases[] = {
        {"infinite longitude", 1, INFINITY, 0, "row 1 of the point table holds no longitude"},
        {"NaN latitude", 2, 0, NAN, "row 2 of the point table holds no latitude"},
        {"NaN longitude", 12, NAN, 0, "row 12 of the point table holds no longitude"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Point> points(12, Point{1, 2, 3});
        points[static_cast<std::size_t>(c.row - 1)] = {c.longitude, c.latitude, 3};
        std::ostringstream out;
        const Status status = write_kml_document(out, make_table(points), {5, "P", "D"});
        ASSERT_FALSE(status.ok());
        EXPECT_NE(status.error().find(c.message), std::string::npos) << status.error();
        EXPECT_TRUE(out.str().empty());
    }

    std::ostringstream out;
    EXPECT_FALSE(write_kml_document(out, numbered_table(3), {0, "P", "D"}).ok());
    EXPECT_TRUE(out.str().empty());
}

// A stream that takes `room` bytes and refuses the rest, like a full disk.
class FullDisk : public std::streambuf {
public:
    explicit FullDisk(std::size_t room) : room_(room) {}
    std::size_t taken = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override
    {
        const auto n = std::min(static_cast<std::size_t>(count), room_ - taken);
        taken += n;
        return static_cast<std::streamsize>(n);
    }
    int_type overflow(int_type c) override { return taken < room_ ? (++taken, c) : traits_type::eof(); }

private:
    std::size_t room_;
};

TEST(KmlDocument, AFailingStreamIsReported)
{
    std::ostringstream refusing;
    refusing.setstate(std::ios::badbit);
    EXPECT_FALSE(write_kml_document(refusing, numbered_table(3), {1, "P", "D"}).ok());

    // A document of many buffers, the disk full early, late and just at the
    // end.
    const PointTable large = numbered_table(60000);
    const std::size_t size = document(large, {5, "P", "D"}).size();
    ASSERT_GT(size, 4u << 20);
    for (const std::size_t room : {std::size_t{100}, std::size_t{3} << 20, size - 1}) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
        FullDisk disk(room);
        std::ostream out(&disk);
        EXPECT_FALSE(write_kml_document(out, large, {5, "P", "D"}).ok());
        EXPECT_EQ(disk.taken, room);
    }
    FullDisk roomy(size);
    std::ostream out(&roomy);
    EXPECT_TRUE(write_kml_document(out, large, {5, "P", "D"}).ok());
    EXPECT_EQ(roomy.taken, size);
}

TEST_F(TempFolder, WritingTwiceReplacesTheFileAndGivesIdenticalBytes)
{
    const fs::path path = folder / "line1.KML";
    const PointTable table = numbered_table(40);
    ASSERT_TRUE(write_kml_file(path.string(), numbered_table(90), {5, "P", "D"}).ok());
    ASSERT_TRUE(write_kml_file(path.string(), table, {5, "P", "D"}).ok());
    const std::string first = read_bytes(path);
    ASSERT_TRUE(write_kml_file(path.string(), table, {5, "P", "D"}).ok());
    EXPECT_EQ(read_bytes(path), first);
    EXPECT_EQ(first, document(table, {5, "P", "D"}));
    EXPECT_EQ(files(), std::vector<std::string>{"line1.KML"}); // no temporary file left
}

TEST_F(TempFolder, AFailedWriteLeavesNoFileAndKeepsAnEarlierOne)
{
    const fs::path missing = folder / "no such folder" / "out.KML";
    const Status status = write_kml_file(missing.string(), numbered_table(3), {1, "P", "D"});
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find(missing.string()), std::string::npos) << status.error();
    EXPECT_FALSE(fs::exists(missing.parent_path()));

    const fs::path earlier = scratch.plant("kept.KML");
    const PointTable bad = make_table({{1, 1, 1}, {NAN, 1, 2}, {1, 1, 3}});
    const Status refused = write_kml_file(earlier.string(), bad, {1, "P", "D"});
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find(earlier.string()), std::string::npos) << refused.error();
    EXPECT_NE(refused.error().find("row 2"), std::string::npos) << refused.error();
    EXPECT_EQ(read_bytes(earlier), support::kSentinel);
    EXPECT_EQ(files(), std::vector<std::string>{"kept.KML"});
}

using support::Feature;
using support::have_tool;

// Labels with every byte value from 0 to 255 and markup characters: the
// writer must turn any of them into text that XML holds.
KmlLabels awkward_labels(int frequency)
{
    std::string every_byte;
    for (int b = 0; b < 256; ++b)
        every_byte += static_cast<char>(b);
    return {frequency, "A&B <C> \x01\xFF" + every_byte, "Line \xC3\xA9t\xC3\xA9 & <more> > less\x1B\x80" + every_byte};
}

TEST_F(TempFolder, XmllintReadsTheDocumentAsWellFormed)
{
    if (!have_tool("command -v xmllint"))
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const fs::path path = folder / "check.kml";
    ASSERT_TRUE(write_kml_file(path.string(), numbered_table(10), awkward_labels(3)).ok());
    const std::string command = "xmllint --noout " + support::shell_quoted(path.string());
    const support::ProgramRun checked = support::run_program(command);
    EXPECT_EQ(checked.status, 0) << checked.err;
    // The check itself must catch an unescaped ampersand and a control byte.
    const std::string written = read_bytes(path);
    for (const auto& [good, bad] : {std::pair<std::string, std::string>{"A&amp;B", "A&B"}, {"&lt;C", "\x01<C"}}) {
        std::string broken = written;
        broken.replace(broken.find(good), good.size(), bad);
        support::write_bytes(path, broken);
        EXPECT_NE(support::run_program(command).status, 0) << bad;
    }
}

std::vector<Feature> ogrinfo_features(const std::string& options, const fs::path& path)
{
    return support::ogrinfo_features(options, path.string());
}

// Points of every kind of number text: both hemispheres, whole values, values
// below 1 (".5"), nine decimals, the E form, the ends of the ranges.
PointTable reader_table()
{
    std::vector<Point> points = {{2.35, 48.8566, 1},
                                 {-1.5, 43.25, 2},
                                 {0.5, -0.25, 3},
                                 {-0.125, 0.000012, 4},
                                 {180, 90, 5},
                                 {-180, -90, 6},
                                 {0, 45, 7},
                                 {2.294512345, 48.858412345, 8},
                                 {-0.00001, 1e-5, 9},
                                 {179.999999999, -89.999999999, 10},
                                 {9.012345678, 47.987654321, 11}};
    for (int i = 12; i <= 40; ++i)
        points.push_back({8.95 + i * 0.001234567, 47.98 + i * 0.000987654, 1000 + i});
    return make_table(points);
}

class RealReaders : public TempFolder {
protected:
    void SetUp() override
    {
        TempFolder::SetUp();
        if (!have_tool("command -v ogrinfo"))
            GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
        table = reader_table();
        path = folder / "line.kml";
        ASSERT_TRUE(write_kml_file(path.string(), table, {3, "Station", "Seismic line 1"}).ok());
    }

    void expect_every_point(const std::vector<Feature>& features)
    {
        ASSERT_EQ(features.size(), static_cast<std::size_t>(table.size()));
        for (std::size_t i = 0; i < features.size(); ++i) {
            EXPECT_NEAR(features[i].longitude, table.longitude()[i], 1e-12) << "point " << i;
            EXPECT_NEAR(features[i].latitude, table.latitude()[i], 1e-12) << "point " << i;
        }
    }

    PointTable table;
    fs::path path;
};

TEST_F(RealReaders, GdalKmlDriverReadsEveryPointAndName)
{
    const std::vector<Feature> features = ogrinfo_features("--config GDAL_SKIP LIBKML", path);
    expect_every_point(features);
    for (std::size_t i = 0; i < features.size(); ++i) {
        const std::int32_t row = static_cast<std::int32_t>(i + 1);
        EXPECT_EQ(features[i].name, row % 3 == 0 ? "Station" + number_text(table.number()[i]) : "") << row;
    }
}

TEST_F(RealReaders, GdalLibkmlDriverReadsEveryPointWithThePushpinAtAFifth)
{
    if (!support::have_libkml_driver())
        GTEST_SKIP() << "this GDAL has no LIBKML driver";
    const std::vector<Feature> features =
        ogrinfo_features("--config GDAL_SKIP KML --config LIBKML_RESOLVE_STYLE YES", path);
    expect_every_point(features);
    for (std::size_t i = 0; i < features.size(); ++i) {
        EXPECT_EQ(features[i].style, "SYMBOL(id:\"" + std::string(kKmlIconUrl) + "\",s:0.200000)") << "feature " << i;
        EXPECT_EQ(features[i].name, (i + 1) % 3 == 0 ? "Station" + number_text(table.number()[i]) : "");
    }
}

TEST_F(RealReaders, BothGdalDriversReadADocumentWithAwkwardLabels)
{
    ASSERT_TRUE(write_kml_file(path.string(), table, awkward_labels(2)).ok());
    expect_every_point(ogrinfo_features("--config GDAL_SKIP LIBKML", path));
    if (support::have_libkml_driver())
        expect_every_point(ogrinfo_features("--config GDAL_SKIP KML", path));
}

TEST(LabelFrequency, ReadsTheLeadingNumberAndRoundsHalvesToEven)
{
    struct Case {
        const char* text;
        double reading;
    };
    const Case cases[] = {
        {"5", 5},     {"2.5", 2},         {"3.5", 4},     {"10 points", 10}, {"", 0},      {"abc", 0},
        {"x5", 0},    {" 1 2", 12},       {"\t2\n5", 25}, {"- 3", -3},       {"+7", 7},    {"-2.5", -2},
        {"0.5", 0},   {"1.5", 2},         {"0.6", 1},     {"5,5", 5},        {"1e2", 100}, {"1E+2x", 100},
        {"1d1", 10},  {"2e", 2},          {"2e-", 2},     {".", 0},          {"-", 0},     {".5e1", 5},
        {"1.2.3", 1}, {"32767.4", 32767}, {"007", 7},     {"--5", 0},        {"\r5", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(label_frequency_reading(c.text), c.reading) << '"' << c.text << '"';
    EXPECT_EQ(leading_number("10 points"), 10);
    EXPECT_EQ(leading_number(" 2 . 75 "), 2.75);
    EXPECT_TRUE(std::isinf(label_frequency_reading("1e400")));
    EXPECT_EQ(label_frequency_reading("1e-400"), 0);
}

TEST(LabelFrequency, AcceptsOnlyWholeNumbersFromOneTo32767)
{
    struct Case {
        const char* text;
        int frequency; // 0: refused
    };
    const Case cases[] = {
        {"1", 1},   {"25", 25}, {"2.5", 2}, {"32767", 32767}, {"32767.5", 0}, {"32768", 0},  {"0", 0},
        {"0.5", 0}, {"-1", 0},  {"abc", 0}, {"", 0},          {"1e400", 0},   {"-1e400", 0}, {"1e9", 0},
    };
    for (const Case& c : cases) {
        const Result<int> k = label_frequency(c.text);
        if (c.frequency == 0) {
            ASSERT_FALSE(k.ok()) << c.text;
            EXPECT_NE(k.error().find("whole number from 1 to 32767"), std::string::npos);
        } else {
            ASSERT_TRUE(k.ok()) << c.text;
            EXPECT_EQ(*k, c.frequency);
        }
    }
}

} // namespace
} // namespace marovin
