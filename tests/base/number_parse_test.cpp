#include "base/number_parse.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberParse, OnlyWholeDecimalNumbersCount)
{
    double value = 99;
    EXPECT_TRUE(marovin::parse_field_number("48.8566", value));
    EXPECT_DOUBLE_EQ(value, 48.8566);
    EXPECT_TRUE(marovin::parse_field_number("-.5", value));
    EXPECT_DOUBLE_EQ(value, -0.5);
    value = 7;
    for (const char* text : {"", "+", "1,5", "1e999", " 1", "--1", "+-1", "infinity", "1 "})
        EXPECT_FALSE(marovin::parse_field_number(text, value)) << text;
    EXPECT_EQ(value, 7); // unchanged on failure
}

} // namespace
