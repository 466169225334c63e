#include "base/file_names.h"

#include "base/plain_text.h"

#include <algorithm>
#include <filesystem>

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

Error too_short(std::string_view path)
{
    return fail("the path " + in_quotes(path) + " is too short to make a KML file name from");
}

} // namespace

bool is_su_path(std::string_view path) { return ends_with_ignoring_case(path, "SU"); }

bool is_seismic_name(std::string_view path)
{
    return ends_with_ignoring_case(path, "SU") || ends_with_ignoring_case(path, "SGY");
}

Result<std::string> seismic_kml_name(std::string_view path)
{
    const std::size_t keep = cut_characters(path, is_su_path(path) ? 2 : 3);
    if (keep == std::string_view::npos)
        return too_short(path);
    std::string name(path.substr(0, keep));
#ifdef _WIN32
    const std::size_t name_start = 0;
#else
    const std::size_t slash = name.find_last_of('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
#endif
    return name.substr(0, name_start) + ascii_upper(std::string_view(name).substr(name_start)) + "KML";
}

Result<std::string> text_kml_name(std::string_view path)
{
    const std::size_t keep = cut_characters(path, 3);
    if (keep == std::string_view::npos)
        return too_short(path);
    return std::string(path.substr(0, keep)) + "KML";
}

std::string csv_name(std::string_view kml_name)
{
    return std::string(kml_name.substr(0, kml_name.size() - std::min<std::size_t>(3, kml_name.size()))) + "CSV";
}

bool is_kmz_name(std::string_view path) { return ends_with_ignoring_case(path, ".kmz"); }

bool is_kml_name(std::string_view path) { return ends_with_ignoring_case(path, ".kml"); }

std::string kmz_name(std::string_view kml_name)
{
    if (is_kml_name(kml_name))
        kml_name.remove_suffix(4);
    return std::string(kml_name) + ".kmz";
}

bool is_result_file(std::string_view path)
{
    return equal_ignoring_case(std::filesystem::path(path).extension().string(), ".cva");
}

std::string result_file_of(std::string_view job_path)
{
    return std::filesystem::path(job_path).replace_extension(".cva").string();
}

} // namespace marovin
