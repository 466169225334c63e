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

SurveyBox survey_box(const PointTable& table)
{
    const std::vector<double>& longitude = table.longitude();
    const std::vector<double>& latitude = table.latitude();
    if (longitude.empty())
        return {};
    constexpr double kFar = std::numeric_limits<double>::infinity();
    SurveyBox box{kFar, kFar, -kFar, -kFar, false};
    double west_across = kFar, east_across = -kFar; // the longitudes east of 180 counted above it
    for (std::size_t i = 0; i < longitude.size(); ++i) {
        const double at = longitude[i], across = at < 0 ? at + 360 : at;
        box.west = std::min(box.west, at);
        box.east = std::max(box.east, at);
        west_across = std::min(west_across, across);
        east_across = std::max(east_across, across);
        box.south = std::min(box.south, latitude[i]);
        box.north = std::max(box.north, latitude[i]);
    }
    if (east_across - west_across < box.east - box.west) {
        box.west = west_across;
        box.east = east_across;
        box.across = true;
    }
    return box;
}

namespace {

// Whether a run asked to stop; asked every million points of a pass.
bool stop_asked(const Progress& progress, std::size_t i) { return (i & 0xFFFFF) == 0xFFFFF && progress.cancelled(); }

// Where the points lie on the ground, in metres.
class Ground {
public:
    explicit Ground(const PointTable& table)
        : x_(table.ground().x.empty() ? nullptr : table.ground().x.data()),
          y_(table.ground().y.empty() ? nullptr : table.ground().y.data()), longitude_(table.longitude().data()),
          latitude_(table.latitude().data())
    {
        if (x_ || table.empty())
            return;
        // Angles: a plane laid at the survey's centre, metres along the
        // meridian and the parallel there.
        box_ = survey_box(table);
        centre_longitude_ = (box_.west + box_.east) / 2;
        centre_latitude_ = (box_.south + box_.north) / 2;
        constexpr double kMetresPerDegree = 6371008.8 * std::numbers::pi / 180;
        north_scale_ = kMetresPerDegree;
        east_scale_ = kMetresPerDegree * std::cos(centre_latitude_ * std::numbers::pi / 180);
    }

    double x(std::size_t i) const
    {
        return x_ ? x_[i] : (box_.unwrapped(longitude_[i]) - centre_longitude_) * east_scale_;
    }
    double y(std::size_t i) const { return y_ ? y_[i] : (latitude_[i] - centre_latitude_) * north_scale_; }
    // The square of the step from point i - 1 to point i.
    double squared_step(std::size_t i) const
    {
        const double dx = x(i) - x(i - 1), dy = y(i) - y(i - 1);
        return dx * dx + dy * dy;
    }
    // X and Y of the table's points, when the table has them.
    const double* xs() const { return x_; }
    const double* ys() const { return y_; }

private:
    const double* x_;
    const double* y_;
    const double* longitude_;
    const double* latitude_;
    SurveyBox box_;
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

// The median of the steps between points at different places: their
// squares, which sort alike, in single precision.
double median_step(const Ground& ground, std::size_t n)
{
    std::vector<float> squares;
    squares.reserve(n > 0 ? n - 1 : 0);
    for (std::size_t i = 1; i < n; ++i)
        if (const double square = ground.squared_step(i); square > 0)
            squares.push_back(static_cast<float>(square));
    if (squares.empty())
        return 0;
    const auto middle = squares.begin() + static_cast<std::ptrdiff_t>(squares.size() / 2);
    std::nth_element(squares.begin(), middle, squares.end());
    return std::sqrt(double(*middle));
}

// The runs of points that make the lines, as [first, last] pairs.
Result<std::vector<SurveyLine>> line_runs(const PointTable& table, const Ground& ground, double median,
                                          const Progress& progress)
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
    const double limit = kLineBreakSteps * median, squared_limit = limit * limit;
    std::size_t first = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        if (stop_asked(progress, i))
            return fail(std::string(kCancelled));
        if (i < n && !(median > 0 && ground.squared_step(i) >= squared_limit))
            continue;
        if (i - 1 > first)
            runs.push_back({"Line " + std::to_string(runs.size() + 1), first, i - 1, {}});
        first = i;
    }
    return runs;
}

