// Runs the built converter program on job files written into a temporary
// folder and checks the result files it leaves (or does not leave).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

const fs::path converter_program = fs::path(MAROVIN_PROGRAM_DIR) / "convers";

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Splits on CR LF; a line that ends in a bare LF keeps it, so the test sees it.
std::vector<std::string> crlf_lines(const std::string& text) {
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

std::string job_header(const std::string& system, const std::string& unit = "M",
                       const std::string& target = "WGS84") {
    return "Depart=" + system + "\r\nUniteDepart=" + unit + "\r\nOrigineDepart=GR\r\n\r\nArrivee=" + target +
           "\r\nUniteArrivee=DDEC\r\n\r\n";
}

struct ProgramRun {
    int exit_status = -1;
    std::string error_text;
};

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "convers_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path job_path() const { return folder_ / "File.cvd"; }
    fs::path result_path() const { return folder_ / "File.cva"; }

    void write_job(const std::string& bytes) {
        std::ofstream out(job_path(), std::ios::binary);
        out << bytes;
    }

    ProgramRun run_converter(const std::string& arguments) {
        const fs::path errors = folder_ / "stderr.txt";
        std::string command = "'" + converter_program.string() + "' " + arguments + " 2>'" + errors.string() + "'";
        int status = std::system(command.c_str());
        ProgramRun run;
        run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.error_text = read_bytes(errors);
        return run;
    }
    ProgramRun run_converter() { return run_converter("'" + job_path().string() + "'"); }

    // Fields 3 and 4 (latitude, longitude) of every record after the seven
    // leading lines.
    std::vector<std::pair<double, double>> converted_points() {
        std::vector<std::pair<double, double>> points;
        std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
        for (std::size_t i = 7; i < lines.size(); ++i) {
            std::vector<std::string> fields;
            std::stringstream record(lines[i]);
            for (std::string field; std::getline(record, field, ',');) fields.push_back(field);
            if (fields.size() != 5) {
                ADD_FAILURE() << "record with other than five fields: " << lines[i];
                continue;
            }
            points.emplace_back(std::stod(fields[2]), std::stod(fields[3]));
        }
        return points;
    }

    fs::path folder_;
};

double dms(double degrees, double minutes, double seconds) { return degrees + minutes / 60 + seconds / 3600; }

// Horizontal distance in metres between two nearby positions.
double distance_m(double lat1, double lon1, double lat2, double lon2) {
    constexpr double radius = 6371000, radian = M_PI / 180;
    double north = (lat2 - lat1) * radian * radius;
    double east = (lon2 - lon1) * radian * radius * std::cos(lat1 * radian);
    return std::hypot(north, east);
}

struct ReferencePoint {
    const char* source_system;
    const char* target_system;
    const char* x;             // as the job holds it
    const char* y;
    double latitude, longitude;
    double tolerance_m;        // 1 cm, or what the transformation promises
    const char* source;        // where the expected position is published
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

TEST_F(ConverterTest, ConvertsPublishedReferencePointsWithinTheTransformationsAccuracy) {
    for (const ReferencePoint& point : reference_points) {
        SCOPED_TRACE(std::string(point.source_system) + " " + point.x + " " + point.y + ": " + point.source);
        write_job(job_header(point.source_system, "M", point.target_system) + " " + point.x + "  " + point.y +
                  " \r\n");
        ProgramRun run = run_converter();
        ASSERT_EQ(run.exit_status, 0) << run.error_text;
        auto points = converted_points();
        ASSERT_EQ(points.size(), 1u);
        EXPECT_LE(distance_m(point.latitude, point.longitude, points[0].first, points[0].second), point.tolerance_m);
    }
}

TEST_F(ConverterTest, WritesSevenLeadingLinesThenOneCrLfRecordPerPointInOrder) {
    write_job(job_header("UTM32") + " 500000  5000000 \r\n 600000  4500000 \r\n-3.5  2 \r\n");
    ProgramRun run = run_converter();
    ASSERT_EQ(run.exit_status, 0) << run.error_text;
    EXPECT_EQ(run.error_text, "");

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

TEST_F(ConverterTest, ReadsEveryFormTheJobWritersUse) {
    // Each job holds the same point; the converted position must not change.
    const std::string point = "652760.737  7033791.243 ";
    const struct {
        const char* name;
        std::string job;
    } forms[] = {
        {"keys without blanks", job_header("LT93") + " " + point + "\r\n"},
        {"keys with blanks (the window's own block)",
         "Depart = LT93\r\nUniteDepart = M\r\nOrigineDepart = GR\r\n\r\nArrivee = WGS84\r\nUniteArrivee = "
         "DDEC\r\n\r\n " + point + "\r\n"},
        {"LF line ends", "Depart=LT93\nUniteDepart=M\nOrigineDepart=GR\n\nArrivee=WGS84\nUniteArrivee=DDEC\n\n " +
                             point + "\n"},
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
        ASSERT_EQ(run.exit_status, 0) << run.error_text;
        auto points = converted_points();
        ASSERT_EQ(points.size(), 1u);
        EXPECT_LE(distance_m(dms(50, 23, 59.7718445), dms(2, 20, 11.4239243), points[0].first, points[0].second),
                  0.01);
    }
}

TEST_F(ConverterTest, GeographicSystemsTakeLongitudeThenLatitudeWhateverTheUnitLineSays) {
    write_job(job_header("WGS84", "M") + " 2.5  48.75 \r\n-0,000001  -1E-05 \r\n");
    ProgramRun run = run_converter();
    ASSERT_EQ(run.exit_status, 0) << run.error_text;
    std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], R"(1,"WGS84",48.750000000,2.500000000,0)");
    EXPECT_EQ(lines[8], R"(2,"WGS84",-0.000010000,-0.000001000,0)");
}

