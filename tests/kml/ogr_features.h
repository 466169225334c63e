#pragma once
// What GDAL's ogrinfo reads of a KML file, for the tests that check a
// written document with a reader other than ours.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace ogr_check {

inline bool have_tool(const std::string& check) { return std::system((check + " >/dev/null 2>&1").c_str()) == 0; }

// Standard output of a shell command.
inline std::string output_of(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
            text.append(chunk, n);
        ::pclose(pipe);
    }
    return text;
}

// What ogrinfo -al reports of each feature, in order.
struct Feature {
    double longitude = NAN, latitude = NAN;
    std::string name, style;
};

inline std::vector<Feature> ogrinfo_features(const std::string& options, const std::string& path)
{
    const std::string text = output_of("ogrinfo -ro -al -q " + options + " '" + path + "' 2>&1");
    std::vector<Feature> features;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
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

} // namespace ogr_check
