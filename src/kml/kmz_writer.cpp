#include "kml/kmz_writer.h"

#include "base/number_text.h"
#include "kml/kmz_archive.h"
#include "kml/placemark_blocks.h"
#include "kml/survey_shape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
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

// A box on the scale of the survey's box (SurveyBox): its longitudes above
// 180 east of the meridian when the survey crosses it.
struct Box {
    double west = 0, south = 0, east = 0, north = 0;
};

std::string tile_entry(const std::string& key) { return "t/" + key + ".kml"; }

// A square box (in metres on the ground) around the points, a little larger
// than they need, so that the quarters of every tile are squares too. A
// survey across the 180th meridian gets a box centred on it, so that its
// quarters lie on either side.
Box root_box(const SurveyBox& bounds)
{
    const double middle_latitude = (bounds.south + bounds.north) / 2;
    const double middle_longitude = bounds.across ? 180 : (bounds.west + bounds.east) / 2;
    const double half_width =
        bounds.across ? std::max(180 - bounds.west, bounds.east - 180) : (bounds.east - bounds.west) / 2;
    const double shrink = std::max(0.01, std::cos(middle_latitude * std::numbers::pi / 180));
    const double half = std::max({(bounds.north - bounds.south) / 2, half_width * shrink, 1e-6}) * 1.001;
    const double least = bounds.across ? 0 : -180, most = least + 360;
    return {std::max(least, middle_longitude - half / shrink), std::max(-90.0, middle_latitude - half),
            std::min(most, middle_longitude + half / shrink), std::min(90.0, middle_latitude + half)};
}

// The box as KML says it, longitudes from -180 to 180. The one box that
// crosses the meridian (the root box of a survey across it) spans every
// longitude.
Box written_box(const Box& box)
{
    if (box.east <= 180)
        return box;
    if (box.west >= 180)
        return {box.west - 360, box.south, box.east - 360, box.north};
    return {-180, box.south, 180, box.north};
}

// A node of the quadtree: a tile, with its points and its descendants'.
struct Node {
    Node(const Box& box, std::string key, std::uint32_t first, std::uint32_t count, std::uint8_t side)
        : box(box), key(std::move(key)), first(first), count(count), side(side)
    {}

    Box box;
    std::string key;         // "0", "03", "031" ...
    std::uint32_t first = 0; // its points and its descendants': [first, first + count) of buffer `side`
    std::uint32_t count = 0;
    std::uint8_t side = 0;
    // Made by its job:
    std::uint32_t own = 0;               // how many points the tile holds
    std::vector<std::uint32_t> children; // nodes, by index, in the order of their quarters
    DeflatedEntry entry;
    bool done = false;
};

// A quarter of a node, as its split hands it on.
struct Quarter {
    Box box;
    char digit = '0';
    std::uint32_t first = 0, count = 0; // in buffer Split::side
};

struct Split {
    std::span<const std::uint32_t> own; // the tile's points, in file order
    std::uint8_t side = 0;              // the buffer that holds the quarters' points
    std::array<Quarter, 4> quarters;
    std::size_t quarter_count = 0;
    std::vector<std::uint16_t> places; // room for Place::place() of each point
};

constexpr std::size_t kGrid = 32; // cells a side of a node's grid, kGrid² = kTileKeeps
static_assert(kGrid * kGrid == kTileKeeps);

// The cell of a point in its node's grid, and so its quarter: a quarter is
// a block of cells, told apart by comparing with the middle of the box, so
// that each point lies in its quarter's box. A box too small to halve
// (points on one spot) hands its points on in four runs of equal length
// instead of quarters, and takes its cells likewise.
class Place {
public:
    Place(const Box& box, std::uint32_t count)
        : box_(box), count_(count), middle_longitude_((box.west + box.east) / 2),
          middle_latitude_((box.south + box.north) / 2),
          halves_(box.west < middle_longitude_ && middle_longitude_ < box.east && box.south < middle_latitude_ &&
                  middle_latitude_ < box.north),
          column_scale_(double(kGrid) / (box.east - box.west)), row_scale_(double(kGrid) / (box.north - box.south))
    {}

