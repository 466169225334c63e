#include "kml/survey_shape.h"

#include <geos_c.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <unordered_map>

namespace marovin {

namespace {

// Where the points lie on the ground, in metres.
class Ground {
public:
    explicit Ground(const PointTable& table)
        : x_(table.ground().x), y_(table.ground().y), longitude_(table.longitude()), latitude_(table.latitude())
    {
        if (!x_.empty() || longitude_.empty())
            return;
        // Angles: a plane laid at the survey's centre, metres along the
        // meridian and the parallel there.
        const auto [south, north] = std::minmax_element(latitude_.begin(), latitude_.end());
        const auto [west, east] = std::minmax_element(longitude_.begin(), longitude_.end());
        centre_longitude_ = (*west + *east) / 2;
        centre_latitude_ = (*south + *north) / 2;
        constexpr double kMetresPerDegree = 6371008.8 * std::numbers::pi / 180;
        north_scale_ = kMetresPerDegree;
        east_scale_ = kMetresPerDegree * std::cos(centre_latitude_ * std::numbers::pi / 180);
    }

    double x(std::size_t i) const { return x_.empty() ? (longitude_[i] - centre_longitude_) * east_scale_ : x_[i]; }
    double y(std::size_t i) const { return y_.empty() ? (latitude_[i] - centre_latitude_) * north_scale_ : y_[i]; }
    double step(std::size_t i) const { return std::hypot(x(i) - x(i - 1), y(i) - y(i - 1)); }

private:
    const std::vector<double>& x_;
    const std::vector<double>& y_;
    const std::vector<double>& longitude_;
    const std::vector<double>& latitude_;
    double centre_longitude_ = 0, centre_latitude_ = 0, east_scale_ = 0, north_scale_ = 0;
};

// A GEOS context, and its geometries owned.
class Geos {
public:
    Geos() : handle_(GEOS_init_r())
    {
        if (handle_)
            GEOSContext_setErrorMessageHandler_r(
                handle_, [](const char* message, void* self) { static_cast<Geos*>(self)->error_ = message; }, this);
    }
    ~Geos()
    {
        if (handle_)
            GEOS_finish_r(handle_);
    }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    GEOSContextHandle_t handle() const { return handle_; }
    const std::string& error() const { return error_; }

    struct Deleter {
        GEOSContextHandle_t handle;
        void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(handle, g); }
    };
    using Geometry = std::unique_ptr<GEOSGeometry, Deleter>;
    Geometry own(GEOSGeometry* g) const { return Geometry(g, Deleter{handle_}); }

