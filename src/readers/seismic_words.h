#pragma once
// Byte positions of the header words the program reads, named once, by the
// SEG-Y standard's own 1-based numbering: trace-header words by their byte
// within the 240-byte trace header (an SU trace header has the same layout),
// binary-header words by their byte within the file (the binary header takes
// bytes 3201-3600, after the 3200-byte textual header).

namespace marovin {

// Trace-header words. The 32-bit words (coordinates, numbers) and the 16-bit
// ones (scalar, units, samples) are told apart by the reader that takes them.
enum class TraceWord : int {
    TraceSequence = 1,   // trace sequence number within the line, 32 bits
    FieldRecord = 9,     // field record number (FFID), 32 bits
    SourcePoint = 17,    // energy source point number, 32 bits
    Ensemble = 21,       // ensemble (CDP) number, 32 bits
    CoordScalar = 71,    // scalar for coordinates, 16 bits
    SourceX = 73,        // 32 bits each, as are the pairs after
    SourceY = 77,
    GroupX = 81,         // receiver
    GroupY = 85,
    CoordUnits = 89,     // 1 length, 2 seconds of arc, 3 degrees, 4 DDDMMSS; 16 bits
    SamplesInTrace = 115, // 16 bits, unsigned since revision 1
    CdpX = 181,          // X, Y of the ensemble (the bin centre of 3-D data)
    CdpY = 185,
};

// Binary-header words of a SEG-Y file.
enum class BinaryWord : int {
    SamplesPerTrace = 3221,        // 16 bits, unsigned
    FormatCode = 3225,             // sample format, 16 bits
    ExtendedSamplesPerTrace = 3269, // 32 bits, revision 2: used where 3221 is 0
    ByteOrderConstant = 3297,      // 32 bits, revision 2: 0x01020304 as written
    Revision = 3501,               // major revision byte; 3502 the minor one
    FixedLengthFlag = 3503,        // 16 bits: 1 when every trace has the same length
    ExtendedTextHeaders = 3505,    // 16 bits: 3200-byte blocks after the binary header; -1 variable
    AdditionalTraceHeaders = 3507, // revision 2: 240-byte headers after each trace header
};

} // namespace marovin
