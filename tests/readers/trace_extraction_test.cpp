#include "readers/trace_extraction.h"

#include "readers/seismic_header.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

using marovin::ReadMethod;
using marovin::TraceSelection;
using marovin::TraceWord;

// A seismic file built by the test: zero bytes, with chosen words written at
// chosen 1-based positions, and a layout of fixed-length traces of 4-byte
// samples that the test may change.
class SeismicFixture {
public:
    SeismicFixture(bool su, std::int32_t samples, std::int32_t traces, std::int64_t extra_bytes = 0)
        : su_(su), path_(folder_.file(su ? "line.su" : "line.sgy"))
    {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        layout_.little_endian = su;
        layout_.samples = samples;
        layout_.first = su ? 0 : 3600;
        layout_.count = traces;
        size_ = layout_.first + layout_.trace_bytes() * traces + extra_bytes;
        EXPECT_EQ(::ftruncate(fd_, size_), 0);
    }
    ~SeismicFixture() { ::close(fd_); }

    // Writes a 32-bit word in the file's byte order at 1-based `position`.
    void word(std::int64_t position, std::int32_t value)
    {
        const auto u = static_cast<std::uint32_t>(value);
        unsigned char b[4];
        for (int k = 0; k < 4; ++k)
            b[k] = static_cast<unsigned char>(u >> (su_ ? 8 * k : 8 * (3 - k)));
        ASSERT_EQ(::pwrite(fd_, b, 4, position - 1), 4);
    }
    // Writes a word of trace `trace` at its trace-header byte.
    void trace_word(std::int64_t trace, int byte, std::int32_t value) { word(start(trace) + byte, value); }
    void trace_word(std::int64_t trace, TraceWord w, std::int32_t value)
    {
        trace_word(trace, static_cast<int>(w), value);
    }
    std::int64_t start(std::int64_t trace) const { return layout_.first + layout_.trace_bytes() * (trace - 1); }

    marovin::Result<marovin::TracePoints> extract(const TraceSelection& s, ReadMethod m = ReadMethod::Mapped,
                                                  marovin::Progress& progress = marovin::no_progress()) const
    {
        return marovin::extract_trace_points(fd_, static_cast<std::uint64_t>(size_), path_, layout_, units_, s, m,
                                             progress);
    }

    // Cuts the file to `bytes` behind the reader's back, as another program
    // truncating it would; the size given to the reader stays the old one.
    void shrink_to(std::int64_t bytes) { ASSERT_EQ(::ftruncate(fd_, bytes), 0); }

    marovin::TraceLayout layout_;
    std::int16_t units_ = 0;

private:
    support::ScratchFolder folder_;
    bool su_;
    std::string path_;
    int fd_ = -1;
    std::int64_t size_ = 0;
};

// A word at a byte of the trace header.
marovin::HeaderPosition at(int byte) { return *marovin::HeaderPosition::at_byte(byte); }

TEST(TraceExtraction, WordsStartAtBytesOneTo237OfTheTraceHeader)
{
    for (const std::int64_t byte : {1, 5, 201, 237})
        ASSERT_TRUE(marovin::HeaderPosition::at_byte(byte)) << byte;
    for (const std::int64_t byte : {0, -1, 238, 240, 241})
        EXPECT_FALSE(marovin::HeaderPosition::at_byte(byte)) << byte;
    EXPECT_EQ(at(189), marovin::HeaderPosition(TraceWord::Inline));
    EXPECT_EQ(at(193), marovin::HeaderPosition(TraceWord::Crossline));
}

class TraceReading : public ::testing::TestWithParam<ReadMethod> {};

