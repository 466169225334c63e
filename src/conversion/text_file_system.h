#pragma once
// The coordinate system an XY text file names of itself, so that the user
// need not know it: the EPSG code of an SPS file's H records, or the column
// of a list headed "Grid", "CRS", "EPSG", "Projection" or "Coordinate
// system" whose lines all name the same system. The window proposes it in
// its system box and the command converts from it, each unless the user
// chooses another.

#include "geodesy/system_names.h"
#include "readers/xy_data.h"

#include <optional>
#include <string>

namespace marovin {

struct TextFileSystem {
    // The one system the file names; nothing when it names none, or more
    // than one.
    std::optional<NamedSystem> system;
    // What the file says of its system, for the user:
    //   - when it names one: "system EPSG:26909, NAD83 / UTM zone 9N, from
    //     the column Grid" ("from its H records" for an SPS file);
    //   - when its system columns name none, or several, why: "the column
    //     Grid holds \"UTM\", which names no system PROJ knows";
    //   - empty when the file says nothing of its system.
    std::string told;
};

// What `text` names as its system:
//   - an SPS file: the one EPSG code its H records name, taken as it stands
//     even when PROJ does not know it (the conversion then says so);
//   - a list: every text of its system columns must name a system PROJ
//     knows (identify_system; in a column headed EPSG a bare number is an
//     EPSG code), and all of them the same one. An empty text, a text that
//     names no system, or two systems name none.
TextFileSystem text_file_system(const XyText& text);

// The sentence that shows `system` above the file's points: "The file names
// its system: system EPSG:26909, ... from the column Grid.", "The system is
// not taken from the file: ..."; empty when the file says nothing of it.
std::string text_file_system_note(const TextFileSystem& system);

} // namespace marovin
