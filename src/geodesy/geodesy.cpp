#include "geodesy/geodesy.h"

#include "base/known_systems.h"
#include "base/message_text.h"
#include "base/plain_text.h"

#include <proj.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

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
struct FactoryDeleter {
    void operator()(PJ_OPERATION_FACTORY_CONTEXT* f) const { proj_operation_factory_context_destroy(f); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using Object = std::unique_ptr<PJ, ObjectDeleter>;

std::string name_of(PJ* object)
{
    const char* name = proj_get_name(object);
    return name ? name : "";
}

// True unless the text is a code ("EPSG:2154", "urn:ogc:def:crs:..."), a
// PROJ string ("+proj=..."), WKT ("PROJCRS[...") or PROJJSON.
bool looks_like_plain_name(std::string_view text)
{
    if (text.find(':') != std::string_view::npos || text.find('[') != std::string_view::npos)
        return false;
    if (text.find("proj=") != std::string_view::npos)
        return false;
    return text.empty() || text.front() != '{';
}

// A number as a person reads it: whole digits where they fit
// ("60000000"), exponent notation only for the very large and very small.
std::string plain(double value)
{
    char buffer[64];
    const double size = std::abs(value);
    const auto format =
        (size == 0 || (size >= 1e-4 && size < 1e15)) ? std::chars_format::fixed : std::chars_format::scientific;
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return error == std::errc() ? std::string(buffer, end) : std::string("?");
}

bool is_geographic(PJ_TYPE type) { return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS; }

// The type of a system, looking through a BoundCRS (a PROJ string with
// +towgs84) to the system it carries.
PJ_TYPE horizontal_type(PJ_CONTEXT* ctx, PJ* crs)
{
    PJ_TYPE type = proj_get_type(crs);
    if (type == PJ_TYPE_BOUND_CRS) {
        Object base(proj_get_source_crs(ctx, crs));
        type = base ? proj_get_type(base.get()) : PJ_TYPE_UNKNOWN;
    }
    return type;
}

// A system PROJ can read and whose two first axes are a horizontal position.
Result<Object> create_system(PJ_CONTEXT* ctx, std::string_view name, const std::string& place)
{
    std::string definition = system_definition(name);
    Object crs(proj_create(ctx, definition.c_str()));
    // PROJ matches a bare name loosely ("foo" finds "Amersfoort"); a name
    // must be the system's own, codes and definitions are taken as they are.
    if (!crs || !proj_is_crs(crs.get()) ||
        (looks_like_plain_name(definition) && !equal_ignoring_case(definition, name_of(crs.get()))))
        return fail(place + "unknown coordinate system " + quoted(name));
    PJ_TYPE type = horizontal_type(ctx, crs.get());
    if (!is_geographic(type) && type != PJ_TYPE_PROJECTED_CRS)
        return fail(place + quoted(name) + " is neither a geographic nor a projected coordinate system");
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
bool geographic_bounds(PJ_CONTEXT* ctx, PJ* source, PJ* target, std::span<const double> x, std::span<const double> y,
                       Bounds& bounds)
{
    if (x.empty())
        return false;
    auto [xmin, xmax] = std::minmax_element(x.begin(), x.end());
    auto [ymin, ymax] = std::minmax_element(y.begin(), y.end());
    Object to_target(proj_create_crs_to_crs_from_pj(ctx, source, target, nullptr, nullptr));
    if (!to_target)
        return false;
    Object normalized(proj_normalize_for_visualization(ctx, to_target.get()));
    if (!normalized)
        return false;
    const int densify_points = 21;
    if (!proj_trans_bounds(ctx, normalized.get(), PJ_FWD, *xmin, *ymin, *xmax, *ymax, &bounds.west, &bounds.south,
                           &bounds.east, &bounds.north, densify_points))
        return false;
    // PROJ's search for operations takes a box of no width, or one across
    // the antimeridian, as two boxes either side of it; when an edge lies on
    // or beyond ±180 (points on the antimeridian, a longitude of 192) that
    // split gives the same box again and the search recurses until the stack
    // runs out, and so does a NaN. Such edges are moved onto the same
    // meridians within ±180, where the split ends; other boxes go as they are.
    if (std::isnan(bounds.west) || std::isnan(bounds.east) || std::isnan(bounds.south) || std::isnan(bounds.north))
        return false;
    if (!(bounds.west < bounds.east) && (std::abs(bounds.west) >= 180 || std::abs(bounds.east) >= 180)) {
        if (std::isinf(bounds.west) || std::isinf(bounds.east))
            return false;
        bounds.west = std::fmod(bounds.west + 180, 360.0); // [-180, 180)
        if (bounds.west < 0)
            bounds.west += 360;
        bounds.west -= 180;
        bounds.east = std::fmod(bounds.east - 180, 360.0); // (-180, 180]
        if (bounds.east > 0)
            bounds.east -= 360;
        bounds.east += 180;
    }
    return true;
}

// PROJ's best ranked operation from source to target for the area of the
// points, among those whose grids are installed: the same ranking as
// proj_create_crs_to_crs, but one operation for the whole job, so that the
// result file can name it.
Object best_operation(PJ_CONTEXT* ctx, PJ* source, PJ* target, const Bounds* area)
{
    std::unique_ptr<PJ_OPERATION_FACTORY_CONTEXT, FactoryDeleter> factory(
        proj_create_operation_factory_context(ctx, nullptr));
    if (!factory)
        return nullptr;
    proj_operation_factory_context_set_spatial_criterion(ctx, factory.get(),
                                                         PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
    proj_operation_factory_context_set_grid_availability_use(ctx, factory.get(),
                                                             PROJ_GRID_AVAILABILITY_DISCARD_OPERATION_IF_MISSING_GRID);
    if (area)
        proj_operation_factory_context_set_area_of_interest(ctx, factory.get(), area->west, area->south, area->east,
                                                            area->north);
    std::unique_ptr<PJ_OBJ_LIST, ListDeleter> operations(proj_create_operations(ctx, source, target, factory.get()));
    if (!operations)
        return nullptr;
    const int count = proj_list_get_count(operations.get());
    for (int i = 0; i < count; ++i) {
        Object operation(proj_list_get(ctx, operations.get(), i));
        if (operation && proj_coordoperation_is_instantiable(ctx, operation.get()))
            return operation;
    }
    return nullptr;
}

// Points go through PROJ in slices of this many, which keeps the
// round-trip check's buffers small and in cache.
constexpr std::size_t kSlice = 4096;

// How far outside its area of use a system still takes a point: systems are
// used a little beyond their official area (a survey crossing a zone edge);
// a point tens of degrees away comes from a typing slip or a wrong system.
constexpr double kAreaMarginDegrees = 5;

// A projected point that the projection's inverse and forward do not bring
// back this close (in metres) is no position of the system: the projection
// has wrapped it onto another place.
constexpr double kRoundTripMetres = 1e-3;

// The first point a pass over the job refused, and why.
struct Failure {
    std::size_t index = 0;
    int kind = 0;                       // which of the pass's tests it failed
    int proj_error = 0;                 // PROJ's error number, when PROJ gave one
    double x = 0, y = 0;                // the point as it was given
    double longitude = 0, latitude = 0; // its inverse projection, for the domain check
};

// The failure of a pass that was asked to stop.
constexpr int kStopped = -2;

// Walks points [begin, end) of xs, ys a slice at a time: f(first, count, x,
// y, given_x, given_y) gets the slice in place at x, y, and its values as
// given copied aside (the pass may change them in place). Stops at the
// first failure f finds, and before a slice once `progress` is cancelled.
template <class Pass>
std::optional<Failure> by_slices(std::span<double> xs, std::span<double> ys, std::size_t begin, std::size_t end,
                                 const Progress* progress, Pass&& f)
{
    std::array<double, kSlice> given_x, given_y;
    for (std::size_t first = begin; first < end; first += kSlice) {
        if (progress && progress->cancelled())
            return Failure{first, kStopped};
        const std::size_t count = std::min(kSlice, end - first);
        double* x = xs.data() + first;
        double* y = ys.data() + first;
        std::copy_n(x, count, given_x.data());
        std::copy_n(y, count, given_y.data());
        if (std::optional<Failure> failure = f(first, count, x, y, given_x.data(), given_y.data()))
            return failure;
    }
    return std::nullopt;
}

// Below this many points a job is not worth a second thread.
constexpr std::size_t kPointsPerThread = std::size_t{1} << 16;

// Runs `pass(pj, begin, end)` over the points [0, n): for a large job in
// equal parts on the machine's cores, each further part on its own thread
// with its own PROJ context and its own copy of `pj` (PROJ objects are not
// shared between threads). A pass stops at its first failure and returns
// it; the failure of the lowest point is returned, so that a message names
// the same point whatever the number of threads. When a copy cannot be
// made, one thread does it all.
template <class Pass>
std::optional<Failure> across_cores(PJ* pj, std::size_t n, const Pass& pass)
{
    const std::size_t parts =
        std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), n / kPointsPerThread, 8});
    struct Helper {
        Context context;
        Object pj;
        std::optional<Failure> failure;
    };
    std::vector<Helper> helpers;
    for (std::size_t k = 1; k < parts; ++k) {
        Context context(proj_context_create());
        if (!context)
            break;
        proj_log_level(context.get(), PJ_LOG_NONE);
        Object copy(proj_clone(context.get(), pj));
        if (!copy)
            break;
        helpers.push_back({std::move(context), std::move(copy), std::nullopt});
    }
    if (helpers.size() + 1 < parts || parts < 2)
        return pass(pj, std::size_t{0}, n);

    const auto bound = [&](std::size_t k) { return n / parts * k; };
    std::vector<std::thread> threads;
    for (std::size_t k = 1; k < parts; ++k) {
        Helper& helper = helpers[k - 1];
        const std::size_t end = k + 1 == parts ? n : bound(k + 1);
        threads.emplace_back(
            [&helper, &pass, begin = bound(k), end] { helper.failure = pass(helper.pj.get(), begin, end); });
    }
    std::optional<Failure> first = pass(pj, std::size_t{0}, bound(1));
    for (std::thread& thread : threads)
        thread.join();
    for (const Helper& helper : helpers)
        if (!first && helper.failure)
            first = helper.failure;
    return first;
}

// Degrees to a hundredth, enough to tell where a stray point went.
std::string degrees(double value)
{
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return error == std::errc() ? std::string(buffer, end) : plain(value);
}

std::string point_text(double x, double y, bool geographic)
{
    return geographic ? "longitude " + plain(x) + ", latitude " + plain(y) : "X " + plain(x) + ", Y " + plain(y);
}

// The system itself, or the one a BoundCRS carries.
Object horizontal_system(PJ_CONTEXT* ctx, PJ* crs)
{
    if (proj_get_type(crs) == PJ_TYPE_BOUND_CRS)
        return Object(proj_get_source_crs(ctx, crs));
    return Object(proj_clone(ctx, crs));
}

struct Area {
    double west, south, east, north; // degrees; west > east across the antimeridian
};

bool area_of_use(PJ_CONTEXT* ctx, PJ* crs, PJ* horizontal, Area& area)
{
    for (PJ* object : {crs, horizontal}) {
        if (object && proj_get_area_of_use(ctx, object, &area.west, &area.south, &area.east, &area.north, nullptr) &&
            area.west > -1000 && area.south > -1000)
            return true;
    }
    return false;
}

bool within(const Area& area, double longitude, double latitude)
{
    const double m = kAreaMarginDegrees;
    if (latitude < area.south - m || latitude > area.north + m)
        return false;
    double span = area.east - area.west;
    if (span < 0)
        span += 360;
    span += 2 * m;
    if (span >= 360)
        return true;
    // Degrees east of the widened west edge, in [0, 360); fmod() would leave
    // a value already there as it is, and costs as much as the rest.
    double east_of_west = longitude - (area.west - m);
    if (!(east_of_west >= 0 && east_of_west < 360)) {
        east_of_west = std::fmod(east_of_west, 360.0);
        if (east_of_west < 0)
            east_of_west += 360;
    }
    return east_of_west <= span;
}

std::string area_text(const Area& area)
{
    return "longitude " + plain(area.west) + " to " + plain(area.east) + ", latitude " + plain(area.south) + " to " +
           plain(area.north);
}

// How a geographic system's own longitudes and latitudes become degrees
// east of Greenwich: longitude * to_degrees + meridian (grads and a Paris
// meridian occur in national systems).
struct Angles {
    double to_degrees = 1;
    double meridian = 0;
};

Angles angles_of(PJ_CONTEXT* ctx, PJ* geographic)
{
    constexpr double degree = std::numbers::pi / 180;
    Angles angles;
    Object cs(proj_crs_get_coordinate_system(ctx, geographic));
    double factor = 0;
    if (cs && proj_cs_get_axis_info(ctx, cs.get(), 0, nullptr, nullptr, nullptr, &factor, nullptr, nullptr, nullptr) &&
        factor > 0 && std::abs(factor / degree - 1) > 1e-12)
        angles.to_degrees = factor / degree;
    Object meridian(proj_get_prime_meridian(ctx, geographic));
    double longitude = 0, meridian_factor = 0;
    if (meridian && proj_prime_meridian_get_parameters(ctx, meridian.get(), &longitude, &meridian_factor, nullptr) &&
        meridian_factor > 0)
        angles.meridian = longitude * meridian_factor / degree;
    return angles;
}

// The metres in one unit of a projected system's first axis.
double metres_per_unit(PJ_CONTEXT* ctx, PJ* projected)
{
    Object cs(proj_crs_get_coordinate_system(ctx, projected));
    double factor = 0;
    if (cs && proj_cs_get_axis_info(ctx, cs.get(), 0, nullptr, nullptr, nullptr, &factor, nullptr, nullptr, nullptr) &&
        factor > 0)
        return factor;
    return 1;
}

// A box in a projected system's own coordinates, easting first.
struct Box {
    double xmin, ymin, xmax, ymax;
    // False for NaN.
    bool holds(double x, double y) const { return x >= xmin && x <= xmax && y >= ymin && y <= ymax; }
};

// What the domain check of a source system needs: its area of use and, for
// a projected system, its inverse projection (to the system's own
// geographic system, longitude first). That inverse is the whole
// conversion when the target is the projection's own geographic system
// (WGS 84 / UTM to WGS 84): the check's first step then converts the points.
struct DomainCheck {
    bool geographic = false;
    bool have_area = false;
    Area area{};
    Angles angles;
    Object projection; // null for a geographic system, or when PROJ has none
    double metres = 1; // metres in one unit of the projected axes
    // Where the inverse projection alone decides (see sure_box()).
    std::optional<Box> sure;
};

// The round trip a projected point needs only where the projection can wrap
// it. Such places lie beyond the system's area of use: where a cylinder or
// cone closes on itself (northings a whole meridian away, a Lambert cone's
// missing sector, longitudes past the antimeridian), or where a series of
// PROJ's loses its precision (a transverse Mercator thousands of kilometres
// off its meridian). The box, in the system's own coordinates, around the
// area of use widened by the margin is far from all of them for the systems
// people survey in. A point inside it whose inverse lies in that area takes
// the inverse alone; any other point takes the round trip, which then
// decides as it always did: wrapped, outside the area, or good.
//
// The box is only an outline of the area's image, so its corners reach
// beyond the area (the corner of a UTM zone's box at the top lies tens of
// degrees from the zone), and it is made of densified edges, not the
// curves themselves. So before it is trusted it is tried: a grid of points
// over it, edges and corners included, must all come back from the round
// trip a hundred times closer than the refusal's millimetre. A place where
// the projection wraps reaches beyond any box (a half-plane past a pole's
// northing, a cone's missing sector) and has a straight border, so where it
// enters the box it takes in one of the box's corners; a series losing
// precision does so gradually, outwards, so the edges show it first. Where
// the trial fails, and where PROJ gives no area or no box, every point takes
// the round trip: Web Mercator fails it (with the margin its area reaches
// the poles, where northings grow without end and all come back as the
// pole's), and so does Europe's equal-area system, whose own round trip
// drifts past the millimetre far out in its area.
constexpr int kGridSide = 33;
constexpr double kSureMetres = kRoundTripMetres / 100;

std::optional<Box> sure_box(PJ_CONTEXT* ctx, const DomainCheck& check)
{
    if (check.geographic || !check.have_area || !check.projection)
        return std::nullopt;
    const Area& area = check.area;
    const Angles& angles = check.angles;
    const double m = kAreaMarginDegrees;
    // The widened area, in degrees east of the system's own prime meridian.
    double west = -180, east = 180;
    double span = area.east - area.west;
    if (span < 0)
        span += 360;
    if (span + 2 * m < 360) {
        const auto wrapped = [](double longitude) {
            return longitude < -180 ? longitude + 360 : longitude > 180 ? longitude - 360 : longitude;
        };
        west = wrapped(area.west - m - angles.meridian);
        east = wrapped(area.east + m - angles.meridian);
        // PROJ takes a box across the antimeridian (west > east) in degrees only.
        if (west > east && angles.to_degrees != 1)
            return std::nullopt;
    }
    const double south = std::max(-90.0, area.south - m), north = std::min(90.0, area.north + m);
    const double unit = angles.to_degrees;
    Box box{};
    const int densify_points = 21;
    if (!proj_trans_bounds(ctx, check.projection.get(), PJ_INV, west / unit, south / unit, east / unit, north / unit,
                           &box.xmin, &box.ymin, &box.xmax, &box.ymax, densify_points) ||
        !std::isfinite(box.xmin) || !std::isfinite(box.ymin) || !std::isfinite(box.xmax) || !std::isfinite(box.ymax) ||
        !(box.xmin < box.xmax) || !(box.ymin < box.ymax))
        return std::nullopt;

    std::vector<double> x, y;
    const auto at = [](double low, double high, int i) {
        return i == kGridSide - 1 ? high : low + (high - low) * i / (kGridSide - 1);
    };
    for (int i = 0; i < kGridSide; ++i)
        for (int j = 0; j < kGridSide; ++j) {
            x.push_back(at(box.xmin, box.xmax, i));
            y.push_back(at(box.ymin, box.ymax, j));
        }
    std::vector<double> back_x = x, back_y = y;
    PJ* projection = check.projection.get();
    proj_trans_generic(projection, PJ_FWD, back_x.data(), sizeof(double), back_x.size(), back_y.data(), sizeof(double),
                       back_y.size(), nullptr, 0, 0, nullptr, 0, 0);
    proj_trans_generic(projection, PJ_INV, back_x.data(), sizeof(double), back_x.size(), back_y.data(), sizeof(double),
                       back_y.size(), nullptr, 0, 0, nullptr, 0, 0);
    for (std::size_t k = 0; k < x.size(); ++k) {
        const double dx = (back_x[k] - x[k]) * check.metres, dy = (back_y[k] - y[k]) * check.metres;
        if (!(dx * dx + dy * dy <= kSureMetres * kSureMetres)) // also NaN and infinity
            return std::nullopt;
    }
    return box;
}

DomainCheck prepare_domain_check(PJ_CONTEXT* ctx, PJ* source, RoundTrip round_trip)
{
    DomainCheck check;
    Object horizontal = horizontal_system(ctx, source);
    if (!horizontal)
        return check;
    check.have_area = area_of_use(ctx, source, horizontal.get(), check.area);
    check.geographic = is_geographic(proj_get_type(horizontal.get()));
    if (check.geographic) {
        check.angles = angles_of(ctx, horizontal.get());
        return check;
    }
    Object geodetic(proj_crs_get_geodetic_crs(ctx, horizontal.get()));
    if (!geodetic)
        return check;
    Object to_geodetic(proj_create_crs_to_crs_from_pj(ctx, horizontal.get(), geodetic.get(), nullptr, nullptr));
    if (!to_geodetic)
        return check;
    check.projection.reset(proj_normalize_for_visualization(ctx, to_geodetic.get()));
    check.angles = angles_of(ctx, geodetic.get());
    check.metres = metres_per_unit(ctx, horizontal.get());
    if (round_trip == RoundTrip::where_needed)
        check.sure = sure_box(ctx, check);
    return check;
}

enum { kWrapped, kOutside };

// Refuses the first point that is no position of the source system:
// degrees beyond the pole, a projected point its projection wraps (inverse
// then forward does not give it back within a millimetre), or a point
// outside the system's area of use by more than the margin. With
// `keep_inverse` the points are left as their inverse projection (the
// conversion, when it is that very pipeline), else they are left as they
// were.
Status check_domain(const DomainCheck& check, std::span<double> xs, std::span<double> ys, std::string_view system,
                    const ConversionPlaces& places, bool keep_inverse, const Progress* progress)
{
    const bool geographic = check.geographic;
    const Area& area = check.area;
    const Angles& angles = check.angles;
    const auto outside = [&](std::size_t i, double x, double y, double longitude, double latitude) {
        std::string text = "the point " + point_text(x, y, geographic) + " lies ";
        if (!geographic)
            text += "at longitude " + degrees(longitude) + ", latitude " + degrees(latitude) + ", ";
        return fail(places.point(i) + text + "outside the area of " + quoted(system) + " (" + area_text(area) +
                    ", give or take " + plain(kAreaMarginDegrees) + " degrees)");
    };

    if (geographic) {
        for (std::size_t i = 0; i < xs.size(); ++i) {
            const double longitude = xs[i] * angles.to_degrees, latitude = ys[i] * angles.to_degrees;
            // PROJ passes an impossible latitude through unchanged; a job
            // holding one has its columns or its system wrong.
            if (std::abs(latitude) > 90 || std::abs(longitude) > 360)
                return fail(places.point(i) + "longitude " + plain(xs[i]) + " and latitude " + plain(ys[i]) +
                            " are not degrees of a position on the earth");
            if (check.have_area && !within(area, longitude + angles.meridian, latitude))
                return outside(i, xs[i], ys[i], longitude + angles.meridian, latitude);
        }
        return ok();
    }
    if (!check.projection)
        return ok();

    // Each point goes through the inverse projection (the conversion's
    // first step); those the box cannot vouch for then go back through the
    // forward one, a slice at a time.
    const std::optional<Box>& sure = check.sure;
    const auto pass = [&](PJ* pj, std::size_t begin, std::size_t end) {
        std::array<double, kSlice> back_x, back_y, inverse_x, inverse_y;
        std::array<std::uint32_t, kSlice> doubtful;
        return by_slices(
            xs, ys, begin, end, progress,
            [&](std::size_t first, std::size_t count, double* x, double* y, const double* given_x,
                const double* given_y) -> std::optional<Failure> {
                double* longitude = keep_inverse ? x : inverse_x.data();
                double* latitude = keep_inverse ? y : inverse_y.data();
                if (!keep_inverse) {
                    std::copy_n(x, count, longitude);
                    std::copy_n(y, count, latitude);
                }
                proj_trans_generic(pj, PJ_FWD, longitude, sizeof(double), count, latitude, sizeof(double), count,
                                   nullptr, 0, 0, nullptr, 0, 0);
                std::size_t n = 0;
                for (std::size_t k = 0; k < count; ++k) {
                    const double east = longitude[k] * angles.to_degrees + angles.meridian;
                    const double north = latitude[k] * angles.to_degrees;
                    if (sure && sure->holds(given_x[k], given_y[k]) && std::isfinite(east) && std::isfinite(north) &&
                        within(area, east, north))
                        continue;
                    doubtful[n] = static_cast<std::uint32_t>(k);
                    back_x[n] = longitude[k];
                    back_y[n] = latitude[k];
                    ++n;
                }
                if (n == 0)
                    return std::nullopt;
                proj_trans_generic(pj, PJ_INV, back_x.data(), sizeof(double), n, back_y.data(), sizeof(double), n,
                                   nullptr, 0, 0, nullptr, 0, 0);
                for (std::size_t j = 0; j < n; ++j) {
                    const std::size_t k = doubtful[j];
                    const double dx = (back_x[j] - given_x[k]) * check.metres;
                    const double dy = (back_y[j] - given_y[k]) * check.metres;
                    int kind = -1;
                    if (!(dx * dx + dy * dy <= kRoundTripMetres * kRoundTripMetres)) // also NaN and infinity
                        kind = kWrapped;
                    else if (check.have_area && !within(area, longitude[k] * angles.to_degrees + angles.meridian,
                                                        latitude[k] * angles.to_degrees))
                        kind = kOutside;
                    if (kind >= 0)
                        return Failure{first + k, kind, 0, given_x[k], given_y[k], longitude[k], latitude[k]};
                }
                return std::nullopt;
            });
    };
    if (const std::optional<Failure> failure = across_cores(check.projection.get(), xs.size(), pass)) {
        const std::size_t i = failure->index;
        if (progress && progress->cancelled())
            return fail(std::string(kCancelled));
        if (failure->kind == kWrapped)
            return fail(places.point(i) + "the point " + point_text(failure->x, failure->y, false) +
                        " is no position in " + quoted(system) +
                        ": its projection does not lead back to it (a digit too many or too few?)");
        return outside(i, failure->x, failure->y, failure->longitude * angles.to_degrees + angles.meridian,
                       failure->latitude * angles.to_degrees);
    }
    return ok();
}

// Whether two transformations are the same PROJ pipeline, step for step,
// and so give the same numbers.
bool same_pipeline(PJ_CONTEXT* ctx, PJ* a, PJ* b)
{
    if (!a || !b)
        return false;
    const char* text_a = proj_as_proj_string(ctx, a, PJ_PROJ_5, nullptr);
    if (!text_a)
        return false;
    const std::string first = text_a; // the next call may reuse PROJ's buffer
    const char* text_b = proj_as_proj_string(ctx, b, PJ_PROJ_5, nullptr);
    return text_b && first == text_b;
}

} // namespace

