#include "conversion/point_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using marovin::grid_text;
using marovin::PointTable;

TEST(PointTable, ColumnsAreCutToTheShortestAndNamesToThePoints)
{
    const PointTable table({1, 2, 3, 4}, {5, 6, 7}, {32767, -32768, 32768, 9}, {"A"});
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.longitude(), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(table.latitude(), (std::vector<double>{5, 6, 7}));
    EXPECT_EQ(table.number(), (std::vector<std::int32_t>{32767, -32768, 32768}));
    EXPECT_EQ(table.name(0), "A");
    EXPECT_EQ(table.name(1), ""); // beyond the names: named by its number
    EXPECT_EQ(table.name(5), "");
    EXPECT_EQ(PointTable({1}, {2}, {3}).name(0), "");
    EXPECT_TRUE(PointTable().empty());
}

// The grid's texts of a table are those the window showed when it held
// them: the name, or the number with its leading blank, in column 0, plain
// number text in columns 1 and 2, the headings in row 0.
TEST(PointTable, GridTextsOfEveryKindOfValue)
{
    const struct {
        std::int32_t number;
        double longitude, latitude;
        const char* name;
        const char* texts[3];
    } rows[] = {
        {5001, 8.946398911, 47.979291906, "", {" 5001", "8.946398911", "47.979291906"}},
        {0, 0, -0.25, "", {" 0", "0", "-.25"}},
        {-5, -1000, 0.5, "", {"-5", "-1000", ".5"}},
        {-32768, 0.00001, -1.5e20, "", {"-32768", "1E-05", "-1.5E+20"}},
        {INT32_MAX, 123456789012345678.0, 1.0 / 3, "", {" 2147483647", "1.23456789012346E+17", ".333333333333333"}},
        {0, 7, -0.0, "BX23-001", {"BX23-001", "7", "0"}},
        {1002, 1, 2, "2001/1002", {"2001/1002", "1", "2"}},
    };
    std::vector<double> longitude, latitude;
    std::vector<std::int32_t> number;
    std::vector<std::string> names;
    for (const auto& r : rows) {
        longitude.push_back(r.longitude);
        latitude.push_back(r.latitude);
        number.push_back(r.number);
        names.emplace_back(r.name);
    }
    const PointTable table(longitude, latitude, number, names);
    EXPECT_EQ(grid_text(table, 0, 0), "");
    EXPECT_EQ(grid_text(table, 0, 1), "X");
    EXPECT_EQ(grid_text(table, 0, 2), "Y");
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(grid_text(table, r + 1, c), rows[r].texts[c]) << "row " << r + 1 << ", column " << c;
    // Nothing outside the table or beyond the grid's three columns.
    EXPECT_EQ(grid_text(table, 8, 0), "");
    EXPECT_EQ(grid_text(table, -1, 1), "");
    EXPECT_EQ(grid_text(table, 1, 3), "");
    EXPECT_EQ(grid_text(PointTable{}, 1, 1), "");
}

} // namespace
