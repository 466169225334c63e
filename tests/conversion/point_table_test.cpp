#include "conversion/point_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

namespace {

using marovin::Cell;
using marovin::PointTable;

TEST(PointTable, RecreateGivesEmptyRowsAndDiscardsEarlierValues)
{
    PointTable table;
    EXPECT_EQ(table.rows(), 0);
    EXPECT_FALSE(table.get(0, 0)); // never created: no cell at all

    table.recreate(40000); // no 16-bit ceiling
    EXPECT_EQ(table.rows(), 40001);
    ASSERT_TRUE(table.set(40000, 3, Cell::int32(40000)));
    ASSERT_TRUE(table.set(2, 1, Cell::text("600000 E")));
    ASSERT_TRUE(table.set(3, 2, Cell::real(4.5)));
    ASSERT_TRUE(table.set(0, 0, Cell::text("corner")));
    ASSERT_TRUE(table.set(5, 3, Cell::real(2.5)));

    table.recreate(3); // fewer points: nothing of the first run remains
    EXPECT_EQ(table.rows(), 4);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < PointTable::kColumns; ++column) {
            EXPECT_TRUE(table.get(row, column)->empty()) << row << "," << column;
            EXPECT_EQ(table.kind(row, column), Cell::Kind::Empty) << row << "," << column;
            EXPECT_EQ(table.number(row, column), 0) << row << "," << column;
        }
    EXPECT_FALSE(table.get(40000, 3));

    table.recreate(0);
    EXPECT_EQ(table.rows(), 1);
}

// Every kind in every cell of a row, row 0 and column 0 included: columns 1
// and 2 keep doubles and 32-bit integers in their own store, column 3
// 32-bit and 16-bit integers, and everything else is kept aside; a cell
// must give back exactly what was stored, whichever way it was kept, and
// storing over it must leave nothing of the earlier value.
TEST(PointTable, EveryCellKeepsEveryKindAndAccessOutsideFails)
{
    PointTable table;
    table.recreate(2);
    const Cell values[] = {Cell::int16(-32768), Cell::int32(2147483647), Cell::real(-0.125), Cell::real(2.5),
                           Cell::text("CDP 12"), Cell::text(""), Cell(), Cell::int32(INT32_MIN), Cell::real(1e300)};
    for (int row : {0, 1, 2}) {
        for (int column = 0; column < PointTable::kColumns; ++column) {
            for (const Cell& v : values) {
                ASSERT_TRUE(table.set(row, column, v));
                EXPECT_EQ(*table.get(row, column), v) << row << "," << column << " " << v.number();
                EXPECT_EQ(table.kind(row, column), v.kind()) << row << "," << column;
                EXPECT_EQ(table.number(row, column), v.number()) << row << "," << column;
            }
            ASSERT_TRUE(table.set(row, column, Cell()));
        }
    }
    // Neighbours are never touched by a store.
    ASSERT_TRUE(table.set(1, 3, Cell::real(7.75)));
    ASSERT_TRUE(table.set(1, 2, Cell::text("abc")));
    ASSERT_TRUE(table.set(1, 1, Cell::int32(-9)));
    EXPECT_EQ(*table.get(1, 3), Cell::real(7.75));
    EXPECT_EQ(*table.get(1, 2), Cell::text("abc"));
    EXPECT_EQ(*table.get(1, 1), Cell::int32(-9));
    EXPECT_TRUE(table.get(2, 1)->empty());

    // Text replaced by a number and back.
    ASSERT_TRUE(table.set(2, 2, Cell::text("abc")));
    table.set_real(2, 2, 48.5);
    EXPECT_EQ(*table.get(2, 2), Cell::real(48.5));
    EXPECT_EQ(table.number(2, 2), 48.5);
    ASSERT_TRUE(table.set(2, 2, Cell::text("def")));
    EXPECT_EQ(table.get(2, 2)->text_value(), "def");
    EXPECT_EQ(table.number(2, 2), 0);

    const struct {
        int row, column;
    } outside[] = {{3, 1}, {-1, 1}, {1, 4}, {1, -1}};
    for (const auto& o : outside) {
        auto got = table.get(o.row, o.column);
        ASSERT_FALSE(got);
        EXPECT_NE(got.error().find("row " + std::to_string(o.row)), std::string::npos) << got.error();
        EXPECT_FALSE(table.set(o.row, o.column, Cell::real(1)));
    }
    EXPECT_TRUE(table.get(2, 1)->empty()); // the failed stores changed nothing
}

