#include "conversion/point_table.h"

namespace marovin {

void PointTable::recreate(std::int32_t nb_points)
{
    rows_ = nb_points < 0 ? 1 : nb_points + 1;
    cells_.assign(static_cast<std::size_t>(rows_) * kColumns, Slot{});
    texts_.clear();
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
    const std::size_t index = static_cast<std::size_t>(row) * kColumns + column;
    const Slot& slot = cells_[index];
    switch (slot.kind) {
    case Cell::Kind::Empty: return Cell();
    case Cell::Kind::Int16: return Cell::int16(static_cast<std::int16_t>(slot.number));
    case Cell::Kind::Int32: return Cell::int32(static_cast<std::int32_t>(slot.number));
    case Cell::Kind::Double: return Cell::real(slot.number);
    case Cell::Kind::Text: return Cell::text(texts_.at(index));
    }
    return Cell();
}

Status PointTable::set(std::int32_t row, int column, Cell value)
{
    if (Status s = check(row, column); !s)
        return s;
    const std::size_t index = static_cast<std::size_t>(row) * kColumns + column;
    Slot& slot = cells_[index];
    if (slot.kind == Cell::Kind::Text)
        texts_.erase(index);
    slot.kind = value.kind();
    slot.number = value.number();
    if (value.kind() == Cell::Kind::Text)
        texts_[index] = value.text_value();
    return ok();
}

} // namespace marovin
