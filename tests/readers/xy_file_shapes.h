#pragma once
// The shapes in which surveyors' XY files arrive, all holding the same four
// receiver stations of the sample line (UTM zone 32 north, WGS 84): station
// n at X = 496000.55 + 20 (n - 1001), Y = 5314000.25 + 15 (n - 1001), height
// 450.5, for n = 1001 to 1004. Shared by the reader tests and the window
// tests, which take every shape through the whole text road.

#include <string>
#include <vector>

namespace xy_shapes {

constexpr int kFirstStation = 1001;
constexpr int kStations = 4;

inline double station_x(int n) { return 496000.55 + 20.0 * (n - kFirstStation); }
inline double station_y(int n) { return 5314000.25 + 15.0 * (n - kFirstStation); }

// The four fields of station n as a file writes them, with "." or "," as
// decimal point.
inline std::vector<std::string> station_fields(int n, char point)
{
    auto decimal = [point](int whole, int hundredths) {
        std::string text = std::to_string(whole) + point + std::to_string(hundredths);
        return text;
    };
    const int step = n - kFirstStation;
    return {std::to_string(n), decimal(496000 + 20 * step, 55), decimal(5314000 + 15 * step, 25), decimal(450, 5)};
}

// Lines of the stations: fields joined by `separator`, each line ended by
// `end`; `width` > 0 right-aligns every field in that many characters.
inline std::string station_lines(const std::string& separator, char point, const std::string& end, int width = 0)
{
    std::string text;
    for (int n = kFirstStation; n < kFirstStation + kStations; ++n) {
        const std::vector<std::string> fields = station_fields(n, point);
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (k > 0)
                text += separator;
            if (width > static_cast<int>(fields[k].size()))
                text += std::string(static_cast<std::size_t>(width) - fields[k].size(), ' ');
            text += fields[k];
        }
        text += end;
    }
    return text;
}

// What every shape reads as: one line per station, "," between fields, "."
// as decimal point, CR LF line ends.
inline std::string normalised_stations() { return station_lines(",", '.', "\r\n"); }

struct Shape {
    std::string name;
    std::string bytes;
};

inline std::vector<Shape> file_shapes()
{
    std::string no_final_end = station_lines(",", '.', "\r\n");
    no_final_end.resize(no_final_end.size() - 2);
    return {
        {"semicolons and decimal commas", station_lines(";", ',', "\r\n")},
        {"commas and decimal points", station_lines(",", '.', "\r\n")},
        {"blanks around the semicolons", station_lines(" ;  ", ',', "\r\n")},
        {"blanks around the commas", station_lines(" , ", '.', "\r\n")},
        {"tabs", station_lines("\t", '.', "\r\n")},
        {"column-aligned with leading blanks", station_lines(" ", '.', "\r\n", 12)},
        {"single blanks", station_lines(" ", '.', "\r\n")},
        {"tabs and blanks mixed, trailing blanks", station_lines(" \t ", '.', " \t\r\n")},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + station_lines(";", ',', "\r\n")},
        {"trailing empty lines", station_lines(",", '.', "\r\n") + "\r\n \r\n\t\r\n"},
        {"empty lines between the points", "\r\n" + station_lines(",", '.', "\r\n\r\n")},
        {"CR line ends", station_lines(";", ',', "\r")},
        {"LF line ends", station_lines(" ", '.', "\n")},
        {"CR LF line ends, the last one missing", no_final_end},
    };
}

} // namespace xy_shapes
