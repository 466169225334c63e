#include "readers/textual_header.h"

#include "readers/seismic_header.h"
#include "support/scratch_folder.h"
#include "support/seismic_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// 40 cards of 80 characters: the text given, blanks after.
std::string block_of(const std::string& text, bool ebcdic)
{
    std::string block = text + std::string(3200 - text.size(), ' ');
    return ebcdic ? support::ebcdic(block) : block;
}

TEST(TextualHeader, CardsAreDecodedFromEitherCodeAndEndWithoutBlanks)
{
    const std::string first = "C 1 CLIENT: NORTH SEA SURVEY (2019) - LINE 12/3, EPSG:23031";
    const std::string second = "C 2 X,Y AT BYTES 181-184, 185-188 = CDP";
    const std::string text = first + std::string(80 - first.size(), ' ') + second;
    for (const bool ebcdic : {false, true}) {
        SCOPED_TRACE(ebcdic ? "EBCDIC" : "ASCII");
        const std::string block = block_of(text, ebcdic);
        EXPECT_EQ(marovin::is_ebcdic(block), ebcdic);
        const std::vector<std::string> cards = marovin::text_cards(block);
        ASSERT_EQ(cards.size(), 40u);
        EXPECT_EQ(cards[0], first);
        EXPECT_EQ(cards[1], second);
        EXPECT_EQ(cards[39], "");
    }
    // Bytes of no printable character are blanks; Latin-1 letters are
    // written in UTF-8.
    std::string ascii = block_of("C 1 ZONE \xE9T\xC9", false);
    ascii[3] = '\0';
    ascii[85] = '\x01';
    const std::vector<std::string> cards = marovin::text_cards(ascii);
    EXPECT_EQ(cards[0], "C 1 ZONE \xC3\xA9T\xC3\x89");
    EXPECT_EQ(cards[1], "");
}

TEST(TextualHeader, TheEndStanzaIsFoundWhateverItsCaseBlanksAndCode)
{
    const struct {
        const char* stanza;
        bool found;
    } cases[] = {
        {"((SEG: EndText))", true}, {"((  seg: endTEXt  ))", true}, {"(( SEG : END TEXT ))", true},
        {"((SEG: EndText)", false}, {"((SEG: EndTexts))", false},   {"(SEG: EndText)", false},
    };
    for (const auto& c : cases) {
        for (const bool ebcdic : {false, true}) {
            const std::string block = block_of(std::string(400, ' ') + c.stanza, ebcdic);
            EXPECT_EQ(marovin::holds_end_stanza(block), c.found) << c.stanza << (ebcdic ? " in EBCDIC" : "");
        }
    }
}

TEST(TextualHeader, AFileGivesItsTextualHeaderThenEachExtendedOne)
{
    support::ScratchFolder folder;
    const std::string path = (folder / "line.sgy").string();
    support::write_bytes(
        path,
        support::seismic_bytes(
            {.text_headers = 1, .text_blocks = 1, .text = "C 1 FIRST CARD", .text_in_ebcdic = true, .samples = {4}}));
    const marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(path);
    ASSERT_TRUE(file) << file.error();
    const std::vector<std::string> lines = file->textual_header();
    ASSERT_EQ(lines.size(), 81u); // 40 cards, a blank line, 40 cards
    EXPECT_EQ(lines[0], "C 1 FIRST CARD");
    EXPECT_EQ(lines[40], "");
}

} // namespace
