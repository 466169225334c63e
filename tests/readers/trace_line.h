#pragma once
// A small seismic line built by the tests: traces whose header words are
// given, every trace of `samples` samples carrying the samples word and the
// coordinate scalar; SU (little-endian, no file header) or SEG-Y (3600-byte
// file header, big-endian). Shared by the roads' tests and the window's.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace trace_line {

// Trace-header words of one trace.
struct Trace {
    std::int32_t sequence = 0, ffid = 0, sp = 0, cdp = 0;
    std::int32_t sx = 0, sy = 0, gx = 0, gy = 0;
};

// Three traces of two shots; coordinates in centimetres.
inline const std::vector<Trace> kLine = {
    {1, 101, 1000, 2001, 49000000, 530000000, 61234550, 481234525},
    {2, 101, 1000, 2002, 49000000, 530000000, -100000, 50000000},
    {3, 102, 1030, -5, 49000000, 530000000, 70000000, 481200000},
};

inline std::string bytes(bool su, std::int16_t samples, std::int16_t scalar, const std::vector<Trace>& traces)
{
    std::string bytes(su ? 0 : 3600, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (su ? 8 * i : 8 * (size - 1 - i)));
    };
    for (const Trace& t : traces) {
        const std::size_t b = bytes.size();
        bytes.resize(b + 240 + 4 * static_cast<std::size_t>(samples), '\0');
        const std::pair<int, std::int32_t> words[] = {{1, t.sequence}, {9, t.ffid}, {17, t.sp}, {21, t.cdp},
                                                      {73, t.sx},      {77, t.sy},   {81, t.gx}, {85, t.gy}};
        for (const auto& [position, value] : words)
            put(b + static_cast<std::size_t>(position) - 1, static_cast<std::uint32_t>(value), 4);
        put(b + 70, static_cast<std::uint16_t>(scalar), 2);
        put(b + 114, static_cast<std::uint16_t>(samples), 2);
    }
    return bytes;
}

} // namespace trace_line
