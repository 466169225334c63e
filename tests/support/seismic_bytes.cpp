#include "support/seismic_bytes.h"

#include "support/scratch_folder.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

namespace support {

void put_word(std::string& bytes, std::size_t index, std::uint64_t value, int size, bool little_endian)
{
    for (int k = 0; k < size; ++k)
        bytes[index + static_cast<std::size_t>(k)] =
            static_cast<char>(value >> (8 * (little_endian ? k : size - 1 - k)));
}

std::int32_t word_at(std::string_view bytes, std::size_t position, int size, bool big_endian)
{
    std::uint32_t value = 0;
    for (int k = 0; k < size; ++k)
        value = (value << 8) | static_cast<std::uint8_t>(
                                   bytes[position - 1 + static_cast<std::size_t>(big_endian ? k : size - 1 - k)]);
    return size == 2 ? static_cast<std::int16_t>(value) : static_cast<std::int32_t>(value);
}

std::string trace_line(bool su, std::int16_t samples, std::int16_t scalar, const std::vector<Trace>& traces)
{
    std::string bytes(su ? 0 : 3600, '\0');
    for (const Trace& t : traces) {
        const std::size_t b = bytes.size();
        bytes.resize(b + static_cast<std::size_t>(trace_bytes(samples)), '\0');
        const std::pair<int, std::int32_t> words[] = {{1, t.sequence}, {9, t.ffid}, {17, t.sp}, {21, t.cdp},
                                                      {73, t.sx},      {77, t.sy},  {81, t.gx}, {85, t.gy}};
        for (const auto& [position, value] : words)
            put_word(bytes, b + static_cast<std::size_t>(position) - 1, static_cast<std::uint32_t>(value), 4, su);
        put_word(bytes, b + 70, static_cast<std::uint16_t>(scalar), 2, su);
        put_word(bytes, b + 114, static_cast<std::uint16_t>(samples), 2, su);
    }
    return bytes;
}

std::string ebcdic(std::string_view text)
{
    // Each case of the alphabet comes in three runs, the digits in one.
    struct Run {
        char first, last;
        unsigned char code;
    };
    static constexpr Run runs[] = {{'A', 'I', 0xC1}, {'J', 'R', 0xD1}, {'S', 'Z', 0xE2}, {'a', 'i', 0x81},
                                   {'j', 'r', 0x91}, {'s', 'z', 0xA2}, {'0', '9', 0xF0}};
    static constexpr std::pair<char, unsigned char> signs[] = {{'(', 0x4D}, {')', 0x5D}, {':', 0x7A}, {'/', 0x61},
                                                               {'.', 0x4B}, {',', 0x6B}, {'-', 0x60}, {'=', 0x7E}};
    std::string coded;
    for (const char c : text) {
        unsigned char code = 0x40; // blank
        for (const Run& run : runs)
            if (c >= run.first && c <= run.last)
                code = static_cast<unsigned char>(run.code + (c - run.first));
        for (const auto& [sign, value] : signs)
            if (c == sign)
                code = value;
        coded += static_cast<char>(code);
    }
    return coded;
}

int format_bytes(int code)
{
    switch (code) {
    case 3:
    case 11: return 2;
    case 7:
    case 15: return 3;
    case 8:
    case 16: return 1;
    case 6:
    case 9:
    case 12: return 8;
    default: return 4;
    }
}

std::string seismic_bytes(const Shape& s)
{
    std::string bytes;
    const auto word = [&](std::size_t start, int position, std::uint64_t value, int size) {
        put_word(bytes, start + static_cast<std::size_t>(position - 1), value, size, s.little_endian);
    };
    if (!s.su) {
        bytes.assign(3600 + 3200 * static_cast<std::size_t>(s.text_blocks), ' ');
        if (s.text_in_ebcdic)
            bytes.replace(0, 3200, ebcdic(std::string(3200, ' ')));
        bytes.replace(0, s.text.size(), s.text_in_ebcdic ? ebcdic(s.text) : s.text);
        std::fill(bytes.begin() + 3200, bytes.begin() + 3600, '\0');
        word(0, 3221, s.binary_samples, 2);
        word(0, 3225, static_cast<std::uint16_t>(s.format), 2);
        word(0, 3269, s.binary_samples32, 4);
        if (s.order_constant)
            word(0, 3297, 0x01020304, 4);
        bytes[3500] = static_cast<char>(s.revision);
        bytes[3501] = static_cast<char>(s.minor);
        word(0, 3505, static_cast<std::uint16_t>(s.text_headers), 2);
        word(0, 3507, s.additional, s.revision == 2 && s.minor == 0 && !s.additional_16 ? 4 : 2);
        if (s.text_headers == -1 && s.text_blocks > 0) {
            const std::string stanza = s.stanza_in_ebcdic ? ebcdic(s.stanza) : s.stanza;
            bytes.replace(3600 + 3200 * static_cast<std::size_t>(s.text_blocks - 1), stanza.size(), stanza);
        }
    }
    const int sample_bytes = s.su ? 4 : format_bytes(s.format);
    const std::size_t header_bytes = 240 * (1 + static_cast<std::size_t>(s.additional));
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const std::size_t b = bytes.size();
        bytes.resize(b + header_bytes + static_cast<std::size_t>(sample_bytes) * s.samples[i], '\0');
        const auto n = static_cast<std::uint32_t>(i);
        const std::pair<int, std::uint32_t> words[] = {{1, n + 1},      {21, 100 + n},  {73, 1000 + n},
                                                       {77, 2000 + n},  {81, 3000 + n}, {85, 4000 + n},
                                                       {181, 5000 + n}, {185, 6000 + n}};
        for (const auto& [position, value] : words)
            word(b, position, value, 4);
        word(b, 71, static_cast<std::uint16_t>(s.scalar), 2);
        word(b, 89, static_cast<std::uint16_t>(s.units), 2);
        word(b, 115, s.samples_word >= 0 ? static_cast<std::uint64_t>(s.samples_word) : s.samples[i], 2);
    }
    bytes.append(s.trailing, '\0');
    return bytes;
}

std::uint64_t size_for(Kind kind, std::int16_t samples, double traces)
{
    return static_cast<std::uint64_t>(header_offset(kind) +
                                      std::llround(traces * static_cast<double>(trace_bytes(samples))));
}

void write_seismic_file(const std::filesystem::path& path, Kind kind, std::int16_t samples, std::int16_t scalar,
                        std::uint64_t size)
{
    const auto offset = static_cast<std::size_t>(header_offset(kind));
    std::string bytes(offset + 240, '\0');
    const bool little = kind == Kind::Su;
    put_word(bytes, offset + 114, static_cast<std::uint16_t>(samples), 2, little);
    put_word(bytes, offset + 70, static_cast<std::uint16_t>(scalar), 2, little);
    write_bytes(path, std::string_view(bytes).substr(0, std::min<std::uint64_t>(size, bytes.size())));
    std::filesystem::resize_file(path, size); // ftruncate: the rest is a hole
}

} // namespace support
