// The RTF reader on any bytes.
//
// Input: a mode byte, then the bytes. Mode bit 0 clear: the bytes are read
// as they are. Set: the bytes, without "\", "{" and "}", are taken as plain
// text and read inside "{\rtf1 ...}", once as they are and once with every
// byte above 0x7F written as a \'hh escape.
//
// Properties:
//   - any bytes give a document whose text is well-formed UTF-8 without NUL,
//     with no empty run, no two neighbouring runs of one style, and font
//     sizes from 1 to 3276 half points;
//   - plain text reads back as its code page 1252 characters, its line ends
//     dropped, in one paragraph; and \'hh escapes read exactly like the raw
//     bytes they stand for.
#include "fuzz_support.h"
#include "xml_check.h"

#include "readers/rtf_reader.h"

#include <cstdint>
#include <cstdio>
#include <string>

using namespace marovin;
using marovin::fuzz::Input;

namespace {

void check_shape(const rtf::Document& document, std::string_view input)
{
    const std::string about = "reading " + fuzz::printable(input) + ": ";
    for (const rtf::Paragraph& paragraph : document.paragraphs) {
        for (std::size_t r = 0; r < paragraph.runs.size(); ++r) {
            const rtf::Run& run = paragraph.runs[r];
            FUZZ_CHECK(!run.text.empty(), about + "an empty run");
            FUZZ_CHECK(r == 0 || !(paragraph.runs[r - 1].style == run.style),
                       about + "two neighbouring runs of one style");
            FUZZ_CHECK(run.style.half_points >= 1 && run.style.half_points <= 3276,
                       about + "font size " + std::to_string(run.style.half_points));
            for (std::size_t i = 0; i < run.text.size();) {
                char32_t c = 0;
                FUZZ_CHECK(fuzz::next_utf8(run.text, i, c),
                           about + "text that is not UTF-8: " + fuzz::printable(run.text));
                FUZZ_CHECK(c != 0, about + "a NUL character in " + fuzz::printable(run.text));
            }
        }
    }
}

bool same_document(const rtf::Document& a, const rtf::Document& b)
{
    if (a.paragraphs.size() != b.paragraphs.size())
        return false;
    for (std::size_t p = 0; p < a.paragraphs.size(); ++p) {
        const rtf::Paragraph& x = a.paragraphs[p];
        const rtf::Paragraph& y = b.paragraphs[p];
        if (x.alignment != y.alignment || x.runs.size() != y.runs.size())
            return false;
        for (std::size_t r = 0; r < x.runs.size(); ++r)
            if (x.runs[r].text != y.runs[r].text || !(x.runs[r].style == y.runs[r].style))
                return false;
    }
    return true;
}

void check_plain_text(std::string_view bytes)
{
    std::string text, escaped, expected;
    for (const char c : bytes) {
        if (c == '\\' || c == '{' || c == '}')
            continue;
        text += c;
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\'%02x", byte);
            escaped += hex;
        } else {
            escaped += c;
        }
        if (c != '\r' && c != '\n' && c != '\0')
            fuzz::append_utf8(expected, rtf::cp1252_to_unicode(byte));
    }
    const std::string raw_rtf = "{\\rtf1 " + text + "}";
    const rtf::Document raw = rtf::parse(raw_rtf);
    check_shape(raw, raw_rtf);
    FUZZ_CHECK(raw.paragraphs.size() == (expected.empty() ? 0u : 1u),
               "reading " + fuzz::printable(raw_rtf) + ": " + std::to_string(raw.paragraphs.size()) + " paragraphs");
    FUZZ_CHECK(raw.plain_text() == expected, "reading " + fuzz::printable(raw_rtf) + " gives " +
                                                 fuzz::printable(raw.plain_text()) + ", expected " +
                                                 fuzz::printable(expected));
    const std::string escaped_rtf = "{\\rtf1 " + escaped + "}";
    FUZZ_CHECK(same_document(rtf::parse(escaped_rtf), raw),
               fuzz::printable(escaped_rtf) + " reads otherwise than " + fuzz::printable(raw_rtf));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const bool plain = (input.byte() & 1) != 0;
    const std::string_view bytes = input.rest();
    if (plain) {
        check_plain_text(bytes);
        return 0;
    }
    check_shape(rtf::parse(bytes), bytes);
    return 0;
}
