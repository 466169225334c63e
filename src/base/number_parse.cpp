#include "base/number_parse.h"

#include <cfloat>
#include <charconv>

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

} // namespace

NumberReading read_number(std::string_view text, double& value)
{
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    // Only a digit or the point may follow the sign: from_chars would also
    // take "inf", "nan" and a second sign.
    if (digits.empty() || !((digits.front() >= '0' && digits.front() <= '9') || digits.front() == '.'))
        return NumberReading::not_a_number;
    const char* first = digits.data();
    const char* last = first + digits.size();
    double parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (end != last || (error != std::errc() && error != std::errc::result_out_of_range))
        return NumberReading::not_a_number;
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
            return NumberReading::too_large;
    }
    value = negative ? -parsed : parsed;
    return NumberReading::number;
}

bool parse_field_number(std::string_view text, double& value)
{
    return read_number(text, value) == NumberReading::number;
}

} // namespace marovin
