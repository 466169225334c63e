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
using marovin::SeismicHeader;
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

TEST(SeismicWords, FileReadersUseOneBasedPositionsAndNeverReadPastTheEnd)
{
    support::ScratchFolder folder;
    const fs::path path = folder / "words.bin";
    support::write_bytes(path, std::string("\x00\xFF\x9C\x80\x00\x00\x00", 7));
    Result<SeismicFile> file = SeismicFile::open(path.string());
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->size(), 7u);

    ASSERT_TRUE(file->Read_BE_Int16(2));
    EXPECT_EQ(*file->Read_BE_Int16(2), -100);
    EXPECT_EQ(*file->Read_LE_Int16(2), static_cast<std::int16_t>(0x9CFF));
    EXPECT_EQ(*file->Read_BE_Int32(4), INT32_MIN);
    EXPECT_EQ(*file->Read_LE_Int32(4), 0x80);

    EXPECT_FALSE(file->Read_BE_Int16(0)); // position 0 does not exist
    EXPECT_FALSE(file->Read_BE_Int16(7)); // second byte past the end
    EXPECT_FALSE(file->Read_LE_Int32(5));
    EXPECT_FALSE(file->Read_BE_Int32(100));
    const auto past = file->Read_BE_Int32(5);
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
    const Result<SeismicHeader> header = marovin::read_seismic_header(path);
    ASSERT_TRUE(header) << header.error();
    SeismicHeader expected;
    expected.Nb_Samples = 1000;
    expected.Nb_Samples32 = 1000;
    expected.Coord_Scalar = -100;
    expected.Header_Offset = kind() == Kind::SegY ? 3600 : 0;
    expected.Nb_Traces = 10;
    EXPECT_EQ(*header, expected);
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
        const Result<SeismicHeader> header = marovin::read_seismic_header(path);
        ASSERT_TRUE(header) << header.error();
        EXPECT_EQ(header->Coord_Scalar, c.used) << c.scalar;
        EXPECT_EQ(header->Nb_Samples, c.samples);
        EXPECT_EQ(header->Nb_Samples32, c.count);
        EXPECT_EQ(header->Nb_Traces, c.traces) << c.samples;
    }
}

TEST_P(SeismicHeaderRead, APartialTraceIsRefusedNamingTheSizes)
{
    // Every trace as long as the first leaves no room for a part of one.
    for (const double traces : {10.5, 11.5, 10.6, 10.4, 0.5, 1.5}) {
        const std::string path = make(1000, 1, size_for(1000, traces));
        const Result<SeismicHeader> header = marovin::read_seismic_header(path);
        ASSERT_FALSE(header) << traces << " traces' worth of bytes";
        EXPECT_NE(header.error().find("no whole number of traces of 4,240 bytes"), std::string::npos) << header.error();
    }
    const Result<SeismicHeader> one = marovin::read_seismic_header(make(1000, 1, size_for(1000, 1)));
    ASSERT_TRUE(one) << one.error();
    EXPECT_EQ(one->Nb_Traces, 1);
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
        const Result<SeismicHeader> header = marovin::read_seismic_header(path);
        ASSERT_FALSE(header) << c.what;
        EXPECT_NE(header.error().find(path), std::string::npos) << header.error();
        EXPECT_NE(header.error().find(c.words), std::string::npos) << header.error();
    }
}

TEST_P(SeismicHeaderRead, MissingFilesAndFoldersFailWithoutCreatingAnything)
{
    const std::string missing = file("missing");
    const std::string in_missing_folder = (folder / "nowhere" / "line1.sgy").string();
    fs::create_directory(folder / "folder.sgy");
    const std::string a_folder = (folder / "folder.sgy").string();
    for (const std::string& path : {missing, in_missing_folder, a_folder, std::string()}) {
        const Result<SeismicHeader> header = marovin::read_seismic_header(path);
        ASSERT_FALSE(header) << path;
        EXPECT_NE(header.error().find(path), std::string::npos) << header.error();
    }
    EXPECT_NE(marovin::read_seismic_header(missing).error().find("does not exist"), std::string::npos);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(folder.names().size(), 1u); // only the folder made above
}

