#include "base/converter_job.h"

#include "base/converter_result.h"
#include "base/number_parse.h"
#include "base/number_text.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <ostream>
#include <random>
#include <string>

namespace {

using marovin::JobWriter;

using support::read_bytes;

class JobFileTest : public ::testing::Test {
protected:
    support::ScratchFolder scratch;
    const std::string job = scratch.file("File.cvd");
};

TEST(JobHeader, EachWriterHasItsOwnSevenLineBlock)
{
    struct {
        std::string text;
        const char* expected;
    } const cases[] = {
        {marovin::trace_header_job_header("LT93"),
         "Depart=LT93\r\nUniteDepart=M\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n"},
        {marovin::xy_text_job_header("UTM31"),
         "Depart=UTM31\r\nUniteDepart=DDEC\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n"},
        {marovin::xy_text_job_header(""),
         "Depart=WGS84\r\nUniteDepart=DDEC\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n"},
        // Blanks or a tab in Combo2 name no system either: the same default.
        {marovin::xy_text_job_header(" \t "),
         "Depart=WGS84\r\nUniteDepart=DDEC\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n"},
        // The trace-header run passes an empty system on unchanged.
        {marovin::trace_header_job_header(""),
         "Depart=\r\nUniteDepart=M\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n"},
        {marovin::xy_text_job_header("EPSG:2154"),
         "Depart=EPSG:2154\r\nUniteDepart=DDEC\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, c.expected);
}

// The data line a job of one point holds: what follows the header.
std::string data_line(double x, double y, char point)
{
    const support::ScratchFolder scratch;
    const std::string path = scratch.file("File.cvd");
    auto writer = JobWriter::create(path, "", point);
    EXPECT_TRUE(writer && writer->add_point(x, y) && writer->close());
    return read_bytes(path);
}

TEST(JobDataLine, WritesBothNumbersWithTheirBlanksAndSeparator)
{
    struct {
        double x, y;
        char point;
        const char* expected;
    } const cases[] = {
        {600000, 4500000, '.', " 600000  4500000 \r\n"},
        {-3.5, 2, '.', "-3.5  2 \r\n"},
        {512345.5, 5432100.25, '.', " 512345.5  5432100.25 \r\n"},
        {512345.5, 5432100.25, ',', " 512345,5  5432100,25 \r\n"},
        {0.5, -0.125, ',', " ,5 -,125 \r\n"},
        {0, -0.0, '.', " 0  0 \r\n"},
        {612.3455, -1e-5, '.', " 612.3455 -1E-05 \r\n"},
        {1.0 / 3.0, 1e15, '.', " .333333333333333  1E+15 \r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(data_line(c.x, c.y, c.point), c.expected) << c.x << " " << c.y;
}

TEST_F(JobFileTest, WriterPutsHeaderLinesAndDataLinesInOrder)
{
    auto writer = JobWriter::create(job, marovin::xy_text_job_header("UTM31"), ',');
    ASSERT_TRUE(writer) << writer.error();
    ASSERT_TRUE(writer->add_point(600000, 4500000));
    ASSERT_TRUE(writer->add_point(-3.5, 2.25));
    EXPECT_EQ(writer->points(), 2);
    // Nothing is in place before close.
    EXPECT_FALSE(std::filesystem::exists(job));
    ASSERT_TRUE(writer->close());
    EXPECT_EQ(read_bytes(job), marovin::xy_text_job_header("UTM31") + " 600000  4500000 \r\n-3,5  2,25 \r\n");
    EXPECT_FALSE(writer->add_point(1, 2));
    EXPECT_FALSE(writer->close());
    EXPECT_EQ(writer->points(), 2);
}

TEST_F(JobFileTest, ManyPointsPassTheBufferBoundaryIntact)
{
    auto writer = JobWriter::create(job, marovin::trace_header_job_header("LT93"), '.');
    ASSERT_TRUE(writer);
    std::string expected = marovin::trace_header_job_header("LT93");
    for (int i = 0; i < 100000; ++i) {
        const double x = 600000 + i * 0.25, y = 4500000 - i;
        ASSERT_TRUE(writer->add_point(x, y));
        expected += marovin::number_text(x) + " " + marovin::number_text(y) + " \r\n";
    }
    ASSERT_TRUE(writer->close());
    EXPECT_EQ(read_bytes(job), expected);
}

TEST_F(JobFileTest, FailuresNameTheProblemAndLeaveNoJob)
{
    // A point the converter could not read is refused, not written.
    {
        auto writer = JobWriter::create(job, marovin::xy_text_job_header(""), '.');
        ASSERT_TRUE(writer);
        ASSERT_TRUE(writer->add_point(1, 2));
        const double bad[] = {std::numeric_limits<double>::infinity(), std::nan("")};
        for (double v : bad) {
            marovin::Status s = writer->add_point(v, 2);
            ASSERT_FALSE(s);
            EXPECT_NE(s.error().find("point 2"), std::string::npos) << s.error();
        }
        EXPECT_EQ(writer->points(), 1);
    }
    // Destroyed without close: discarded, an earlier job stays.
    EXPECT_FALSE(std::filesystem::exists(job));
    scratch.plant("File.cvd");
    {
        auto writer = JobWriter::create(job, marovin::xy_text_job_header(""), '.');
        ASSERT_TRUE(writer);
    }
    EXPECT_EQ(scratch.names(), std::vector<std::string>{"File.cvd"});
    EXPECT_EQ(read_bytes(job), support::kSentinel);

    const std::string nowhere = (scratch / "missing" / "File.cvd").string();
    auto writer = JobWriter::create(nowhere, "", '.');
    ASSERT_FALSE(writer);
    EXPECT_NE(writer.error().find(nowhere), std::string::npos) << writer.error();
}

// A large job is read in two parts, split at the line end after the middle
// of its data lines; read so (as here, however small), every job gives what
// a read in one run gives: the points, or the message naming the line.
TEST_F(JobFileTest, ReadInTwoPartsAJobGivesWhatOneRunGives)
{
    const std::string header = marovin::trace_header_job_header("UTM32"); // data from line 8
    const std::string blanks(1'200'000, '\n');
    const struct {
        std::string data;
        std::int64_t points;      // -1: refused
        std::int64_t failed_line; // the line the refusal names
    } cases[] = {
        {"1 2\r\n3 4\r\n5 6\r\n7 8\r\n", 4, 0},
        {"1,5 2\n3 4,25\n5 6\n7 8", 4, 0},            // LF, ",", no last line end
        {"1 2\r\n3 4\r\n\r\n\r\n\r\n\r\n", 2, 0},     // empty lines at the end
        {"1 2\r\n\r\n\r\n\r\n5 6\r\n", -1, 9},        // the first part ends empty, data follows
        {"1 2\r\n3 4\r\n5 6\r\n\r\n7 8\r\n", -1, 11}, // an empty line in the second part
        {"x 2\r\n3 4\r\n5 6\r\n7 y\r\n", -1, 8},      // a failure in each part: the first
        {"1 2\r\n3 4\r\n5 6\r\n7 8 9\r\n", -1, 11},   // a failure in the second part only
        {"1 2\r\n" + blanks + std::string(marovin::kLongestLine + 8, '7'), -1, 8 + 1 + 1'200'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.data.substr(0, 40));
        support::write_bytes(job, header + c.data);
        const auto one = marovin::read_job(job, "File.cvd");
        const auto two = marovin::read_job(job, "File.cvd", 0);
        ASSERT_EQ(two.ok(), one.ok()) << (one.ok() ? two.error() : one.error());
        if (c.points < 0) {
            ASSERT_FALSE(one.ok());
            EXPECT_EQ(two.error(), one.error());
            EXPECT_EQ(one.error().rfind("File.cvd line " + std::to_string(c.failed_line) + ": ", 0), 0u) << one.error();
            continue;
        }
        ASSERT_TRUE(one.ok()) << one.error();
        EXPECT_EQ(one->x.size(), static_cast<std::size_t>(c.points));
        EXPECT_EQ(two->x, one->x);
        EXPECT_EQ(two->y, one->y);
    }
}

TEST(RegionalDecimalPoint, FollowsTheCLocale)
{
    EXPECT_EQ(marovin::regional_decimal_point(), '.'); // tests run in the "C" locale
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            EXPECT_EQ(marovin::regional_decimal_point(), ',') << name;
            // The job's numbers never depend on the locale.
            EXPECT_EQ(data_line(0.5, 2.5, '.'), " .5  2.5 \r\n");
            break;
        }
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

// The values the converter's files give back: what in-process conversion
// keeps so that its numbers are the exchange's. Compared with the files'
// own text, read back, on values at the edges of their rounding.
TEST(ExchangedValues, AreTheNumbersTheFilesTextReadsBackAs)
{
    std::vector<double> values = {
        0.0,    -0.0,    1e-12,        -1e-12,        1.0 / 1024,     -1.0 / 1024,       0.5e-9,
        1.5e-9, 2.5e-9,  47.979291906, -8.9463989115, 359.9999999995, 999999.9999999996, 1e6,
        1e300,  -1e-300, 612345.5 / 3, 5314000.0 / 7};
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> degrees(-360, 360);
    for (int i = 0; i < 20000; ++i)
        values.push_back(degrees(random));
    for (int i = 0; i < 2000; ++i) // near a half of the ninth decimal
        values.push_back((std::floor(degrees(random) * 1e9) + 0.5) / 1e9);
    for (const double value : values) {
        char text[marovin::kFixedTextMax];
        const char* end = marovin::write_fixed(text, value, 9);
        const auto read = marovin::read_number(std::string_view(text, std::size_t(end - text)));
        ASSERT_TRUE(read);
        const double result = marovin::result_value(value);
        EXPECT_TRUE(result == *read && std::signbit(result) == std::signbit(*read)) << std::hexfloat << value;

        // A data line's number, without its leading blank.
        const std::string number = marovin::plain_number_text(value);
        const auto job = marovin::read_number(number);
        ASSERT_TRUE(job) << number;
        EXPECT_EQ(marovin::job_value(value), *job) << std::hexfloat << value;
    }
}

} // namespace
