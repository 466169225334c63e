#pragma once
// The systems the program knows by a short name, named once: the window's
// two lists of systems ("Geographical type" of the text road,
// "Geodesic system  in seismic file header" of the seismic road), the
// converter's reading of a job's system and the command's -s all take their
// names from here. Any other text (an "EPSG:n" code, a PROJ string) is left
// for PROJ to read.

#include <algorithm>
#include <array>
#include <string_view>

namespace marovin {

struct KnownSystem {
    std::string_view name;       // as the lists show it
    std::string_view definition; // what PROJ reads
};

inline constexpr std::array<KnownSystem, 18> kKnownSystems{{
    {"WGS84", "EPSG:4326"},
    {"ED50", "EPSG:4230"},
    {"NTF", "EPSG:4275"},
    {"BD72", "EPSG:4313"},
    {"UTM30", "EPSG:32630"},
    {"UTM31", "EPSG:32631"},
    {"UTM32", "EPSG:32632"},
    {"UTM30E", "EPSG:23030"},
    {"UTM31E", "EPSG:23031"},
    {"UTM32E", "EPSG:23032"},
    {"SWISS", "EPSG:21781"},
    {"LT93", "EPSG:2154"},
    {"L93", "EPSG:2154"},
    {"LT72", "EPSG:31370"},
    {"LT1", "EPSG:27571"},
    {"LT2", "EPSG:27572"},
    {"LT3", "EPSG:27573"},
    {"LT4", "EPSG:27574"},
}};

// The two lists of the window, in the order they show their names.
inline constexpr std::array<std::string_view, 17> kTextRoadSystems{
    "WGS84", "ED50", "UTM30", "UTM31", "UTM32", "UTM30E", "UTM31E", "UTM32E", "SWISS",
    "NTF",   "LT93", "LT72",  "LT1",   "LT2",   "LT3",    "LT4",    "L93"};
inline constexpr std::array<std::string_view, 17> kSeismicRoadSystems{
    "WGS84",  "ED50",   "NTF",   "LT1",   "LT2",   "LT3",   "LT4",  "LT93", "UTM30E",
    "UTM31E", "UTM32E", "UTM30", "UTM31", "UTM32", "SWISS", "LT72", "BD72"};

// The system both roads start from.
inline constexpr std::string_view kDefaultSystem = "UTM32";

namespace detail {
template <std::size_t N>
constexpr bool all_known(const std::array<std::string_view, N>& names)
{
    return std::all_of(names.begin(), names.end(), [](std::string_view name) {
        return std::any_of(kKnownSystems.begin(), kKnownSystems.end(),
                           [name](const KnownSystem& known) { return known.name == name; });
    });
}
} // namespace detail
static_assert(detail::all_known(kTextRoadSystems) && detail::all_known(kSeismicRoadSystems) &&
                  detail::all_known(std::array<std::string_view, 1>{kDefaultSystem}),
              "every name of a list is a known system");

} // namespace marovin
