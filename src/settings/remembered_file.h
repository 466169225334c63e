#pragma once
// The seismic file remembered from one run to the next: one entry of an INI
// file shared with the companion processing product, key "Fichier 1" of
// section "TERVALO". The companion's own entries, and this one when it is
// not written, stay byte for byte as they are (see ini_file.h).

#include "base/result.h"

#include <cstddef>
#include <optional>
#include <string>

namespace marovin {

// The companion reads the entry into a buffer of 90 characters, terminator
// included, so no more than the first 89 characters of a stored path are
// taken. Characters, not bytes: the cut belongs to whoever decodes the path
// from the file system's encoding.
inline constexpr std::size_t kRememberedPathCharacters = 89;

// The stored path, whole and as stored (an empty value is a value); nothing
// when the INI file at `ini_path`, its section or its key is missing. Fails
// as read_ini_value does when the file cannot be read.
Result<std::optional<std::string>> read_remembered_seismic_file(const std::string& ini_path);

// Stores `seismic_path` in the INI file at `ini_path`, creating the file
// when it is missing; fails as write_ini_value does.
Status write_remembered_seismic_file(const std::string& ini_path, const std::string& seismic_path);

} // namespace marovin
