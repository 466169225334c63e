#pragma once
// Extraction of every trace's label word and X/Y pair from a SEG-Y or SU file.
//
// Trace i (1-based) starts after byte B(i) = L * (i - 1) + F, where F is
// the bytes before the first trace and the trace length L is the trace
// header's bytes plus the samples' (240 + 4 * samples for the conventional
// layout); traces of varying length start after their own starts (the
// layout, seismic_header.h). Trace-header byte k of a trace
// sits at 1-based position B + k. Positions are 64-bit: files above 2 GB and
// millions of traces work. Only the three words asked for are read, never
// the samples, so the cost grows with the number of traces and not with
// their length.
//
// A trace whose words do not lie wholly inside the file is an error (the
// file may have changed since its headers were read); no point is ever made
// of bytes that are not there.

#include "readers/seismic_header.h"
#include "base/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

struct CoordinatePair {
    HeaderPosition x;
    HeaderPosition y;
    bool operator==(const CoordinatePair&) const = default;
};

// True when the coordinate units word says the coordinates are angles
// (2 seconds of arc, 3 decimal degrees, 4 degrees-minutes-seconds): the
// points are then longitudes and latitudes, given in decimal degrees.
bool coordinates_are_angles(std::int16_t units);

// What to read of each trace: the label word and the X/Y pair, each a
// 32-bit word at its byte of the trace header, and what X and Y are divided
// by.
struct TraceSelection {
    HeaderPosition label = TraceWord::Ensemble;
    CoordinatePair pair{TraceWord::GroupX, TraceWord::GroupY};
    double divisor = 1;
};

// One point per trace, in trace order: the label number and X / d, Y / d,
// turned into decimal degrees when the first trace's units word says they
// are seconds of arc (2) or degrees, minutes and seconds (4, DDDMMSS.ss
// after the division).
struct TracePoints {
    std::vector<std::int32_t> labels;
    std::vector<double> x;
    std::vector<double> y;

    std::size_t size() const { return labels.size(); }
};

// How the words are fetched: a read-only memory map that touches only the
// pages holding the words, or one positioned read of each trace's header
// prefix. Both give the same points and the same errors; the map is the
// default (faster on a file in the page cache, see bench/). A file that
// shrinks while it is read (another program truncating it) fails with
// "file ended" either way: the mapped read catches the fault of a page that
// is gone (it installs a SIGBUS handler while it reads, and puts back the
// previous one after) and reads on by positioned reads. Traces of varying
// length are read by positioned reads either way.
enum class ReadMethod { Mapped, Positioned };

// Reads the layout.count traces of the file of descriptor `fd` and `size`
// bytes where the layout lays them out, each word in the layout's byte
// order; `units` is the coordinate units word, `name` names the file in
// messages. SeismicFile::extract runs it on the layout its headers give;
// its tests give any layout. Fails, naming the file and the trace, when a
// trace's words lie beyond the end of the file, for a negative count or a
// trace length of 0 or below with traces to read, for trace starts that do
// not match the count, and for a degrees-minutes-seconds coordinate whose
// minutes or seconds are 60 or more.
//
// The traces read are told to `progress` (advance(), in blocks of a few
// thousand traces or one mapped window); once it is cancelled the read
// stops at the next block and fails with kCancelled.
Result<TracePoints> extract_trace_points(int fd, std::uint64_t size, const std::string& name, const TraceLayout& layout,
                                         std::int16_t units, const TraceSelection& selection,
                                         ReadMethod method = ReadMethod::Mapped, Progress& progress = no_progress());

} // namespace marovin
