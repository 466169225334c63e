#include "kml/kml_writer.h"
#include "base/number_text.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace marovin {
namespace {

namespace fs = std::filesystem;

struct Point {
    double longitude, latitude, number;
};

PointTable make_table(const std::vector<Point>& points)
{
    PointTable table;
    table.recreate(static_cast<std::int32_t>(points.size()));
    std::int32_t row = 1;
    for (const Point& p : points) {
        EXPECT_TRUE(table.set(row, 1, Cell::real(p.longitude)).ok());
        EXPECT_TRUE(table.set(row, 2, Cell::real(p.latitude)).ok());
        EXPECT_TRUE(table.set(row, 3, Cell::int32(static_cast<std::int32_t>(p.number))).ok());
        ++row;
    }
    return table;
}

// Rows 1..n with longitude i, latitude -i/2 and number 100 + i.
PointTable numbered_table(int n)
{
    std::vector<Point> points;
    for (int i = 1; i <= n; ++i)
        points.push_back({double(i), -i / 2.0, 100.0 + i});
    return make_table(points);
}

std::string document(const PointTable& table, std::int32_t nb_points, const KmlLabels& labels)
{
    std::ostringstream out;
    const Status status = write_kml_document(out, table, nb_points, labels);
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

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("kml_writer_test_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
    fs::path folder;
};

const std::string kFixedHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                               "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                               "<extrude>0</extrude>\r\n"
                               "<tessellate>0</tessellate>\r\n"
                               "<Document>\r\n"
                               "     <IconStyle>\r\n"
                               "<Icon>\r\n"
                               "<href>http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href>\r\n"
                               "<scale>0.2</scale>\r\n"
                               "</Icon>\r\n"
                               "</IconStyle>\r\n";
const std::string kFixedTail = "</Document>\r\n"
                               "</kml>\r\n";

TEST(KmlDocument, TwoLabelledPointsGiveTheTwentySevenLinesExactly)
{
    const PointTable table = make_table({{2.35, 48.8566, 1}, {-1.5, 43.25, 2}});
    const std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                 "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                                 "<extrude>0</extrude>\r\n"
                                 "<tessellate>0</tessellate>\r\n"
                                 "<Document>\r\n"
                                 "     <IconStyle>\r\n"
                                 "<Icon>\r\n"
                                 "<href>http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href>\r\n"
                                 "<scale>0.2</scale>\r\n"
                                 "</Icon>\r\n"
                                 "</IconStyle>\r\n"
                                 "<Placemark>\r\n"
                                 "<name>Station 1</name>\r\n"
                                 "<description>Seismic line 1</description>\r\n"
                                 "<Point>\r\n"
                                 "<coordinates> 2.35, 48.8566</coordinates>\r\n"
                                 "</Point>\r\n"
                                 "</Placemark>\r\n"
                                 "<Placemark>\r\n"
                                 "<name>Station 2</name>\r\n"
                                 "<description>Seismic line 1</description>\r\n"
                                 "<Point>\r\n"
                                 "<coordinates>-1.5, 43.25</coordinates>\r\n"
                                 "</Point>\r\n"
                                 "</Placemark>\r\n"
                                 "</Document>\r\n"
                                 "</kml>\r\n";
    const std::string written = document(table, 2, {1, "Station", "Seismic line 1"});
    EXPECT_EQ(written, expected);
    EXPECT_EQ(lines_of(written).size(), 27u);
}

TEST(KmlDocument, NoPointsGiveTheThirteenFixedLines)
{
    PointTable table;
    table.recreate(0);
    EXPECT_EQ(document(table, 0, {5, "Station", "Seismic line 1"}), kFixedHead + kFixedTail);
    EXPECT_EQ(document(PointTable{}, 0, {5, "Station", "Seismic line 1"}), kFixedHead + kFixedTail);
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
        const std::vector<std::string> lines =
            lines_of(document(numbered_table(c.points), c.points, {c.frequency, "P", "D"}));
        ASSERT_EQ(lines.size(), 13 + 7 * c.labelled.size() + 5 * (c.points - c.labelled.size()));

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
            EXPECT_EQ(lines[at + 1], "<coordinates>" + number_text(row) + "," + number_text(-row / 2.0) +
                                         "</coordinates>");
            ASSERT_EQ(lines[at + 3], "</Placemark>");
            at += 4;
        }
        EXPECT_EQ(named, c.labelled);
        EXPECT_EQ(lines[at], "</Document>");
    }
}

