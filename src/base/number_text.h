#pragma once
// The one rule by which the program turns numbers into text in its KML
// documents, its grid label column and its converter job lines:
//
//   - one leading blank for values of zero and above, "-" for negative ones;
//   - at most 15 significant digits, the last one rounded, no trailing zeros,
//     no decimal point for whole values, no "0" before the point below 1;
//   - "E" notation (mantissa, "E", sign, at least two exponent digits) when
//     the decimal exponent is below -4 or 15 and above.
//
// 12 -> " 12", 0 -> " 0", -1.5 -> "-1.5", 0.5 -> " .5", -0.125 -> "-.125",
// 0.00001 -> " 1E-05", 1.5e20 -> " 1.5E+20".

#include <string>

namespace marovin {

// decimal_point replaces "." (the converter job uses the regional separator;
// the KML document and the grid always use ".").
std::string number_text(double value, char decimal_point = '.');

// The same digits without the leading blank, as text boxes and the grid's
// coordinate columns show numbers ("12", "-1.5", ".5").
std::string plain_number_text(double value, char decimal_point = '.');

// The number_text form written straight into a caller's buffer, for loops
// that write millions of numbers: writes at most kNumberTextMax characters
// at `out` (no terminating zero) and returns the end of what it wrote.
// Independent of the C locale, unlike printf.
inline constexpr int kNumberTextMax = 32;
char* write_number_text(char* out, double value, char decimal_point = '.');

} // namespace marovin
