#pragma once
// Default KML file names proposed from an input file's path. Both rules cut
// characters from the end of the path and add "KML"; neither looks for the
// dot of an extension ("points.data" gives "points.dKML"). Characters are
// counted as characters, not bytes, in UTF-8 paths.

#include "base/result.h"

#include <string>
#include <string_view>

namespace marovin {

// Seismic road: the path without its last two characters when it is an SU
// path, else without its last three, followed by "KML", in capitals.
// Where file names are case-sensitive only the file name is put in capitals
// and the folder part is kept as typed (/data/seis/line1.sgy gives
// /data/seis/LINE1.KML); on Windows the whole path is.
// Fails when the path is shorter than the characters to be cut.
Result<std::string> seismic_kml_name(std::string_view path);

// Text road: the path without its last three characters, followed by "KML";
// the rest keeps its case. Fails when the path has fewer than 3 characters.
Result<std::string> text_kml_name(std::string_view path);

} // namespace marovin
