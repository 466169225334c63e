#include "kml/kmz_writer.h"

#include "base/number_text.h"
#include "kml/kmz_archive.h"
#include "kml/placemark_blocks.h"
#include "kml/survey_shape.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <mutex>
#include <numbers>
#include <numeric>
#include <optional>
#include <span>
#include <thread>
#include <vector>

namespace marovin {

// The icon of the points, packed in the archive (made from pushpin.png by
// the build).
extern const std::string_view kPushpinPng;

namespace {

using kml_detail::PlacemarkBlocks;
using kml_detail::TextSink;

constexpr std::string_view kIconEntry = "files/pushpin.png";
constexpr double kMetresPerDegree = 6371008.8 * std::numbers::pi / 180;

struct Box {
    double west = 0, south = 0, east = 0, north = 0;
};

struct Tile {
    Box box;
    std::string key;         // "0", "03", "031" ...
    std::uint32_t first = 0; // its points: order[first, first + own)
    std::uint32_t own = 0;
    std::vector<std::uint32_t> children; // tiles, by index
};

std::string tile_entry(const std::string& key) { return "t/" + key + ".kml"; }

// A square box (in metres on the ground) around the points, a little larger
// than they need, so that the quarters of every tile are squares too.
Box root_box(const PointTable& table, Box& bounds)
{
    const auto [south, north] = std::minmax_element(table.latitude().begin(), table.latitude().end());
    const auto [west, east] = std::minmax_element(table.longitude().begin(), table.longitude().end());
    bounds = {*west, *south, *east, *north};
    const double middle_latitude = (*south + *north) / 2, middle_longitude = (*west + *east) / 2;
    const double shrink = std::max(0.01, std::cos(middle_latitude * std::numbers::pi / 180));
    const double half = std::max({(*north - *south) / 2, (*east - *west) / 2 * shrink, 1e-6}) * 1.001;
    return {std::max(-180.0, middle_longitude - half / shrink), std::max(-90.0, middle_latitude - half),
            std::min(180.0, middle_longitude + half / shrink), std::min(90.0, middle_latitude + half)};
}

// Picks `take` of `count` items evenly: whether the item of rank `rank` is
// one of them.
bool evenly_taken(std::uint64_t rank, std::uint64_t take, std::uint64_t count)
{
    return (rank + 1) * take / count != rank * take / count;
}

// The quadtree of the points: each tile's own points, kept in file order.
class TileTree {
public:
    TileTree(const PointTable& table, int frequency, Box root)
        : longitude_(table.longitude()), latitude_(table.latitude()), labelled_(table.longitude().size()),
          order_(table.longitude().size()), scratch_(order_.size())
    {
        std::iota(order_.begin(), order_.end(), std::uint32_t{0});
        for (std::size_t i = static_cast<std::size_t>(frequency) - 1; i < labelled_.size(); i += frequency)
            labelled_[i] = true;
        tiles_.push_back({root, "0", 0, 0, {}});
        std::vector<std::uint32_t> ends{static_cast<std::uint32_t>(order_.size())};
        for (std::size_t t = 0; t < tiles_.size(); ++t)
            split(t, ends);
        scratch_ = {};
    }

    const std::vector<Tile>& tiles() const { return tiles_; }
    // Whether point i carries its name (PlacemarkBlocks::labelled, without
    // a division).
    bool labelled(std::uint32_t i) const { return labelled_[i]; }
    std::span<const std::uint32_t> points(const Tile& tile) const { return {order_.data() + tile.first, tile.own}; }

private:
    static constexpr std::size_t kGrid = 32; // cells a side, kGrid² = kTileKeeps

