#include "readers/rtf_reader.h"

#include "base/plain_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace marovin::rtf {
namespace {

// A \ucN larger than this would let one \u swallow whole paragraphs of a
// broken file; real writers use 0 to 2.
constexpr int kMaxFallbackCount = 16;
// Longest control word RTF allows is 32 letters; numbers beyond ten digits
// are clamped, not overflowed.
constexpr std::size_t kMaxWordLength = 32;
constexpr std::size_t kMaxDigits = 10;
constexpr int kMaxHalfPoints = 2 * 1638; // the largest size RTF writers emit
// Groups nested deeper than this share the state of the deepest one, so a
// file of nothing but "{" cannot make the reader's memory grow with it.
constexpr std::size_t kMaxDepth = 4096;

struct GroupState {
    Style style;
    bool skip = false; // inside a destination whose text is not shown
    int fallback = 1;  // \ucN
};

// Destinations that hold no body text.
bool is_skipped_destination(std::string_view word)
{
    static constexpr std::array<std::string_view, 22> names = {
        "fonttbl",           "colortbl", "stylesheet", "info",    "pict",      "object",   "header",   "headerl",
        "headerr",           "headerf",  "footer",     "footerl", "footerr",   "footerf",  "footnote", "listtable",
        "listoverridetable", "rsidtbl",  "filetbl",    "revtbl",  "themedata", "xmlnstbl",
    };
    return std::find(names.begin(), names.end(), word) != names.end();
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The paragraph alignment a control word sets ("\pard" resets it).
std::optional<Alignment> alignment_of(std::string_view word)
{
    static constexpr std::pair<std::string_view, Alignment> words[] = {
        {"pard", Alignment::Left}, {"ql", Alignment::Left},    {"qc", Alignment::Centre},
        {"qr", Alignment::Right},  {"qj", Alignment::Justify},
    };
    for (const auto& [name, alignment] : words)
        if (word == name)
            return alignment;
    return std::nullopt;
}

// The character a symbol control word stands for; 0 for any other word.
char32_t symbol_of(std::string_view word)
{
    static constexpr std::pair<std::string_view, char32_t> words[] = {
        {"emdash", 0x2014}, {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    };
    for (const auto& [name, c] : words)
        if (word == name)
            return c;
    return 0;
}

class Parser {
public:
    explicit Parser(std::string_view input) : in_(input) { stack_.push_back(GroupState{}); }

    Document run()
    {
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            switch (c) {
            case '{':
                if (stack_.size() < kMaxDepth)
                    stack_.push_back(stack_.back());
                else
                    ++too_deep_;
                pending_skip_ = 0;
                break;
            case '}':
                if (too_deep_ > 0)
                    --too_deep_;
                else if (stack_.size() > 1)
                    stack_.pop_back(); // a surplus "}" is ignored
                pending_skip_ = 0;
                break;
            case '\\': control(); break;
            case '\r':
            case '\n': break; // line ends in the source are not text
            default: character(cp1252_to_unicode(static_cast<unsigned char>(c))); break;
            }
        }
        flush_surrogate();
        if (!current_.runs.empty())
            doc_.paragraphs.push_back(std::move(current_));
        return std::move(doc_);
    }

private:
    GroupState& state() { return stack_.back(); }

    // One character of text, unless it is the fallback of a \uN.
    void character(char32_t c)
    {
        if (pending_skip_ > 0) {
            --pending_skip_;
            return;
        }
        put(c);
    }

    void put(char32_t c)
    {
        if (state().skip)
            return;
        if (c != 0 && high_surrogate_ != 0)
            flush_surrogate();
        if (c == 0)
            return;
        std::vector<Run>& runs = current_.runs;
        if (runs.empty() || !(runs.back().style == state().style))
            runs.push_back(Run{{}, state().style});
        append_utf8(runs.back().text, c);
    }

    void flush_surrogate()
    {
        if (high_surrogate_ == 0)
            return;
        high_surrogate_ = 0;
        put(0xFFFD);
    }

    void unicode(long long value)
    {
        if (value < 0)
            value += 65536; // RTF writes code points above 32767 as negative 16-bit numbers
        pending_skip_ = state().fallback;
        if (state().skip)
            return;
        if (value < 0 || value > 0xFFFF) {
            flush_surrogate();
            put(0xFFFD);
            return;
        }
        const auto unit = static_cast<char32_t>(value);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            flush_surrogate();
            high_surrogate_ = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (high_surrogate_ != 0) {
                const char32_t c = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00);
                high_surrogate_ = 0;
                put(c);
            } else {
                put(0xFFFD);
            }
        } else {
            flush_surrogate();
            put(unit == 0 ? 0xFFFD : unit);
        }
    }

