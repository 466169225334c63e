#include "base/plain_text.h"

#include <algorithm>

namespace marovin {

std::string ascii_upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = ascii_upper(c);
    return upper;
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

std::size_t find_ignoring_case(std::string_view text, std::string_view word, std::size_t from)
{
    for (std::size_t i = from; i + word.size() <= text.size(); ++i)
        if (equal_ignoring_case(text.substr(i, word.size()), word))
            return i;
    return std::string_view::npos;
}

bool ends_with_ignoring_case(std::string_view text, std::string_view ending)
{
    return text.size() >= ending.size() && equal_ignoring_case(text.substr(text.size() - ending.size()), ending);
}

std::string_view trimmed(std::string_view text, std::string_view dropped)
{
    const std::size_t begin = text.find_first_not_of(dropped);
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(dropped) - begin + 1);
}

std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string_view without_byte_order_mark(std::string_view text)
{
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

} // namespace marovin
