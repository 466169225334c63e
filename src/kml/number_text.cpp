#include "kml/number_text.h"

#include <cmath>
#include <cstdio>

namespace marovin {

std::string plain_number_text(double value, char decimal_point)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    char buffer[40];
    // %.15G: 15 significant digits, trailing zeros removed, exponent form
    // exactly when the exponent is below -4 or at least 15, two-digit
    // exponents at least, capital E.
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text(buffer);
    if (text.starts_with("0."))
        text.erase(0, 1);
    else if (text.starts_with("-0."))
        text.erase(1, 1);
    if (decimal_point != '.') {
        for (char& c : text)
            if (c == '.')
                c = decimal_point;
    }
    return text;
}

std::string number_text(double value, char decimal_point)
{
    std::string text = plain_number_text(value, decimal_point);
    if (text.empty() || text.front() != '-')
        text.insert(text.begin(), ' ');
    return text;
}

} // namespace marovin