TEST_F(ConverterTest, AJobWithoutPointsGivesTheSevenLeadingLinesOnly) {
    write_job(job_header("UTM31"));
    ProgramRun run = run_converter();
    ASSERT_EQ(run.exit_status, 0) << run.error_text;
    std::vector<std::string> lines = crlf_lines(read_bytes(result_path()));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "Points: 0");
}

TEST_F(ConverterTest, AFailingJobExitsNonZeroWithOneLineNamingTheProblemAndLeavesNoResult) {
    const struct {
        const char* name;
        std::string job;
        const char* message;
    } failures[] = {
        {"unknown system", job_header("UTM99") + " 1  2 \r\n",
         "convers: File.cvd line 1: unknown coordinate system \"UTM99\""},
        {"a name PROJ would only guess at", job_header("foo") + " 1  2 \r\n",
         "convers: File.cvd line 1: unknown coordinate system \"foo\""},
        {"number it cannot read", job_header("UTM32") + " 500000  5000000 \r\n 12a  5000000 \r\n",
         "convers: File.cvd line 9: \"12a\" is not a number"},
        {"one number only", job_header("UTM32") + " 500000 \r\n", "convers: File.cvd line 8: expected two numbers"},
        {"three numbers", job_header("UTM32") + " 1  2  3 \r\n", "convers: File.cvd line 8: expected two numbers"},
        {"empty line between points", job_header("UTM32") + " 500000  5000000 \r\n\r\n 500000  5000000 \r\n",
         "convers: File.cvd line 9: empty line among the data lines"},
        {"no header", " 500000  5000000 \r\n", "convers: File.cvd line 1: expected a header line"},
        {"no source system", "Depart=\r\n", "convers: File.cvd line 1: no source system"},
        {"point outside the projection", job_header("UTM32") + " 500000  5000000 \r\n 1E+09  1E+09 \r\n",
         "convers: File.cvd line 9: the point cannot be transformed"},
        {"latitude beyond the pole", job_header("ED50") + " 5  95 \r\n", "convers: File.cvd line 8: longitude 5"},
        {"target that is not geographic", job_header("UTM32", "M", "UTM31") + " 500000  5000000 \r\n",
         "convers: File.cvd line 5: the target system \"UTM31\" is not geographic"},
        {"infinity", job_header("WGS84") + " inf  45 \r\n", "convers: File.cvd line 8: \"inf\" is not a number"},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.name);
        write_job(failure.job);
        // A result left by an earlier job must not pass for this job's.
        std::ofstream(result_path()) << "stale result\r\n";
        ProgramRun run = run_converter();
        EXPECT_NE(run.exit_status, 0);
        EXPECT_THAT(run.error_text, StartsWith(failure.message));
        EXPECT_EQ(std::count(run.error_text.begin(), run.error_text.end(), '\n'), 1) << run.error_text;
        EXPECT_FALSE(fs::exists(result_path()));
        EXPECT_FALSE(fs::exists(folder_ / "File.cva.tmp"));
    }
}

TEST_F(ConverterTest, WithoutAReadableJobItExitsNonZeroAndSaysSo) {
    ProgramRun no_argument = run_converter("");
    EXPECT_NE(no_argument.exit_status, 0);
    EXPECT_THAT(no_argument.error_text, StartsWith("convers: usage"));

    ProgramRun missing = run_converter("'" + job_path().string() + "'");
    EXPECT_NE(missing.exit_status, 0);
    EXPECT_THAT(missing.error_text, StartsWith("convers: cannot open File.cvd"));
    EXPECT_FALSE(fs::exists(result_path()));
}

} // namespace
