#include "base/number_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace marovin {

namespace {

constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr std::uint64_t kIntPowers[] = {1,
                                        10,
                                        100,
                                        1000,
                                        10000,
                                        100000,
                                        1000000,
                                        10000000,
                                        100000000,
                                        1000000000,
                                        10000000000,
                                        100000000000,
                                        1000000000000,
                                        10000000000000,
                                        100000000000000,
                                        1000000000000000,
                                        10000000000000000,
                                        100000000000000000,
                                        1000000000000000000,
                                        10000000000000000000u};

constexpr char kDigitPairs[] = "00010203040506070809"
                               "10111213141516171819"
                               "20212223242526272829"
                               "30313233343536373839"
                               "40414243444546474849"
                               "50515253545556575859"
                               "60616263646566676869"
                               "70717273747576777879"
                               "80818283848586878889"
                               "90919293949596979899";

// Writes `value` as exactly `width` digits, zeros in front, two at a time.
template <class Unsigned>
void put_digits(char* out, Unsigned value, int width)
{
    char* p = out + width;
    while (p - out >= 2) {
        const auto pair = static_cast<std::size_t>(value % 100) * 2;
        value /= 100;
        p -= 2;
        p[0] = kDigitPairs[pair];
        p[1] = kDigitPairs[pair + 1];
    }
    if (p != out)
        *--p = static_cast<char>('0' + value % 10);
}

int digit_count(std::uint64_t value)
{
    int count = 1;
    while (count < 20 && value >= kIntPowers[count])
        ++count;
    return count;
}

// The digits of `value` with no zeros in front ("0" for zero).
template <class Unsigned>
char* write_integer(char* out, Unsigned value)
{
    const int width = digit_count(value);
    put_digits(out, value, width);
    return out + width;
}

// Eight digits of value < 10^8, zeros in front: two independent halves of
// four, each of two pairs, so the divisions do not wait on each other.
void put_eight_digits(char* out, std::uint32_t value)
{
    const std::uint32_t high = value / 10000, low = value % 10000;
    std::memcpy(out, kDigitPairs + 2 * (high / 100), 2);
    std::memcpy(out + 2, kDigitPairs + 2 * (high % 100), 2);
    std::memcpy(out + 4, kDigitPairs + 2 * (low / 100), 2);
    std::memcpy(out + 6, kDigitPairs + 2 * (low % 100), 2);
}

// Nine digits of value < 10^9, zeros in front.
void put_nine_digits(char* out, std::uint32_t value)
{
    out[0] = static_cast<char>('0' + value / 100000000);
    put_eight_digits(out + 1, value % 100000000);
}

// The `decimals` digits of a fraction that is not zero, without the zeros
// at its end. Whether there are any is told by the value itself, so the
// usual case (a last digit that is not zero) does not wait for the digits
// to be stored and read back.
template <class Unsigned>
char* write_fraction(char* out, Unsigned fraction, int decimals)
{
    if (decimals == 9 && fraction % 10 != 0) {
        put_nine_digits(out, static_cast<std::uint32_t>(fraction));
        return out + 9;
    }
    while (fraction % 10 == 0) {
        fraction /= 10;
        --decimals;
    }
    put_digits(out, fraction, decimals);
    return out + decimals;
}

// Integer part and `decimals` digits after the point of m / 10^decimals.
void split(std::uint64_t m, int decimals, std::uint64_t& whole, std::uint64_t& fraction)
{
    whole = m / kIntPowers[decimals];
    fraction = m % kIntPowers[decimals];
}

// The "%.15G" digits of a finite, positive `value` by integer arithmetic, or
// nullptr when that cannot be shown to give printf's digits.
//
// Why the result is printf's: take d, the most decimals (up to nine) that
// keep value * 10^d below 10^15, and m, that product rounded to a whole
// number. The check m / 10^d == value, done in double arithmetic, compares
// `value` with the correctly rounded quotient of two exactly represented
// numbers (m < 2^53, 10^d <= 10^9), so it holds exactly when `value` is the
// double nearest to the decimal D = m * 10^-d. D has at most 15 significant
// digits, and a decimal of at most 15 significant digits comes back unchanged
// when its nearest double is rounded to 15 significant digits (a double
// carries more than 15.9 digits). With 10^-4 <= D < 10^15, "%G" writes D in
// plain notation. What remains is writing D without trailing zeros.
char* write_short_decimal(char* out, double value, char decimal_point)
{
    if (!(value >= 1e-4 && value < 1e15))
        return nullptr;

    // Whole values, point numbers above all: no scaling needed.
    const auto whole_value = static_cast<std::int64_t>(value);
    if (static_cast<double>(whole_value) == value)
        return write_integer(out, static_cast<std::uint64_t>(whole_value));

    // Rounded to nearest; a product off by a little still gives the m of a
    // value that passes the check, and a wrong m only fails the check.
    if (value < 1e6) { // degrees and most else: nine decimals, constant divisors
        const auto m = static_cast<std::int64_t>(value * 1e9 + 0.5);
        if (static_cast<double>(m) / 1e9 != value)
            return nullptr;
        const auto whole = static_cast<std::uint32_t>(m / 1000000000);
        if (whole != 0)
            out = write_integer(out, whole);
        *out++ = decimal_point;
        return write_fraction(out, static_cast<std::uint32_t>(m % 1000000000), 9);
    }

    int decimals = 8;
    while (value >= kPowers[15 - decimals])
        --decimals;
    const auto m = static_cast<std::int64_t>(value * kPowers[decimals] + 0.5);
    if (static_cast<double>(m) / kPowers[decimals] != value)
        return nullptr;
    std::uint64_t whole = 0, fraction = 0;
    split(static_cast<std::uint64_t>(m), decimals, whole, fraction);
    out = write_integer(out, whole); // at least 1000000
    *out++ = decimal_point;
    return write_fraction(out, fraction, decimals); // not zero: whole values were written above
}

// The digits without the leading blank.
char* write_plain(char* out, double value, char decimal_point)
{
    if (value == 0.0) {
        *out++ = '0'; // no "-0"
        return out;
    }
    if (std::signbit(value))
        *out++ = '-';
    if (char* end = write_short_decimal(out, std::fabs(value), decimal_point))
        return end;

    // The general way. std::to_chars in general form with precision 15 gives
    // exactly what printf's "%.15G" gives (15 significant digits, trailing
    // zeros removed, exponent form exactly when the exponent is below -4 or
    // at least 15, two exponent digits at least), without printf's
    // dependence on the C locale's decimal point.
    char digits[kNumberTextMax];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::general, 15);
    if (error != std::errc()) // cannot happen with this buffer; keep output defined
        return out;
    const char* p = digits;
    if (end - p >= 2 && p[0] == '0' && p[1] == '.')
        ++p; // no "0" before the point
    const auto length = static_cast<std::size_t>(end - p);
    std::memcpy(out, p, length);
    if (decimal_point != '.')
        std::replace(out, out + length, '.', decimal_point);
    std::transform(out, out + length, out, [](char c) { // "E+20", "INF", "NAN"
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return out + length;
}

// m = |value| * 10^decimals rounded to nearest, ties to even, computed
// exactly: |value| is M * 2^E with a 53-bit M, and 10^d is 5^d * 2^d, so
// the product is M * 5^d (at most 74 bits for d <= 9) shifted by E + d.
// False when m would not fit in 63 bits.
bool scaled_round_even(double value, int decimals, std::uint64_t& m)
{
    constexpr std::uint64_t kFives[] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125};
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * kFives[decimals];
    const int shift = exponent + decimals;
    if (shift >= 0) {
        if (shift >= 64 || (product >> (63 - shift)) != 0)
            return false;
        m = static_cast<std::uint64_t>(product << shift);
        return true;
    }
    const int right = -shift;
    if (right >= 127) { // below a quarter of a unit: rounds to zero, never a tie
        m = 0;
        return true;
    }
    const unsigned __int128 quotient = product >> right;
    const unsigned __int128 remainder = product - (quotient << right);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (right - 1);
    if (quotient >> 63)
        return false;
    m = static_cast<std::uint64_t>(quotient);
    if (remainder > half || (remainder == half && (m & 1)))
        ++m;
    return m < (std::uint64_t{1} << 63);
}

} // namespace

