#pragma once
// Numbers of text fields (the converter's result file, XY text files).

#include <string_view>

namespace marovin {

// Whether `text` is a whole decimal number with "." as decimal point ("12",
// "-3.5", ".5", "+2", "1E-05"): no blanks, no "inf" or "nan", nothing
// around it. Its value in `value` when it is; `value` is unchanged otherwise.
bool parse_field_number(std::string_view text, double& value);

} // namespace marovin
