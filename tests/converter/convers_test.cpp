// Runs the built converter program on job files written into a temporary
// folder and checks the result files it leaves (or does not leave).

#include "support/program_run.h"
#include "support/scratch_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

const fs::path converter_program = fs::path(MAROVIN_PROGRAM_DIR) / "convers";

using support::ProgramRun;
using support::read_bytes;

// Splits on CR LF; a line that ends in a bare LF keeps it, so the test sees it.
std::vector<std::string> crlf_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string job_header(const std::string& system, const std::string& unit = "M", const std::string& target = "WGS84")
{
    return "Depart=" + system + "\r\nUniteDepart=" + unit + "\r\nOrigineDepart=GR\r\n\r\nArrivee=" + target +
           "\r\nUniteArrivee=DDEC\r\n\r\n";
}

class ConverterTest : public ::testing::Test {
protected:
    fs::path job_path() const { return folder_ / "File.cvd"; }
    fs::path result_path() const { return folder_ / "File.cva"; }

    void write_job(const std::string& bytes) { scratch_.write("File.cvd", bytes); }

    // Runs the converter with `arguments` (the job when empty), after the
    // shell commands in `before` ("ulimit -f 8; ").
    ProgramRun run_converter(const std::string& arguments, const std::string& before = "")
    {
        return support::run_program(before + support::shell_quoted(converter_program.string()) + " " + arguments);
    }
    ProgramRun run_converter() { return run_converter(support::shell_quoted(job_path().string())); }

    // Fields 3 and 4 (latitude, longitude) of every record after the seven
    // leading lines.
    std::vector<std::pair<double, double>> converted_points()
    {
        std::vector<std::pair<double, double>> points;
        std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
        for (std::size_t i = 7; i < lines.size(); ++i) {
            std::vector<std::string> fields;
            std::stringstream record(lines[i]);
            for (std::string field; std::getline(record, field, ',');)
                fields.push_back(field);
            if (fields.size() != 5) {
                ADD_FAILURE() << "record with other than five fields: " << lines[i];
                continue;
            }
            points.emplace_back(std::stod(fields[2]), std::stod(fields[3]));
        }
        return points;
    }

    support::ScratchFolder scratch_;
    const fs::path folder_ = scratch_.path();
};

TEST_F(ConverterTest, WritesSevenLeadingLinesThenOneCrLfRecordPerPointInOrder)
{
    write_job(job_header("UTM32") + " 500000  5000000 \r\n 600000  4500000 \r\n-3.5  2 \r\n");
    ProgramRun run = run_converter();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[2], "Points: 3");
    EXPECT_EQ(lines[3], "Transformation: Inverse of UTM zone 32N");
    EXPECT_EQ(lines[4], "Accuracy: 0 m");
    EXPECT_THAT(lines[1], HasSubstr("UTM32"));
    EXPECT_THAT(lines[5], HasSubstr("WGS84"));
    // 500000 is the central meridian, 9 degrees east.
    EXPECT_THAT(lines[7], testing::MatchesRegex(R"(1,"UTM32",45\.[0-9]{9},9\.000000000,0)"));
    EXPECT_THAT(lines[8], testing::MatchesRegex(R"(2,"UTM32",40\.[0-9]{9},10\.[0-9]{9},0)"));
    EXPECT_THAT(lines[9], testing::MatchesRegex(R"(3,"UTM32",0\.[0-9]{9},-?[0-9]\.[0-9]{9},0)"));
}

TEST_F(ConverterTest, ReadsEveryFormTheJobWritersUse)
{
    // Each job holds the same point; the converted position must not change.
    const std::string point = "652760.737  7033791.243 ";
    std::vector<std::pair<double, double>> first;
    const struct {
        const char* name;
        std::string job;
    } forms[] = {
        {"keys without blanks", job_header("LT93") + " " + point + "\r\n"},
        {"a system typed after blanks", job_header(" \tLT93") + " " + point + "\r\n"},
        {"LF line ends",
         "Depart=LT93\nUniteDepart=M\nOrigineDepart=GR\n\nArrivee=WGS84\nUniteArrivee=DDEC\n\n " + point + "\n"},
        {"comma decimal separator", job_header("LT93") + " 652760,737  7033791,243 \r\n"},
        {"exponent notation", job_header("LT93") + " 6.52760737E+05  7.033791243E+06 \r\n"},
        {"no line end after the last point", job_header("LT93") + " " + point},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        write_job(form.job);
        ProgramRun run = run_converter();
        ASSERT_EQ(run.status, 0) << run.err;
        auto points = converted_points();
        ASSERT_EQ(points.size(), 1u);
        if (first.empty())
            first = points;
        EXPECT_EQ(points, first);
    }
}

