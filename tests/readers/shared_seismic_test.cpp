// The real SEG-Y and SU files of the shared reference folder, read as its
// README says an independent reader reads them.
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

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
        const marovin::Result<marovin::SeismicHeader> header = marovin::read_seismic_header(path);
        ASSERT_TRUE(header) << header.error();
        EXPECT_EQ(header->Nb_Traces, f.traces);
        EXPECT_EQ(header->Nb_Samples32, f.samples);
        EXPECT_EQ(header->Sample_Bytes, f.sample_bytes);
        EXPECT_EQ(header->Header_Offset, f.first);
        EXPECT_EQ(marovin::little_endian_words(*header, marovin::is_su_path(path)), f.little_endian);

        marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(path);
        ASSERT_TRUE(file);
        marovin::TraceSelection selection;
        selection.pair = marovin::coordinate_pair_for("X,Y source coordinate");
        selection.divisor = std::abs(header->Coord_Scalar);
        const auto points = marovin::extract_trace_points(*file, *header, marovin::is_su_path(path), selection);
        ASSERT_TRUE(points) << points.error();
        ASSERT_EQ(points->size(), static_cast<std::size_t>(f.traces));
        EXPECT_EQ(*std::min_element(points->labels.begin(), points->labels.end()), f.cdp_low);
        EXPECT_EQ(*std::max_element(points->labels.begin(), points->labels.end()), f.cdp_high);
        EXPECT_DOUBLE_EQ(points->x.front(), f.first_x);
        EXPECT_DOUBLE_EQ(points->y.front(), f.first_y);
        EXPECT_DOUBLE_EQ(points->x.back(), f.last_x);
        EXPECT_DOUBLE_EQ(points->y.back(), f.last_y);
        if (f.first_ffid) {
            selection.label = marovin::label_word_for("FFID");
            const auto ffid = marovin::extract_trace_points(*file, *header, marovin::is_su_path(path), selection);
            ASSERT_TRUE(ffid) << ffid.error();
            EXPECT_EQ(ffid->labels.front(), *f.first_ffid);
        }
    }
}

} // namespace
