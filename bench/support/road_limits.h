#pragma once
// The limits of the seismic road's work on a line, as the benchmarks of the
// window's road and of the command time them in their own process: one byte
// of every trace header touched through a map, the PROJ passes over the
// points, write(2) of the finished KML bytes.

#include "support/seismic_line.h"
#include "support/timing.h"

#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"

#include <proj.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

struct Limits {
    double touch = 0; // page touch
    double proj = 0;  // the PROJ passes
    double write = 0; // write(2) of the KML bytes
};

// Seconds of each floor, medians of `runs`, on the line (receiver
// coordinates in centimetres, UTM zone 32 north) and its KML document
// `kml`. `passes` PROJ transforms of every point: forward (the conversion),
// then back, alternately. The benchmark stops when a step fails.
inline Limits measure_limits(const std::filesystem::path& line, const std::filesystem::path& kml,
                             const std::filesystem::path& work, int runs, int passes)
{
    auto file = marovin::SeismicFile::open(line.string());
    if (!file)
        die("cannot read " + line.string());
    const marovin::TraceLayout& layout = file->layout();
    std::vector<double> touch, proj, write;
    for (int run = 0; run < runs; ++run)
        touch.push_back(page_touch_limit(file->descriptor(), layout.first, layout.trace_bytes(), layout.count));
    auto points = file->extract({});
    if (!points)
        die(points.error());
    for (double& x : points->x)
        x /= 100;
    for (double& y : points->y)
        y /= 100;
    PJ_CONTEXT* context = proj_context_create();
    PJ* crs_to_crs = proj_create_crs_to_crs(context, "EPSG:32632", "EPSG:4326", nullptr);
    PJ* transformation = crs_to_crs ? proj_normalize_for_visualization(context, crs_to_crs) : nullptr;
    if (!transformation)
        die("PROJ has no transformation from EPSG:32632 to EPSG:4326");
    for (int run = 0; run < runs; ++run) {
        std::vector<double> x = points->x, y = points->y;
        const auto start = Clock::now();
        for (int pass = 0; pass < passes; ++pass)
            proj_trans_generic(transformation, pass % 2 == 0 ? PJ_FWD : PJ_INV, x.data(), sizeof(double), x.size(),
                               y.data(), sizeof(double), y.size(), nullptr, 0, 0, nullptr, 0, 0);
        proj.push_back(seconds_since(start));
    }
    proj_destroy(transformation);
    proj_destroy(crs_to_crs);
    proj_context_destroy(context);

    std::ifstream in(kml, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::filesystem::path copy = work / "limit.kml";
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove(copy);
        ::sync();
        const auto start = Clock::now();
        const int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        constexpr std::size_t kChunk = 1 << 20; // the KML writer's buffer
        for (std::size_t at = 0; out >= 0 && at < bytes.size();) {
            const ssize_t n = ::write(out, bytes.data() + at, std::min(kChunk, bytes.size() - at));
            if (n <= 0)
                break;
            at += static_cast<std::size_t>(n);
        }
        if (out < 0 || ::close(out) != 0 || std::filesystem::file_size(copy) != bytes.size())
            die("cannot write " + copy.string());
        write.push_back(seconds_since(start));
    }
    return Limits{median(touch), median(proj), median(write)};
}

// Measures the limits as above, prints them and gives their sum.
inline double report_limits(const std::filesystem::path& line, const std::filesystem::path& kml,
                            const std::filesystem::path& work, int runs, int passes)
{
    const Limits limits = measure_limits(line, kml, work, runs, passes);
    const double sum = limits.touch + limits.proj + limits.write;
    std::printf("\nlimits of the work, timed in this process, medians of %d runs:\n", runs);
    std::printf("  %-50s %7.3f s\n", "page touch (one byte of every trace header)", limits.touch);
    std::printf("  %-50s %7.3f s\n",
                passes == 1 ? "one PROJ pass (one proj_trans_generic)"
                            : "PROJ: inverse projection and back (two passes)",
                limits.proj);
    std::printf("  %-50s %7.3f s\n", "write(2) of the KML bytes", limits.write);
    std::printf("  %-50s %7.3f s\n", "sum", sum);
    return sum;
}

} // namespace bench