TEST(PointTable, FromColumnsMakesRowsOneToNOfDoublesAndNumbers)
{
    const PointTable table = PointTable::from_columns({8.5, -0.25, 0}, {48.25, 45, -1e-7}, {5001, -70000, 40000});
    ASSERT_EQ(table.rows(), 4);
    EXPECT_EQ(*table.get(1, 1), Cell::real(8.5));
    EXPECT_EQ(*table.get(2, 1), Cell::real(-0.25));
    EXPECT_EQ(*table.get(3, 2), Cell::real(-1e-7));
    EXPECT_EQ(*table.get(1, 3), Cell::int32(5001)); // 32-bit unless asked otherwise
    EXPECT_EQ(*table.get(2, 3), Cell::int32(-70000));
    EXPECT_EQ(table.number(2, 3), -70000);
    for (int column = 0; column < PointTable::kColumns; ++column)
        EXPECT_TRUE(table.get(0, column)->empty()) << column;
    for (int row = 0; row < 4; ++row)
        EXPECT_TRUE(table.get(row, 0)->empty()) << row;

    // 16-bit numbers where they fit; columns of unequal length are cut to
    // the shortest.
    const PointTable narrow =
        PointTable::from_columns({1, 2, 3, 4}, {5, 6, 7}, {32767, -32768, 32768, 9}, Cell::Kind::Int16);
    ASSERT_EQ(narrow.rows(), 4);
    EXPECT_EQ(*narrow.get(1, 3), Cell::int16(32767));
    EXPECT_EQ(*narrow.get(2, 3), Cell::int16(-32768));
    EXPECT_EQ(*narrow.get(3, 3), Cell::int32(32768));
    EXPECT_FALSE(narrow.get(4, 1));

    const PointTable none = PointTable::from_columns({}, {}, {});
    EXPECT_EQ(none.rows(), 1);
}

// Names that are text stand beside the numbers: the grid's label column
// shows them; a row without one, or whose number is stored anew, shows its
// number; the converter's coordinates leave them alone.
TEST(PointTable, NamesThatAreTextTakeThePlaceOfTheNumberInTheLabelColumn)
{
    PointTable table = PointTable::from_columns({1, 2, 3}, {4, 5, 6}, {0, 1002, 1002}, Cell::Kind::Int16,
                                                {"BX23-001", "", "2001/1002"});
    table.replace_coordinates({8.5, 8.6, 8.7}, {48.1, 48.2, 48.3});
    ASSERT_TRUE(table.set(3, 3, Cell::int32(7)).ok());
    const char* labels[] = {"BX23-001", " 1002", " 7"};
    for (std::int32_t row = 1; row <= 3; ++row)
        EXPECT_EQ(grid_text(table, row, 0), labels[row - 1]) << row;
    EXPECT_EQ(table.name(0), "");
    EXPECT_EQ(table.name(4), "");
    EXPECT_EQ(*table.get(1, 3), Cell::int16(0));

    PointTable short_names = PointTable::from_columns({1, 2}, {3, 4}, {5, 6}, Cell::Kind::Int32, {"A"});
    EXPECT_EQ(grid_text(short_names, 2, 0), " 6");
    short_names.recreate(2);
    EXPECT_FALSE(short_names.has_names());
    EXPECT_FALSE(PointTable::from_columns({1}, {2}, {3}).has_names());
}

