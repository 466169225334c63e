// Times the KML writer on a million points and, when GDAL's ogr2ogr is at
// hand, ogr2ogr writing the same points as KML from a CSV file, for scale.
//
//   kml_writer_bench [points] [work folder]
//
// The work folder (default: a new folder under the system's temporary
// folder) is removed at the end.

#include "conversion/point_table.h"
#include "kml/kml_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Points along a wandering survey line near Paris, with the decimals a
// converter gives (about 9 significant digits after the point).
marovin::PointTable survey_points(std::int32_t n)
{
    marovin::PointTable table;
    table.recreate(n);
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> step(-1e-5, 3e-5);
    double longitude = 2.2945, latitude = 48.8584;
    for (std::int32_t row = 1; row <= n; ++row) {
        longitude += step(random);
        latitude += step(random);
        (void)table.set(row, 1, marovin::Cell::real(std::round(longitude * 1e9) / 1e9));
        (void)table.set(row, 2, marovin::Cell::real(std::round(latitude * 1e9) / 1e9));
        (void)table.set(row, 3, marovin::Cell::int32(1000 + row));
    }
    return table;
}

} // namespace

int main(int argc, char** argv)
{
    const std::int32_t n = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const fs::path folder = argc > 2 ? fs::path(argv[2])
                                     : fs::temp_directory_path() / ("kml_writer_bench_" + std::to_string(::getpid()));
    fs::create_directories(folder);

    const marovin::PointTable table = survey_points(n);
    const marovin::KmlLabels labels{5, "Station", "Seismic line 1"};
    const fs::path ours = folder / "marovin.kml";

    // Best of three: the first run also pays for the page cache.
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const Clock::time_point start = Clock::now();
        const marovin::Status status = marovin::write_kml_file(ours.string(), table, n, labels);
        const double elapsed = seconds_since(start);
        if (!status) {
            std::fprintf(stderr, "%s\n", status.error().c_str());
            return 1;
        }
        best = std::min(best, elapsed);
    }
    std::printf("marovin KML writer: %d points, %.1f MB, %.3f s (best of 3), %.1f MB/s\n", n,
                fs::file_size(ours) / 1e6, best, fs::file_size(ours) / 1e6 / best);

    if (std::system("command -v ogr2ogr >/dev/null 2>&1") != 0) {
        std::printf("ogr2ogr: not installed (gdal-bin), no reference figure\n");
    } else {
        // The same points and labels as a CSV file that ogr2ogr reads.
        const fs::path csv = folder / "points.csv";
        {
            std::ofstream out(csv, std::ios::binary);
            out << "Name,Description,lon,lat\n";
            char line[128];
            for (std::int32_t row = 1; row <= n; ++row) {
                const bool labelled = row % labels.frequency == 0;
                std::snprintf(line, sizeof line, "%s,%s,%.9f,%.9f\n",
                              labelled ? ("Station " + std::to_string(1000 + row)).c_str() : "",
                              labelled ? labels.description.c_str() : "", table.number(row, 1),
                              table.number(row, 2));
                out << line;
            }
        }
        const fs::path theirs = folder / "ogr2ogr.kml";
        const std::string command = "ogr2ogr -f KML -a_srs EPSG:4326 '" + theirs.string() + "' '" + csv.string() +
                                    "' -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat"
                                    " -oo KEEP_GEOM_COLUMNS=NO >/dev/null 2>&1";
        const Clock::time_point start = Clock::now();
        const int status = std::system(command.c_str());
        const double elapsed = seconds_since(start);
        if (status != 0 || !fs::exists(theirs)) {
            std::printf("ogr2ogr: failed (status %d)\n", status);
        } else {
            std::printf("ogr2ogr -f KML:     %d points, %.1f MB, %.3f s\n", n, fs::file_size(theirs) / 1e6, elapsed);
            std::printf("ratio: %.1f times faster\n", elapsed / best);
        }
    }
    fs::remove_all(folder);
    return 0;
}
