#include "geodesy/geodesy.h"

#include <gtest/gtest.h>

namespace {

TEST(GeographicSystem, WhatProjReadsAsGeographicIsGeographicAndNothingElse)
{
    const std::pair<const char*, bool> cases[] = {
        {"WGS84", true},
        {"ED50", true},
        {"NTF", true},
        {"BD72", true},
        {"wgs84", true},
        {" ED50 ", true},
        {"EPSG:4326", true},
        {"epsg:4230", true},
        {"EPSG:4258", true},
        {"UTM32", false},
        {"UTM31E", false},
        {"SWISS", false},
        {"LT93", false},
        {"L93", false},
        {"LT1", false},
        {"LT72", false},
        {"EPSG:32632", false},
        {"EPSG:2154", false},
        {"EPSG:43260", false},
        {"", false},
        {"WGS 84", true},
        {"+proj=longlat +datum=WGS84 +type=crs", true},
        {"+proj=utm +zone=32 +type=crs", false},
        {"MyGrid", false},
    };
    for (const auto& [system, geographic] : cases)
        EXPECT_EQ(marovin::is_geographic_system(system), geographic) << '"' << system << '"';
}

} // namespace
