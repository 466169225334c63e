#include "readers/rtf_reader.h"

#include "base/whole_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using marovin::rtf::parse;

std::string textOf(std::string_view rtf) { return parse(rtf).plain_text(); }

// Whether `text` is well-formed UTF-8: shortest forms only, no surrogates,
// nothing above U+10FFFF.
bool is_utf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80           ? 1
                           : (lead >> 5) == 0x6  ? 2
                           : (lead >> 4) == 0xE  ? 3
                           : (lead >> 3) == 0x1E ? 4
                                                 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

TEST(RtfReader, KeepsTheTextAndDropsWhatIsNotShown)
{
    struct {
        const char* what;
        std::string rtf;
        std::string text;
    } const cases[] = {
        {"paragraphs", "{\\rtf1 Hello\\par World\\par}", "Hello\nWorld"},
        {"line break and tab", "{\\rtf1 a\\line b\\tab c}", "a\nb\tc"},
        {"source line ends are not text", "{\\rtf1 a\r\nb}", "ab"},
        {"delimiting blank belongs to the word", "{\\rtf1\\b bold\\b0  plain}", "bold plain"},
        {"font, colour and style tables",
         "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1;}{\\stylesheet{\\s0 Normal;}}x}", "x"},
        {"document info", "{\\rtf1{\\info{\\title T}{\\author A}}x}", "x"},
        {"any \\* destination", "{\\rtf1{\\*\\generator W;}{\\*\\unknown{nested}}x}", "x"},
        {"unknown control words", "{\\rtf1\\deff0\\viewkind4\\cf1\\highlight2 x\\zzz\\q y}", "xy"},
        {"escaped symbols", "{\\rtf1 \\{a\\}\\\\}", "{a}\\"},
        {"code page 1252 escapes", "{\\rtf1 caf\\'e9 \\'80 \\'93q\\'94}",
         "caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d"},
        {"unicode with its fallback", "{\\rtf1 \\u8364?x}",
         "\xe2\x82\xac"
         "x"},
        {"negative unicode", "{\\rtf1 \\u-3913?}", "\xef\x82\xb7"},
        {"no fallback with uc0", "{\\rtf1\\uc0 \\u233 x}", "\xc3\xa9x"},
        {"two-character fallback", "{\\rtf1\\uc2 \\u233 ab c}", "\xc3\xa9 c"},
        {"escape as fallback", "{\\rtf1 \\u233\\'e9x}", "\xc3\xa9x"},
        {"fallback count is per group", "{\\rtf1{\\uc2 \\u233 ab}\\u233 ab}",
         "\xc3\xa9\xc3\xa9"
         "b"},
        {"surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", "\xf0\x9f\x98\x80"},
        {"lone surrogate", "{\\rtf1 \\u-10179?x}", "\xef\xbf\xbdx"},
        {"named punctuation", "{\\rtf1 \\bullet\\emdash\\lquote}", "\xe2\x80\xa2\xe2\x80\x94\xe2\x80\x98"},
        {"non-breaking space", "{\\rtf1 a\\~b}",
         "a\xc2\xa0"
         "b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(textOf(c.rtf), c.text) << c.what;
}

TEST(RtfReader, FollowsCharacterStylesThroughGroups)
{
    const marovin::rtf::Document doc =
        parse("{\\rtf1 a{\\b b\\i c}d\\ul e\\ulnone f\\ul0\\fs40 g\\plain h\\b1 i\\b0 j}");
    ASSERT_EQ(doc.paragraphs.size(), 1u);
    using marovin::rtf::Style;
    struct Expected {
        const char* text;
        Style style;
    } const expected[] = {
        {"a", {}},
        {"b", {true, false, false, 24}},
        {"c", {true, true, false, 24}},
        {"d", {}},
        {"e", {false, false, true, 24}},
        {"f", {}},
        {"g", {false, false, false, 40}},
        {"h", {}},
        {"i", {true, false, false, 24}},
        {"j", {}},
    };
    const auto& runs = doc.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), std::size(expected));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].text, expected[i].text);
        EXPECT_TRUE(runs[i].style == expected[i].style) << "run " << i;
    }
}

TEST(RtfReader, SurvivesHostileInput)
{
    const std::string cases[] = {
        "{\\rtf1 {{{{ open",
        "}}}}} {\\rtf1 x}}}}",
        "{\\rtf1 \\'4",
        "{\\rtf1 \\'",
        "{\\rtf1 \\'zz",
        "{\\rtf1 \\",
        "{\\rtf1 \\u",
        "{\\rtf1 \\u-",
        "{\\rtf1 \\u99999999999999999999999999 x}",
        "{\\rtf1 \\u-99999999999999999 x}",
        "{\\rtf1 \\uc99999999 \\u65 abcdefghijklmnopqrstuvwxyz0123456789}",
        "{\\rtf1 \\fs-5 a\\fs999999999999 b}",
        "{\\rtf1 \\" + std::string(5000, 'a') + " x}",
        std::string(200000, '{') + "x" + std::string(200000, '}'),
        std::string("{\\rtf1 \0\x01\xff\x80 }", 13),
    };
    for (const std::string& input : cases) {
        const marovin::rtf::Document doc = parse(input);
        const std::string text = doc.plain_text();
        EXPECT_TRUE(is_utf8(text)) << input.substr(0, 60);
        EXPECT_EQ(text.find('\\'), std::string::npos) << input.substr(0, 60);
    }
    EXPECT_EQ(textOf(std::string(200000, '{') + "x" + std::string(200000, '}')), "x");
    EXPECT_EQ(textOf("{\\rtf1 \\u99999999999999999999999999?x}"), "\xef\xbf\xbdx");

    // Random soup of RTF's own characters.
    std::mt19937 random(7);
    const std::string alphabet = "{}\\\\\\'*uucbi0123456789-;? abpar";
    for (int round = 0; round < 2000; ++round) {
        std::string input;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i)
            input += alphabet[random() % alphabet.size()];
        EXPECT_TRUE(is_utf8(parse(input).plain_text())) << input;
    }
}

TEST(RtfReader, ReadsTheShippedManual)
{
    const marovin::Result<std::string> bytes = marovin::read_whole_file(MAROVIN_SOURCE_DIR "/Manual/KML_Help.rtf");
    ASSERT_TRUE(bytes) << bytes.error();
    const std::string_view rtf = *bytes;
    ASSERT_TRUE(marovin::rtf::looks_like_rtf(rtf));

    const marovin::rtf::Document doc = parse(rtf);
    const std::string text = doc.plain_text();
    for (const char* wanted : {"Marovin user manual", "Extract coordinates from seismic file (YES) or XY textfile (NO)",
                               "UTM32", "BD72", "L93", "SWISS", "LT72", "File.cvd", "File.cva", "convers",
                               "Label frequency", "Red", "Light grey", "Tervalo.ini", "Fichier 1"})
        EXPECT_NE(text.find(wanted), std::string::npos) << wanted;
    for (const char* unwanted : {"\\", "{", "}", "Arial", "Courier", "generator", "author"})
        EXPECT_EQ(text.find(unwanted), std::string::npos) << unwanted;
}

} // namespace