TEST_F(ConverterTest, GeographicSystemsTakeLongitudeThenLatitudeWhateverTheUnitLineSays)
{
    write_job(job_header("WGS84", "M") + " 2.5  48.75 \r\n-0,000001  -1E-05 \r\n");
    ProgramRun run = run_converter();
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], R"(1,"WGS84",48.750000000,2.500000000,0)");
    EXPECT_EQ(lines[8], R"(2,"WGS84",-0.000010000,-0.000001000,0)");
}

// A system typed as a WKT definition: its double quotes become single ones in
// the records, whose second field they would otherwise end early.
TEST_F(ConverterTest, AWktSystemLeavesEveryRecordItsFiveFields)
{
    const std::string wkt = R"(GEOGCRS["WGS 84",DATUM["World Geodetic System 1984",)"
                            R"(ELLIPSOID["WGS 84",6378137,298.257223563]],CS[ellipsoidal,2],)"
                            R"(AXIS["latitude",north],AXIS["longitude",east],ANGLEUNIT["degree",0.0174532925199433]])";
    write_job(job_header(wkt, "DDEC") + " 2.5  48.75 \r\n-1  -2 \r\n");
    ProgramRun run = run_converter();
    ASSERT_EQ(run.status, 0) << run.err;
    std::string field = wkt;
    std::replace(field.begin(), field.end(), '"', '\'');
    std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], "1,\"" + field + "\",48.750000000,2.500000000,0");
    EXPECT_EQ(lines[8], "2,\"" + field + "\",-2.000000000,-1.000000000,0");
}

// What the folder holds besides the job: the result, or anything a run left
// behind (a temporary file).
std::vector<std::string> other_entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "File.cvd")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A message a person can read: one short line of printable ASCII.
void expect_readable_line(const std::string& text)
{
    EXPECT_LE(text.size(), 400u) << text.substr(0, 400);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_TRUE(std::all_of(text.begin(), text.end() - 1, [](char c) { return c >= 0x20 && c < 0x7F; }))
        << text.substr(0, 400);
}

struct HostileJob {
    const char* name;
    std::string job;
    int status;            // exit status
    std::string message;   // what standard error starts with ("" when it must stay empty)
    int result_lines = -1; // lines of File.cva, -1 when there must be none
};

const std::string utm32 = job_header("UTM32");