    bool halves() const { return halves_; }
    double middle_longitude() const { return middle_longitude_; }
    double middle_latitude() const { return middle_latitude_; }

    // The cell of the k-th point of the node, with its quarter (0
    // south-west, 1 south-east, 2 north-west, 3 north-east) above it:
    // quarter * kTileKeeps + cell.
    std::uint16_t place(std::uint32_t k, double longitude, double latitude) const
    {
        if (!halves_) {
            const auto cell = static_cast<unsigned>(std::uint64_t{k} * kTileKeeps / count_);
            return static_cast<std::uint16_t>(quarter_of_cell(cell) * kTileKeeps + cell);
        }
        const int east = longitude >= middle_longitude_, north = latitude >= middle_latitude_;
        const int column = index((longitude - box_.west) * column_scale_, east);
        const int row = index((latitude - box_.south) * row_scale_, north);
        return static_cast<std::uint16_t>((north * 2 + east) * int(kTileKeeps) + row * int(kGrid) + column);
    }
    static std::size_t cell(std::uint16_t place) { return place % kTileKeeps; }
    static std::size_t quarter(std::uint16_t place) { return place / kTileKeeps; }
    static std::size_t quarter_of_cell(std::size_t cell)
    {
        return (cell / kGrid >= kGrid / 2) * 2 + (cell % kGrid >= kGrid / 2);
    }

private:
    // A cell's index along one side, within the half the point lies in.
    static int index(double at, int upper)
    {
        constexpr int kHalf = kGrid / 2;
        const int low = upper * kHalf;
        return std::clamp(static_cast<int>(std::clamp(at, -1.0, double(kGrid))), low, low + kHalf - 1);
    }

    Box box_;
    std::uint32_t count_;
    double middle_longitude_, middle_latitude_;
    bool halves_;
    double column_scale_, row_scale_;
};

// Picks `take` of `count` items evenly, in turn: the same choice as taking
// item r when (r + 1) * take / count and r * take / count differ, without
// their divisions.
struct EvenPick {
    std::uint32_t take = 0, count = 0, carried = 0;
    bool next()
    {
        carried += take;
        const bool taken = carried >= count;
        carried -= taken ? count : 0;
        return taken;
    }
};

// The quadtree's points: two permutations of the table's indices, each
// node's points a range of one of them, in file order. A node's split reads
// its range and writes it into the same range of the other, its own points
// first and then each quarter's, so that nodes split on any thread, each
// as soon as its parent has.
class PointOrder {
public:
    PointOrder(const PointTable& table, int frequency, const SurveyBox& bounds)
        : longitude_(table.longitude().data()), latitude_(table.latitude().data()), bounds_(bounds),
          labelled_((table.longitude().size() + 63) / 64)
    {
        const std::size_t n = table.longitude().size();
        for (std::size_t i = static_cast<std::size_t>(frequency) - 1; i < n; i += static_cast<std::size_t>(frequency))
            labelled_[i / 64] |= std::uint64_t{1} << (i % 64);
        for (auto& buffer : buffers_)
            buffer.reset(new std::uint32_t[n]);
        std::iota(buffers_[0].get(), buffers_[0].get() + n, std::uint32_t{0});
    }

    // Whether point i carries its name (PlacemarkBlocks::labelled, without
    // a division).
    bool labelled(std::uint32_t i) const { return (labelled_[i / 64] >> (i % 64)) & 1; }

