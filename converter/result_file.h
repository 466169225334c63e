#pragma once
// Writing of a converter result file (File.cva).
//
// Seven leading lines that say what was converted, then one record per
// point in the job's order:
//   1,"UTM32",48.123456789,9.123456789,0
// record number, source system as the job named it (in double quotes),
// latitude, longitude, ellipsoidal height 0; "." as decimal point, nine
// decimals of a degree (about 0.1 mm). Every line ends in CR LF.

#include "geodesy.h"
#include "job_file.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace convers {

// The seven leading lines, each ending in CR LF.
std::string result_header(std::string_view job_file_name, const Job& job, const ConversionReport& report);

// Appends the record of point `index` (0-based) of a converted job: its
// longitude in job.x and its latitude in job.y. `quoted_system` is the
// second field, quotes included (see quoted_system()).
void append_record(std::string& out, const Job& job, std::size_t index, std::string_view quoted_system);

// The source system as a quoted field; a double quote inside the name
// (WKT) becomes a single quote, since the readers of the file take the
// first inner quote as the field's end.
std::string quoted_system(std::string_view name);

} // namespace convers