std::string system_definition(std::string_view name)
{
    for (const KnownSystem& system : kKnownSystems)
        if (equal_ignoring_case(name, system.name))
            return std::string(system.definition);
    return std::string(name);
}

Status check_system(std::string_view name)
{
    Context context(proj_context_create());
    if (!context)
        return fail("cannot start the PROJ library");
    proj_log_level(context.get(), PJ_LOG_NONE);
    Result<Object> system = create_system(context.get(), name, std::string());
    if (!system)
        return fail(system.error());
    return ok();
}

bool is_geographic_system(std::string_view name)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!name.empty() && blank(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && blank(name.back()))
        name.remove_suffix(1);
    Context context(proj_context_create());
    if (!context)
        return false;
    proj_log_level(context.get(), PJ_LOG_NONE);
    Result<Object> system = create_system(context.get(), name, std::string());
    return system && is_geographic(horizontal_type(context.get(), system->get()));
}

Result<ConversionReport> convert_points(std::string_view source_system, std::string_view target_system,
                                        std::span<double> xs, std::span<double> ys, const ConversionPlaces& places,
                                        RoundTrip round_trip, const Progress* progress)
{
    Context context(proj_context_create());
    PJ_CONTEXT* ctx = context.get();
    if (!ctx)
        return fail(places.whole + "cannot start the PROJ library");
    // Errors are reported once, by the caller, as one line naming the place.
    proj_log_level(ctx, PJ_LOG_NONE);

    auto source = create_system(ctx, source_system, places.source);
    if (!source)
        return fail(source.error());
    auto target = create_system(ctx, target_system, places.target);
    if (!target)
        return fail(target.error());
    if (!is_geographic(proj_get_type(target->get())))
        return fail(places.target + "the target system " + quoted(target_system) +
                    " is not geographic; the result gives latitude and longitude");

    // The operation for the points' area is looked for first, but every
    // point must be a position of the source system before it counts, so
    // that a stray point is named rather than blamed on the system.
    const DomainCheck check = prepare_domain_check(ctx, source->get(), round_trip);
    Bounds area{};
    const bool have_area = geographic_bounds(ctx, source->get(), target->get(), xs, ys, area);
    Object operation = best_operation(ctx, source->get(), target->get(), have_area ? &area : nullptr);
    // Longitude/easting first on both sides, whatever axis order the
    // systems' definitions give.
    Object transformation(operation ? proj_normalize_for_visualization(ctx, operation.get()) : nullptr);
    // When the check's inverse projection is this very pipeline, the check
    // converts the points as it goes.
    const bool converted_by_check = same_pipeline(ctx, transformation.get(), check.projection.get());
    if (Status checked = check_domain(check, xs, ys, source_system, places, converted_by_check, progress); !checked)
        return fail(checked.error());
    if (!operation)
        return fail(places.source + "PROJ knows no transformation from " + quoted(source_system) + " to " +
                    quoted(target_system));
    if (!transformation)
        return fail(places.source + "cannot set up the transformation from " + quoted(source_system));

    ConversionReport report;
    report.source_name = name_of(source->get());
    report.target_name = name_of(target->get());
    report.operation_name = name_of(operation.get());
    report.accuracy_m = proj_coordoperation_get_accuracy(ctx, operation.get());
    // A projection alone (WGS 84 / UTM to WGS 84) is exact; PROJ states no
    // accuracy for it.
    if (report.accuracy_m < 0 && proj_get_type(operation.get()) == PJ_TYPE_CONVERSION)
        report.accuracy_m = 0;
    if (converted_by_check)
        return report;

    // In slices, keeping each slice's input to name a point PROJ fails on.
    const bool geographic_source = is_geographic(horizontal_type(ctx, source->get()));
    const auto pass = [&xs, &ys, progress](PJ* pj, std::size_t begin, std::size_t end) {
        return by_slices(xs, ys, begin, end, progress,
                         [pj](std::size_t first, std::size_t count, double* x, double* y, const double* input_x,
                              const double* input_y) -> std::optional<Failure> {
                             proj_errno_reset(pj);
                             proj_trans_generic(pj, PJ_FWD, x, sizeof(double), count, y, sizeof(double), count, nullptr,
                                                0, 0, nullptr, 0, 0);
                             for (std::size_t i = 0; i < count; ++i) {
                                 if (std::isfinite(x[i]) && std::isfinite(y[i]) && std::abs(y[i]) <= 90)
                                     continue;
                                 return Failure{first + i, 0, proj_errno(pj), input_x[i], input_y[i]};
                             }
                             return std::nullopt;
                         });
    };
    if (const std::optional<Failure> failure = across_cores(transformation.get(), xs.size(), pass)) {
        if (progress && progress->cancelled())
            return fail(std::string(kCancelled));
        std::string reason;
        if (failure->proj_error != 0)
            if (const char* text = proj_context_errno_string(ctx, failure->proj_error))
                reason = std::string(" (") + text + ")";
        return fail(places.point(failure->index) + "the point " +
                    point_text(failure->x, failure->y, geographic_source) + " cannot be transformed from " +
                    quoted(source_system) + reason);
    }
    return report;
}

} // namespace marovin
