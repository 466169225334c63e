#include "qt_support.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <cerrno>
#include <cstring>

class ExchangeTest : public WindowTest {
protected:
    // A stand-in converter in the test's program folder; the run itself is
    // faked through the desktop.
    void placeConverter()
    {
        QFile file(window().converterPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
    }

    // The result file in the window's job folder (made here, before the
    // launch makes it).
    QString resultPath()
    {
        EXPECT_TRUE(window().makeJobFolder());
        return window().jobFile(QStringLiteral("File.cva"));
    }
};

namespace {

// Each run writes its own header block: an edit of the system box between
// runs writes nothing, in the job folder or anywhere else.
TEST_F(ExchangeTest, AnEditOfTheSystemBoxWritesNothing)
{
    KML_Main& w = window();
    ASSERT_TRUE(w.makeJobFolder());
    writeBytes(w.jobFile(QStringLiteral("File.cvd")), "an earlier job\r\n");
    const auto everything = [this] {
        QStringList files;
        for (QDirIterator it(path(QString()), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next());
            files << it.filePath() + QLatin1Char('=') + (file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
        }
        files.sort();
        return files;
    };
    const QStringList before = everything();
    for (const char* system : {"LT93", "UTM31", ""}) {
        w.Combo2->setEditText(QString::fromLatin1(system)); // Combo2_Change
        w.Transform_System();
    }
    EXPECT_EQ(everything(), before);
}

TEST_F(ExchangeTest, SuccessfulRunShowsConversionDone)
{
    KML_Main& w = window();
    placeConverter();
    desktop.fakeProgramRun = [this](const ScriptedDesktop::Launch&) {
        writeBytes(resultPath(), "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
        return Desktop::ProgramRun{true, 0, {}};
    };
    EXPECT_TRUE(w.launchConverter());

    ASSERT_EQ(desktop.launches.size(), 1u);
    const auto& launch = desktop.launches.front();
    EXPECT_EQ(launch.program, w.converterPath());
    EXPECT_EQ(launch.arguments, QStringList{QDir::toNativeSeparators(w.jobFile(QStringLiteral("File.cvd")))});
    EXPECT_EQ(launch.workingDirectory, QFileInfo(w.jobFile(QStringLiteral("File.cvd"))).path());
    EXPECT_TRUE(w.jobFile(QStringLiteral("File.cvd")).startsWith(user.jobRoot + QStringLiteral("/window-")));
    EXPECT_EQ(desktop.busyChanges, (std::vector<bool>{true, false}));

    ASSERT_EQ(desktop.messages.size(), 1u);
    const auto& m = desktop.messages.front();
    EXPECT_EQ(m.text, QStringLiteral("Conversion done !"));
    EXPECT_EQ(m.title, QStringLiteral("Marovin"));
    EXPECT_EQ(m.icon, Desktop::Icon::Information);
    EXPECT_EQ(m.buttons, Desktop::Buttons::Ok);
}

TEST_F(ExchangeTest, FailedRunsSayWhatWentWrongAndNeverUseAnOldResult)
{
    struct Case {
        const char* name;
        Desktop::ProgramRun run;
        bool writesResult;
        const char* says;
    };
    const Case cases[] = {
        {"error line",
         {true, 2, "warning: grids missing\nline 9: cannot read the number \"6OOOOO\"\n"},
         false,
         "The conversion failed: line 9: cannot read the number \"6OOOOO\""},
        {"error without a word", {true, 1, {}}, false, "The conversion failed: the converter stopped with status 1."},
        {"error after a result", {true, 3, "unknown system \"XYZ\""}, true, "unknown system \"XYZ\""},
        {"no result", {true, 0, {}}, false, "ended without writing its result"},
        {"not started", {false, -1, {}}, false, "could not be started"},
    };
    for (const Case& c : cases) {
        KML_Main& w = window();
        placeConverter();
        desktop.messages.clear();
        desktop.busyChanges.clear();
        // A result of an earlier job is there before every launch.
        writeBytes(resultPath(), "old result\r\n");
        bool resultSeenAtLaunch = true;
        desktop.fakeProgramRun = [&](const ScriptedDesktop::Launch&) {
            resultSeenAtLaunch = QFileInfo::exists(resultPath());
            if (c.writesResult)
                writeBytes(resultPath(), "new\r\n");
            return c.run;
        };
        EXPECT_FALSE(w.launchConverter()) << c.name;
        EXPECT_FALSE(resultSeenAtLaunch) << c.name << ": the old result was removed before the launch";
        EXPECT_EQ(desktop.busyChanges, (std::vector<bool>{true, false})) << c.name;
        ASSERT_EQ(desktop.messages.size(), 1u) << c.name;
        const auto& m = desktop.messages.front();
        EXPECT_TRUE(m.text.contains(QString::fromUtf8(c.says))) << c.name << ": " << m.text.toStdString();
        EXPECT_NE(m.text, QStringLiteral("Conversion done !"));
        EXPECT_EQ(m.title, QStringLiteral("Marovin"));
        EXPECT_EQ(m.icon, Desktop::Icon::Critical);
    }
}

TEST_F(ExchangeTest, MissingConverterIsNamedAndNothingRuns)
{
    KML_Main& w = window();
    writeBytes(resultPath(), "old result\r\n");
    EXPECT_FALSE(w.launchConverter());
    EXPECT_TRUE(desktop.launches.empty());
    EXPECT_TRUE(desktop.busyChanges.empty());
    EXPECT_FALSE(QFileInfo::exists(resultPath())); // the stale result is gone all the same
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages.front().text.contains(QDir::toNativeSeparators(w.converterPath())))
        << desktop.messages.front().text.toStdString();
    EXPECT_TRUE(desktop.messages.front().text.contains(QStringLiteral("missing")));
    EXPECT_EQ(desktop.messages.front().title, QStringLiteral("Marovin"));
}

} // namespace

// The converter's job and result files live in a folder of the window's own
// under the user's job folder: never in the program folder, never shared by
// two windows.
namespace {

class JobFolderTest : public WindowTest {
protected:
    // The text road up to Command9 for the points of `content` ("X,Y" lines
    // in WGS84 degrees, which the converter gives back as they are), chosen
    // through Command1; the selection's messages are cleared.
    void textRoad(KML_Main& w, ScriptedDesktop& scripted, const QString& name, const QByteArray& content)
    {
        writeBytes(path(name), content);
        w.Input_Mode = QStringLiteral("TEXT_XY");
        scripted.dialogAnswers.push_back(path(name));
        w.Command1_Click();
        scripted.messages.clear();
        w.Combo1->setEditText(QStringLiteral("X,Y"));
        w.Combo2->setEditText(QStringLiteral("WGS84"));
    }

