#pragma once
// The converter job of the trace-header run, from the points read out of a
// seismic file's trace headers.

#include "base/result.h"
#include "readers/trace_extraction.h"

#include <string>
#include <string_view>

namespace marovin {

// Writes the trace-header run's converter job at `path`: the header block
// naming `system` as source ("Depart=<system>", unit "M"), then one data line
// per point. The job replaces an earlier one only when wholly written; fails,
// naming the path, otherwise (also for a coordinate that is not finite).
Status write_trace_job(const std::string& path, std::string_view system, const TracePoints& points,
                       char decimal_point);

} // namespace marovin