TEST_P(TraceReading, SegyTraceTwoIsReadAtItsWorkedPositions)
{
    SeismicFixture f(false, 1000, 3);
    f.word(7861, 702);       // CDP of trace 2 at 7861-7864
    f.word(7921, 61234550);  // receiver X at 7921-7924
    f.word(7925, 481234525); // receiver Y at 7925-7928
    f.word(3621, 701);       // CDP of trace 1 at 3621-3624
    f.word(3681, 100);       // receiver X of trace 1 at 3681-3684
    TraceSelection s;
    s.label = TraceWord::Ensemble;
    s.divisor = 100;
    const auto points = f.extract(s, GetParam());
    ASSERT_TRUE(points.ok()) << points.error();
    ASSERT_EQ(points->size(), 3u);
    EXPECT_EQ(points->labels[0], 701);
    EXPECT_EQ(points->x[0], 1.0);
    EXPECT_EQ(points->labels[1], 702);
    EXPECT_EQ(points->x[1], 612345.5);
    EXPECT_EQ(points->y[1], 4812345.25);
    EXPECT_EQ(points->labels[2], 0);
}

TEST_P(TraceReading, SuWordsAreLittleEndianFromPositionZero)
{
    SeismicFixture f(true, 500, 3);
    f.word(81, 1234);      // receiver X of trace 1
    f.word(4480 + 21, -7); // CDP of trace 3 (starts at 4480)
    f.word(4480 + 85, 99);
    const auto points = f.extract(TraceSelection{}, GetParam());
    ASSERT_TRUE(points.ok()) << points.error();
    EXPECT_EQ(points->x[0], 1234.0);
    EXPECT_EQ(points->labels[2], -7);
    EXPECT_EQ(points->y[2], 99.0);
}

// Each word is tagged with its trace and its byte, so a word read from the
// wrong place shows.
TEST_P(TraceReading, EveryWordIsReadAtItsByteOfEveryTrace)
{
    const struct {
        int label, x, y;
    } cases[] = {
        {9, 81, 85},   // FFID, receiver
        {21, 73, 77},  // CDP, source
        {1, 181, 185}, // trace sequence, CDP X/Y
        {17, 81, 85},  // shot point
        {189, 73, 77}, // inline
        {193, 81, 85}, // crossline
        {5, 201, 205}, // words where the standard leaves room
        {237, 1, 233}, // the last byte a word can start at, and the first
    };
    for (const bool su : {false, true}) {
        SeismicFixture f(su, 250, 2);
        const auto tag = [](std::int64_t trace, int byte) { return static_cast<std::int32_t>(trace * 1000 + byte); };
        for (std::int64_t t = 1; t <= 2; ++t)
            for (const auto& c : cases)
                for (const int byte : {c.label, c.x, c.y})
                    f.trace_word(t, byte, tag(t, byte));
        for (const auto& c : cases) {
            TraceSelection s;
            s.label = at(c.label);
            s.pair = {at(c.x), at(c.y)};
            const auto points = f.extract(s, GetParam());
            ASSERT_TRUE(points.ok()) << points.error();
            for (std::int64_t t = 1; t <= 2; ++t) {
                const auto i = static_cast<std::size_t>(t - 1);
                EXPECT_EQ(points->labels[i], tag(t, c.label)) << c.label << " su=" << su;
                EXPECT_EQ(points->x[i], tag(t, c.x)) << c.x << " su=" << su;
                EXPECT_EQ(points->y[i], tag(t, c.y)) << c.y << " su=" << su;
            }
        }
        // A word at a byte no word of the standard starts at.
        for (const int byte : {2, 203, 236}) {
            SeismicFixture g(su, 250, 1);
            g.trace_word(1, byte, -123456789);
            TraceSelection s;
            s.label = at(byte);
            const auto points = g.extract(s, GetParam());
            ASSERT_TRUE(points.ok()) << points.error();
            EXPECT_EQ(points->labels[0], -123456789) << byte;
        }
    }
}

TEST_P(TraceReading, NegativeWordsDivideToNegativeCoordinates)
{
    for (const bool su : {false, true}) {
        SeismicFixture f(su, 250, 1);
        f.trace_word(1, TraceWord::GroupX, -100); // FF FF FF 9C big-endian
        f.trace_word(1, TraceWord::GroupY, -250);
        f.trace_word(1, TraceWord::Ensemble, -2147483647 - 1);
        TraceSelection s;
        s.divisor = 100;
        const auto points = f.extract(s, GetParam());
        ASSERT_TRUE(points.ok()) << points.error();
        EXPECT_EQ(points->x[0], -1.0);
        EXPECT_EQ(points->y[0], -2.5);
        EXPECT_EQ(points->labels[0], INT32_MIN);
    }
}

