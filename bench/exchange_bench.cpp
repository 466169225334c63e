// Times the system's side of the converter exchange for a million points:
// writing the job file and reading a result file of the converter's shape.
// Usage: exchange_bench [points] [folder]
#include "base/converter_job.h"
#include "base/converter_result.h"
#include "conversion/point_table.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int points = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
    const std::string job_path = (folder / "bench_File.cvd").string();
    const std::string result_path = (folder / "bench_File.cva").string();

    auto start = std::chrono::steady_clock::now();
    auto job = marovin::JobWriter::create(job_path, marovin::trace_header_job_header("UTM31"), '.');
    if (!job) {
        std::fprintf(stderr, "%s\n", job.error().c_str());
        return 1;
    }
    for (int i = 0; i < points; ++i)
        if (!job->add_point(500000.0 + i * 0.125, 4500000.0 + i * 0.375)) // never fails: finite values
            return 1;
    if (marovin::Status s = job->close(); !s) {
        std::fprintf(stderr, "%s\n", s.error().c_str());
        return 1;
    }
    std::printf("job file, %d points: %.3f s (%.1f MB)\n", points, seconds_since(start),
                static_cast<double>(std::filesystem::file_size(job_path)) / 1e6);

    // A result of the converter's shape: record number, quoted system,
    // latitude, longitude, height, with enough digits for a millimetre.
    {
        std::FILE* out = std::fopen(result_path.c_str(), "wb");
        if (!out)
            return 1;
        for (int line = 1; line <= 7; ++line)
            std::fprintf(out, "header line %d\r\n", line);
        for (int i = 1; i <= points; ++i)
            std::fprintf(out, "%d,\"UTM31\",%.10f,%.10f,0\r\n", i, 40.6 + i * 1e-7, 3.0 + i * 2e-7);
        std::fclose(out);
    }
    start = std::chrono::steady_clock::now();
    if (const auto read = marovin::read_result_points(result_path, points); !read) {
        std::fprintf(stderr, "%s\n", read.error().c_str());
        return 1;
    }
    std::printf("result file, %d points: %.3f s (%.1f MB)\n", points, seconds_since(start),
                static_cast<double>(std::filesystem::file_size(result_path)) / 1e6);
    std::filesystem::remove(job_path);
    std::filesystem::remove(result_path);
    return 0;
}
