#include "support/survey_shapes.h"

#include <cstdio>

namespace support {

std::string station_lines(const std::string& separator, char point, const std::string& end, int width)
{
    std::string text;
    for (int n = kFirstStation; n < kFirstStation + kStations; ++n) {
        const int step = n - kFirstStation;
        const auto decimal = [point](int whole, int hundredths) {
            return std::to_string(whole) + point + std::to_string(hundredths);
        };
        const std::string fields[] = {std::to_string(n), decimal(496000 + 20 * step, 55),
                                      decimal(5314000 + 15 * step, 25), decimal(450, 5)};
        for (std::size_t k = 0; k < std::size(fields); ++k) {
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

std::vector<XyShape> xy_file_shapes()
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

std::string sps_record(const SpsColumns& c, char id, const std::string& line, const std::string& point, double easting,
                       double northing, double elevation)
{
    std::string text(80, ' ');
    const auto put = [&text](int first, int last, const std::string& field, bool left) {
        const auto width = static_cast<std::size_t>(last - first + 1);
        text.replace(static_cast<std::size_t>(first - 1) + (left ? 0 : width - field.size()), field.size(), field);
    };
    const auto fixed = [](double value) {
        char field[32];
        std::snprintf(field, sizeof field, "%.1f", value);
        return std::string(field);
    };
    text[0] = id;
    put(c.line_first, c.line_last, line, c.line_left_adjusted);
    put(c.point_first, c.point_last, point, false);
    text[static_cast<std::size_t>(c.index - 1)] = '1';
    put(47, 55, fixed(easting), false);
    put(56, 65, fixed(northing), false);
    put(66, 71, fixed(elevation), false);
    return text;
}

} // namespace support
