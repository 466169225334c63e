// Trace-header extraction on a file in memory, with any layout of fixed-length traces.
//
// Input: a flags byte (bit 0: SU, little-endian words; bits 1-2: the label
// word, FFID, CDP, Trace or SP; bit 3: the source pair instead of the
// receiver pair; bit 4: words at typed bytes instead; bits 5-7: the block
// size of the block read, kBlockSizes[bits]), then little-endian
// 16-bit words: samples per trace, header length, trace count (divided by
// 16, so that a run stays short; it may be negative) and the coordinate
// divisor; with bit 4, three more: the bytes of the label, X and Y words as
// a user types them; then the file's bytes.
//
// Properties:
//   - the block, the mapped and the positioned reading give the same
//     answer: all fail, or all give the same points; so does the default;
//   - a success holds one point per trace whose label and coordinates are the
//     words at the trace's start plus their header positions, decoded and
//     divided as a plain reading of the bytes gives them;
//   - an error comes exactly when the count is negative, or there are traces
//     and the trace length, header length or divisor is unusable, or the last
//     trace's words do not lie wholly inside the file;
//   - a typed byte is a word's position exactly when it is 1 to 237.
#include "fuzz_support.h"

#include "readers/trace_extraction.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include <unistd.h>

using namespace marovin;
using marovin::fuzz::Input;

namespace {

std::int64_t word32(std::string_view file, std::int64_t index, bool little_endian)
{
    std::uint32_t u = 0;
    for (int k = 0; k < 4; ++k) {
        const std::int64_t at = little_endian ? index + 3 - k : index + k;
        u = u * 256 + static_cast<unsigned char>(file[static_cast<std::size_t>(at)]);
    }
    return u >= 0x80000000u ? static_cast<std::int64_t>(u) - 0x100000000 : static_cast<std::int64_t>(u);
}

struct Expected {
    bool ok = false;
    TracePoints points;
};

Expected expected_points(std::string_view file, const TraceLayout& layout, bool su, const TraceSelection& s)
{
    Expected e;
    const std::int64_t count = layout.count;
    if (count < 0)
        return e;
    if (count == 0) {
        e.ok = true;
        return e;
    }
    const std::int64_t step = 4 * layout.samples + 240;
    const std::int64_t first = layout.first;
    if (step <= 0 || first < 0 || s.divisor == 0)
        return e;
    const int words[] = {s.label.byte(), s.pair.x.byte(), s.pair.y.byte()};
    const std::int64_t last_byte = first + (count - 1) * step + *std::max_element(words, words + 3) + 3;
    if (last_byte > static_cast<std::int64_t>(file.size()))
        return e;
    e.ok = true;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t start = first + i * step - 1; // 0-based index of header byte 1 is start + 1
        e.points.labels.push_back(static_cast<std::int32_t>(word32(file, start + words[0], su)));
        e.points.x.push_back(static_cast<double>(word32(file, start + words[1], su)) / s.divisor);
        e.points.y.push_back(static_cast<double>(word32(file, start + words[2], su)) / s.divisor);
    }
    return e;
}

// Blocks of the whole file, of less than one trace's words, of one trace
// or a few traces of the sample line (1240 bytes a trace), and larger.
constexpr std::size_t kBlockSizes[] = {kReadBlockBytes, 1, 100, 1300, 2600, 4000, 10000, 65536};

std::string describe(const Result<TracePoints>& r)
{
    return r.ok() ? std::to_string(r->size()) + " points" : "error: " + r.error();
}

void check_same(const TracePoints& got, const TracePoints& expected, const char* what)
{
    FUZZ_CHECK(got.size() == expected.size() && got.x.size() == expected.size() && got.y.size() == expected.size(),
               std::string(what) + ": " + std::to_string(got.size()) + " points, expected " +
                   std::to_string(expected.size()));
    for (std::size_t i = 0; i < got.size(); ++i)
        FUZZ_CHECK(got.labels[i] == expected.labels[i] && got.x[i] == expected.x[i] && got.y[i] == expected.y[i],
                   std::string(what) + ": trace " + std::to_string(i + 1) + " reads " + std::to_string(got.labels[i]) +
                       " " + std::to_string(got.x[i]) + " " + std::to_string(got.y[i]) + ", expected " +
                       std::to_string(expected.labels[i]) + " " + std::to_string(expected.x[i]) + " " +
                       std::to_string(expected.y[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr TraceWord kLabels[] = {TraceWord::FieldRecord, TraceWord::Ensemble, TraceWord::TraceSequence,
                                            TraceWord::SourcePoint};
    Input input(data, size);
    const std::uint8_t flags = input.byte();
    const bool su = (flags & 1) != 0;
    TraceSelection selection;
    selection.label = kLabels[(flags >> 1) & 3];
    selection.pair = (flags & 8) ? CoordinatePair{TraceWord::SourceX, TraceWord::SourceY}
                                 : CoordinatePair{TraceWord::GroupX, TraceWord::GroupY};
    TraceLayout layout;
    layout.little_endian = su;
    layout.samples = input.i16();
    layout.first = input.i16();
    layout.count = input.i16() / 16;
    selection.divisor = input.i16();
    if (flags & 16) {
        std::optional<HeaderPosition> typed[3];
        for (std::optional<HeaderPosition>& position : typed) {
            const std::uint16_t byte = input.u16();
            position = HeaderPosition::at_byte(byte);
            FUZZ_CHECK(position.has_value() == (byte >= 1 && byte <= 237), "byte " + std::to_string(byte));
        }
        if (!typed[0] || !typed[1] || !typed[2])
            return 0;
        selection.label = *typed[0];
        selection.pair = {*typed[1], *typed[2]};
    }
    const std::string_view file = input.rest();

    const int fd = fuzz::memory_file(file);
    const auto read = [&](ReadMethod method, std::size_t block_bytes = kReadBlockBytes) {
        return extract_trace_points(fd, file.size(), "memory file", layout, 0, selection, method, no_progress(),
                                    block_bytes);
    };
    const Result<TracePoints> mapped = read(ReadMethod::Mapped);
    const Result<TracePoints> positioned = read(ReadMethod::Positioned);
    const Result<TracePoints> blocks = read(ReadMethod::Blocks, kBlockSizes[flags >> 5]);
    const Result<TracePoints> best = read(ReadMethod::Best);
    ::close(fd);

    for (const auto& [what, other] : {std::pair{"positioned", &positioned}, {"blocks", &blocks}, {"best", &best}}) {
        FUZZ_CHECK(mapped.ok() == other->ok(), "mapped: " + describe(mapped) + "; " + what + ": " + describe(*other));
        FUZZ_CHECK(mapped.ok() || mapped.error() == other->error(),
                   "mapped: " + describe(mapped) + "; " + what + ": " + describe(*other));
    }
    const Expected expected = expected_points(file, layout, su, selection);
    FUZZ_CHECK(mapped.ok() == expected.ok,
               "mapped: " + describe(mapped) + "; a plain reading " + (expected.ok ? "succeeds" : "fails"));
    if (!expected.ok)
        return 0;
    check_same(*mapped, expected.points, "mapped");
    check_same(*positioned, *mapped, "positioned");
    check_same(*blocks, *mapped, "blocks");
    check_same(*best, *mapped, "best");
    return 0;
}
