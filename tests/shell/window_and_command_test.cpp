// The sample line, an SPS file and a list under a header line through the
// window and through marovin-kml: the same KML bytes on both roads, with the
// window's default settings.
#include "window_fixture.h"

#include "support/survey_shapes.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Road {
    const char* sample;    // a file of the sample line, or one written here
    const char* arguments; // the command's, for the window's defaults of that road
    int points;
};

// Survey files as crews deliver them, in UTM zone 32 beside the sample line:
// SPS 2.1 receivers of two lines (named "line/point"), and a list whose
// header line names its columns in another order, its points named by text.
QByteArray surveyFile(const char* name)
{
    QByteArray text;
    char record[128];
    if (QByteArray(name).endsWith(".sps")) {
        text = QByteArray(support::kSps2.h00) + "\r\n";
        for (int line = 2001; line <= 2002; ++line)
            for (int k = 0; k < 10; ++k)
                text += support::sps_record(support::kSps2, 'R', std::to_string(line) + ".00",
                                            std::to_string(1001 + k) + ".00", 496000.0 + 20 * k + 100 * (line - 2001),
                                            5314000.0 + 15 * k) +
                        "\r\n";
    } else {
        text = "Station;Northing;Easting;Elevation\r\n";
        for (int k = 0; k < 12; ++k) {
            std::snprintf(record, sizeof record, "BX23-%03d;%.2f;%.2f;100\r\n", k + 1, 5314000.0 + 15 * k,
                          496000.0 + 20 * k);
            text += record;
        }
    }
    return text;
}

class CommandKml : public WindowTest, public ::testing::WithParamInterface<Road> {};

TEST_P(CommandKml, WritesTheWindowsBytes)
{
    const Road road = GetParam();
    const QString sample = QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/") + QString::fromLatin1(road.sample);
    const QString converter = ProgramFolder(QStringLiteral(MAROVIN_PROGRAM_DIR)).converter();
    ASSERT_TRUE(QFileInfo::exists(converter)) << "the build makes it";
    // The window through the converter program itself.
    QFile::remove(programDir + QStringLiteral("/convers"));
    ASSERT_TRUE(QFile::copy(converter, programDir + QStringLiteral("/convers")));
    desktop.fakeProgramRun.reset();
    const QString input = path(QString::fromLatin1(road.sample));
    if (QFileInfo::exists(sample)) {
        ASSERT_TRUE(QFile::copy(sample, input));
    } else {
        QFile file(input);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(surveyFile(road.sample));
    }

    QString windowKml;
    const bool seismic = std::string(road.arguments).empty();
    start(seismic ? Desktop::Answer::Yes : Desktop::Answer::No);
    const FormDriver& f = form();
    desktop.dialogAnswers.push_back(input);
    if (seismic) {
        f.click("Command7");
        f.click("Command8");
        f.click("Command3");
        windowKml = f.text("Text8").text();
    } else {
        f.click("Command1");
        // The survey files name their own layout.
        if (QFileInfo::exists(sample))
            f.combo("Combo1").setEditText(QStringLiteral("Number,X,Y,Z"));
        f.click("Command9");
        f.click("Command10");
        windowKml = f.text("Text2").text();
    }
    ASSERT_TRUE(desktop.messageTexts().contains(QStringLiteral("Conversion done !")))
        << desktop.messageTexts().join(" / ").toStdString();
    const QByteArray expected = readBytes(windowKml);
    ASSERT_EQ(expected.count("<Placemark>"), road.points);

    const std::string command = std::string("'" MAROVIN_KML_COMMAND "' -q ") + road.arguments + " -o '" +
                                path(QStringLiteral("command.kml")).toStdString() + "' '" + input.toStdString() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(readBytes(path(QStringLiteral("command.kml"))) == expected) << command;
}

std::string roadName(const ::testing::TestParamInfo<Road>& info)
{
    static const char* const names[] = {"Su", "Segy", "XyText", "Sps", "HeaderLine"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(SampleLine, CommandKml,
                         ::testing::Values(Road{"aire.su", "", 300}, Road{"aire.sgy", "", 300},
                                           Road{"stations.xyz", "--layout Number,X,Y,Z", 300},
                                           Road{"receivers.sps", "--layout SPS", 20},
                                           Road{"stations.csv", "--layout Number,X,Y,Z", 12}),
                         roadName);

} // namespace