    // Keeps at most kTileKeeps of the node's points, spread evenly over its
    // box (an even share of each cell, the labelled points first), and hands
    // the others to its quarters; a node of at most kTileLeafMost points
    // keeps them all. False when the progress asks to stop.
    bool split(const Node& node, const Progress& progress, Split& split) const
    {
        const std::uint32_t* points = buffers_[node.side].get() + node.first;
        const std::uint32_t n = node.count;
        split.quarter_count = 0;
        if (n <= kTileLeafMost) {
            split.own = {points, n};
            return true;
        }
        split.side = node.side ^ 1;
        std::uint32_t* into = buffers_[split.side].get() + node.first;
        const Place place(node.box, n);

        // Where each point goes, and how many points of each kind each cell
        // holds.
        split.places.resize(std::max<std::size_t>(split.places.size(), n));
        std::uint16_t* places = split.places.data();
        std::array<std::uint32_t, kTileKeeps> labelled{}, plain{};
        for (std::uint32_t start = 0; start < n; start += kBetweenAsks) {
            if (progress.cancelled())
                return false;
            for (std::uint32_t k = start, end = std::min(n, start + kBetweenAsks); k < end; ++k) {
                const std::uint32_t i = points[k];
                places[k] = place.place(k, longitude(i), latitude_[i]);
                ++(this->labelled(i) ? labelled : plain)[Place::cell(places[k])];
            }
        }
        const std::array<std::uint32_t, kTileKeeps> share = shares(labelled, plain);

        // The kept points, then each quarter's.
        std::array<std::uint32_t, 5> size{};
        std::array<EvenPick, kTileKeeps> pick_labelled, pick_plain;
        for (std::size_t c = 0; c < kTileKeeps; ++c) {
            const std::uint32_t take_labelled = std::min(share[c], labelled[c]);
            pick_labelled[c] = {take_labelled, labelled[c], 0};
            pick_plain[c] = {share[c] - take_labelled, plain[c], 0};
            size[0] += share[c];
            size[1 + Place::quarter_of_cell(c)] += labelled[c] + plain[c] - share[c];
        }
        std::array<std::uint32_t, 5> at{};
        for (std::size_t g = 1; g < 5; ++g)
            at[g] = at[g - 1] + size[g - 1];
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::uint32_t i = points[k];
            const std::uint16_t where = places[k];
            const bool kept = (this->labelled(i) ? pick_labelled : pick_plain)[Place::cell(where)].next();
            into[at[kept ? 0 : 1 + Place::quarter(where)]++] = i;
        }

        split.own = {into, size[0]};
        std::uint32_t start = node.first + size[0];
        for (std::size_t q = 0; q < 4; ++q) {
            if (size[1 + q] == 0)
                continue;
            Box quarter = node.box;
            if (place.halves()) {
                (q & 1 ? quarter.west : quarter.east) = place.middle_longitude();
                (q & 2 ? quarter.south : quarter.north) = place.middle_latitude();
            }
            split.quarters[split.quarter_count++] = {quarter, char('0' + q), start, size[1 + q]};
            start += size[1 + q];
        }
        return true;
    }

private:
    static constexpr std::uint32_t kBetweenAsks = 1 << 16; // points between two questions to the progress

    double longitude(std::uint32_t i) const { return bounds_.unwrapped(longitude_[i]); }

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
        std::uint32_t fuller = 0;
        for (std::size_t c = 0; c < kTileKeeps; ++c) {
            share[c] = std::min(held[c], low);
            fuller += held[c] > low;
        }
        // One more for some of the fuller cells, spread among them.
        EvenPick more{static_cast<std::uint32_t>(kTileKeeps - total(low)), fuller, 0};
        for (std::size_t c = 0; c < kTileKeeps && more.take > 0; ++c)
            if (held[c] > low && more.next())
                ++share[c];
        return share;
    }

    const double* longitude_;
    const double* latitude_;
    SurveyBox bounds_;
    std::vector<std::uint64_t> labelled_;
    std::array<std::unique_ptr<std::uint32_t[]>, 2> buffers_;
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
    const Box written = written_box(box);
    sink.line("<Region>");
    sink.line("<LatLonAltBox>");
    write_number_element(sink, "north", written.north);
    write_number_element(sink, "south", written.south);
    write_number_element(sink, "east", written.east);
    write_number_element(sink, "west", written.west);
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

void write_tile(TextSink& sink, const Node& node, const Split& split, const PointOrder& order,
                const PlacemarkBlocks& blocks)
{
    sink.clear();
    kml_detail::write_document_head(sink);
    write_region(sink, node.box);
    kml_detail::write_icon_style(sink, "../" + std::string(kIconEntry));
    for (std::size_t q = 0; q < split.quarter_count; ++q)
        write_network_link(sink, split.quarters[q].box, node.key + split.quarters[q].digit + ".kml");
    for (const std::uint32_t i : split.own)
        blocks.write(sink, i, order.labelled(i));
    sink.line("</Document>");
    sink.line("</kml>");
}

