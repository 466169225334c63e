#pragma once
// Seismic files built by the tests: a zero-filled file header and first
// trace header with the samples and scalar words written in the file's own
// byte order, then extended (sparsely) to the size asked for.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace seismic_test {

enum class Kind { SegY, Su };

inline std::int64_t header_offset(Kind kind) { return kind == Kind::SegY ? 3600 : 0; }

inline std::int64_t trace_bytes(std::int16_t samples) { return 240 + 4 * std::int64_t{samples}; }

// Writes the 16-bit `value` at 1-based `position` of `bytes`, big-endian for
// SEG-Y and little-endian for SU.
inline void put_word(std::vector<unsigned char>& bytes, Kind kind, std::int64_t position, std::int16_t value)
{
    const auto u = static_cast<std::uint16_t>(value);
    const auto high = static_cast<unsigned char>(u >> 8);
    const auto low = static_cast<unsigned char>(u & 0xFF);
    bytes[position - 1] = kind == Kind::SegY ? high : low;
    bytes[position] = kind == Kind::SegY ? low : high;
}

// A file of exactly `size` bytes whose first trace header holds `samples` at
// trace-header bytes 115-116 and `scalar` at 71-72.
inline void write_seismic_file(const std::filesystem::path& path, Kind kind, std::int16_t samples,
                               std::int16_t scalar, std::uint64_t size)
{
    const std::int64_t offset = header_offset(kind);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(offset + 240));
    put_word(bytes, kind, offset + 115, samples);
    put_word(bytes, kind, offset + 71, scalar);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::size_t written = size < bytes.size() ? static_cast<std::size_t>(size) : bytes.size();
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(written));
    }
    std::filesystem::resize_file(path, size); // ftruncate: the rest is a hole
}

// Size of a file whose traces after the file header add up to `traces`
// traces of `samples` samples (fractions allowed: 10.5 traces).
inline std::uint64_t size_for(Kind kind, std::int16_t samples, double traces)
{
    return static_cast<std::uint64_t>(header_offset(kind) + std::llround(traces * static_cast<double>(trace_bytes(samples))));
}

} // namespace seismic_test
