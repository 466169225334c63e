// The KMZ writer beside the plain KML writer, on a 3-D survey grid (lines of
// points 25 m apart, 25 m between lines, turned 30 degrees, inline-sorted),
// each timed as a whole process in the same run, interleaved. Both
// processes read the same points file and build their table as the command
// does: the KML process the degrees, the KMZ process the degrees and the
// metres. Prints the medians and their ratio, the KMZ process's peak memory
// per point, the sizes and their ratio, the tile count and doc.kml's size.
//
//   kmz_writer_bench [points] [rounds]   (default 1,000,000 then 10,000,000; 3)
//   kmz_writer_bench write kml|kmz <points file> <output> [facts file]
//       one writer run; a KMZ run appends its tile count and doc.kml's size

#include "support/files.h"
#include "support/timing.h"

#include "conversion/point_table.h"
#include "kml/kml_writer.h"
#include "kml/kmz_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const marovin::KmlLabels kLabels{5, "CDP", "Seismic line 1"};

// Per point: longitude and latitude (nine decimals, as the converter gives
// them), then X and Y in metres.
void write_grid(const fs::path& path, long n)
{
    const long lines = std::max(1L, std::lround(std::sqrt(double(n))));
    const long per_line = (n + lines - 1) / lines;
    const double turn = 30 * std::numbers::pi / 180;
    constexpr double kEarth = 6371008.8, kLatitude = 48, kLongitude = 9;
    const double metres_per_degree = kEarth * std::numbers::pi / 180;
    std::ofstream out(path, std::ios::binary);
    for (long k = 0; k < n; ++k) {
        const double u = 25.0 * double(k % per_line), v = 25.0 * double(k / per_line);
        const double x = 500000 + u * std::cos(turn) - v * std::sin(turn);
        const double y = 5316000 + u * std::sin(turn) + v * std::cos(turn);
        const double longitude =
            kLongitude + (x - 500000) / (metres_per_degree * std::cos(kLatitude * std::numbers::pi / 180));
        const double latitude = kLatitude + (y - 5316000) / metres_per_degree;
        const double point[4] = {std::round(longitude * 1e9) / 1e9, std::round(latitude * 1e9) / 1e9, x, y};
        out.write(reinterpret_cast<const char*>(point), sizeof point);
    }
}

int write(const std::string& kind, const char* points_path, const char* output, const char* facts_path)
{
    const int fd = ::open(points_path, O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        return 1;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED)
        return 1;
    const auto* bytes = static_cast<const char*>(mapped);
    const std::size_t n = size / (4 * sizeof(double));
    const bool kmz = kind == "kmz";
    std::vector<double> longitude(n), latitude(n), x(kmz ? n : 0), y(kmz ? n : 0);
    std::vector<std::int32_t> number(n);
    for (std::size_t k = 0; k < n; ++k) {
        double point[4];
        std::memcpy(point, bytes + k * sizeof point, sizeof point);
        longitude[k] = point[0];
        latitude[k] = point[1];
        number[k] = static_cast<std::int32_t>(1001 + k);
        if (kmz) {
            x[k] = point[2];
            y[k] = point[3];
        }
    }
    ::munmap(mapped, size);
    marovin::PointTable table(std::move(longitude), std::move(latitude), std::move(number));
    if (!kmz) {
        const marovin::Status written = marovin::write_kml_file(output, table, kLabels);
        if (!written)
            std::fprintf(stderr, "%s\n", written.error().c_str());
        return written ? 0 : 1;
    }
    table.set_ground({std::move(x), std::move(y), {}});
    const marovin::Result<marovin::KmzWritten> written = marovin::write_kmz_file(output, table, kLabels);
    if (!written) {
        std::fprintf(stderr, "%s\n", written.error().c_str());
        return 1;
    }
    if (facts_path)
        std::ofstream(facts_path) << written->tiles << ' ' << written->document.size() << ' ' << written->lines << '\n';
    return 0;
}

void measure(long n, int rounds)
{
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path folder = bench::work_folder("kmz_writer_bench");
    const fs::path points = folder / "grid.bin";
    write_grid(points, n);
    bench::warm(points); // in the page cache before the timed runs

    const fs::path kml = folder / "survey.kml", kmz = folder / "survey.kmz", facts = folder / "facts.txt";
    const std::vector<std::string> kml_run = {self.string(), "write", "kml", points.string(), kml.string()};
    const std::vector<std::string> kmz_run = {self.string(),   "write",      "kmz",
                                              points.string(), kmz.string(), facts.string()};
    std::vector<double> kml_seconds, kmz_seconds;
    std::vector<double> kmz_peak;
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const bool kmz_turn = (k + round) % 2 == 1;
            fs::remove(kmz_turn ? kmz : kml);
            ::sync(); // no write-back of the last run's file during this one
            const bench::ProcessRun run = bench::run_process(kmz_turn ? kmz_run : kml_run);
            if (!run.ok)
                bench::die(kmz_turn ? "the KMZ writer failed" : "the KML writer failed");
            (kmz_turn ? kmz_seconds : kml_seconds).push_back(run.seconds);
            if (kmz_turn)
                kmz_peak.push_back(double(run.peak_kib) * 1024 / double(n));
        }
    }

    std::size_t tiles = 0, document = 0, lines = 0;
    std::ifstream(facts) >> tiles >> document >> lines;
    const double kml_size = double(fs::file_size(kml)), kmz_size = double(fs::file_size(kmz));
    const double kml_median = bench::median(kml_seconds), kmz_median = bench::median(kmz_seconds);
    std::printf("%ld points of a 3-D grid (%zu lines), median of %d whole-process runs each, %u cores\n", n, lines,
                rounds, std::thread::hardware_concurrency());
    std::printf("  KML writer  %7.3f s  %9.1f MB\n", kml_median, kml_size / 1e6);
    std::printf("  KMZ writer  %7.3f s  %9.1f MB  peak %.0f bytes a point, %zu tiles, doc.kml %.1f KB\n", kmz_median,
                kmz_size / 1e6, bench::median(kmz_peak), tiles, double(document) / 1e3);
    std::printf("KMZ / KML time: %.2f (goal 1.5 or below), size: %.3f (goal 0.1 or below)\n", kmz_median / kml_median,
                kmz_size / kml_size);
    bench::remove_work_folder();
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 5 || argc == 6) && std::string(argv[1]) == "write")
        return write(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (argc > 1) {
        measure(std::atol(argv[1]), rounds);
    } else {
        measure(1'000'000, rounds);
        measure(10'000'000, rounds);
    }
    return 0;
}
