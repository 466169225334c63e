#include "base/message_text.h"

namespace marovin {
namespace {

// In quotes, every byte that is not printable ASCII is escaped, and so are
// the quote and the backslash that would make the quoting ambiguous. A name
// escapes only control bytes: its non-ASCII bytes are the user's letters.
void append_escaped(std::string& out, std::string_view text, bool in_quotes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!in_quotes && (byte >= 0x80 || c == '"' || c == '\\')) {
            out += c;
            continue;
        }
        switch (c) {
        case '\r': out += "\\r"; continue;
        case '\n': out += "\\n"; continue;
        case '\t': out += "\\t"; continue;
        case '\\': out += "\\\\"; continue;
        case '"': out += "\\\""; continue;
        default: break;
        }
        if (byte < 0x20 || byte >= 0x7F) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
}

} // namespace

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    append_escaped(out, text.substr(0, kQuotedMax), true);
    out += '"';
    if (text.size() > kQuotedMax)
        out += "...";
    return out;
}

std::string escaped(std::string_view text)
{
    std::string out;
    append_escaped(out, text, false);
    return out;
}

} // namespace marovin
