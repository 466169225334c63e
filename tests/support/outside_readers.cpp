#include "support/outside_readers.h"

#include "support/program_run.h"
#include "support/scratch_folder.h"

#include <minizip/unzip.h>

#include <cstdio>
#include <memory>
#include <sstream>

namespace support {

bool have_tool(const std::string& check) { return run_program(check).status == 0; }

std::vector<Feature> ogrinfo_features(const std::string& options, const std::string& path)
{
    std::vector<Feature> features;
    std::istringstream lines(run_program("ogrinfo -ro -al -q " + options + " " + shell_quoted(path)).out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("OGRFeature("))
            features.emplace_back();
        else if (features.empty())
            continue;
        else if (line.starts_with("  POINT ("))
            std::sscanf(line.c_str(), "  POINT (%lf %lf)", &features.back().longitude, &features.back().latitude);
        else if (line.starts_with("  Name (String) = "))
            features.back().name = line.substr(18);
        else if (line.starts_with("  Style = "))
            features.back().style = line.substr(10);
    }
    return features;
}

bool have_libkml_driver() { return run_program("ogrinfo --formats").out.find("LIBKML") != std::string::npos; }

std::vector<std::pair<double, double>> cs2cs_degrees(const std::string& system,
                                                     const std::vector<std::pair<double, double>>& points)
{
    const ScratchFolder folder;
    std::string input;
    char line[96];
    for (const auto& [easting, northing] : points) {
        std::snprintf(line, sizeof line, "%.4f %.4f\n", easting, northing);
        input += line;
    }
    const std::string file = folder.write("points.txt", input);
    std::istringstream output(run_program("cs2cs -f %.10f " + system + " EPSG:4326 < " + shell_quoted(file)).out);
    std::vector<std::pair<double, double>> degrees;
    double latitude = 0, longitude = 0, height = 0; // EPSG:4326 gives latitude first
    while (output >> latitude >> longitude >> height)
        degrees.emplace_back(longitude, latitude);
    return degrees;
}

std::vector<std::pair<std::string, std::string>> zip_entries(const std::string& path)
{
    const std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen64(path.c_str()), unzClose);
    std::vector<std::pair<std::string, std::string>> entries;
    for (int at = zip ? unzGoToFirstFile(zip.get()) : UNZ_BADZIPFILE; at == UNZ_OK; at = unzGoToNextFile(zip.get())) {
        unz_file_info64 info{};
        char name[512];
        if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzOpenCurrentFile(zip.get()) != UNZ_OK)
            return {};
        std::string bytes(info.uncompressed_size, '\0');
        const int read = unzReadCurrentFile(zip.get(), bytes.data(), static_cast<unsigned>(bytes.size()));
        if (unzCloseCurrentFile(zip.get()) != UNZ_OK || read != static_cast<int>(bytes.size())) // CRC checked here
            return {};
        entries.emplace_back(name, std::move(bytes));
    }
    return entries;
}

} // namespace support
