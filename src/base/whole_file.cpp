#include "base/whole_file.h"

#include "base/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace marovin {
namespace {

std::string too_large(const std::string& path, std::uint64_t size, std::uint64_t limit)
{
    return path + " is too large to be read (" + std::to_string(size) + " bytes or more; at most " +
           std::to_string(limit) + " can be read)";
}

Result<std::string> read_to_end(const RegularFile& file, const std::string& path, std::uint64_t limit)
{
    if (file.size > limit)
        return fail(too_large(path, file.size, limit));

    // One byte more than reported, so that the end of a file of the reported
    // size is seen without growing the buffer.
    std::string content(static_cast<std::size_t>(file.size) + 1, '\0');
    std::size_t have = 0;
    for (;;) {
        if (have == content.size()) {
            if (have > limit)
                return fail(too_large(path, have, limit));
            content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, have * 2 + 4096)));
        }
        const ssize_t got = ::read(file.descriptor.get(), content.data() + have, content.size() - have);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot read " + path + " to its end: " + std::strerror(errno));
        }
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    if (have > limit)
        return fail(too_large(path, have, limit));
    content.resize(have);
    return content;
}

} // namespace

Result<std::optional<std::string>> read_whole_file_if_present(const std::string& path, std::uint64_t limit)
{
    Result<RegularFile, OpenError> file = open_regular_file(path);
    if (!file) {
        if (file.failure().kind == OpenError::Kind::Missing)
            return std::optional<std::string>();
        return fail(file.error());
    }
    Result<std::string> content = read_to_end(*file, path, limit);
    if (!content)
        return fail(content.error());
    return std::optional<std::string>(std::move(*content));
}

Result<std::string> read_whole_file(const std::string& path, std::uint64_t limit)
{
    if (path.empty())
        return fail("no file was chosen");
    Result<RegularFile, OpenError> file = open_regular_file(path);
    if (!file)
        return fail(file.error());
    return read_to_end(*file, path, limit);
}

} // namespace marovin
