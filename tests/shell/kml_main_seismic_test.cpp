#include "window_fixture.h"

#include "support/seismic_bytes.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

using support::Kind;

class SeismicTab : public WindowTest {
protected:
    // Seeds tab 3 with values no read would produce.
    void seedSentinels(KML_Main& w)
    {
        w.Text5->setText(QStringLiteral("five"));
        w.Text6->setText(QStringLiteral("six"));
        w.Text7->setText(QStringLiteral("seven"));
        w.Text8->setText(QStringLiteral("eight"));
        w.Check1->setChecked(false);
        w.Option2->setChecked(true);
    }

    QString makeFile(const QString& name, Kind kind, std::int16_t samples, std::int16_t scalar, double traces)
    {
        const QString file = path(name);
        support::write_seismic_file(fsPath(file), kind, samples, scalar, support::size_for(kind, samples, traces));
        return file;
    }
};

// Chosen through the dialog, as the user reads a file: the tab shows the
// header, a SEG-Y file sets swap bytes and the first option, an SU file
// clears swap bytes and leaves the options as they were.
TEST_F(SeismicTab, ChoosingAFileFillsTheTabAndArmsExtraction)
{
    const struct {
        const char* name;
        Kind kind;
        std::int16_t samples, scalar;
        int traces;
        bool checkedBefore; // Check1, before the read
        const char* scalarText;
        std::int64_t first; // bytes before the first trace
        bool swapBytes, option1;
    } cases[] = {
        {"line1.sgy", Kind::SegY, 1000, -100, 10, false, "-100", 3600, true, true},
        {"line1.su", Kind::Su, 500, 0, 25, true, "1", 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KML_Main& w = window();
        w.Input_Mode = QStringLiteral("SEGY");
        seedSentinels(w);
        w.Check1->setChecked(c.checkedBefore);
        const QString chosen = makeFile(QString::fromLatin1(c.name), c.kind, c.samples, c.scalar, c.traces);
        desktop.messages.clear();
        desktop.dialogAnswers.push_back(chosen);

        w.Command7_Click();
        EXPECT_EQ(w.Text4->text(), chosen);
        EXPECT_EQ(w.Text5->text(), QString::number(c.samples));
        EXPECT_EQ(w.Text6->text(), QString::number(c.traces));
        EXPECT_EQ(w.Text7->text(), QLatin1String(c.scalarText));
        EXPECT_EQ(w.Text8->text(), path(QStringLiteral("LINE1.KML")));
        EXPECT_EQ(w.Check1->isChecked(), c.swapBytes);
        EXPECT_EQ(w.Option1->isChecked(), c.option1);
        EXPECT_EQ(w.Option2->isChecked(), !c.option1); // seeded checked
        ASSERT_TRUE(w.Header);
        EXPECT_EQ(w.Header->layout().first, c.first);
        EXPECT_EQ(w.Header->layout().samples, c.samples);
        EXPECT_EQ(w.Header->traces(), c.traces);
        EXPECT_EQ(w.Header_File, chosen);
        EXPECT_EQ(KML_Main::backColour(w.Command1), QColor(224, 224, 224));
        EXPECT_TRUE(w.Command8->isEnabled());
        EXPECT_EQ(KML_Main::backColour(w.Command8), QColor(255, 0, 0));
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text, QStringLiteral("Remember to select the original geodesic system"));
        EXPECT_EQ(desktop.messages[0].title, QStringLiteral("Marovin"));
        EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Information);
        EXPECT_EQ(desktop.messages[0].buttons, Desktop::Buttons::Ok);
    }
}

TEST_F(SeismicTab, InTextModeTheRememberedFileLeavesTheTextRoadScalarAlone)
{
    KML_Main& w = window();
    w.Input_Mode = QStringLiteral("TEXT_XY");
    w.Text7->setText(QStringLiteral("1000"));
    w.Text4->setText(makeFile(QStringLiteral("line1.sgy"), Kind::SegY, 1000, -100, 10));

    ASSERT_TRUE(w.lecture_SU());
    EXPECT_EQ(w.Text7->text(), QStringLiteral("1000"));
    EXPECT_EQ(w.Header->scalar(), -100);
    EXPECT_EQ(w.Text6->text(), QStringLiteral("10"));
}

TEST_F(SeismicTab, AFailedReadChangesNothingAndCreatesNoFile)
{
    struct {
        const char* name;
        Kind kind;
        std::int16_t samples, scalar;
        double traces; // < 0: no file at all
    } const cases[] = {
        // The reader refuses the file (its reasons are the reader's tests'),
        // or the name is too short to make a KML name from.
        {"missing.sgy", Kind::SegY, 1000, 1, -1},
        {"scalar.su", Kind::Su, 500, INT16_MIN, 10},
        {"ab", Kind::SegY, 0, 0, -1},
    };
    for (const auto& c : cases) {
        for (const char* mode : {"SEGY", "TEXT_XY"}) {
            KML_Main& w = window();
            w.Input_Mode = QString::fromLatin1(mode);
            seedSentinels(w);
            const QString name = QString::fromLatin1(c.name);
            QString file = c.name == std::string("ab") ? name : path(name);
            if (c.traces > 0)
                makeFile(name, c.kind, c.samples, c.scalar, c.traces);
            const QStringList before = QDir(folder.path()).entryList(QDir::Files);
            w.Text4->setText(file);
            const WindowState seeded = WindowState::of(w);

            const marovin::Status read = w.lecture_SU();
            EXPECT_FALSE(read) << c.name;
            EXPECT_EQ(WindowState::of(w), seeded) << c.name << " in " << mode;
            EXPECT_TRUE(desktop.messages.empty()) << c.name;
            // Silent, as at start-up, but the tab's line says why.
            EXPECT_TRUE(w.Label15->text().startsWith(QStringLiteral("Not read: "))) << c.name;
            EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), before) << c.name;
        }
    }
}