    // Keeps the tile's own points at the front of its range and makes a
    // child tile of each quarter that holds any of the rest.
    void split(std::size_t t, std::vector<std::uint32_t>& ends)
    {
        const std::uint32_t first = tiles_[t].first, end = ends[t];
        const std::size_t n = end - first;
        if (n <= kTileLeafMost) {
            tiles_[t].own = static_cast<std::uint32_t>(n);
            return;
        }
        const Box box = tiles_[t].box;
        const double middle_longitude = (box.west + box.east) / 2, middle_latitude = (box.south + box.north) / 2;
        // A box too small to halve (points on one spot) hands its points on
        // in four runs of equal length instead of quarters.
        const bool halves = box.west < middle_longitude && middle_longitude < box.east && box.south < middle_latitude &&
                            middle_latitude < box.north;
        const std::span<std::uint32_t> points(order_.data() + first, n);

        // The cell of each point, and how many of each kind each cell holds.
        std::vector<std::uint16_t> cell(n);
        std::array<std::uint32_t, kTileKeeps> labelled{}, plain{};
        const auto index = [](double value, double low, double high) {
            const double at = (value - low) / (high - low) * double(kGrid);
            return std::min(kGrid - 1, static_cast<std::size_t>(std::max(0.0, at)));
        };
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint32_t i = points[k];
            const std::size_t c =
                halves ? index(latitude_[i], box.south, box.north) * kGrid + index(longitude_[i], box.west, box.east)
                       : k * kTileKeeps / n;
            cell[k] = static_cast<std::uint16_t>(c);
            ++(labelled_[i] ? labelled : plain)[c];
        }
        const std::array<std::uint32_t, kTileKeeps> share = shares(labelled, plain);

        // 4 for a kept point, else the quarter it goes to.
        std::vector<std::uint8_t> goes(n);
        std::array<std::uint32_t, kTileKeeps> labelled_seen{}, plain_seen{};
        std::array<std::uint32_t, 5> count{};
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint32_t i = points[k];
            const std::size_t c = cell[k];
            const std::uint32_t take_labelled = std::min(share[c], labelled[c]);
            const bool kept = labelled_[i] ? evenly_taken(labelled_seen[c]++, take_labelled, labelled[c])
                                           : evenly_taken(plain_seen[c]++, share[c] - take_labelled, plain[c]);
            std::uint8_t where = 4;
            if (!kept)
                where = halves
                            ? std::uint8_t((latitude_[i] >= middle_latitude) * 2 + (longitude_[i] >= middle_longitude))
                            : std::uint8_t(k * 4 / n);
            goes[k] = where;
            ++count[where];
        }

        // Kept points first, then each quarter's, every group in file order.
        std::array<std::uint32_t, 5> at{};
        at[4] = 0;
        std::uint32_t next = count[4];
        for (std::size_t q = 0; q < 4; ++q) {
            at[q] = next;
            next += count[q];
        }
        for (std::size_t k = 0; k < n; ++k)
            scratch_[first + at[goes[k]]++] = points[k];
        std::copy(scratch_.begin() + first, scratch_.begin() + end, points.begin());

        tiles_[t].own = count[4];
        std::uint32_t start = first + count[4];
        for (std::size_t q = 0; q < 4; ++q) {
            if (count[q] == 0)
                continue;
            Box quarter = box;
            if (halves) {
                (q & 1 ? quarter.west : quarter.east) = middle_longitude;
                (q & 2 ? quarter.south : quarter.north) = middle_latitude;
            }
            tiles_[t].children.push_back(static_cast<std::uint32_t>(tiles_.size()));
            tiles_.push_back({quarter, tiles_[t].key + char('0' + q), start, 0, {}});
            ends.push_back(start + count[q]);
            start += count[q];
        }
    }

