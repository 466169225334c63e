#include "geodesy/system_names.h"

#include "base/plain_text.h"

#include <proj.h>

#include <array>
#include <memory>

namespace marovin {
namespace {

struct ContextDeleter {
    void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct ObjectDeleter {
    void operator()(PJ* p) const { proj_destroy(p); }
};
struct ListDeleter {
    void operator()(PJ_OBJ_LIST* l) const { proj_list_destroy(l); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using Object = std::unique_ptr<PJ, ObjectDeleter>;
using List = std::unique_ptr<PJ_OBJ_LIST, ListDeleter>;

constexpr std::array<PJ_TYPE, 3> kHorizontalTypes{PJ_TYPE_PROJECTED_CRS, PJ_TYPE_GEOGRAPHIC_2D_CRS,
                                                  PJ_TYPE_GEOGRAPHIC_3D_CRS};

bool is_horizontal(PJ* crs)
{
    const PJ_TYPE type = proj_get_type(crs);
    for (PJ_TYPE horizontal : kHorizontalTypes)
        if (type == horizontal)
            return true;
    return false;
}

// "EPSG:23031" -> "23031"; nothing unless the text is "EPSG", a colon and
// digits alone (blanks allowed around the colon).
std::optional<std::string> epsg_code(std::string_view text)
{
    constexpr std::string_view kAuthority = "EPSG";
    if (text.size() <= kAuthority.size() || !equal_ignoring_case(text.substr(0, kAuthority.size()), kAuthority))
        return std::nullopt;
    std::string_view rest = trimmed(text.substr(kAuthority.size()));
    if (rest.empty() || rest.front() != ':')
        return std::nullopt;
    rest = trimmed(rest.substr(1));
    if (rest.empty() || rest.size() > 9)
        return std::nullopt;
    for (char c : rest)
        if (!is_digit(c))
            return std::nullopt;
    return std::string(rest);
}

std::optional<NamedSystem> named(PJ* crs)
{
    const char* authority = proj_get_id_auth_name(crs, 0);
    const char* code = proj_get_id_code(crs, 0);
    const char* name = proj_get_name(crs);
    if (!authority || !code || !name)
        return std::nullopt;
    return NamedSystem{std::string(authority) + ':' + code, name};
}

} // namespace

std::optional<NamedSystem> identify_system(std::string_view text)
{
    text = trimmed(text);
    if (text.empty())
        return std::nullopt;
    Context ctx(proj_context_create());
    if (!ctx)
        return std::nullopt;
    proj_log_level(ctx.get(), PJ_LOG_NONE);

    if (std::optional<std::string> code = epsg_code(text)) {
        Object crs(proj_create_from_database(ctx.get(), "EPSG", code->c_str(), PJ_CATEGORY_CRS, 0, nullptr));
        if (!crs || !is_horizontal(crs.get()))
            return std::nullopt;
        return named(crs.get());
    }

    // An exact search ignores case but nothing else. A geographic name
    // stands for the 2-D system ("WGS 84" is EPSG:4326, not also 4979).
    constexpr std::array<PJ_TYPE, 2> kNamedTypes{PJ_TYPE_PROJECTED_CRS, PJ_TYPE_GEOGRAPHIC_2D_CRS};
    const std::string name(text);
    List found(
        proj_create_from_name(ctx.get(), "EPSG", name.c_str(), kNamedTypes.data(), kNamedTypes.size(), 0, 0, nullptr));
    if (!found)
        return std::nullopt;
    std::optional<NamedSystem> only;
    for (int i = 0, n = proj_list_get_count(found.get()); i < n; ++i) {
        Object crs(proj_list_get(ctx.get(), found.get(), i));
        if (!crs || proj_is_deprecated(crs.get()))
            continue;
        std::optional<NamedSystem> system = named(crs.get());
        if (!system)
            continue;
        if (only && only->definition != system->definition)
            return std::nullopt;
        only = std::move(system);
    }
    return only;
}

} // namespace marovin