TEST_F(SeismicTab, CancellingTheSeismicDialogChangesNothing)
{
    KML_Main& w = window();
    w.Input_Mode = QStringLiteral("SEGY");
    seedSentinels(w);
    const QString kept = makeFile(QStringLiteral("kept.sgy"), Kind::SegY, 1000, 1, 3);
    w.Text4->setText(kept);
    const WindowState before = WindowState::of(w);
    desktop.dialogAnswers.push_back(QString());

    w.Command7_Click();
    EXPECT_EQ(WindowState::of(w), before);
    EXPECT_TRUE(desktop.messages.empty());
    ASSERT_EQ(desktop.dialogs.size(), 1u);
    const Desktop::FileRequest& request = desktop.dialogs[0].request;
    EXPECT_FALSE(desktop.dialogs[0].save);
    EXPECT_EQ(request.title, QStringLiteral("Seismic file"));
    EXPECT_EQ(request.filter, QStringLiteral("Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|"));
    EXPECT_EQ(request.fileName, QStringLiteral("*.SGY"));
    EXPECT_EQ(QDir(request.initialDirectory), QDir(folder.path())); // the current file's folder
}

TEST_F(SeismicTab, TheDialogOpensInTheHomeFolderWithoutAUsableCurrentFile)
{
    KML_Main& w = window();
    for (const QString& current : {QString(), QStringLiteral("relative.sgy"), path(QStringLiteral("gone/x.sgy"))}) {
        w.Text4->setText(current);
        desktop.dialogAnswers.push_back(QString());
        w.Command7_Click();
        ASSERT_FALSE(desktop.dialogs.empty());
        EXPECT_EQ(desktop.dialogs.back().request.initialDirectory, QDir::homePath()) << current.toStdString();
        EXPECT_EQ(w.Text4->text(), current);
    }
}

TEST_F(SeismicTab, AChosenFileThatCannotBeReadIsExplainedAndKeptInTheBox)
{
    KML_Main& w = window();
    w.Input_Mode = QStringLiteral("SEGY");
    seedSentinels(w);
    w.Text4->setText(QStringLiteral("previous.sgy"));
    const QString missing = path(QStringLiteral("missing.sgy"));
    desktop.dialogAnswers.push_back(missing);

    w.Command7_Click();
    EXPECT_EQ(w.Text4->text(), missing);
    EXPECT_EQ(w.Text8->text(), QStringLiteral("eight"));
    EXPECT_FALSE(w.Command8->isEnabled());
    ASSERT_EQ(desktop.messages.size(), 1u);
    const auto& message = desktop.messages[0];
    EXPECT_EQ(message.title, QStringLiteral("Marovin"));
    EXPECT_EQ(message.icon, Desktop::Icon::Warning);
    EXPECT_TRUE(message.text.contains(missing)) << message.text.toStdString();
    EXPECT_TRUE(message.text.contains(QStringLiteral("does not exist"))) << message.text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
}

} // namespace

namespace {

// A file that names its system: the system box is set to it and the line
// says so; the "Information" tab shows the textual header under the line.
// One that names two systems, or none, leaves the box as it was. In text
// mode the tab keeps what it showed.
TEST_F(SeismicTab, TheSystemTheTextualHeaderNamesIsChosenAndTheHeaderShown)
{
    const struct {
        const char* text;
        const char* mode;
        const char* system; // the box after the read
        const char* said;   // the end of the tab's line
    } cases[] = {
        {"C 7 ED50 UTM ZONE 31N", "SEGY", "EPSG:23031",
         ", system EPSG:23031, ED50 / UTM zone 31N, from the textual header"},
        {"C 7 EPSG:23031 OR WGS84 UTM 32N", "SEGY", "UTM32", ", scalar word 0"},
        {"C 7 NO SYSTEM", "SEGY", "UTM32", ", scalar word 0"},
        {"C 7 ED50 UTM ZONE 31N", "TEXT_XY", "EPSG:23031", "from the textual header"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        KML_Main& w = window();
        w.Input_Mode = QString::fromLatin1(c.mode);
        w.Combo6->setEditText(QStringLiteral("UTM32"));
        w.RichTextBox1->setPlainText(QStringLiteral("the manual"));
        const QString file = path(QStringLiteral("named.sgy"));
        writeBytes(file, QByteArray::fromStdString(
                             support::seismic_bytes({.text = c.text, .text_in_ebcdic = true, .samples = {4, 4}})));
        w.Text4->setText(file);
        desktop.messages.clear();
        ASSERT_TRUE(w.lecture_SU());
        EXPECT_EQ(w.Combo6->currentText(), QLatin1String(c.system));
        EXPECT_TRUE(w.Label15->text().endsWith(QLatin1String(c.said))) << w.Label15->text().toStdString();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_TRUE(
            desktop.messages[0].text.startsWith(QStringLiteral("Remember to select the original geodesic system")));
        EXPECT_EQ(desktop.messages[0].text.contains(QStringLiteral("EPSG:23031 (ED50 / UTM zone 31N)")),
                  QLatin1String(c.system) == QLatin1String("EPSG:23031"));
        if (QLatin1String(c.mode) == QLatin1String("TEXT_XY")) {
            EXPECT_EQ(w.RichTextBox1->text(), QStringLiteral("the manual"));
            continue;
        }
        const QStringList shown = w.RichTextBox1->text().split(QLatin1Char('\n'));
        ASSERT_GE(shown.size(), 42);
        EXPECT_EQ(shown[0], w.Label15->text());
        EXPECT_EQ(shown[1], QString());
        EXPECT_EQ(shown[2], QLatin1String(c.text));
    }
}

} // namespace