    void end_paragraph()
    {
        if (state().skip)
            return;
        flush_surrogate();
        const Alignment alignment = current_.alignment;
        doc_.paragraphs.push_back(std::move(current_));
        current_ = Paragraph{};
        current_.alignment = alignment;
    }

    void control()
    {
        if (pos_ >= in_.size())
            return; // a lone backslash at the end
        const char c = in_[pos_];
        if (!is_letter(c)) {
            ++pos_;
            symbol(c);
            return;
        }
        const std::size_t word_begin = pos_;
        while (pos_ < in_.size() && is_letter(in_[pos_]))
            ++pos_;
        const std::string_view word = in_.substr(word_begin, pos_ - word_begin);

        bool has_number = false;
        long long number = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && is_digit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        std::size_t digits = 0;
        while (pos_ < in_.size() && is_digit(in_[pos_])) {
            if (digits++ < kMaxDigits)
                number = number * 10 + (in_[pos_] - '0');
            ++pos_;
            has_number = true;
        }
        if (negative)
            number = -number;
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_; // the delimiting blank belongs to the control word

        if (word.size() > kMaxWordLength)
            return;
        // A control word stands for one character when it is a \uN fallback.
        if (pending_skip_ > 0 && word != "u") {
            --pending_skip_;
            return;
        }
        keyword(word, has_number, number);
    }

    void symbol(char c)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}': character(static_cast<unsigned char>(c)); break;
        case '\'': {
            const int high = pos_ < in_.size() ? hex_value(in_[pos_]) : -1;
            if (high < 0)
                break; // cut short: nothing to show
            ++pos_;
            const int low = pos_ < in_.size() ? hex_value(in_[pos_]) : -1;
            if (low < 0)
                break;
            ++pos_;
            character(cp1252_to_unicode(static_cast<unsigned char>(high * 16 + low)));
            break;
        }
        case '~': character(0x00A0); break;
        case '_': character(0x2011); break;
        case '*':
            state().skip = true; // an optional destination this reader does not know
            break;
        case '\r':
        case '\n': end_paragraph(); break;
        default:
            // "\-" (optional hyphen), "\|", "\:" and the like show nothing.
            if (pending_skip_ > 0)
                --pending_skip_;
            break;
        }
    }

    void keyword(std::string_view word, bool has_number, long long number)
    {
        Style& style = state().style;
        const bool on = !has_number || number != 0;
        if (word == "par" || word == "sect" || word == "page")
            end_paragraph();
        else if (word == "line")
            character('\n');
        else if (word == "tab")
            character('\t');
        else if (word == "b")
            style.bold = on;
        else if (word == "i")
            style.italic = on;
        else if (word == "ul")
            style.underline = on;
        else if (word == "ulnone")
            style.underline = false;
        else if (word == "fs")
            style.half_points =
                (has_number && number > 0) ? static_cast<int>(std::min<long long>(number, kMaxHalfPoints)) : 24;
        else if (word == "plain")
            style = Style{};
        else if (const std::optional<Alignment> alignment = alignment_of(word))
            current_.alignment = *alignment;
        else if (word == "u")
            unicode(has_number ? number : 0);
        else if (word == "uc")
            state().fallback = static_cast<int>(std::clamp<long long>(has_number ? number : 1, 0, kMaxFallbackCount));
        else if (const char32_t c = symbol_of(word))
            character(c);
        else if (is_skipped_destination(word))
            state().skip = true;
        // Every other control word is formatting this reader does not keep.
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::vector<GroupState> stack_;
    std::size_t too_deep_ = 0;    // groups opened beyond kMaxDepth
    int pending_skip_ = 0;        // fallback characters of a \uN still to skip
    char32_t high_surrogate_ = 0; // first half of a pair written as two \uN
    Paragraph current_;
    Document doc_;
};

} // namespace

char32_t cp1252_to_unicode(unsigned char byte)
{
    // 0x80..0x9F differ from Latin-1; the five unassigned bytes map to
    // themselves, as Windows does.
    static constexpr std::array<char16_t, 32> high = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (byte >= 0x80 && byte <= 0x9F)
        return high[byte - 0x80];
    return byte;
}

bool looks_like_rtf(std::string_view input)
{
    std::size_t i = 0;
    while (i < input.size() && (input[i] == ' ' || input[i] == '\t' || input[i] == '\r' || input[i] == '\n'))
        ++i;
    return input.substr(i, 5) == "{\\rtf";
}

Document parse(std::string_view input) { return Parser(input).run(); }

std::string Document::plain_text() const
{
    std::string text;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            text += '\n';
        for (const Run& run : paragraphs[i].runs)
            text += run.text;
    }
    return text;
}

} // namespace marovin::rtf
