// Both roads through an installed tree, run by installed_tree_test.sh: the
// window is given the installed bin folder as its own, as the installed
// marovin is, and the user folders of the environment the script sets up.
// Everything the window writes must land in those folders.
#include "form_driver.h"
#include "qt_support.h"
#include "scripted_desktop.h"

#include "shell/program_converter.h"
#include "shell/program_folder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <memory>

namespace {

QString installedBin()
{
    const QString bin = qEnvironmentVariable("MAROVIN_INSTALLED_BIN");
    EXPECT_FALSE(bin.isEmpty()) << "run by installed_tree_test.sh, which sets MAROVIN_INSTALLED_BIN";
    return bin;
}

// Every point of the sample line lies near 9° E, 48° N.
void expectSampleLine(const KML_Main& w)
{
    const marovin::PointTable& table = w.roadState().points;
    ASSERT_EQ(table.size(), 300);
    for (std::size_t i = 0; i < 300; ++i) {
        EXPECT_NEAR(table.longitude()[i], 8.99, 0.06) << i;
        EXPECT_NEAR(table.latitude()[i], 48.0, 0.04) << i;
    }
}

TEST(InstalledTree, SeismicRoadRunsFromTheSampleLineToTheViewer)
{
    const QString bin = installedBin();
    const UserFolders user = standardUserFolders();
    ScriptedDesktop desktop;
    desktop.answers.push_back(Desktop::Answer::Yes);
    auto converter = std::make_unique<ProgramConverter>(desktop, ProgramFolder(bin).converter(), user.jobRoot);
    auto w = std::make_unique<KML_Main>(desktop, bin, user, *converter);
    w->Form_Load();
    const FormDriver f(*w);

    // The sample line was found in share/marovin, and is read from the
    // user's copy, beside which its KML file can be written; the
    // "Information" tab shows what its read found, the manual is a click
    // away.
    EXPECT_TRUE(f.info().text().startsWith(QStringLiteral("SU, little-endian, 250 samples, 300 traces")));
    EXPECT_EQ(f.text("Text4").text(), user.sampleCopy + QStringLiteral("/aire.su"));
    EXPECT_EQ(readBytes(f.text("Text4").text()), readBytes(bin + QStringLiteral("/../share/marovin/samples/aire.su")));
    EXPECT_EQ(f.text("Text6").text(), QStringLiteral("300"));
    EXPECT_EQ(f.text("Text8").text(), user.sampleCopy + QStringLiteral("/AIRE.KML"));
    f.click("Command6");
    EXPECT_TRUE(f.info().text().contains(QStringLiteral("Marovin user manual")));

    desktop.messages.clear();
    f.click("Command8");
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    ASSERT_EQ(desktop.launches.size(), 1u);
    EXPECT_EQ(desktop.launches[0].program, QDir::cleanPath(bin + QStringLiteral("/../libexec/marovin/convers")));
    expectSampleLine(*w);
    const QString jobFolder = QFileInfo(converter->jobFile(QStringLiteral("File.cvd"))).path();
    EXPECT_TRUE(jobFolder.startsWith(user.jobRoot + QStringLiteral("/window-"))) << jobFolder.toStdString();

    f.click("Command3");
    EXPECT_EQ(readBytes(f.text("Text8").text()).count("<Placemark>"), 300);
    f.click("Command4");
    ASSERT_EQ(desktop.opens.size(), 1u);
    EXPECT_EQ(desktop.opens[0].path, f.text("Text8").text());

    w->close(); // writes the remembered file into the user's configuration
    w.reset();
    converter.reset();
    EXPECT_FALSE(QFileInfo::exists(jobFolder)) << "the job folder goes with its window's converter";
    EXPECT_TRUE(readBytes(user.iniPath).contains("Fichier 1=" + QFile::encodeName(user.sampleCopy) + "/aire.su"));
}

TEST(InstalledTree, TextRoadRunsOnTheUsersCopyOfTheStations)
{
    const QString bin = installedBin();
    const UserFolders user = standardUserFolders();
    ScriptedDesktop desktop;
    desktop.answers.push_back(Desktop::Answer::No);
    ProgramConverter converter(desktop, ProgramFolder(bin).converter(), user.jobRoot);
    KML_Main w(desktop, bin, user, converter);
    w.Form_Load();
    const FormDriver f(w);

    EXPECT_TRUE(f.info().text().contains(QStringLiteral("Marovin user manual")));
    const QString stations = user.sampleCopy + QStringLiteral("/stations.xyz");
    ASSERT_TRUE(QFileInfo::exists(stations));
    desktop.dialogAnswers.push_back(stations);
    f.click("Command1");
    EXPECT_EQ(f.text("Text2").text(), user.sampleCopy + QStringLiteral("/stations.KML"));
    f.combo("Combo1").setEditText(QStringLiteral("Number,X,Y,Z"));
    desktop.messages.clear();
    f.click("Command9");
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    expectSampleLine(w);
    f.click("Command10");
    EXPECT_EQ(readBytes(f.text("Text2").text()).count("<Placemark>"), 300);
}

} // namespace
