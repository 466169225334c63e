#include "conversion/point_table.h"

#include "base/number_text.h"

#include <algorithm>
#include <climits>

namespace marovin {

PointTable::PointTable(std::vector<double> longitude, std::vector<double> latitude, std::vector<std::int32_t> number,
                       std::vector<std::string> names)
    : longitude_(std::move(longitude)), latitude_(std::move(latitude)), number_(std::move(number))
{
    const std::size_t n =
        std::min({longitude_.size(), latitude_.size(), number_.size(), static_cast<std::size_t>(INT32_MAX - 1)});
    longitude_.resize(n);
    latitude_.resize(n);
    number_.resize(n);
    if (!names.empty() && n > 0) {
        names.resize(n); // points beyond the names are named by their numbers
        names_ = std::move(names);
    }
}

void PointTable::set_ground(SurveyGround ground)
{
    const std::size_t n = longitude_.size();
    if (ground.x.size() != n || ground.y.size() != n) {
        ground.x = {};
        ground.y = {};
    }
    const bool forward =
        !ground.lines.empty() && ground.lines.front().first == 0 &&
        std::adjacent_find(ground.lines.begin(), ground.lines.end(), [n](const auto& a, const auto& b) {
            return b.first <= a.first || b.first >= n;
        }) == ground.lines.end();
    if (!forward)
        ground.lines = {};
    ground_ = std::move(ground);
}

std::string grid_text(const PointTable& table, std::int32_t row, int column)
{
    static constexpr const char* kHeadings[] = {"", "X", "Y"};
    if (row < 0 || row > table.size() || column < 0 || column > 2)
        return {};
    if (row == 0)
        return kHeadings[column];
    const auto i = static_cast<std::size_t>(row - 1);
    switch (column) {
    case 0: return table.name(i).empty() ? number_text(table.number()[i]) : std::string(table.name(i));
    case 1: return plain_number_text(table.longitude()[i]);
    default: return plain_number_text(table.latitude()[i]);
    }
}

} // namespace marovin
