#include "base/converter_result.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kLead = "Converted by convers\r\nfrom UTM31\r\n3,\"x\",1,2,0\r\n\r\n5\r\n6\r\n7\r\n";

class ResultFileTest : public ::testing::Test {
protected:
    void write(const std::string& text) { scratch.write("File.cva", text); }

    support::ScratchFolder scratch;
    const std::string path = scratch.file("File.cva");
};

TEST_F(ResultFileTest, ReadsLatitudeAndLongitudeOfEachRecordAfterSevenLines)
{
    struct {
        const char* name;
        std::string body;
    } const cases[] = {
        {"one record a line", "1,\"UTM31\",45.5,3.25,0\r\n2,\"UTM31\",-12.125,-0.5,0\r\n"},
        {"records across lines", "1,\"UTM31\"\r\n45.5\r\n3.25,0,2\r\n\"UTM31\",-12.125,-.5\r\n0"},
        {"extra blanks", "  1 ,\t\"UTM31\" ,   45.5  , 3.25 ,0\r\n2,  \"UTM31\",-12.125,  -0.5 , 0  \r\n"},
        {"quoted fields with commas", "1,\"WGS 84, UTM 31N\",45.5,3.25,\"h, m\"\n2,\"a,b,c\",-12.125,-0.5,0\n"},
        {"LF only", "1,\"UTM31\",45.5,3.25,0\n2,\"UTM31\",-12.125,-0.5,0"},
        {"CR only", "1,\"UTM31\",45.5,3.25,0\r2,\"UTM31\",-12.125,-0.5,0\r"},
        {"more records than points", "1,\"U\",45.5,3.25,0\r\n2,\"U\",-12.125,-0.5,0\r\n3,\"U\",x,y,0\r\n"},
    };
    for (const auto& c : cases) {
        const std::string lead = std::string(c.name) == "LF only"   ? "a\nb\nc\nd\ne\nf\ng\n"
                                 : std::string(c.name) == "CR only" ? "a\rb\rc\rd\re\rf\rg\r"
                                                                    : kLead;
        write(lead + c.body);
        const auto points = marovin::read_result_points(path, 2);
        ASSERT_TRUE(points) << c.name << ": " << points.error();
        EXPECT_EQ(points->longitudes, (std::vector<double>{3.25, -0.5})) << c.name;
        EXPECT_EQ(points->latitudes, (std::vector<double>{45.5, -12.125})) << c.name;
    }
}

TEST_F(ResultFileTest, FailuresNameTheProblemAndTheFile)
{
    struct {
        const char* name;
        std::string text;
        const char* says;
    } const cases[] = {
        {"fewer than seven lines", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", "holds 6 lines"},
        {"empty", "", "holds 0 lines"},
        {"ends before the last record", std::string(kLead) + "1,\"U\",45.5,3.25,0\r\n2,\"U\",-12.1\r\n",
         "ends after line 9, before point 2 of 2"},
        {"latitude not a number", std::string(kLead) + "1,\"U\",45.5,3.25,0\r\n2,\"U\",N45,3.25,0\r\n",
         "line 9: the latitude of point 2 is not a number (\"N45\")"},
        {"longitude quoted", std::string(kLead) + "1,\"U\",45.5\r\n\"3.25\",0\r\n2,\"U\",1,2,0\r\n",
         "line 9: the longitude of point 1 is not a number"},
        {"empty latitude", std::string(kLead) + "1,\"U\",,3.25,0\r\n2,\"U\",1,2,0\r\n",
         "line 8: the latitude of point 1"},
    };
    for (const auto& c : cases) {
        write(c.text);
        const auto s = marovin::read_result_points(path, 2);
        ASSERT_FALSE(s) << c.name;
        EXPECT_NE(s.error().find(c.says), std::string::npos) << c.name << ": " << s.error();
        EXPECT_NE(s.error().find(path), std::string::npos) << c.name << ": " << s.error();
    }

    std::filesystem::remove(path);
    const auto missing = marovin::read_result_points(path, 1);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find(path), std::string::npos) << missing.error();
}

// What the converter writes reads back as the values result_value gives,
// whatever the job named its system: a WKT definition typed into the system
// box holds double quotes, which would end the quoted field early.
TEST_F(ResultFileTest, WrittenRecordsReadBackWhateverTheSystemName)
{
    const char* const systems[] = {
        "UTM32", "WGS 84, UTM 31N", "PROJCRS[\"WGS 84 / UTM zone 32N\",BASEGEOGCRS[\"WGS 84\"],ID[\"EPSG\",32632]]",
        "\"",    "a\"b,c\",\"d",
    };
    marovin::Job job;
    job.x = {9.123456789012, -0.5, 179.9999999996};
    job.y = {48.987654321, 0.25, -89.9999999994};
    for (const char* system : systems) {
        SCOPED_TRACE(system);
        job.source_system = system;
        std::string text = marovin::result_header("File.cvd", job, {});
        const std::string quoted = marovin::quoted_system(system);
        for (std::size_t i = 0; i < job.x.size(); ++i)
            marovin::append_record(text, job, i, quoted);
        write(text);
        const auto points = marovin::read_result_points(path, 3);
        ASSERT_TRUE(points) << points.error();
        for (std::size_t i = 0; i < job.x.size(); ++i) {
            EXPECT_EQ(points->longitudes[i], marovin::result_value(job.x[i])) << i;
            EXPECT_EQ(points->latitudes[i], marovin::result_value(job.y[i])) << i;
        }
    }
}

TEST_F(ResultFileTest, NoPointsNeedsOnlyTheSevenLines)
{
    write("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7");
    auto points = marovin::read_result_points(path, 0);
    ASSERT_TRUE(points);
    EXPECT_TRUE(points->latitudes.empty());
}

} // namespace
