// A new user's first start: no Tervalo.ini, the sample line in the program
// folder. Answering Yes shows the seismic tab filled from the sample line;
// answering No shows the text tab, keeps the scalar at 1 and the text road's
// first step red.
#include "shell/tab_control.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

namespace {

class FirstStartTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        QDir().mkpath(programDir + QStringLiteral("/samples"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/aire.su"),
                                programDir + QStringLiteral("/samples/aire.su")));
    }
};

TEST_F(FirstStartTest, AnsweringYesShowsTheSampleLineOnTheSeismicTab)
{
    desktop.answers.push_back(Desktop::Answer::Yes);
    KML_Main& w = window();
    w.Form_Load();

    EXPECT_EQ(w.Input_Mode, QStringLiteral("SEGY"));
    EXPECT_EQ(w.SSTab1->currentIndex(), 3);
    EXPECT_EQ(w.Text4->text(), programDir + QStringLiteral("/samples/aire.su"));
    EXPECT_EQ(w.Text5->text(), QStringLiteral("250"));
    EXPECT_EQ(w.Text6->text(), QStringLiteral("300"));
    EXPECT_EQ(w.Text7->text(), QStringLiteral("-100"));
    EXPECT_EQ(w.Text8->text(), programDir + QStringLiteral("/samples/AIRE.KML"));
    EXPECT_TRUE(w.Command8->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command8), QColor(255, 0, 0));
    EXPECT_EQ(KML_Main::backColour(w.Command1), QColor(224, 224, 224));
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].text, QStringLiteral("Extract coordinates from seismic file (YES) or XY textfile (NO)"));
    EXPECT_EQ(desktop.messages[1].text, QStringLiteral("Remember to select the original geodesic system"));

    w.close();
    QFile ini(iniPath);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("[TERVALO]"));
}

TEST_F(FirstStartTest, AnsweringNoShowsTheTextTabAndKeepsTheScalar)
{
    desktop.answers.push_back(Desktop::Answer::No);
    KML_Main& w = window();
    w.Form_Load();

    EXPECT_EQ(w.Input_Mode, QStringLiteral("TEXT_XY"));
    EXPECT_EQ(w.SSTab1->currentIndex(), 0);
    EXPECT_EQ(w.Text5->text(), QStringLiteral("250")); // the header is still read
    EXPECT_EQ(w.Text7->text(), QStringLiteral("1"));   // but the scalar is not taken over
    EXPECT_EQ(w.Combo2->currentText(), QStringLiteral("UTM32"));
    // The text road's first step is the red one on screen, and the reminder
    // of the header read still comes.
    EXPECT_TRUE(w.Command1->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command1), QColor(255, 0, 0));
    EXPECT_EQ(desktop.messageTexts().last(), QStringLiteral("Remember to select the original geodesic system"));
}

} // namespace

namespace {

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

    KML_Main& startOnTheSeismicRoad()
    {
        desktop.answers.push_back(Desktop::Answer::Yes);
        KML_Main& w = window();
        w.Form_Load();
        return w;
    }

    QString installed;
};

TEST_F(InstalledFirstStartTest, StartsOnTheUsersOwnCopyOfTheSampleLine)
{
    KML_Main& w = startOnTheSeismicRoad();
    EXPECT_EQ(w.Text4->text(), user.sampleCopy + QStringLiteral("/aire.su"));
    EXPECT_EQ(w.Text6->text(), QStringLiteral("300"));
    EXPECT_EQ(w.Text8->text(), user.sampleCopy + QStringLiteral("/AIRE.KML"));
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
    KML_Main& w = startOnTheSeismicRoad();
    EXPECT_EQ(w.Text4->text(), user.sampleCopy + QStringLiteral("/aire.su"));
    EXPECT_EQ(readBytes(user.sampleCopy + QStringLiteral("/aire.su")), "the user's own aire.su");
    EXPECT_TRUE(QFile::exists(user.sampleCopy + QStringLiteral("/stations.xyz"))) << "missing ones are added";
}

TEST_F(InstalledFirstStartTest, WithoutRoomForACopyTheInstalledLineIsStillRead)
{
    writeBytes(path(QStringLiteral("data")), "a file where the data folder would be");
    user.sampleCopy = path(QStringLiteral("data/marovin/samples"));
    KML_Main& w = startOnTheSeismicRoad();
    EXPECT_EQ(w.Text4->text(), installed + QStringLiteral("/aire.su"));
    EXPECT_EQ(w.Text6->text(), QStringLiteral("300"));
}

} // namespace
