#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"

#include "support/scratch_folder.h"
#include "support/seismic_bytes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using marovin::Result;
using marovin::SeismicFile;
using marovin::TraceLayout;
using support::Kind;

// --- word decoding --------------------------------------------------------

TEST(SeismicWords, DecodeTwosComplementInBothByteOrders)
{
    struct {
        unsigned char bytes[4];
        std::int32_t be32;
        std::int16_t be16; // of the first two bytes
    } const cases[] = {
        {{0xFF, 0x9C, 0xFF, 0x9C}, -6488164, -100},
        {{0xFF, 0xFF, 0xFF, 0x9C}, -100, -1},
        {{0x80, 0x00, 0x00, 0x00}, INT32_MIN, INT16_MIN},
        {{0x7F, 0xFF, 0xFF, 0xFF}, INT32_MAX, INT16_MAX},
        {{0xFF, 0xFF, 0xFF, 0xFF}, -1, -1},
        {{0x00, 0x01, 0x00, 0x00}, 65536, 1},
        {{0x12, 0x34, 0x56, 0x78}, 0x12345678, 0x1234},
    };
    for (const auto& c : cases) {
        const unsigned char reversed[4] = {c.bytes[3], c.bytes[2], c.bytes[1], c.bytes[0]};
        const unsigned char reversed16[2] = {c.bytes[1], c.bytes[0]};
        EXPECT_EQ(marovin::decode_be32(c.bytes), c.be32);
        EXPECT_EQ(marovin::decode_le32(reversed), c.be32);
        EXPECT_EQ(marovin::decode_be16(c.bytes), c.be16);
        EXPECT_EQ(marovin::decode_le16(reversed16), c.be16);
    }
}

TEST(SeismicWords, TraceHeadersAndReadsUseOneBasedPositionsAndNeverReadPastTheEnd)
{
    support::ScratchFolder folder;
    const fs::path path = folder / "words.su";
    // One little-endian trace of one sample: receiver X -100 at 81, the
    // scalar -2 at 71.
    std::string bytes(244, '\0');
    support::put_word(bytes, 80, static_cast<std::uint32_t>(-100), 4, true);
    support::put_word(bytes, 70, static_cast<std::uint16_t>(-2), 2, true);
    support::put_word(bytes, 114, 1, 2, true);
    support::write_bytes(path, bytes);
    Result<SeismicFile> file = SeismicFile::open(path.string());
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->size(), 244u);
    const Result<marovin::TraceHeaderBytes> header = file->trace_header(0);
    ASSERT_TRUE(header) << header.error();
    EXPECT_EQ(file->word32(*header, marovin::TraceWord::GroupX), -100);
    EXPECT_EQ(file->word16(*header, marovin::TraceWord::CoordScalar), -2);
    EXPECT_EQ(file->scalar(), 100);
    EXPECT_FALSE(file->trace_header(1));
    EXPECT_FALSE(file->trace_header(-1));

    unsigned char two[2];
    EXPECT_TRUE(file->read(243, two, 2));
    EXPECT_FALSE(file->read(0, two, 2));   // position 0 does not exist
    EXPECT_FALSE(file->read(244, two, 2)); // second byte past the end
    const auto past = file->read(1000, two, 2);
    ASSERT_FALSE(past);
    EXPECT_NE(past.error().find(path.string()), std::string::npos) << past.error();
}

// --- the scalar rule -------------------------------------------------------

TEST(SeismicScalar, MagnitudesBelowFiveBecomePowersOfTen)
{
    const std::pair<std::int16_t, std::int16_t> cases[] = {
        {0, 1},     {1, 10},     {-1, 10}, {2, 100}, {-2, 100}, {3, 1000},    {-3, 1000},
        {4, 10000}, {-4, 10000}, {5, 5},   {-5, -5}, {10, 10},  {-100, -100}, {32767, 32767},
    };
    for (const auto& [read, used] : cases)
        EXPECT_EQ(marovin::apply_scalar_rule(read), used) << read;
}

// --- header read, over both file kinds -------------------------------------

class SeismicHeaderRead : public ::testing::TestWithParam<Kind> {
protected:
    Kind kind() const { return GetParam(); }
    // Names decide the kind: ".sgy" is SEG-Y, ".su" SU.
    std::string file(const std::string& stem) const
    {
        return (folder / (stem + (kind() == Kind::SegY ? ".sgy" : ".su"))).string();
    }
    std::string make(std::int16_t samples, std::int16_t scalar, std::uint64_t size, const std::string& stem = "line1")
    {
        const std::string path = file(stem);
        support::write_seismic_file(path, kind(), samples, scalar, size);
        return path;
    }
    std::uint64_t size_for(std::int16_t samples, double traces) const
    {
        return support::size_for(kind(), samples, traces);
    }

