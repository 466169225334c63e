// marovin-kml as a process: both roads, batches with a bad file among them,
// exit statuses, the CSV bytes and outputs that must not be written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// An SU line of three traces of one sample: CDP 2001..2003, receiver X and
// Y in centimetres (scalar -100), in UTM zone 32 north.
std::string suLine()
{
    std::string bytes;
    const auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    for (std::uint32_t t = 0; t < 3; ++t) {
        const std::size_t b = bytes.size();
        bytes.resize(b + 244, '\0');
        put(b + 20, 2001 + t, 4);
        put(b + 70, static_cast<std::uint16_t>(-100), 2);
        put(b + 80, 49600050 + 2000 * t, 4);
        put(b + 84, 531400025 + 1500 * t, 4);
        put(b + 114, 1, 2);
    }
    return bytes;
}

class MarovinKml : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("marovin_kml_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    struct Run {
        int status = -1;
        std::string out, err;
    };
    // Runs the command in the test's folder.
    Run run(const std::string& arguments)
    {
        const std::string command = "cd '" + dir.string() + "' && '" MAROVIN_KML_COMMAND "' -q " + arguments +
                                    " > stdout.txt 2> stderr.txt";
        const int raw = std::system(command.c_str());
        Run r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir / "stdout.txt"), readFile(dir / "stderr.txt")};
        fs::remove(dir / "stdout.txt");
        fs::remove(dir / "stderr.txt");
        return r;
    }

    fs::path dir;
};

TEST_F(MarovinKml, ABadFileFailsAloneAndLeavesNoOutput)
{
    writeFile(dir / "line1.su", suLine());
    writeFile(dir / "short.sgy", "too short");
    writeFile(dir / "pts.xyz", "1;496000;5314000;1\r\n");
    const Run seismic = run("line1.su short.sgy");
    EXPECT_EQ(seismic.status, 1);
    EXPECT_NE(seismic.err.find("marovin-kml: line1.su: 3 traces written to LINE1.KML\n"), std::string::npos)
        << seismic.err;
    EXPECT_NE(seismic.err.find("marovin-kml: short.sgy: "), std::string::npos) << seismic.err;
    EXPECT_EQ(readFile(dir / "LINE1.KML").find("<name>CDP 2003</name>"), std::string::npos); // every fifth
    EXPECT_FALSE(fs::exists(dir / "SHORT.KML"));

    const Run text = run("--layout Number,X,Y,Z -e 1 pts.xyz");
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(readFile(dir / "pts.KML").find("<name>Station 1</name>"), std::string::npos);
    // Only the outputs, and no temporary file, were left.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"LINE1.KML", "line1.su", "pts.KML", "pts.xyz", "short.sgy"}));
}

TEST_F(MarovinKml, UsageErrorsEndWithStatusTwoBeforeAnyFile)
{
    writeFile(dir / "line1.su", suLine());
    const char* const usages[] = {
        "",  "--every 0 line1.su", "-s NoSuchSystem line1.su", "--label cdp2 line1.su", "--pair up line1.su",
        "--divisor 0 line1.su", "--layout X,Y,Q line1.su", "-j 0 line1.su", "--bogus line1.su",
        "-o - line1.su line1.su", "-s none line1.su", "--every",
    };
    for (const char* arguments : usages) {
        const Run r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find("marovin-kml: "), std::string::npos) << arguments;
        EXPECT_FALSE(fs::exists(dir / "LINE1.KML")) << arguments;
    }
    EXPECT_EQ(run("--help").status, 0);
    EXPECT_EQ(run("--version").out.rfind("marovin-kml (Marovin) ", 0), 0u);
}

TEST_F(MarovinKml, CsvHoldsTracesNumbersPositionsAndDegreesInShortestForm)
{
    writeFile(dir / "line1.su", suLine());
    // The text road counts the lines of the file, blank ones included.
    writeFile(dir / "pts.xyz", "7;496000,5;5314000,25\r\n\r\n8;496020;5314015\r\n");
    const struct {
        const char* arguments;
        std::string csv;
    } cases[] = {
        {"-s none --csv -o - line1.su",
         "trace,number,x,y\n1,2001,496000.5,5314000.25\n2,2002,496020.5,5314015.25\n3,2003,496040.5,5314030.25\n"},
        {"-s none --csv -o - -l Trace --divisor 1 line1.su",
         "trace,number,x,y\n1,0,49600050,531400025\n2,0,49602050,531401525\n3,0,49604050,531403025\n"},
        {"-s none --csv -o - --layout Number,X,Y pts.xyz", "trace,number,x,y\n1,7,496000.5,5314000.25\n3,8,496020,5314015\n"},
    };
    for (const auto& c : cases) {
        const Run r = run(c.arguments);
        EXPECT_EQ(r.status, 0) << c.arguments << r.err;
        EXPECT_EQ(r.out, c.csv) << c.arguments;
    }
    // Converted: the degrees follow, as the converter gives them (nine
    // decimals at most); 496000.5 E 5314000.25 N of zone 32 lies near 8.95 E
    // 47.98 N.
    const Run converted = run("--csv -o out.csv line1.su");
    ASSERT_EQ(converted.status, 0) << converted.err;
    const std::string csv = readFile(dir / "out.csv");
    ASSERT_EQ(csv.rfind("trace,number,x,y,longitude,latitude\n1,2001,496000.5,5314000.25,8.9464", 0), 0u) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    EXPECT_EQ(csv.find('\r'), std::string::npos);
}

TEST_F(MarovinKml, OutputsNeverReplaceAnInputOrEachOther)
{
    writeFile(dir / "line1.su", suLine());
    writeFile(dir / "other.su", suLine());
    writeFile(dir / "LINE1.sgy", suLine());
    const struct {
        const char* arguments;
        const char* refusal;
    } cases[] = {
        {"-o line1.su line1.su", "line1.su: the output line1.su is an input file"},
        {"-o other.su line1.su other.su", "is not"}, // a folder for many: other.su is a file
        {"line1.su LINE1.sgy", "LINE1.sgy: the output LINE1.KML is already that of line1.su"},
    };
    for (const auto& c : cases) {
        const Run r = run(c.arguments);
        EXPECT_NE(r.status, 0) << c.arguments;
        EXPECT_NE(r.err.find(c.refusal), std::string::npos) << c.arguments << ": " << r.err;
        EXPECT_EQ(readFile(dir / "line1.su"), suLine());
        EXPECT_EQ(readFile(dir / "other.su"), suLine());
    }
    // Many inputs go into the folder -o names, made when missing.
    const Run many = run("-o kml line1.su other.su");
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_TRUE(fs::exists(dir / "kml/LINE1.KML"));
    EXPECT_TRUE(fs::exists(dir / "kml/OTHER.KML"));
}

} // namespace
