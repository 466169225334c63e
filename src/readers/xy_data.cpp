#include "readers/xy_data.h"

namespace marovin {

std::int64_t XyText::file_line(std::int64_t line) const
{
    // Every line left out before the answer pushes it one further.
    for (const std::int64_t out : left_out) {
        if (out > line)
            break;
        ++line;
    }
    return line;
}

XyLayout XyHeaderLine::layout() const
{
    if (number >= 0)
        return z >= 0 ? XyLayout::NumberXYZ : XyLayout::NumberXY;
    return z >= 0 ? XyLayout::XYZ : XyLayout::XY;
}

} // namespace marovin
