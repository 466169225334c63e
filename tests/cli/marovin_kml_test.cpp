// marovin-kml as a process: both roads, batches with a bad file among them,
// exit statuses, the CSV bytes and outputs that must not be written.
#include "support/outside_readers.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "support/seismic_bytes.h"
#include "support/survey_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using support::read_bytes;

// An SU line of three traces of one sample: CDP 2001..2003, receiver X and
// Y in centimetres (scalar -100), in UTM zone 32 north.
std::string suLine()
{
    std::vector<support::Trace> traces;
    for (std::int32_t t = 0; t < 3; ++t)
        traces.push_back({.cdp = 2001 + t, .gx = 49600050 + 2000 * t, .gy = 531400025 + 1500 * t});
    return support::trace_line(true, 1, -100, traces);
}

class MarovinKml : public ::testing::Test {
protected:
    // Runs the command in the test's folder.
    support::ProgramRun run(const std::string& arguments)
    {
        return support::run_program("cd " + support::shell_quoted(dir.string()) + " && " +
                                    support::shell_quoted(MAROVIN_KML_COMMAND) + " -q " + arguments);
    }
    void writeFile(const fs::path& path, const std::string& bytes) { support::write_bytes(path, bytes); }

    support::ScratchFolder scratch;
    const fs::path dir = scratch.path();
};

TEST_F(MarovinKml, ABadFileFailsAloneAndLeavesNoOutput)
{
    writeFile(dir / "line1.su", suLine());
    writeFile(dir / "short.sgy", "too short");
    writeFile(dir / "pts.xyz", "1;496000;5314000;1\r\n");
    const support::ProgramRun seismic = run("line1.su short.sgy");
    EXPECT_EQ(seismic.status, 1);
    EXPECT_NE(seismic.err.find("marovin-kml: line1.su: 3 traces written to LINE1.KML\n"), std::string::npos)
        << seismic.err;
    EXPECT_NE(seismic.err.find("marovin-kml: short.sgy: "), std::string::npos) << seismic.err;
    EXPECT_EQ(read_bytes(dir / "LINE1.KML").find("<name>CDP 2003</name>"), std::string::npos); // every fifth
    EXPECT_FALSE(fs::exists(dir / "SHORT.KML"));

    const support::ProgramRun text = run("--layout Number,X,Y,Z -e 1 pts.xyz");
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(read_bytes(dir / "pts.KML").find("<name>Station 1</name>"), std::string::npos);
    // Only the outputs, and no temporary file, were left.
    EXPECT_EQ(scratch.names(), (std::vector<std::string>{"LINE1.KML", "line1.su", "pts.KML", "pts.xyz", "short.sgy"}));
}

TEST_F(MarovinKml, UsageErrorsEndWithStatusTwoBeforeAnyFile)
{
    writeFile(dir / "line1.su", suLine());
    const char* const usages[] = {
        "",
        "--every 0 line1.su",
        "-s NoSuchSystem line1.su",
        "--label cdp2 line1.su",
        "--pair up line1.su",
        "--divisor 0 line1.su",
        "--layout X,Y,Q line1.su",
        "-j 0 line1.su",
        "--bogus line1.su",
        "-o - line1.su line1.su",
        "-s none line1.su",
        "--kmz --csv line1.su",
        "-o - --kmz line1.su",
        "--every",
        "-p 201,238 line1.su",
        "-p 201 line1.su",
        "-l 0 line1.su",
        "--describe --layout X,Y line1.su",
    };
    for (const char* arguments : usages) {
        const support::ProgramRun r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find("marovin-kml: "), std::string::npos) << arguments;
        EXPECT_FALSE(fs::exists(dir / "LINE1.KML")) << arguments;
    }
    EXPECT_EQ(run("--help").status, 0);
    EXPECT_EQ(run("--version").out.rfind("marovin-kml (Marovin) ", 0), 0u);
}

