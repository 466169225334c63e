#include "conversion/seismic_choices.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using marovin::CoordinatePair;
using marovin::HeaderPosition;
using W = marovin::TraceWord;

HeaderPosition at(int byte) { return *HeaderPosition::at_byte(byte); }

// The window's texts: the captions as written, case included; any other
// text the default; the typed forms at any byte, or refused naming why.
TEST(SeismicChoices, TheWindowsTextsChooseTheirWordsOrNameWhatIsWrong)
{
    const struct {
        const char* text;
        std::optional<HeaderPosition> label; // nothing: refused
        const char* refusal = "";
    } labels[] = {
        {"FFID", W::FieldRecord},
        {"CDP", W::Ensemble},
        {"Trace", W::TraceSequence},
        {"SP", W::SourcePoint},
        {"Shot Point", W::SourcePoint},
        {"Inline", W::Inline},
        {"Crossline", W::Crossline},
        {".", W::Ensemble},
        {"", W::Ensemble},
        {"cdp", W::Ensemble},
        {"ffid", W::Ensemble},
        {"Shot point", W::Ensemble},
        {"Word at byte 5", at(5)},
        {"word at byte 237", at(237)},
        {"Word at byte 1", at(1)},
        {"Word at byte 238", std::nullopt, "byte 238 is outside the trace header"},
        {"Word at byte 0", std::nullopt, "byte 0 is outside the trace header"},
        {"Word at byte five", std::nullopt, "\"five\" is no byte of the trace header"},
    };
    for (const auto& c : labels) {
        const marovin::Result<HeaderPosition> label = marovin::label_of_caption(c.text);
        ASSERT_EQ(label.ok(), c.label.has_value()) << c.text;
        if (label)
            EXPECT_EQ(*label, *c.label) << c.text;
        else
            EXPECT_EQ(label.error().find(c.refusal), 0u) << label.error();
    }

    const struct {
        const char* text;
        std::optional<CoordinatePair> pair;
        const char* refusal = "";
    } pairs[] = {
        {"X,Y source coordinate", CoordinatePair{W::SourceX, W::SourceY}},
        {"X,Y receiver coordinate", CoordinatePair{W::GroupX, W::GroupY}},
        {"X,Y CDP coordinate", CoordinatePair{W::CdpX, W::CdpY}},
        {"x,y source coordinate", CoordinatePair{W::GroupX, W::GroupY}},
        {"", CoordinatePair{W::GroupX, W::GroupY}},
        {"X,Y at bytes 201,205", CoordinatePair{at(201), at(205)}},
        {" x,y AT BYTES 1 , 237 ", CoordinatePair{at(1), at(237)}},
        {"X,Y at bytes 201,238", std::nullopt, "byte 238 is outside the trace header"},
        {"X,Y at bytes 201", std::nullopt, "\"201\" names no two bytes"},
    };
    for (const auto& c : pairs) {
        const marovin::Result<CoordinatePair> pair = marovin::pair_of_caption(c.text);
        ASSERT_EQ(pair.ok(), c.pair.has_value()) << c.text;
        if (pair)
            EXPECT_EQ(*pair, *c.pair) << c.text;
        else
            EXPECT_EQ(pair.error().find(c.refusal), 0u) << pair.error();
    }
    EXPECT_EQ(marovin::typed_pair_caption({at(201), at(205)}), "X,Y at bytes 201,205");
    EXPECT_EQ(marovin::typed_label_caption(at(5)), "Word at byte 5");
    EXPECT_EQ(*marovin::pair_of_caption(marovin::typed_pair_caption({at(3), at(9)})), (CoordinatePair{at(3), at(9)}));
}

TEST(SeismicChoices, TheCommandsWordsTakeAnyCaseOrTheBytes)
{
    EXPECT_EQ(*marovin::label_of_word("ffid"), HeaderPosition(W::FieldRecord));
    EXPECT_EQ(*marovin::label_of_word("shot point"), HeaderPosition(W::SourcePoint));
    EXPECT_EQ(*marovin::label_of_word("INLINE"), HeaderPosition(W::Inline));
    EXPECT_EQ(*marovin::label_of_word("5"), at(5));
    EXPECT_EQ(*marovin::pair_of_word("CDP"), (CoordinatePair{W::CdpX, W::CdpY}));
    EXPECT_EQ(*marovin::pair_of_word("201,205"), (CoordinatePair{at(201), at(205)}));
    for (const char* refused : {"238", "0", "x", ".", ""})
        EXPECT_FALSE(marovin::label_of_word(refused)) << refused;
    for (const char* refused : {"201", "201,238", "east", "-1,5"})
        EXPECT_FALSE(marovin::pair_of_word(refused)) << refused;
    EXPECT_EQ(marovin::label_of_word("238").error().find("byte 238 is outside the trace header"), 0u);
}

} // namespace