    // The coordinates of a point, line or ring, x and y in turn.
    std::vector<double> coordinates(const GEOSGeometry* g) const
    {
        const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(handle_, g);
        unsigned int size = 0;
        if (!sequence || !GEOSCoordSeq_getSize_r(handle_, sequence, &size))
            return {};
        std::vector<double> xy(2 * std::size_t{size});
        if (!GEOSCoordSeq_copyToBuffer_r(handle_, sequence, xy.data(), 0, 0))
            return {};
        return xy;
    }

private:
    GEOSContextHandle_t handle_;
    std::string error_;
};

double median_step(const Ground& ground, std::size_t n)
{
    std::vector<float> steps;
    steps.reserve(n > 0 ? n - 1 : 0);
    for (std::size_t i = 1; i < n; ++i)
        if (const double step = ground.step(i); step > 0)
            steps.push_back(static_cast<float>(step));
    if (steps.empty())
        return 0;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

// The runs of points that make the lines, as [first, last] pairs.
std::vector<SurveyLine> line_runs(const PointTable& table, const Ground& ground, double median)
{
    const std::size_t n = table.longitude().size();
    std::vector<SurveyLine> runs;
    const std::vector<NamedLine>& named = table.ground().lines;
    if (!named.empty()) {
        for (std::size_t k = 0; k < named.size(); ++k) {
            const std::size_t last = k + 1 < named.size() ? named[k + 1].first - 1 : n - 1;
            if (last > named[k].first)
                runs.push_back({named[k].name, named[k].first, last, {}});
        }
        return runs;
    }
    const double limit = kLineBreakSteps * median;
    std::size_t first = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        if (i < n && !(median > 0 && ground.step(i) >= limit))
            continue;
        if (i - 1 > first)
            runs.push_back({"Line " + std::to_string(runs.size() + 1), first, i - 1, {}});
        first = i;
    }
    return runs;
}

// The points of the line that GEOS's Douglas-Peucker keeps.
Status simplify(const Geos& geos, const Ground& ground, SurveyLine& line)
{
    const std::size_t count = line.last - line.first + 1;
    std::vector<double> xy(2 * count);
    for (std::size_t k = 0; k < count; ++k) {
        xy[2 * k] = ground.x(line.first + k);
        xy[2 * k + 1] = ground.y(line.first + k);
    }
    const GEOSContextHandle_t h = geos.handle();
    GEOSCoordSequence* sequence = GEOSCoordSeq_copyFromBuffer_r(h, xy.data(), static_cast<unsigned>(count), 0, 0);
    Geos::Geometry path = geos.own(sequence ? GEOSGeom_createLineString_r(h, sequence) : nullptr);
    Geos::Geometry simple = geos.own(path ? GEOSSimplify_r(h, path.get(), kLineTolerance) : nullptr);
    if (!simple)
        return fail("the line " + line.name + " could not be simplified: " + geos.error());
    const std::vector<double> kept = geos.coordinates(simple.get());

    // The kept coordinates are copies of the line's, in its order.
    line.kept.push_back(line.first);
    std::size_t k = 1;
    for (std::size_t at = 2; at + 2 < kept.size(); at += 2) {
        while (k + 1 < count && (xy[2 * k] != kept[at] || xy[2 * k + 1] != kept[at + 1]))
            ++k;
        if (k + 1 >= count)
            break;
        line.kept.push_back(line.first + k++);
    }
    line.kept.push_back(line.last);
    return ok();
}

// The points a hull needs, far fewer than the survey's: the extreme points
// (along X, Y and both diagonals) of each cell of a grid that lies on the edge of
// the occupied cells (a cell with an empty neighbour). Cells are a quarter
// of the outline's scale, or larger until there are at most kMaxEdgeCells
// (a hull finer than four cells would dig in between the candidates).
struct HullCandidates {
    std::vector<std::size_t> points;
    double cell = 0; // the grid's cell, in metres
};

HullCandidates hull_candidates(const Ground& ground, std::size_t n, double scale)
{
    constexpr std::size_t kMaxCells = std::size_t{1} << 22;
    constexpr std::size_t kMaxEdgeCells = 2500;
    double west = std::numeric_limits<double>::infinity(), east = -west, south = west, north = -west;
    for (std::size_t i = 0; i < n; ++i) {
        west = std::min(west, ground.x(i));
        east = std::max(east, ground.x(i));
        south = std::min(south, ground.y(i));
        north = std::max(north, ground.y(i));
    }
    double cell = scale / 4;
    if (!(cell > 0))
        cell = std::max(east - west, north - south) / 1024;
    if (!(cell > 0))
        return {};

    for (;; cell *= 2) {
        if ((east - west) / cell * ((north - south) / cell) > double(kMaxCells) ||
            std::max(east - west, north - south) / cell > double(kMaxCells))
            continue;
        const auto columns = static_cast<std::size_t>((east - west) / cell) + 1;
        const auto rows = static_cast<std::size_t>((north - south) / cell) + 1;
        if (columns * rows > kMaxCells)
            continue;
        const auto cell_of = [&](std::size_t i) {
            const auto c = std::min(columns - 1, static_cast<std::size_t>((ground.x(i) - west) / cell));
            const auto r = std::min(rows - 1, static_cast<std::size_t>((ground.y(i) - south) / cell));
            return r * columns + c;
        };
        std::vector<bool> occupied(columns * rows);
        for (std::size_t i = 0; i < n; ++i)
            occupied[cell_of(i)] = true;
        const auto is_edge = [&](std::size_t id) {
            const std::size_t r = id / columns, c = id % columns;
            if (r == 0 || c == 0 || r + 1 == rows || c + 1 == columns)
                return true;
            for (std::size_t dr = r - 1; dr <= r + 1; ++dr)
                for (std::size_t dc = c - 1; dc <= c + 1; ++dc)
                    if (!occupied[dr * columns + dc])
                        return true;
            return false;
        };
        std::unordered_map<std::size_t, std::array<std::size_t, 8>> edges;
        bool too_many = false;
        for (std::size_t id = 0; id < occupied.size() && !too_many; ++id) {
            if (occupied[id] && is_edge(id)) {
                edges.emplace(id, std::array<std::size_t, 8>{n, n, n, n, n, n, n, n});
                too_many = edges.size() > kMaxEdgeCells;
            }
        }
        if (too_many)
            continue;
        for (std::size_t i = 0; i < n; ++i) {
            const auto found = edges.find(cell_of(i));
            if (found == edges.end())
                continue;
            std::array<std::size_t, 8>& extreme = found->second;
            if (extreme[0] == n) {
                extreme.fill(i);
                continue;
            }
            // Lowest and highest along x, y and both diagonals.
            const auto along = [&](std::size_t j, int direction) {
                const double x = ground.x(j), y = ground.y(j);
                return direction == 0 ? x : direction == 1 ? y : direction == 2 ? x + y : x - y;
            };
            for (int direction = 0; direction < 4; ++direction) {
                const double here = along(i, direction);
                if (here < along(extreme[2 * direction], direction))
                    extreme[2 * direction] = i;
                if (here > along(extreme[2 * direction + 1], direction))
                    extreme[2 * direction + 1] = i;
            }
        }
        std::vector<std::size_t> candidates;
        for (const auto& [id, extreme] : edges)
            candidates.insert(candidates.end(), extreme.begin(), extreme.end());
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        return {std::move(candidates), cell};
    }
}

// GEOS 3.11's concave hull takes its longest border edge as a fraction of
// the range of the Delaunay triangulation's edge lengths; the fraction that
// gives `length`.
double length_ratio(const Geos& geos, const GEOSGeometry* points, double length)
{
    const GEOSContextHandle_t h = geos.handle();
    Geos::Geometry edges = geos.own(GEOSDelaunayTriangulation_r(h, points, 0, 1));
    if (!edges)
        return 1;
    double shortest = std::numeric_limits<double>::infinity(), longest = 0;
    const int count = GEOSGetNumGeometries_r(h, edges.get());
    for (int k = 0; k < count; ++k) {
        const std::vector<double> xy = geos.coordinates(GEOSGetGeometryN_r(h, edges.get(), k));
        if (xy.size() < 4)
            continue;
        const double edge = std::hypot(xy[2] - xy[0], xy[3] - xy[1]);
        shortest = std::min(shortest, edge);
        longest = std::max(longest, edge);
    }
    if (!(longest > shortest))
        return 1;
    return std::clamp((length - shortest) / (longest - shortest), 0.0, 1.0);
}

// A polygon of at least `least` square metres: points on one straight line
// give slivers of rounding.
bool is_polygon(const Geos& geos, const GEOSGeometry* g, double least)
{
    double area = 0;
    return g && GEOSGeomTypeId_r(geos.handle(), g) == GEOS_POLYGON && GEOSArea_r(geos.handle(), g, &area) &&
           area > least;
}

std::vector<std::size_t> outline(const Geos& geos, const Ground& ground, std::size_t n, double median)
{
    const HullCandidates found = hull_candidates(ground, n, kOutlineSteps * median);
    const std::vector<std::size_t>& candidates = found.points;
    const double scale = std::max(kOutlineSteps * median, 4 * found.cell);
    if (candidates.size() < 3)
        return {};
    const GEOSContextHandle_t h = geos.handle();
    std::vector<GEOSGeometry*> points;
    points.reserve(candidates.size());
    // The hull's corners are candidates' coordinates: found again by them.
    const auto key = [](double x, double y) {
        return std::bit_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15u ^ std::bit_cast<std::uint64_t>(y);
    };
    std::unordered_multimap<std::uint64_t, std::size_t> by_place;
    for (const std::size_t i : candidates) {
        points.push_back(GEOSGeom_createPointFromXY_r(h, ground.x(i), ground.y(i)));
        by_place.emplace(key(ground.x(i), ground.y(i)), i);
    }
    Geos::Geometry cloud =
        geos.own(GEOSGeom_createCollection_r(h, GEOS_MULTIPOINT, points.data(), static_cast<unsigned>(points.size())));
    if (!cloud)
        return {};
    Geos::Geometry hull;
    if (median > 0)
        hull = geos.own(GEOSConcaveHull_r(h, cloud.get(), length_ratio(geos, cloud.get(), scale), 0));
    if (!is_polygon(geos, hull.get(), median * median))
        hull = geos.own(GEOSConvexHull_r(h, cloud.get()));
    if (!is_polygon(geos, hull.get(), median * median))
        return {};
    // The ring starts at its lowest point, a corner: the simplification
    // keeps a ring's start.
    GEOSNormalize_r(h, hull.get());
    if (Geos::Geometry simple = geos.own(GEOSTopologyPreserveSimplify_r(h, hull.get(), kLineTolerance));
        is_polygon(geos, simple.get(), median * median))
        hull = std::move(simple);

    const std::vector<double> ring = geos.coordinates(GEOSGetExteriorRing_r(h, hull.get()));
    std::vector<std::size_t> corners;
    for (std::size_t at = 0; at + 1 < ring.size(); at += 2) {
        const auto [begin, end] = by_place.equal_range(key(ring[at], ring[at + 1]));
        const auto same = std::find_if(begin, end, [&](const auto& entry) {
            return ground.x(entry.second) == ring[at] && ground.y(entry.second) == ring[at + 1];
        });
        if (same == end)
            return {};
        corners.push_back(same->second);
    }
    return corners.size() >= 4 ? corners : std::vector<std::size_t>();
}

} // namespace

Result<SurveyShape> survey_shape(const PointTable& table)
{
    const Geos geos;
    if (!geos.handle())
        return fail("GEOS could not be started");
    const std::size_t n = table.longitude().size();
    const Ground ground(table);
    SurveyShape shape;
    shape.median_step = median_step(ground, n);
    shape.lines = line_runs(table, ground, shape.median_step);
    for (SurveyLine& line : shape.lines)
        if (Status simplified = simplify(geos, ground, line); !simplified)
            return fail(simplified.error());
    shape.outline = outline(geos, ground, n, shape.median_step);
    return shape;
}

} // namespace marovin