TEST_P(SeismicHeaderRead, TraceCountsThatDoNotFitIn32BitsAreFailures)
{
    // Traces of no samples (240 bytes): 2^31 traces take 480 GiB, left as a
    // hole.
    const std::string path = make(0, 1, support::header_offset(kind()) + 240 * (std::uint64_t{1} << 31));
    const Result<SeismicHeader> header = marovin::read_seismic_header(path);
    ASSERT_FALSE(header);
    EXPECT_NE(header.error().find("traces"), std::string::npos) << header.error();
}

TEST_P(SeismicHeaderRead, FilesAbove4GBAreReadWithSixtyFourBitPositions)
{
    const std::int64_t traces = 1'100'000; // 4.66e9 bytes of 4240-byte traces, sparse
    const std::string path = make(1000, -100, size_for(1000, static_cast<double>(traces)));
    const Result<SeismicHeader> header = marovin::read_seismic_header(path);
    ASSERT_TRUE(header) << header.error();
    EXPECT_EQ(header->Nb_Traces, traces);

    // A word of the last trace, beyond 2^32.
    const std::int64_t position = support::header_offset(kind()) + (traces - 1) * 4240 + 81;
    ASSERT_GT(position, std::int64_t{1} << 32);
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const unsigned char word[4] = {0x03, 0xA6, 0x5D, 0x76}; // 61234550 big-endian
    ASSERT_EQ(::pwrite(fd, word, 4, position - 1), 4);
    ::close(fd);
    Result<SeismicFile> file = SeismicFile::open(path);
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(*file->Read_BE_Int32(position), 61234550);
    EXPECT_FALSE(file->Read_BE_Int32(static_cast<std::int64_t>(file->size()) - 2));
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
        const Result<SeismicHeader> header = marovin::read_seismic_header(path.string());
        ASSERT_TRUE(header) << header.error();
        EXPECT_EQ(header->Header_Offset, 0) << name;
        EXPECT_EQ(header->Nb_Samples, 500) << name;
        EXPECT_EQ(header->Nb_Traces, 25) << name;
    }
    for (const char* name : {"line1.segy", "line1.sus", "line1.SGY"}) {
        const fs::path path = folder / name;
        support::write_seismic_file(path, Kind::SegY, 500, 2, support::size_for(Kind::SegY, 500, 25));
        const Result<SeismicHeader> header = marovin::read_seismic_header(path.string());
        ASSERT_TRUE(header) << header.error();
        EXPECT_EQ(header->Header_Offset, 3600) << name;
        EXPECT_EQ(header->Nb_Samples, 500) << name;
        EXPECT_EQ(header->Nb_Traces, 25) << name;
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
        const Result<marovin::SeismicRead> read = marovin::read_seismic_file(path);
        const Result<SeismicHeader> header = read ? Result<SeismicHeader>(read->header) : marovin::fail(read.error());
        if (c.traces == 0) {
            ASSERT_FALSE(header);
            EXPECT_NE(header.error().find(path), std::string::npos) << header.error();
            EXPECT_NE(header.error().find(c.said), std::string::npos) << header.error();
            continue;
        }
        ASSERT_TRUE(header) << header.error();
        EXPECT_EQ(header->Nb_Traces, c.traces);
        EXPECT_EQ(header->Nb_Samples32, c.samples);
        EXPECT_EQ(header->Header_Offset, c.first);
        EXPECT_EQ(marovin::little_endian_words(*header, c.shape.su), c.little_endian);
        EXPECT_EQ(header->Sample_Bytes, c.sample_bytes);
        EXPECT_EQ(header->Trace_Header_Bytes, c.header_bytes);
        EXPECT_EQ(header->Trace_Starts, c.starts);
        const std::string line = marovin::findings_line(*header, read->findings);
        EXPECT_NE(line.find(c.said), std::string::npos) << line;

        // Every trace's own words, where the layout says the trace lies.
        Result<SeismicFile> file = SeismicFile::open(path);
        ASSERT_TRUE(file);
        marovin::TraceSelection cdp;
        cdp.pair = marovin::coordinate_pair_for("X,Y CDP coordinate");
        const auto points = marovin::extract_trace_points(*file, *header, c.shape.su, cdp);
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
            const Result<SeismicHeader> header = marovin::read_seismic_header(path);
            ASSERT_TRUE(header) << header.error();
            EXPECT_EQ(header->Sample_Bytes, bytes) << code;
            EXPECT_EQ(header->Reversed_Byte_Order, little) << code;
            EXPECT_EQ(header->Nb_Traces, 3) << code;
        }
    }
}

} // namespace
