#include "shell/rtf_document.h"

#include "base/whole_file.h"

#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <string>

namespace {

using marovin::rtf::parse;

TEST(RtfDocument, BuildsAViewDocumentFromAnyParse)
{
    const std::string cases[] = {
        "{\\rtf1 a\\line b\\par\\qc c\\tab d}",
        "{\\rtf1 {{{{ open",
        "{\\rtf1 \\'4",
        "{\\rtf1 \\u-99999999999999999 x}",
        "{\\rtf1 \\fs-5 a\\fs999999999999 b}",
        std::string(200000, '{') + "x" + std::string(200000, '}'),
        std::string("{\\rtf1 \0\x01\xff\x80 }", 13),
    };
    for (const std::string& input : cases) {
        const marovin::rtf::Document doc = parse(input);
        const std::unique_ptr<QTextDocument> shown = buildTextDocument(doc);
        EXPECT_EQ(shown->toPlainText().toStdString(), doc.plain_text()) << input.substr(0, 60);
    }
}

TEST(RtfDocument, ShowsTheShippedManualWithItsTitleStyle)
{
    const marovin::Result<std::string> bytes = marovin::read_whole_file(MAROVIN_SOURCE_DIR "/Manual/KML_Help.rtf");
    ASSERT_TRUE(bytes) << bytes.error();
    const marovin::rtf::Document doc = parse(*bytes);

    const std::unique_ptr<QTextDocument> shown = buildTextDocument(doc);
    EXPECT_EQ(shown->blockCount(), int(doc.paragraphs.size()));
    const QTextBlock title = shown->firstBlock();
    EXPECT_EQ(title.text(), QStringLiteral("Marovin user manual"));
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(title.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(title.begin().fragment().charFormat().fontPointSize(), 16.0);
}

} // namespace