    // Each cell's share of the kept points: as even as the cells' points
    // allow (no cell more than it holds, the rest spread over the fuller
    // cells), kTileKeeps in all.
    static std::array<std::uint32_t, kTileKeeps> shares(const std::array<std::uint32_t, kTileKeeps>& labelled,
                                                        const std::array<std::uint32_t, kTileKeeps>& plain)
    {
        std::array<std::uint32_t, kTileKeeps> held{};
        std::uint32_t most = 0;
        for (std::size_t c = 0; c < kTileKeeps; ++c) {
            held[c] = labelled[c] + plain[c];
            most = std::max(most, held[c]);
        }
        const auto total = [&](std::uint32_t level) {
            std::uint64_t sum = 0;
            for (const std::uint32_t h : held)
                sum += std::min(h, level);
            return sum;
        };
        // The highest level whose shares fit.
        std::uint32_t low = 0, high = most;
        while (low < high) {
            const std::uint32_t middle = low + (high - low + 1) / 2;
            if (total(middle) <= kTileKeeps)
                low = middle;
            else
                high = middle - 1;
        }
        std::array<std::uint32_t, kTileKeeps> share{};
        std::uint64_t fuller = 0;
        for (std::size_t c = 0; c < kTileKeeps; ++c) {
            share[c] = std::min(held[c], low);
            fuller += held[c] > low;
        }
        // One more for some of the fuller cells, spread among them.
        const std::uint64_t more = kTileKeeps - total(low);
        std::uint64_t seen = 0;
        for (std::size_t c = 0; c < kTileKeeps && more > 0; ++c)
            if (held[c] > low && evenly_taken(seen++, more, fuller))
                ++share[c];
        return share;
    }

    const std::vector<double>& longitude_;
    const std::vector<double>& latitude_;
    std::vector<bool> labelled_;
    std::vector<std::uint32_t> order_;
    std::vector<std::uint32_t> scratch_;
    std::vector<Tile> tiles_;
};

void write_number_element(TextSink& sink, std::string_view tag, double value)
{
    sink.write("<");
    sink.write(tag);
    sink.write(">");
    sink.write(plain_number_text(value));
    sink.write("</");
    sink.write(tag);
    sink.line(">");
}

void write_region(TextSink& sink, const Box& box)
{
    sink.line("<Region>");
    sink.line("<LatLonAltBox>");
    write_number_element(sink, "north", box.north);
    write_number_element(sink, "south", box.south);
    write_number_element(sink, "east", box.east);
    write_number_element(sink, "west", box.west);
    sink.line("</LatLonAltBox>");
    sink.line("<Lod>");
    sink.line("<minLodPixels>" + std::to_string(kTileMinLodPixels) + "</minLodPixels>");
    sink.line("<maxLodPixels>-1</maxLodPixels>");
    sink.line("</Lod>");
    sink.line("</Region>");
}

void write_network_link(TextSink& sink, const Box& box, std::string_view href)
{
    sink.line("<NetworkLink>");
    write_region(sink, box);
    sink.line("<Link>");
    sink.write("<href>");
    sink.write(href);
    sink.line("</href>");
    sink.line("<viewRefreshMode>onRegion</viewRefreshMode>");
    sink.line("</Link>");
    sink.line("</NetworkLink>");
}

void write_coordinates(TextSink& sink, const PointTable& table, std::span<const std::size_t> points)
{
    sink.write("<coordinates>");
    for (std::size_t k = 0; k < points.size(); ++k) {
        char* p = sink.reserve(2 * kNumberTextMax + 2);
        if (k > 0)
            *p++ = ' ';
        p = write_plain_number_text(p, table.longitude()[points[k]]);
        *p++ = ',';
        sink.advance_to(write_plain_number_text(p, table.latitude()[points[k]]));
    }
    sink.line("</coordinates>");
}

void write_tile(TextSink& sink, const TileTree& tree, const Tile& tile, const PlacemarkBlocks& blocks)
{
    sink.clear();
    kml_detail::write_document_head(sink);
    write_region(sink, tile.box);
    kml_detail::write_icon_style(sink, "../" + std::string(kIconEntry));
    for (const std::uint32_t child : tile.children) {
        const Tile& below = tree.tiles()[child];
        write_network_link(sink, below.box, below.key + ".kml");
    }
    for (const std::uint32_t i : tree.points(tile))
        blocks.write(sink, i, tree.labelled(i));
    sink.line("</Document>");
    sink.line("</kml>");
}

