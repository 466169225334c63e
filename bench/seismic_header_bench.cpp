// Header read cost against file size: the read is a size query and a few
// positioned reads, so a 10 GB file (sparse here) should cost what a 10 MB
// one does. Prints microseconds per read for each size.
#include "readers/seismic_header.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void make_segy(const fs::path& path, std::uint64_t size)
{
    std::vector<char> header(3840, 0);
    header[3714] = 0x03; // 1000 samples, big-endian, trace-header bytes 115-116
    header[3715] = static_cast<char>(0xE8);
    header[3670] = static_cast<char>(0xFF); // scalar -100 at bytes 71-72
    header[3671] = static_cast<char>(0x9C);
    std::ofstream(path, std::ios::binary).write(header.data(), static_cast<std::streamsize>(header.size()));
    fs::resize_file(path, size);
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
    const int reads = 20000;
    int status = 0;
    for (const std::uint64_t size : {std::uint64_t{10'000'000}, std::uint64_t{10'000'000'000}}) {
        const fs::path path = folder / ("line" + std::to_string(size) + ".sgy");
        make_segy(path, size);
        const auto start = std::chrono::steady_clock::now();
        std::int64_t traces = 0;
        for (int i = 0; i < reads; ++i) {
            const marovin::Result<marovin::SeismicHeader> header = marovin::read_seismic_header(path.string());
            if (!header) {
                std::fprintf(stderr, "%s\n", header.error().c_str());
                status = 1;
                break;
            }
            traces = header->Nb_Traces;
        }
        const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
        std::printf("file of %llu bytes (%lld traces): %.2f us per header read\n",
                    static_cast<unsigned long long>(size), static_cast<long long>(traces), spent.count() / reads);
    }
    fs::remove_all(folder);
    return status;
}
