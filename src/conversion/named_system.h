#pragma once
// The system a file names of itself, proposed instead of the one the user
// must otherwise know; its rules are here and nowhere else:
//   - a SEG-Y file's textual headers: the one system their mentions
//     (readers/system_mentions.h: "EPSG:23031", "ED50 UTM ZONE 31N") name,
//     when PROJ knows it; two different ones, or none, name nothing and say
//     nothing;
//   - an SPS file: the one EPSG code its H records name, taken as it stands
//     even when PROJ does not know it (the conversion then says so);
//   - a point list: its columns headed "Grid", "CRS", "EPSG", "Projection"
//     or "Coordinate system", every text of which must name a system PROJ
//     knows (in a column headed EPSG a bare number is an EPSG code), and
//     all of them the same one; otherwise nothing is named, and the reason
//     is told.
// Systems are identified in PROJ's database (geodesy/system_names.h). The
// window proposes the system in its system boxes; the road converts from it
// when the user gave none.

#include "geodesy/system_names.h"
#include "readers/seismic_header.h"
#include "readers/xy_data.h"

#include <optional>
#include <string>

namespace marovin {

struct FileNamedSystem {
    // The one system the file names; nothing when it names none, or more
    // than one.
    std::optional<NamedSystem> system;
    // What the file says of its system, for the user:
    //   - when it names one: "system EPSG:26909, NAD83 / UTM zone 9N, from
    //     the column Grid" ("from its H records", "from the textual header");
    //   - when a list's system columns name none, or several, why: "the
    //     column Grid holds \"UTM\", which names no system PROJ knows";
    //   - empty when the file says nothing of its system.
    std::string told;
};

FileNamedSystem file_named_system(const SeismicFile& file);
FileNamedSystem file_named_system(const XyText& text);

// The sentence that shows what an XY file names above its points: "The file
// names its system: system EPSG:26909, ... from the column Grid.", "The
// system is not taken from the file: ..."; empty when the file says nothing
// of it.
std::string file_named_system_note(const FileNamedSystem& system);

} // namespace marovin
