#include "shell/rtf_document.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

std::unique_ptr<QTextDocument> buildTextDocument(const marovin::rtf::Document& document)
{
    using marovin::rtf::Alignment;
    auto result = std::make_unique<QTextDocument>();
    QTextCursor cursor(result.get());
    bool first = true;
    for (const marovin::rtf::Paragraph& paragraph : document.paragraphs) {
        QTextBlockFormat block;
        switch (paragraph.alignment) {
        case Alignment::Left: block.setAlignment(Qt::AlignLeft); break;
        case Alignment::Centre: block.setAlignment(Qt::AlignHCenter); break;
        case Alignment::Right: block.setAlignment(Qt::AlignRight); break;
        case Alignment::Justify: block.setAlignment(Qt::AlignJustify); break;
        }
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        first = false;
        for (const marovin::rtf::Run& run : paragraph.runs) {
            QTextCharFormat format;
            format.setFontWeight(run.style.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.style.italic);
            format.setFontUnderline(run.style.underline);
            format.setFontPointSize(run.style.half_points / 2.0);
            QString text = QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size()));
            text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
            cursor.insertText(text, format);
        }
    }
    return result;
}