    void useRealConverter()
    {
        const QString converter = QStringLiteral(MAROVIN_PROGRAM_DIR "/convers");
        ASSERT_TRUE(QFile::copy(converter, programDir + QStringLiteral("/convers")));
        QFile::setPermissions(programDir + QStringLiteral("/convers"), QFile::permissions(converter));
    }

    static QString folderOf(const KML_Main& w) { return QFileInfo(w.jobFile(QStringLiteral("File.cvd"))).path(); }
};

TEST_F(JobFolderTest, TwoWindowsOfOneUserConvertIntoTheirOwnFolders)
{
    useRealConverter();
    KML_Main& first = window();
    ScriptedDesktop otherDesktop;
    KML_Main second(otherDesktop, programDir, user);
    textRoad(first, desktop, QStringLiteral("first.xy"), "9.125,48.25\r\n9.5,48.75\r\n");
    textRoad(second, otherDesktop, QStringLiteral("second.xy"), "2.25,45.5\r\n");

    // Between the first window's job and its converter run, the second
    // window runs a whole conversion of its own.
    desktop.fakeProgramRun = [&](const ScriptedDesktop::Launch& launch) {
        second.Command9_Click();
        return QtDesktop().runProgram(launch.program, launch.arguments, launch.workingDirectory);
    };
    first.Command9_Click();

    ASSERT_EQ(second.Nb_Points(), 1) << otherDesktop.messageTexts().join('\n').toStdString();
    EXPECT_NEAR(second.Point_Table.longitude()[0], 2.25, 1e-9);
    EXPECT_NEAR(second.Point_Table.latitude()[0], 45.5, 1e-9);
    ASSERT_EQ(first.Nb_Points(), 2) << desktop.messageTexts().join('\n').toStdString();
    EXPECT_NEAR(first.Point_Table.longitude()[0], 9.125, 1e-9);
    EXPECT_NEAR(first.Point_Table.latitude()[1], 48.75, 1e-9);
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});