    support::ScratchFolder folder;
};

TEST_P(SeismicHeaderRead, ReadsSamplesScalarOffsetAndTraceCount)
{
    const std::string path = make(1000, -100, size_for(1000, 10));
    const Result<SeismicFile> file = SeismicFile::open(path);
    ASSERT_TRUE(file) << file.error();
    TraceLayout expected;
    expected.little_endian = kind() == Kind::Su;
    expected.first = kind() == Kind::SegY ? 3600 : 0;
    expected.samples = 1000;
    expected.count = 10;
    EXPECT_EQ(file->layout(), expected);
    EXPECT_EQ(file->scalar(), -100);
    EXPECT_EQ(file->su(), kind() == Kind::Su);
}

TEST_P(SeismicHeaderRead, AppliesTheScalarRuleAndReadsTheSamplesWordUnsigned)
{
    struct {
        std::int16_t samples, scalar, used;
        std::int32_t traces, count;
    } const cases[] = {{500, 0, 1, 25, 500},     {500, -2, 100, 25, 500},
                       {500, 4, 10000, 25, 500}, {500, 5, 5, 25, 500},
                       {500, -5, -5, 25, 500},   {-25536, -1000, -1000, 2, 40000}}; // word 9C40: 40,000 samples
    for (const auto& c : cases) {
        const std::uint64_t size =
            support::header_offset(kind()) + (240 + 4 * std::uint64_t(c.count)) * std::uint64_t(c.traces);
        const std::string path = make(c.samples, c.scalar, size);
        const Result<SeismicFile> file = SeismicFile::open(path);
        ASSERT_TRUE(file) << file.error();
        EXPECT_EQ(file->scalar(), c.used) << c.scalar;
        EXPECT_EQ(file->layout().samples, c.count);
        EXPECT_EQ(file->traces(), c.traces) << c.samples;
    }
}

TEST_P(SeismicHeaderRead, APartialTraceIsRefusedNamingTheSizes)
{
    // Every trace as long as the first leaves no room for a part of one.
    for (const double traces : {10.5, 11.5, 10.6, 10.4, 0.5, 1.5}) {
        const std::string path = make(1000, 1, size_for(1000, traces));
        const Result<SeismicFile> file = SeismicFile::open(path);
        ASSERT_FALSE(file) << traces << " traces' worth of bytes";
        EXPECT_NE(file.error().find("no whole number of traces of 4,240 bytes"), std::string::npos) << file.error();
    }
    const Result<SeismicFile> one = SeismicFile::open(make(1000, 1, size_for(1000, 1)));
    ASSERT_TRUE(one) << one.error();
    EXPECT_EQ(one->traces(), 1);
}

TEST_P(SeismicHeaderRead, FailsInPlainWordsNamingTheFile)
{
    struct {
        const char* what;
        std::int16_t samples, scalar;
        std::uint64_t size; // 0: the file's header alone, cut by one byte
        const char* words;
    } const cases[] = {
        {"zero trace length", -60, 1, 100000, "samples"},
        {"negative trace length", -61, 1, 100000, "samples"},
        {"most negative samples", INT16_MIN, 1, 100000, "samples"},
        {"scalar -32768", 1000, INT16_MIN, 100000, "-32768"},
        {"too short", 1000, 1, 0, "too short"},
        {"empty", 1000, 1, 1, "too short"},
    };
    for (const auto& c : cases) {
        std::uint64_t size = c.size;
        if (size == 0)
            size = static_cast<std::uint64_t>(support::header_offset(kind()) + 239);
        if (size == 1)
            size = 0;
        const std::string path = make(c.samples, c.scalar, size, std::string("bad-") + c.what);
        const Result<SeismicFile> file = SeismicFile::open(path);
        ASSERT_FALSE(file) << c.what;
        EXPECT_NE(file.error().find(path), std::string::npos) << file.error();
        EXPECT_NE(file.error().find(c.words), std::string::npos) << file.error();
    }
}

