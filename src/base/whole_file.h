#pragma once
// Reading a file whole into memory.

#include "base/result.h"

#include <string>

namespace marovin {

// The whole content of a file, or a message naming it. Fails for an empty
// path, a path that names no regular file (a folder, a FIFO, a device: it is
// never read, nor waited on), a file that cannot be opened or read to its
// end, and a file that grew or shrank while it was read.
Result<std::string> read_whole_file(const std::string& path);

} // namespace marovin
