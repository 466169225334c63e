#include "conversion/geographic_system.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace marovin {
namespace {

std::string upper_trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// The geographic entries of the window's lists, and EPSG codes of
// two-dimensional geographic systems in degrees: those of the list names
// (WGS 84, ED50, NTF, BD72) and a few more a user may type (ETRS89, RGF93,
// NAD83, NAD27, CH1903, CH1903+).
constexpr std::string_view kGeographic[] = {
    "WGS84",     "ED50",      "NTF",       "BD72",      "EPSG:4326", "EPSG:4230", "EPSG:4275",
    "EPSG:4313", "EPSG:4258", "EPSG:4171", "EPSG:4269", "EPSG:4267", "EPSG:4149", "EPSG:4150",
};

} // namespace

bool is_geographic_system(std::string_view system)
{
    const std::string name = upper_trimmed(system);
    return std::find(std::begin(kGeographic), std::end(kGeographic), name) != std::end(kGeographic);
}

} // namespace marovin