// The lines drawn of more than kMostLinesDrawn: those that hold points
// evenly spaced through the points of all lines, the first and the last
// among them.
std::vector<SurveyLine> lines_drawn(std::vector<SurveyLine> lines)
{
    if (lines.size() <= kMostLinesDrawn)
        return lines;
    std::uint64_t points = 0;
    for (const SurveyLine& line : lines)
        points += line.last - line.first + 1;
    std::vector<SurveyLine> drawn;
    std::size_t k = 0;
    std::uint64_t before = 0; // the points of the lines before line k
    for (std::uint64_t j = 0; j < kMostLinesDrawn; ++j) {
        const std::uint64_t point = j * (points - 1) / (kMostLinesDrawn - 1);
        while (point >= before + (lines[k].last - lines[k].first + 1)) {
            before += lines[k].last - lines[k].first + 1;
            ++k;
        }
        if (drawn.empty() || drawn.back().first != lines[k].first)
            drawn.push_back(std::move(lines[k]));
    }
    return drawn;
}

// Simplifies the lines with GEOS's Douglas-Peucker, fed the points of each
// line (in pieces of at most kPiece) straight from the table's columns.
class LineSimplifier {
public:
    LineSimplifier(const Geos& geos, const Ground& ground) : geos_(geos), ground_(ground) {}

    // The points of the line that stay within `tolerance` of all of them.
    Status simplify(SurveyLine& line, double tolerance)
    {
        line.kept.assign(1, line.first);
        for (std::size_t start = line.first; start < line.last;) {
            const std::size_t end = std::min(line.last, start + kPiece - 1);
            if (Status simplified = simplify_piece(line, start, end, tolerance); !simplified)
                return simplified;
            start = end;
        }
        return ok();
    }

private:
    static constexpr std::size_t kPiece = 65536;

    Status simplify_piece(SurveyLine& line, std::size_t start, std::size_t end, double tolerance)
    {
        const auto count = static_cast<unsigned>(end - start + 1);
        const double* x = ground_.xs() ? ground_.xs() + start : nullptr;
        const double* y = ground_.ys() ? ground_.ys() + start : nullptr;
        if (!x) {
            x_.resize(count);
            y_.resize(count);
            for (unsigned k = 0; k < count; ++k) {
                x_[k] = ground_.x(start + k);
                y_[k] = ground_.y(start + k);
            }
            x = x_.data();
            y = y_.data();
        }
        const GEOSContextHandle_t h = geos_.handle();
        GEOSCoordSequence* sequence = GEOSCoordSeq_copyFromArrays_r(h, x, y, nullptr, nullptr, count);
        Geos::Geometry path = geos_.own(sequence ? GEOSGeom_createLineString_r(h, sequence) : nullptr);
        Geos::Geometry simple = geos_.own(path ? GEOSSimplify_r(h, path.get(), tolerance) : nullptr);
        const GEOSCoordSequence* kept = simple ? GEOSGeom_getCoordSeq_r(h, simple.get()) : nullptr;
        unsigned size = 0;
        if (!kept || !GEOSCoordSeq_getSize_r(h, kept, &size))
            return fail("the line " + line.name + " could not be simplified: " + geos_.error());
        kept_x_.resize(size);
        kept_y_.resize(size);
        if (size > 0 && !GEOSCoordSeq_copyToArrays_r(h, kept, kept_x_.data(), kept_y_.data(), nullptr, nullptr))
            return fail("the line " + line.name + " could not be simplified: " + geos_.error());

        // The kept coordinates are copies of the piece's, in its order; its
        // ends are kept whatever GEOS says.
        unsigned k = 1;
        for (unsigned at = 1; at + 1 < size; ++at) {
            while (k + 1 < count && (x[k] != kept_x_[at] || y[k] != kept_y_[at]))
                ++k;
            if (k + 1 >= count)
                break;
            line.kept.push_back(start + k++);
        }
        line.kept.push_back(end);
        return ok();
    }

