// A new user's first start: no Tervalo.ini, the sample line in the program
// folder. Answering Yes shows the seismic tab filled from the sample line;
// answering No shows the text tab and keeps the scalar at 1.
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
}

} // namespace
