#include "conversion/point_table.h"

#include "base/converter_result.h"
#include "base/number_text.h"

#include <algorithm>
#include <climits>

namespace marovin {

namespace {

// Kind byte of a row whose three cells are of their column's first kind
// (code 1 in each two-bit field).
constexpr std::uint8_t kAllFirstKind = 0b01'01'01;

} // namespace

void PointTable::recreate(std::int32_t nb_points)
{
    rows_ = nb_points < 0 ? 1 : nb_points + 1;
    const auto n = static_cast<std::size_t>(rows_ - 1);
    // Fresh vectors, so a smaller table also gives back the memory.
    x_ = std::vector<double>(n);
    y_ = std::vector<double>(n);
    number_ = std::vector<std::int32_t>(n);
    kinds_ = std::vector<std::uint8_t>(n);
    names_ = std::vector<std::string>();
    aside_.clear();
}

PointTable PointTable::from_columns(std::vector<double> column1, std::vector<double> column2,
                                    std::vector<std::int32_t> column3, Cell::Kind numbers,
                                    std::vector<std::string> names)
{
    const std::size_t n = std::min({column1.size(), column2.size(), column3.size(),
                                    static_cast<std::size_t>(INT32_MAX - 1)});
    column1.resize(n);
    column2.resize(n);
    column3.resize(n);
    PointTable table;
    table.rows_ = static_cast<std::int32_t>(n + 1);
    table.x_ = std::move(column1);
    table.y_ = std::move(column2);
    table.number_ = std::move(column3);
    table.kinds_.assign(n, kAllFirstKind);
    if (!names.empty() && n > 0) {
        names.resize(n); // rows beyond the names are named by their numbers
        table.names_ = std::move(names);
    }
    if (numbers == Cell::Kind::Int16) {
        for (std::size_t i = 0; i < n; ++i) {
            if (table.number_[i] >= INT16_MIN && table.number_[i] <= INT16_MAX)
                table.set_code(i, 3, 2);
        }
    }
    return table;
}

void PointTable::replace_coordinates(std::vector<double> column1, std::vector<double> column2)
{
    const std::size_t n = std::min({column1.size(), column2.size(), x_.size()});
    if (n == x_.size() && column1.size() == n && column2.size() == n) {
        x_ = std::move(column1);
        y_ = std::move(column2);
    } else {
        std::copy_n(column1.begin(), n, x_.begin());
        std::copy_n(column2.begin(), n, y_.begin());
    }
    for (std::size_t i = 0; i < n; ++i) {
        set_code(i, 1, 1);
        set_code(i, 2, 1);
    }
    std::erase_if(aside_, [n](const auto& entry) {
        const std::size_t row = entry.first / kColumns, column = entry.first % kColumns;
        return row >= 1 && row <= n && (column == 1 || column == 2);
    });
}

const Cell& PointTable::aside(std::int32_t row, int column) const
{
    static const Cell empty;
    if (aside_.empty())
        return empty;
    const auto found = aside_.find(key(row, column));
    return found == aside_.end() ? empty : found->second;
}

Status PointTable::check(std::int32_t row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= kColumns)
        return fail("point table has no cell at row " + std::to_string(row) + ", column " +
                    std::to_string(column));
    return ok();
}

Result<Cell> PointTable::get(std::int32_t row, int column) const
{
    if (Status s = check(row, column); !s)
        return fail(s.error());
    if (row == 0 || column == 0)
        return aside(row, column);
    const auto i = static_cast<std::size_t>(row - 1);
    const unsigned code = code_of(i, column);
    if (code == kAside)
        return aside(row, column);
    const double value = column == 1 ? x_[i] : column == 2 ? y_[i] : number_[i];
    switch (kInlineKinds[column][code]) {
    case Cell::Kind::Int16: return Cell::int16(static_cast<std::int16_t>(value));
    case Cell::Kind::Int32: return Cell::int32(static_cast<std::int32_t>(value));
    case Cell::Kind::Double: return Cell::real(value);
    default: return Cell();
    }
}

Status PointTable::set(std::int32_t row, int column, Cell value)
{
    if (Status s = check(row, column); !s)
        return s;
    store(row, column, std::move(value));
    return ok();
}

void PointTable::store(std::int32_t row, int column, Cell value)
{
    if (row == 0 || column == 0) {
        if (value.empty())
            aside_.erase(key(row, column));
        else
            aside_[key(row, column)] = std::move(value);
        return;
    }
    const auto i = static_cast<std::size_t>(row - 1);
    if (column == 3 && i < names_.size())
        names_[i].clear();
    if (code_of(i, column) == kAside)
        aside_.erase(key(row, column));
    unsigned code = kAside;
    for (unsigned c = 0; c < kAside; ++c) {
        if (kInlineKinds[column][c] == value.kind()) {
            code = c;
            break;
        }
    }
    // Inline cells keep their value in the column's store; an empty or
    // aside cell keeps 0 there.
    const double stored = code == kAside ? 0 : value.number();
    if (column == 3)
        number_[i] = static_cast<std::int32_t>(stored);
    else
        (column == 1 ? x_ : y_)[i] = stored;
    set_code(i, column, code);
    if (code == kAside)
        aside_[key(row, column)] = std::move(value);
}

std::string grid_text(const PointTable& table, std::int32_t row, int column)
{
    static constexpr const char* kHeadings[] = {"", "X", "Y"};
    if (row < 0 || column < 0 || column > 2)
        return {};
    if (row == 0)
        return kHeadings[column];
    if (column == 0 && !table.name(row).empty())
        return std::string(table.name(row));
    const int source = column == 0 ? 3 : column;
    Result<Cell> cell = table.get(row, source);
    if (!cell || cell->empty())
        return {};
    if (cell->kind() == Cell::Kind::Text)
        return cell->text_value();
    return column == 0 ? number_text(cell->number()) : plain_number_text(cell->number());
}

Status read_result_file(const std::string& path, std::int32_t count, PointTable& table)
{
    if (count > 0 && table.rows() <= count)
        return fail("the point table has room for " + std::to_string(table.rows() > 0 ? table.rows() - 1 : 0) +
                    " points, not " + std::to_string(count));
    Result<ResultPoints> points = read_result_points(path, count);
    if (!points)
        return fail(points.error());
    table.replace_coordinates(std::move(points->longitudes), std::move(points->latitudes));
    return ok();
}

} // namespace marovin