TEST(PointTable, ReplacedCoordinatesTakeTheirRowsWhateverTheyHeld)
{
    for (const bool whole : {true, false}) {
        PointTable table = PointTable::from_columns({600000, 600010, 600020}, {4500000, 4500005, 4500010},
                                                    {101, 102, 103}, Cell::Kind::Int16);
        ASSERT_TRUE(table.set(1, 1, Cell::text("x")));
        ASSERT_TRUE(table.set(2, 2, Cell::int32(-1)));
        ASSERT_TRUE(table.set(3, 1, Cell::text("kept when only two are replaced")));
        ASSERT_TRUE(table.set(0, 1, Cell::text("row 0")));
        if (whole)
            table.replace_coordinates({9.5, 9.25, 9.125}, {48.5, 48.25, 48.125});
        else
            table.replace_coordinates({9.5, 9.25}, {48.5, 48.25, 48.125});
        EXPECT_EQ(*table.get(1, 1), Cell::real(9.5)) << whole;
        EXPECT_EQ(*table.get(1, 2), Cell::real(48.5)) << whole;
        EXPECT_EQ(*table.get(2, 2), Cell::real(48.25)) << whole;
        EXPECT_EQ(table.kind(2, 1), Cell::Kind::Double) << whole;
        if (whole)
            EXPECT_EQ(*table.get(3, 1), Cell::real(9.125));
        else
            EXPECT_EQ(*table.get(3, 1), Cell::text("kept when only two are replaced"));
        for (int row = 1; row <= 3; ++row)
            EXPECT_EQ(*table.get(row, 3), Cell::int16(static_cast<std::int16_t>(100 + row))) << whole;
        EXPECT_EQ(*table.get(0, 1), Cell::text("row 0")) << whole;
    }
}

// The grid's texts of a table are those the window showed when it held
// them: the number with its leading blank in column 0, plain number text in
// columns 1 and 2, the headings in row 0.
TEST(PointTable, GridTextsOfEveryKindOfValue)
{
    PointTable table;
    table.recreate(7);
    const struct {
        Cell number, longitude, latitude;
        const char* texts[3];
    } rows[] = {
        {Cell::int32(5001), Cell::real(8.946398911), Cell::real(47.979291906),
         {" 5001", "8.946398911", "47.979291906"}},
        {Cell::int32(0), Cell::real(0), Cell::real(-0.25), {" 0", "0", "-.25"}},
        {Cell::int32(-5), Cell::real(-1000), Cell::real(0.5), {"-5", "-1000", ".5"}},
        {Cell::int16(-32768), Cell::real(0.00001), Cell::real(-1.5e20), {"-32768", "1E-05", "-1.5E+20"}},
        {Cell::int32(INT32_MAX), Cell::real(123456789012345678.0), Cell::real(1.0 / 3),
         {" 2147483647", "1.23456789012346E+17", ".333333333333333"}},
        {Cell::real(2.5), Cell::text("600000 E"), Cell(), {" 2.5", "600000 E", ""}},
        {Cell(), Cell::int32(7), Cell::real(-0.0), {"", "7", "0"}},
    };
    for (int r = 0; r < 7; ++r) {
        ASSERT_TRUE(table.set(r + 1, 3, rows[r].number));
        ASSERT_TRUE(table.set(r + 1, 1, rows[r].longitude));
        ASSERT_TRUE(table.set(r + 1, 2, rows[r].latitude));
    }
    EXPECT_EQ(marovin::grid_text(table, 0, 0), "");
    EXPECT_EQ(marovin::grid_text(table, 0, 1), "X");
    EXPECT_EQ(marovin::grid_text(table, 0, 2), "Y");
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(marovin::grid_text(table, r + 1, c), rows[r].texts[c]) << "row " << r + 1 << ", column " << c;
    // Nothing outside the table or beyond the grid's three columns.
    EXPECT_EQ(marovin::grid_text(table, 8, 0), "");
    EXPECT_EQ(marovin::grid_text(table, -1, 1), "");
    EXPECT_EQ(marovin::grid_text(table, 1, 3), "");
    EXPECT_EQ(marovin::grid_text(PointTable{}, 1, 1), "");
}

} // namespace