char* write_plain_number_text(char* out, double value, char decimal_point)
{
    return write_plain(out, value, decimal_point);
}

char* write_number_text(char* out, double value, char decimal_point)
{
    if (value == 0.0 || !std::signbit(value)) // negative values bring their "-"
        *out++ = ' ';
    return write_plain(out, value, decimal_point);
}

std::string plain_number_text(double value, char decimal_point)
{
    char buffer[kNumberTextMax];
    return std::string(buffer, write_plain(buffer, value, decimal_point));
}

std::string number_text(double value, char decimal_point)
{
    char buffer[kNumberTextMax];
    return std::string(buffer, write_number_text(buffer, value, decimal_point));
}

char* write_fixed(char* out, double value, int decimals, char decimal_point)
{
    decimals = std::clamp(decimals, 0, 17);
    std::uint64_t m = 0;
    if (decimals <= 9 && std::isfinite(value) && scaled_round_even(value, decimals, m)) {
        if (std::signbit(value))
            *out++ = '-';
        std::uint64_t whole = 0, fraction = 0;
        if (decimals == 9) { // the converter's count: constant divisors
            whole = m / 1000000000;
            fraction = m % 1000000000;
        } else {
            split(m, decimals, whole, fraction);
        }
        out = write_integer(out, whole);
        if (decimals > 0) {
            *out++ = decimal_point;
            if (decimals == 9)
                put_nine_digits(out, static_cast<std::uint32_t>(fraction));
            else
                put_digits(out, static_cast<std::uint32_t>(fraction), decimals);
            out += decimals;
        }
        return out;
    }
    const auto [end, error] = std::to_chars(out, out + kFixedTextMax, value, std::chars_format::fixed, decimals);
    if (error != std::errc())
        return out;
    if (decimal_point != '.')
        std::replace(out, end, '.', decimal_point);
    return end;
}

void append_shortest(std::string& out, double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    out.append(text, error == std::errc() ? end : text);
}

} // namespace marovin
