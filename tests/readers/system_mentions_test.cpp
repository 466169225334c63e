#include "readers/system_mentions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SystemMentions, EpsgCodesAndUtmZonesOfTheDatumsAreNamedAsProjNamesThem)
{
    using Names = std::vector<std::string>;
    const struct {
        const char* text;
        Names named;
    } cases[] = {
        {"C 5 CRS EPSG:23031", {"EPSG:23031"}},
        {"epsg 23031", {"EPSG:23031"}},
        {"EPSG code: 23031", {"EPSG:23031"}},
        {"EPSG::2154", {"EPSG:2154"}},
        {"NOTEPSG:1234", {}},
        {"EPSG:1234567", {}},
        {"EPSG code unknown", {}},
        {"ED50 UTM ZONE 31N", {"ED50 / UTM zone 31N"}},
        {"ed50 / utm zone 31n", {"ED50 / UTM zone 31N"}},
        {"WGS84 UTM 32N", {"WGS 84 / UTM zone 32N"}},
        {"WGS 84 / UTM zone 32N", {"WGS 84 / UTM zone 32N"}},
        {"WGS-84 UTM 17 S", {"WGS 84 / UTM zone 17S"}},
        {"ETRS89 / UTM zone 32N", {"ETRS89 / UTM zone 32N"}},
        {"NAD27 UTM 15N", {"NAD27 / UTM zone 15N"}},
        {"NAD83 UTM ZONE 9N", {"NAD83 / UTM zone 9N"}},
        {"GDA94 UTM 55S", {"GDA94 / MGA zone 55"}},
        {"GDA2020 MGA zone 56", {"GDA2020 / MGA zone 56"}},
        {"SIRGAS 2000 UTM 23S", {"SIRGAS 2000 / UTM zone 23S"}},
        {"SIRGAS2000 / UTM zone 23S", {"SIRGAS 2000 / UTM zone 23S"}},
        {"UTM ZONE 31N", {}},
        {"WGS84 UTM 61N", {}},
        {"WGS84 UTM 32", {}},
        {"WGS84 UTM 32NE", {}},
        {"XED50 UTM 31N", {}},
        {"ED50 UTM 31N, EPSG:23031", {"ED50 / UTM zone 31N", "EPSG:23031"}},
        {"WGS84 UTM 32N AND WGS 84 UTM ZONE 32N", {"WGS 84 / UTM zone 32N"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marovin::system_mentions(c.text), c.named) << c.text;
}

} // namespace
