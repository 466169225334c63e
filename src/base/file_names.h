#pragma once
// Every rule the program draws from a file's name, in one place: which road
// and which seismic kind a path is, the names proposed for its KML and CSV
// outputs, and the names of the converter's job and result files.
//
// The rules look at the last characters of the path, compared in ASCII
// capitals; none of them looks for the dot of an extension, so
// "points.data" gives "points.dKML" and "dosu" is an SU file. The KML rules
// count characters, not bytes, in UTF-8 paths.

#include "base/result.h"

#include <string>
#include <string_view>

namespace marovin {

// SU rather than SEG-Y: the last two characters are "SU" in any case
// ("line1.su", "LINE1.Su", "dosu"). Every other path is SEG-Y.
bool is_su_path(std::string_view path);

// A seismic file rather than XY text: the path ends in "SU" or "SGY" in any
// case; the text road sends such a file to the seismic road. ".segy" ends in
// "EGY" and is not seismic here.
bool is_seismic_name(std::string_view path);

// Seismic road: the path without its last two characters when it is an SU
// path, else without its last three, followed by "KML", in capitals.
// Where file names are case-sensitive only the file name is put in capitals
// and the folder part is kept as typed (/data/seis/line1.sgy gives
// /data/seis/LINE1.KML); on Windows the whole path is.
// Fails when the path is shorter than the characters to be cut.
Result<std::string> seismic_kml_name(std::string_view path);

// Text road: the path without its last three characters, followed by "KML";
// the rest keeps its case. Fails when the path has fewer than 3 characters.
Result<std::string> text_kml_name(std::string_view path);

// The CSV file beside a KML name, "CSV" in place of its "KML":
// "/data/LINE1.KML" gives "/data/LINE1.CSV".
std::string csv_name(std::string_view kml_name);

// A name that asks for a KMZ archive rather than a plain KML document: it
// ends in ".kmz", in any case.
bool is_kmz_name(std::string_view path);
// Whether a name ends in ".kml" in any case (the default names end in
// ".KML").
bool is_kml_name(std::string_view path);

// The KMZ archive of a KML name: its final ".kml" (any case) replaced by
// ".kmz", or ".kmz" added when it has none: "/data/LINE1.KML" gives
// "/data/LINE1.kmz", "points.dKML" gives "points.dKML.kmz".
std::string kmz_name(std::string_view kml_name);

// The converter's job, and the result it writes beside it.
inline constexpr std::string_view kJobFileName = "File.cvd";
inline constexpr std::string_view kResultFileName = "File.cva";

// A result file, by its extension ".cva" in any case: never a job.
bool is_result_file(std::string_view path);

// The result file of a job: its path with the extension ".cva" in place of
// the job's ("/tmp/w/File.cvd" gives "/tmp/w/File.cva"; one without an
// extension gets it).
std::string result_file_of(std::string_view job_path);

} // namespace marovin
