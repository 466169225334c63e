// The KML writer on a million points, timed as a whole process beside two
// references timed the same way, each writing the same bytes:
//   - printf: kml_printf_writer, a plain C program writing the document with
//     stdio and printf ("%.15G");
//   - write:  the finished document written with write(2) from a mapping of
//     it, the floor for any writer of these bytes.
// Every process reads the same points file; the outputs are compared byte for
// byte before timing. Medians of interleaved runs, and the ratios.
//
//   kml_writer_bench [points] [rounds]
//   kml_writer_bench write-kml <points file> <output> [times file]
//       one writer run; appends the seconds of building the point table and
//       of write_kml_file to the times file
//   kml_writer_bench write-bytes <document> <output>     (one floor run)

#include "support/files.h"
#include "support/timing.h"

#include "conversion/point_table.h"
#include "kml/kml_writer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const marovin::KmlLabels kLabels{5, "Station", "Seismic line 1"};

// Points along a wandering survey line near Paris with the nine decimals the
// converter's result gives; numbers from 1001. Three doubles per point.
void write_points(const fs::path& path, long n)
{
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> step(-1e-5, 3e-5);
    double longitude = 2.2945, latitude = 48.8584;
    for (long row = 1; row <= n; ++row) {
        longitude += step(random);
        latitude += step(random);
        const double point[3] = {std::round(longitude * 1e9) / 1e9, std::round(latitude * 1e9) / 1e9,
                                 static_cast<double>(1000 + row)};
        out.write(reinterpret_cast<const char*>(point), sizeof point);
    }
}

// A read-only mapping of a whole file, null when it cannot be mapped.
const char* map_file(const char* path, std::size_t& size)
{
    const int fd = ::open(path, O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        return nullptr;
    size = static_cast<std::size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ::close(fd);
    return mapped == MAP_FAILED ? nullptr : static_cast<const char*>(mapped);
}

int write_kml(const char* points_path, const char* output, const char* times_path)
{
    const auto start = bench::Clock::now();
    std::size_t size = 0;
    const char* bytes = map_file(points_path, size);
    if (!bytes)
        return 1;
    const auto n = static_cast<std::int32_t>(size / (3 * sizeof(double)));
    // Columns as a conversion run makes them: coordinates, then the point
    // numbers as 32-bit integers.
    std::vector<double> longitudes(static_cast<std::size_t>(n)), latitudes(static_cast<std::size_t>(n));
    std::vector<std::int32_t> numbers(static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
        double point[3];
        std::memcpy(point, bytes + k * sizeof point, sizeof point);
        longitudes[k] = point[0];
        latitudes[k] = point[1];
        numbers[k] = static_cast<std::int32_t>(point[2]);
    }
    const marovin::PointTable table(std::move(longitudes), std::move(latitudes), std::move(numbers));
    const double building = bench::seconds_since(start);
    const auto built = bench::Clock::now();
    const marovin::Status written = marovin::write_kml_file(output, table, kLabels);
    if (!written) {
        std::fprintf(stderr, "%s\n", written.error().c_str());
        return 1;
    }
    if (times_path)
        std::ofstream(times_path, std::ios::app) << building << ' ' << bench::seconds_since(built) << '\n';
    return 0;
}

int write_bytes(const char* document, const char* output)
{
    std::size_t size = 0;
    const char* bytes = map_file(document, size);
    const int out = ::open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!bytes || out < 0)
        return 1;
    constexpr std::size_t kChunk = 1024 * 1024; // the KML writer's buffer
    for (std::size_t at = 0; at < size;) {
        const ssize_t n = ::write(out, bytes + at, std::min(kChunk, size - at));
        if (n <= 0)
            return 1;
        at += static_cast<std::size_t>(n);
    }
    return ::close(out) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "write-kml")
        return write_kml(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (argc == 4 && std::string(argv[1]) == "write-bytes")
        return write_bytes(argv[2], argv[3]);

    const long n = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const std::string printf_writer = (self.parent_path() / "kml_printf_writer").string();
    const fs::path folder = bench::work_folder("kml_writer_bench");
    const fs::path points = folder / "points.bin";
    write_points(points, n);

    struct Tool {
        const char* name;
        std::vector<std::string> argv;
        fs::path output;
        std::vector<double> seconds;
    };
    const fs::path document = folder / "marovin.kml";
    const fs::path reference = folder / "reference.kml"; // what the floor writes
    const fs::path times = folder / "times.txt";
    std::vector<Tool> tools = {
        {"marovin KML writer",
         {self.string(), "write-kml", points.string(), document.string(), times.string()},
         document,
         {}},
        {"printf (plain C)",
         {printf_writer, points.string(), (folder / "printf.kml").string()},
         folder / "printf.kml",
         {}},
        {"write(2) floor",
         {self.string(), "write-bytes", reference.string(), (folder / "write.kml").string()},
         folder / "write.kml",
         {}},
    };

    // One untimed run of each, and the same bytes from all three.
    for (Tool& tool : tools) {
        if (&tool == &tools[2])
            fs::copy_file(document, reference);
        if (!bench::run_process(tool.argv).ok)
            bench::die(std::string(tool.name) + " failed");
    }
    for (const Tool& tool : tools) {
        if (const std::optional<std::string> differ = bench::first_difference(tool.output, document))
            bench::die(std::string(tool.name) + " does not write the same bytes as the KML writer, first at " +
                       *differ);
    }

    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < tools.size(); ++k) {
            Tool& tool = tools[(k + static_cast<std::size_t>(round)) % tools.size()];
            fs::remove(tool.output);
            ::sync(); // no write-back of the last run's file during this one
            const bench::ProcessRun run = bench::run_process(tool.argv);
            if (!run.ok)
                bench::die(std::string(tool.name) + " failed");
            tool.seconds.push_back(run.seconds);
        }
    }

    const double megabytes = static_cast<double>(fs::file_size(document)) / 1e6;
    std::printf("%ld points, %.1f MB of KML, median of %d whole-process runs each\n", n, megabytes, rounds);
    for (const Tool& tool : tools) {
        const double m = bench::median(tool.seconds);
        std::printf("  %-20s %7.3f s  %7.1f MB/s\n", tool.name, m, megabytes / m);
    }
    std::vector<double> building, writing;
    std::ifstream timed(times);
    for (double b = 0, w = 0; timed >> b >> w;) {
        building.push_back(b);
        writing.push_back(w);
    }
    if (!building.empty()) { // the untimed first run
        building.erase(building.begin());
        writing.erase(writing.begin());
    }
    std::printf("  of the writer's process: point table %.3f s, write_kml_file %.3f s\n", bench::median(building),
                bench::median(writing));
    const double ours = bench::median(tools[0].seconds);
    const double floor = bench::median(tools[2].seconds);
    std::printf("KML writer / write floor: %.2f (write_kml_file alone: %.2f)\n", ours / floor,
                bench::median(writing) / floor);
    std::printf("KML writer / printf:      %.2f\n", ours / bench::median(tools[1].seconds));
    bench::remove_work_folder();
    return 0;
}
