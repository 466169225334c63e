// The KMZ writer beside the plain KML writer, on a 3-D survey grid (lines of
// points 25 m apart, 25 m between lines, turned 30 degrees, inline-sorted),
// each timed as a whole process in the same run, interleaved. Both
// processes read the same points file and build their table as the command
// does: the KML process the degrees, the KMZ process the degrees and the
// metres. Prints the medians (wall and CPU time) and their ratio, the KMZ
// process's peak memory per point, the sizes and their ratio, the tile
// count and doc.kml's size. Beside them the floor of any KMZ of these
// placemarks: a process that deflates the plain document's bytes, in pieces
// of a tile's size, on every core, as the KMZ writer deflates its tiles.
// Then the same beside the whole command a user runs: marovin-kml on the
// grid as an XY text file (read, converted by PROJ, written), -o survey.kml
// against -o survey.kmz.
//
//   kmz_writer_bench [points] [rounds]   (default 1,000,000 then 10,000,000; 3)
//   kmz_writer_bench write kml|kmz <points file> <output> [facts file]
//       one writer run; a KMZ run appends its tile count and doc.kml's size
//   kmz_writer_bench deflate <file>
//       deflates the file in pieces of 256 KiB on every core

#include "support/files.h"
#include "support/timing.h"

#include "conversion/point_table.h"
#include "kml/kml_writer.h"
#include "kml/kmz_archive.h"
#include "kml/kmz_writer.h"

#include <atomic>
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

const std::string kCommand = MAROVIN_PROGRAM_DIR "/marovin-kml";
const marovin::KmlLabels kLabels{5, "CDP", "Seismic line 1"};

// Per point: longitude and latitude (nine decimals, as the converter gives
// them), then X and Y in metres.
void write_grid(const fs::path& path, const fs::path& text, long n)
{
    const long lines = std::max(1L, std::lround(std::sqrt(double(n))));
    const long per_line = (n + lines - 1) / lines;
    const double turn = 30 * std::numbers::pi / 180;
    constexpr double kEarth = 6371008.8, kLatitude = 48, kLongitude = 9;
    const double metres_per_degree = kEarth * std::numbers::pi / 180;
    std::ofstream out(path, std::ios::binary);
    std::ofstream xyz(text, std::ios::binary);
    char line[96];
    for (long k = 0; k < n; ++k) {
        const double u = 25.0 * double(k % per_line), v = 25.0 * double(k / per_line);
        const double x = 500000 + u * std::cos(turn) - v * std::sin(turn);
        const double y = 5316000 + u * std::sin(turn) + v * std::cos(turn);
        const double longitude =
            kLongitude + (x - 500000) / (metres_per_degree * std::cos(kLatitude * std::numbers::pi / 180));
        const double latitude = kLatitude + (y - 5316000) / metres_per_degree;
        const double point[4] = {std::round(longitude * 1e9) / 1e9, std::round(latitude * 1e9) / 1e9, x, y};
        out.write(reinterpret_cast<const char*>(point), sizeof point);
        xyz.write(line, std::snprintf(line, sizeof line, "%ld,%.2f,%.2f\n", 1001 + k, x, y));
    }
}

// Medians of interleaved whole-process runs of some commands (each round
// starts with the next one), with their peak memory per point.
struct Timed {
    double seconds = 0, cpu_seconds = 0, peak = 0;
};
std::vector<Timed> timed(const std::vector<std::vector<std::string>>& commands, const std::vector<fs::path>& outputs,
                         long n, int rounds)
{
    const std::size_t count = commands.size();
    std::vector<std::vector<double>> seconds(count), cpu(count), peak(count);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t which = (k + std::size_t(round)) % count;
            if (which < outputs.size())
                fs::remove(outputs[which]);
            ::sync(); // no write-back of the last run's file during this one
            const bench::ProcessRun run = bench::run_process(commands[which], false, true);
            if (!run.ok)
                bench::die(commands[which][0] + " failed");
            seconds[which].push_back(run.seconds);
            cpu[which].push_back(run.cpu_seconds);
            peak[which].push_back(double(run.peak_kib) * 1024 / double(n));
        }
    }
    std::vector<Timed> medians(count);
    for (std::size_t k = 0; k < count; ++k)
        medians[k] = {bench::median(seconds[k]), bench::median(cpu[k]), bench::median(peak[k])};
    return medians;
}