std::string root_document(const std::string& path, const PointTable& table, const PlacemarkBlocks& blocks,
                          const SurveyShape& shape, const Box& bounds, const Box& root)
{
    TextSink sink;
    kml_detail::write_document_head(sink);
    sink.line("<name>" + xml_text(std::filesystem::path(path).stem().string()) + "</name>");

    const double middle_latitude = (bounds.south + bounds.north) / 2;
    const double width =
        (bounds.east - bounds.west) * kMetresPerDegree * std::cos(middle_latitude * std::numbers::pi / 180);
    const double height = (bounds.north - bounds.south) * kMetresPerDegree;
    sink.line("<LookAt>");
    write_number_element(sink, "longitude", (bounds.west + bounds.east) / 2);
    write_number_element(sink, "latitude", middle_latitude);
    write_number_element(sink, "range", std::round(std::max(200.0, 1.5 * std::max(width, height))));
    sink.line("</LookAt>");

    sink.line(R"(<Style id="outline">)");
    sink.line("<LineStyle>");
    sink.line("<color>ff00ffff</color>");
    sink.line("<width>2</width>");
    sink.line("</LineStyle>");
    sink.line("<PolyStyle>");
    sink.line("<fill>0</fill>");
    sink.line("</PolyStyle>");
    sink.line("</Style>");
    sink.line(R"(<Style id="line">)");
    sink.line("<LineStyle>");
    sink.line("<color>ff0080ff</color>");
    sink.line("<width>2</width>");
    sink.line("</LineStyle>");
    sink.line("</Style>");
    sink.line(R"(<Style id="lineEnd">)");
    sink.line("<IconStyle>");
    sink.line("<scale>0.4</scale>");
    sink.line("<Icon>");
    sink.line("<href>" + std::string(kIconEntry) + "</href>");
    sink.line("</Icon>");
    sink.line("</IconStyle>");
    sink.line("</Style>");

    if (!shape.outline.empty()) {
        sink.line("<Placemark>");
        sink.line("<name>Outline</name>");
        sink.line("<styleUrl>#outline</styleUrl>");
        sink.line("<Polygon>");
        sink.line("<tessellate>1</tessellate>");
        sink.line("<outerBoundaryIs>");
        sink.line("<LinearRing>");
        write_coordinates(sink, table, shape.outline);
        sink.line("</LinearRing>");
        sink.line("</outerBoundaryIs>");
        sink.line("</Polygon>");
        sink.line("</Placemark>");
    }
    if (!shape.lines.empty()) {
        sink.line("<Folder>");
        sink.line("<name>Lines</name>");
        for (const SurveyLine& line : shape.lines) {
            sink.line("<Placemark>");
            sink.line("<name>" + xml_text(line.name) + "</name>");
            sink.line("<styleUrl>#line</styleUrl>");
            sink.line("<LineString>");
            sink.line("<tessellate>1</tessellate>");
            write_coordinates(sink, table, line.kept);
            sink.line("</LineString>");
            sink.line("</Placemark>");
        }
        sink.line("</Folder>");
        sink.line("<Folder>");
        sink.line("<name>Line ends</name>");
        for (const SurveyLine& line : shape.lines) {
            for (const std::size_t end : {line.first, line.last}) {
                sink.line("<Placemark>");
                sink.line("<name>" + xml_text(line.name) + "</name>");
                sink.line("<description>" + blocks.label(end) + "</description>");
                sink.line("<styleUrl>#lineEnd</styleUrl>");
                sink.line("<Point>");
                write_coordinates(sink, table, std::span(&end, 1));
                sink.line("</Point>");
                sink.line("</Placemark>");
            }
        }
        sink.line("</Folder>");
    }
    if (!table.empty()) {
        sink.line("<NetworkLink>");
        sink.line("<name>Points</name>");
        write_region(sink, root);
        sink.line("<Link>");
        sink.line("<href>" + tile_entry("0") + "</href>");
        sink.line("<viewRefreshMode>onRegion</viewRefreshMode>");
        sink.line("</Link>");
        sink.line("</NetworkLink>");
    }
    sink.line("</Document>");
    sink.line("</kml>");
    return std::string(sink.text());
}