std::string root_document(const std::string& path, const PointTable& table, const PlacemarkBlocks& blocks,
                          const SurveyShape& shape, const SurveyBox& bounds, const Box& root)
{
    TextSink sink;
    kml_detail::write_document_head(sink);
    sink.line("<name>" + xml_text(std::filesystem::path(path).stem().string()) + "</name>");

    const double middle_latitude = (bounds.south + bounds.north) / 2;
    const double width =
        (bounds.east - bounds.west) * kMetresPerDegree * std::cos(middle_latitude * std::numbers::pi / 180);
    const double height = (bounds.north - bounds.south) * kMetresPerDegree;
    sink.line("<LookAt>");
    write_number_element(sink, "longitude", wrapped((bounds.west + bounds.east) / 2));
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
    // The line's width of 3 and its PolyStyle, which KML leaves to polygons,
    // are for Marble (22.12): it draws a LineString narrower than 2.5 pixels
    // only in its style's PolyStyle colour, and without one in whatever
    // colour it drew last (the outline's), or not at all.
    sink.line(R"(<Style id="line">)");
    sink.line("<LineStyle>");
    sink.line("<color>ff0080ff</color>");
    sink.line("<width>3</width>");
    sink.line("</LineStyle>");
    sink.line("<PolyStyle>");
    sink.line("<color>ff0080ff</color>");
    sink.line("</PolyStyle>");
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

// The tiles, made and deflated on every core from the moment it starts,
// each node as soon as its parent is split; the archive takes them in their
// order (root first, then level by level, each level in the order of the
// keys) as they come. Finished tiles wait in memory for their turn, at most
// kWaitingMost bytes of them unless the archive waits for one.
class TileRun {
public:
    TileRun(const PointTable& table, const KmlLabels& labels, const PlacemarkBlocks& blocks, const SurveyBox& bounds,
            const Box& root, Progress& progress)
        : order_(table, labels.frequency, bounds), blocks_(blocks), progress_(progress)
    {
        nodes_.emplace_back(root, "0", 0, static_cast<std::uint32_t>(table.longitude().size()), 0);
        queue_.push_back(0);
        const std::size_t workers = std::max(1u, std::thread::hardware_concurrency());
        for (std::size_t w = 0; w < workers; ++w)
            threads_.emplace_back([this] { work(); });
    }
    TileRun(const TileRun&) = delete;
    TileRun& operator=(const TileRun&) = delete;
    ~TileRun() { stop(); }

    // Adds every tile to the archive; the count of tiles. Fails with
    // kCancelled when the progress asks to stop.
    Result<std::size_t> add_to(ZipArchive& archive)
    {
        std::deque<std::uint32_t> due{0};
        std::size_t tiles = 0;
        std::uint64_t points = 0;
        while (!due.empty()) {
            Node* node = nullptr;
            DeflatedEntry entry;
            {
                std::unique_lock hold(lock_);
                node = &nodes_[due.front()];
                if (!node->done) {
                    archive_waits_ = true;
                    changed_.notify_all();
                    changed_.wait(hold, [&] { return node->done || stopped_; });
                    archive_waits_ = false;
                }
                if (!node->done)
                    break;
                entry = std::move(node->entry);
                node->entry = {};
                waiting_ -= entry.deflated.size();
                changed_.notify_all();
            }
            due.pop_front();
            due.insert(due.end(), node->children.begin(), node->children.end());
            if (Status added = archive.add(tile_entry(node->key), entry); !added)
                return fail(added.error());
            ++tiles;
            points += node->own;
            progress_.advance(points);
            if (progress_.cancelled())
                break;
        }
        stop();
        if (thrown_)
            std::rethrow_exception(thrown_);
        if (!due.empty() || progress_.cancelled())
            return fail(std::string(kCancelled));
        return tiles;
    }

private:
    static constexpr std::size_t kWaitingMost = std::size_t{32} << 20;

    void stop()
    {
        {
            const std::lock_guard hold(lock_);
            stopped_ = true;
        }
        changed_.notify_all();
        threads_.clear();
    }

    void work()
    {
        try {
            Deflater deflater;
            TextSink sink;
            Split split;
            for (;;) {
                Node* node = nullptr;
                {
                    std::unique_lock hold(lock_);
                    changed_.wait(hold, [&] {
                        return stopped_ || (queue_.empty() && busy_ == 0) ||
                               (!queue_.empty() && (waiting_ <= kWaitingMost || archive_waits_));
                    });
                    if (stopped_ || queue_.empty())
                        return;
                    node = &nodes_[queue_.front()];
                    queue_.pop_front();
                    ++busy_;
                }
                if (progress_.cancelled() || !order_.split(*node, progress_, split)) {
                    end_run();
                    return;
                }
                write_tile(sink, *node, split, order_, blocks_);
                DeflatedEntry entry = deflater.deflate(sink.text());

                const std::lock_guard hold(lock_);
                node->own = static_cast<std::uint32_t>(split.own.size());
                for (std::size_t q = 0; q < split.quarter_count; ++q) {
                    const Quarter& quarter = split.quarters[q];
                    node->children.push_back(static_cast<std::uint32_t>(nodes_.size()));
                    queue_.push_back(node->children.back());
                    nodes_.emplace_back(quarter.box, node->key + quarter.digit, quarter.first, quarter.count,
                                        split.side);
                }
                waiting_ += entry.deflated.size();
                node->entry = std::move(entry);
                node->done = true;
                --busy_;
                changed_.notify_all();
            }
        } catch (...) {
            const std::lock_guard hold(lock_);
            if (!thrown_)
                thrown_ = std::current_exception();
            stopped_ = true;
            changed_.notify_all();
        }
    }

    void end_run()
    {
        const std::lock_guard hold(lock_);
        stopped_ = true;
        changed_.notify_all();
    }

    const PointOrder order_;
    const PlacemarkBlocks& blocks_;
    Progress& progress_;

    std::mutex lock_;
    std::condition_variable changed_;
    // Guarded by lock_ (a node's fields once it is done; its box, key and
    // points from its making on, only read):
    std::deque<Node> nodes_;
    std::deque<std::uint32_t> queue_; // nodes to split, in turn
    std::size_t busy_ = 0;            // nodes being split
    std::size_t waiting_ = 0;         // bytes of finished tiles not yet in the archive
    bool archive_waits_ = false;
    bool stopped_ = false;
    std::exception_ptr thrown_;
    std::vector<std::jthread> threads_; // last: joined first
};

} // namespace