TEST(KmlDocument, EmptyPrefixAndDescriptionKeepTheNumbersBlank)
{
    const std::vector<std::string> lines = lines_of(document(numbered_table(5), 5, {5, "", ""}));
    ASSERT_EQ(lines.size(), 13u + 4 * 5 + 7);
    EXPECT_EQ(lines[32], "<name> 105</name>");
    EXPECT_EQ(lines[33], "<description></description>");
}

TEST(KmlDocument, CoordinatesAndNumbersFollowTheNumberText)
{
    struct Case {
        double longitude, latitude, number;
        const char* coordinates;
        const char* name;
    };
    const Case cases[] = {
        {0.5, 45, 5, "<coordinates> .5, 45</coordinates>", "<name>CDP 5</name>"},
        {-0.25, -0.125, 2050, "<coordinates>-.25,-.125</coordinates>", "<name>CDP 2050</name>"},
        {0, 0.00001, 0, "<coordinates> 0, 1E-05</coordinates>", "<name>CDP 0</name>"},
        {-179.999999999999, 89.12345678901231, -7, "<coordinates>-179.999999999999, 89.1234567890123</coordinates>",
         "<name>CDP-7</name>"},
        {12, -0.0, 1e15, "<coordinates> 12, 0</coordinates>", "<name>CDP 1E+15</name>"},
    };
    for (const Case& c : cases) {
        PointTable table;
        table.recreate(1);
        ASSERT_TRUE(table.set(1, 1, Cell::real(c.longitude)).ok());
        ASSERT_TRUE(table.set(1, 2, Cell::real(c.latitude)).ok());
        ASSERT_TRUE(table.set(1, 3, Cell::real(c.number)).ok());
        const std::vector<std::string> lines = lines_of(document(table, 1, {1, "CDP", "x"}));
        ASSERT_EQ(lines.size(), 20u);
        EXPECT_EQ(lines[12], c.name);
        EXPECT_EQ(lines[15], c.coordinates);
    }
}

TEST(KmlDocument, NumberTextGivesPrintfsFifteenDigitsWithoutTheLeadingZero)
{
    std::vector<double> values = {0, -0.0, 1, -1, 0.5, -0.125, 0.00001, 0.0001, 0.000123456, 12, 2.35, 48.8566,
                                  1e14, 999999999999999, 1e15, 1.5e20, -1e-300, 1e300, 0.1 + 0.2, 1.0 / 3,
                                  123456789.123456789, 32767, -32768, 2147483647, 0.99999999999999999};
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-20, 20);
    for (int i = 0; i < 20000; ++i)
        values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (int i = 0; i < 2000; ++i)
        values.push_back(std::round(mantissa(random) * 1e6) / 1e4); // few decimals, like surveyed values
    // Reference: printf's "%.15G" (the tests run in the C locale), "0"
    // before the point removed, a blank before values of zero and above.
    for (const double v : values) {
        char printed[64];
        std::snprintf(printed, sizeof printed, "%.15G", v == 0.0 ? 0.0 : v);
        std::string expected(printed);
        if (expected.starts_with("0."))
            expected.erase(0, 1);
        else if (expected.starts_with("-0."))
            expected.erase(1, 1);
        if (expected.front() != '-')
            expected.insert(0, 1, ' ');
        char buffer[kNumberTextMax];
        ASSERT_EQ(std::string(buffer, write_number_text(buffer, v)), expected) << "value " << v;
    }
}

