#include "base/whole_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace marovin {

Result<std::string> read_whole_file(const std::string& path)
{
    if (path.empty())
        return fail("no file was chosen");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail("cannot open " + path + ": " + std::strerror(errno));
    std::string content;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return fail("cannot read " + path);
    in.seekg(0, std::ios::beg);
    content.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(content.data(), size))
        return fail("cannot read " + path + " to its end");
    // A file that grew while it was read still has to be read whole.
    if (in.peek() != std::char_traits<char>::eof())
        return fail("cannot read " + path + " whole: it changed while it was read");
    return content;
}

} // namespace marovin
