#pragma once
// The table of points filled by a conversion run and read by the KML writer.
//
// Rows 0..Nb_Points, columns 0..3; the points are rows 1..Nb_Points, and
// only columns 1 (longitude, or X before conversion), 2 (latitude, or Y) and
// 3 (point number) carry data. Row 0 and column 0 exist and stay empty.
//
// A cell tells empty, 16-bit integer, 32-bit integer, double and text apart.
// The table is kept by columns, as a run fills it: columns 1 and 2 as
// doubles, column 3 as 32-bit integers, and the kinds of a row's three
// cells in one byte, 21 bytes a point (ten million points cost 210 MB).
// What those columns cannot hold as they are (a text, a double in column 3,
// anything in row 0 or column 0) is kept aside, cell by cell; no run makes
// such cells.
//
// Beside column 3 a table may keep names that are text ("BX23-001",
// "2001/1001"), one per point row: the KML names and the grid's label column
// show a row's name in place of its number. A table whose points are all
// named by their numbers keeps none and pays nothing for them.

#include "base/result.h"

#include <cstdint>
#include <string>
#include <string_view>
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

    // A table of rows 0..n whose rows 1..n are the given columns, taken over
    // without copying (n is the length of the shortest; longer ones are
    // cut): column 1 and column 2 doubles, column 3 the point numbers, as
    // 32-bit integers, or as 16-bit ones where they fit when `numbers` is
    // Cell::Kind::Int16. Row 0 and column 0 are empty.
    // `names`, when not empty, are the rows' names (see name()), taken over
    // without copying; rows beyond them are named by their numbers.
    static PointTable from_columns(std::vector<double> column1, std::vector<double> column2,
                                   std::vector<std::int32_t> column3, Cell::Kind numbers = Cell::Kind::Int32,
                                   std::vector<std::string> names = {});

    // Makes columns 1 and 2 of rows 1..n doubles with these values (n the
    // length of the shorter vector), taking the vectors over without copying
    // when they cover every row. Column 3 is left alone. The caller makes
    // sure that rows 1..n exist.
    void replace_coordinates(std::vector<double> column1, std::vector<double> column2);

    // The name of point row `row` when it is named by text; empty when it
    // is named by its number (column 3), and for any other row. Storing into
    // column 3 of a row drops its name.
    std::string_view name(std::int32_t row) const
    {
        const auto i = static_cast<std::size_t>(row - 1);
        return row > 0 && i < names_.size() ? std::string_view(names_[i]) : std::string_view();
    }
    bool has_names() const { return !names_.empty(); }

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
        if (row > 0 && column > 0) {
            const auto i = static_cast<std::size_t>(row - 1);
            const unsigned code = code_of(i, column);
            if (code != kAside)
                return column == 1 ? x_[i] : column == 2 ? y_[i] : number_[i];
        }
        return aside(row, column).number();
    }
    Cell::Kind kind(std::int32_t row, int column) const
    {
        if (row > 0 && column > 0) {
            const unsigned code = code_of(static_cast<std::size_t>(row - 1), column);
            if (code != kAside)
                return kInlineKinds[column][code];
        }
        return aside(row, column).kind();
    }
    // Stores a double, unchecked likewise.
    void set_real(std::int32_t row, int column, double value)
    {
        const auto i = static_cast<std::size_t>(row - 1);
        if (row > 0 && (column == 1 || column == 2) && code_of(i, column) != kAside) {
            (column == 1 ? x_ : y_)[i] = value;
            set_code(i, column, 1);
        } else {
            store(row, column, Cell::real(value));
        }
    }

private:
    // Per column, the kinds its store holds as they are, by their code in
    // the row's kind byte (two bits a column); code 3 says the cell is
    // kept aside.
    static constexpr unsigned kAside = 3;
    static constexpr Cell::Kind kInlineKinds[kColumns][3] = {
        {Cell::Kind::Empty, Cell::Kind::Empty, Cell::Kind::Empty},
        {Cell::Kind::Empty, Cell::Kind::Double, Cell::Kind::Int32},
        {Cell::Kind::Empty, Cell::Kind::Double, Cell::Kind::Int32},
        {Cell::Kind::Empty, Cell::Kind::Int32, Cell::Kind::Int16},
    };

    unsigned code_of(std::size_t i, int column) const { return (kinds_[i] >> (2 * (column - 1))) & 3u; }
    void set_code(std::size_t i, int column, unsigned code)
    {
        const int shift = 2 * (column - 1);
        kinds_[i] = static_cast<std::uint8_t>((kinds_[i] & ~(3u << shift)) | (code << shift));
    }
    static std::size_t key(std::int32_t row, int column)
    {
        return static_cast<std::size_t>(row) * kColumns + static_cast<std::size_t>(column);
    }
    const Cell& aside(std::int32_t row, int column) const;
    Status check(std::int32_t row, int column) const;
    void store(std::int32_t row, int column, Cell value);

    std::int32_t rows_ = 0;
    // Rows 1..rows_-1 at index row - 1.
    std::vector<double> x_;
    std::vector<double> y_;
    std::vector<std::int32_t> number_;
    std::vector<std::uint8_t> kinds_;
    std::vector<std::string> names_; // empty, or one per point row
    std::unordered_map<std::size_t, Cell> aside_;
};

// The text the grid of the "Data File" tab shows for a cell of the table:
// row 0 the headings ("", "X", "Y"); for a point row, column 0 its name, or
// its number (column 3) with number_text's leading blank, columns 1 and 2 its
// coordinates in plain number text. A text cell shows its text, an empty
// cell and any cell outside the table (or outside columns 0..2) nothing.
std::string grid_text(const PointTable& table, std::int32_t row, int column);

// Reads `count` records of the converter's result at `path` (see
// base/converter_result.h) and stores them as doubles in rows 1..count of
// `table`: the longitude in column 1, the latitude in column 2; column 3 is
// left alone. The records are read aside and then take the place of the
// two columns, so the table is never copied. On any failure, also a table
// of fewer than count + 1 rows, the table is left exactly as it was.
Status read_result_file(const std::string& path, std::int32_t count, PointTable& table);

} // namespace marovin
