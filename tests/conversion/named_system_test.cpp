#include "conversion/named_system.h"

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
            const std::optional<marovin::NamedSystem> named = marovin::textual_header_system(*file);
            ASSERT_EQ(named.has_value(), *c.definition != '\0') << c.text;
            if (named) {
                EXPECT_EQ(named->definition, c.definition) << c.text;
                EXPECT_EQ(named->name, c.name) << c.text;
            }
        }
    }
    EXPECT_EQ(marovin::textual_header_system_text({"EPSG:23031", "ED50 / UTM zone 31N"}),
              "system EPSG:23031, ED50 / UTM zone 31N, from the textual header");
}

} // namespace