// Jobs a converter meets when a window, a user or a broken disk writes
// them, and what the program makes of each: its exit status, its one line,
// and no result. Which points the geodesy refuses, and its words, are the
// geodesy's tests; here its words come with the job's line.
const HostileJob hostile_jobs[] = {
    {"a stray point after good ones", utm32 + " 500000  5000000 \r\n 510000  5010000 \r\n 600010  45000100 \r\n", 1,
     "convers: File.cvd line 10: the point X 600010, Y 45000100 is no position"},
    {"the largest double, as the job writer prints it", utm32 + "-1.79769313486232E+308  5000000 \r\n", 1,
     "convers: File.cvd line 8: the point X -1.7976931348623157e+308, Y 5000000 is no position"},
    {"a number beyond the largest double", utm32 + " 1E+309  5000000 \r\n", 1,
     "convers: File.cvd line 8: \"1E+309\" is too large a number"},
    {"a token of 100,000 digits", utm32 + " " + std::string(100000, '7') + "  5000000 \r\n", 1,
     "convers: File.cvd line 8: \"7777777777777777777777777777777777777777\"... is too large a number"},
    {"a line of 3 MB", utm32 + " 500000  5000000 \r\n " + std::string(3 << 20, '1') + "  5000000 \r\n", 1,
     "convers: File.cvd line 9: the line is longer than 1048576 bytes: \" " + std::string(39, '1') + "\"..."},
    {"a NUL byte in a number", job_header("WGS84") + std::string(" 5\0  45 \r\n", 10), 1,
     "convers: File.cvd line 8: \"5\\x00\" is not a number"},
    {"a CR inside a line", job_header("WGS84") + " 5\r6  45 \r\n", 1,
     "convers: File.cvd line 8: \"5\\r6\" is not a number"},
    {"binary garbage", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), 1,
     "convers: File.cvd line 1: expected a header line \"key=value\", found \"\\x89PNG\""},
    {"empty job", "", 1, "convers: File.cvd: the header has no \"Depart=\" line naming the source system"},
    {"header only", utm32, 0, "", 7},
    {"NaN", job_header("WGS84") + " NaN  45 \r\n", 1, "convers: File.cvd line 8: \"NaN\" is not a number"},
    {"infinity", job_header("WGS84") + " inf  45 \r\n", 1, "convers: File.cvd line 8: \"inf\" is not a number"},
    {"two signs", utm32 + " +-600000  5000000 \r\n", 1, "convers: File.cvd line 8: \"+-600000\" is not a number"},
    {"a sign alone", utm32 + " -  5000000 \r\n", 1, "convers: File.cvd line 8: \"-\" is not a number"},
    {"number it cannot read", utm32 + " 500000  5000000 \r\n 12a  5000000 \r\n", 1,
     "convers: File.cvd line 9: \"12a\" is not a number"},
    {"one number only", utm32 + " 500000 \r\n", 1,
     "convers: File.cvd line 8: expected two numbers, X and Y, found \"500000\""},
    {"three numbers", utm32 + " 1  2  3 \r\n", 1, "convers: File.cvd line 8: expected two numbers"},
    {"empty line between points", utm32 + " 500000  5000000 \r\n\r\n 500000  5000000 \r\n", 1,
     "convers: File.cvd line 9: empty line among the data lines"},
    {"no header", " 500000  5000000 \r\n", 1, "convers: File.cvd line 1: expected a header line"},
    {"no source system", "Depart=\r\n", 1, "convers: File.cvd line 1: no source system"},
    {"a key apart from its \"=\"", "Depart = UTM32\r\n", 1, "convers: File.cvd: the header has no \"Depart=\" line"},
    {"a source system of blanks and a tab", "Depart=  \t \r\n", 1, "convers: File.cvd line 1: no source system"},
    {"unknown system", job_header("UTM99") + " 1  2 \r\n", 1,
     "convers: File.cvd line 1: unknown coordinate system \"UTM99\""},
    {"target that is not geographic", job_header("UTM32", "M", "UTM31") + " 500000  5000000 \r\n", 1,
     "convers: File.cvd line 5: the target system \"UTM31\" is not geographic"},
};

TEST_F(ConverterTest, HostileJobsEndWithTheirStatusAOneLineMessageAndNoResult)
{
    for (const HostileJob& hostile : hostile_jobs) {
        SCOPED_TRACE(hostile.name);
        write_job(hostile.job);
        // A result left by an earlier job must not pass for this job's.
        scratch_.plant("File.cva");
        ProgramRun run = run_converter();
        EXPECT_EQ(run.status, hostile.status) << run.err.substr(0, 400);
        if (hostile.message.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_THAT(run.err, StartsWith(hostile.message));
            expect_readable_line(run.err);
        }
        if (hostile.result_lines < 0) {
            EXPECT_THAT(other_entries(folder_), testing::IsEmpty());
        } else {
            EXPECT_THAT(other_entries(folder_), testing::ElementsAre("File.cva"));
            EXPECT_EQ(crlf_lines(read_bytes(result_path())).size(), std::size_t(hostile.result_lines));
        }
    }
}

TEST_F(ConverterTest, AJobWithoutPointsGivesTheSevenLeadingLinesOnly)
{
    write_job(job_header("UTM31"));
    ProgramRun run = run_converter();
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "Points: 0");
}

TEST_F(ConverterTest, ATinyNumberReadsAsZero)
{
    write_job(job_header("WGS84") + " 1E-400  -1e-330 \r\n");
    ProgramRun run = run_converter();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(crlf_lines(read_bytes(result_path())).back(), R"(1,"WGS84",-0.000000000,0.000000000,0)");
}