// Deflates a file as the KMZ writer deflates its tiles: pieces of a large
// tile's size, on every core, each with its CRC.
int deflate(const char* path)
{
    const int fd = ::open(path, O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        return 1;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED)
        return 1;
    const std::string_view bytes(static_cast<const char*>(mapped), size);
    constexpr std::size_t kPiece = 256 * 1024;
    std::atomic<std::size_t> next{0}, deflated{0};
    std::vector<std::jthread> threads;
    for (unsigned w = 0; w < std::max(1u, std::thread::hardware_concurrency()); ++w)
        threads.emplace_back([&] {
            marovin::Deflater deflater;
            for (std::size_t at; (at = next.fetch_add(kPiece)) < size;)
                deflated += deflater.deflate(bytes.substr(at, kPiece)).deflated.size();
        });
    threads.clear();
    std::printf("%zu\n", deflated.load());
    return 0;
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
    const fs::path points = folder / "grid.bin", text = folder / "grid.xyz";
    write_grid(points, text, n);
    bench::warm(points); // in the page cache before the timed runs
    bench::warm(text);

    const fs::path kml = folder / "survey.kml", kmz = folder / "survey.kmz", facts = folder / "facts.txt";
    const fs::path plain = folder / "plain.kml"; // the floor's bytes
    bench::run_process({self.string(), "write", "kml", points.string(), plain.string()});
    bench::warm(plain);
    const std::vector<Timed> writers =
        timed({{self.string(), "write", "kml", points.string(), kml.string()},
               {self.string(), "write", "kmz", points.string(), kmz.string(), facts.string()},
               {self.string(), "deflate", plain.string()}},
              {kml, kmz}, n, rounds);
    std::size_t tiles = 0, document = 0, lines = 0;
    std::ifstream(facts) >> tiles >> document >> lines;
    const double kml_size = double(fs::file_size(kml)), kmz_size = double(fs::file_size(kmz));
    std::printf("%ld points of a 3-D grid (%zu lines), median of %d whole-process runs each, %u cores\n", n, lines,
                rounds, std::thread::hardware_concurrency());
    std::printf("  KML writer      %7.3f s (CPU %6.3f s)  %9.1f MB\n", writers[0].seconds, writers[0].cpu_seconds,
                kml_size / 1e6);
    std::printf("  KMZ writer      %7.3f s (CPU %6.3f s)  %9.1f MB  peak %.0f bytes a point, %zu tiles, doc.kml "
                "%.1f KB\n",
                writers[1].seconds, writers[1].cpu_seconds, kmz_size / 1e6, writers[1].peak, tiles,
                double(document) / 1e3);
    std::printf("  deflating the KML's bytes on every core (the floor)  %7.3f s (CPU %6.3f s)\n", writers[2].seconds,
                writers[2].cpu_seconds);
    std::printf("KMZ / KML writer time: %.2f (goal 1.5 or below; the floor %.2f), size: %.3f (goal 0.1 or below)\n",
                writers[1].seconds / writers[0].seconds, writers[2].seconds / writers[0].seconds, kmz_size / kml_size);

    const std::vector<std::string> command = {kCommand, "-q", "-j", "1", "--layout", "Number,X,Y", "-s", "UTM32", "-o"};
    auto kml_command = command, kmz_command = command;
    kml_command.insert(kml_command.end(), {kml.string(), text.string()});
    kmz_command.insert(kmz_command.end(), {kmz.string(), text.string()});
    const std::vector<Timed> commands = timed({kml_command, kmz_command}, {kml, kmz}, n, rounds);
    std::printf("  marovin-kml, KML  %7.3f s\n  marovin-kml, KMZ  %7.3f s  peak %.0f bytes a point\n",
                commands[0].seconds, commands[1].seconds, commands[1].peak);
    std::printf("KMZ / KML command time: %.2f\n", commands[1].seconds / commands[0].seconds);
    bench::remove_work_folder();
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 5 || argc == 6) && std::string(argv[1]) == "write")
        return write(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
    if (argc == 3 && std::string(argv[1]) == "deflate")
        return deflate(argv[2]);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (argc > 1) {
        measure(std::atol(argv[1]), rounds);
    } else {
        measure(1'000'000, rounds);
        measure(10'000'000, rounds);
    }
    return 0;
}