// --kmz names each archive as the KML file with ".kmz"; -o NAME.kmz writes
// an archive too. Its line is measured on the ground: three traces in a
// straight line keep their two ends.
TEST_F(MarovinKml, KmzArchivesAreWrittenForKmzAndForKmzNames)
{
    writeFile(dir / "line1.su", suLine());
    const support::ProgramRun beside = run("--kmz line1.su");
    EXPECT_EQ(beside.status, 0) << beside.err;
    const auto entries = support::zip_entries((dir / "LINE1.kmz").string());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, "doc.kml");
    EXPECT_NE(entries[0].second.find("<name>Line 1</name>"), std::string::npos);
    const std::string& line = entries[0].second.substr(entries[0].second.find("<LineString>"));
    EXPECT_EQ(std::count(line.begin(), line.begin() + line.find("</coordinates>"), ','), 2);
    EXPECT_EQ(entries[2].first, "t/0.kml");
    std::size_t placemarks = 0;
    for (std::size_t at = 0; (at = entries[2].second.find("<Placemark>", at)) != std::string::npos; ++at)
        ++placemarks;
    EXPECT_EQ(placemarks, 3u);
    EXPECT_EQ(run("-o named.KMZ line1.su").status, 0);
    EXPECT_EQ(support::zip_entries((dir / "named.KMZ").string()).size(), 3u);
    EXPECT_EQ(scratch.names(), (std::vector<std::string>{"LINE1.kmz", "line1.su", "named.KMZ"}));
}

TEST_F(MarovinKml, CsvHoldsTracesNumbersPositionsAndDegreesInShortestForm)
{
    writeFile(dir / "line1.su", suLine());
    // The text road counts the lines of the file, blank ones included.
    writeFile(dir / "pts.xyz", "7;496000,5;5314000,25\r\n\r\n8;496020;5314015\r\n");
    writeFile(dir / "names.xyz", "\"BX,1\",1,2\nB\"X,3,4\nDH 01,5,6\n7,8,9\n");
    const struct {
        const char* arguments;
        std::string csv;
    } cases[] = {
        {"-s none --csv -o - line1.su",
         "trace,number,x,y,name\n1,2001,496000.5,5314000.25,\n2,2002,496020.5,5314015.25,\n3,2003,496040.5,"
         "5314030.25,\n"},
        {"-s none --csv -o - -l Trace --divisor 1 line1.su",
         "trace,number,x,y,name\n1,0,49600050,531400025,\n2,0,49602050,531401525,\n3,0,49604050,531403025,\n"},
        {"-s none --csv -o - --layout Number,X,Y pts.xyz",
         "trace,number,x,y,name\n1,7,496000.5,5314000.25,\n3,8,496020,5314015,\n"},
        // a name that is text goes last, quoted when it holds a comma or a quote
        {"-s none --csv -o - --layout Number,X,Y names.xyz",
         "trace,number,x,y,name\n1,0,1,2,\"BX,1\"\n2,0,3,4,\"B\"\"X\"\n3,0,5,6,DH 01\n4,7,8,9,\n"},
    };
    for (const auto& c : cases) {
        const support::ProgramRun r = run(c.arguments);
        EXPECT_EQ(r.status, 0) << c.arguments << r.err;
        EXPECT_EQ(r.out, c.csv) << c.arguments;
    }
    // Converted: the degrees follow, as the converter gives them (nine
    // decimals at most); 496000.5 E 5314000.25 N of zone 32 lies near 8.95 E
    // 47.98 N.
    const support::ProgramRun converted = run("--csv -o out.csv line1.su");
    ASSERT_EQ(converted.status, 0) << converted.err;
    const std::string csv = read_bytes(dir / "out.csv");
    ASSERT_EQ(csv.rfind("trace,number,x,y,longitude,latitude,name\n1,2001,496000.5,5314000.25,8.9464", 0), 0u) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    EXPECT_EQ(csv.find('\r'), std::string::npos);
}

