#pragma once
// A small reader and writer of INI files that behaves like the Windows
// private-profile service, so that a file shared with other programs stays
// theirs: "[SECTION]" lines open sections, "key=value" lines hold values
// (blanks around the "=" and around the value are ignored), lines starting
// with ";" are comments, and section and key names are compared without
// regard to ASCII case. The first matching section and key win.
//
// Lines end with CR LF, LF or a lone CR, in any mix. Files are handled as
// bytes (8-bit clean): nothing is decoded, and a write changes only the one
// entry it sets; every other byte of the file (other sections, keys,
// comments, blank lines, line endings) stays as it was. Reading and writing
// take time in proportion to the size of the file, and no exception leaves
// these functions: a failure is their result.

#include "base/result.h"

#include <optional>
#include <string>

namespace marovin {

// The value of `key` in `section` of the INI text, or nothing when the
// section or the key is missing. A value enclosed in a pair of matching
// quotes is given without them, as the Windows service does.
std::optional<std::string> find_ini_value(const std::string& text, const std::string& section, const std::string& key);

// The INI text with `key` of `section` set to `value`. An existing entry
// keeps its line, its key spelling and its line ending; a missing key is
// added after the last non-blank line of its section; a missing section is
// appended at the end of the text. New lines use the text's own line ending
// (that of its first line), CR LF for a text that has none.
std::string set_ini_value(const std::string& text, const std::string& section, const std::string& key,
                          const std::string& value);

// The value of `key` in `section` of the INI file at `path`; nothing when the
// file, the section or the key is missing. Fails, naming the path, when the
// file cannot be read: a folder, a FIFO or a device in its place (never
// waited on), a file too large for read_whole_file.
Result<std::optional<std::string>> read_ini_value(const std::string& path, const std::string& section,
                                                  const std::string& key);

// Sets `key` of `section` in the INI file at `path`, creating the file when
// it does not exist. The file is replaced atomically, so an interrupted
// write leaves it as it was. Fails, leaving the file untouched, when it
// exists but cannot be read (or is not a file), when it cannot be written,
// or when the names or the value hold a line break (which would change the
// file's other entries).
Status write_ini_value(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value);

} // namespace marovin
