#pragma once
// Numbers read from text: the fields of the converter's result file and of
// XY text files, and the data lines of a converter job.

#include "base/result.h"

#include <string_view>

namespace marovin {

// Why a text is no number.
enum class NumberFault {
    not_a_number, // not a decimal number
    too_large,    // a decimal number beyond the largest double
};

// Reads a whole decimal number with "." as decimal point ("12", "-3.5",
// ".5", "+2", "1E-05"): one optional sign, then a digit or the point; no
// blanks, no "inf" or "nan", no second sign, nothing around it. A field of
// the files is a number exactly when this reads it.
//   - A number too small for a double reads as 0 (or the nearest tiny
//     double), with its sign.
//   - The 15-digit text the program writes for the largest double
//     ("1.79769313486232E+308", which rounds above it) reads as that double;
//     anything larger is too_large.
Result<double, NumberFault> read_number(std::string_view text);

} // namespace marovin