// Makes and deflates the tiles on every core, and adds them to the archive
// in their order as they come; at most a few tiles wait, so memory stays
// that of the tiles being made.
Status add_tiles(ZipArchive& archive, const TileTree& tree, const PlacemarkBlocks& blocks)
{
    const std::size_t count = tree.tiles().size();
    const std::size_t workers = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t ahead = 4 * workers;
    std::vector<std::optional<DeflatedEntry>> done(count);
    std::atomic<std::size_t> next{0};
    std::size_t written = 0; // guarded by `lock`
    bool stop = false;
    std::exception_ptr thrown;
    std::mutex lock;
    std::condition_variable changed;

    const auto work = [&] {
        try {
            Deflater deflater;
            TextSink sink;
            for (std::size_t t; (t = next++) < count;) {
                {
                    std::unique_lock wait(lock);
                    changed.wait(wait, [&] { return stop || t < written + ahead; });
                    if (stop)
                        return;
                }
                write_tile(sink, tree, tree.tiles()[t], blocks);
                DeflatedEntry entry = deflater.deflate(sink.text());
                const std::lock_guard hold(lock);
                done[t] = std::move(entry);
                changed.notify_all();
            }
        } catch (...) {
            const std::lock_guard hold(lock);
            if (!thrown)
                thrown = std::current_exception();
            stop = true;
            changed.notify_all();
        }
    };
    std::vector<std::jthread> threads;
    for (std::size_t w = 0; w < workers; ++w)
        threads.emplace_back(work);

    Status status = ok();
    for (std::size_t t = 0; t < count && status; ++t) {
        DeflatedEntry entry;
        {
            std::unique_lock wait(lock);
            changed.wait(wait, [&] { return stop || done[t].has_value(); });
            if (!done[t])
                break;
            entry = std::move(*done[t]);
            done[t].reset();
        }
        status = archive.add(tile_entry(tree.tiles()[t].key), entry);
        const std::lock_guard hold(lock);
        ++written;
        changed.notify_all();
    }
    {
        const std::lock_guard hold(lock);
        stop = true;
        changed.notify_all();
    }
    threads.clear();
    if (thrown)
        std::rethrow_exception(thrown);
    return status;
}

} // namespace

Result<KmzWritten> write_kmz_file(const std::string& path, const PointTable& table, const KmlLabels& labels)
{
    const auto cannot = [&](const std::string& why) { return fail("cannot write " + path + ": " + why); };
    if (Status checked = kml_detail::check_table(table, labels); !checked)
        return cannot(checked.error());
    Result<ZipArchive> archive = ZipArchive::create(path);
    if (!archive)
        return fail(archive.error());
    const PlacemarkBlocks blocks(table, labels);
    Box bounds;
    const Box root = table.empty() ? Box{} : root_box(table, bounds);
    // The tiles' tree is built while GEOS draws the base map.
    std::optional<TileTree> tree;
    std::exception_ptr thrown;
    std::jthread building([&] {
        try {
            if (!table.empty())
                tree.emplace(table, labels.frequency, root);
        } catch (...) {
            thrown = std::current_exception();
        }
    });
    Result<SurveyShape> shape = survey_shape(table);
    building.join();
    if (thrown)
        std::rethrow_exception(thrown);
    if (!shape)
        return cannot(shape.error());
    KmzWritten written;
    written.document = root_document(path, table, blocks, *shape, bounds, root);
    written.lines = shape->lines.size();

    Deflater deflater;
    if (Status added = archive->add("doc.kml", deflater.deflate(written.document)); !added)
        return fail(added.error());
    if (Status added = archive->add(std::string(kIconEntry), deflater.deflate(kPushpinPng)); !added)
        return fail(added.error());
    if (tree) {
        written.tiles = tree->tiles().size();
        if (Status added = add_tiles(*archive, *tree, blocks); !added)
            return fail(added.error());
    }
    if (Status committed = archive->commit(); !committed)
        return fail(committed.error());
    return written;
}

} // namespace marovin
