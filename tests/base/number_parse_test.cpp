#include "base/number_parse.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using marovin::NumberReading;

TEST(NumberParse, OnlyWholeDecimalNumbersCount)
{
    double value = 99;
    EXPECT_TRUE(marovin::parse_field_number("48.8566", value));
    EXPECT_DOUBLE_EQ(value, 48.8566);
    EXPECT_TRUE(marovin::parse_field_number("-.5", value));
    EXPECT_DOUBLE_EQ(value, -0.5);
    // A field reads numbers as the job does: the largest double's text too.
    EXPECT_TRUE(marovin::parse_field_number("-1.79769313486232E+308", value));
    EXPECT_EQ(value, -DBL_MAX);
    value = 7;
    for (const char* text : {"", "+", "1,5", "1e999", " 1", "--1", "+-1", "infinity", "1 "})
        EXPECT_FALSE(marovin::parse_field_number(text, value)) << text;
    EXPECT_EQ(value, 7); // unchanged on failure
}

TEST(NumberParse, EveryTextGetsItsSoundReading)
{
    const std::string many_zeros(6000, '0');
    const struct {
        std::string text;
        NumberReading reading;
        double value; // when read
    } cases[] = {
        {"600000", NumberReading::number, 600000},
        {"-.125", NumberReading::number, -0.125},
        {"+2", NumberReading::number, 2},
        {"1E-05", NumberReading::number, 1e-5},
        {"5.", NumberReading::number, 5},
        // What the program writes for the largest double rounds above it.
        {"-1.79769313486232E+308", NumberReading::number, -DBL_MAX},
        {"1.79769313486232E+308", NumberReading::number, DBL_MAX},
        {"1.79769313486233E+308", NumberReading::too_large, 0},
        {"1E+309", NumberReading::too_large, 0},
        {"1" + many_zeros, NumberReading::too_large, 0},
        {"1e99999", NumberReading::too_large, 0},
        // Too small for a double: zero, with its sign.
        {"1E-400", NumberReading::number, 0},
        {"-1e-330", NumberReading::number, -0.0},
        {"1e-99999", NumberReading::number, 0},
        {"0." + many_zeros + "1", NumberReading::number, 0},
        {"-", NumberReading::not_a_number, 0},
        {"+", NumberReading::not_a_number, 0},
        {"", NumberReading::not_a_number, 0},
        {"+-600000", NumberReading::not_a_number, 0},
        {"-+1", NumberReading::not_a_number, 0},
        {"inf", NumberReading::not_a_number, 0},
        {"-nan", NumberReading::not_a_number, 0},
        {"12a", NumberReading::not_a_number, 0},
        {"1,5", NumberReading::not_a_number, 0},
        {"0x10", NumberReading::not_a_number, 0},
        {"1e", NumberReading::not_a_number, 0},
        {".", NumberReading::not_a_number, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        double value = 42;
        EXPECT_EQ(marovin::read_number(c.text, value), c.reading);
        if (c.reading == NumberReading::number) {
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(std::signbit(value), std::signbit(c.value));
        } else {
            EXPECT_EQ(value, 42); // unchanged
        }
    }
}

// Plain decimals take a shorter way than the general conversion; they must
// read as the very same double, also at the edges of that way (15 and 16
// significant digits, 22 and 23 decimals, leading zeros, a point at either
// end).
TEST(NumberParse, PlainDecimalsReadAsTheGeneralConversionReadsThem)
{
    std::mt19937_64 random(2024);
    std::vector<std::string> texts = {
        "999999999999999", "9999999999999999", "9007199254740993", ".0000000000000000000001",
        ".00000000000000000000001", "000000000000000000123.25", "123.", ".123", "0.000000000000000000000000000001",
        "45.146392876", "7.727967040"};
    for (int length = 1; length <= 17; ++length) {
        for (int point = 0; point <= length; ++point) {
            for (int k = 0; k < 300; ++k) {
                std::string text;
                for (int d = 0; d < length; ++d)
                    text += static_cast<char>('0' + random() % 10);
                if (k % 3 == 0)
                    text[0] = '0'; // a leading zero
                text.insert(static_cast<std::size_t>(point), ".");
                texts.push_back(text);
            }
        }
    }
    for (const std::string& digits : texts) {
        for (const char* sign : {"", "-", "+"}) {
            const std::string text = sign + digits;
            double expected = 0;
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
            ASSERT_EQ(error, std::errc()) << digits;
            ASSERT_EQ(end, digits.data() + digits.size()) << digits;
            if (*sign == '-')
                expected = -expected;
            double value = 0;
            ASSERT_EQ(marovin::read_number(text, value), NumberReading::number) << text;
            ASSERT_EQ(value, expected) << text;
            ASSERT_EQ(std::signbit(value), std::signbit(expected)) << text;
        }
    }
}

} // namespace
