#pragma once
// Whether a system the user names for the converter gives positions as
// longitude and latitude: trace headers whose coordinates are angles need
// such a system.

#include <string_view>

namespace marovin {

// True for the geographic names of the window's lists ("WGS84", "ED50",
// "NTF", "BD72", in any case) and for "EPSG:<code>" codes of geographic
// systems in degrees that can be told without a geodesy library (4326 and
// the like). False for the projected names ("UTM32", "SWISS", "LT93", ...)
// and for any text it cannot tell: the answer is "not known to be
// geographic".
bool is_geographic_system(std::string_view system);

} // namespace marovin
