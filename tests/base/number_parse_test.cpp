#include "base/number_parse.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using marovin::NumberFault;
constexpr std::optional<NumberFault> kNumber; // read as a number

TEST(NumberParse, EveryTextGetsItsSoundReading)
{
    const std::string many_zeros(6000, '0');
    const struct {
        std::string text;
        std::optional<NumberFault> fault;
        double value; // when read
    } cases[] = {
        {"600000", kNumber, 600000},
        {"48.8566", kNumber, 48.8566},
        {"-.125", kNumber, -0.125},
        {"+2", kNumber, 2},
        {"1E-05", kNumber, 1e-5},
        {"5.", kNumber, 5},
        // What the program writes for the largest double rounds above it.
        {"-1.79769313486232E+308", kNumber, -DBL_MAX},
        {"1.79769313486232E+308", kNumber, DBL_MAX},
        {"1.79769313486233E+308", NumberFault::too_large, 0},
        {"1E+309", NumberFault::too_large, 0},
        {"1e999", NumberFault::too_large, 0},
        {"1" + many_zeros, NumberFault::too_large, 0},
        {"1e99999", NumberFault::too_large, 0},
        // Too small for a double: zero, with its sign.
        {"1E-400", kNumber, 0},
        {"-1e-330", kNumber, -0.0},
        {"1e-99999", kNumber, 0},
        {"0." + many_zeros + "1", kNumber, 0},
        {"-", NumberFault::not_a_number, 0},
        {"+", NumberFault::not_a_number, 0},
        {"", NumberFault::not_a_number, 0},
        {"+-600000", NumberFault::not_a_number, 0},
        {"-+1", NumberFault::not_a_number, 0},
        {"--1", NumberFault::not_a_number, 0},
        {"inf", NumberFault::not_a_number, 0},
        {"infinity", NumberFault::not_a_number, 0},
        {"-nan", NumberFault::not_a_number, 0},
        {"12a", NumberFault::not_a_number, 0},
        {"1,5", NumberFault::not_a_number, 0},
        {" 1", NumberFault::not_a_number, 0},
        {"1 ", NumberFault::not_a_number, 0},
        {"0x10", NumberFault::not_a_number, 0},
        {"1e", NumberFault::not_a_number, 0},
        {".", NumberFault::not_a_number, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const marovin::Result<double, NumberFault> read = marovin::read_number(c.text);
        ASSERT_EQ(read.ok(), !c.fault);
        if (c.fault) {
            EXPECT_EQ(read.failure(), *c.fault);
        } else {
            EXPECT_EQ(*read, c.value);
            EXPECT_EQ(std::signbit(*read), std::signbit(c.value));
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
    // clang-format off
    std::vector<std::string> texts = {
        "999999999999999", "9999999999999999", "9007199254740993", ".0000000000000000000001",
        ".00000000000000000000001", "000000000000000000123.25", "123.", ".123", "0.000000000000000000000000000001",
        "45.146392876", "7.727967040"};
    // clang-format on
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
            const auto value = marovin::read_number(text);
            ASSERT_TRUE(value) << text;
            ASSERT_EQ(*value, expected) << text;
            ASSERT_EQ(std::signbit(*value), std::signbit(expected)) << text;
        }
    }
}

} // namespace
