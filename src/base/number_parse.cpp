#include "base/number_parse.h"

#include <charconv>

namespace marovin {

bool parse_field_number(std::string_view text, double& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    const char* digits = first;
    if (first != last && *first == '+')
        digits = ++first; // from_chars takes "-" but not "+"
    else if (first != last && *first == '-')
        digits = first + 1;
    // Only digits and a point may start the number: from_chars would also
    // take "inf" and "nan", which are text here.
    if (digits == last || !((*digits >= '0' && *digits <= '9') || *digits == '.'))
        return false;
    double parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (error != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}

} // namespace marovin
