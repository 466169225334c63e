#include "qt_support.h"
#include "shell/info_view.h"

#include <QApplication>
#include <QFile>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <string>

namespace {

// A KML document of `points` placemarks, every fifth labelled, with the line
// count it has.
struct KmlText {
    QByteArray bytes;
    qint64 lines = 0;
};

KmlText kmlDocument(int points)
{
    KmlText kml;
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml>\r\n<Document>\r\n";
    kml.lines = 3;
    for (int i = 1; i <= points; ++i) {
        text += "<Placemark>\r\n";
        if (i % 5 == 0) {
            text += "<name>CDP " + std::to_string(i) + "</name>\r\n<description>Seismic line 1</description>\r\n";
            kml.lines += 2;
        }
        text += "<Point>\r\n<coordinates>6.1234567,45.7654321</coordinates>\r\n</Point>\r\n</Placemark>\r\n";
        kml.lines += 5;
    }
    text += "</Document>\r\n</kml>\r\n";
    kml.lines += 2;
    kml.bytes = QByteArray::fromStdString(text);
    return kml;
}

class InfoViewTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QtScratchFolder folder;
};

TEST_F(InfoViewTest, ALargeKmlFileIsShownByLinesAndScrollsToItsEnd)
{
    // Over 10 MB, so the file is read through its line index rather than
    // held whole.
    const KmlText kml = kmlDocument(100'000);
    ASSERT_GT(kml.bytes.size(), 10 * 1024 * 1024);
    const QString path = write(QStringLiteral("big.kml"), kml.bytes);

    InfoView view;
    view.resize(385, 273);
    view.show();
    const marovin::Status loaded = view.loadPlainTextFile(path);
    ASSERT_TRUE(loaded) << loaded.error();
    EXPECT_EQ(view.lineCount(), kml.lines);
    EXPECT_EQ(view.lineText(0), QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_EQ(view.lineText(3 + 4 * 5 + 7 - 1), QStringLiteral("</Placemark>"));
    EXPECT_EQ(view.lineText(3 + 5 + 1), QStringLiteral("<Point>")) << "line ends are not shown";
    EXPECT_EQ(view.lineText(kml.lines - 1), QStringLiteral("</kml>"));
    EXPECT_EQ(view.lineText(kml.lines), QString());
    EXPECT_EQ(view.firstVisibleLine(), 0);

    view.scrollToEnd();
    QApplication::processEvents();
    const qint64 first = view.firstVisibleLine();
    EXPECT_GT(first, 0);
    EXPECT_EQ(first + view.visibleLineCount(), kml.lines) << "the last line is the last one in view";

    EXPECT_EQ(view.text().toUtf8(), kml.bytes) << "the text is the file's, line ends included";
}

TEST_F(InfoViewTest, LineBreaksAndEncodingsAreReadAsTheFileHasThem)
{
    const QByteArray longLine = QByteArray(4095, 'a') + "\xC3\xA9" + QByteArray(5000, 'b');
    const struct {
        const char* name;
        QByteArray bytes;
        QStringList lines;
        QString text;
    } cases[] = {
        {"empty", "", {}, ""},
        {"one line, no line end", "12,600000,4500000", {"12,600000,4500000"}, "12,600000,4500000"},
        {"final line end adds no line", "a\nb\n", {"a", "b"}, "a\nb\n"},
        {"empty lines kept", "a\r\n\r\nb", {"a", "", "b"}, "a\r\n\r\nb"},
        {"latin-1 when not UTF-8",
         "Station \xE9t\xE9\n",
         {QString::fromUtf8("Station \xC3\xA9t\xC3\xA9")},
         QString::fromUtf8("Station \xC3\xA9t\xC3\xA9\n")},
        {"UTF-8",
         "\xC3\xA9"
         "cole\n",
         {QString::fromUtf8("\xC3\xA9"
                            "cole")},
         QString::fromUtf8("\xC3\xA9"
                           "cole\n")},
        // A line over the display limit is cut in pieces, never inside a
        // UTF-8 character.
        {"long line",
         longLine,
         {QString(4095, QLatin1Char('a')), QString::fromUtf8("\xC3\xA9") + QString(4094, QLatin1Char('b')),
          QString(906, QLatin1Char('b'))},
         QString::fromUtf8(longLine)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InfoView view;
        ASSERT_TRUE(view.loadPlainTextFile(write(QStringLiteral("case.txt"), c.bytes)));
        ASSERT_EQ(view.lineCount(), c.lines.size());
        for (int i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(view.lineText(i), c.lines[i]) << i;
        EXPECT_EQ(view.text(), c.text);
    }
}

TEST_F(InfoViewTest, AFileThatCannotBeShownLeavesTheViewAsItWas)
{
    InfoView view;
    ASSERT_TRUE(view.loadPlainTextFile(write(QStringLiteral("shown.txt"), "kept\n")));
    const QString missing = folder.filePath(QStringLiteral("missing.kml"));
    const struct {
        QString path;
        const char* mentions;
    } cases[] = {{missing, "missing.kml"}, {folder.path(), "folder"}, {QString(), "does not exist"}};
    for (const auto& c : cases) {
        const marovin::Status loaded = view.loadPlainTextFile(c.path);
        ASSERT_FALSE(loaded);
        EXPECT_NE(loaded.error().find(c.mentions), std::string::npos) << loaded.error();
        EXPECT_EQ(view.text(), QStringLiteral("kept\n"));
        EXPECT_EQ(view.lineCount(), 1);
    }
}

TEST_F(InfoViewTest, RichDocumentsAndPlainTextReplaceEachOther)
{
    InfoView view;
    auto document = std::make_unique<QTextDocument>();
    document->setHtml(QStringLiteral("<h1>Manual</h1><p>Press <b>HELP</b>.</p>"));
    view.showDocument(std::move(document));
    EXPECT_EQ(view.text(), QStringLiteral("Manual\nPress HELP."));
    EXPECT_EQ(view.lineCount(), 0);

    ASSERT_TRUE(view.loadPlainTextFile(write(QStringLiteral("pts.xyz"), "1;2;3\r\n")));
    EXPECT_EQ(view.text(), QStringLiteral("1;2;3\r\n"));

    view.setPlainText(QStringLiteral("1,2,3\r\n4,5,6"));
    EXPECT_EQ(view.lineCount(), 2);
    EXPECT_EQ(view.lineText(1), QStringLiteral("4,5,6"));
    EXPECT_EQ(view.text(), QStringLiteral("1,2,3\r\n4,5,6"));

    auto again = std::make_unique<QTextDocument>();
    again->setPlainText(QStringLiteral("Manual again"));
    view.showDocument(std::move(again));
    EXPECT_EQ(view.text(), QStringLiteral("Manual again"));
    view.clear();
    EXPECT_EQ(view.text(), QString());
}

} // namespace