TEST_F(MarovinKml, TheLineOfATextFileSaysWhatTheFileNamesOfItsSystemAndItsUnits)
{
    // 500000 E 5000000 N: the central meridian of zone 31 (3 E), or of the
    // default zone 32 (9 E).
    writeFile(dir / "r.sps", std::string(support::kSps2.h00) + "\r\nH13 Geodetic Coordinate System EPSG:32631\r\n" +
                                 "H200 Description of grid units American Feet\r\n" +
                                 support::sps_record(support::kSps2, 'R', "1", "1001", 500000, 5000000) + "\r\n");
    writeFile(dir / "codes.xyz", "ID;X;Y;EPSG\n1;500000;5000000;32631\n2;500000;5000000;32630\n");
    const struct {
        const char* arguments;
        const char* point;
        const char* told;
    } cases[] = {
        {"--layout SPS r.sps", "\n4,1001,5e+05,5e+06,3,45.1",
         "(converted from system EPSG:32631, WGS 84 / UTM zone 31N, from its H records) (its grid units are "
         "American Feet"},
        {"-s UTM32 --layout SPS r.sps", "\n4,1001,5e+05,5e+06,9,45.1",
         "written to standard output (its grid units are American Feet"},
        {"--layout Number,X,Y codes.xyz", "\n2,1,5e+05,5e+06,9,45.1",
         "(the column EPSG names more than one system: EPSG:32631 (WGS 84 / UTM zone 31N), EPSG:32630 (WGS 84 / "
         "UTM zone 30N); converted from UTM32)\n"},
    };
    for (const auto& c : cases) {
        const support::ProgramRun r = run(std::string(c.arguments) + " --csv -o -");
        ASSERT_EQ(r.status, 0) << c.arguments << ": " << r.err;
        EXPECT_NE(r.out.find(c.point), std::string::npos) << c.arguments << ": " << r.out;
        EXPECT_NE(r.err.find(c.told), std::string::npos) << c.arguments << ": " << r.err;
    }
}

// A SEG-Y line of 100 traces whose textual header names its system (ED50 /
// UTM zone 31N), with its coordinates at bytes 201 and 205 and its inline
// number at byte 5; traces 1, 50 and 100 have no coordinates.
std::string namedLine()
{
    std::vector<support::Trace> traces(100);
    std::string bytes = support::trace_line(false, 1, -100, traces);
    const std::string card = support::ebcdic("C 1 ED50 UTM ZONE 31N    X,Y AT BYTES 201, 205, INLINE AT 5");
    bytes.replace(0, card.size(), card);
    for (std::size_t t = 0; t < 100; ++t) {
        const bool unset = t == 0 || t == 49 || t == 99;
        const std::size_t at = 3600 + t * 244;
        support::put_word(bytes, at + 4, 3000 + t, 4, false);
        support::put_word(bytes, at + 200, unset ? 0 : 50000000 + 100 * t, 4, false);
        support::put_word(bytes, at + 204, unset ? 0 : 500000000, 4, false);
    }
    return bytes;
}

TEST_F(MarovinKml, WordsAtAnyByteFromTheSystemTheFileNamesLeavingOutTracesWithoutCoordinates)
{
    writeFile(dir / "line.sgy", namedLine());
    const struct {
        const char* arguments;
        const char*
            longitude; // of the second trace, the first with coordinates (the ED50 datum puts it west of zone 31 central meridian in WGS84)
        const char* told;
    } cases[] = {
        {"", ",2.9988", " (converted from system EPSG:23031, ED50 / UTM zone 31N, from the textual header)"},
        {"-s UTM32 ", ",9.0000", ""},
    };
    for (const auto& c : cases) {
        const support::ProgramRun r = run(std::string(c.arguments) + "--csv -o - -p 201,205 -l 5 line.sgy");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, std::string("marovin-kml: line.sgy: 97 traces written to standard output") + c.told +
                             "; 3 of 100 traces have no coordinates (X and Y are 0) and are left out\n");
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 98);
        EXPECT_EQ(r.out.find("\n1,"), std::string::npos) << "trace 1 is left out";
        EXPECT_NE(r.out.find("\n2,3001,500001,5e+06" + std::string(c.longitude)), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\n51,3050,500050,5e+06,"), std::string::npos) << "the gap at trace 50 shows";
    }
}

