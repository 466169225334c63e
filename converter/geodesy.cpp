#include "geodesy.h"

#include <proj.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>
#include <cmath>
#include <limits>
#include <memory>

namespace convers {
namespace {

struct SystemName {
    std::string_view name;
    std::string_view definition;
};

// The names the window offers in its lists of systems.
constexpr std::array<SystemName, 18> known_systems{{
    {"WGS84", "EPSG:4326"},
    {"ED50", "EPSG:4230"},
    {"NTF", "EPSG:4275"},
    {"BD72", "EPSG:4313"},
    {"UTM30", "EPSG:32630"},
    {"UTM31", "EPSG:32631"},
    {"UTM32", "EPSG:32632"},
    {"UTM30E", "EPSG:23030"},
    {"UTM31E", "EPSG:23031"},
    {"UTM32E", "EPSG:23032"},
    {"SWISS", "EPSG:21781"},
    {"LT93", "EPSG:2154"},
    {"L93", "EPSG:2154"},
    {"LT72", "EPSG:31370"},
    {"LT1", "EPSG:27571"},
    {"LT2", "EPSG:27572"},
    {"LT3", "EPSG:27573"},
    {"LT4", "EPSG:27574"},
}};

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

struct ContextDeleter {
    void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct ObjectDeleter {
    void operator()(PJ* p) const { proj_destroy(p); }
};
struct ListDeleter {
    void operator()(PJ_OBJ_LIST* l) const { proj_list_destroy(l); }
};
struct FactoryDeleter {
    void operator()(PJ_OPERATION_FACTORY_CONTEXT* f) const { proj_operation_factory_context_destroy(f); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using Object = std::unique_ptr<PJ, ObjectDeleter>;

std::string where(std::string_view file_name, int line) {
    return std::string(file_name) + " line " + std::to_string(line) + ": ";
}

std::string name_of(PJ* object) {
    const char* name = proj_get_name(object);
    return name ? name : "";
}

// True unless the text is a code ("EPSG:2154", "urn:ogc:def:crs:..."), a
// PROJ string ("+proj=..."), WKT ("PROJCRS[...") or PROJJSON.
bool looks_like_plain_name(std::string_view text) {
    if (text.find(':') != std::string_view::npos || text.find('[') != std::string_view::npos) return false;
    if (text.find("proj=") != std::string_view::npos) return false;
    return text.empty() || text.front() != '{';
}

std::string plain(double value) {
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("?");
}

bool is_geographic(PJ_TYPE type) {
    return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

// The type of a system, looking through a BoundCRS (a PROJ string with
// +towgs84) to the system it carries.
PJ_TYPE horizontal_type(PJ_CONTEXT* ctx, PJ* crs) {
    PJ_TYPE type = proj_get_type(crs);
    if (type == PJ_TYPE_BOUND_CRS) {
        Object base(proj_get_source_crs(ctx, crs));
        type = base ? proj_get_type(base.get()) : PJ_TYPE_UNKNOWN;
    }
    return type;
}

// A system PROJ can read and whose two first axes are a horizontal position.
marovin::Result<Object> create_system(PJ_CONTEXT* ctx, std::string_view name, std::string_view file_name,
                                      int line) {
    std::string definition = system_definition(name);
    Object crs(proj_create(ctx, definition.c_str()));
    // PROJ matches a bare name loosely ("foo" finds "Amersfoort"); a name
    // must be the system's own, codes and definitions are taken as they are.
    if (!crs || !proj_is_crs(crs.get()) || (looks_like_plain_name(definition) && !equal_ignoring_case(definition, name_of(crs.get()))))
        return marovin::fail(where(file_name, line) + "unknown coordinate system \"" + std::string(name) + "\"");
    PJ_TYPE type = horizontal_type(ctx, crs.get());
    if (!is_geographic(type) && type != PJ_TYPE_PROJECTED_CRS)
        return marovin::fail(where(file_name, line) + "\"" + std::string(name) +
                             "\" is neither a geographic nor a projected coordinate system");
    return crs;
}

struct Bounds {
    double west, south, east, north;
};

// The box, in degrees of longitude and latitude, that the points cover, or
// nothing when a point lies outside what its projection can take (the
// transformation itself then reports that point). It comes from PROJ's
// per-point choice of operations, good to a few metres at worst, which is
// all an area of interest needs.
bool geographic_bounds(PJ_CONTEXT* ctx, PJ* source, PJ* target, const Job& job, Bounds& bounds) {
    if (job.x.empty()) return false;
    auto [xmin, xmax] = std::minmax_element(job.x.begin(), job.x.end());
    auto [ymin, ymax] = std::minmax_element(job.y.begin(), job.y.end());
    Object to_target(proj_create_crs_to_crs_from_pj(ctx, source, target, nullptr, nullptr));
    if (!to_target) return false;
    Object normalized(proj_normalize_for_visualization(ctx, to_target.get()));
    if (!normalized) return false;
    const int densify_points = 21;
    return proj_trans_bounds(ctx, normalized.get(), PJ_FWD, *xmin, *ymin, *xmax, *ymax, &bounds.west,
                             &bounds.south, &bounds.east, &bounds.north, densify_points) != 0;
}

// PROJ's best ranked operation from source to target for the area of the
// points, among those whose grids are installed: the same ranking as
// proj_create_crs_to_crs, but one operation for the whole job, so that the
// result file can name it.
Object best_operation(PJ_CONTEXT* ctx, PJ* source, PJ* target, const Bounds* area) {
    std::unique_ptr<PJ_OPERATION_FACTORY_CONTEXT, FactoryDeleter> factory(
        proj_create_operation_factory_context(ctx, nullptr));
    if (!factory) return nullptr;
    proj_operation_factory_context_set_spatial_criterion(ctx, factory.get(),
                                                         PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
    proj_operation_factory_context_set_grid_availability_use(ctx, factory.get(),
                                                             PROJ_GRID_AVAILABILITY_DISCARD_OPERATION_IF_MISSING_GRID);
    if (area)
        proj_operation_factory_context_set_area_of_interest(ctx, factory.get(), area->west, area->south, area->east,
                                                            area->north);
    std::unique_ptr<PJ_OBJ_LIST, ListDeleter> operations(proj_create_operations(ctx, source, target, factory.get()));
    if (!operations) return nullptr;
    const int count = proj_list_get_count(operations.get());
    for (int i = 0; i < count; ++i) {
        Object operation(proj_list_get(ctx, operations.get(), i));
        if (operation && proj_coordoperation_is_instantiable(ctx, operation.get())) return operation;
    }
    return nullptr;
}

} // namespace

std::string system_definition(std::string_view name) {
    for (const SystemName& system : known_systems)
        if (equal_ignoring_case(name, system.name)) return std::string(system.definition);
    return std::string(name);
}

marovin::Result<ConversionReport> convert_points(Job& job, std::string_view file_name) {
    Context context(proj_context_create());
    PJ_CONTEXT* ctx = context.get();
    if (!ctx) return marovin::fail(std::string(file_name) + ": cannot start the PROJ library");
    // Errors are reported once, by the caller, as one line naming the job line.
    proj_log_level(ctx, PJ_LOG_NONE);

    auto source = create_system(ctx, job.source_system, file_name, job.source_line);
    if (!source) return marovin::fail(source.error());
    auto target = create_system(ctx, job.target_system, file_name, job.target_line);
    if (!target) return marovin::fail(target.error());
    if (!is_geographic(proj_get_type(target->get())))
        return marovin::fail(where(file_name, job.target_line) + "the target system \"" + job.target_system +
                             "\" is not geographic; the result gives latitude and longitude");

    // PROJ passes an impossible latitude through unchanged; a job holding
    // one has its columns wrong or its system wrong, which the user must see.
    if (is_geographic(horizontal_type(ctx, source->get()))) {
        for (std::size_t i = 0; i < job.x.size(); ++i) {
            if (std::abs(job.y[i]) > 90 || std::abs(job.x[i]) > 360)
                return marovin::fail(where(file_name, job.first_data_line + static_cast<int>(i)) +
                                     "longitude " + plain(job.x[i]) + " and latitude " + plain(job.y[i]) +
                                     " are not degrees of a position on the earth");
        }
    }

    Bounds area{};
    const bool have_area = geographic_bounds(ctx, source->get(), target->get(), job, area);
    Object operation = best_operation(ctx, source->get(), target->get(), have_area ? &area : nullptr);
    if (!operation)
        return marovin::fail(where(file_name, job.source_line) + "PROJ knows no transformation from \"" +
                             job.source_system + "\" to \"" + job.target_system + "\"");
    // Longitude/easting first on both sides, whatever axis order the
    // systems' definitions give.
    Object transformation(proj_normalize_for_visualization(ctx, operation.get()));
    if (!transformation)
        return marovin::fail(where(file_name, job.source_line) + "cannot set up the transformation from \"" +
                             job.source_system + "\"");

    ConversionReport report;
    report.source_name = name_of(source->get());
    report.target_name = name_of(target->get());
    report.operation_name = name_of(operation.get());
    report.accuracy_m = proj_coordoperation_get_accuracy(ctx, operation.get());
    // A projection alone (WGS 84 / UTM to WGS 84) is exact; PROJ states no
    // accuracy for it.
    if (report.accuracy_m < 0 && proj_get_type(operation.get()) == PJ_TYPE_CONVERSION) report.accuracy_m = 0;

    const std::size_t count = job.x.size();
    if (count == 0) return report;
    proj_errno_reset(transformation.get());
    proj_trans_generic(transformation.get(), PJ_FWD, job.x.data(), sizeof(double), count, job.y.data(),
                       sizeof(double), count, nullptr, 0, 0, nullptr, 0, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (std::isfinite(job.x[i]) && std::isfinite(job.y[i]) && std::abs(job.y[i]) <= 90) continue;
        std::string reason;
        if (int error = proj_errno(transformation.get()); error != 0)
            if (const char* text = proj_context_errno_string(ctx, error)) reason = std::string(" (") + text + ")";
        return marovin::fail(where(file_name, job.first_data_line + static_cast<int>(i)) +
                             "the point cannot be transformed from \"" + job.source_system + "\"" + reason);
    }
    return report;
}

} // namespace convers