TEST_P(TraceReading, AnglesBecomeDecimalDegreesAndLengthsStayAsRead)
{
    const struct {
        std::int16_t units;
        std::int32_t x, y;
        double divisor;
        double longitude, latitude; // worked out by hand; NaN: refused
    } cases[] = {
        {0, 61234550, 481234525, 100, 612345.5, 4812345.25},
        {1, 61234550, 481234525, 100, 612345.5, 4812345.25},
        {2, 175320, 1972800, 10, 4.87, 54.8}, // seconds of arc
        {2, -16200, 194400, 1, -4.5, 54},
        {3, 487, -5480, 100, 4.87, -54.8},                                    // degrees
        {4, 45230, 544800, 1, 4.875, 54.8},                                   // 4 52 30, 54 48 00
        {4, -4523050, -54480000, 100, -(4 + 52 / 60.0 + 30.5 / 3600), -54.8}, // DDDMMSS.ss
        {4, 46000, 544800, 1, NAN, NAN},                                      // 60 minutes
        {4, 45260, 544800, 1, NAN, NAN},                                      // 60 seconds
        {7, 1234, 5678, 1, 1234, 5678},                                       // no unit of the standard: as read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "units " << c.units << ", X " << c.x);
        SeismicFixture f(false, 250, 2);
        f.units_ = c.units;
        f.trace_word(2, TraceWord::GroupX, c.x);
        f.trace_word(2, TraceWord::GroupY, c.y);
        TraceSelection s;
        s.divisor = c.divisor;
        const auto points = f.extract(s, GetParam());
        if (std::isnan(c.longitude)) {
            ASSERT_FALSE(points.ok());
            EXPECT_NE(points.error().find("trace 2 of"), std::string::npos) << points.error();
            continue;
        }
        ASSERT_TRUE(points.ok()) << points.error();
        EXPECT_DOUBLE_EQ(points->x[1], c.longitude);
        EXPECT_DOUBLE_EQ(points->y[1], c.latitude);
        EXPECT_EQ(points->x[0], 0.0);
    }
}

TEST_P(TraceReading, ATraceWhoseWordsLieBeyondTheEndFails)
{
    // The header state counts 3 traces; the file holds 2 and the first 84
    // bytes of the third: its receiver Y (85-88) is missing, its source pair
    // (73-80) is there.
    SeismicFixture f(false, 250, 2, 84);
    f.layout_.count = 3;
    const auto group = f.extract(TraceSelection{}, GetParam());
    ASSERT_FALSE(group.ok());
    EXPECT_NE(group.error().find("trace 3"), std::string::npos) << group.error();

    TraceSelection source;
    source.pair = {TraceWord::SourceX, TraceWord::SourceY};
    EXPECT_TRUE(f.extract(source, GetParam()).ok());

    f.layout_.count = 10;
    EXPECT_FALSE(f.extract(source, GetParam()).ok());
}

// A header state of no traces gives no points; one that no file can have
// fails.
TEST_P(TraceReading, ZeroTracesGiveNoPointsAndUnusableHeaderStatesFail)
{
    const auto none = SeismicFixture(false, 250, 0).extract(TraceSelection{}, GetParam());
    ASSERT_TRUE(none.ok()) << none.error();
    EXPECT_EQ(none->size(), 0u);

    SeismicFixture f(false, 250, 2);
    f.layout_.count = -1;
    EXPECT_FALSE(f.extract(TraceSelection{}, GetParam()).ok());
    f.layout_.count = 2;
    f.layout_.samples = -60;
    EXPECT_FALSE(f.extract(TraceSelection{}, GetParam()).ok());
}

