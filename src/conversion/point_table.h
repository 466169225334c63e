#pragma once
// The table of points filled by a conversion run and read by the KML writer.
//
// Rows 0..Nb_Points, columns 0..3; the points are rows 1..Nb_Points, and
// only columns 1 (longitude, or X before conversion), 2 (latitude, or Y) and
// 3 (point number) carry data. Row 0 and column 0 exist and stay empty.
//
// A cell tells empty, 16-bit integer, 32-bit integer, double and text apart.
// Numbers are stored compactly (a million points cost about 64 MB); the rare
// text cells are kept aside.

#include "base/result.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace marovin {

class Cell {
public:
    enum class Kind : std::uint8_t { Empty, Int16, Int32, Double, Text };

    Cell() = default;
    static Cell int16(std::int16_t v) { return Cell(Kind::Int16, v); }
    static Cell int32(std::int32_t v) { return Cell(Kind::Int32, v); }
    static Cell real(double v) { return Cell(Kind::Double, v); }
    static Cell text(std::string t)
    {
        Cell c(Kind::Text, 0);
        c.text_ = std::move(t);
        return c;
    }

    Kind kind() const { return kind_; }
    bool empty() const { return kind_ == Kind::Empty; }
    bool is_number() const { return kind_ == Kind::Int16 || kind_ == Kind::Int32 || kind_ == Kind::Double; }
    // The numeric value; 0 for an empty or text cell.
    double number() const { return number_; }
    const std::string& text_value() const { return text_; }

    bool operator==(const Cell&) const = default;

private:
    Cell(Kind kind, double number) : number_(number), kind_(kind) {}
    double number_ = 0;
    Kind kind_ = Kind::Empty;
    std::string text_;
};

class PointTable {
public:
    static constexpr int kColumns = 4;

    // Discards every value and makes rows 0..nb_points, all cells empty.
    void recreate(std::int32_t nb_points);

    // Number of rows, row 0 included (Nb_Points + 1 after recreate); 0 for a
    // table never created.
    std::int32_t rows() const { return rows_; }

    // Access outside rows 0..rows()-1 or columns 0..3 fails, leaving the table
    // unchanged.
    Result<Cell> get(std::int32_t row, int column) const;
    Status set(std::int32_t row, int column, Cell value);

    // Fast unchecked numeric access for the hot loops (row and column must be
    // in range): the number stored, 0 for empty or text cells.
    double number(std::int32_t row, int column) const
    {
        return cells_[static_cast<std::size_t>(row) * kColumns + column].number;
    }
    Cell::Kind kind(std::int32_t row, int column) const
    {
        return cells_[static_cast<std::size_t>(row) * kColumns + column].kind;
    }
    // Stores a double, unchecked likewise.
    void set_real(std::int32_t row, int column, double value)
    {
        const std::size_t index = static_cast<std::size_t>(row) * kColumns + column;
        Slot& slot = cells_[index];
        if (slot.kind == Cell::Kind::Text)
            texts_.erase(index);
        slot = Slot{value, Cell::Kind::Double};
    }

private:
    struct Slot {
        double number = 0;
        Cell::Kind kind = Cell::Kind::Empty;
    };
    Status check(std::int32_t row, int column) const;

    std::int32_t rows_ = 0;
    std::vector<Slot> cells_;
    std::unordered_map<std::size_t, std::string> texts_;
};

} // namespace marovin
