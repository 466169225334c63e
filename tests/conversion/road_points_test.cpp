#include "conversion/road_points.h"

#include <gtest/gtest.h>

namespace {

TEST(CoordinateDivisor, IsTheMagnitudeOfANumberOtherThanZero)
{
    const struct {
        const char* text;
        double divisor; // 0: fails
    } cases[] = {
        {"-100", 100}, {"100", 100}, {"1", 1},   {" 10 ", 10}, {"+5", 5},  {"2.5", 2.5},
        {"0", 0},      {"-0", 0},    {"", 0},    {"abc", 0},   {"10x", 0}, {"inf", 0},
        {"nan", 0},    {"1,5", 0},   {"- 1", 0}, {" ", 0},
    };
    for (const auto& c : cases) {
        const auto d = marovin::coordinate_divisor(c.text);
        if (c.divisor == 0) {
            EXPECT_FALSE(d.ok()) << '"' << c.text << '"';
        } else {
            ASSERT_TRUE(d.ok()) << '"' << c.text << '"' << d.error();
            EXPECT_EQ(*d, c.divisor) << '"' << c.text << '"';
        }
    }
}

} // namespace
