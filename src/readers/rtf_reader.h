#pragma once
// A small RTF reader for the documents the program shows (its manual): it
// keeps the text, paragraphs and line breaks, tabs, bold, italic, underline,
// font size and paragraph alignment, and drops everything else. Unknown
// control words are skipped, never shown, and so are the destinations that
// hold no body text (font, colour and style tables, document info, pictures,
// and every "\*" destination).
//
// The reader works on bytes and never fails: any input, however broken
// (unbalanced braces, escapes cut short, huge numbers, deep nesting), gives a
// document. 8-bit text and \'hh escapes are Windows code page 1252; \uN gives
// a Unicode character and skips its fallback (\ucN characters, 1 by default).

#include <string>
#include <string_view>
#include <vector>

namespace marovin::rtf {

struct Style {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int half_points = 24; // \fsN: font size in half points (12 pt)

    bool operator==(const Style&) const = default;
};

// A stretch of text in one style. The text is UTF-8; "\n" is a line break
// inside the paragraph (\line) and "\t" a tab.
struct Run {
    std::string text;
    Style style;
};

enum class Alignment { Left, Centre, Right, Justify };

struct Paragraph {
    std::vector<Run> runs;
    Alignment alignment = Alignment::Left;
};

struct Document {
    std::vector<Paragraph> paragraphs;

    // The text alone: paragraphs joined by "\n".
    std::string plain_text() const;
};

// True when the bytes begin (after blanks) with the RTF signature "{\rtf".
bool looks_like_rtf(std::string_view input);

Document parse(std::string_view input);

// Code page 1252 byte to Unicode code point.
char32_t cp1252_to_unicode(unsigned char byte);

} // namespace marovin::rtf
