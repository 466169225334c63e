#pragma once
// A SEG-Y or SU file, opened once: its kind, byte order, where its traces
// lie and its textual headers, read once from its headers; the extraction
// of its trace-header words (trace_extraction.h) reads through it.
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
#include "base/progress.h"
#include "base/regular_file.h"
#include "base/result.h"
#include "readers/seismic_words.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

// Where the traces of a file lie.
struct TraceLayout {
    bool little_endian = false;
    std::int64_t first = 0;                        // bytes before the first trace
    std::int64_t header_bytes = kTraceHeaderBytes; // the trace header and any additional ones
    std::int64_t sample_bytes = 4;
    std::int64_t samples = 0; // per trace; of the first trace when they vary
    std::int64_t count = 0;   // traces
    // Traces of varying length: the bytes before each trace, in order;
    // empty when every trace has the length the samples per trace give.
    std::vector<std::int64_t> starts{};

    // Bytes of one trace of fixed length; 0 or below for a samples count
    // that leaves no trace.
    std::int64_t trace_bytes() const { return header_bytes + sample_bytes * samples; }
    bool operator==(const TraceLayout&) const = default;
};

// Where the samples per trace were read.
enum class SamplesSource { TraceHeader, BinaryHeader, ExtendedBinaryHeader };

// What else the header read found, for the user: the found-line.
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
    std::int16_t units = 0;              // coordinate units word of the first trace header

    bool operator==(const SeismicFindings&) const = default;
};

// The sample size of a SEG-Y format code (1 -> 4, 3 -> 2, 8 -> 1, ...);
// 0 for a code the standard does not define.
int sample_bytes_of_format(int format_code);

// The power-of-ten rule: a scalar of magnitude below 5 becomes 10 raised to
// that magnitude (0 -> 1, -2 -> 100, 4 -> 10000); others stay as read.
std::int16_t apply_scalar_rule(std::int16_t scalar);

// The 240 bytes of one trace header, as the file holds them.
using TraceHeaderBytes = std::array<unsigned char, kTraceHeaderBytes>;

struct TracePoints;
struct TraceSelection;
enum class ReadMethod;

// An open seismic file whose headers have been read. Reads never extend
// past the end: a word that does not lie wholly inside the file is an error.
// Move-only; the file stays open as long as the object lives.
class SeismicFile {
public:
    // Opens the file at `path` (SU when is_su_path(path)) and reads its
    // headers. Fails for a path that names no existing regular file (never
    // creating one), and, naming the file and the cause in a surveyor's
    // words, when no rule finds a whole number of traces in it.
    static Result<SeismicFile> open(const std::string& path);

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }
    bool su() const { return findings_.su; }
    const TraceLayout& layout() const { return layout_; }
    std::int32_t traces() const { return static_cast<std::int32_t>(layout_.count); }
    // The first trace's coordinate scalar after the power-of-ten rule.
    std::int16_t scalar() const { return scalar_; }
    // The first trace's coordinate units word (1 lengths, 2 seconds of arc,
    // 3 degrees, 4 degrees-minutes-seconds).
    std::int16_t units() const { return findings_.units; }
    const SeismicFindings& findings() const { return findings_; }
    // The textual header, then the extended ones (at most
    // kKeptTextBlocks in all), 3200 bytes each as the file holds them; none
    // for an SU file.
    const std::vector<std::string>& text_blocks() const { return text_blocks_; }
    static constexpr std::size_t kKeptTextBlocks = 100;

    // The textual headers as lines of UTF-8 text (textual_header.h): the 40
    // cards of the textual header, then each extended one after a blank
    // line, and a last line that counts the extended headers not kept. None
    // for an SU file.
    std::vector<std::string> textual_header() const;

    // One line that says what the header read found, e.g. "SEG-Y rev 1,
    // big-endian, format 3 (2-byte integers), 75 samples (binary header), 414
    // traces, scalar word -10".
    std::string found_line() const;

    // The words of every trace that the selection names (trace_extraction.h),
    // telling `progress` the traces read.
    Result<TracePoints> extract(const TraceSelection& selection, ReadMethod method,
                                Progress& progress = no_progress()) const;
    Result<TracePoints> extract(const TraceSelection& selection, Progress& progress = no_progress()) const;

    // The header of trace `index` (0-based), and its words in the file's
    // byte order.
    Result<TraceHeaderBytes> trace_header(std::int64_t index) const;
    std::int32_t word32(const TraceHeaderBytes& header, HeaderPosition position) const;
    std::int16_t word16(const TraceHeaderBytes& header, TraceWord word) const;

    int descriptor() const { return file_.get(); }

    // Reads `count` bytes at 1-based `position`.
    Status read(std::int64_t position, void* buffer, std::size_t count) const;

private:
    SeismicFile(std::string path, RegularFile file);
    Status read_headers();
    Result<std::int64_t> read_text_blocks_to_end_stanza();
    Status read_text_blocks(std::int64_t count);

    std::string path_;
    Descriptor file_;
    std::uint64_t size_ = 0;
    TraceLayout layout_;
    SeismicFindings findings_;
    std::int16_t scalar_ = 0;
    std::vector<std::string> text_blocks_;
};

} // namespace marovin
