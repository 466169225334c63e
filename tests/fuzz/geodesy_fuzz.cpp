// The converter's geodesy (convert_points) on points in and around a
// system's area of use, and on any doubles.
//
// Input: a byte picking the system from the table below (bit 7: the target
// is ED50 instead of WGS84, so the check's inverse is not the conversion),
// then points, each a kind byte and its data:
//   0: X and Y as two 8-byte doubles, whatever they hold (NaN, infinities);
//   1: X and Y as two 16-bit signed numbers placing the point on the
//      system's sketch: its centre plus n/8192 of its half-spans, so about
//      four half-spans either way;
//   2: as 1, then a byte of slips a survey point suffers: bit 0 X ten times
//      too large, bit 1 Y ten times, bit 2 X ten times too small, bit 3 Y,
//      bit 4 X and Y swapped, bit 5 Y negated;
//   3: a byte n: the previous point again 256 * (n + 1) times, for jobs large
//      enough to be shared between the cores.
// At most 1,000,000 points.
//
// Property: the round trip taken where needed gives what it gives for every
// point: the same degrees, bit for bit, and the same report, or the same
// refusal in the same words.
#include "fuzz_support.h"

#include "geodesy/geodesy.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace marovin;
using marovin::fuzz::Input;

namespace {

struct Sketch {
    const char* system;
    double x, y;           // about the centre of its area, in its own units
    double half_x, half_y; // about half the area's spans
};

// The window's systems, then other kinds of projection: polar, world,
// equal-area, a zone across the antimeridian, feet, and PROJ strings
// without an area of use. make_corpus names them by this order.
const std::array<Sketch, 36> sketches{{
    {"WGS84", 0, 0, 180, 90},
    {"ED50", 16, 55, 32, 30},
    {"NTF", 2, 47, 7, 5},
    {"BD72", 4.5, 50.5, 2, 1},
    {"UTM30", 500000, 4500000, 300000, 4600000},
    {"UTM31", 500000, 4500000, 300000, 4600000},
    {"UTM32", 500000, 4500000, 300000, 4600000},
    {"UTM30E", 500000, 6400000, 300000, 2600000},
    {"UTM31E", 500000, 6700000, 300000, 2500000},
    {"UTM32E", 500000, 6700000, 300000, 2700000},
    {"SWISS", 660000, 190000, 180000, 110000},
    {"LT93", 700000, 6650000, 620000, 600000},
    {"L93", 700000, 6650000, 620000, 600000},
    {"LT72", 150000, 150000, 150000, 120000},
    {"LT1", 600000, 1200000, 500000, 250000},
    {"LT2", 600000, 2200000, 560000, 500000},
    {"LT3", 600000, 3200000, 400000, 180000},
    {"LT4", 600000, 4200000, 60000, 100000},
    {"EPSG:3031", 0, 0, 3300000, 3300000},
    {"EPSG:3413", 0, 0, 3300000, 3300000},
    {"EPSG:3857", 0, 0, 20000000, 20000000},
    {"EPSG:3395", 0, 0, 20000000, 15000000},
    {"EPSG:3035", 4300000, 3400000, 3000000, 3000000},
    {"EPSG:3034", 4000000, 3000000, 3000000, 3000000},
    {"EPSG:2193", 1600000, 5500000, 700000, 900000},
    {"EPSG:32760", 500000, 5000000, 300000, 5000000},
    {"EPSG:32601", 500000, 5000000, 300000, 5000000},
    {"EPSG:32661", 2000000, 2000000, 1000000, 1000000},
    {"EPSG:27700", 400000, 600000, 400000, 650000},
    {"EPSG:3577", 0, -3000000, 2500000, 2000000},
    {"EPSG:5070", 0, 1700000, 2500000, 1500000},
    {"EPSG:2056", 2660000, 1190000, 180000, 110000},
    {"EPSG:2263", 1000000, 200000, 200000, 150000},
    {"EPSG:32632", 500000, 4500000, 300000, 4600000},
    {"+proj=utm +zone=32 +datum=WGS84 +type=crs", 500000, 4500000, 300000, 4600000},
    {"+proj=lcc +lat_1=49 +lat_2=44 +lat_0=46.5 +lon_0=3 +x_0=700000 +y_0=6600000 +ellps=GRS80 +towgs84=0,0,0 "
     "+type=crs",
     700000, 6650000, 620000, 600000},
}};

constexpr std::size_t kMostPoints = 1'000'000;

double any_double(Input& input)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= std::uint64_t{input.u16()} << (16 * i);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::pair<double, double> on_sketch(Input& input, const Sketch& sketch)
{
    const double u = input.i16() / 8192.0, v = input.i16() / 8192.0;
    return {sketch.x + u * sketch.half_x, sketch.y + v * sketch.half_y};
}

std::pair<double, double> slipped(std::pair<double, double> point, std::uint8_t slips)
{
    auto [x, y] = point;
    if (slips & 1)
        x *= 10;
    if (slips & 2)
        y *= 10;
    if (slips & 4)
        x /= 10;
    if (slips & 8)
        y /= 10;
    if (slips & 16)
        std::swap(x, y);
    if (slips & 32)
        y = -y;
    return {x, y};
}

struct Answer {
    std::string error;
    ConversionReport report;
    std::vector<double> x, y;
};

Answer convert(const Sketch& sketch, const char* target, std::vector<double> x, std::vector<double> y,
               RoundTrip round_trip)
{
    const ConversionPlaces places{
        "job: ", "source: ", "target: ", [](std::size_t i) { return "point " + std::to_string(i + 1) + ": "; }};
    Result<ConversionReport> report = convert_points(sketch.system, target, x, y, places, round_trip);
    if (!report)
        return {report.error(), {}, {}, {}};
    return {"", *report, std::move(x), std::move(y)};
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

std::string described(const std::vector<double>& x, const std::vector<double>& y)
{
    std::string text = std::to_string(x.size()) + " points";
    for (std::size_t i = 0; i < x.size() && i < 4; ++i)
        text += (i ? ", " : ": ") + std::to_string(x[i]) + " " + std::to_string(y[i]);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::uint8_t choice = input.byte();
    const Sketch& sketch = sketches[(choice & 0x7F) % sketches.size()];
    const char* target = (choice & 0x80) ? "ED50" : "WGS84";

    std::vector<double> x, y;
    while (!input.empty() && x.size() < kMostPoints) {
        const std::uint8_t kind = input.byte() % 4;
        if (kind == 0) {
            x.push_back(any_double(input));
            y.push_back(any_double(input));
        } else if (kind == 3) {
            const std::size_t repeat = 256 * (std::size_t{input.byte()} + 1);
            for (std::size_t i = 0; !x.empty() && i < repeat && x.size() < kMostPoints; ++i) {
                x.push_back(x.back());
                y.push_back(y.back());
            }
        } else {
            std::pair<double, double> p = on_sketch(input, sketch);
            if (kind == 2)
                p = slipped(p, input.byte());
            x.push_back(p.first);
            y.push_back(p.second);
        }
    }

    const Answer where_needed = convert(sketch, target, x, y, RoundTrip::where_needed);
    const Answer every_point = convert(sketch, target, x, y, RoundTrip::every_point);
    const std::string about = std::string(sketch.system) + " to " + target + ", " + described(x, y) + ": ";
    FUZZ_CHECK(where_needed.error == every_point.error,
               about + "\"" + where_needed.error + "\" where needed, \"" + every_point.error + "\" for every point");
    FUZZ_CHECK(same_bits(where_needed.x, every_point.x) && same_bits(where_needed.y, every_point.y),
               about + "other degrees where needed than for every point");
    FUZZ_CHECK(where_needed.report.operation_name == every_point.report.operation_name &&
                   where_needed.report.source_name == every_point.report.source_name &&
                   where_needed.report.target_name == every_point.report.target_name &&
                   same_bits({where_needed.report.accuracy_m}, {every_point.report.accuracy_m}),
               about + "another report");
    return 0;
}
