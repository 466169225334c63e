#include "qt_support.h"
#include "window_fixture.h"
#include "shell/info_view.h"
#include "shell/qt_desktop.h"
#include "shell/tab_control.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <string>
#include <tuple>
#include <vector>

namespace {

QStringList entries(const QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

class StartupTest : public WindowTest {
protected:
    void installManual()
    {
        QDir().mkpath(programDir + QStringLiteral("/Manual"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(MAROVIN_SOURCE_DIR "/Manual/KML_Help.rtf"),
                                programDir + QStringLiteral("/Manual/KML_Help.rtf")));
    }

    QString defaultPath() const { return programDir + QStringLiteral("/samples/aire.su"); }
};

// A new user's first start: no Tervalo.ini, the sample line in the program
// folder. Yes shows the seismic tab filled from the sample line, its
// extraction the step to take; No the text tab, the scalar left at 1 and the
// text road's first step red. The header is read in both.
TEST_F(StartupTest, TheAnswerChoosesTheRoadAndItsTab)
{
    QDir().mkpath(programDir + QStringLiteral("/samples"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/aire.su"), defaultPath()));
    const struct {
        Desktop::Answer answer;
        Input_Mode mode;
        int tab;
        const char* scalar;
        const char* next; // the red step
    } cases[] = {
        {Desktop::Answer::Yes, Input_Mode::SEGY, 3, "-100", "Command8"},
        {Desktop::Answer::No, Input_Mode::TEXT_XY, 0, "1", "Command1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tab);
        ScriptedDesktop scripted;
        scripted.answers.push_back(c.answer);
        KML_Main w(scripted, programDir, user, converter);
        w.Form_Load();
        const FormDriver f(w);
        EXPECT_EQ(w.roadState().mode, c.mode);
        EXPECT_EQ(f.tab(), c.tab);
        // The tab of the other road stays closed afterwards.
        f.tabs().setCurrentIndex(3 - c.tab);
        EXPECT_EQ(f.tab(), c.tab);
        EXPECT_EQ(f.text("Text4").text(), defaultPath());
        EXPECT_EQ(f.text("Text5").text(), QStringLiteral("250"));
        EXPECT_EQ(f.text("Text7").text(), QLatin1String(c.scalar));
        EXPECT_TRUE(f.isStep(c.next, StepColour::Red));

        ASSERT_EQ(scripted.messages.size(), 2u);
        const ScriptedDesktop::Message& question = scripted.messages.front();
        EXPECT_EQ(question.text, QStringLiteral("Extract coordinates from seismic file (YES) or XY textfile (NO)"));
        EXPECT_EQ(question.title, QStringLiteral("Marovin"));
        EXPECT_EQ(question.icon, Desktop::Icon::None);
        EXPECT_EQ(question.buttons, Desktop::Buttons::YesNo);
        EXPECT_EQ(scripted.messages[1].text, QStringLiteral("Remember to select the original geodesic system"));
    }
}

// Start-up fills the lists (appendComboEntries) under the texts the form
// gave the boxes, which stay as they were, selected where the list holds
// them; filling is no edit.
TEST_F(StartupTest, FillsTheComboListsAndKeepsTheDefaultTexts)
{
    const FormDriver& f = form();
    const struct {
        QComboBox* combo;
        const char* text;
        int entryOfText;
        QStringList list;
    } cases[] = {
        {&f.combo("Combo1"), "X,Y,Z", 2, {"Number,X,Y,Z", "Number,X,Y", "X,Y,Z", "X,Y", "SPS"}},
        {&f.combo("Combo2"),
         "UTM32",
         4,
         {"WGS84", "ED50", "UTM30", "UTM31", "UTM32", "UTM30E", "UTM31E", "UTM32E", "SWISS", "NTF", "LT93", "LT72",
          "LT1", "LT2", "LT3", "LT4", "L93"}},
        {&f.combo("Combo3"), "Station", 0, {"Station", "CDP", "CMP", "Geophone", "Shot Point", ""}},
        {&f.combo("Combo7"), "CDP", 2, {".", "FFID", "CDP", "Trace", "Shot Point", "", "Inline", "Crossline"}},
        {&f.combo("Combo4"), "5", 2, {"1", "2", "5", "10", "25"}},
        {&f.combo("Combo8"), "5", 2, {"1", "2", "5", "10", "25"}},
        {&f.combo("Combo5"),
         "X,Y receiver coordinate",
         1,
         {"X,Y source coordinate", "X,Y receiver coordinate", "X,Y CDP coordinate"}},
        {&f.combo("Combo6"),
         "UTM32",
         13,
         {"WGS84", "ED50", "NTF", "LT1", "LT2", "LT3", "LT4", "LT93", "UTM30E", "UTM31E", "UTM32E", "UTM30", "UTM31",
          "UTM32", "SWISS", "LT72", "BD72"}},
    };
    int textChanges = 0;
    for (const auto& c : cases)
        QObject::connect(c.combo, &QComboBox::editTextChanged, [&] { ++textChanges; });
    window().Form_Load();
    EXPECT_EQ(textChanges, 0) << "filling the lists is not an edit";
    for (const auto& c : cases) {
        EXPECT_EQ(entries(c.combo), c.list) << c.text;
        EXPECT_EQ(c.combo->currentText(), QLatin1String(c.text));
        EXPECT_EQ(c.combo->currentIndex(), c.entryOfText) << c.text;
    }
    // A text that is not in the list survives a later append too.
    f.combo("Combo2").setEditText(QStringLiteral("MyGrid"));
    appendComboEntries(&f.combo("Combo2"), {QStringLiteral("EXTRA")});
    EXPECT_EQ(f.combo("Combo2").currentText(), QStringLiteral("MyGrid"));
    EXPECT_EQ(f.combo("Combo2").currentIndex(), -1);
    // Picking the empty last entry leaves the box empty; picking another
    // shows it.
    f.combo("Combo3").setCurrentIndex(f.combo("Combo3").count() - 1);
    EXPECT_EQ(f.combo("Combo3").currentText(), QString());
    f.combo("Combo7").setCurrentIndex(3);
    EXPECT_EQ(f.combo("Combo7").currentText(), QStringLiteral("Trace"));
}

TEST_F(StartupTest, ReadsTheRememberedSeismicFile)
{
    const QByteArray longPath = "/data/" + QByteArray(114, 'x') + ".sgy"; // 122 characters
    struct {
        const char* what;
        QByteArray ini; // empty: no file
        QString text4;
    } const cases[] = {
        {"no file", {}, defaultPath()},
        {"no key", "[TERVALO]\r\nFichier 2=/a.su\r\n", defaultPath()},
        {"empty value stays empty", "[TERVALO]\r\nFichier 1=\r\n", QString()},
        {"long value cut to 89 characters", "[TERVALO]\r\nFichier 1=" + longPath + "\r\n",
         QString::fromLatin1(longPath.left(89))},
    };
    for (const auto& c : cases) {
        QFile::remove(iniPath);
        if (!c.ini.isEmpty())
            writeBytes(iniPath, c.ini);
        ScriptedDesktop scripted;
        KML_Main w(scripted, programDir, user, converter);
        w.Form_Load();
        EXPECT_EQ(FormDriver(w).text("Text4").text(), c.text4) << c.what;
    }
}

TEST_F(StartupTest, ClosingWithoutAnIniFileCreatesIt)
{
    KML_Main& w = start(Desktop::Answer::No);
    ASSERT_FALSE(QFile::exists(iniPath));
    w.close();
    EXPECT_EQ(readBytes(iniPath), "[TERVALO]\r\nFichier 1=" + QFile::encodeName(defaultPath()) + "\r\n");
}

// The companion's file is changed only by a path the user chose: a stored
// path in another 8-bit code page, or longer than the 89 characters Text4 is
// given, survives a start and a close byte for byte, in both roads.
TEST_F(StartupTest, AStoredPathTheUserLeftAloneStaysByteForByte)
{
    const QByteArray path110 = "/data/" + QByteArray(100, 'l') + ".sgy";
    ASSERT_EQ(path110.size(), 110);
    const QByteArray files[] = {
        "[TERVALO]\r\nFichier 1=/home/marc/donn\xe9"
        "es/ligne 1.sgy\r\n",
        "; Tervalo\r\n[TERVALO]\r\nFichier 1=" + path110 + "\r\nFichier 2=x\r\n",
        "[OTHER]\rk=v\r[TERVALO]\rFichier 1=/a/\xff\xfe.su\r",
        "[TERVALO]\nFichier 1=\n",
    };
    for (const QByteArray& stored : files) {
        for (const Desktop::Answer answer : {Desktop::Answer::Yes, Desktop::Answer::No}) {
            SCOPED_TRACE(stored.toStdString());
            writeBytes(iniPath, stored);
            ScriptedDesktop scripted;
            scripted.answers.push_back(answer);
            {
                KML_Main w(scripted, programDir, user, converter);
                w.Form_Load();
                w.close();
            }
            EXPECT_EQ(readBytes(iniPath), stored);
        }
    }
}

// A path the user chose is stored as the file system names it, in the one
// entry of the companion's file, which keeps its other bytes.
TEST_F(StartupTest, APathTheUserChoseIsStoredAsTheFileSystemNamesIt)
{
    const QByteArray companion = "; Tervalo settings\r[GENERAL]\rFichier 1=not this one\r"
                                 "[Tervalo]\r  fichier 1 = /data/donn\xe9"
                                 "es/a.su \rFichier 2=/old/b.sgy\r[NEXT]\r";
    writeBytes(iniPath, companion);
    const QString chosen = QStringLiteral("/data/donn\u00e9es/\u00e9t\u00e9 2.sgy");
    KML_Main& w = start(Desktop::Answer::Yes);
    form().text("Text4").setText(chosen); // as the file picker would
    w.close();
    QByteArray expected = companion;
    expected.replace("/data/donn\xe9"
                     "es/a.su ",
                     QFile::encodeName(chosen));
    EXPECT_EQ(readBytes(iniPath), expected);

    ScriptedDesktop again;
    KML_Main next(again, programDir, user, converter);
    next.Form_Load();
    EXPECT_EQ(FormDriver(next).text("Text4").text(), chosen);
}

TEST_F(StartupTest, AFolderInPlaceOfTheIniFileGivesTheDefaultAndStaysAFolder)
{
    ASSERT_TRUE(QDir().mkpath(iniPath));
    KML_Main& w = start(Desktop::Answer::Yes);
    EXPECT_EQ(form().text("Text4").text(), defaultPath());
    form().text("Text4").setText(QStringLiteral("/data/b.sgy"));
    w.close();
    EXPECT_TRUE(QFileInfo(iniPath).isDir());
}

TEST_F(StartupTest, AFailedWriteLeavesTheCompanionFileAlone)
{
    writeBytes(iniPath, "[TERVALO]\r\nFichier 1=/a.su\r\nOther=1\r\n");
    KML_Main& w = start(Desktop::Answer::Yes);
    // A line break would smuggle new entries into the shared file.
    form().text("Text4").setText(QStringLiteral("/b.su\r\n[EVIL]"));
    w.Form_Unload();
    EXPECT_EQ(readBytes(iniPath), "[TERVALO]\r\nFichier 1=/a.su\r\nOther=1\r\n");
}

// The question through Qt's own message box, answered as a user in a hurry
// would: with Enter, which presses the default button. That is Yes, the
// seismic road; the reminder box that follows is closed by Enter too.
TEST_F(StartupTest, EnterOnTheRealQuestionBoxChoosesTheSeismicRoad)
{
    QDir().mkpath(programDir + QStringLiteral("/samples"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/aire.su"), defaultPath()));
    struct Seen {
        QString text;
        QString defaultButton;
    };
    std::vector<Seen> seen;
    QPointer<QMessageBox> pressed;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (box == pressed) { // Enter did not close it: end it so the test can fail
            box->reject();
            return;
        }
        QAbstractButton* byDefault = box->defaultButton();
        seen.push_back({box->text(), byDefault ? byDefault->text().remove(QLatin1Char('&')) : QString()});
        pressed = box;
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    driver.start(20);

    QtDesktop real;
    KML_Main w(real, programDir, user, converter);
    w.Form_Load();
    driver.stop();

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, QStringLiteral("Extract coordinates from seismic file (YES) or XY textfile (NO)"));
    EXPECT_EQ(seen[0].defaultButton, QStringLiteral("Yes"));
    EXPECT_EQ(seen[1].text, QStringLiteral("Remember to select the original geodesic system"));
    EXPECT_EQ(w.roadState().mode, Input_Mode::SEGY);
    EXPECT_EQ(FormDriver(w).tab(), 3);
}

TEST_F(StartupTest, HelpShowsTheManualAgainOnTheInformationTab)
{
    installManual();
    start(Desktop::Answer::No);
    const FormDriver& f = form();
    EXPECT_TRUE(f.info().text().startsWith(QStringLiteral("Marovin user manual")));
    EXPECT_EQ(f.tab(), 0) << "loading the manual does not change the tab";

    // Another file shown on the Information tab, then HELP.
    writeBytes(path(QStringLiteral("pts.xyz")), "1,2,3\r\n");
    ASSERT_TRUE(f.info().loadPlainTextFile(path(QStringLiteral("pts.xyz"))));
    f.click("Command6");
    EXPECT_TRUE(f.info().text().startsWith(QStringLiteral("Marovin user manual")));
    EXPECT_TRUE(f.info().text().contains(QStringLiteral("Label frequency")));
    EXPECT_EQ(f.tab(), 2);
    EXPECT_TRUE(desktop.messages.empty());
}

// The seismic road never shows HELP, and its header read replaces the
// manual: the link above the header's text leads back to it in one click.
TEST_F(StartupTest, TheManualIsOneClickAwayAboveAnyOtherText)
{
    installManual();
    QDir().mkpath(programDir + QStringLiteral("/samples"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/aire.su"), defaultPath()));
    start(Desktop::Answer::Yes);
    const FormDriver& f = form();
    f.tabs().setCurrentIndex(2);
    ASSERT_TRUE(f.info().text().startsWith(QStringLiteral("SU, little-endian")));
    auto* link = f.info().findChild<QLabel*>(QStringLiteral("topLink"));
    ASSERT_TRUE(link && link->isVisibleTo(&f.info()));
    EXPECT_EQ(link->text(), QStringLiteral("<a href=\"#\">Show the manual</a>"));
    emit link->linkActivated(QStringLiteral("#"));
    EXPECT_TRUE(f.info().text().startsWith(QStringLiteral("Marovin user manual")));
    EXPECT_EQ(f.tab(), 2);
}

// Without the manual the start is silent; HELP names the missing file.
TEST_F(StartupTest, WithoutTheManualStartsSilentlyAndHelpNamesTheMissingFile)
{
    desktop.answers.push_back(Desktop::Answer::No);
    window().Form_Load();
    EXPECT_EQ(desktop.messages.size(), 1u) << "only the input-road question";
    const FormDriver& f = form();
    EXPECT_TRUE(f.info().text().isEmpty());
    writeBytes(path(QStringLiteral("pts.xyz")), "1,2,3\r\n");
    ASSERT_TRUE(f.info().loadPlainTextFile(path(QStringLiteral("pts.xyz"))));
    f.click("Command6");
    ASSERT_EQ(desktop.messages.size(), 2u);
    const ScriptedDesktop::Message& message = desktop.messages.back();
    EXPECT_EQ(message.title, QStringLiteral("Marovin"));
    EXPECT_TRUE(message.text.contains(programDir + QStringLiteral("/Manual/KML_Help.rtf")))
        << message.text.toStdString();
    EXPECT_EQ(message.buttons, Desktop::Buttons::Ok);
    EXPECT_EQ(f.info().text(), QStringLiteral("1,2,3\r\n")) << "the view keeps what it showed";
    EXPECT_EQ(f.tab(), 0);
}

// A first start of an installed copy: the window's folder is prefix/bin, the
// sample line sits read-only in prefix/share/marovin/samples, where no KML
// file can be written beside it.
class InstalledFirstStartTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        programDir = path(QStringLiteral("prefix/bin"));
        QDir().mkpath(programDir);
        installed = path(QStringLiteral("prefix/share/marovin/samples"));
        QDir().mkpath(installed);
        for (const char* name : {"aire.su", "stations.xyz"}) {
            const QString copy = installed + QLatin1Char('/') + QLatin1String(name);
            ASSERT_TRUE(QFile::copy(QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/") + QLatin1String(name), copy));
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }

    const FormDriver& startOnTheSeismicRoad()
    {
        start(Desktop::Answer::Yes);
        return form();
    }

    QString installed;
};

TEST_F(InstalledFirstStartTest, StartsOnTheUsersOwnCopyOfTheSampleLine)
{
    const FormDriver& f = startOnTheSeismicRoad();
    EXPECT_EQ(f.text("Text4").text(), user.sampleCopy + QStringLiteral("/aire.su"));
    EXPECT_EQ(f.text("Text6").text(), QStringLiteral("300"));
    EXPECT_EQ(f.text("Text8").text(), user.sampleCopy + QStringLiteral("/AIRE.KML"));
    for (const char* name : {"aire.su", "stations.xyz"}) {
        SCOPED_TRACE(name);
        const QString copy = user.sampleCopy + QLatin1Char('/') + QLatin1String(name);
        EXPECT_EQ(readBytes(copy), readBytes(installed + QLatin1Char('/') + QLatin1String(name)));
        EXPECT_TRUE(QFile::permissions(copy) & QFile::WriteOwner) << "the user's copy is the user's to change";
    }
}

TEST_F(InstalledFirstStartTest, AnExistingCopyIsKeptAsItIs)
{
    QDir().mkpath(user.sampleCopy);
    writeBytes(user.sampleCopy + QStringLiteral("/aire.su"), "the user's own aire.su");
    const FormDriver& f = startOnTheSeismicRoad();
    EXPECT_EQ(f.text("Text4").text(), user.sampleCopy + QStringLiteral("/aire.su"));
    EXPECT_EQ(readBytes(user.sampleCopy + QStringLiteral("/aire.su")), "the user's own aire.su");
    EXPECT_TRUE(QFile::exists(user.sampleCopy + QStringLiteral("/stations.xyz"))) << "missing ones are added";
}

TEST_F(InstalledFirstStartTest, WithoutRoomForACopyTheInstalledLineIsStillRead)
{
    writeBytes(path(QStringLiteral("data")), "a file where the data folder would be");
    user.sampleCopy = path(QStringLiteral("data/marovin/samples"));
    const FormDriver& f = startOnTheSeismicRoad();
    EXPECT_EQ(f.text("Text4").text(), installed + QStringLiteral("/aire.su"));
    EXPECT_EQ(f.text("Text6").text(), QStringLiteral("300"));
}

} // namespace

namespace {

// Each run writes its own header block naming its system: an edit of the
// system box writes nothing, anywhere.
TEST_F(WindowTest, AnEditOfTheSystemBoxWritesNothing)
{
    start(Desktop::Answer::No);
    const auto everything = [this] {
        QStringList files;
        for (QDirIterator it(path(QString()), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            files << it.next();
        files.sort();
        return files;
    };
    const QStringList before = everything();
    for (const char* system : {"LT93", "UTM31", ""}) {
        form().combo("Combo2").setEditText(QString::fromLatin1(system)); // Combo2_Change
        window().Transform_System();
    }
    EXPECT_EQ(everything(), before);
}

TEST_F(WindowTest, TabRuleKeepsTheOtherRoadClosedForClicksAndOperations)
{
    const struct {
        Desktop::Answer road;
        int selected;
        int shown;
    } cases[] = {
        {Desktop::Answer::Yes, 0, 3}, {Desktop::Answer::Yes, 1, 1}, {Desktop::Answer::Yes, 2, 2},
        {Desktop::Answer::Yes, 3, 3}, {Desktop::Answer::No, 3, 0},  {Desktop::Answer::No, 1, 1},
        {Desktop::Answer::No, 2, 2},  {Desktop::Answer::No, 0, 0},
    };
    for (const auto& c : cases) {
        ScriptedDesktop scripted;
        scripted.answers.push_back(c.road);
        KML_Main w(scripted, programDir, user, converter);
        w.Form_Load();
        const FormDriver f(w);
        f.tabs().setCurrentIndex(c.selected == 1 ? 2 : 1); // start from another tab
        f.tabs().setCurrentIndex(c.selected);
        EXPECT_EQ(f.tab(), c.shown) << (c.road == Desktop::Answer::Yes) << " selecting " << c.selected;
    }
}

} // namespace
