#include "base/number_parse.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <optional>

namespace marovin {

namespace {

// The exponent of a decimal text too far out even for a long double tells a
// huge number from a tiny one.
bool is_tiny(std::string_view digits)
{
    const std::size_t exponent = digits.find_first_of("eE");
    if (exponent != std::string_view::npos)
        return exponent + 1 < digits.size() && digits[exponent + 1] == '-';
    // No exponent: tiny only when nothing but zeros precede the point.
    return digits.substr(0, digits.find('.')).find_first_not_of('0') == std::string_view::npos;
}

// Plain decimals ("45.146392876", "-3", ".5"), the numbers the program's
// files are made of, read without the general conversion: when the digits
// make a whole number m of at most 2^53 and there are at most 22 decimals,
// the value is m / 10^k with both exact doubles, so the one division rounds
// correctly and gives the same double as from_chars. Nothing for any other
// text, which then takes the general way.
std::optional<double> read_plain_decimal(std::string_view digits)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = digits.data();
    const char* const end = p + digits.size();
    std::uint64_t whole = 0;
    const auto take_digits = [&] {
        const char* first = p;
        for (unsigned d; p < end && (d = static_cast<unsigned char>(*p) - unsigned{'0'}) < 10; ++p)
            whole = whole * 10 + d;
        return p - first;
    };
    const std::ptrdiff_t before = take_digits();
    std::ptrdiff_t after = 0;
    if (p < end && *p == '.') {
        ++p;
        after = take_digits();
    }
    // 19 digits cannot overflow the whole number.
    if (p != end || before + after == 0 || before + after > 19 || after > 22 || whole > (std::uint64_t{1} << 53))
        return std::nullopt;
    return static_cast<double>(whole) / kPowers[after];
}

} // namespace

Result<double, NumberFault> read_number(std::string_view text)
{
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (const std::optional<double> plain = read_plain_decimal(digits))
        return negative ? -*plain : *plain;
    // Only a digit or the point may follow the sign: from_chars would also
    // take "inf", "nan" and a second sign.
    if (digits.empty() || !((digits.front() >= '0' && digits.front() <= '9') || digits.front() == '.'))
        return NumberFault::not_a_number;
    const char* first = digits.data();
    const char* last = first + digits.size();
    double parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (end != last || (error != std::errc() && error != std::errc::result_out_of_range))
        return NumberFault::not_a_number;
    if (error == std::errc::result_out_of_range) {
        // Beyond a double: read it wider to tell the largest double, as the
        // program rounds it to 15 digits, from a number truly too large.
        long double wide = 0;
        const bool read_wide = std::from_chars(first, last, wide, std::chars_format::general).ec == std::errc();
        if (read_wide ? wide < 1 : is_tiny(digits))
            parsed = read_wide ? static_cast<double>(wide) : 0.0;
        else if (read_wide && wide <= 1.79769313486232E+308L)
            parsed = DBL_MAX;
        else
            return NumberFault::too_large;
    }
    return negative ? -parsed : parsed;
}

} // namespace marovin