Result<KmzWritten> write_kmz_file(const std::string& path, const PointTable& table, const KmlLabels& labels,
                                  Progress& progress)
{
    const auto cannot = [&](const std::string& why) { return fail("cannot write " + path + ": " + why); };
    if (Status checked = kml_detail::check_table(table, labels); !checked)
        return cannot(checked.error());
    progress.begin(Progress::Step::WritingKml, table.longitude().size());
    Result<ZipArchive> archive = ZipArchive::create(path);
    if (!archive)
        return fail(archive.error());
    const PlacemarkBlocks blocks(table, labels);
    const SurveyBox bounds = survey_box(table);
    const Box root = table.empty() ? Box{} : root_box(bounds);
    // The tiles are made while GEOS draws the base map.
    std::optional<TileRun> tiles;
    if (!table.empty())
        tiles.emplace(table, labels, blocks, bounds, root, progress);
    Result<SurveyShape> shape = survey_shape(table, progress);
    if (!shape)
        return was_cancelled(shape.error()) ? fail(shape.error()) : cannot(shape.error());
    KmzWritten written;
    written.document = root_document(path, table, blocks, *shape, bounds, root);
    written.lines = shape->lines_found;

    Deflater deflater;
    if (Status added = archive->add("doc.kml", deflater.deflate(written.document)); !added)
        return fail(added.error());
    if (Status added = archive->add(std::string(kIconEntry), deflater.deflate(kPushpinPng)); !added)
        return fail(added.error());
    if (tiles) {
        Result<std::size_t> count = tiles->add_to(*archive);
        if (!count)
            return fail(count.error());
        written.tiles = *count;
    }
    if (progress.cancelled())
        return fail(std::string(kCancelled));
    if (Status committed = archive->commit(); !committed)
        return fail(committed.error());
    return written;
}

} // namespace marovin
