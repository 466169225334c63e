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
//
// The digits are exactly those of printf's "%.15G" (with "0." shortened to
// "."). Most numbers the program writes are coordinates read back from text
// with at most nine decimals, or whole numbers; for those the digits come
// from integer arithmetic, which is several times faster than a general
// conversion. The fast way is taken only when it provably gives the same
// bytes (see number_text.cpp); every other value takes the general one.

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

// The plain_number_text form into a caller's buffer, likewise.
char* write_plain_number_text(char* out, double value, char decimal_point = '.');

// Fixed notation with `decimals` digits after the point, exactly as printf's
// "%.*f" and std::to_chars(..., std::chars_format::fixed, decimals) write it
// in the C locale: "-" for values with the sign bit (also "-0.000" for -0.0
// and for negative values that round to zero), at least one digit before the
// point, the exact binary value rounded to nearest with ties to even.
// 48.8566 with 9 decimals -> "48.856600000"; 1/1024 -> "0.000976562".
// Writes at most kFixedTextMax characters at `out` (no terminating zero) and
// returns the end. Values below 2^63 / 10^decimals with 0 to 9 decimals (every
// coordinate) take integer arithmetic; others the general conversion.
inline constexpr int kFixedTextMax = 350;
char* write_fixed(char* out, double value, int decimals, char decimal_point = '.');

// Appends the shortest text that reads back to the same double, as
// std::to_chars writes it ("48.1", "1e+300", "-0"): the CSV of the command
// and the accuracy line of the converter's result.
void append_shortest(std::string& out, double value);

} // namespace marovin