TEST_P(SeismicHeaderRead, MissingFilesAndFoldersFailWithoutCreatingAnything)
{
    const std::string missing = file("missing");
    const std::string in_missing_folder = (folder / "nowhere" / "line1.sgy").string();
    fs::create_directory(folder / "folder.sgy");
    const std::string a_folder = (folder / "folder.sgy").string();
    for (const std::string& path : {missing, in_missing_folder, a_folder, std::string()}) {
        const Result<SeismicFile> file = SeismicFile::open(path);
        ASSERT_FALSE(file) << path;
        EXPECT_NE(file.error().find(path), std::string::npos) << file.error();
    }
    EXPECT_NE(SeismicFile::open(missing).error().find("does not exist"), std::string::npos);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(folder.names().size(), 1u); // only the folder made above
}

TEST_P(SeismicHeaderRead, TraceCountsThatDoNotFitIn32BitsAreFailures)
{
    // Traces of no samples (240 bytes): 2^31 traces take 480 GiB, left as a
    // hole.
    const std::string path = make(0, 1, support::header_offset(kind()) + 240 * (std::uint64_t{1} << 31));
    const Result<SeismicFile> file = SeismicFile::open(path);
    ASSERT_FALSE(file);
    EXPECT_NE(file.error().find("traces"), std::string::npos) << file.error();
}

TEST_P(SeismicHeaderRead, FilesAbove4GBAreReadWithSixtyFourBitPositions)
{
    const std::int64_t traces = 1'100'000; // 4.66e9 bytes of 4240-byte traces, sparse
    const std::string path = make(1000, -100, size_for(1000, static_cast<double>(traces)));
    // A word of the last trace, beyond 2^32, written in the kind's order.
    const std::int64_t position = support::header_offset(kind()) + (traces - 1) * 4240 + 81;
    ASSERT_GT(position, std::int64_t{1} << 32);
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    std::string word(4, '\0');
    support::put_word(word, 0, 61234550, 4, kind() == Kind::Su);
    ASSERT_EQ(::pwrite(fd, word.data(), 4, position - 1), 4);
    ::close(fd);
    Result<SeismicFile> file = SeismicFile::open(path);
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->traces(), traces);
    const auto last = file->trace_header(traces - 1);
    ASSERT_TRUE(last) << last.error();
    EXPECT_EQ(file->word32(*last, marovin::TraceWord::GroupX), 61234550);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, SeismicHeaderRead, ::testing::Values(Kind::SegY, Kind::Su),
                         [](const auto& info) { return info.param == Kind::SegY ? "SegY" : "Su"; });

TEST(SeismicHeaderKind, TheLastTwoCharactersDecideTheByteOrderAndOffset)
{
    support::ScratchFolder folder;
    // SU words in files named like SU files (any case, with or without a dot).
    for (const char* name : {"line1.Su", "dosu", "LINE2.SU"}) {
        const fs::path path = folder / name;
        support::write_seismic_file(path, Kind::Su, 500, 2, support::size_for(Kind::Su, 500, 25));
        const Result<SeismicFile> file = SeismicFile::open(path.string());
        ASSERT_TRUE(file) << file.error();
        EXPECT_TRUE(file->su()) << name;
        EXPECT_EQ(file->layout().first, 0) << name;
        EXPECT_EQ(file->layout().samples, 500) << name;
        EXPECT_EQ(file->traces(), 25) << name;
    }
    for (const char* name : {"line1.segy", "line1.sus", "line1.SGY"}) {
        const fs::path path = folder / name;
        support::write_seismic_file(path, Kind::SegY, 500, 2, support::size_for(Kind::SegY, 500, 25));
        const Result<SeismicFile> file = SeismicFile::open(path.string());
        ASSERT_TRUE(file) << file.error();
        EXPECT_FALSE(file->su()) << name;
        EXPECT_EQ(file->layout().first, 3600) << name;
        EXPECT_EQ(file->layout().samples, 500) << name;
        EXPECT_EQ(file->traces(), 25) << name;
    }
}

} // namespace

// --- files of every shape --------------------------------------------------

