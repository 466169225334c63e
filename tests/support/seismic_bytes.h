#pragma once
// Seismic files built by the tests from the SEG-Y and SU layouts alone,
// never from the reader's own tables: a line of traces whose words are
// given, a file of any shape the reader knows, and a sparse file of a chosen
// size with only the words the header read needs.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace support {

// Puts the `size` low bytes of `value` at 0-based `index`, little- or
// big-endian.
void put_word(std::string& bytes, std::size_t index, std::uint64_t value, int size, bool little_endian);
// The two's-complement word of `size` bytes at 1-based `position`.
std::int32_t word_at(std::string_view bytes, std::size_t position, int size, bool big_endian);

// --- a line of traces whose words the test gives ----------------------------

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

// SU (little-endian, no file header) or SEG-Y (3600-byte file header,
// big-endian): every trace of `samples` samples carries the samples word and
// the coordinate scalar.
std::string trace_line(bool su, std::int16_t samples, std::int16_t scalar, const std::vector<Trace>& traces);

// --- a file of any shape ------------------------------------------------------

// Trace i (0-based) carries recognisable words: sequence i + 1, CDP 100 + i,
// source X/Y 1000 + i and 2000 + i, receiver X/Y 3000 + i and 4000 + i, CDP
// X/Y 5000 + i and 6000 + i.
struct Shape {
    bool su = false;
    bool little_endian = false; // every word of the file
    std::int16_t format = 1;    // SEG-Y sample format code (3225-3226)
    unsigned char revision = 1, minor = 0;
    bool order_constant = false;   // 0x01020304 at 3297-3300, in the file's order
    std::int16_t text_headers = 0; // the word at 3505-3506
    int text_blocks = 0;           // 3200-byte blocks written after the binary header
    bool stanza_in_ebcdic = false; // the end stanza, in the last block, when text_headers is -1
    std::string stanza = "((SEG: EndText))";
    std::string text{};           // the textual header's first bytes (the rest blanks)
    bool text_in_ebcdic = false;  // the textual header in EBCDIC, as revisions 0 and 1 write it
    std::uint32_t additional = 0; // additional trace headers (3507: 32 bits in 2.0, 16 after)
    bool additional_16 = false;   // in 2.0 too, 16 bits and a time basis code of 0 after them
    std::uint16_t binary_samples = 0;
    std::uint32_t binary_samples32 = 0; // 3269-3272
    std::vector<std::uint32_t> samples; // samples written in each trace
    std::int64_t samples_word = -1;     // written in every trace header; -1: each trace's own count
    std::int16_t scalar = 0, units = 0;
    std::size_t trailing = 0; // zero bytes after the last trace
};

// Text in EBCDIC (code page 037): letters, digits, blank and the signs
// ( ) : / . , - = of textual headers; anything else as a blank.
std::string ebcdic(std::string_view text);

// Sample sizes of the standard's format codes; 4 for the others.
int format_bytes(int code);
std::string seismic_bytes(const Shape& shape);

// --- a sparse file with the header read's words alone -------------------------

enum class Kind { SegY, Su };

inline std::int64_t header_offset(Kind kind) { return kind == Kind::SegY ? 3600 : 0; }
inline std::int64_t trace_bytes(std::int16_t samples) { return 240 + 4 * std::int64_t{samples}; }
// Size of a file whose traces add up to `traces` traces of `samples`
// samples (fractions allowed: 10.5 traces).
std::uint64_t size_for(Kind kind, std::int16_t samples, double traces);

// A file of exactly `size` bytes (the rest a hole) whose first trace header
// holds `samples` at bytes 115-116 and `scalar` at 71-72, in the kind's
// byte order.
void write_seismic_file(const std::filesystem::path& path, Kind kind, std::int16_t samples, std::int16_t scalar,
                        std::uint64_t size);

} // namespace support