TEST_F(MarovinKml, DescribePrintsWhatEachFileHoldsAndWritesNothing)
{
    writeFile(dir / "line.sgy", namedLine());
    writeFile(dir / "line1.su", suLine());
    const support::ProgramRun r = run("--describe line.sgy line1.su");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* shown :
         {"line.sgy: SEG-Y rev 0, big-endian, format 0 (unknown: 4-byte samples taken), 1 sample (trace header), "
          "100 traces, scalar word -100\n"
          "system EPSG:23031, ED50 / UTM zone 31N, from the textual header\n"
          "C 1 ED50 UTM ZONE 31N    X,Y AT BYTES 201, 205, INLINE AT 5\n",
          "\ntrace 1: scalar -100; source X,Y 0,0; receiver X,Y 0,0; CDP X,Y 0,0; FFID 0; CDP 0; Trace 0; SP 0; "
          "Inline 0; Crossline 0\n",
          "\ntrace 100: scalar -100;",
          "line1.su: SU, little-endian, 1 sample, 3 traces, scalar word -100\n"
          "no system named by a textual header\nno textual header (SU)\n"
          "trace 1: scalar -100; source X,Y 0,0; receiver X,Y 49600050,531400025; CDP X,Y 0,0; FFID 0; CDP 2001;",
          "\ntrace 3: scalar -100; source X,Y 0,0; receiver X,Y 49604050,531403025;"})
        EXPECT_NE(r.out.find(shown), std::string::npos) << shown << "\n" << r.out;
    EXPECT_EQ(scratch.names(), (std::vector<std::string>{"line.sgy", "line1.su"}));

    writeFile(dir / "short.sgy", "too short");
    const support::ProgramRun bad = run("--describe short.sgy line1.su");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("marovin-kml: the file \"short.sgy\" is too short"), std::string::npos) << bad.err;
    EXPECT_NE(bad.out.find("line1.su: SU"), std::string::npos);
}

TEST_F(MarovinKml, OutputsNeverReplaceAnInputOrEachOther)
{
    writeFile(dir / "line1.su", suLine());
    writeFile(dir / "other.su", suLine());
    writeFile(dir / "LINE1.sgy", suLine());
    writeFile(dir / "notes.txt", "kept");
    const std::vector<std::string> before = scratch.names();
    const struct {
        const char* arguments;
        int status;
        const char* refusal;
    } cases[] = {
        {"-o line1.su line1.su", 1, "line1.su: the output line1.su is an input file"},
        // many inputs need a folder: a usage error, before any file is read
        {"-o notes.txt line1.su other.su", 2, "marovin-kml: -o notes.txt is not a folder, and 2 inputs need one\n"},
        {"-o notes.txt/ line1.su", 2, "-o notes.txt/ is not a folder, and it ends in /"},
        {"line1.su LINE1.sgy", 1, "LINE1.sgy: the output LINE1.KML is already that of line1.su"},
    };
    for (const auto& c : cases) {
        const support::ProgramRun r = run(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_NE(r.err.find(c.refusal), std::string::npos) << c.arguments << ": " << r.err;
        EXPECT_EQ(read_bytes(dir / "line1.su"), suLine());
        EXPECT_EQ(read_bytes(dir / "other.su"), suLine());
        EXPECT_EQ(read_bytes(dir / "notes.txt"), "kept");
        if (c.status == 2) {
            EXPECT_EQ(scratch.names(), before) << c.arguments;
        }
    }
    // Many inputs go into the folder -o names, made when missing; one input
    // into a folder that exists, or that a final "/" names.
    const struct {
        const char* arguments;
        std::vector<const char*> written;
    } folders[] = {
        {"-o kml line1.su other.su", {"kml/LINE1.KML", "kml/OTHER.KML"}},
        {"-o one line1.su", {"one/LINE1.KML"}},
        {"-o one/ other.su", {"one/OTHER.KML"}},
        {"-o made/ line1.su", {"made/LINE1.KML"}},
    };
    fs::create_directory(dir / "one");
    for (const auto& c : folders) {
        const support::ProgramRun r = run(c.arguments);
        EXPECT_EQ(r.status, 0) << c.arguments << ": " << r.err;
        for (const char* file : c.written)
            EXPECT_TRUE(fs::is_regular_file(dir / file)) << c.arguments << ": " << file;
    }
}

} // namespace
