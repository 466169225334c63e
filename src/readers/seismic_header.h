#pragma once
// Reading the header words the program needs from a SEG-Y or SU file, and
// working out where its traces lie.
//
// The kind comes from the name (is_su_path, base/file_names.h). A SEG-Y file has a 3600-byte
// file header (3200 bytes of text, a 400-byte binary header), then any
// extended textual headers, then its traces; an SU file is traces alone.
// Each trace is a 240-byte trace header (plus, in SEG-Y revision 2, the
// additional 240-byte headers the binary header announces) followed by its
// samples. How the reader decides the byte order, the sample size, the
// samples per trace and the first trace is spelt out in seismic_header.cpp;
// on the files the earliest reader took (big-endian SEG-Y of 4-byte samples
// whose first trace header holds the true samples word, SU whose size is a
// whole number of traces) it gives what that reader gave.
//
// Positions are 1-based (position 1 is the first byte of the file) and
// 64-bit.

#include "base/file_names.h"
#include "base/regular_file.h"
#include "base/result.h"
#include "readers/seismic_words.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

// Header state left by a successful header read: what the extraction needs
// to find every trace. A state built by hand with only the first five fields
// describes the conventional layout (the defaults of the others).
struct SeismicHeader {
    std::int16_t Nb_Samples = 0;    // samples per trace as the 16-bit word holds it (the low 16 bits)
    std::int32_t Nb_Samples32 = 0;  // samples per trace, the count used in arithmetic
    std::int16_t Coord_Scalar = 0;  // of the first trace, after the power-of-ten rule
    std::int64_t Header_Offset = 0; // bytes before the first trace
    std::int32_t Nb_Traces = 0;

    // Words in the other order than the kind's usual one: a little-endian
    // SEG-Y file, or an SU file written on a big-endian machine.
    bool Reversed_Byte_Order = false;
    std::int32_t Sample_Bytes = 4;
    std::int64_t Trace_Header_Bytes = kTraceHeaderBytes; // the trace header and any additional ones
    // Traces of varying length: the bytes before each trace, in order;
    // empty when every trace has the length the samples per trace give.
    std::vector<std::int64_t> Trace_Starts{};
    std::int16_t Coord_Units = 0; // units word of the first trace header

    bool operator==(const SeismicHeader&) const = default;
};

// Where the samples per trace were read.
enum class SamplesSource { TraceHeader, BinaryHeader, ExtendedBinaryHeader };

// What else the header read found, for the user: the tab's summary line.
struct SeismicFindings {
    bool su = false;
    int revision = 0; // SEG-Y major revision
    int revision_minor = 0;
    std::int16_t format_code = 0;
    bool format_known = true;
    SamplesSource samples_from = SamplesSource::TraceHeader;
    std::int64_t extended_headers = 0;   // 3200-byte blocks after the binary header
    std::int64_t additional_headers = 0; // 240-byte headers after each trace header
    std::int16_t scalar_word = 0;        // as read, before the power-of-ten rule

    bool operator==(const SeismicFindings&) const = default;
};

// One line that says what the header read found, e.g. "SEG-Y rev 1,
// big-endian, format 3 (2-byte integers), 75 samples (binary header), 414
// traces, scalar word -10".
std::string findings_line(const SeismicHeader& header, const SeismicFindings& findings);

// The sample size of a SEG-Y format code (1 -> 4, 3 -> 2, 8 -> 1, ...);
// 0 for a code the standard does not define.
int sample_bytes_of_format(int format_code);

// True when the words of a file of this kind are little-endian.
inline bool little_endian_words(const SeismicHeader& header, bool su) { return su != header.Reversed_Byte_Order; }

// An open seismic file for positioned reads. Reads never extend past the end:
// a word that does not lie wholly inside the file is an error.
class SeismicFile {
public:
    // Fails for a path that names no existing regular file; never creates one.
    static Result<SeismicFile> open(const std::string& path);

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }

    // Reads `count` bytes at 1-based `position`.
    Status read(std::int64_t position, void* buffer, std::size_t count) const;

    Result<std::int16_t> Read_BE_Int16(std::int64_t position) const;
    Result<std::int32_t> Read_BE_Int32(std::int64_t position) const;
    Result<std::int16_t> Read_LE_Int16(std::int64_t position) const;
    Result<std::int32_t> Read_LE_Int32(std::int64_t position) const;

    int descriptor() const { return file_.get(); }

private:
    SeismicFile(std::string path, RegularFile file);
    std::string path_;
    Descriptor file_;
    std::uint64_t size_ = 0;
};

// The power-of-ten rule: a scalar of magnitude below 5 becomes 10 raised to
// that magnitude (0 -> 1, -2 -> 100, 4 -> 10000); others stay as read.
std::int16_t apply_scalar_rule(std::int16_t scalar);

// What a header read gives: the header state, and what the line of
// findings_line needs.
struct SeismicRead {
    SeismicHeader header;
    SeismicFindings findings;
};

// Reads the headers of the file at `path`; SU when is_su_path(path). Fails,
// naming the file and the cause in a surveyor's words, when no rule finds a
// whole number of traces in it.
Result<SeismicRead> read_seismic_file(const std::string& path);

// The header state alone of read_seismic_file().
Result<SeismicHeader> read_seismic_header(const std::string& path);

} // namespace marovin
