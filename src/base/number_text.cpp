#include "base/number_text.h"

#include <charconv>
#include <cmath>

namespace marovin {

namespace {

// The digits without the leading blank. std::to_chars in general form with
// precision 15 gives exactly what printf's "%.15G" gives (15 significant
// digits, trailing zeros removed, exponent form exactly when the exponent is
// below -4 or at least 15, two exponent digits at least), but without
// printf's dependence on the C locale's decimal point, and faster.
char* write_plain(char* out, double value, char decimal_point)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    char digits[kNumberTextMax];
    // Whole values below 1E+15 have at most 15 digits and print as they
    // are; the integer conversion is the fast path for point numbers.
    const bool whole = std::fabs(value) < 1e15 && value == std::trunc(value);
    const auto [end, error] =
        whole ? std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value))
              : std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    const char* p = digits;
    if (error != std::errc()) // cannot happen with this buffer; keep output defined
        return out;
    if (*p == '-')
        *out++ = *p++;
    if (end - p >= 2 && p[0] == '0' && p[1] == '.')
        ++p; // no "0" before the point
    for (; p != end; ++p) {
        char c = *p;
        if (c == '.')
            c = decimal_point;
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A'); // "E+20", "INF", "NAN"
        *out++ = c;
    }
    return out;
}

} // namespace

char* write_number_text(char* out, double value, char decimal_point)
{
    if (value == 0.0)
        value = 0.0;
    if (!std::signbit(value)) // a negative value (or NaN) brings its own "-"
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

} // namespace marovin