    const Geos& geos_;
    const Ground& ground_;
    std::vector<double> x_, y_, kept_x_, kept_y_;
};

// Simplifies the lines drawn, at a larger tolerance while they keep more
// than kMostLineVertices vertices.
Status simplify_lines(const Geos& geos, const Ground& ground, std::vector<SurveyLine>& lines, const Progress& progress)
{
    LineSimplifier simplifier(geos, ground);
    for (double tolerance = kLineTolerance;; tolerance *= 2) {
        std::size_t vertices = 0;
        for (SurveyLine& line : lines) {
            if (progress.cancelled())
                return fail(std::string(kCancelled));
            if (Status simplified = simplifier.simplify(line, tolerance); !simplified)
                return simplified;
            vertices += line.kept.size();
        }
        if (vertices <= kMostLineVertices)
            return ok();
    }
}

// The points a hull needs, far fewer than the survey's: those of the grid
// cells on the edge of the occupied cells (a cell with an empty neighbour,
// or on the grid's border), each cell giving its extreme points towards its
// empty neighbours (along X, Y or a diagonal). Cells are a quarter of the
// outline's scale, or larger until there are at most kMaxEdgeCells (a hull
// finer than four cells would dig in between the candidates).
struct HullCandidates {
    std::vector<std::size_t> points;
    double cell = 0; // the grid's cell, in metres
};

class EdgeCells {
public:
    static constexpr std::size_t kMaxCells = std::size_t{1} << 22;
    static constexpr std::size_t kMaxEdgeCells = 1000;

    EdgeCells(const Ground& ground, std::size_t n, double scale) : ground_(ground)
    {
        constexpr double kFar = std::numeric_limits<double>::infinity();
        double east = -kFar, north = -kFar;
        west_ = south_ = kFar;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = ground.x(i), y = ground.y(i);
            west_ = std::min(west_, x);
            east = std::max(east, x);
            south_ = std::min(south_, y);
            north = std::max(north, y);
        }
        cell_ = scale / 4;
        if (!(cell_ > 0))
            cell_ = std::max(east - west_, north - south_) / 1024;
        if (!(cell_ > 0) || !std::isfinite(cell_))
            return;
        while ((east - west_) / cell_ * ((north - south_) / cell_) > double(kMaxCells) ||
               std::max(east - west_, north - south_) / cell_ > double(kMaxCells))
            cell_ *= 2;
        fine_columns_ = static_cast<std::size_t>((east - west_) / cell_) + 1;
        fine_rows_ = static_cast<std::size_t>((north - south_) / cell_) + 1;
        while (fine_columns_ * fine_rows_ > kMaxCells) {
            cell_ *= 2;
            fine_columns_ = static_cast<std::size_t>((east - west_) / cell_) + 1;
            fine_rows_ = static_cast<std::size_t>((north - south_) / cell_) + 1;
        }
        scale_ = 1 / cell_;
        columns_ = fine_columns_;
        rows_ = fine_rows_;
    }

    bool usable() const { return columns_ > 0; }

    // Marks the cells that hold points, then doubles the cells until at
    // most kMaxEdgeCells lie on the edge.
    Status occupy(std::size_t n, const Progress& progress)
    {
        occupied_.assign(columns_ * rows_, false);
        for (std::size_t i = 0; i < n; ++i) {
            if (stop_asked(progress, i))
                return fail(std::string(kCancelled));
            occupied_[cell_of(i)] = true;
        }
        while (!find_edges()) {
            const std::size_t columns = (columns_ + 1) / 2, rows = (rows_ + 1) / 2;
            std::vector<bool> coarse(columns * rows);
            for (std::size_t r = 0; r < rows_; ++r)
                for (std::size_t c = 0; c < columns_; ++c)
                    if (occupied_[r * columns_ + c])
                        coarse[r / 2 * columns + c / 2] = true;
            occupied_ = std::move(coarse);
            columns_ = columns;
            rows_ = rows;
            ++shift_;
        }
        return ok();
    }

    // The extreme points of the edge cells towards their empty neighbours.
    Result<HullCandidates> candidates(std::size_t n, const Progress& progress) const
    {
        std::vector<std::array<std::size_t, 8>> extreme(edges_.size());
        for (auto& e : extreme)
            e.fill(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (stop_asked(progress, i))
                return fail(std::string(kCancelled));
            const std::size_t id = cell_of(i);
            if (!edge_[id])
                continue;
            const std::size_t slot = slot_.at(id);
            const unsigned open = edges_[slot].open;
            std::array<std::size_t, 8>& best = extreme[slot];
            const double x = ground_.x(i), y = ground_.y(i);
            for (int d = 0; d < 8; ++d) {
                if (!(open & (1u << d)))
                    continue;
                if (best[d] == n || along(d, x, y) > along(d, ground_.x(best[d]), ground_.y(best[d])))
                    best[d] = i;
            }
        }
        HullCandidates found;
        for (const auto& e : extreme)
            for (const std::size_t i : e)
                if (i != n)
                    found.points.push_back(i);
        std::sort(found.points.begin(), found.points.end());
        found.points.erase(std::unique(found.points.begin(), found.points.end()), found.points.end());
        found.cell = cell_ * double(std::size_t{1} << shift_);
        return found;
    }

