#pragma once
// Where a file's own text names its coordinate system: an EPSG code, or a
// UTM zone of a datum, as textual headers and survey notes write them. Only
// text work: whether PROJ knows the system is for the geodesy to say
// (conversion/named_system.h).

#include <string>
#include <string_view>
#include <vector>

namespace marovin {

// The systems `text` names, each once, in the order they first occur:
//   - an EPSG code, "EPSG:23031", "EPSG 23031", "EPSG code: 23031", in any
//     case, as "EPSG:23031";
//   - a UTM zone of the datums WGS84, ED50, ETRS89, NAD27, NAD83, GDA94,
//     GDA2020 and SIRGAS 2000, "<datum> / UTM zone <n><N|S>" in any case,
//     with or without the "/" and the word "zone", blanks inside the datum's
//     name or not ("ED50 UTM ZONE 31N", "WGS 84 UTM 32N"), under the name
//     PROJ gives the system: "ED50 / UTM zone 31N", "WGS 84 / UTM zone 32N",
//     the Map Grid of Australia for the GDA datums ("GDA94 / MGA zone 55",
//     also written "GDA94 MGA zone 55").
std::vector<std::string> system_mentions(std::string_view text);

} // namespace marovin