    EXPECT_NE(folderOf(first), folderOf(second));
    for (const KML_Main* w : {&first, &second}) {
        EXPECT_TRUE(folderOf(*w).startsWith(user.jobRoot + QStringLiteral("/window-"))) << folderOf(*w).toStdString();
        EXPECT_TRUE(QFileInfo::exists(w->jobFile(QStringLiteral("File.cva"))));
    }
    EXPECT_EQ(QDir(programDir).entryList(QDir::Files), QStringList{QStringLiteral("convers")})
        << "nothing is written into the program folder";
}

TEST_F(JobFolderTest, TheFolderIsMadeAtTheFirstConversionAndGoesWithItsWindow)
{
    ScriptedDesktop scripted;
    auto w = std::make_unique<KML_Main>(scripted, programDir, user);
    EXPECT_TRUE(w->jobFile(QStringLiteral("File.cvd")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(user.jobRoot)) << "opening a window makes no folder";

    ASSERT_TRUE(w->makeJobFolder());
    const QString folder = folderOf(*w);
    EXPECT_EQ(QFileInfo(folder).dir().path(), user.jobRoot);
    EXPECT_EQ(QFileInfo(folder).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions())
        << "other users cannot read or plant job files";
    ASSERT_TRUE(w->makeJobFolder());
    EXPECT_EQ(folderOf(*w), folder) << "one folder for the window's whole life";
    writeBytes(w->jobFile(QStringLiteral("File.cvd")), "job");

    w.reset();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(QFileInfo::exists(user.jobRoot));
    EXPECT_TRUE(scripted.messages.empty());
}

TEST_F(JobFolderTest, AJobThatCannotBeWrittenIsToldAndBlamesNoInputFile)
{
    // A file stands where the job folder's parent would be, or a folder
    // where the job file would be.
    writeBytes(path(QStringLiteral("blocked")), "not a folder");
    const struct {
        const char* what;
        QString jobRoot;
        bool folderInTheWay;
        QString says;
    } causes[] = {
        {"no job folder", path(QStringLiteral("blocked/marovin")), false,
         QStringLiteral("Cannot make a folder for the converter's job files in ") +
             path(QStringLiteral("blocked/marovin"))},
        {"no job file", user.jobRoot, true, QStringLiteral("Cannot write the converter job")},
    };
    for (const auto& cause : causes) {
        for (const bool seismicRoad : {true, false}) {
            SCOPED_TRACE(std::string(cause.what) + (seismicRoad ? ", Command8" : ", Command9"));
            ScriptedDesktop scripted;
            UserFolders folders = user;
            folders.jobRoot = cause.jobRoot;
            KML_Main w(scripted, programDir, folders);
            if (cause.folderInTheWay) {
                ASSERT_TRUE(w.makeJobFolder());
                QDir().mkpath(w.jobFile(QStringLiteral("File.cvd")));
            }
            if (seismicRoad) {
                w.Text4->setText(QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/aire.su"));
                ASSERT_TRUE(w.lecture_SU().ok());
                scripted.messages.clear();
                w.Command8_Click();
            } else {
                textRoad(w, scripted, QStringLiteral("points.xy"), "9,48\r\n");
                w.Command9_Click();
            }
            ASSERT_EQ(scripted.messages.size(), 1u);
            const QString& text = scripted.messages[0].text;
            EXPECT_TRUE(text.contains(cause.says)) << text.toStdString();
            if (cause.folderInTheWay) {
                // One sentence: what failed once, the file, the system's reason.
                EXPECT_EQ(text.count(QStringLiteral("converter job"), Qt::CaseInsensitive), 1) << text.toStdString();
                EXPECT_TRUE(text.contains(w.jobFile(QStringLiteral("File.cvd")))) << text.toStdString();
                EXPECT_TRUE(text.contains(QString::fromLocal8Bit(std::strerror(EISDIR)))) << text.toStdString();
            }
            EXPECT_NE(text, QStringLiteral("Check your seismic file XY problem !"));
            EXPECT_NE(scripted.messages[0].icon, Desktop::Icon::Information);
            EXPECT_TRUE(scripted.launches.empty());
            EXPECT_EQ(w.Nb_Points(), 0);
        }
    }
}

} // namespace
