#pragma once
// The converter's result File.cva: seven lines of its own (skipped whatever
// they hold), then one five-field record per data line of the job, in the
// job's order. Field 3 is the latitude and field 4 the longitude, WGS84
// decimal degrees with "." as decimal point; fields 1, 2 and 5 are not used.
// A record may span lines: the reader simply takes the next five fields
// (see readers/field_reader.h for what a field is).

#include "conversion/point_table.h"
#include "base/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace marovin {

struct ResultPoints {
    std::vector<double> longitudes; // field 4 of records 1..N, in order
    std::vector<double> latitudes;  // field 3
};

// Reads `count` records. Fails, naming the file and the line, when the file
// is missing or unreadable, holds fewer than seven lines, ends before the
// last record, or a record's field 3 or 4 is not a number.
Result<ResultPoints> read_result_points(const std::string& path, std::int32_t count);

// Reads `count` records and stores them as doubles in rows 1..count of
// `table`: the longitude in column 1, the latitude in column 2; column 3 is
// left alone. The records are read aside and then take the place of the
// two columns, so the table is never copied. On any failure, also a table
// of fewer than count + 1 rows, the table is left exactly as it was.
Status read_result_file(const std::string& path, std::int32_t count, PointTable& table);

} // namespace marovin
