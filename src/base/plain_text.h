#pragma once
// Small rules of 8-bit text that every reader shares: blanks and digits,
// ASCII case, trimming, quoting a text the user gave, and walking the lines
// of a text. Bytes above 0x7F are never letters or digits here, whatever the
// C locale says, so a file reads the same on every machine.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace marovin {

// A blank inside a line: space or tab.
constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
// A byte that ends a line: CR or LF (CR LF ends one line).
constexpr bool is_line_end(char c) { return c == '\r' || c == '\n'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The text in ASCII capitals: "Line1.su" -> "LINE1.SU".
std::string ascii_upper(std::string_view text);

// Whether two texts are equal when ASCII case is not looked at.
bool equal_ignoring_case(std::string_view a, std::string_view b);

// Where `word` first occurs in `text` from `from` on, ASCII case not looked
// at; npos when it does not.
std::size_t find_ignoring_case(std::string_view text, std::string_view word, std::size_t from = 0);

// Whether the text ends with `ending`, ASCII case not looked at.
bool ends_with_ignoring_case(std::string_view text, std::string_view ending);

// The text without the characters of `dropped` at its start and end
// (blanks by default).
std::string_view trimmed(std::string_view text, std::string_view dropped = " \t");

// A text the user gave, in double quotes as it stands, for messages that
// show it whole: in_quotes("12a") -> "\"12a\"". (Text read from a file the
// program does not control is quoted by quoted(), message_text.h, which
// escapes and cuts it.)
std::string in_quotes(std::string_view text);

// A UTF-8 byte-order mark, which text files may start with.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
std::string_view without_byte_order_mark(std::string_view text);

// Calls f(line, number) for every line of `text`, without its line end,
// numbered from 1, until f returns false. Lines end at CR, CR LF or LF; a
// final line end starts no new line ("a\r\n" is one line, "" none).
template <class F>
void for_each_line(std::string_view text, F&& f)
{
    std::size_t pos = 0;
    std::int64_t number = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !is_line_end(text[end]))
            ++end;
        if (!f(text.substr(pos, end - pos), ++number))
            return;
        pos = end;
        if (pos < text.size())
            pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
    }
}

} // namespace marovin
