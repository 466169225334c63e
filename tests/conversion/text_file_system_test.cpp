// The system an XY file names of itself, decided in PROJ's database.
#include "conversion/text_file_system.h"

#include "readers/xy_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextFileSystem, OneSystemOnEveryLineIsNamedAnyOtherColumnIsTold)
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
        const marovin::TextFileSystem found = marovin::text_file_system(marovin::xy_file_text(c.file));
        EXPECT_EQ(found.system ? found.system->definition : "", c.definition) << c.file;
        EXPECT_EQ(found.told, c.told) << c.file;
    }
}

} // namespace
