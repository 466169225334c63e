// The seismic header reader on any file.
//
// Input: one byte whose low bit picks the kind (1: an SU file "line.su",
// 0: a SEG-Y file "line.sgy"), two bytes of a probe (little-endian), then
// the file's bytes. The probe less 2 is a 1-based position of the file
// (reaching a little before its first byte and past its end) and a byte of
// the trace header, as a user types it.
//
// Properties:
//   - a file read is laid out within itself: its traces, of the fixed
//     length or each as long as its own samples word says, follow the
//     headers one after another and end exactly at the end of the file; and
//     the extraction (in blocks, mapped and positioned) reads a point of
//     every one;
//   - where a plain reading of the conventional layout finds whole traces
//     (SEG-Y: big-endian, a 4-byte format code, no byte-order constant
//     saying little-endian, revision below 2, no extended headers, a
//     samples word of 1 to 32767 in the first trace header; SU: that word
//     little-endian), the reader gives exactly that reading: samples, scalar
//     after the power-of-ten rule, 3600 or 0 bytes of header, the count;
//   - a refusal names the file;
//   - a read of the file's bytes at the probe position fails exactly when
//     they do not lie wholly inside the file, and gives them otherwise;
//   - the probe is a byte a word of the trace header starts at exactly when
//     it is 1 to 237, and then the word there of every trace, as the
//     extraction reads it, is the four bytes there in the file's byte order.
#include "fuzz_support.h"

#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"

#include <cstdint>
#include <optional>
#include <string>

using namespace marovin;
using marovin::fuzz::Input;

