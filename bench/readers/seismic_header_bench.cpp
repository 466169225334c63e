// Header read cost. On a file of fixed-length traces the read is a size
// query and a few positioned reads, so a 10 GB file or one of 1,000,000
// traces (sparse here) should cost what a 10 MB one does, and the layout rules (byte order, format code,
// extended headers, the binary header's samples) should cost about what the
// read of the first trace header alone did: that older read is timed beside
// it, in turn, on the same files. A file of 1,000,000 traces of varying
// length is walked trace by trace; its time is printed on its own.
// Prints microseconds per read and the ratios.
#include "support/seismic_line.h"
#include "support/timing.h"

#include "base/regular_file.h"
#include "readers/seismic_header.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A SEG-Y rev 1 file of IEEE samples whose first trace header says 1000
// samples and scalar -100, sparse after it.
void make_segy(const fs::path& path, std::uint64_t size)
{
    std::vector<unsigned char> header(3840, 0);
    bench::put_be(&header[3220], 1000, 2);   // samples per trace
    bench::put_be(&header[3224], 5, 2);      // IEEE floats
    header[3500] = 1;                        // revision 1
    bench::put_be(&header[3714], 1000, 2);   // the first trace header's samples
    bench::put_be(&header[3670], 0xFF9C, 2); // scalar -100
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    fs::resize_file(path, size);
}

// 1,000,000 traces of 10 and 11 samples in turn, each header saying its own.
void make_varying(const fs::path& path, int traces)
{
    std::vector<unsigned char> bytes(3600, 0);
    bench::put_be(&bytes[3224], 5, 2);
    bytes[3500] = 1;
    for (int i = 0; i < traces; ++i) {
        const unsigned samples = 10 + static_cast<unsigned>(i % 2);
        const std::size_t at = bytes.size();
        bytes.resize(at + 240 + 4 * samples, 0);
        bench::put_be(&bytes[at + 114], samples, 2);
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The read of the first trace header alone, as it was before the layout
// rules: its samples and scalar words, big-endian, and the count rounded
// from the file size (halves to even).
std::int64_t first_trace_header_read(const std::string& path)
{
    marovin::Result<marovin::RegularFile, marovin::OpenError> file = marovin::open_regular_file(path);
    if (!file || file->size < 3840)
        return -1;
    unsigned char words[46];
    if (::pread(file->descriptor.get(), words, sizeof words, 3670) != static_cast<ssize_t>(sizeof words))
        return -1;
    const auto samples = static_cast<std::int16_t>((words[44] << 8) | words[45]); // 3715-3716
    const auto scalar = static_cast<std::int16_t>((words[0] << 8) | words[1]);    // 3671-3672
    if (scalar == std::numeric_limits<std::int16_t>::min())
        return -1;
    const std::int64_t trace = 4 * std::int64_t{samples} + 240;
    if (trace <= 0)
        return -1;
    const std::int64_t data = static_cast<std::int64_t>(file->size) - 3600;
    const std::int64_t q = data / trace, twice = 2 * (data % trace);
    return twice > trace || (twice == trace && q % 2 != 0) ? q + 1 : q;
}

} // namespace

int main()
{
    std::string pattern = (fs::temp_directory_path() / "marovin-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = pattern;
    const int reads = 2000, rounds = 11;
    int status = 0;
    // About 10 MB, 1,000,000 traces and about 10 GB, in whole traces.
    for (const std::uint64_t count : {2'358ULL, 1'000'000ULL, 2'358'490ULL}) {
        const std::uint64_t size = 3600 + count * 4240;
        const fs::path path = folder / ("line" + std::to_string(size) + ".sgy");
        make_segy(path, size);
        std::vector<double> now, before;
        std::int64_t traces = 0, counted = 0;
        for (int round = 0; round < rounds && status == 0; ++round) {
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < reads; ++i) {
                const marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(path.string());
                if (!file) {
                    std::fprintf(stderr, "%s\n", file.error().c_str());
                    status = 1;
                    break;
                }
                traces = file->traces();
            }
            now.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() /
                          reads);
            start = std::chrono::steady_clock::now();
            for (int i = 0; i < reads; ++i)
                counted = first_trace_header_read(path.string());
            before.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / reads);
        }
        if (status != 0)
            break;
        if (counted != traces)
            std::fprintf(stderr, "the two reads count %lld and %lld traces\n", static_cast<long long>(traces),
                         static_cast<long long>(counted));
        std::printf("file of %llu bytes (%lld traces): %.2f us per header read, %.2f us for the first trace "
                    "header alone: %.2fx (medians of %d rounds)\n",
                    static_cast<unsigned long long>(size), static_cast<long long>(traces), bench::median(now),
                    bench::median(before), bench::median(now) / bench::median(before), rounds);
    }

    const fs::path varying = folder / "varying.sgy";
    make_varying(varying, 1'000'000);
    std::vector<double> walks;
    for (int round = 0; round < 5 && status == 0; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(varying.string());
        walks.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!file || file->layout().starts.size() != 1'000'000) {
            std::fprintf(stderr, "the varying file was not walked: %s\n", file ? "" : file.error().c_str());
            status = 1;
        }
    }
    if (status == 0)
        std::printf("1,000,000 traces of varying length walked in %.1f ms (median of 5)\n", bench::median(walks));
    fs::remove_all(folder);
    return status;
}
