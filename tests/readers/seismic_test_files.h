#pragma once
// Seismic files built by the tests: a zero-filled file header and first
// trace header with the samples and scalar words written in the file's own
// byte order, then extended (sparsely) to the size asked for; and whole
// files of every shape the reader knows (Shape).

#include <algorithm>
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

namespace seismic_test {

// A whole file of any shape the reader knows, built from the standard's
// layout alone. Trace i (0-based) carries recognisable words: sequence
// i + 1, CDP 100 + i, source X/Y 1000 + i and 2000 + i, receiver X/Y 3000 + i
// and 4000 + i, CDP X/Y 5000 + i and 6000 + i.
struct Shape {
    bool su = false;
    bool little_endian = false;     // every word of the file
    std::int16_t format = 1;        // SEG-Y sample format code (3225-3226)
    unsigned char revision = 1, minor = 0;
    bool order_constant = false;    // 0x01020304 at 3297-3300, in the file's order
    std::int16_t text_headers = 0;  // the word at 3505-3506
    int text_blocks = 0;            // 3200-byte blocks written after the binary header
    bool stanza_in_ebcdic = false;  // the end stanza, in the last block, when text_headers is -1
    std::uint32_t additional = 0;   // additional trace headers (3507: 32 bits in 2.0, 16 after)
    std::uint16_t binary_samples = 0;
    std::uint32_t binary_samples32 = 0; // 3269-3272
    std::vector<std::uint32_t> samples; // samples written in each trace
    std::int64_t samples_word = -1;     // written in every trace header; -1: each trace's own count
    std::int16_t scalar = 0, units = 0;
    std::size_t trailing = 0;           // zero bytes after the last trace
};

// Sample sizes of the standard's format codes; 4 for the others.
inline int format_bytes(int code)
{
    switch (code) {
    case 3: case 11: return 2;
    case 7: case 15: return 3;
    case 8: case 16: return 1;
    case 6: case 9: case 12: return 8;
    default: return 4;
    }
}

inline void put(std::string& bytes, std::size_t index, std::uint64_t value, int size, bool little)
{
    for (int k = 0; k < size; ++k)
        bytes[index + static_cast<std::size_t>(k)] = static_cast<char>(value >> (8 * (little ? k : size - 1 - k)));
}

inline std::string seismic_bytes(const Shape& s)
{
    std::string bytes;
    if (!s.su) {
        bytes.assign(3600 + 3200 * static_cast<std::size_t>(s.text_blocks), ' ');
        std::fill(bytes.begin() + 3200, bytes.begin() + 3600, '\0');
        const auto word = [&](int position, std::uint64_t value, int size) {
            put(bytes, static_cast<std::size_t>(position - 1), value, size, s.little_endian);
        };
        word(3221, s.binary_samples, 2);
        word(3225, static_cast<std::uint16_t>(s.format), 2);
        word(3269, s.binary_samples32, 4);
        if (s.order_constant)
            word(3297, 0x01020304, 4);
        bytes[3500] = static_cast<char>(s.revision);
        bytes[3501] = static_cast<char>(s.minor);
        word(3505, static_cast<std::uint16_t>(s.text_headers), 2);
        word(3507, s.additional, s.revision == 2 && s.minor == 0 ? 4 : 2);
        if (s.text_headers == -1 && s.text_blocks > 0) {
            std::string stanza = "((SEG: EndText))";
            if (s.stanza_in_ebcdic) // EBCDIC: ( S E G : blank E n d T e x t )
                stanza = "\x4D\x4D\xE2\xC5\xC7\x7A\x40\xC5\x95\x84\xE3\x85\xA7\xA3\x5D\x5D";
            bytes.replace(3600 + 3200 * static_cast<std::size_t>(s.text_blocks - 1), stanza.size(), stanza);
        }
    }
    const int sample_bytes = s.su ? 4 : format_bytes(s.format);
    const std::size_t header_bytes = 240 * (1 + static_cast<std::size_t>(s.additional));
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const std::size_t b = bytes.size();
        bytes.resize(b + header_bytes + static_cast<std::size_t>(sample_bytes) * s.samples[i], '\0');
        const auto word = [&](int position, std::uint64_t value, int size) {
            put(bytes, b + static_cast<std::size_t>(position - 1), value, size, s.little_endian);
        };
        const auto n = static_cast<std::uint32_t>(i);
        const std::pair<int, std::uint32_t> words[] = {{1, n + 1},    {21, 100 + n},  {73, 1000 + n}, {77, 2000 + n},
                                                       {81, 3000 + n}, {85, 4000 + n}, {181, 5000 + n}, {185, 6000 + n}};
        for (const auto& [position, value] : words)
            word(position, value, 4);
        word(71, static_cast<std::uint16_t>(s.scalar), 2);
        word(89, static_cast<std::uint16_t>(s.units), 2);
        word(115, s.samples_word >= 0 ? static_cast<std::uint64_t>(s.samples_word) : s.samples[i], 2);
    }
    bytes.append(s.trailing, '\0');
    return bytes;
}

inline void write_shape(const std::filesystem::path& path, const Shape& shape)
{
    const std::string bytes = seismic_bytes(shape);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace seismic_test
