#include "base/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>

namespace marovin {
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
        {48.856612345, " 48.856612345"}, // nine decimals
        {-179.999999999, "-179.999999999"},
        {5314000.25, " 5314000.25"},
        {999999999999999.5, " 1E+15"},       // rounding carries into the next decade
        {0.000099999999999999995, " .0001"}, // and out of the E form
        {std::numeric_limits<double>::infinity(), " INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(number_text(c.value), c.text) << "value " << c.value;
}

TEST(NumberText, UsesTheGivenDecimalPointAndPlainFormHasNoBlank)
{
    EXPECT_EQ(number_text(512345.5, ','), " 512345,5");
    EXPECT_EQ(number_text(-3.5, ','), "-3,5");
    EXPECT_EQ(number_text(1.5e-7, ','), " 1,5E-07");
    EXPECT_EQ(plain_number_text(12), "12");
    EXPECT_EQ(plain_number_text(0.5), ".5");
    EXPECT_EQ(plain_number_text(-0.5), "-.5");
    EXPECT_EQ(plain_number_text(-0.0), "0");
    char buffer[kNumberTextMax];
    EXPECT_EQ(std::string(buffer, write_plain_number_text(buffer, 2.35)), "2.35");
}

TEST(FixedText, WritesPrintfsFixedNotation)
{
    struct FixedCase {
        double value;
        int decimals;
        const char* text;
    };
    const FixedCase cases[] = {
        {48.8566, 9, "48.856600000"},
        {-1.5, 9, "-1.500000000"},
        {0, 9, "0.000000000"},
        {-0.0, 9, "-0.000000000"},
        {-1e-12, 9, "-0.000000000"},    // the sign stays when the digits round to zero
        {1.0 / 1024, 9, "0.000976562"}, // an exact tie goes to the even digit
        {3.0 / 1024, 9, "0.002929688"},
        {2.5, 0, "2"},
        {3.5, 0, "4"},
        {0.125, 2, "0.12"},
        {0.375, 2, "0.38"},
        {179.9999999996, 9, "180.000000000"},
        {123456789, 0, "123456789"},
        {1e20, 2, "100000000000000000000.00"}, // beyond the integer way
    };
    for (const FixedCase& c : cases) {
        char buffer[kFixedTextMax];
        EXPECT_EQ(std::string(buffer, write_fixed(buffer, c.value, c.decimals)), c.text)
            << c.value << " with " << c.decimals << " decimals";
    }
    char buffer[kFixedTextMax];
    EXPECT_EQ(std::string(buffer, write_fixed(buffer, -2.25, 3, ',')), "-2,250");
    EXPECT_EQ(std::string(buffer, write_fixed(buffer, 1e19, 3, ',')), "10000000000000000000,000");
}

// ---------------------------------------------------------------------------
// Differential tests: the fast integer digits against the general conversion
// the program used for every number before (std::to_chars, which gives
// printf's digits), over millions of values of the kinds the program writes
// and of the kinds where a fast way goes wrong. MAROVIN_NUMBER_TEXT_SCALE
// multiplies the count of every family (the benchmark script runs it at 20).

std::string reference_number_text(double value, char decimal_point)
{
    if (value == 0.0)
        value = 0.0;
    char digits[64];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    EXPECT_EQ(error, std::errc());
    std::string text(digits, end);
    const std::size_t point = text.find("0.");
    if (point == 0 || (point == 1 && text[0] == '-'))
        text.erase(point, 1);
    for (char& c : text) {
        if (c == '.')
            c = decimal_point;
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (!std::signbit(value))
        text.insert(0, 1, ' ');
    return text;
}

std::string reference_fixed(double value, int decimals)
{
    char digits[kFixedTextMax];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    EXPECT_EQ(error, std::errc());
    return std::string(digits, end);
}

long scale()
{
    const char* text = std::getenv("MAROVIN_NUMBER_TEXT_SCALE");
    const long value = text ? std::atol(text) : 1;
    return value > 0 ? value : 1;
}

using Draw = std::function<double(std::mt19937_64&)>;

struct Family {
    const char* name;
    long count; // values drawn at scale 1
    Draw draw;
};

void PrintTo(const Family& family, std::ostream* out) { *out << family.name; }

std::uniform_int_distribution<std::int64_t> between(std::int64_t low, std::int64_t high)
{
    return std::uniform_int_distribution<std::int64_t>(low, high);
}

double any_finite(std::mt19937_64& random)
{
    for (;;) {
        const double value = std::bit_cast<double>(random());
        if (std::isfinite(value))
            return value;
    }
}

// A decimal of 16 or 17 significant digits ending in 5 (halfway between two
// 15-digit decimals) with an exponent from -7 to 17, read as the nearest
// double, then moved by up to two units in the last place: the values where
// rounding to 15 digits is decided by the last bits.
double halfway_at_fifteen_digits(std::mt19937_64& random)
{
    const std::int64_t digits = between(100000000000000, 999999999999999)(random);
    const int extra = static_cast<int>(between(1, 2)(random));
    const int exponent = static_cast<int>(between(-7, 17)(random));
    char text[64];
    std::snprintf(text, sizeof text, "%lld.%s5e%d", static_cast<long long>(digits / 100000000000000),
                  (std::to_string(digits).substr(1) + (extra == 2 ? "0" : "")).c_str(), exponent);
    double value = 0;
    std::from_chars(text, text + std::char_traits<char>::length(text), value);
    const int ulps = static_cast<int>(between(-2, 2)(random));
    for (int i = 0; i < std::abs(ulps); ++i)
        value = std::nextafter(value, ulps > 0 ? HUGE_VAL : -HUGE_VAL);
    return random() & 1 ? value : -value;
}

// Values at the edges where the fast way changes its reasoning: 1E-04 and
// 1E+15 (the E form), 10^k (one decimal less), whole numbers near 2^53, and
// their neighbours a few units in the last place away.
double edge(std::mt19937_64& random)
{
    // clang-format off
    static const double anchors[] = {1e-4, 1e-5, 1e15, 1e16, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13,
                                     1e14, 1,    10,   0.1,  9007199254740992.0, 4503599627370496.0,
                                     180,  90,   360,  2147483648.0, 32768, 1e-9, 5e-10, 0.5};
    // clang-format on
    double value = anchors[random() % std::size(anchors)];
    const int ulps = static_cast<int>(between(-40, 40)(random));
    for (int i = 0; i < std::abs(ulps); ++i)
        value = std::nextafter(value, ulps > 0 ? HUGE_VAL : -HUGE_VAL);
    return random() & 1 ? value : -value;
}

const Family kNumberFamilies[] = {
    {"result-file longitudes and latitudes (nine decimals)", 1500000,
     [](std::mt19937_64& r) { return static_cast<double>(between(-180000000000, 180000000000)(r)) / 1e9; }},
    {"decimals 0 to 9 up to ten million (job coordinates)", 1000000,
     [](std::mt19937_64& r) {
         const int decimals = static_cast<int>(r() % 10);
         const std::int64_t limit = static_cast<std::int64_t>(1e7 * std::pow(10.0, decimals));
         return static_cast<double>(between(-limit, limit)(r)) / std::pow(10.0, decimals);
     }},
    {"trace-header words divided by a scalar", 300000,
     [](std::mt19937_64& r) {
         static const double scalars[] = {1, 10, 100, 1000, 10000, 0.1, 0.01};
         return static_cast<double>(static_cast<std::int32_t>(r())) / scalars[r() % std::size(scalars)];
     }},
    {"whole numbers", 500000,
     [](std::mt19937_64& r) {
         return static_cast<double>(r() & 1 ? between(-999999999999999, 999999999999999)(r)
                                            : static_cast<std::int32_t>(r()));
     }},
    {"halfway cases at fifteen digits", 1000000, halfway_at_fifteen_digits},
    {"edges and their neighbours", 300000, edge},
    {"halves and binary fractions", 300000,
     [](std::mt19937_64& r) {
         return static_cast<double>(between(-(std::int64_t{1} << 40), std::int64_t{1} << 40)(r)) /
                static_cast<double>(std::int64_t{1} << (r() % 50));
     }},
    {"any finite double (tiny, huge, subnormal)", 500000, any_finite},
    {"uniform doubles in the coordinate range", 500000,
     [](std::mt19937_64& r) { return std::uniform_real_distribution<double>(-180, 180)(r); }},
};

class NumberTextAgreement : public ::testing::TestWithParam<Family> {};

TEST_P(NumberTextAgreement, FastDigitsEqualTheGeneralConversion)
{
    const Family& family = GetParam();
    std::mt19937_64 random(std::hash<std::string>{}(family.name));
    const long count = family.count * scale();
    long failures = 0;
    for (long i = 0; i < count && failures < 10; ++i) {
        const double value = family.draw(random);
        const char point = (i & 7) == 0 ? ',' : '.';
        char buffer[kNumberTextMax];
        const std::string fast(buffer, write_number_text(buffer, value, point));
        const std::string expected = reference_number_text(value, point);
        if (fast != expected) {
            ++failures;
            ADD_FAILURE() << family.name << ": " << std::hexfloat << value << std::defaultfloat << " gives \"" << fast
                          << "\", expected \"" << expected << '"';
        }
    }
    RecordProperty("values", std::to_string(count));
}

INSTANTIATE_TEST_SUITE_P(Families, NumberTextAgreement, ::testing::ValuesIn(kNumberFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) {
                             return "family" + std::to_string(info.index);
                         });

TEST(NumberTextAgreement, SpecialValuesEqualTheGeneralConversion)
{
    const double specials[] = {0.0,
                               -0.0,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN(),
                               -std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min()};
    for (const double value : specials) {
        char buffer[kNumberTextMax];
        EXPECT_EQ(std::string(buffer, write_number_text(buffer, value)), reference_number_text(value, '.')) << value;
    }
}

// The general conversion itself gives printf's "%.15G" (the tests run in the
// C locale), so the program's digits are printf's.
TEST(NumberTextAgreement, GeneralConversionIsPrintfs)
{
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 100000; ++i) {
        const double value = i % 2 ? any_finite(random) : halfway_at_fifteen_digits(random);
        char printed[64];
        std::snprintf(printed, sizeof printed, "%.15G", value);
        std::string expected(printed);
        if (expected.starts_with("0."))
            expected.erase(0, 1);
        else if (expected.starts_with("-0."))
            expected.erase(1, 1);
        if (expected.front() != '-')
            expected.insert(0, 1, ' ');
        ASSERT_EQ(reference_number_text(value, '.'), expected) << std::hexfloat << value;
    }
}

// Values for the fixed notation: converted coordinates (any double in the
// range, not only short decimals), exact ties at the chosen count of
// decimals and their neighbours, values that round to zero, and values at
// the integer limit where the general conversion takes over.
double fixed_value(std::mt19937_64& random, int decimals)
{
    switch (random() % 6) {
    case 0:
    case 1: return std::uniform_real_distribution<double>(-180, 180)(random);
    case 2: { // (2i + 1) / 2^(d + 1) is exactly halfway at d decimals
        double value = static_cast<double>(2 * between(-(std::int64_t{1} << 40), std::int64_t{1} << 40)(random) + 1) /
                       std::ldexp(1.0, decimals + 1 + static_cast<int>(random() % 12));
        const int ulps = static_cast<int>(between(-1, 1)(random));
        if (ulps != 0)
            value = std::nextafter(value, ulps * HUGE_VAL);
        return value;
    }
    case 3: return std::uniform_real_distribution<double>(-1, 1)(random) * std::pow(10.0, -decimals - 1);
    case 4: { // around 2^63 / 10^d
        const double limit = std::ldexp(1.0, 63) / std::pow(10.0, decimals);
        return limit * std::uniform_real_distribution<double>(0.999, 1.001)(random) * (random() & 1 ? 1 : -1);
    }
    default: return any_finite(random);
    }
}

TEST(FixedTextAgreement, FastDigitsEqualTheGeneralConversionForZeroToNineDecimals)
{
    std::mt19937_64 random(1024);
    const long count = 2000000 * scale();
    int failures = 0;
    for (long i = 0; i < count && failures < 10; ++i) {
        const int decimals = i % 4 == 0 ? static_cast<int>(random() % 10) : 9;
        const double value = fixed_value(random, decimals);
        char buffer[kFixedTextMax];
        const std::string fast(buffer, write_fixed(buffer, value, decimals));
        const std::string expected = reference_fixed(value, decimals);
        if (fast != expected) {
            ++failures;
            ADD_FAILURE() << std::hexfloat << value << std::defaultfloat << " with " << decimals << " decimals gives \""
                          << fast << "\", expected \"" << expected << '"';
        }
    }
    RecordProperty("values", std::to_string(count));
}

} // namespace
} // namespace marovin
