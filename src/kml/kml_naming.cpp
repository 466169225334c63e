#include "kml/kml_naming.h"

#include "readers/seismic_header.h"

#include <cctype>

namespace marovin {
namespace {

bool is_continuation_byte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte length of the path once its last `count` UTF-8 characters are cut, or
// npos when it has fewer characters than that.
std::size_t cut_characters(std::string_view path, int count)
{
    std::size_t end = path.size();
    for (int i = 0; i < count; ++i) {
        if (end == 0)
            return std::string_view::npos;
        --end;
        while (end > 0 && is_continuation_byte(path[end]))
            --end;
    }
    return end;
}

char ascii_upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

} // namespace

Result<std::string> seismic_kml_name(std::string_view path)
{
    const std::size_t keep = cut_characters(path, is_su_path(path) ? 2 : 3);
    if (keep == std::string_view::npos)
        return fail("the path \"" + std::string(path) + "\" is too short to make a KML file name from");
    std::string name(path.substr(0, keep));
#ifdef _WIN32
    const std::size_t name_start = 0;
#else
    const std::size_t slash = name.find_last_of('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
#endif
    for (std::size_t i = name_start; i < name.size(); ++i)
        name[i] = ascii_upper(name[i]);
    return name + "KML";
}

Result<std::string> text_kml_name(std::string_view path)
{
    const std::size_t keep = cut_characters(path, 3);
    if (keep == std::string_view::npos)
        return fail("the path \"" + std::string(path) + "\" is too short to make a KML file name from");
    return std::string(path.substr(0, keep)) + "KML";
}

} // namespace marovin