namespace {

// Words as numbers of their bytes, most significant first.
std::int64_t word_value(std::string_view file, std::size_t index, std::size_t size, bool little_endian)
{
    std::uint64_t u = 0;
    for (std::size_t k = 0; k < size; ++k) {
        const std::size_t at = little_endian ? index + size - 1 - k : index + k;
        u = u * 256 + static_cast<unsigned char>(file[at]);
    }
    const std::uint64_t half = std::uint64_t{1} << (8 * size - 1);
    return u >= half ? static_cast<std::int64_t>(u) - static_cast<std::int64_t>(2 * half)
                     : static_cast<std::int64_t>(u);
}

std::int64_t unsigned_word(std::string_view file, std::int64_t index, std::size_t size, bool little_endian)
{
    const std::int64_t value = word_value(file, static_cast<std::size_t>(index), size, little_endian);
    return value < 0 ? value + (std::int64_t{1} << (8 * size)) : value;
}

// The traces lie one after another from the headers to the end of the file.
void check_within(std::string_view file, const SeismicFile& read)
{
    const TraceLayout& layout = read.layout();
    const auto size = static_cast<std::int64_t>(file.size());
    const bool su = read.su();
    FUZZ_CHECK(layout.count >= 0 && layout.first >= (su ? 0 : 3600) && layout.first <= size,
               "count " + std::to_string(layout.count) + ", offset " + std::to_string(layout.first));
    FUZZ_CHECK(layout.header_bytes >= 240 && layout.header_bytes % 240 == 0 && layout.sample_bytes >= 1 &&
                   layout.sample_bytes <= 8 && layout.samples >= 0,
               "trace header " + std::to_string(layout.header_bytes) + ", sample " +
                   std::to_string(layout.sample_bytes) + ", samples " + std::to_string(layout.samples));
    if (layout.starts.empty()) {
        FUZZ_CHECK(layout.first + layout.count * layout.trace_bytes() == size,
                   std::to_string(layout.count) + " traces of " + std::to_string(layout.trace_bytes()) +
                       " bytes after " + std::to_string(layout.first) + " in " + std::to_string(size));
        return;
    }
    FUZZ_CHECK(layout.starts.size() == static_cast<std::size_t>(layout.count) && layout.starts.front() == layout.first,
               std::to_string(layout.starts.size()) + " starts for " + std::to_string(layout.count));
    // A SEG-Y samples word of 0 stands for the binary header's count.
    const std::int64_t binary = su ? 0 : unsigned_word(file, 3220, 2, layout.little_endian);
    std::int64_t at = layout.first;
    for (const std::int64_t start : layout.starts) {
        FUZZ_CHECK(start == at && start + 240 <= size, "a trace at " + std::to_string(start) + ", expected at " +
                                                           std::to_string(at) + " in " + std::to_string(size));
        std::int64_t samples = unsigned_word(file, start + 114, 2, layout.little_endian);
        if (samples == 0)
            samples = binary;
        at = start + layout.header_bytes + layout.sample_bytes * samples;
    }
    FUZZ_CHECK(at == size, "the last trace ends at " + std::to_string(at) + " in " + std::to_string(size));
}

// Every way of extraction reads a point of every trace.
void check_extraction(const SeismicFile& read)
{
    TraceSelection selection;
    selection.pair = {TraceWord::CdpX, TraceWord::CdpY}; // the words of the standard furthest into a trace
    for (const ReadMethod method : {ReadMethod::Blocks, ReadMethod::Mapped, ReadMethod::Positioned}) {
        const Result<TracePoints> points = read.extract(selection, method);
        // Words said to be degrees, minutes and seconds may be no such angles.
        if (!points.ok() && read.units() == 4)
            continue;
        FUZZ_CHECK(points.ok(), points.error());
        FUZZ_CHECK(points->size() == static_cast<std::size_t>(read.traces()),
                   std::to_string(points->size()) + " points of " + std::to_string(read.traces()) + " traces");
    }
}

// The conventional reading, where it finds whole traces.
void check_conventional(std::string_view file, const Result<SeismicFile>& header, bool su)
{
    const std::int64_t offset = su ? 0 : 3600;
    const auto size = static_cast<std::int64_t>(file.size());
    if (size < offset + 240)
        return;
    if (!su) {
        const std::int64_t format = word_value(file, 3224, 2, false);
        const bool four_bytes = format == 1 || format == 2 || format == 4 || format == 5 || format == 10;
        const bool says_little = word_value(file, 3296, 4, true) == 0x01020304;
        if (!four_bytes || says_little || word_value(file, 3504, 2, false) != 0 ||
            static_cast<unsigned char>(file[3500]) >= 2)
            return;
    }
    const std::int64_t samples = word_value(file, static_cast<std::size_t>(offset + 114), 2, su);
    const std::int64_t trace = 240 + 4 * samples;
    if (samples < 1 || (size - offset) % trace != 0)
        return;
    const std::int64_t scalar = word_value(file, static_cast<std::size_t>(offset + 70), 2, su);
    if (scalar == -32768) {
        FUZZ_CHECK(!header.ok(), "the scalar -32768 was accepted");
        return;
    }
    FUZZ_CHECK(header.ok(), header.error());
    std::int64_t rule = scalar;
    if (scalar > -5 && scalar < 5) {
        rule = 1;
        for (std::int64_t k = 0; k < (scalar < 0 ? -scalar : scalar); ++k)
            rule *= 10;
    }
    const TraceLayout& layout = header->layout();
    FUZZ_CHECK(layout.samples == samples,
               "samples " + std::to_string(layout.samples) + ", expected " + std::to_string(samples));
    FUZZ_CHECK(header->scalar() == rule,
               "scalar " + std::to_string(header->scalar()) + ", expected " + std::to_string(rule));
    FUZZ_CHECK(layout.first == offset && layout.little_endian == su && layout.sample_bytes == 4 &&
                   layout.header_bytes == 240 && layout.starts.empty(),
               "a layout other than the conventional one, offset " + std::to_string(layout.first));
    FUZZ_CHECK(layout.count == (size - offset) / trace,
               "traces " + std::to_string(layout.count) + ", expected " + std::to_string((size - offset) / trace));
}

// The bytes at `position` through the file's own read.
void check_read(const SeismicFile& read, std::string_view file, std::int64_t position)
{
    for (const std::size_t size : {std::size_t{2}, std::size_t{4}}) {
        unsigned char bytes[4] = {};
        const bool inside =
            position >= 1 && position - 1 + static_cast<std::int64_t>(size) <= static_cast<std::int64_t>(file.size());
        const Status got = read.read(position, bytes, size);
        FUZZ_CHECK(got.ok() == inside, "a " + std::to_string(size) + "-byte read at " + std::to_string(position) +
                                           " of a " + std::to_string(file.size()) + "-byte file");
        for (std::size_t k = 0; inside && k < size; ++k)
            FUZZ_CHECK(bytes[k] == static_cast<unsigned char>(file[static_cast<std::size_t>(position - 1) + k]),
                       "byte " + std::to_string(k) + " at " + std::to_string(position));
    }
}

// The word at `byte` of every trace header, as a user types the byte.
void check_typed_byte(const SeismicFile& read, std::string_view file, std::int64_t byte)
{
    const std::optional<HeaderPosition> position = HeaderPosition::at_byte(byte);
    FUZZ_CHECK(position.has_value() == (byte >= 1 && byte <= 237), "byte " + std::to_string(byte));
    if (!position || read.units() == 4 || read.traces() == 0)
        return;
    TraceSelection selection;
    selection.label = *position;
    const Result<TracePoints> points = read.extract(selection);
    FUZZ_CHECK(points.ok(), points.error());
    const TraceLayout& layout = read.layout();
    for (std::int64_t i = 0; i < layout.count; ++i) {
        const std::int64_t start = layout.starts.empty() ? layout.first + i * layout.trace_bytes()
                                                         : layout.starts[static_cast<std::size_t>(i)];
        const std::int64_t expected =
            word_value(file, static_cast<std::size_t>(start + byte - 1), 4, layout.little_endian);
        FUZZ_CHECK(points->labels[static_cast<std::size_t>(i)] == expected,
                   "trace " + std::to_string(i + 1) + " byte " + std::to_string(byte) + ": " +
                       std::to_string(points->labels[static_cast<std::size_t>(i)]) + ", expected " +
                       std::to_string(expected));
    }
}

void check_file(const std::string& path, std::string_view file, bool su, std::int64_t probe)
{
    const Result<SeismicFile> read = SeismicFile::open(path);
    check_conventional(file, read, su);
    if (!read.ok()) {
        FUZZ_CHECK(read.error().find(path) != std::string::npos, read.error());
        return;
    }
    FUZZ_CHECK(read->size() == file.size() && read->su() == su, "size " + std::to_string(read->size()));
    check_within(file, *read);
    check_extraction(*read);
    check_read(*read, file, probe);
    check_typed_byte(*read, file, probe);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const bool su = (input.byte() & 1) != 0;
    // Probes reach a little before the first byte and past the end.
    const std::int64_t position = static_cast<std::int64_t>(input.u16()) - 2;
    const std::string_view file = input.rest();
    const std::string path = fuzz::scratch_path(su ? "line.su" : "line.sgy");
    fuzz::write_file(path, file);
    check_file(path, file, su, position);
    return 0;
}
