#pragma once
// Reading a file whole into memory.

#include "base/result.h"

#include <cstdint>
#include <optional>
#include <string>

namespace marovin {

// The largest file read_whole_file takes unless told otherwise: far above
// any survey file the window converts, far below what would exhaust memory.
inline constexpr std::uint64_t kWholeFileLimit = std::uint64_t{1} << 30;

// The whole content of a file, or a message naming it. Only regular files
// are read: a folder, a device, a pipe or a socket is refused before a byte
// is read (opening never blocks). The size the file system reports is
// checked against `limit` before any memory is taken for it, and the file
// is then read to its end, so a file that grows or shrinks meanwhile is read
// as it ends up, and one that grows past `limit` fails. Also fails for an
// empty path and a file that cannot be opened or read.
Result<std::string> read_whole_file(const std::string& path, std::uint64_t limit = kWholeFileLimit);

// As read_whole_file, for a file that may not be there: nothing when no file
// has that name, rather than a failure. Anything else in its place is refused
// all the same.
Result<std::optional<std::string>> read_whole_file_if_present(const std::string& path,
                                                              std::uint64_t limit = kWholeFileLimit);

} // namespace marovin
