// The system a file names of itself, decided in PROJ's database.
#include "conversion/named_system.h"

#include "readers/xy_text.h"
#include "support/scratch_folder.h"
#include "support/seismic_bytes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// The textual header names a system when what it says of systems is one
// system PROJ knows; two, or none, name nothing.
TEST(NamedSystem, TheTextualHeaderNamesOneSystemOrNone)
{
    const struct {
        const char* text;
        const char* definition; // empty: none
        const char* name;
    } cases[] = {
        {"C 7 ED50 UTM ZONE 31N", "EPSG:23031", "ED50 / UTM zone 31N"},
        {"C 7 COORDINATES EPSG:23031  (ED50 / UTM zone 31N)", "EPSG:23031", "ED50 / UTM zone 31N"},
        {"C 7 WGS84 UTM 32N", "EPSG:32632", "WGS 84 / UTM zone 32N"},
        {"C 7 GDA94 UTM 55S", "EPSG:28355", "GDA94 / MGA zone 55"},
        {"C 7 SIRGAS 2000 UTM 23S", "EPSG:31983", "SIRGAS 2000 / UTM zone 23S"},
        {"C 7 EPSG CODE: 2154 OR 23031", "EPSG:2154", "RGF93 v1 / Lambert-93"},
        {"C 7 EPSG:32631 ED50 UTM ZONE 31N", "", ""},
        {"C 7 EPSG:99999", "", ""},
        {"C 7 ED50 UTM ZONE 31S", "", ""},
        {"C 7 NO SYSTEM", "", ""},
    };
    support::ScratchFolder folder;
    const std::string path = (folder / "line.sgy").string();
    for (const auto& c : cases) {
        for (const bool ebcdic : {true, false}) {
            support::write_bytes(path,
                                 support::seismic_bytes({.text = c.text, .text_in_ebcdic = ebcdic, .samples = {4}}));
            const marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(path);
            ASSERT_TRUE(file) << file.error();
            const marovin::FileNamedSystem named = marovin::file_named_system(*file);
            ASSERT_EQ(named.system.has_value(), *c.definition != '\0') << c.text;
            if (named.system) {
                EXPECT_EQ(named.system->definition, c.definition) << c.text;
                EXPECT_EQ(named.system->name, c.name) << c.text;
                EXPECT_EQ(named.told,
                          "system " + std::string(c.definition) + ", " + c.name + ", from the textual header");
            } else {
                EXPECT_EQ(named.told, "") << c.text;
            }
        }
    }
}

TEST(NamedSystem, AnXyFileNamesOneSystemOnEveryLineAnyOtherColumnIsTold)
{
    const std::string sps = "H00 SPS format version number     SPS 2.1\r\nH13 Geodetic Coordinate System   ";
    const struct {
        std::string file;
        const char* definition; // empty: no system named
        std::string told;
    } cases[] = {
        {"HoleID,X,Y,Grid\nA,1,2,NAD83 / UTM zone 9N\nB,1,2,nad83 / utm zone 9n\n", "EPSG:26909",
         "system EPSG:26909, NAD83 / UTM zone 9N, from the column Grid"},
        {"ID;X;Y;EPSG;CRS\n1;1;2;26909;EPSG:26909\n", "EPSG:26909",
         "system EPSG:26909, NAD83 / UTM zone 9N, from the columns EPSG and CRS"},
        // a bare number is a code only under the heading EPSG
        {"X,Y,Projection\n1,2,26909\n", "", "the column Projection holds \"26909\", which names no system PROJ knows"},
        {"X,Y,Grid\n1,2,EPSG:26909\n1,2,EPSG:26910\n", "",
         "the column Grid names more than one system: EPSG:26909 (NAD83 / UTM zone 9N), EPSG:26910 (NAD83 / UTM zone "
         "10N)"},
        {"X,Y,Grid,CRS\n1,2,EPSG:26909,EPSG:4326\n", "",
         "the columns Grid and CRS name more than one system: EPSG:26909 (NAD83 / UTM zone 9N), EPSG:4326 (WGS 84)"},
        {"X,Y,Grid\n1,2,MGA\n", "", "the column Grid holds \"MGA\", which names no system PROJ knows"},
        {"X,Y,Grid\n1,2,EPSG:26909\n1,2\n", "", "the column Grid is empty on some lines"},
        {"X,Y,Grid\n", "", ""},
        {"X,Y\n1,2\n", "", ""},
        // an SPS file's code is taken as it stands, named when PROJ knows it
        {sps + "EPSG:32631\r\n", "EPSG:32631", "system EPSG:32631, WGS 84 / UTM zone 31N, from its H records"},
        {sps + "EPSG:999999\r\n", "EPSG:999999", "system EPSG:999999, from its H records"},
    };
    for (const auto& c : cases) {
        const marovin::FileNamedSystem found = marovin::file_named_system(marovin::xy_file_text(c.file));
        EXPECT_EQ(found.system ? found.system->definition : "", c.definition) << c.file;
        EXPECT_EQ(found.told, c.told) << c.file;
    }
}

} // namespace
