#include "base/number_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Case {
    double value;
    const char* text;
};

TEST(NumberText, FollowsTheLeadingBlankFifteenDigitRule)
{
    const Case cases[] = {
        {12, " 12"},
        {0, " 0"},
        {-0.0, " 0"},
        {2.35, " 2.35"},
        {-1.5, "-1.5"},
        {0.5, " .5"},
        {-0.125, "-.125"},
        {-0.25, "-.25"},
        {45, " 45"},
        {0.00001, " 1E-05"},
        {0.0001, " .0001"},
        {-0.000012345, "-1.2345E-05"},
        {1e14, " 100000000000000"},
        {1e15, " 1E+15"},
        {1.5e20, " 1.5E+20"},
        {612345.5, " 612345.5"},
        {2147483647, " 2147483647"},
        {-2147483648.0, "-2147483648"},
        {0.1, " .1"},                     // shortest form, not 0.1000000000000000055
        {1.0 / 3.0, " .333333333333333"}, // 15 significant digits
        {2.0 / 3.0, " .666666666666667"}, // the last one rounded
        {48.85661234567891, " 48.8566123456789"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(marovin::number_text(c.value), c.text) << "value " << c.value;
}

TEST(NumberText, UsesTheGivenDecimalPointAndPlainFormHasNoBlank)
{
    EXPECT_EQ(marovin::number_text(512345.5, ','), " 512345,5");
    EXPECT_EQ(marovin::number_text(-3.5, ','), "-3,5");
    EXPECT_EQ(marovin::plain_number_text(12), "12");
    EXPECT_EQ(marovin::plain_number_text(0.5), ".5");
    EXPECT_EQ(marovin::plain_number_text(-0.5), "-.5");
}

} // namespace
