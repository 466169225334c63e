#pragma once
// The layout of SEG-Y and SU headers, named once: the sizes of the headers,
// the byte positions of the words the program reads, by the SEG-Y
// standard's own 1-based numbering (trace-header words by their byte within
// the 240-byte trace header, which an SU trace has too; binary-header words
// by their byte within the file), and how a word's bytes make its value.

#include <cstdint>
#include <optional>

namespace marovin {

inline constexpr std::int64_t kTraceHeaderBytes = 240;   // and each additional trace header
inline constexpr std::int64_t kTextHeaderBytes = 3200;   // the textual header, and each extended one
inline constexpr std::int64_t kBinaryHeaderStart = 3201; // 1-based, after the textual header
inline constexpr std::int64_t kBinaryHeaderBytes = 400;
inline constexpr std::int64_t kSegyFileHeaderBytes = 3600; // textual and binary header

// Trace-header words. The 32-bit words (coordinates, numbers) and the 16-bit
// ones (scalar, units, samples) are told apart by the reader that takes them.
enum class TraceWord : int {
    TraceSequence = 1, // trace sequence number within the line, 32 bits
    FieldRecord = 9,   // field record number (FFID), 32 bits
    SourcePoint = 17,  // energy source point number, 32 bits
    Ensemble = 21,     // ensemble (CDP) number, 32 bits
    CoordScalar = 71,  // scalar for coordinates, 16 bits
    SourceX = 73,      // 32 bits each, as are the pairs after
    SourceY = 77,
    GroupX = 81, // receiver
    GroupY = 85,
    CoordUnits = 89,      // 1 length, 2 seconds of arc, 3 degrees, 4 DDDMMSS; 16 bits
    SamplesInTrace = 115, // 16 bits, unsigned since revision 1
    CdpX = 181,           // X, Y of the ensemble (the bin centre of 3-D data)
    CdpY = 185,
    Inline = 189,    // in-line number of 3-D data, 32 bits
    Crossline = 193, // cross-line number of 3-D data, 32 bits
};

// Binary-header words of a SEG-Y file.
enum class BinaryWord : int {
    SamplesPerTrace = 3221,         // 16 bits, unsigned
    FormatCode = 3225,              // sample format, 16 bits
    ExtendedSamplesPerTrace = 3269, // 32 bits, revision 2: used where 3221 is 0
    ByteOrderConstant = 3297,       // 32 bits, revision 2: 0x01020304 as written
    Revision = 3501,                // major revision byte; 3502 the minor one
    FixedLengthFlag = 3503,         // 16 bits: 1 when every trace has the same length
    ExtendedTextHeaders = 3505,     // 16 bits: 3200-byte blocks after the binary header; -1 variable
    AdditionalTraceHeaders = 3507,  // revision 2: 240-byte headers after each trace header
};

// Positions of a header word (1-based) in a trace header or the file.
constexpr std::int64_t position_of(TraceWord word) { return static_cast<std::int64_t>(word); }
constexpr std::int64_t position_of(BinaryWord word) { return static_cast<std::int64_t>(word); }

// The last byte a 32-bit word of the trace header can start at: its four
// bytes end with the header's byte 240.
inline constexpr int kLastWordByte = static_cast<int>(kTraceHeaderBytes) - 3;

// A 32-bit word of the trace header, by the 1-based byte it starts at: a
// word the standard names, or one at any byte from 1 to kLastWordByte, where
// files put what the standard leaves open (coordinates at 201 and 205, an
// in-line number at 5).
class HeaderPosition {
public:
    constexpr HeaderPosition(TraceWord word) : byte_(static_cast<int>(word)) {}
    // Nothing for a byte where no 32-bit word of the trace header starts.
    static constexpr std::optional<HeaderPosition> at_byte(std::int64_t byte)
    {
        if (byte < 1 || byte > kLastWordByte)
            return std::nullopt;
        return HeaderPosition(static_cast<int>(byte));
    }
    constexpr int byte() const { return byte_; }
    constexpr bool operator==(const HeaderPosition&) const = default;

private:
    constexpr explicit HeaderPosition(int byte) : byte_(byte) {}
    int byte_;
};

// Two's-complement words from their bytes, big- or little-endian (no
// pointer casts): unsigned assembly, then the value-preserving conversion
// C++20 guarantees. Inline, so that the loops over millions of traces
// inline them.
constexpr std::int16_t decode_be16(const unsigned char* b)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((b[0] << 8) | b[1]));
}
constexpr std::int32_t decode_be32(const unsigned char* b)
{
    return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                     (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]});
}
constexpr std::int16_t decode_le16(const unsigned char* b)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((b[1] << 8) | b[0]));
}
constexpr std::int32_t decode_le32(const unsigned char* b)
{
    return static_cast<std::int32_t>((std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) |
                                     (std::uint32_t{b[1]} << 8) | std::uint32_t{b[0]});
}

} // namespace marovin
