#pragma once
// Reading of a converter job file (File.cvd).
//
// Layout: seven header lines of "key=value" (blanks around "=" allowed, as
// the window's own system block writes "Depart = UTM32"), lines 4 and 7
// empty, then one data line per point: X then Y, each written with a leading
// blank or "-" and a trailing blank (" 600000  4500000 "). The decimal
// separator is the one of the writer's regional settings, so "," is read as
// well as "."; exponents ("1E-05") are accepted. Lines end in CR LF or LF.

#include "base/result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace convers {

struct Job {
    std::string source_system;       // the Depart value, as written
    std::string target_system;       // the Arrivee value ("WGS84")
    int source_line = 1;             // where they were read, for messages
    int target_line = 5;
    int first_data_line = 8;         // 1-based line number of point 0
    std::vector<double> x;           // easting or longitude, per point
    std::vector<double> y;           // northing or latitude, per point
};

// Number of lines of the header block; data lines start after it.
inline constexpr int header_line_count = 7;

// Reads a job from the whole text of a job file. Errors name the line, with
// `file_name` as the file's name in the message:
//   "File.cvd line 12: \"12a\" is not a number".
marovin::Result<Job> parse_job(std::string_view text, std::string_view file_name);

// Reads one number of a data line: optional sign, digits with "." or ","
// as decimal separator, optional exponent. False if `token` is anything else
// or not finite.
bool parse_number(std::string_view token, double& value);

} // namespace convers
