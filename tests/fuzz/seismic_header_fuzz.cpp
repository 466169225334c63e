// The seismic header reader on any file.
//
// Input: one byte whose low bit picks the kind (1: an SU file "line.su",
// 0: a SEG-Y file "line.sgy"), two bytes of a 1-based probe position
// (little-endian), then the file's bytes.
//
// Properties:
//   - read_seismic_header gives what a plain reading of the bytes gives: the
//     samples word and the scalar of the first trace header (after the
//     power-of-ten rule), the nearest whole number of traces (halves to
//     even), or an error exactly when the file is too short for a trace
//     header, the samples word leaves no room for a trace, or the scalar is
//     -32768;
//   - each of the four word readers at the probe position gives the bytes
//     there, decoded, or an error exactly when the word does not lie wholly
//     inside the file.
#include "fuzz_support.h"

#include "readers/seismic_header.h"

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

// Nearest whole number of data / trace, halves to the even one, compared
// as distances rather than through a remainder.
std::int64_t nearest_count(std::int64_t data, std::int64_t trace)
{
    const std::int64_t below = data / trace; // data >= 0, trace > 0
    const std::int64_t to_below = data - below * trace;
    const std::int64_t to_above = (below + 1) * trace - data;
    if (to_below < to_above)
        return below;
    if (to_above < to_below)
        return below + 1;
    return below % 2 == 0 ? below : below + 1;
}

void check_header(const std::string& path, std::string_view file, bool su)
{
    const Result<SeismicHeader> header = read_seismic_header(path);
    const std::int64_t offset = su ? 0 : 3600;
    const auto size = static_cast<std::int64_t>(file.size());
    if (size < offset + 240) {
        FUZZ_CHECK(!header.ok(), "a file of " + std::to_string(size) + " bytes was read");
        return;
    }
    const std::int64_t samples = word_value(file, static_cast<std::size_t>(offset + 114), 2, su);
    const std::int64_t scalar = word_value(file, static_cast<std::size_t>(offset + 70), 2, su);
    const std::int64_t trace = 240 + 4 * samples;
    if (trace <= 0 || scalar == -32768) {
        FUZZ_CHECK(!header.ok(), "samples " + std::to_string(samples) + ", scalar " + std::to_string(scalar) +
                                     " were accepted");
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
               "samples " + std::to_string(header->Nb_Samples) + ", expected " + std::to_string(samples));
    FUZZ_CHECK(header->Coord_Scalar == rule,
               "scalar " + std::to_string(header->Coord_Scalar) + ", expected " + std::to_string(rule));
    FUZZ_CHECK(header->Header_Offset == offset, "header offset " + std::to_string(header->Header_Offset));
    const std::int64_t traces = nearest_count(size - offset, trace);
    FUZZ_CHECK(header->Nb_Traces == traces,
               "traces " + std::to_string(header->Nb_Traces) + ", expected " + std::to_string(traces));
}

// One word reader's answer at `position` against the file's bytes.
template <class Word>
void check_word(const Result<Word>& read, std::string_view file, std::int64_t position, bool little_endian)
{
    const std::size_t size = sizeof(Word);
    const bool inside = position >= 1 && position - 1 + static_cast<std::int64_t>(size) <=
                                             static_cast<std::int64_t>(file.size());
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
