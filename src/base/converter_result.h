#pragma once
// The converter's result File.cva: seven lines of its own (skipped whatever
// they hold), then one five-field record per data line of the job, in the
// job's order. Field 3 is the latitude and field 4 the longitude, WGS84
// decimal degrees with "." as decimal point; fields 1, 2 and 5 are not used.
// A record may span lines: the reader simply takes the next five fields
// (see base/field_reader.h for what a field is). The converter writes it,
// the window reads it; both halves live here.
//
// What the converter writes: seven lines that say what was converted, then
// one record per point in the job's order:
//   1,"UTM32",48.123456789,9.123456789,0
// record number, source system as the job named it (in double quotes),
// latitude, longitude, ellipsoidal height 0; "." as decimal point, nine
// decimals of a degree (about 0.1 mm). Every line ends in CR LF.

#include "base/converter_job.h"
#include "base/progress.h"
#include "base/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

struct ResultPoints {
    std::vector<double> longitudes; // field 4 of records 1..N, in order
    std::vector<double> latitudes;  // field 3
};

// Reads `count` records. Fails, naming the file and the line, when the file
// is missing or unreadable, holds fewer than seven lines, ends before the
// last record, or a record's field 3 or 4 is not a number. The records read
// are told to `progress`, in blocks; once it is cancelled the read stops
// and fails with kCancelled.
Result<ResultPoints> read_result_points(const std::string& path, std::int32_t count,
                                        Progress& progress = no_progress());

// What the conversion used, for the leading lines of the result file.
struct ConversionReport {
    std::string source_name;    // PROJ's name of the source system
    std::string target_name;    // PROJ's name of the target system
    std::string operation_name; // PROJ's name of the operation applied
    double accuracy_m = -1;     // its stated accuracy in metres, -1 unknown
};

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

// The degrees a record gives back for `value`: the value rounded to the
// record's nine decimals, as read_result_points reads them. Converting in
// process and keeping result_value() of each coordinate gives the very
// numbers of the converter's exchange.
double result_value(double value);

} // namespace marovin
