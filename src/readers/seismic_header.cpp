#include "readers/seismic_header.h"

#include "base/plain_text.h"
#include "base/regular_file.h"
#include "readers/textual_header.h"

#include <algorithm>
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
    Result<RegularFile, OpenError> opened = open_regular_file(path);
    if (!opened) {
        const OpenError& why = opened.failure();
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
    SeismicFile file(path, std::move(opened).value());
    if (Status read = file.read_headers(); !read)
        return fail(read.error());
    return file;
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

Result<TraceHeaderBytes> SeismicFile::trace_header(std::int64_t index) const
{
    if (index < 0 || index >= layout_.count)
        return fail(path_ + " has no trace " + std::to_string(index + 1));
    const std::int64_t start =
        layout_.starts.empty() ? layout_.first + index * layout_.trace_bytes() : layout_.starts[std::size_t(index)];
    TraceHeaderBytes header{};
    if (Status read = this->read(start + 1, header.data(), header.size()); !read)
        return fail(read.error());
    return header;
}

std::int32_t SeismicFile::word32(const TraceHeaderBytes& header, HeaderPosition position) const
{
    const unsigned char* at = header.data() + position.byte() - 1;
    return layout_.little_endian ? decode_le32(at) : decode_be32(at);
}

std::int16_t SeismicFile::word16(const TraceHeaderBytes& header, TraceWord word) const
{
    const unsigned char* at = header.data() + position_of(word) - 1;
    return layout_.little_endian ? decode_le16(at) : decode_be16(at);
}

std::int16_t apply_scalar_rule(std::int16_t scalar)
{
    static constexpr std::int16_t powers[] = {1, 10, 100, 1000, 10000};
    if (scalar > -5 && scalar < 5)
        return powers[scalar < 0 ? -scalar : scalar];
    return scalar;
}

// How a file is read, SEG-Y or SU alike, each rule a function below:
//
// 1. Byte order. SEG-Y (segy_little_endian): the revision-2 byte-order
//    constant (bytes 3297-3300, written as 01020304 in the file's order)
//    where it is there; otherwise big-endian, unless the format code read
//    big-endian is no code of the standard while read little-endian it is
//    one. SU (su_little_endian): little-endian, unless its samples word read
//    little-endian leaves a partial trace and read big-endian does not (SU
//    written on a big-endian machine). Every word of the file is then read
//    in that order.
// 2. Sample size from the format code (sample_bytes_of_format); a code
//    unknown in both orders keeps 4 bytes. SU samples are 4-byte floats.
// 3. Samples per trace, unsigned (samples_per_trace): the first trace
//    header's word, but the binary header's where the trace header's is 0,
//    or where it leaves a partial trace and the binary header's does not. In
//    revision 2 the binary header's 32-bit count stands where its 16-bit
//    word is 0.
// 4. The first trace follows 3600 bytes and the extended textual headers
//    (read_text_blocks): n blocks of 3200 bytes, or for n = -1 the
//    blocks up to and including the one holding the end stanza
//    "((SEG: EndText))", whatever its case and blanks.
// 5. Revision 2: each additional trace header adds 240 bytes to a trace
//    (additional_trace_headers). Revision 2.0 gives their count 32 bits at
//    3507-3510, 2.1 narrowed it to 16 at 3507-3508; some 2.0 writers put 16
//    bits there and the time basis code after them. Where the 32-bit
//    reading leaves no whole number of traces and the 16-bit one does, the
//    16-bit one is taken, as the samples count falls back above.
// 6. When the trace length still leaves a partial trace, the traces may
//    differ in length (revision 1 allows it): the file is walked trace by
//    trace (walk_traces), each as long as its own samples word says (a SEG-Y
//    word of 0 standing for the binary header's count; a trace of no samples
//    ends the walk). A walk that ends exactly at the end of the file gives
//    the traces; otherwise the file is refused, with the cause named. Files
//    of whole traces never pay for a walk.
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

std::uint16_t u16_word(const unsigned char* word, bool little_endian)
{
    return static_cast<std::uint16_t>(little_endian ? decode_le16(word) : decode_be16(word));
}

std::uint16_t samples_word(const unsigned char* trace_header, bool little_endian)
{
    return u16_word(trace_header + position_of(TraceWord::SamplesInTrace) - 1, little_endian);
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

// What the rules know of the file before its traces are counted.
struct Reading {
    TraceLayout layout;
    SeismicFindings found;
    std::int64_t binary_samples = 0;   // SEG-Y: the binary header's count, 0 if none
    std::int64_t binary_samples32 = 0; // the revision-2 32-bit count, 0 if none
    std::int64_t data = 0;             // bytes after the headers

    bool whole(std::int64_t samples) const
    {
        const std::int64_t bytes = layout.header_bytes + layout.sample_bytes * samples;
        return bytes > 0 && data % bytes == 0;
    }
};

// Rule 1 for SU.
bool su_little_endian(const Reading& r, const unsigned char* trace)
{
    return r.whole(samples_word(trace, true)) || !r.whole(samples_word(trace, false));
}

// Rule 3: the samples per trace and where they were read.
std::int64_t samples_per_trace(Reading& r, const unsigned char* trace)
{
    const std::int64_t word = samples_word(trace, r.layout.little_endian);
    if (r.found.su)
        return word;
    const bool binary_fits = r.binary_samples != 0 && r.whole(r.binary_samples);
    if (word != 0 && (r.whole(word) || !binary_fits))
        return word;
    r.found.samples_from = r.binary_samples32 != 0 ? SamplesSource::ExtendedBinaryHeader : SamplesSource::BinaryHeader;
    return r.binary_samples;
}

// Rule 5: the counts of additional trace headers to try, the standard's
// reading first.
std::vector<std::int64_t> additional_trace_headers(const HeaderWords& words, const SeismicFindings& found)
{
    if (found.revision < 2)
        return {0};
    const std::int64_t narrow = words.u16(position_of(BinaryWord::AdditionalTraceHeaders));
    if (found.revision_minor != 0)
        return {narrow};
    const std::int64_t wide = words.u32(position_of(BinaryWord::AdditionalTraceHeaders));
    return wide == narrow ? std::vector<std::int64_t>{wide} : std::vector<std::int64_t>{wide, narrow};
}

// The walk of rule 6: the start of every trace, when the last one ends
// exactly at the end of the file. The samples words are read through a
// buffer, so that a walk over many short traces (a damaged file that is to
// be refused) costs few reads.
std::optional<std::vector<std::int64_t>> walk_traces(const SeismicFile& file, const Reading& r)
{
    const auto size = static_cast<std::int64_t>(file.size());
    constexpr std::int64_t kBufferBytes = 64 * 1024;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(kBufferBytes));
    std::int64_t held_from = 0, held_to = 0; // 0-based file offsets the buffer holds
    std::vector<std::int64_t> starts;
    for (std::int64_t at = r.layout.first; at != size;) {
        if (size - at < kTraceHeaderBytes || starts.size() >= std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        const std::int64_t word = at + position_of(TraceWord::SamplesInTrace) - 1; // 0-based
        if (word < held_from || word + 2 > held_to) {
            held_from = word;
            held_to = std::min(size, word + kBufferBytes);
            if (!file.read(held_from + 1, buffer.data(), static_cast<std::size_t>(held_to - held_from)))
                return std::nullopt;
        }
        std::int64_t samples = u16_word(buffer.data() + (word - held_from), r.layout.little_endian);
        if (samples == 0 && !r.found.su)
            samples = r.binary_samples;
        // Traces that differ in length hold samples; a word of 0 here is
        // damage or a hole, and reading on would take the rest of the file
        // 240 bytes at a time.
        if (samples == 0)
            return std::nullopt;
        starts.push_back(at);
        const std::int64_t length = r.layout.header_bytes + r.layout.sample_bytes * samples;
        if (length > size - at)
            return std::nullopt;
        at += length;
    }
    return starts;
}

// Why no whole number of traces was found, in a surveyor's words.
std::string no_whole_traces(const std::string& path, const Reading& r, std::int64_t samples)
{
    const TraceLayout& layout = r.layout;
    const std::string sizes = grouped(r.data) + " bytes after the headers are no whole number of traces of " +
                              grouped(layout.header_bytes + layout.sample_bytes * samples) + " bytes (" +
                              grouped(samples) + " samples of " + std::to_string(layout.sample_bytes) +
                              " bytes after " + grouped(layout.header_bytes) + " bytes of trace header)";
    // An unknown format code is the likelier cause: the sample size is
    // then a guess.
    if (!r.found.su && !r.found.format_known)
        return path + ": the format code " + std::to_string(r.found.format_code) +
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

std::string SeismicFile::found_line() const
{
    const SeismicFindings& found = findings_;
    std::string line = found.su ? "SU" : "SEG-Y rev " + std::to_string(found.revision);
    if (!found.su && found.revision_minor != 0)
        line += "." + std::to_string(found.revision_minor);
    line += layout_.little_endian ? ", little-endian" : ", big-endian";
    if (!found.su) {
        const SampleFormat* format = sample_format(found.format_code);
        line += ", format " + std::to_string(found.format_code) + " (" +
                (format ? format->name : "unknown: 4-byte samples taken") + ")";
    }
    const bool varying = !layout_.starts.empty();
    line += ", " + counted(layout_.samples, "sample", "samples");
    if (varying)
        line += " in the first trace";
    else if (!found.su)
        line += found.samples_from == SamplesSource::TraceHeader    ? " (trace header)"
                : found.samples_from == SamplesSource::BinaryHeader ? " (binary header)"
                                                                    : " (binary header, 32-bit count)";
    line += ", " + counted(layout_.count, "trace", "traces");
    if (varying)
        line += " of varying length";
    if (found.extended_headers != 0)
        line += ", " + counted(found.extended_headers, "extended header", "extended headers");
    if (found.additional_headers != 0)
        line += ", " + counted(found.additional_headers, "additional trace header", "additional trace headers");
    line += ", scalar word " + std::to_string(found.scalar_word);
    switch (found.units) {
    case 2: line += ", coordinates in seconds of arc"; break;
    case 3: line += ", coordinates in degrees"; break;
    case 4: line += ", coordinates in degrees, minutes and seconds"; break;
    default: break;
    }
    return line;
}

// Rule 4 for n = -1: the blocks after the binary header up to and
// including the one with the end stanza, kept as far as they are kept, and
// their number.
Result<std::int64_t> SeismicFile::read_text_blocks_to_end_stanza()
{
    std::string block(static_cast<std::size_t>(kTextHeaderBytes), '\0');
    for (std::int64_t n = 1;; ++n) {
        const std::int64_t start = kSegyFileHeaderBytes + (n - 1) * kTextHeaderBytes;
        if (start + kTextHeaderBytes > static_cast<std::int64_t>(size_))
            return fail(path_ + ": its extended textual headers never end: no 3,200-byte block after the "
                                "binary header holds the end stanza ((SEG: EndText))");
        if (Status read = this->read(start + 1, block.data(), block.size()); !read)
            return fail(read.error());
        if (text_blocks_.size() < kKeptTextBlocks)
            text_blocks_.push_back(block);
        if (holds_end_stanza(block))
            return n;
    }
}

// The first `count` extended textual headers, as far as they are kept.
Status SeismicFile::read_text_blocks(std::int64_t count)
{
    for (std::int64_t n = 1; n <= count && text_blocks_.size() < kKeptTextBlocks; ++n) {
        std::string block(static_cast<std::size_t>(kTextHeaderBytes), '\0');
        if (Status read = this->read(kSegyFileHeaderBytes + (n - 1) * kTextHeaderBytes + 1, block.data(), block.size());
            !read)
            return read;
        text_blocks_.push_back(std::move(block));
    }
    return ok();
}

std::vector<std::string> SeismicFile::textual_header() const
{
    std::vector<std::string> lines;
    for (const std::string& block : text_blocks_) {
        if (!lines.empty())
            lines.emplace_back();
        for (std::string& card : text_cards(block))
            lines.push_back(std::move(card));
    }
    const auto shown = static_cast<std::int64_t>(text_blocks_.size());
    if (!text_blocks_.empty() && findings_.extended_headers + 1 > shown)
        lines.push_back(
            "(" + counted(findings_.extended_headers + 1 - shown, "more extended header", "more extended headers") +
            " not shown)");
    return lines;
}

Status SeismicFile::read_headers()
{
    const std::string& path = path_;
    const auto size = static_cast<std::int64_t>(size_);
    Reading r;
    r.found.su = is_su_path(path);

    std::vector<std::int64_t> additional{0};
    if (!r.found.su) {
        if (size < kSegyFileHeaderBytes)
            return fail("the file " + in_quotes(path) + " is too short for a SEG-Y file header: it has " +
                        grouped(size) + " bytes, the file header alone takes 3,600");
        // The textual and the binary header in one read.
        std::string file_header(static_cast<std::size_t>(kSegyFileHeaderBytes), '\0');
        if (Status read = this->read(1, file_header.data(), file_header.size()); !read)
            return fail(read.error());
        unsigned char binary[kBinaryHeaderBytes];
        std::memcpy(binary, file_header.data() + kTextHeaderBytes, sizeof binary);
        file_header.resize(static_cast<std::size_t>(kTextHeaderBytes));
        text_blocks_.push_back(std::move(file_header));
        r.layout.little_endian = segy_little_endian(binary);
        const HeaderWords words(binary, kBinaryHeaderStart, r.layout.little_endian);

        r.found.format_code = words.s16(position_of(BinaryWord::FormatCode));
        const int sample_bytes = sample_bytes_of_format(r.found.format_code);
        r.found.format_known = sample_bytes != 0;
        r.layout.sample_bytes = r.found.format_known ? sample_bytes : 4;

        // Revision 2 made the revision two bytes, major then minor; a
        // little-endian writer of the older 16-bit word (0x0100) puts the
        // major number second.
        const unsigned char* revision = words.at(position_of(BinaryWord::Revision));
        r.found.revision = revision[0];
        r.found.revision_minor = revision[1];
        if (r.layout.little_endian && revision[0] == 0 && (revision[1] == 1 || revision[1] == 2)) {
            r.found.revision = revision[1];
            r.found.revision_minor = 0;
        }

        const std::int16_t text_blocks = words.s16(position_of(BinaryWord::ExtendedTextHeaders));
        if (text_blocks < -1)
            return fail(path + ": its binary header counts " + std::to_string(text_blocks) +
                        " extended textual headers, which is no count");
        if (text_blocks == -1) {
            Result<std::int64_t> counted = read_text_blocks_to_end_stanza();
            if (!counted)
                return fail(counted.error());
            r.found.extended_headers = *counted;
        } else {
            r.found.extended_headers = text_blocks;
        }
        r.layout.first = kSegyFileHeaderBytes + kTextHeaderBytes * r.found.extended_headers;

        additional = additional_trace_headers(words, r.found);
        r.binary_samples = words.u16(position_of(BinaryWord::SamplesPerTrace));
        if (r.found.revision >= 2 && r.binary_samples == 0) {
            r.binary_samples32 = words.u32(position_of(BinaryWord::ExtendedSamplesPerTrace));
            r.binary_samples = r.binary_samples32;
        }
        if (size < r.layout.first)
            return fail("the file " + in_quotes(path) + " is too short for its headers: it has " + grouped(size) +
                        " bytes, its file header and " + std::to_string(r.found.extended_headers) +
                        " extended textual headers take " + grouped(r.layout.first));
        if (text_blocks > 0)
            if (Status kept = read_text_blocks(r.found.extended_headers); !kept)
                return kept;
    }

    r.data = size - r.layout.first;
    std::int64_t samples = 0;
    r.found.additional_headers = additional.front();
    r.layout.header_bytes = kTraceHeaderBytes * (1 + r.found.additional_headers);

    if (r.data == 0 && !r.found.su) {
        // The headers alone: a SEG-Y file of no traces.
        samples = r.binary_samples;
        r.found.samples_from =
            r.binary_samples32 != 0 ? SamplesSource::ExtendedBinaryHeader : SamplesSource::BinaryHeader;
    } else {
        if (r.data < kTraceHeaderBytes)
            return fail("the file " + in_quotes(path) + " is too short to hold a trace header: it has " +
                        std::to_string(size) + " bytes, a" + (r.found.su ? "n SU" : " SEG-Y") +
                        " file needs at least " + std::to_string(r.layout.first + kTraceHeaderBytes));
        TraceHeaderBytes trace{};
        if (Status read = this->read(r.layout.first + 1, trace.data(), trace.size()); !read)
            return fail(read.error());
        if (r.found.su)
            r.layout.little_endian = su_little_endian(r, trace.data());

        // Each reading of the additional headers in turn, until one gives
        // whole traces; the standard's one stands for a walk or a refusal.
        const SeismicFindings before = r.found;
        for (const std::int64_t count : additional) {
            r.found = before;
            r.found.additional_headers = count;
            r.layout.header_bytes = kTraceHeaderBytes * (1 + count);
            samples = samples_per_trace(r, trace.data());
            if (r.whole(samples))
                break;
        }
        if (!r.whole(samples) && additional.size() > 1) {
            r.found = before;
            r.found.additional_headers = additional.front();
            r.layout.header_bytes = kTraceHeaderBytes * (1 + additional.front());
            samples = samples_per_trace(r, trace.data());
        }
        const HeaderWords words(trace.data(), r.layout.first + 1, r.layout.little_endian);
        r.found.scalar_word = words.s16(r.layout.first + position_of(TraceWord::CoordScalar));
        r.found.units = words.s16(r.layout.first + position_of(TraceWord::CoordUnits));

        if (!r.whole(samples)) {
            std::optional<std::vector<std::int64_t>> starts = walk_traces(*this, r);
            if (!starts)
                return fail(no_whole_traces(path, r, samples));
            r.layout.starts = std::move(*starts);
        }
    }

    if (samples > std::numeric_limits<std::int32_t>::max())
        return fail("the binary header of " + in_quotes(path) + " gives " + grouped(samples) +
                    " samples per trace, more than can be counted");
    // -32768 has no positive counterpart in 16 bits: neither a multiplier nor
    // a divisor can be made from it.
    if (r.found.scalar_word == std::numeric_limits<std::int16_t>::min())
        return fail("the coordinate scalar of " + in_quotes(path) + " is -32768, which is not a valid scalar");

    r.layout.samples = samples;
    const std::int64_t traces =
        r.layout.starts.empty() ? r.data / r.layout.trace_bytes() : static_cast<std::int64_t>(r.layout.starts.size());
    if (traces > std::numeric_limits<std::int32_t>::max())
        return fail("the file " + in_quotes(path) + " would hold " + std::to_string(traces) + " traces of " +
                    std::to_string(r.layout.trace_bytes()) + " bytes, more than can be counted");
    r.layout.count = traces;
    layout_ = std::move(r.layout);
    findings_ = r.found;
    scalar_ = apply_scalar_rule(r.found.scalar_word);
    return ok();
}

} // namespace marovin