TEST_P(TraceReading, FilesAbove2GBAreReadAt64BitPositions)
{
    // Sparse: 32,000 samples per trace, 20,000 traces = 2.56 GB on paper,
    // a few blocks on disk (long traces keep the pages touched few).
    const std::int32_t traces = 20'000;
    SeismicFixture f(false, 32'000, traces);
    const std::int64_t last = f.start(traces);
    ASSERT_GT(last, std::int64_t{1} << 31);
    f.trace_word(traces, TraceWord::Ensemble, 424242);
    f.trace_word(traces, TraceWord::GroupX, 50000000);
    f.trace_word(traces, TraceWord::GroupY, -123);
    TraceSelection s;
    s.divisor = 100;
    const auto points = f.extract(s, GetParam());
    ASSERT_TRUE(points.ok()) << points.error();
    ASSERT_EQ(points->size(), static_cast<std::size_t>(traces));
    EXPECT_EQ(points->labels.back(), 424242);
    EXPECT_EQ(points->x.back(), 500000.0);
    EXPECT_EQ(points->y.back(), -1.23);
    EXPECT_EQ(points->labels[traces - 2], 0);
}

// The traces read are told in blocks, never trace by trace; a cancel stops
// the read at the next block.
TEST_P(TraceReading, TheTracesReadAreToldInBlocksAndACancelStopsTheReadAtTheNextBlock)
{
    struct Told final : marovin::Progress {
        void advance(std::uint64_t done) override
        {
            steps.push_back(done);
            stop = stop || (cancel_at > 0 && done >= cancel_at);
        }
        bool cancelled() const override { return stop; }
        std::vector<std::uint64_t> steps;
        std::uint64_t cancel_at = 0;
        bool stop = false;
    };
    const std::int32_t traces = 20'000;
    SeismicFixture f(false, 1000, traces);
    Told whole;
    ASSERT_TRUE(f.extract({}, GetParam(), whole));
    ASSERT_GE(whole.steps.size(), 10u);
    EXPECT_LE(whole.steps.size(), 40u);
    EXPECT_EQ(whole.steps.back(), std::uint64_t{traces});
    EXPECT_TRUE(std::is_sorted(whole.steps.begin(), whole.steps.end()));

    Told stopped;
    stopped.cancel_at = whole.steps[2];
    const auto read = f.extract({}, GetParam(), stopped);
    ASSERT_FALSE(read);
    EXPECT_TRUE(marovin::was_cancelled(read.error()));
    EXPECT_EQ(stopped.steps.size(), 3u) << "nothing is read after the cancel";
}

TEST_P(TraceReading, AFileThatShrinksWhileItIsReadFailsWithFileEnded)
{
    // 60,000 traces of 250 samples make about 74 MB, so the mapped read
    // takes more than one window; the cut falls in the first or a later one,
    // and leaves trace `cut + 1` only 40 of the 88 bytes its words need.
    for (const std::int32_t cut : {1000, 50'000}) {
        SCOPED_TRACE(cut);
        SeismicFixture f(false, 250, 60'000);
        f.trace_word(cut, TraceWord::Ensemble, 77);
        f.shrink_to(f.start(cut + 1) + 40);
        const auto points = f.extract(TraceSelection{}, GetParam());
        ASSERT_FALSE(points.ok());
        EXPECT_NE(points.error().find("trace " + std::to_string(cut + 1) + " of "), std::string::npos)
            << points.error();
        EXPECT_NE(points.error().find("file ended"), std::string::npos) << points.error();
    }
}

TEST_P(TraceReading, TheProgramsOwnSigbusHandlerIsBackAfterAReadWhetherItFaultedOrNot)
{
    // The program's own handler would end it: a fault that reaches it fails
    // the test rather than looping on the faulting page.
    struct sigaction own {
    }, seen{}, previous{};
    own.sa_handler = [](int) { std::_Exit(99); };
    sigemptyset(&own.sa_mask);
    ASSERT_EQ(sigaction(SIGBUS, &own, &previous), 0);
    for (const bool shrink : {false, true}) {
        SeismicFixture f(true, 250, 4000);
        if (shrink)
            f.shrink_to(f.start(2000));
        EXPECT_EQ(f.extract(TraceSelection{}, GetParam()).ok(), !shrink);
        ASSERT_EQ(sigaction(SIGBUS, nullptr, &seen), 0);
        EXPECT_EQ(seen.sa_handler, own.sa_handler) << (shrink ? "after a fault" : "after a whole read");
    }
    sigaction(SIGBUS, &previous, nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothReadMethods, TraceReading, ::testing::Values(ReadMethod::Mapped, ReadMethod::Positioned),
                         [](const auto& info) {
                             return std::string(info.param == ReadMethod::Mapped ? "Mapped" : "Positioned");
                         });

// --- the real files of the shared reference folder ------------------------

// Read as the folder's README says an independent reader reads them.
struct ReferenceFile {
    const char* name;
    bool little_endian;
    std::int32_t sample_bytes, samples, traces;
    std::int64_t first; // bytes before the first trace
    std::int32_t cdp_low, cdp_high;
    double first_x, first_y, last_x, last_y; // source X/Y, scaled
    std::optional<std::int32_t> first_ffid;
};

// From the folder's README.
const ReferenceFile kReferenceFiles[] = {
    {"small.sgy", false, 4, 50, 25, 3600, 0, 0, 0, 0, 0, 0, {}},
    {"small-lsb.sgy", true, 4, 50, 25, 3600, 0, 0, 0, 0, 0, 0, {}},
    {"f3.sgy", false, 2, 75, 414, 3600, 875, 892, 620197.2, 6074232.9, 620606.7, 6074794.5, {}},
    {"Format8msb.sgy", false, 1, 75, 414, 3600, 875, 892, 620197.2, 6074232.9, 620606.7, 6074794.5, {}},
    {"Format6lsb.sgy", true, 8, 75, 414, 3600, 875, 892, 620197.2, 6074232.9, 620606.7, 6074794.5, {}},
    {"multi-text.sgy", false, 4, 1, 1, 16400, 0, 0, 0, 0, 0, 0, {}},
    {"shot-gather.sgy", false, 4, 25, 61, 3600, 0, 0, 0, 0, 0, 0, 2},
    {"small.su", false, 4, 50, 25, 0, 20, 24, 0, 0, 0, 0, {}},
    {"small-lsb.su", true, 4, 50, 25, 0, 20, 24, 0, 0, 0, 0, {}},
};

TEST(SharedSeismicFiles, EveryFileGivesTheCountsLabelsAndCoordinatesOfItsReadme)
{
    const std::filesystem::path folder = std::filesystem::path(MAROVIN_SHARED_DATA_DIR) / "seismic";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no reference folder " << folder;
    for (const ReferenceFile& f : kReferenceFiles) {
        SCOPED_TRACE(f.name);
        const std::string path = (folder / f.name).string();
        const marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(path);
        ASSERT_TRUE(file) << file.error();
        EXPECT_EQ(file->traces(), f.traces);
        EXPECT_EQ(file->layout().samples, f.samples);
        EXPECT_EQ(file->layout().sample_bytes, f.sample_bytes);
        EXPECT_EQ(file->layout().first, f.first);
        EXPECT_EQ(file->layout().little_endian, f.little_endian);

        marovin::TraceSelection selection;
        selection.pair = {TraceWord::SourceX, TraceWord::SourceY};
        selection.divisor = std::abs(file->scalar());
        const auto points = file->extract(selection);
        ASSERT_TRUE(points) << points.error();
        ASSERT_EQ(points->size(), static_cast<std::size_t>(f.traces));
        EXPECT_EQ(*std::min_element(points->labels.begin(), points->labels.end()), f.cdp_low);
        EXPECT_EQ(*std::max_element(points->labels.begin(), points->labels.end()), f.cdp_high);
        EXPECT_DOUBLE_EQ(points->x.front(), f.first_x);
        EXPECT_DOUBLE_EQ(points->y.front(), f.first_y);
        EXPECT_DOUBLE_EQ(points->x.back(), f.last_x);
        EXPECT_DOUBLE_EQ(points->y.back(), f.last_y);
        if (f.first_ffid) {
            selection.label = TraceWord::FieldRecord;
            const auto ffid = file->extract(selection);
            ASSERT_TRUE(ffid) << ffid.error();
            EXPECT_EQ(ffid->labels.front(), *f.first_ffid);
        }
    }
}

} // namespace
