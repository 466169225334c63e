#pragma once
// A small checker of XML 1.0 well-formedness, enough for the documents the
// program writes (declaration, elements, attributes, character data, the
// predefined entities and character references; no DTD, no CDATA), for fuzz
// targets that must not depend on an XML library. It also gives each
// element's decoded text, in document order, to compare with what was meant.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marovin::fuzz {

struct XmlElement {
    std::string name;
    std::string text; // character data directly inside, entities decoded
    int depth = 0;    // 0 for the root, 1 for its children...
};

struct XmlReading {
    std::string problem; // empty for a well-formed document
    std::vector<XmlElement> elements;
};

// Whether the code point may appear in an XML 1.0 document.
inline bool xml_char(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Decodes the UTF-8 sequence at text[i], advancing i; false for a sequence
// that is not well-formed UTF-8 (overlong, surrogate, beyond U+10FFFF, cut).
inline bool next_utf8(std::string_view text, std::size_t& i, char32_t& c)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = b(i);
    int extra = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        ++i;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, c = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, c = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (i + extra >= text.size())
        return false;
    for (int k = 1; k <= extra; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (b(i + k) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    i += extra + 1;
    return true;
}

// Whether every byte sequence is UTF-8 and every character an XML character.
inline bool xml_text_allowed(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        if (!next_utf8(text, i, c) || !xml_char(c))
            return false;
    }
    return true;
}

// Written apart from the readers' encoder, so that a fault there is not
// repeated here: the lead byte and the count of continuation bytes from the
// code point's size, then six bits a byte from the top down.
inline void append_utf8(std::string& out, char32_t c)
{
    const int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static constexpr unsigned char lead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(lead[extra] | (c >> (6 * extra)));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
        out += static_cast<char>(0x80 | ((c >> shift) & 0x3F));
}

class XmlChecker {
public:
    explicit XmlChecker(std::string_view doc) : d_(doc) {}

    XmlReading read()
    {
        if (!xml_text_allowed(d_))
            return fail_at("a byte sequence that is not UTF-8 or not an XML character");
        if (d_.substr(0, 5) == "<?xml") {
            const std::size_t end = d_.find("?>");
            if (end == std::string_view::npos)
                return fail_at("an unclosed XML declaration");
            p_ = end + 2;
        }
        skip_space();
        if (p_ >= d_.size() || d_[p_] != '<')
            return fail_at("no root element");
        if (!element(0))
            return std::move(r_);
        skip_space();
        if (p_ != d_.size())
            return fail_at("content after the root element");
        return std::move(r_);
    }

private:
    XmlReading fail_at(const std::string& what)
    {
        if (r_.problem.empty())
            r_.problem = what + " at byte " + std::to_string(p_);
        return std::move(r_);
    }
    bool failed(const std::string& what)
    {
        fail_at(what);
        return false;
    }

    static bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    void skip_space()
    {
        while (p_ < d_.size() && space(d_[p_]))
            ++p_;
    }
    static bool name_char(char c, bool first)
    {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
        return letter || (!first && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
    }
    bool name(std::string& out)
    {
        const std::size_t from = p_;
        while (p_ < d_.size() && name_char(d_[p_], p_ == from))
            ++p_;
        out = std::string(d_.substr(from, p_ - from));
        return !out.empty() || failed("a missing name");
    }

    // "&...;" at p_, decoded into out.
    bool reference(std::string& out)
    {
        const std::size_t end = d_.find(';', p_);
        if (end == std::string_view::npos || end - p_ > 12)
            return failed("an unterminated reference");
        const std::string_view ref = d_.substr(p_ + 1, end - p_ - 1);
        p_ = end + 1;
        if (ref == "amp")
            out += '&';
        else if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "quot")
            out += '"';
        else if (ref == "apos")
            out += '\'';
        else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            std::uint32_t c = 0;
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty())
                return failed("an empty character reference");
            for (char k : digits) {
                int v = -1;
                if (k >= '0' && k <= '9')
                    v = k - '0';
                else if (hex && k >= 'a' && k <= 'f')
                    v = k - 'a' + 10;
                else if (hex && k >= 'A' && k <= 'F')
                    v = k - 'A' + 10;
                if (v < 0 || c > 0x10FFFF)
                    return failed("a bad character reference");
                c = c * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            }
            if (!xml_char(c))
                return failed("a reference to a character XML does not allow");
            append_utf8(out, c);
        } else {
            return failed("an unknown entity");
        }
        return true;
    }

    bool element(int depth)
    {
        ++p_; // '<'
        std::string tag;
        if (!name(tag))
            return false;
        const std::size_t index = r_.elements.size();
        r_.elements.push_back({tag, {}, depth});
        for (;;) { // attributes
            const std::size_t before = p_;
            skip_space();
            if (p_ >= d_.size())
                return failed("an unclosed start tag");
            if (d_.substr(p_, 2) == "/>") {
                p_ += 2;
                return true;
            }
            if (d_[p_] == '>') {
                ++p_;
                break;
            }
            if (p_ == before)
                return failed("no blank before an attribute");
            std::string attribute;
            if (!name(attribute))
                return false;
            skip_space();
            if (p_ >= d_.size() || d_[p_] != '=')
                return failed("an attribute without a value");
            ++p_;
            skip_space();
            if (p_ >= d_.size() || (d_[p_] != '"' && d_[p_] != '\''))
                return failed("an unquoted attribute value");
            const char quote = d_[p_++];
            std::string value;
            while (p_ < d_.size() && d_[p_] != quote) {
                if (d_[p_] == '<')
                    return failed("a '<' in an attribute value");
                if (d_[p_] == '&') {
                    if (!reference(value))
                        return false;
                } else {
                    ++p_;
                }
            }
            if (p_ >= d_.size())
                return failed("an unclosed attribute value");
            ++p_;
        }
        for (;;) { // content
            if (p_ >= d_.size())
                return failed("an unclosed element <" + tag + ">");
            const char c = d_[p_];
            if (c == '<') {
                if (d_.substr(p_, 2) == "</") {
                    p_ += 2;
                    std::string closing;
                    if (!name(closing))
                        return false;
                    skip_space();
                    if (closing != tag || p_ >= d_.size() || d_[p_] != '>')
                        return failed("</" + closing + "> closing <" + tag + ">");
                    ++p_;
                    return true;
                }
                if (!element(depth + 1))
                    return false;
            } else if (c == '&') {
                std::string decoded;
                if (!reference(decoded))
                    return false;
                r_.elements[index].text += decoded;
            } else {
                if (d_.substr(p_, 3) == "]]>")
                    return failed("\"]]>\" in character data");
                r_.elements[index].text += c;
                ++p_;
            }
        }
    }

    std::string_view d_;
    std::size_t p_ = 0;
    XmlReading r_;
};

inline XmlReading read_xml(std::string_view doc) { return XmlChecker(doc).read(); }

} // namespace marovin::fuzz
