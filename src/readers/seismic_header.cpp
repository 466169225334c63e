#include "readers/seismic_header.h"

#include "base/plain_text.h"
#include "base/regular_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <sys/types.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "seismic files above 2 GB need 64-bit file offsets");

namespace marovin {
namespace {

std::string system_reason(int error) { return std::strerror(error); }

} // namespace

SeismicFile::SeismicFile(std::string path, RegularFile file)
    : path_(std::move(path)), file_(std::move(file.descriptor)), size_(file.size)
{}

Result<SeismicFile> SeismicFile::open(const std::string& path)
{
    if (path.empty())
        return fail("no seismic file is named");
    Result<RegularFile, OpenError> file = open_regular_file(path);
    if (file)
        return SeismicFile(path, std::move(file).value());
    const OpenError& why = file.failure();
    if (why.names_nothing())
        return fail("the file " + in_quotes(path) + " does not exist");
    switch (why.kind) {
    case OpenError::Kind::Folder: return fail(in_quotes(path) + " is not a file but a folder");
    case OpenError::Kind::NotRegular: return fail(in_quotes(path) + " is not a file");
    case OpenError::Kind::Missing:
    case OpenError::Kind::Failed: break;
    }
    return fail("the file " + in_quotes(path) + " cannot be opened: " + system_reason(why.system_error));
}

Status SeismicFile::read(std::int64_t position, void* buffer, std::size_t count) const
{
    const auto last = static_cast<std::uint64_t>(position - 1) + count; // bytes needed from the start
    if (position < 1 || last > size_)
        return fail("the file " + in_quotes(path_) + " is too short: it has " + std::to_string(size_) +
                    " bytes, and the word at position " + std::to_string(position) + " would end at byte " +
                    std::to_string(last));
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(file_.get(), out + done, count - done, static_cast<off_t>(position - 1 + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail("the file " + in_quotes(path_) + " cannot be read: " + system_reason(errno));
        if (n == 0) // shrunk since it was opened
            return fail("the file " + in_quotes(path_) + " ended before position " + std::to_string(last));
        done += static_cast<std::size_t>(n);
    }
    return ok();
}

namespace {

// Reads the N bytes of a word at `position` and decodes them.
template <class Word, std::size_t N>
Result<Word> read_word(const SeismicFile& file, std::int64_t position, Word (*decode)(const unsigned char*))
{
    unsigned char bytes[N];
    if (Status s = file.read(position, bytes, N); !s)
        return fail(s.error());
    return decode(bytes);
}

} // namespace

Result<std::int16_t> SeismicFile::Read_BE_Int16(std::int64_t position) const
{
    return read_word<std::int16_t, 2>(*this, position, decode_be16);
}

Result<std::int32_t> SeismicFile::Read_BE_Int32(std::int64_t position) const
{
    return read_word<std::int32_t, 4>(*this, position, decode_be32);
}

Result<std::int16_t> SeismicFile::Read_LE_Int16(std::int64_t position) const
{
    return read_word<std::int16_t, 2>(*this, position, decode_le16);
}

Result<std::int32_t> SeismicFile::Read_LE_Int32(std::int64_t position) const
{
    return read_word<std::int32_t, 4>(*this, position, decode_le32);
}

std::int16_t apply_scalar_rule(std::int16_t scalar)
{
    static constexpr std::int16_t powers[] = {1, 10, 100, 1000, 10000};
    if (scalar > -5 && scalar < 5)
        return powers[scalar < 0 ? -scalar : scalar];
    return scalar;
}

// How a file is read, SEG-Y or SU alike:
//
// 1. Byte order. SEG-Y: the revision-2 byte-order constant (bytes
//    3297-3300, written as 01020304 in the file's order) where it is there;
//    otherwise big-endian, unless the format code read big-endian is no
//    code of the standard while read little-endian it is one. SU:
//    little-endian, unless its samples word read little-endian leaves a
//    partial trace and read big-endian does not (SU written on a big-endian
//    machine). Every word of the file is then read in that order.
// 2. Sample size from the format code (sample_bytes_of_format); a code
//    unknown in both orders keeps 4 bytes. SU samples are 4-byte floats.
// 3. Samples per trace, unsigned: the first trace header's word, but the
//    binary header's where the trace header's is 0, or where it leaves a
//    partial trace and the binary header's does not. In revision 2 the
//    binary header's 32-bit count stands where its 16-bit word is 0.
// 4. The first trace follows 3600 bytes and the extended textual headers:
//    n blocks of 3200 bytes, or for n = -1 the blocks up to and including
//    the one holding the end stanza "((SEG: EndText))".
// 5. Revision 2: each additional trace header adds 240 bytes to a trace.
// 6. When the trace length still leaves a partial trace, the traces may
//    differ in length (revision 1 allows it): the file is walked trace by
//    trace, each as long as its own samples word says (a SEG-Y word of 0
//    standing for the binary header's count; a trace of no samples ends the
//    walk). A walk that ends exactly at the end of the file gives the
//    traces; otherwise the file is refused, with the cause named. Files of
//    whole traces never pay for a walk.
namespace {

// Words of a header held in memory, addressed by their 1-based file
// positions; `base` is the position of the first byte held.
class HeaderWords {
public:
    HeaderWords(const unsigned char* bytes, std::int64_t base, bool little_endian)
        : bytes_(bytes), base_(base), little_(little_endian)
    {}
    const unsigned char* at(std::int64_t position) const { return bytes_ + (position - base_); }
    std::uint16_t u16(std::int64_t position) const
    {
        return static_cast<std::uint16_t>(little_ ? decode_le16(at(position)) : decode_be16(at(position)));
    }
    std::int16_t s16(std::int64_t position) const { return static_cast<std::int16_t>(u16(position)); }
    std::uint32_t u32(std::int64_t position) const
    {
        return static_cast<std::uint32_t>(little_ ? decode_le32(at(position)) : decode_be32(at(position)));
    }

private:
    const unsigned char* bytes_;
    std::int64_t base_;
    bool little_;
};

// 3601 -> "3,601": sizes in messages as a surveyor reads them.
std::string grouped(std::int64_t value)
{
    const std::string digits = std::to_string(value);
    const std::size_t sign = value < 0 ? 1 : 0;
    std::string text = digits.substr(0, sign);
    for (std::size_t i = sign; i < digits.size(); ++i) {
        if (i > sign && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

// Where the traces lie, as far as it is known before they are counted.
struct Layout {
    bool su = false;
    bool little_endian = false;
    std::int64_t first = 0; // bytes before the first trace
    std::int64_t header_bytes = kTraceHeaderBytes;
    std::int64_t sample_bytes = 4;
    std::int64_t binary_samples = 0; // SEG-Y: the binary header's count, 0 if none

    std::int64_t trace_bytes(std::int64_t samples) const { return header_bytes + sample_bytes * samples; }
};

std::uint16_t u16_word(const unsigned char* word, bool little_endian)
{
    return static_cast<std::uint16_t>(little_endian ? decode_le16(word) : decode_be16(word));
}

std::uint16_t samples_word(const unsigned char* trace_header, bool little_endian)
{
    return u16_word(trace_header + position_of(TraceWord::SamplesInTrace) - 1, little_endian);
}

// The walk of rule 6: the start of every trace, when the last one ends
// exactly at the end of the file. The samples words are read through a
// buffer, so that a walk over many short traces (a damaged file that is to
// be refused) costs few reads.
std::optional<std::vector<std::int64_t>> walk_traces(const SeismicFile& file, const Layout& layout)
{
    constexpr std::int64_t kBufferBytes = 64 * 1024;
    const auto size = static_cast<std::int64_t>(file.size());
    std::vector<unsigned char> buffer(static_cast<std::size_t>(kBufferBytes));
    std::int64_t held_from = 0, held_to = 0; // 0-based file offsets the buffer holds
    std::vector<std::int64_t> starts;
    for (std::int64_t at = layout.first; at != size;) {
        if (size - at < kTraceHeaderBytes || starts.size() >= std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        const std::int64_t word = at + position_of(TraceWord::SamplesInTrace) - 1; // 0-based
        if (word < held_from || word + 2 > held_to) {
            held_from = word;
            held_to = std::min(size, word + kBufferBytes);
            if (!file.read(held_from + 1, buffer.data(), static_cast<std::size_t>(held_to - held_from)))
                return std::nullopt;
        }
        std::int64_t samples = u16_word(buffer.data() + (word - held_from), layout.little_endian);
        if (samples == 0 && !layout.su)
            samples = layout.binary_samples;
        // Traces that differ in length hold samples; a word of 0 here is
        // damage or a hole, and reading on would take the rest of the file
        // 240 bytes at a time.
        if (samples == 0)
            return std::nullopt;
        starts.push_back(at);
        const std::int64_t length = layout.trace_bytes(samples);
        if (length > size - at)
            return std::nullopt;
        at += length;
    }
    return starts;
}

constexpr std::string_view kEndStanza = "((SEG: EndText))";

// The stanza as the textual headers may hold it: ASCII or EBCDIC, as
// written or in capitals.
bool holds_end_stanza(std::string_view block)
{
    static const std::array<std::string, 4> needles = [] {
        const auto ebcdic = [](char c) -> char {
            // EBCDIC gives each case of the alphabet in three runs.
            struct Run {
                char first, last;
                unsigned char code;
            };
            static constexpr Run runs[] = {{'A', 'I', 0xC1}, {'J', 'R', 0xD1}, {'S', 'Z', 0xE2},
                                           {'a', 'i', 0x81}, {'j', 'r', 0x91}, {'s', 'z', 0xA2}};
            for (const Run& run : runs)
                if (c >= run.first && c <= run.last)
                    return static_cast<char>(run.code + (c - run.first));
            switch (c) {
            case '(': return static_cast<char>(0x4D);
            case ')': return static_cast<char>(0x5D);
            case ':': return static_cast<char>(0x7A);
            default: return static_cast<char>(0x40); // blank
            }
        };
        std::string ascii(kEndStanza), capitals = ascii_upper(kEndStanza);
        std::string e1 = ascii, e2 = capitals;
        for (char& c : e1)
            c = ebcdic(c);
        for (char& c : e2)
            c = ebcdic(c);
        return std::array<std::string, 4>{ascii, capitals, e1, e2};
    }();
    return std::any_of(needles.begin(), needles.end(),
                       [&](const std::string& needle) { return block.find(needle) != std::string_view::npos; });
}

// Rule 4 for n = -1: the number of 3200-byte blocks after the binary header
// up to and including the one with the end stanza.
Result<std::int64_t> count_text_blocks(const SeismicFile& file)
{
    std::string block(static_cast<std::size_t>(kTextHeaderBytes), '\0');
    for (std::int64_t n = 1;; ++n) {
        const std::int64_t start = kSegyFileHeaderBytes + (n - 1) * kTextHeaderBytes;
        if (start + kTextHeaderBytes > static_cast<std::int64_t>(file.size()))
            return fail(file.path() +
                        ": its extended textual headers never end: no 3,200-byte block after the "
                        "binary header holds the end stanza " +
                        std::string(kEndStanza));
        if (Status read = file.read(start + 1, block.data(), block.size()); !read)
            return fail(read.error());
        if (holds_end_stanza(block))
            return n;
    }
}

// Rule 1 for SEG-Y.
bool segy_little_endian(const unsigned char* binary)
{
    const unsigned char* constant = binary + (position_of(BinaryWord::ByteOrderConstant) - kBinaryHeaderStart);
    if (decode_be32(constant) == 0x01020304)
        return false;
    if (decode_le32(constant) == 0x01020304)
        return true;
    const unsigned char* format = binary + (position_of(BinaryWord::FormatCode) - kBinaryHeaderStart);
    return sample_bytes_of_format(decode_be16(format)) == 0 && sample_bytes_of_format(decode_le16(format)) != 0;
}

// Why no whole number of traces was found, in a surveyor's words.
std::string no_whole_traces(const std::string& path, const Layout& layout, std::int64_t data, std::int64_t samples,
                            const SeismicFindings& found)
{
    const std::string sizes = grouped(data) + " bytes after the headers are no whole number of traces of " +
                              grouped(layout.trace_bytes(samples)) + " bytes (" + grouped(samples) + " samples of " +
                              std::to_string(layout.sample_bytes) + " bytes after " + grouped(layout.header_bytes) +
                              " bytes of trace header)";
    // An unknown format code is the likelier cause: the sample size is
    // then a guess.
    if (!layout.su && !found.format_known)
        return path + ": the format code " + std::to_string(found.format_code) +
               " is no SEG-Y sample format in either byte order; read with 4-byte samples, " + sizes;
    return path + ": " + sizes + ", and its traces are not of varying length";
}

struct SampleFormat {
    int code;
    int bytes;
    const char* name;
};

// The sample formats of the standard (revision 2 added 9 to 16).
constexpr SampleFormat kSampleFormats[] = {
    {1, 4, "4-byte IBM floats"},         {2, 4, "4-byte integers"},
    {3, 2, "2-byte integers"},           {4, 4, "4-byte fixed point with gain"},
    {5, 4, "4-byte IEEE floats"},        {6, 8, "8-byte IEEE floats"},
    {7, 3, "3-byte integers"},           {8, 1, "1-byte integers"},
    {9, 8, "8-byte integers"},           {10, 4, "4-byte unsigned integers"},
    {11, 2, "2-byte unsigned integers"}, {12, 8, "8-byte unsigned integers"},
    {15, 3, "3-byte unsigned integers"}, {16, 1, "1-byte unsigned integers"},
};

const SampleFormat* sample_format(int code)
{
    const auto* found = std::find_if(std::begin(kSampleFormats), std::end(kSampleFormats),
                                     [code](const SampleFormat& f) { return f.code == code; });
    return found == std::end(kSampleFormats) ? nullptr : found;
}

std::string counted(std::int64_t n, const char* one, const char* many)
{
    return grouped(n) + " " + (n == 1 ? one : many);
}

} // namespace

int sample_bytes_of_format(int format_code)
{
    const SampleFormat* format = sample_format(format_code);
    return format ? format->bytes : 0;
}

std::string findings_line(const SeismicHeader& header, const SeismicFindings& found)
{
    std::string line = found.su ? "SU" : "SEG-Y rev " + std::to_string(found.revision);
    if (!found.su && found.revision_minor != 0)
        line += "." + std::to_string(found.revision_minor);
    line += little_endian_words(header, found.su) ? ", little-endian" : ", big-endian";
    if (!found.su) {
        const SampleFormat* format = sample_format(found.format_code);
        line += ", format " + std::to_string(found.format_code) + " (" +
                (format ? format->name : "unknown: 4-byte samples taken") + ")";
    }
    const bool varying = !header.Trace_Starts.empty();
    line += ", " + counted(header.Nb_Samples32, "sample", "samples");
    if (varying)
        line += " in the first trace";
    else if (!found.su)
        line += found.samples_from == SamplesSource::TraceHeader    ? " (trace header)"
                : found.samples_from == SamplesSource::BinaryHeader ? " (binary header)"
                                                                    : " (binary header, 32-bit count)";
    line += ", " + counted(header.Nb_Traces, "trace", "traces");
    if (varying)
        line += " of varying length";
    if (found.extended_headers != 0)
        line += ", " + counted(found.extended_headers, "extended header", "extended headers");
    if (found.additional_headers != 0)
        line += ", " + counted(found.additional_headers, "additional trace header", "additional trace headers");
    line += ", scalar word " + std::to_string(found.scalar_word);
    switch (header.Coord_Units) {
    case 2: line += ", coordinates in seconds of arc"; break;
    case 3: line += ", coordinates in degrees"; break;
    case 4: line += ", coordinates in degrees, minutes and seconds"; break;
    default: break;
    }
    return line;
}

Result<SeismicRead> read_seismic_file(const std::string& path)
{
    Result<SeismicFile> opened = SeismicFile::open(path);
    if (!opened)
        return fail(opened.error());
    const SeismicFile& file = *opened;
    const auto size = static_cast<std::int64_t>(file.size());

    Layout layout;
    layout.su = is_su_path(path);
    SeismicFindings found;
    found.su = layout.su;

    unsigned char binary[kBinaryHeaderBytes];
    std::int64_t binary_samples32 = 0; // the revision-2 32-bit count, 0 if none
    if (!layout.su) {
        if (size < kSegyFileHeaderBytes)
            return fail("the file " + in_quotes(path) + " is too short for a SEG-Y file header: it has " +
                        grouped(size) + " bytes, the file header alone takes 3,600");
        if (Status read = file.read(kBinaryHeaderStart, binary, sizeof binary); !read)
            return fail(read.error());
        layout.little_endian = segy_little_endian(binary);
        const HeaderWords words(binary, kBinaryHeaderStart, layout.little_endian);

        found.format_code = words.s16(position_of(BinaryWord::FormatCode));
        const int sample_bytes = sample_bytes_of_format(found.format_code);
        found.format_known = sample_bytes != 0;
        layout.sample_bytes = found.format_known ? sample_bytes : 4;

        // Revision 2 made the revision two bytes, major then minor; a
        // little-endian writer of the older 16-bit word (0x0100) puts the
        // major number second.
        const unsigned char* revision = words.at(position_of(BinaryWord::Revision));
        found.revision = revision[0];
        found.revision_minor = revision[1];
        if (layout.little_endian && revision[0] == 0 && (revision[1] == 1 || revision[1] == 2)) {
            found.revision = revision[1];
            found.revision_minor = 0;
        }

        const std::int16_t text_blocks = words.s16(position_of(BinaryWord::ExtendedTextHeaders));
        if (text_blocks < -1)
            return fail(path + ": its binary header counts " + std::to_string(text_blocks) +
                        " extended textual headers, which is no count");
        if (text_blocks == -1) {
            Result<std::int64_t> counted = count_text_blocks(file);
            if (!counted)
                return fail(counted.error());
            found.extended_headers = *counted;
        } else {
            found.extended_headers = text_blocks;
        }
        layout.first = kSegyFileHeaderBytes + kTextHeaderBytes * found.extended_headers;

        // Revision 2.0 gave the count 32 bits; 2.1 narrowed it to 16.
        if (found.revision >= 2) {
            found.additional_headers = found.revision_minor == 0
                                           ? words.u32(position_of(BinaryWord::AdditionalTraceHeaders))
                                           : words.u16(position_of(BinaryWord::AdditionalTraceHeaders));
            layout.header_bytes = kTraceHeaderBytes * (1 + found.additional_headers);
        }

        layout.binary_samples = words.u16(position_of(BinaryWord::SamplesPerTrace));
        if (found.revision >= 2 && layout.binary_samples == 0) {
            binary_samples32 = words.u32(position_of(BinaryWord::ExtendedSamplesPerTrace));
            layout.binary_samples = binary_samples32;
        }
        if (size < layout.first)
            return fail("the file " + in_quotes(path) + " is too short for its headers: it has " + grouped(size) +
                        " bytes, its file header and " + std::to_string(found.extended_headers) +
                        " extended textual headers take " + grouped(layout.first));
    }

    const std::int64_t data = size - layout.first;
    SeismicHeader header;
    header.Header_Offset = layout.first;
    header.Sample_Bytes = static_cast<std::int32_t>(layout.sample_bytes);
    header.Trace_Header_Bytes = layout.header_bytes;
    std::int64_t samples = 0;
    std::int16_t scalar_word = 0;

    if (data == 0 && !layout.su) {
        // The headers alone: a SEG-Y file of no traces.
        samples = layout.binary_samples;
        found.samples_from = binary_samples32 != 0 ? SamplesSource::ExtendedBinaryHeader : SamplesSource::BinaryHeader;
    } else {
        if (data < kTraceHeaderBytes)
            return fail("the file " + in_quotes(path) + " is too short to hold a trace header: it has " +
                        std::to_string(size) + " bytes, a" + (layout.su ? "n SU" : " SEG-Y") + " file needs at least " +
                        std::to_string(layout.first + kTraceHeaderBytes));
        unsigned char trace[kTraceHeaderBytes];
        if (Status read = file.read(layout.first + 1, trace, sizeof trace); !read)
            return fail(read.error());
        const auto whole = [&](std::int64_t count) { return data % layout.trace_bytes(count) == 0; };

        if (layout.su) {
            const std::int64_t little = samples_word(trace, true);
            const std::int64_t big = samples_word(trace, false);
            layout.little_endian = whole(little) || !whole(big);
            samples = layout.little_endian ? little : big;
        } else {
            samples = samples_word(trace, layout.little_endian);
            const bool binary_fits = layout.binary_samples != 0 && whole(layout.binary_samples);
            if (samples == 0 || (!whole(samples) && binary_fits)) {
                samples = layout.binary_samples;
                found.samples_from =
                    binary_samples32 != 0 ? SamplesSource::ExtendedBinaryHeader : SamplesSource::BinaryHeader;
            }
        }
        const HeaderWords words(trace, layout.first + 1, layout.little_endian);
        scalar_word = words.s16(layout.first + position_of(TraceWord::CoordScalar));
        header.Coord_Units = words.s16(layout.first + position_of(TraceWord::CoordUnits));

        if (!whole(samples)) {
            std::optional<std::vector<std::int64_t>> starts = walk_traces(file, layout);
            if (!starts)
                return fail(no_whole_traces(path, layout, data, samples, found));
            header.Trace_Starts = std::move(*starts);
        }
    }

    if (samples > std::numeric_limits<std::int32_t>::max())
        return fail("the binary header of " + in_quotes(path) + " gives " + grouped(samples) +
                    " samples per trace, more than can be counted");
    // -32768 has no positive counterpart in 16 bits: neither a multiplier nor
    // a divisor can be made from it.
    if (scalar_word == std::numeric_limits<std::int16_t>::min())
        return fail("the coordinate scalar of " + in_quotes(path) + " is -32768, which is not a valid scalar");

    const std::int64_t traces = header.Trace_Starts.empty() ? data / layout.trace_bytes(samples)
                                                            : static_cast<std::int64_t>(header.Trace_Starts.size());
    if (traces > std::numeric_limits<std::int32_t>::max())
        return fail("the file " + in_quotes(path) + " would hold " + std::to_string(traces) + " traces of " +
                    std::to_string(layout.trace_bytes(samples)) + " bytes, more than can be counted");

    header.Nb_Samples32 = static_cast<std::int32_t>(samples);
    header.Nb_Samples = static_cast<std::int16_t>(static_cast<std::uint16_t>(samples & 0xFFFF));
    header.Coord_Scalar = apply_scalar_rule(scalar_word);
    header.Nb_Traces = static_cast<std::int32_t>(traces);
    header.Reversed_Byte_Order = layout.little_endian != layout.su;
    found.scalar_word = scalar_word;
    return SeismicRead{std::move(header), found};
}

Result<SeismicHeader> read_seismic_header(const std::string& path)
{
    Result<SeismicRead> read = read_seismic_file(path);
    if (!read)
        return fail(read.error());
    return std::move(read->header);
}

} // namespace marovin
