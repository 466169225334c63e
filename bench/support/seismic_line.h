#pragma once
// A synthetic SEG-Y line for the seismic benchmarks, and the least a read
// of its trace headers can cost: mapped, or in sequential blocks.

#include "support/files.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include <memory>

#include <sys/mman.h>
#include <unistd.h>

namespace bench {

inline void put_be(unsigned char* at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * (size - 1 - i)));
}

// Writes a SEG-Y line of `traces` traces of `samples` IEEE samples (all
// zero): 3600-byte file header, then per trace its sequence number, FFID
// (a shot every 100 traces), CDP 5000 + i, the scalar -100 and receiver
// coordinates in centimetres on a grid in UTM zone 32 north (400 km to
// 600 km east, 5000 km north and up, 10 m apart). False when it cannot be
// written.
inline bool make_line(const char* path, long traces, int samples)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<unsigned char> header(3600, 0);
    put_be(&header[3220], static_cast<std::uint32_t>(samples), 2); // samples per trace
    put_be(&header[3224], 5, 2);                                   // IEEE floats
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    // Traces in blocks of 1000 to write fast.
    const std::size_t trace_bytes = 240 + 4 * static_cast<std::size_t>(samples);
    std::vector<unsigned char> block(trace_bytes * 1000, 0);
    for (long first = 0; first < traces; first += 1000) {
        const long count = std::min<long>(1000, traces - first);
        for (long k = 0; k < count; ++k) {
            unsigned char* t = &block[static_cast<std::size_t>(k) * trace_bytes];
            const long i = first + k;
            put_be(t + 0, static_cast<std::uint32_t>(i + 1), 4);                           // sequence
            put_be(t + 8, static_cast<std::uint32_t>(1000 + i / 100), 4);                  // FFID
            put_be(t + 20, static_cast<std::uint32_t>(5000 + i), 4);                       // CDP
            put_be(t + 70, static_cast<std::uint16_t>(-100), 2);                           // scalar
            put_be(t + 80, static_cast<std::uint32_t>(40000000 + (i % 20000) * 1000), 4);  // X cm
            put_be(t + 84, static_cast<std::uint32_t>(500000000 + (i / 20000) * 1000), 4); // Y cm
            put_be(t + 114, static_cast<std::uint32_t>(samples), 2);
            put_be(t + 116, 4000, 2);
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(count * trace_bytes));
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return false;
    }
    return true;
}

// The line at `path`, made and read once; the benchmark stops when it
// cannot be written.
inline std::filesystem::path warm_line(const std::filesystem::path& path, long traces, int samples)
{
    if (!make_line(path.c_str(), traces, samples))
        die("cannot write " + path.string());
    warm(path);
    return path;
}

// The least any memory-mapped read of the trace-header words can cost: the
// same 4 MB windows mapped and advised as the extraction does, one byte of
// every trace header touched, nothing decoded or stored. Seconds, or -1.
inline double page_touch_limit(int fd, std::int64_t first, std::int64_t step, std::int64_t count)
{
    constexpr std::int64_t window = std::int64_t{4} << 20;
    const std::int64_t page = ::sysconf(_SC_PAGESIZE);
    const std::int64_t per_window = std::max<std::int64_t>(1, window / step);
    unsigned sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::int64_t i0 = 0; i0 < count; i0 += per_window) {
        const std::int64_t n = std::min(per_window, count - i0);
        const std::int64_t begin = first + i0 * step;
        const std::int64_t map_start = begin - begin % page;
        const auto length = static_cast<std::size_t>(first + (i0 + n - 1) * step + 88 - map_start);
        void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(map_start));
        if (map == MAP_FAILED)
            return -1;
        ::madvise(map, length, step <= page ? MADV_SEQUENTIAL : MADV_RANDOM);
        const volatile unsigned char* trace = static_cast<const unsigned char*>(map) + (begin - map_start);
        for (std::int64_t i = 0; i < n; ++i)
            sum += trace[i * step];
        ::munmap(map, length);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sum == 1)
        std::printf(" "); // keeps the sum alive
    return elapsed;
}

// The least any read of the trace-header words in sequential blocks can
// cost: the traces from the first to the last word of the last trace read
// with pread(2) in blocks of the extraction's size into one buffer, one
// byte of every trace header looked at, nothing decoded or stored. Seconds,
// or -1.
inline double sequential_read_limit(int fd, std::int64_t first, std::int64_t step, std::int64_t count,
                                    std::size_t block_bytes)
{
    const std::int64_t end = first + (count - 1) * step + 88;
    const auto block = std::make_unique<unsigned char[]>(block_bytes);
    const auto per_block = std::max<std::int64_t>(1, static_cast<std::int64_t>(block_bytes) / step);
    unsigned sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::int64_t at = first; at < end; at += per_block * step) {
        const auto want = static_cast<std::size_t>(std::min(per_block * step, end - at));
        std::size_t got = 0;
        while (got < want) {
            const ssize_t r =
                ::pread(fd, block.get() + got, want - got, static_cast<off_t>(at) + static_cast<off_t>(got));
            if (r <= 0)
                return -1;
            got += static_cast<std::size_t>(r);
        }
        for (std::size_t k = 0; k < want; k += static_cast<std::size_t>(step))
            sum += block[k];
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sum == 1)
        std::printf(" "); // keeps the sum alive
    return elapsed;
}

} // namespace bench
