#pragma once
// Reading of a converter job file (File.cvd).
//
// Layout: seven header lines of "key=value" (blanks around "=" allowed, as
// the window's own system block writes "Depart = UTM32"), lines 4 and 7
// empty, then one data line per point: X then Y, each written with a leading
// blank or "-" and a trailing blank (" 600000  4500000 "). The decimal
// separator is the one of the writer's regional settings, so "," is read as
// well as "."; exponents ("1E-05") are accepted. Lines end in CR LF or LF.
//
// The file is read as a stream through a buffer of fixed size: a job of any
// length costs the memory of its points, and a line longer than
// kLongestLine (no job writer makes one) is refused without being kept.

#include "base/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace convers {

struct Job {
    std::string source_system;       // the Depart value, as written
    std::string target_system;       // the Arrivee value ("WGS84")
    std::int64_t source_line = 1;    // where they were read, for messages
    std::int64_t target_line = 5;
    std::int64_t first_data_line = 8; // 1-based line number of point 0
    std::vector<double> x;           // easting or longitude, per point
    std::vector<double> y;           // northing or latitude, per point

    std::int64_t line_of(std::size_t point) const { return first_data_line + static_cast<std::int64_t>(point); }
};

// Number of lines of the header block; data lines start after it.
inline constexpr int header_line_count = 7;

// The longest line a job may hold: far above a data line (two numbers) and
// room for a system given as WKT or PROJJSON on one header line.
inline constexpr std::size_t kLongestLine = std::size_t{1} << 20;

// Reads the job file at `path`. Errors name the line, with `file_name` as
// the file's name in the message:
//   "File.cvd line 12: \"12a\" is not a number".
marovin::Result<Job> read_job(const std::string& path, std::string_view file_name);

} // namespace convers
