// The sample line through the window and through marovin-kml: the same KML
// bytes on both roads, with the window's default settings.
#include "window_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <cstdlib>
#include <string>

namespace {

struct Road {
    const char* sample;
    const char* arguments; // the command's, for the window's defaults of that road
};

class CommandKml : public WindowTest, public ::testing::WithParamInterface<Road> {};

TEST_P(CommandKml, WritesTheWindowsBytes)
{
    const Road road = GetParam();
    const QString sample = QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/") + QString::fromLatin1(road.sample);
    const QString converter = ProgramFolder(QStringLiteral(MAROVIN_PROGRAM_DIR)).converter();
    ASSERT_TRUE(QFileInfo::exists(sample) && QFileInfo::exists(converter)) << "the build makes both";
    KML_Main& w = window();
    ASSERT_TRUE(QFile::copy(converter, w.converterPath()));
    const QString input = path(QString::fromLatin1(road.sample));
    ASSERT_TRUE(QFile::copy(sample, input));

    QString windowKml;
    if (std::string(road.arguments).empty()) {
        w.Input_Mode = QStringLiteral("SEGY");
        w.Text4->setText(input);
        ASSERT_TRUE(w.lecture_SU().ok());
        w.Command8_Click();
        w.Command3_Click();
        windowKml = w.Text8->text();
    } else {
        w.Input_Mode = QStringLiteral("TEXT_XY");
        desktop.dialogAnswers.push_back(input);
        w.Command1_Click();
        w.Combo1->setEditText(QStringLiteral("Number,X,Y,Z"));
        w.Command9_Click();
        w.Command10_Click();
        windowKml = w.Text2->text();
    }
    ASSERT_TRUE(desktop.messageTexts().contains(QStringLiteral("Conversion done !")))
        << desktop.messageTexts().join(" / ").toStdString();
    const QByteArray expected = readBytes(windowKml);
    ASSERT_GT(expected.count("<Placemark>"), 299);

    const std::string command = std::string("'" MAROVIN_KML_COMMAND "' -q ") + road.arguments + " -o '" +
                                path(QStringLiteral("command.kml")).toStdString() + "' '" + input.toStdString() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(readBytes(path(QStringLiteral("command.kml"))) == expected) << command;
}

INSTANTIATE_TEST_SUITE_P(SampleLine, CommandKml,
                         ::testing::Values(Road{"aire.su", ""}, Road{"aire.sgy", ""},
                                           Road{"stations.xyz", "--layout Number,X,Y,Z"}),
                         [](const auto& info) { return std::string(info.index == 0   ? "Su"
                                                                   : info.index == 1 ? "Segy"
                                                                                     : "XyText"); });

} // namespace
