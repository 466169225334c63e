// The seismic header reader on any file.
//
// Input: one byte whose low bit picks the kind (1: an SU file "line.su",
// 0: a SEG-Y file "line.sgy"), two bytes of a 1-based probe position
// (little-endian), then the file's bytes.
//
// Properties:
//   - a file read is laid out within itself: its traces, of the fixed
//     length or each as long as its own samples word says, follow the
//     headers one after another and end exactly at the end of the file; and
//     the extraction (mapped and positioned) reads a point of every one;
//   - where a plain reading of the conventional layout finds whole traces
//     (SEG-Y: big-endian, a 4-byte format code, no byte-order constant
//     saying little-endian, revision below 2, no extended headers, a
//     samples word of 1 to 32767 in the first trace header; SU: that word
//     little-endian), the reader gives exactly that reading: samples, scalar
//     after the power-of-ten rule, 3600 or 0 bytes of header, the count;
//   - a refusal names the file;
//   - each of the four word readers at the probe position gives the bytes
//     there, decoded, or an error exactly when the word does not lie wholly
//     inside the file.
#include "fuzz_support.h"

#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"

#include <cstdint>
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
void check_within(std::string_view file, const SeismicHeader& header, bool su)
{
    const auto size = static_cast<std::int64_t>(file.size());
    const bool little = little_endian_words(header, su);
    FUZZ_CHECK(header.Nb_Traces >= 0 && header.Header_Offset >= (su ? 0 : 3600) && header.Header_Offset <= size,
               "count " + std::to_string(header.Nb_Traces) + ", offset " + std::to_string(header.Header_Offset));
    FUZZ_CHECK(header.Trace_Header_Bytes >= 240 && header.Trace_Header_Bytes % 240 == 0 && header.Sample_Bytes >= 1 &&
                   header.Sample_Bytes <= 8 && header.Nb_Samples32 >= 0,
               "trace header " + std::to_string(header.Trace_Header_Bytes) + ", sample " +
                   std::to_string(header.Sample_Bytes) + ", samples " + std::to_string(header.Nb_Samples32));
    if (header.Trace_Starts.empty()) {
        const std::int64_t length = header.Trace_Header_Bytes + std::int64_t{header.Sample_Bytes} * header.Nb_Samples32;
        FUZZ_CHECK(header.Header_Offset + header.Nb_Traces * length == size,
                   std::to_string(header.Nb_Traces) + " traces of " + std::to_string(length) + " bytes after " +
                       std::to_string(header.Header_Offset) + " in " + std::to_string(size));
        return;
    }
    FUZZ_CHECK(header.Trace_Starts.size() == static_cast<std::size_t>(header.Nb_Traces) &&
                   header.Trace_Starts.front() == header.Header_Offset,
               std::to_string(header.Trace_Starts.size()) + " starts for " + std::to_string(header.Nb_Traces));
    // A SEG-Y samples word of 0 stands for the binary header's count.
    const std::int64_t binary = su ? 0 : unsigned_word(file, 3220, 2, little);
    std::int64_t at = header.Header_Offset;
    for (const std::int64_t start : header.Trace_Starts) {
        FUZZ_CHECK(start == at && start + 240 <= size, "a trace at " + std::to_string(start) + ", expected at " +
                                                           std::to_string(at) + " in " + std::to_string(size));
        std::int64_t samples = unsigned_word(file, start + 114, 2, little);
        if (samples == 0)
            samples = binary;
        at = start + header.Trace_Header_Bytes + header.Sample_Bytes * samples;
    }
    FUZZ_CHECK(at == size, "the last trace ends at " + std::to_string(at) + " in " + std::to_string(size));
}

// Both ways of extraction read a point of every trace.
void check_extraction(const std::string& path, const SeismicHeader& header, bool su)
{
    Result<SeismicFile> opened = SeismicFile::open(path);
    FUZZ_CHECK(opened.ok(), opened.error());
    TraceSelection selection;
    selection.pair = coordinate_pair_for("X,Y CDP coordinate"); // the words furthest into a trace
    for (const ReadMethod method : {ReadMethod::Mapped, ReadMethod::Positioned}) {
        const Result<TracePoints> points = extract_trace_points(*opened, header, su, selection, method);
        // Words said to be degrees, minutes and seconds may be no such angles.
        if (!points.ok() && header.Coord_Units == 4)
            continue;
        FUZZ_CHECK(points.ok(), points.error());
        FUZZ_CHECK(points->size() == static_cast<std::size_t>(header.Nb_Traces),
                   std::to_string(points->size()) + " points of " + std::to_string(header.Nb_Traces) + " traces");
    }
}

// The conventional reading, where it finds whole traces.
void check_conventional(std::string_view file, const Result<SeismicHeader>& header, bool su)
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
    FUZZ_CHECK(header->Nb_Samples == samples && header->Nb_Samples32 == samples,
               "samples " + std::to_string(header->Nb_Samples32) + ", expected " + std::to_string(samples));
    FUZZ_CHECK(header->Coord_Scalar == rule,
               "scalar " + std::to_string(header->Coord_Scalar) + ", expected " + std::to_string(rule));
    FUZZ_CHECK(header->Header_Offset == offset && !header->Reversed_Byte_Order && header->Sample_Bytes == 4 &&
                   header->Trace_Header_Bytes == 240 && header->Trace_Starts.empty(),
               "a layout other than the conventional one, offset " + std::to_string(header->Header_Offset));
    FUZZ_CHECK(header->Nb_Traces == (size - offset) / trace,
               "traces " + std::to_string(header->Nb_Traces) + ", expected " + std::to_string((size - offset) / trace));
}

void check_header(const std::string& path, std::string_view file, bool su)
{
    const Result<SeismicHeader> header = read_seismic_header(path);
    check_conventional(file, header, su);
    if (!header.ok()) {
        FUZZ_CHECK(header.error().find(path) != std::string::npos, header.error());
        return;
    }
    check_within(file, *header, su);
    check_extraction(path, *header, su);
}

// One word reader's answer at `position` against the file's bytes.
template <class Word>
void check_word(const Result<Word>& read, std::string_view file, std::int64_t position, bool little_endian)
{
    const std::size_t size = sizeof(Word);
    const bool inside =
        position >= 1 && position - 1 + static_cast<std::int64_t>(size) <= static_cast<std::int64_t>(file.size());
    FUZZ_CHECK(read.ok() == inside, "a " + std::to_string(size) + "-byte word at " + std::to_string(position) +
                                        " of a " + std::to_string(file.size()) + "-byte file");
    if (!inside)
        return;
    const std::int64_t expected = word_value(file, static_cast<std::size_t>(position - 1), size, little_endian);
    FUZZ_CHECK(*read == expected, std::to_string(*read) + " read, " + std::to_string(expected) + " expected at " +
                                      std::to_string(position));
}

void check_words(const std::string& path, std::string_view file, std::int64_t position)
{
    Result<SeismicFile> opened = SeismicFile::open(path);
    FUZZ_CHECK(opened.ok(), opened.error());
    FUZZ_CHECK(opened->size() == file.size(), "size " + std::to_string(opened->size()));
    check_word(opened->Read_BE_Int16(position), file, position, false);
    check_word(opened->Read_BE_Int32(position), file, position, false);
    check_word(opened->Read_LE_Int16(position), file, position, true);
    check_word(opened->Read_LE_Int32(position), file, position, true);
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
    check_header(path, file, su);
    check_words(path, file, position);
    return 0;
}
