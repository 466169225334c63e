#pragma once
// Readers other than the program's, to check what it writes and computes:
// GDAL's ogrinfo on a KML file, PROJ's cs2cs on coordinates, minizip's
// unzip on a KMZ archive. Tests skip when the tool is not installed
// (gdal-bin, proj-bin).

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace support {

// Whether a command (such as "command -v ogrinfo") succeeds.
bool have_tool(const std::string& check);

// What ogrinfo -al reports of each feature, in order.
struct Feature {
    double longitude = NAN, latitude = NAN;
    std::string name, style;
};
std::vector<Feature> ogrinfo_features(const std::string& options, const std::string& path);
// Whether this GDAL has its LIBKML driver besides the KML one.
bool have_libkml_driver();

// cs2cs from `system` to EPSG:4326 on eastings and northings: the
// (longitude, latitude) of each, empty when cs2cs is missing.
std::vector<std::pair<double, double>> cs2cs_degrees(const std::string& system,
                                                     const std::vector<std::pair<double, double>>& points);

// The entries of a ZIP archive in its directory's order, each with its
// bytes; empty when it cannot be read whole.
std::vector<std::pair<std::string, std::string>> zip_entries(const std::string& path);

} // namespace support
