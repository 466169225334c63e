#include "geodesy/system_names.h"

#include <gtest/gtest.h>

namespace {

using marovin::identify_system;
using marovin::NamedSystem;

TEST(IdentifySystem, CodesAndDatabaseNamesNameOneSystemAndNothingElseDoes)
{
    const std::pair<const char*, std::optional<NamedSystem>> cases[] = {
        {"EPSG:23031", NamedSystem{"EPSG:23031", "ED50 / UTM zone 31N"}},
        {" epsg : 23031 ", NamedSystem{"EPSG:23031", "ED50 / UTM zone 31N"}},
        {"EPSG:4326", NamedSystem{"EPSG:4326", "WGS 84"}},
        {"ED50 / UTM zone 31N", NamedSystem{"EPSG:23031", "ED50 / UTM zone 31N"}},
        {"ed50 / utm zone 31n", NamedSystem{"EPSG:23031", "ED50 / UTM zone 31N"}},
        {"NAD83 / UTM zone 9N", NamedSystem{"EPSG:26909", "NAD83 / UTM zone 9N"}},
        {"GDA94 / MGA zone 55", NamedSystem{"EPSG:28355", "GDA94 / MGA zone 55"}},
        {"SIRGAS 2000 / UTM zone 23S", NamedSystem{"EPSG:31983", "SIRGAS 2000 / UTM zone 23S"}},
        {"WGS 84", NamedSystem{"EPSG:4326", "WGS 84"}},
        // Loose or wrong names, codes of no horizontal system, other text.
        {"WGS84 / UTM zone 32N", std::nullopt},
        {"UTM zone 31N", std::nullopt},
        {"EPSG:5714", std::nullopt}, // mean sea level height
        {"EPSG:99999999", std::nullopt},
        {"EPSG:", std::nullopt},
        {"EPSG:23031x", std::nullopt},
        {"23031", std::nullopt},
        {"+proj=utm +zone=31 +type=crs", std::nullopt},
        {"", std::nullopt},
        {"Line 12", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const std::optional<NamedSystem> found = identify_system(text);
        EXPECT_EQ(found, expected) << '"' << text << '"';
    }
}

} // namespace
