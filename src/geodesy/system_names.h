#pragma once
// A coordinate system a file names of itself: a textual header that says
// "EPSG:23031", a column of a point list that holds "NAD83 / UTM zone 9N".
// The program proposes it instead of asking the user to know it; PROJ's
// database decides what is a system, so a name is taken only when it is
// the name of exactly one system there.

#include <optional>
#include <string>
#include <string_view>

namespace marovin {

struct NamedSystem {
    std::string definition; // "EPSG:23031": what the converter and the system boxes take
    std::string name;       // PROJ's name of it: "ED50 / UTM zone 31N"

    bool operator==(const NamedSystem&) const = default;
};

// The projected or geographic system that `text` names, blanks around it
// aside: an EPSG code written "EPSG:23031" (any case, blanks allowed around
// the colon), or the name of a system in PROJ's EPSG database, in any case
// ("ed50 / utm zone 31n"). Deprecated entries do not count. Nothing for any
// other text: a name PROJ knows only loosely ("WGS84 / UTM zone 32N",
// whose database name is "WGS 84 / UTM zone 32N"), a code of no system, a
// name shared by several systems, a vertical or engineering system.
std::optional<NamedSystem> identify_system(std::string_view text);

} // namespace marovin
