#pragma once
// marovin-kml --describe: what a seismic file holds, for a user who must
// find where its coordinates and numbers are before converting it.

#include "base/result.h"

#include <string>

namespace marovin::cli {

// The file's found-line, the system its textual header names (if any), its
// textual header as lines of text, then for its first and last trace the
// scalar word and the words of every listed pair and label word, as the
// file holds them. Fails, naming the file, when its headers cannot be read.
Result<std::string> describe_seismic_file(const std::string& path);

} // namespace marovin::cli