namespace {

using support::Shape;
using Starts = std::vector<std::int64_t>;

struct LayoutCase {
    const char* what;
    Shape shape;
    // Worked out from the standard: 0 traces for a refusal.
    std::int32_t traces;
    std::int32_t samples;
    std::int64_t first; // bytes before the first trace
    bool little_endian;
    std::int32_t sample_bytes;
    std::int64_t header_bytes; // per trace, before the samples
    Starts starts;             // traces of varying length
    const char* said;          // part of the findings line, or of the refusal
};

// clang-format off
const LayoutCase kLayouts[] = {
    {"rev 0 big-endian", {.revision = 0, .samples = {10, 10, 10}}, 3, 10, 3600, false, 4, 240, {},
     "SEG-Y rev 0, big-endian, format 1 (4-byte IBM floats), 10 samples (trace header), 3 traces, scalar word 0"},
    {"unknown format code keeps 4 bytes", {.format = 0, .samples = {6, 6}}, 2, 6, 3600, false, 4, 240, {},
     "format 0 (unknown: 4-byte samples taken)"},
    {"rev 2 constant says little-endian", {.little_endian = true, .format = 0, .revision = 2, .order_constant = true,
     .samples = {5, 5}}, 2, 5, 3600, true, 4, 240, {}, "SEG-Y rev 2, little-endian"},
    {"2 extended headers", {.text_headers = 2, .text_blocks = 2, .samples = {4, 4}}, 2, 4, 10000, false, 4, 240, {},
     "2 extended headers"},
    {"extended headers -1, ASCII stanza in block 3", {.text_headers = -1, .text_blocks = 3, .samples = {4}},
     1, 4, 13200, false, 4, 240, {}, "3 extended headers"},
    {"extended headers -1, EBCDIC stanza in block 1",
     {.text_headers = -1, .text_blocks = 1, .stanza_in_ebcdic = true, .samples = {4}}, 1, 4, 6800, false, 4, 240, {},
     "1 extended header"},
    {"samples word 0", {.revision = 0, .binary_samples = 50, .samples = {50, 50}, .samples_word = 0},
     2, 50, 3600, false, 4, 240, {}, "50 samples (binary header)"},
    {"stale samples word", {.format = 3, .binary_samples = 75, .samples = {75, 75, 75}, .samples_word = 462},
     3, 75, 3600, false, 2, 240, {}, "format 3 (2-byte integers), 75 samples (binary header)"},
    {"rev 2 32-bit samples count", {.format = 8, .revision = 2, .minor = 1, .binary_samples32 = 70000,
     .samples = {70000, 70000}, .samples_word = 0}, 2, 70000, 3600, false, 1, 240, {},
     "70,000 samples (binary header, 32-bit count)"},
    {"rev 2.0: a 32-bit count of additional headers", {.revision = 2, .additional = 1, .samples = {8, 8}},
     2, 8, 3600, false, 4, 480, {}, "1 additional trace header"},
    {"rev 2.1: a 16-bit count of additional headers", {.revision = 2, .minor = 1, .additional = 2, .samples = {8}},
     1, 8, 3600, false, 4, 720, {}, "SEG-Y rev 2.1"},
    // As an open seismic library writes revision 2.0: the count in 16 bits,
    // a time basis code of 0 after it; read as 32 bits it is 65,536.
    {"rev 2.0: a 16-bit count of additional headers, 25 traces of 680 bytes",
     {.revision = 2, .additional = 1, .additional_16 = true, .samples = std::vector<std::uint32_t>(25, 50)},
     25, 50, 3600, false, 4, 480, {}, "SEG-Y rev 2, big-endian, format 1 (4-byte IBM floats), 50 samples "
     "(trace header), 25 traces, 1 additional trace header"},
    {"extended headers -1, the stanza in other case and blanks",
     {.text_headers = -1, .text_blocks = 2, .stanza = "((  seg: endTEXt  ))", .samples = {4}},
     1, 4, 10000, false, 4, 240, {}, "2 extended headers"},
    {"extended headers -1, the stanza in other case and blanks, EBCDIC",
     {.text_headers = -1, .text_blocks = 1, .stanza_in_ebcdic = true, .stanza = "(( Seg : endtext ))",
      .samples = {4}}, 1, 4, 6800, false, 4, 240, {}, "1 extended header"},
    {"little-endian SU", {.su = true, .little_endian = true, .samples = {20, 20, 20}}, 3, 20, 0, true, 4, 240, {},
     "SU, little-endian, 20 samples, 3 traces, scalar word 0"},
    {"big-endian SU", {.su = true, .samples = {20, 20, 20}}, 3, 20, 0, false, 4, 240, {}, "SU, big-endian"},
    {"SEG-Y traces of varying length", {.samples = {10, 20, 30}}, 3, 10, 3600, false, 4, 240,
     {3600, 3880, 4200}, "10 samples in the first trace, 3 traces of varying length"},
    {"SU traces of varying length", {.su = true, .little_endian = true, .samples = {3, 5}}, 2, 3, 0, true, 4, 240,
     {0, 252}, "2 traces of varying length"},
    {"a partial trace", {.samples = {10, 10}, .trailing = 1}, 0, 0, 0, false, 0, 0, {},
     ": 561 bytes after the headers are no whole number of traces of 280 bytes (10 samples of 4 bytes after 240 "
     "bytes of trace header), and its traces are not of varying length"},
    {"a partial trace and no known format code", {.format = 0, .samples = {10, 10}, .trailing = 1}, 0, 0, 0, false,
     0, 0, {}, ": the format code 0 is no SEG-Y sample format in either byte order"},
    {"little-endian code 0 without the constant", {.little_endian = true, .format = 0, .samples = {5, 5}}, 0, 0, 0,
     false, 0, 0, {}, "the format code 0 is no SEG-Y sample format"},
    {"extended headers without an end", {.text_headers = -1, .samples = {800}}, 0, 0, 0, false, 0, 0, {},
     "never end"},
    // A walk that went on past a trace of no samples would take the zero
    // bytes after it for traces of 240 bytes.
    {"SU of varying length, its second trace of 0 samples, zero bytes after it",
     {.su = true, .little_endian = true, .samples = {3, 0}, .trailing = 480}, 0, 0, 0, false, 0, 0, {},
     ": 972 bytes after the headers are no whole number of traces of 252 bytes"},
    {"a negative count of extended headers", {.text_headers = -3, .samples = {4}}, 0, 0, 0, false, 0, 0, {},
     "counts -3 extended textual headers"},
};
// clang-format on

TEST(SeismicLayouts, EveryShapeIsReadWhereTheStandardPutsItsTracesOrRefusedWithItsCause)
{
    support::ScratchFolder folder;
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(c.what);
        const std::string path = (folder / (c.shape.su ? "line.su" : "line.sgy")).string();
        support::write_bytes(path, support::seismic_bytes(c.shape));
        const Result<SeismicFile> file = SeismicFile::open(path);
        if (c.traces == 0) {
            ASSERT_FALSE(file);
            EXPECT_NE(file.error().find(path), std::string::npos) << file.error();
            EXPECT_NE(file.error().find(c.said), std::string::npos) << file.error();
            continue;
        }
        ASSERT_TRUE(file) << file.error();
        const TraceLayout& layout = file->layout();
        EXPECT_EQ(file->traces(), c.traces);
        EXPECT_EQ(layout.samples, c.samples);
        EXPECT_EQ(layout.first, c.first);
        EXPECT_EQ(layout.little_endian, c.little_endian);
        EXPECT_EQ(layout.sample_bytes, c.sample_bytes);
        EXPECT_EQ(layout.header_bytes, c.header_bytes);
        EXPECT_EQ(layout.starts, c.starts);
        const std::string line = file->found_line();
        EXPECT_NE(line.find(c.said), std::string::npos) << line;

        // Every trace's own words, where the layout says the trace lies.
        marovin::TraceSelection cdp;
        cdp.pair = {marovin::TraceWord::CdpX, marovin::TraceWord::CdpY};
        const auto points = file->extract(cdp);
        ASSERT_TRUE(points) << points.error();
        ASSERT_EQ(points->size(), static_cast<std::size_t>(c.traces));
        for (std::int32_t i = 0; i < c.traces; ++i) {
            EXPECT_EQ(points->labels[static_cast<std::size_t>(i)], 100 + i);
            EXPECT_EQ(points->x[static_cast<std::size_t>(i)], 5000 + i);
            EXPECT_EQ(points->y[static_cast<std::size_t>(i)], 6000 + i);
        }
    }
}

TEST(SeismicLayouts, EveryFormatCodeGivesItsSampleSizeInBothByteOrders)
{
    const std::pair<std::int16_t, std::int32_t> formats[] = {{1, 4},  {2, 4},  {3, 2},  {4, 4}, {5, 4},
                                                             {6, 8},  {7, 3},  {8, 1},  {9, 8}, {10, 4},
                                                             {11, 2}, {12, 8}, {15, 3}, {16, 1}};
    support::ScratchFolder folder;
    const std::string path = (folder / "line.sgy").string();
    for (const auto& [code, bytes] : formats) {
        for (const bool little : {false, true}) {
            const support::Shape shape{.little_endian = little, .format = code, .samples = {7, 7, 7}};
            support::write_bytes(path, support::seismic_bytes(shape));
            const Result<SeismicFile> file = SeismicFile::open(path);
            ASSERT_TRUE(file) << file.error();
            EXPECT_EQ(file->layout().sample_bytes, bytes) << code;
            EXPECT_EQ(file->layout().little_endian, little) << code;
            EXPECT_EQ(file->traces(), 3) << code;
        }
    }
}

} // namespace
