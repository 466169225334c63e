#include "conversion/point_table.h"

#include <gtest/gtest.h>

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

    table.recreate(3); // fewer points: nothing of the first run remains
    EXPECT_EQ(table.rows(), 4);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < PointTable::kColumns; ++column)
            EXPECT_TRUE(table.get(row, column)->empty()) << row << "," << column;
    EXPECT_FALSE(table.get(40000, 3));

    table.recreate(0);
    EXPECT_EQ(table.rows(), 1);
}

TEST(PointTable, CellsKeepTheirKindAndAccessOutsideFails)
{
    PointTable table;
    table.recreate(2);
    const Cell values[] = {Cell::int16(-32768), Cell::int32(2147483647), Cell::real(-0.125),
                           Cell::text("CDP 12"), Cell::text(""), Cell()};
    for (const Cell& v : values) {
        ASSERT_TRUE(table.set(1, 1, v));
        EXPECT_EQ(*table.get(1, 1), v);
        EXPECT_EQ(table.kind(1, 1), v.kind());
    }
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
    EXPECT_EQ(*table.get(1, 1), Cell()); // the failed stores changed nothing
}

} // namespace
