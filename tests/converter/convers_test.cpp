// Runs the built converter program on job files written into a temporary
// folder and checks the result files it leaves (or does not leave).

#include "support/program_run.h"
#include "support/scratch_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

double dms(double degrees, double minutes, double seconds) { return degrees + minutes / 60 + seconds / 3600; }

// Horizontal distance in metres between two nearby positions.
double distance_m(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double radius = 6371000, radian = M_PI / 180;
    double north = (lat2 - lat1) * radian * radius;
    double east = (lon2 - lon1) * radian * radius * std::cos(lat1 * radian);
    return std::hypot(north, east);
}

struct ReferencePoint {
    const char* source_system;
    const char* target_system;
    const char* x; // as the job holds it
    const char* y;
    double latitude, longitude;
    double tolerance_m; // 1 cm, or what the transformation promises
    const char* source; // where the expected position is published
};

// Expected positions: where the reference is in RGF93, PROJ's RGF93 v1 to
// WGS 84 is the null transformation, so the numbers hold for WGS84 to the
// millimetre. Datum shifts without a grid (Helmert) are good to a few metres.
const ReferencePoint reference_points[] = {
    {"UTM30", "WGS84", "1057002.405491298", "110955.141175949", 1, 2, 0.01,
     "PROJ test/gie/builtins.gie, utm zone=30 GRS80: 2E 1N"},
    {"UTM30", "WGS84", "611263.81227890507", "110547.10569680421", 1, -2, 0.01,
     "PROJ utm self-test (zone=30 GRS80): 2W 1N"},
    {"L93", "WGS84", "652760.737", "7033791.243", dms(50, 23, 59.7718445), dms(2, 20, 11.4239243), 0.01,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMB93 and IGNF:RGF93G of the same point"},
    {"LT93", "WGS84", "358799.172", "6342652.486", dms(44, 5, 59.8251878), -dms(1, 15, 48.9240599), 0.01,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMB93 and IGNF:RGF93G of the same point"},
    {"LT2", "WGS84", "600000.0000", "2600545.4523", dms(50, 23, 59.7718445), dms(2, 20, 11.4239243), 3,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMBE (Lambert II carto) and IGNF:RGF93G; NTF to WGS 84 (1), 2 m"},
    {"LT2", "WGS84", "311552.5340", "1906457.4840", dms(44, 5, 59.8251878), -dms(1, 15, 48.9240599), 3,
     "PROJ test/cli/proj_outIGNF.dist, IGNF:LAMBE (Lambert II carto) and IGNF:RGF93G; NTF to WGS 84 (1), 2 m"},
    {"SWISS", "WGS84", "700000", "100000", dms(46, 2, 38.87), dms(8, 43, 49.79), 1.5,
     "swisstopo, approximate formulas for Swiss projection coordinates and WGS84, example (rigorous values); "
     "CH1903 to WGS 84 (2), 1.5 m"},
    {"LT72", "BD72", "251763.20", "153034.13", dms(50, 40, 46.461), dms(5, 48, 26.533), 0.05,
     "EPSG guidance note 7-2, Lambert Conic Conformal (2SP Belgium) example; the Belgian variant it uses and "
     "EPSG:31370 agree to a few centimetres"},
    {"ED50", "WGS84", "2.1309658333333332", "53.810156944444444", dms(53, 48, 33.82), dms(2, 7, 46.38), 3,
     "EPSG guidance note 7-2, geocentric translations example, ED50 53d48'36.565\"N 2d07'51.477\"E; "
     "PROJ's ED50 to WGS 84 (36) for the area differs from the note's parameters by metres"},
    {"UTM31E", "WGS84", "442774.2211", "5962877.6514", dms(53, 48, 33.82), dms(2, 7, 46.38), 3,
     "the same EPSG guidance note 7-2 ED50 point, put into ED50 / UTM zone 31N with "
     "cs2cs -f %.4f EPSG:4230 EPSG:23031"},
};

TEST_F(ConverterTest, ConvertsPublishedReferencePointsWithinTheTransformationsAccuracy)
{
    for (const ReferencePoint& point : reference_points) {
        SCOPED_TRACE(std::string(point.source_system) + " " + point.x + " " + point.y + ": " + point.source);
        write_job(job_header(point.source_system, "M", point.target_system) + " " + point.x + "  " + point.y + " \r\n");
        ProgramRun run = run_converter();
        ASSERT_EQ(run.status, 0) << run.err;
        auto points = converted_points();
        ASSERT_EQ(points.size(), 1u);
        EXPECT_LE(distance_m(point.latitude, point.longitude, points[0].first, points[0].second), point.tolerance_m);
    }
}

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
        {"EPSG code", job_header("EPSG:2154") + " " + point + "\r\n"},
        {"lower-case name", job_header("lt93") + " " + point + "\r\n"},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        write_job(form.job);
        ProgramRun run = run_converter();
        ASSERT_EQ(run.status, 0) << run.err;
        auto points = converted_points();
        ASSERT_EQ(points.size(), 1u);
        EXPECT_LE(distance_m(dms(50, 23, 59.7718445), dms(2, 20, 11.4239243), points[0].first, points[0].second), 0.01);
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
// them. Points from pyproj (EPSG:4326 to the system) at the places the
// names say; the areas of use are PROJ's, widened by 5 degrees.
const HostileJob hostile_jobs[] = {
    {"UTM32 northing with a digit too many (the projection wraps it)", utm32 + " 600010  45000100 \r\n", 1,
     "convers: File.cvd line 8: the point X 600010, Y 45000100 is no position in \"UTM32\""},
    {"LT2 easting with two digits too many", job_header("LT2") + " 60000000  2400000 \r\n", 1,
     "convers: File.cvd line 8: the point X 60000000, Y 2400000 lies at longitude 118.15, latitude -77.81, "
     "outside the area of \"LT2\" (longitude -4.87 to 8.23, latitude 42.33 to 51.14, give or take 5 degrees)"},
    {"a stray point after good ones", utm32 + " 500000  5000000 \r\n 510000  5010000 \r\n 600010  45000100 \r\n", 1,
     "convers: File.cvd line 10: the point X 600010, Y 45000100 is no position"},
    {"UTM32 at 0.5 E, west of the zone's margin", utm32 + " -169925.903  5018218.611 \r\n", 1,
     "convers: File.cvd line 8: the point X -169925.903, Y 5018218.611 lies at longitude 0.50, latitude 45.00, "
     "outside the area of \"UTM32\""},
    {"UTM32 at 89.5 N", utm32 + " 500000  9942140.306 \r\n", 1,
     "convers: File.cvd line 8: the point X 500000, Y 9942140.306 lies at longitude 9.00, latitude 89.50"},
    {"UTM32 at 5.5 S", utm32 + " 500000  -607933.970 \r\n", 1,
     "convers: File.cvd line 8: the point X 500000, Y -607933.97 lies at longitude 9.00, latitude -5.50"},
    {"LT2 at 56.5 N", job_header("LT2") + " 578966.399  3284595.435 \r\n", 1,
     "convers: File.cvd line 8: the point X 578966.399, Y 3284595.435 lies at longitude 2.00, latitude 56.50"},
    {"LT2 at 10.2 W", job_header("LT2") + " -349336.572  2298116.503 \r\n", 1,
     "convers: File.cvd line 8: the point X -349336.572, Y 2298116.503 lies at longitude -10.20"},
    {"ED50 at 54 E", job_header("ED50") + " 54  40 \r\n", 1,
     "convers: File.cvd line 8: the point longitude 54, latitude 40 lies outside the area of \"ED50\""},
    {"point far outside the projection", utm32 + " 500000  5000000 \r\n 1E+09  1E+09 \r\n", 1,
     "convers: File.cvd line 9: the point X 1000000000, Y 1000000000 is no position in \"UTM32\""},
    {"latitude 91", job_header("WGS84") + " 5  91 \r\n", 1,
     "convers: File.cvd line 8: longitude 5 and latitude 91 are not degrees of a position on the earth"},
    {"latitude beyond the pole in ED50", job_header("ED50") + " 5  95 \r\n", 1,
     "convers: File.cvd line 8: longitude 5"},
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
    {"a name PROJ would only guess at", job_header("foo") + " 1  2 \r\n", 1,
     "convers: File.cvd line 1: unknown coordinate system \"foo\""},
    {"an unknown system of 100,000 letters", job_header(std::string(100000, 'Q')) + " 1  2 \r\n", 1,
     "convers: File.cvd line 1: unknown coordinate system \"QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ\"...\n"},
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

struct DomainPoint {
    const char* system;
    const char* x;
    const char* y;
    double latitude, longitude;
};

// Points inside each system's area of use, then points inside the margin
// around it (UTM32 at 1.5 E, 88.5 N and 4.5 S; LT2 at 55.9 N and 9.5 W; ED50
// at 53.5 E), each with what the converter gave for it, alone in its job,
// before it checked areas.
const DomainPoint inside_points[] = {
    {"BD72", "3.730696246", "50.852862102", 50.852321225, 3.731944031},
    {"ED50", "-4.691533652", "51.561206449", 51.560291963, -4.693030581},
    {"L93", "-92351.047", "7188705.821", 51.279055004, -8.365356472},
    {"LT1", "305203.858", "1386937.140", 51.106376513, -1.873685557},
    {"LT2", "466700.428", "2247406.092", 47.212982353, 0.576567972},
    {"LT3", "774404.541", "3231930.945", 44.366536177, 4.525017249},
    {"LT4", "570052.144", "4154516.761", 41.676868405, 9.187158849},
    {"LT72", "74013.280", "164650.128", 50.787367400, 3.291112769},
    {"LT93", "749968.041", "7012031.595", 50.204363583, 3.699112336},
    {"NTF", "4.084873976", "48.306618804", 48.306551389, 4.084242637},
    {"SWISS", "527336.671", "96748.969", 46.018367811, 6.500411266},
    {"UTM30", "496424.266", "556700.897", 5.036516782, -3.032257938},
    {"UTM30E", "461903.702", "4561448.166", 41.201630744, -3.455659810},
    {"UTM31", "649967.960", "6740862.491", 60.774910847, 5.753870605},
    {"UTM31E", "503176.136", "6646519.023", 59.954124822, 3.055228876},
    {"UTM32", "577659.478", "5306349.488", 47.905768447, 10.039189203},
    {"UTM32E", "440276.887", "8736491.203", 78.685550044, 6.268824034},
    {"WGS84", "-63.420204660", "-62.847148694", -62.847148694, -63.420204660},
    {"UTM32", "-91113.156", "5010385.946", 44.999999998, 1.500000005},
    {"UTM32", "500000", "9830491.377", 88.500000002, 9.000000000},
    {"UTM32", "500000", "-497395.465", -4.500000002, 9.000000000},
    {"LT2", "578675.530", "3216827.169", 55.900042738, 2.000864821},
    {"LT2", "-296741.957", "2289895.349", 47.000000004, -9.499999988},
    {"ED50", "53.5", "40", 39.999260175, 53.500019722},
};

TEST_F(ConverterTest, PointsInsideTheAreaOrItsMarginConvertAsBefore)
{
    for (const DomainPoint& point : inside_points) {
        SCOPED_TRACE(std::string(point.system) + " " + point.x + " " + point.y);
        write_job(job_header(point.system) + " " + point.x + "  " + point.y + " \r\n");
        ProgramRun run = run_converter();
        ASSERT_EQ(run.status, 0) << run.err;
        auto points = converted_points();
        ASSERT_EQ(points.size(), 1u);
        // The same nine decimals.
        EXPECT_NEAR(points[0].first, point.latitude, 5e-10);
        EXPECT_NEAR(points[0].second, point.longitude, 5e-10);
    }
}

// Jobs large enough to be shared between the cores give every point what it
// gives alone, and refuse the same first point as one core would: UTM32,
// whose check does the whole conversion, and ED50, which takes a further
// transformation after it.
TEST_F(ConverterTest, LargeJobsGiveEveryPointWhatItGivesAloneAndRefuseTheFirstBadOne)
{
    constexpr std::size_t n = 200000;
    for (const DomainPoint* point : {&inside_points[15], &inside_points[1]}) {
        SCOPED_TRACE(point->system);
        std::string job = job_header(point->system);
        const std::string line = std::string(" ") + point->x + "  " + point->y + " \r\n";
        for (std::size_t i = 0; i < n; ++i)
            job += line;
        write_job(job);
        ProgramRun run = run_converter();
        ASSERT_EQ(run.status, 0) << run.err;
        const auto points = converted_points();
        ASSERT_EQ(points.size(), n);
        for (const std::size_t i : {std::size_t{0}, n / 2 - 1, n / 2, n / 4 * 3, n - 1}) {
            EXPECT_NEAR(points[i].first, point->latitude, 5e-10) << i;
            EXPECT_NEAR(points[i].second, point->longitude, 5e-10) << i;
        }
    }

    const std::string good = " 577659.478  5306349.488 \r\n";
    const std::string wrapped = " 600010  45000100 \r\n";
    const std::string outside = " -169925.903  5018218.611 \r\n"; // 0.5 E
    const struct {
        std::vector<std::pair<std::size_t, const std::string*>> bad;
        std::string message;
    } cases[] = {
        {{{150000, &wrapped}}, "convers: File.cvd line 150008: the point X 600010, Y 45000100 is no position"},
        {{{60000, &wrapped}, {150000, &wrapped}}, "convers: File.cvd line 60008: the point X 600010"},
        {{{120000, &outside}, {150000, &wrapped}}, "convers: File.cvd line 120008: the point X -169925.903"},
        {{{n - 1, &wrapped}}, "convers: File.cvd line 200007: the point X 600010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::string job = job_header("UTM32");
        for (std::size_t i = 0, k = 0; i < n; ++i) {
            const bool bad = k < c.bad.size() && c.bad[k].first == i;
            job += bad ? *c.bad[k++].second : good;
        }
        write_job(job);
        ProgramRun run = run_converter();
        EXPECT_EQ(run.status, 1);
        EXPECT_THAT(run.err, StartsWith(c.message));
        EXPECT_FALSE(fs::exists(result_path()));
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