private:
    // The eight neighbours: east, west, north, south, north-east,
    // south-west, north-west, south-east.
    static constexpr std::array<int, 8> kColumnStep{1, -1, 0, 0, 1, -1, -1, 1};
    static constexpr std::array<int, 8> kRowStep{0, 0, 1, -1, 1, -1, 1, -1};

    // How far a point lies towards neighbour d.
    static double along(int d, double x, double y) { return kColumnStep[d] * x + kRowStep[d] * y; }

    struct Edge {
        std::size_t id = 0;
        unsigned open = 0; // the neighbours that are empty or off the grid
    };

    std::size_t cell_of(std::size_t i) const
    {
        const auto column = std::min(fine_columns_ - 1, static_cast<std::size_t>((ground_.x(i) - west_) * scale_));
        const auto row = std::min(fine_rows_ - 1, static_cast<std::size_t>((ground_.y(i) - south_) * scale_));
        return (row >> shift_) * columns_ + (column >> shift_);
    }

    // The edge cells of the grid; false when there are too many.
    bool find_edges()
    {
        edges_.clear();
        for (std::size_t id = 0; id < occupied_.size(); ++id) {
            if (!occupied_[id])
                continue;
            const auto r = static_cast<std::ptrdiff_t>(id / columns_), c = static_cast<std::ptrdiff_t>(id % columns_);
            unsigned open = 0;
            for (int d = 0; d < 8; ++d) {
                const std::ptrdiff_t nr = r + kRowStep[d], nc = c + kColumnStep[d];
                const bool inside = nr >= 0 && nc >= 0 && nr < std::ptrdiff_t(rows_) && nc < std::ptrdiff_t(columns_);
                if (!inside || !occupied_[std::size_t(nr) * columns_ + std::size_t(nc)])
                    open |= 1u << d;
            }
            if (open == 0)
                continue;
            if (edges_.size() == kMaxEdgeCells)
                return false;
            edges_.push_back({id, open});
        }
        edge_.assign(occupied_.size(), false);
        slot_.clear();
        for (std::size_t k = 0; k < edges_.size(); ++k) {
            edge_[edges_[k].id] = true;
            slot_.emplace(edges_[k].id, k);
        }
        return true;
    }

    const Ground& ground_;
    double west_ = 0, south_ = 0, cell_ = 0, scale_ = 0;
    std::size_t fine_columns_ = 0, fine_rows_ = 0, columns_ = 0, rows_ = 0;
    int shift_ = 0; // the cells are 2^shift_ fine cells a side
    std::vector<bool> occupied_;
    std::vector<Edge> edges_;
    std::vector<bool> edge_;
    std::unordered_map<std::size_t, std::size_t> slot_;
};

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
        const GEOSCoordSequence* edge = GEOSGeom_getCoordSeq_r(h, GEOSGetGeometryN_r(h, edges.get(), k));
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (!edge || !GEOSCoordSeq_getXY_r(h, edge, 0, &x0, &y0) || !GEOSCoordSeq_getXY_r(h, edge, 1, &x1, &y1))
            continue;
        const double length_here = std::hypot(x1 - x0, y1 - y0);
        shortest = std::min(shortest, length_here);
        longest = std::max(longest, length_here);
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