// A result of many blocks holds every record once, in the job's order.
TEST_F(ConverterTest, ALargeResultHoldsEveryRecordInOrder)
{
    constexpr int n = 200000;
    std::string job = job_header("UTM32");
    for (int i = 0; i < n; ++i)
        job += " " + std::to_string(400000 + i) + "  5300000 \r\n";
    write_job(job);
    ProgramRun run = run_converter();
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
    ASSERT_EQ(lines.size(), std::size_t{7 + n});
    double west = -180;
    for (int i = 0; i < n; ++i) {
        const std::string& record = lines[std::size_t(7 + i)];
        const std::string number = std::to_string(i + 1) + ",";
        ASSERT_EQ(record.compare(0, number.size(), number), 0) << record;
        // Eastward, point by point.
        const double longitude = std::stod(record.substr(record.rfind(',', record.size() - 3) + 1));
        ASSERT_GT(longitude, west) << record;
        west = longitude;
    }
}

TEST_F(ConverterTest, APlantedLinkIsNeverFollowed)
{
    const fs::path victim = folder_ / "victim.txt";
    std::ofstream(victim) << "precious\n";
    // Where a converter writing through a fixed name would write, and the
    // result's own name.
    fs::create_symlink(victim, folder_ / "File.cva.tmp");
    fs::create_symlink(victim, result_path());
    write_job(job_header("UTM32") + " 500000  5000000 \r\n");
    ProgramRun run = run_converter();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_bytes(victim), "precious\n");
    EXPECT_TRUE(fs::is_symlink(folder_ / "File.cva.tmp"));
    EXPECT_EQ(fs::read_symlink(folder_ / "File.cva.tmp"), victim);
    ASSERT_FALSE(fs::is_symlink(result_path()));
    EXPECT_EQ(converted_points().size(), 1u);

    // A failing job removes a planted result link, never what it points to.
    fs::remove(result_path());
    fs::create_symlink(victim, result_path());
    write_job(job_header("UTM99") + " 1  2 \r\n");
    EXPECT_EQ(run_converter().status, 1);
    EXPECT_EQ(read_bytes(victim), "precious\n");
    EXPECT_FALSE(fs::exists(fs::symlink_status(result_path())));
}

TEST_F(ConverterTest, AResultThatCannotBeWrittenEndsInAMessageAndLeavesNothing)
{
    std::string job = job_header("UTM32");
    for (int i = 0; i < 20000; ++i)
        job += " " + std::to_string(500000 + i) + "  5000000 \r\n";
    write_job(job);
    // A file size limit of 4 KB: the result needs about 800 KB.
    ProgramRun limited = run_converter("'" + job_path().string() + "'", "ulimit -f 8; ");
    EXPECT_EQ(limited.status, 1);
    EXPECT_THAT(limited.err, StartsWith("convers: cannot write "));
    EXPECT_THAT(limited.err, HasSubstr("File too large"));
    expect_readable_line(limited.err);
    EXPECT_THAT(other_entries(folder_), testing::IsEmpty());

    // A folder in the result's place is the user's: it stays.
    fs::create_directory(result_path());
    ProgramRun blocked = run_converter();
    EXPECT_EQ(blocked.status, 1);
    EXPECT_THAT(blocked.err, StartsWith("convers: cannot replace "));
    EXPECT_THAT(blocked.err, HasSubstr("Is a directory"));
    EXPECT_TRUE(fs::is_directory(result_path()));
    EXPECT_THAT(other_entries(folder_), testing::ElementsAre("File.cva"));
}

TEST_F(ConverterTest, CommandLineGivesHelpVersionOrAUsageError)
{
    write_job(job_header("UTM32"));
    const struct {
        std::string arguments;
        int status;
        std::string out; // what standard output starts with
        std::string error;
    } cases[] = {
        {"--help", 0, "usage: convers File.cvd\n", ""},
        {"--version", 0, "convers (Marovin) 1.3, PROJ ", ""},
        {"", 2, "", "convers: usage: convers File.cvd"},
        {"a.cvd b.cvd", 2, "", "convers: usage: convers File.cvd"},
        {"--frobnicate", 2, "", "convers: unknown option \"--frobnicate\""},
        {"-h", 2, "", "convers: unknown option \"-h\""},
        {"'" + result_path().string() + "'", 2, "", "convers: File.cva is a result file, not a job file"},
        {"'" + (folder_ / "Missing.cvd").string() + "'", 1, "", "convers: cannot open Missing.cvd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        ProgramRun run = run_converter(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_THAT(run.out, StartsWith(c.out));
        if (c.error.empty())
            EXPECT_EQ(run.err, "");
        else
            EXPECT_THAT(run.err, StartsWith(c.error));
        EXPECT_FALSE(fs::exists(result_path()));
    }
}

} // namespace
