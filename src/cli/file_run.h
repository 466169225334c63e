#pragma once
// One input file of marovin-kml, from its bytes to its written output: the
// road (conversion/road.h) with the converter in process, then the KML
// document or KMZ archive (written by the window's own writers) or the CSV
// table, replaced atomically.

#include "cli/options.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace marovin::cli {

struct Target {
    std::string input;
    std::string output;  // "-" for standard output
    std::string refusal; // why the file is not run; empty when it is
};

// The output of every input: as -o says, else beside the input under the
// name the window proposes (the KML name with "CSV" for "KML" with --csv,
// with ".kmz" for its ".KML" with --kmz).
// An output that is an input, or the output of an earlier input, is
// refused. Fails when -o names no usable folder for many inputs.
Result<std::vector<Target>> plan_outputs(const Options& options);

struct FileOutcome {
    bool written = false;
    std::string line; // for standard error: what was done, or why not
};

// Runs one file. `points_read` grows by the points the file gave, for the
// progress line.
FileOutcome run_file(const Options& options, const Target& target, std::atomic<std::int64_t>& points_read);

} // namespace marovin::cli
