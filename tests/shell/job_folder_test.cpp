// The converter's job and result files live in a folder of the window's own
// under the user's job folder: never in the program folder, never shared by
// two windows.
#include "qt_print.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <cerrno>
#include <cstring>

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
    EXPECT_EQ(QFileInfo(folder).permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup |
                                                 QFile::WriteGroup),
              QFile::Permissions()) << "other users cannot read or plant job files";
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