int ring_size(const Geos& geos, const GEOSGeometry* polygon)
{
    return GEOSGeomGetNumPoints_r(geos.handle(), GEOSGetExteriorRing_r(geos.handle(), polygon));
}

Result<std::vector<std::size_t>> outline(const Geos& geos, const Ground& ground, std::size_t n, double median,
                                         const Progress& progress)
{
    EdgeCells cells(ground, n, kOutlineSteps * median);
    if (!cells.usable())
        return std::vector<std::size_t>();
    if (Status occupied = cells.occupy(n, progress); !occupied)
        return fail(occupied.error());
    Result<HullCandidates> found = cells.candidates(n, progress);
    if (!found)
        return fail(found.error());
    const std::vector<std::size_t>& candidates = found->points;
    const double scale = std::max(kOutlineSteps * median, 4 * found->cell);
    if (candidates.size() < 3)
        return std::vector<std::size_t>();
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
        return std::vector<std::size_t>();
    Geos::Geometry hull;
    if (median > 0)
        hull = geos.own(GEOSConcaveHull_r(h, cloud.get(), length_ratio(geos, cloud.get(), scale), 0));
    if (!is_polygon(geos, hull.get(), median * median))
        hull = geos.own(GEOSConvexHull_r(h, cloud.get()));
    if (!is_polygon(geos, hull.get(), median * median))
        return std::vector<std::size_t>();
    // The ring starts at its lowest point, a corner: the simplification
    // keeps a ring's start.
    GEOSNormalize_r(h, hull.get());
    for (double tolerance = kLineTolerance;; tolerance *= 2) {
        Geos::Geometry simple = geos.own(GEOSTopologyPreserveSimplify_r(h, hull.get(), tolerance));
        if (!is_polygon(geos, simple.get(), median * median))
            break;
        const bool fits = ring_size(geos, simple.get()) <= int(kMostOutlineVertices);
        hull = std::move(simple);
        if (fits)
            break;
    }

    const std::vector<double> ring = geos.coordinates(GEOSGetExteriorRing_r(h, hull.get()));
    std::vector<std::size_t> corners;
    for (std::size_t at = 0; at + 1 < ring.size(); at += 2) {
        const auto [begin, end] = by_place.equal_range(key(ring[at], ring[at + 1]));
        const auto same = std::find_if(begin, end, [&](const auto& entry) {
            return ground.x(entry.second) == ring[at] && ground.y(entry.second) == ring[at + 1];
        });
        if (same == end)
            return std::vector<std::size_t>();
        corners.push_back(same->second);
    }
    return corners.size() >= 4 ? corners : std::vector<std::size_t>();
}

} // namespace

Result<SurveyShape> survey_shape(const PointTable& table, const Progress& progress)
{
    const Geos geos;
    if (!geos.handle())
        return fail("GEOS could not be started");
    const std::size_t n = table.longitude().size();
    const Ground ground(table);
    SurveyShape shape;
    shape.median_step = median_step(ground, n);
    if (progress.cancelled())
        return fail(std::string(kCancelled));
    Result<std::vector<SurveyLine>> runs = line_runs(table, ground, shape.median_step, progress);
    if (!runs)
        return fail(runs.error());
    shape.lines_found = runs->size();
    shape.lines = lines_drawn(std::move(runs).value());
    if (Status simplified = simplify_lines(geos, ground, shape.lines, progress); !simplified)
        return fail(simplified.error());
    Result<std::vector<std::size_t>> ring = outline(geos, ground, n, shape.median_step, progress);
    if (!ring)
        return fail(ring.error());
    shape.outline = std::move(ring).value();
    return shape;
}

} // namespace marovin