TEST(KmlDocument, PrefixAndDescriptionAreEscapedAndOtherwiseKept)
{
    struct Case {
        const char* text;
        const char* escaped;
    };
    const Case cases[] = {
        {"Line A&B", "Line A&amp;B"},
        {"<b>1</b>", "&lt;b&gt;1&lt;/b&gt;"},
        {"&amp;", "&amp;amp;"},
        {"Ligne n\xC2\xB0" "1 \"quoted\" 'x'", "Ligne n\xC2\xB0" "1 \"quoted\" 'x'"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(xml_escape(c.text), c.escaped);
        const std::vector<std::string> lines = lines_of(document(numbered_table(1), 1, {1, c.text, c.text}));
        ASSERT_EQ(lines.size(), 20u);
        EXPECT_EQ(lines[12], std::string("<name>") + c.escaped + " 101</name>");
        EXPECT_EQ(lines[13], std::string("<description>") + c.escaped + "</description>");
    }
}

TEST(KmlDocument, WhatXmlCannotHoldBecomesAReplacementCharacter)
{
    const std::string r = "\xEF\xBF\xBD"; // U+FFFD
    struct Case {
        std::string text;
        std::string escaped;
    };
    const Case cases[] = {
        {"A\x01" "B", "A" + r + "B"},
        {std::string("\0x", 2), r + "x"},
        {"\x1F\x7F", r + "\x7F"},
        {"tab\tCR\rLF\n", "tab\tCR\rLF\n"},
        {"Caf\xE9", "Caf" + r},                                   // Latin-1, not UTF-8
        {"\xC3", r},                                               // cut short
        {"\xC0\xAF", r + r},                                       // overlong "/"
        {"\xED\xA0\x80", r + r + r},                               // surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},                        // beyond U+10FFFF
        {"\xEF\xBF\xBE|\xEF\xBF\xBF", r + r + r + "|" + r + r + r}, // U+FFFE, U+FFFF
        {"\xEF\xBF\xBD\xF0\x9F\x8C\x8D\xE2\x82\xAC", "\xEF\xBF\xBD\xF0\x9F\x8C\x8D\xE2\x82\xAC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xml_escape(c.text), c.escaped) << ::testing::PrintToString(c.text);
}

TEST(KmlDocument, HugeDescriptionIsWrittenWhole)
{
    const std::string description(300 * 1024, 'd');
    const std::vector<std::string> lines = lines_of(document(numbered_table(3), 3, {2, "P", description + "&"}));
    ASSERT_EQ(lines.size(), 13u + 5 + 7 + 5);
    EXPECT_EQ(lines[17], "<name>P 102</name>");
    EXPECT_EQ(lines[18], "<description>" + description + "&amp;</description>");
    EXPECT_EQ(lines[20], "<coordinates> 2,-1</coordinates>");
}

TEST(KmlDocument, TablesThatDoNotHoldNumbersAreRefusedBeforeAnyWrite)
{
    struct Case {
        const char* what;
        int row, column;
        Cell cell;
        const char* message;
    };
    const Case cases[] = {
        {"empty longitude", 7, 1, Cell(), "row 7 of the point table holds no longitude"},
        {"text latitude", 3, 2, Cell::text("abc"), "row 3 of the point table holds no latitude"},
        {"empty number", 12, 3, Cell(), "row 12 of the point table holds no point number"},
        {"infinite longitude", 1, 1, Cell::real(INFINITY), "row 1 of the point table holds no longitude"},
        {"NaN latitude", 2, 2, Cell::real(NAN), "row 2 of the point table holds no latitude"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PointTable table = numbered_table(12);
        ASSERT_TRUE(table.set(c.row, c.column, c.cell).ok());
        std::ostringstream out;
        const Status status = write_kml_document(out, table, 12, {5, "P", "D"});
        ASSERT_FALSE(status.ok());
        EXPECT_NE(status.error().find(c.message), std::string::npos) << status.error();
        EXPECT_TRUE(out.str().empty());
    }

    std::ostringstream out;
    const Status missing = write_kml_document(out, numbered_table(3), 5, {5, "P", "D"});
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("no row 4"), std::string::npos) << missing.error();
    EXPECT_FALSE(write_kml_document(out, numbered_table(3), 3, {0, "P", "D"}).ok());
    EXPECT_TRUE(out.str().empty());
}

TEST(KmlDocument, AFailingStreamIsReported)
{
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(write_kml_document(out, numbered_table(3), 3, {1, "P", "D"}).ok());
}

TEST_F(TempFolder, WritingTwiceReplacesTheFileAndGivesIdenticalBytes)
{
    const fs::path path = folder / "line1.KML";
    const PointTable table = numbered_table(40);
    ASSERT_TRUE(write_kml_file(path.string(), numbered_table(90), 90, {5, "P", "D"}).ok());
    ASSERT_TRUE(write_kml_file(path.string(), table, 40, {5, "P", "D"}).ok());
    const std::string first = read_file(path);
    ASSERT_TRUE(write_kml_file(path.string(), table, 40, {5, "P", "D"}).ok());
    EXPECT_EQ(read_file(path), first);
    EXPECT_EQ(first, document(table, 40, {5, "P", "D"}));
    EXPECT_EQ(files(), std::vector<std::string>{"line1.KML"}); // no temporary file left
}

TEST_F(TempFolder, AFailedWriteLeavesNoFileAndKeepsAnEarlierOne)
{
    const fs::path missing = folder / "no such folder" / "out.KML";
    const Status status = write_kml_file(missing.string(), numbered_table(3), 3, {1, "P", "D"});
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find(missing.string()), std::string::npos) << status.error();
    EXPECT_FALSE(fs::exists(missing.parent_path()));

    const fs::path earlier = folder / "kept.KML";
    std::ofstream(earlier) << "earlier";
    PointTable bad = numbered_table(3);
    ASSERT_TRUE(bad.set(2, 1, Cell()).ok());
    const Status refused = write_kml_file(earlier.string(), bad, 3, {1, "P", "D"});
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find(earlier.string()), std::string::npos) << refused.error();
    EXPECT_NE(refused.error().find("row 2"), std::string::npos) << refused.error();
    EXPECT_EQ(read_file(earlier), "earlier");
    EXPECT_EQ(files(), std::vector<std::string>{"kept.KML"});
}

TEST_F(TempFolder, XmllintReadsTheDocumentAsWellFormed)
{
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const fs::path path = folder / "check.kml";
    const KmlLabels labels{3, "A&B <C> \x01", "Line \xC3\xA9t\xC3\xA9 & <more> > less \xE9\x1B"};
    ASSERT_TRUE(write_kml_file(path.string(), numbered_table(10), 10, labels).ok());
    const std::string command = "xmllint --noout '" + path.string() + "' 2>'" + (folder / "errors").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << read_file(folder / "errors");
    // The check itself must catch an unescaped ampersand.
    std::string broken = read_file(path);
    broken.replace(broken.find("A&amp;B"), 7, "A&B");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << broken;
    EXPECT_NE(std::system(command.c_str()), 0);
}

TEST(LabelFrequency, ReadsTheLeadingNumberAndRoundsHalvesToEven)
{
    struct Case {
        const char* text;
        double reading;
    };
    const Case cases[] = {
        {"5", 5}, {"2.5", 2}, {"3.5", 4}, {"10 points", 10}, {"", 0}, {"abc", 0}, {"x5", 0},
        {" 1 2", 12}, {"\t2\n5", 25}, {"- 3", -3}, {"+7", 7}, {"-2.5", -2}, {"0.5", 0}, {"1.5", 2},
        {"0.6", 1}, {"5,5", 5}, {"1e2", 100}, {"1E+2x", 100}, {"1d1", 10}, {"2e", 2}, {"2e-", 2},
        {".", 0}, {"-", 0}, {".5e1", 5}, {"1.2.3", 1}, {"32767.4", 32767}, {"007", 7}, {"--5", 0},
        {"\r5", 0},
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
        {"1", 1}, {"25", 25}, {"2.5", 2}, {"32767", 32767}, {"32767.5", 0}, {"32768", 0}, {"0", 0},
        {"0.5", 0}, {"-1", 0}, {"abc", 0}, {"", 0}, {"1e400", 0}, {"-1e400", 0}, {"1e9", 0},
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
