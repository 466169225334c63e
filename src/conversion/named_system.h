#pragma once
// The system a file names of itself, proposed instead of the one the user
// must otherwise know: found in the file's text (readers/system_mentions.h)
// and identified in PROJ's database (geodesy/system_names.h).

#include "geodesy/system_names.h"
#include "readers/seismic_header.h"

#include <optional>
#include <string>
#include <vector>

namespace marovin {

// The one system the mentions name, each identified by PROJ; nothing when
// they name none that PROJ knows, or two different ones. Mentions PROJ does
// not know are passed over.
std::optional<NamedSystem> one_named_system(const std::vector<std::string>& mentions);

// The system the textual headers of a SEG-Y file name (none for SU).
std::optional<NamedSystem> textual_header_system(const SeismicFile& file);

// "system EPSG:23031, ED50 / UTM zone 31N, from the textual header"
std::string textual_header_system_text(const NamedSystem& system);

} // namespace marovin
