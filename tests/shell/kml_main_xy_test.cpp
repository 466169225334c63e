// The text road through the window: Command1 (XY file selection), Command9
// (the conversion run) and Command10 (its KML file). The chosen file is only
// ever read.
#include "qt_support.h"
#include "shell/flex_grid.h"
#include "shell/info_view.h"
#include "shell/tab_control.h"
#include "window_fixture.h"

#include "support/outside_readers.h"
#include "support/seismic_bytes.h"
#include "support/survey_shapes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <clocale>
#include <cmath>
#include <string>
#include <tuple>

namespace {

// A stand-in converter: reads the job's data lines and writes a result whose
// longitude is X / 100000 and latitude Y / 100000, so tests see what reached
// the job in what order.
Desktop::ProgramRun fakeConverter(const KML_Main& w)
{
    const QList<QByteArray> lines = readBytes(w.jobFile("File.cvd")).split('\n');
    QByteArray result = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n";
    for (qsizetype i = 7; i < lines.size(); ++i) {
        // The regional decimal comma is read as the real converter reads it.
        const QList<QByteArray> xy = lines[i].simplified().replace(',', '.').split(' ');
        if (xy.size() != 2)
            continue;
        result += "0,0," + QByteArray::number(xy[1].toDouble() / 100000, 'g', 15) + "," +
                  QByteArray::number(xy[0].toDouble() / 100000, 'g', 15) + ",0\r\n";
    }
    writeBytes(w.jobFile("File.cva"), result);
    Desktop::ProgramRun run;
    run.started = true;
    run.exitCode = 0;
    return run;
}

class TextRoadTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window().Input_Mode = QStringLiteral("TEXT_XY");
    }

    // The launch looks for the converter in the program folder; the
    // stand-in runs in its place.
    void placeConverterStandIn() { writeBytes(programDir + "/convers", "stand-in"); }

    // The converter the build made, in the test's program folder; false
    // when it was not built.
    bool placeRealConverter()
    {
        const QString converter = QStringLiteral(MAROVIN_PROGRAM_DIR "/convers");
        if (!QFile::exists(converter) || !QFile::copy(converter, programDir + "/convers"))
            return false;
        return QFile::setPermissions(programDir + "/convers", QFile::permissions(converter));
    }

    // Makes an XY file and chooses it through Command1.
    QString choose(const QString& name, const QByteArray& content)
    {
        const QString file = path(name);
        writeBytes(file, content);
        desktop.dialogAnswers.push_back(file);
        window().Command1_Click();
        return file;
    }

    // Chooses `content` through Command1 and sets the layout, ready for
    // Command9 with the stand-in converter; the messages of the selection
    // are cleared.
    void prepare(const QByteArray& content, const QString& layout)
    {
        KML_Main& w = window();
        choose(QStringLiteral("points.xyz"), content);
        w.Combo1->setEditText(layout);
        placeConverterStandIn();
        desktop.fakeProgramRun = [&w](const ScriptedDesktop::Launch&) { return fakeConverter(w); };
        desktop.messages.clear();
    }

    // The same, then Command9.
    void convert(const QByteArray& content, const QString& layout)
    {
        prepare(content, layout);
        window().Command9_Click();
    }

    QList<QByteArray> jobLines() { return readBytes(window().jobFile("File.cvd")).split('\n'); }
};

TEST_F(TextRoadTest, CancelledSelectionChangesNothing)
{
    KML_Main& w = window();
    w.Text1->setText("before");
    desktop.dialogAnswers.push_back(QString());
    w.Command1_Click();
    ASSERT_EQ(desktop.dialogs.size(), 1u);
    const auto& request = desktop.dialogs[0].request;
    EXPECT_FALSE(desktop.dialogs[0].save);
    EXPECT_EQ(request.title, "Topo selection");
    EXPECT_EQ(request.filter, "Topo File |*.XYZ|All files|*.*|");
    EXPECT_EQ(request.fileName, "*.*");
    EXPECT_EQ(w.Text1->text(), "before");
    EXPECT_FALSE(w.Command9->isEnabled());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(QFile::exists("*.*"));
}

TEST_F(TextRoadTest, SeismicEndingsOnlyAskForTheSeismicTab)
{
    KML_Main& w = window();
    for (const char* name : {"line1.su", "LINE1.SGY"}) {
        w.Text2->setText("kept");
        const QByteArray content = "1;2  3\r\n";
        const QString file = choose(name, content);
        EXPECT_EQ(w.Text1->text(), file);
        EXPECT_EQ(w.Text2->text(), "kept") << name;
        EXPECT_EQ(readBytes(file), content) << name;
        EXPECT_EQ(w.SSTab1->currentIndex(), 0) << name; // the tab rule of the text mode
        EXPECT_FALSE(w.Command9->isEnabled()) << name;
        EXPECT_TRUE(desktop.messages.empty());
    }
}

TEST_F(TextRoadTest, XyFileIsShownNormalisedNeverWrittenAndArmsConversion)
{
    KML_Main& w = window();
    writeBytes(path("pts.KML"), "older");
    const QByteArray bytes = "12;600000,5;4500000\n13  600010    4500005 z\n";
    const QString file = choose("pts.xyz", bytes);
    EXPECT_EQ(readBytes(file), bytes);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{"pts.KML", "pts.xyz"}));
    EXPECT_EQ(w.RichTextBox1->text(), "12,600000.5,4500000\r\n13,600010,4500005,z\r\n");
    EXPECT_EQ(w.Text1->text(), file);
    EXPECT_EQ(w.Text2->text(), path("pts.KML"));
    EXPECT_EQ(readBytes(path("pts.KML")), "older");
    EXPECT_TRUE(w.Command2->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command1), stepColourValue(StepColour::ButtonFace));
    EXPECT_TRUE(w.Command9->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command9), stepColourValue(StepColour::Red));
    EXPECT_EQ(w.SSTab1->currentIndex(), 2);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Remember to select the original geodesic system");
    EXPECT_EQ(desktop.messages[0].title, "Marovin");
    EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Information);
}

// A file the reader refuses (its reasons are the reader's tests').
TEST_F(TextRoadTest, WhatCannotBeReadAsTextStopsTheRoadWithItsName)
{
    const QByteArray binary("1;2\0  3\r\n", 9);
    const QString file = choose("trace.xyz", binary);
    KML_Main& w = window();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, "Marovin");
    EXPECT_TRUE(desktop.messages[0].text.startsWith("Cannot read the XY file: " + file))
        << desktop.messages[0].text.toStdString();
    EXPECT_FALSE(w.Command9->isEnabled());
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_NE(w.SSTab1->currentIndex(), 2);
    EXPECT_EQ(readBytes(file), binary);
}

TEST_F(TextRoadTest, LayoutsScalarAndSystemShapeTheJob)
{
    struct {
        const char* layout;
        const char* content;
        const char* scalar;
        const char* system;
        std::vector<QByteArray> data;
        std::vector<std::string> labels;
    } const cases[] = {
        {"X,Y",
         "600000,4500000\r\n1,2\r\n3,4",
         "1",
         "UTM32",
         {" 600000  4500000 \r", " 1  2 \r", " 3  4 \r"},
         {" 1", " 2", " 3"}},
        {"X,Y,Z", "600000,4500000,7\r\n", "-1000", "", {" 600  4500 \r"}, {" 1"}},
        {"Number,X,Y", "5,-3.5,2\r\n", "1", "ED50", {"-3.5  2 \r"}, {" 5"}},
    };
    for (const auto& c : cases) {
        KML_Main& w = window();
        w.Text7->setText(c.scalar);
        w.Combo2->setEditText(c.system);
        convert(c.content, c.layout);
        const QList<QByteArray> job = jobLines();
        ASSERT_EQ(job.size(), static_cast<qsizetype>(8 + c.data.size())) << c.layout;
        EXPECT_EQ(job[0], *c.system ? "Depart=" + QByteArray(c.system) + "\r" : QByteArray("Depart=WGS84\r"));
        EXPECT_EQ(job[1], "UniteDepart=DDEC\r");
        for (std::size_t k = 0; k < c.data.size(); ++k) {
            EXPECT_EQ(job[7 + static_cast<qsizetype>(k)], c.data[k]) << c.layout << " point " << k + 1;
            EXPECT_EQ(w.VSFlexGrid1->textMatrix(static_cast<int>(k) + 1, 0), c.labels[k]);
        }
        EXPECT_EQ(w.Nb_Points(), static_cast<std::int32_t>(c.data.size()));
        EXPECT_EQ(w.VSFlexGrid1->rows(), static_cast<int>(c.data.size()) + 1);
        EXPECT_EQ(w.VSFlexGrid1->cols(), 3);
        EXPECT_EQ(w.VSFlexGrid1->textMatrix(0, 1), "X");
        EXPECT_EQ(w.VSFlexGrid1->textMatrix(0, 2), "Y");

        EXPECT_EQ(w.SSTab1->currentIndex(), 1);
        EXPECT_TRUE(w.Command10->isEnabled());
        EXPECT_EQ(KML_Main::backColour(w.Command10), stepColourValue(StepColour::Red));
        EXPECT_TRUE(w.Command9->isEnabled());
        EXPECT_EQ(KML_Main::backColour(w.Command9), stepColourValue(StepColour::LightGrey));
        EXPECT_EQ(KML_Main::backColour(w.Command1), stepColourValue(StepColour::LightGrey));
        EXPECT_EQ(KML_Main::backColour(w.Command8), stepColourValue(StepColour::LightGrey));
        EXPECT_TRUE(w.Command2->isEnabled());
    }
}

// Each way a run stops before the converter: the file's points (whose
// reading the library's tests hold in detail), the scalar, the file type,
// the file itself.
TEST_F(TextRoadTest, RunThatCannotReadItsPointsStopsBeforeTheConverterAndChangesNothing)
{
    struct {
        const char* layout;
        const char* content;
        const char* scalar;
        const char* problem;
    } const cases[] = {
        // the sample's four columns with the default layout
        {"X,Y,Z", "1001;496000;5314000;450\r\n", "1", ", line 1 holds 4 fields, but the file type \"X,Y,Z\" takes 3"},
        {"X,Y", "1,2\r\n", "0", "is 0"},
        {"x,y", "1,2\r\n", "1", "The file type \"x,y\" is not one of"},
    };
    KML_Main& w = window();
    convert("600000,4500000\r\n", "X,Y");
    ASSERT_EQ(w.Nb_Points(), 1) << desktop.messageTexts().join("\n").toStdString();
    const QByteArray job = readBytes(w.jobFile("File.cvd"));
    const auto expectStopped = [&](const WindowState& before, const QString& problem) {
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].title, "Marovin");
        EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Warning);
        EXPECT_TRUE(desktop.messages[0].text.contains(problem)) << desktop.messages[0].text.toStdString();
        EXPECT_TRUE(desktop.launches.empty());
        EXPECT_EQ(WindowState::of(w), before);
        EXPECT_EQ(readBytes(w.jobFile("File.cvd")), job);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        w.Text7->setText(c.scalar);
        prepare(c.content, c.layout);
        desktop.launches.clear();
        const WindowState before = WindowState::of(w);
        w.Command9_Click();
        expectStopped(before, QString::fromLatin1(c.problem));
    }
    // a file that cannot be read
    w.Text7->setText("1");
    desktop.messages.clear();
    const WindowState before = WindowState::of(w);
    w.Text1->setText(path("gone.xyz"));
    w.Command9_Click();
    w.Text1->setText(path("points.xyz"));
    expectStopped(before, path("gone.xyz"));
    EXPECT_TRUE(desktop.messages[0].text.startsWith("Cannot read the XY file: "));
}

// Command9 converts the file as the "Information" tab shows it: a file
// changed since it was chosen (or named by hand in Text1) is shown first and
// converted at the next click.
TEST_F(TextRoadTest, ChangedFileIsShownBeforeItIsConverted)
{
    KML_Main& w = window();
    prepare("600000,4500000\r\n", "X,Y");
    writeBytes(path("points.xyz"), "600000;4500000\r\n600010;4500005\r\n");
    w.SSTab1->setCurrentIndex(0);
    for (const bool byHand : {false, true}) {
        SCOPED_TRACE(byHand ? "named by hand" : "changed");
        if (byHand) {
            writeBytes(path("other.xyz"), "600000 4500000\r\n600010 4500005\r\n");
            w.Text1->setText(path("other.xyz"));
        }
        desktop.messages.clear();
        const WindowState before = WindowState::of(w);
        w.Command9_Click();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(
            desktop.messages[0].text,
            (byHand ? "The \"Information\" tab now shows the XY file " + path("other.xyz") + " as it will be converted"
                    : "The XY file " + path("points.xyz") +
                          " has changed since it was chosen. The \"Information\" tab now shows it as it "
                          "will be converted") +
                ": check it and click Conversion again.");
        EXPECT_EQ(w.RichTextBox1->text(), "600000,4500000\r\n600010,4500005\r\n");
        EXPECT_EQ(w.SSTab1->currentIndex(), 2);
        EXPECT_TRUE(desktop.launches.empty());
        EXPECT_EQ(WindowState::of(w).table, before.table);

        desktop.messages.clear();
        w.Command9_Click();
        EXPECT_EQ(desktop.messageTexts(), QStringList{"Conversion done !"});
        EXPECT_EQ(w.Nb_Points(), 2);
        desktop.launches.clear();
    }
}

TEST_F(TextRoadTest, ConverterFailureKeepsTheTableAndGrid)
{
    KML_Main& w = window();
    w.Point_Table = marovin::PointTable({0}, {0}, {0});
    w.VSFlexGrid1->setRows(2);
    w.VSFlexGrid1->setCols(3);
    w.VSFlexGrid1->setTextMatrix(1, 1, "kept");
    prepare("600000,4500000\r\n", "X,Y");
    desktop.fakeProgramRun = [](const ScriptedDesktop::Launch&) {
        Desktop::ProgramRun run;
        run.started = true;
        run.exitCode = 2;
        run.errorOutput = "unknown system";
        return run;
    };
    w.Command9_Click();
    EXPECT_EQ(desktop.launches.size(), 1u);
    EXPECT_EQ(w.Nb_Points(), 1);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 1), "kept");
    EXPECT_FALSE(w.Command10->isEnabled());
}

TEST_F(TextRoadTest, RememberedSeismicFileRescalesOnlyTheSeismicRoad)
{
    // One SEG-Y trace of one sample whose coordinate scalar is -100.
    writeBytes(path("line1.sgy"), QByteArray::fromStdString(support::trace_line(false, 1, -100, {support::Trace{}})));
    for (const char* mode : {"TEXT_XY", "SEGY"}) {
        KML_Main& w = window();
        w.Input_Mode = QString::fromLatin1(mode);
        w.Text7->setText("1");
        w.Text4->setText(path("line1.sgy"));
        ASSERT_TRUE(w.lecture_SU().ok()) << mode;
        convert("600000,4500000\r\n", "X,Y");
        const QList<QByteArray> job = jobLines();
        ASSERT_GE(job.size(), 8) << mode;
        EXPECT_EQ(job[7], QByteArray(mode) == "TEXT_XY" ? " 600000  4500000 \r" : " 6000  45000 \r") << mode;
    }
}

// Survey files as crews deliver them go from Command1 to a KML file whose
// points GDAL reads where PROJ puts their eastings and northings, named by
// their IDs: Command1 alone sets the file type, and the system an SPS header
// names.
TEST_F(TextRoadTest, SurveyFilesAsCrewsDeliverThemReachTheKmlWherePROJPutsThem)
{
    if (!placeRealConverter() || !support::have_tool("command -v ogrinfo"))
        GTEST_SKIP() << "the converter is not built, or ogrinfo (gdal-bin) is not installed";
    struct Point {
        double easting, northing;
        std::string name;
    };
    struct Case {
        const char* file;
        QByteArray bytes;
        const char* layout;
        const char* system;
        std::vector<Point> points;
    };
    std::vector<Case> cases;

    // An SPS 2.1 receiver file of two lines, its system in an H13 record.
    Case receivers{"receivers.sps",
                   QByteArray(support::kSps2.h00) + "\r\n" + "H13 Geodetic Coordinate System EPSG:32632\r\n",
                   "SPS",
                   "EPSG:32632",
                   {}};
    for (const auto& [line, point, easting, northing] : {std::tuple{2001, 1001, 496000.5, 5314000.2},
                                                         {2001, 1002, 496020.5, 5314015.2},
                                                         {2003, 1001, 496300.0, 5314600.7}}) {
        receivers.bytes += support::sps_record(support::kSps2, 'R', std::to_string(line) + ".00",
                                               std::to_string(point) + ".00", easting, northing) +
                           "\r\n";
        receivers.points.push_back({easting, northing, " " + std::to_string(line) + "/" + std::to_string(point)});
    }
    cases.push_back(receivers);

    // A list under a header line, its stations named by text or number.
    Case list{"stations.csv", "Station,Easting,Northing,Elevation\r\n", "Number,X,Y,Z", "UTM32", {}};
    for (int n = support::kFirstStation; n < support::kFirstStation + support::kStations; ++n) {
        const std::string id = n % 2 ? "BX23-" + std::to_string(n) : std::to_string(n);
        list.bytes += QByteArray::fromStdString(id + "," + std::to_string(support::station_x(n)) + "," +
                                                std::to_string(support::station_y(n)) + ",450\r\n");
        list.points.push_back({support::station_x(n), support::station_y(n), " " + id});
    }
    cases.push_back(list);

    KML_Main& w = window();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::pair<double, double>> grid;
        for (const Point& p : c.points)
            grid.emplace_back(p.easting, p.northing);
        const std::vector<std::pair<double, double>> expected = support::cs2cs_degrees("EPSG:32632", grid);
        ASSERT_EQ(expected.size(), c.points.size()) << "cs2cs (Debian package proj-bin) is needed";

        w.Combo1->setEditText("X,Y,Z");
        w.Combo2->setEditText("UTM32");
        w.Combo4->setEditText("1");
        desktop.messages.clear();
        const QString file = choose(QString::fromLatin1(c.file), c.bytes);
        EXPECT_EQ(w.Combo1->currentText(), c.layout);
        EXPECT_EQ(w.Combo2->currentText(), c.system);
        w.Command9_Click();
        w.Command10_Click();
        ASSERT_EQ(w.Nb_Points(), static_cast<std::int32_t>(c.points.size()))
            << desktop.messageTexts().join("\n").toStdString();

        const std::vector<support::Feature> features =
            support::ogrinfo_features("--config GDAL_SKIP LIBKML", QFile::encodeName(w.Text2->text()).toStdString());
        ASSERT_EQ(features.size(), c.points.size());
        for (std::size_t k = 0; k < features.size(); ++k) {
            EXPECT_NEAR(features[k].longitude, expected[k].first, 1e-8) << "point " << k + 1;
            EXPECT_NEAR(features[k].latitude, expected[k].second, 1e-8) << "point " << k + 1;
            EXPECT_EQ(features[k].name, "Station" + c.points[k].name) << "point " << k + 1;
        }
        EXPECT_EQ(readBytes(file), c.bytes);
    }
}

// A list that names its system in a column sets the system box, and the
// "Information" tab tells where it came from; one that names two leaves it.
TEST_F(TextRoadTest, SystemColumnSetsTheSystemBoxAtSelection)
{
    KML_Main& w = window();
    const struct {
        QByteArray content;
        QString system;
        QString told;
    } cases[] = {
        {"HoleID,Easting,Northing,Grid\r\nDH1,612345,5523456,NAD83 / UTM zone 9N\r\nDH2,612350,5523460,nad83 / "
         "utm zone 9n\r\n",
         "EPSG:26909", "The file names its system: system EPSG:26909, NAD83 / UTM zone 9N, from the column Grid.\r\n"},
        {"HoleID,Easting,Northing,Grid\r\nDH1,612345,5523456,EPSG:26909\r\nDH2,612350,5523460,EPSG:26910\r\n", "UTM32",
         "The system is not taken from the file: the column Grid names more than one system: "},
    };
    for (const auto& c : cases) {
        w.Combo2->setEditText("UTM32");
        choose(QStringLiteral("collars.xyz"), c.content);
        EXPECT_EQ(w.Combo1->currentText(), "Number,X,Y");
        EXPECT_EQ(w.Combo2->currentText(), c.system);
        EXPECT_TRUE(w.RichTextBox1->text().contains(c.told)) << w.RichTextBox1->text().toStdString();
    }
}

// An SPS header's units other than metres are told, never scaled.
TEST_F(TextRoadTest, SpsGridUnitsOtherThanMetresAreToldAtSelection)
{
    KML_Main& w = window();
    const std::string head = "H00 SPS format version number     SPS 2.1\r\n"
                             "H13 Geodetic Coordinate System   EPSG:2227\r\n"
                             "H200Description of grid units   American Feet;\r\n";
    choose(QStringLiteral("feet.sps"),
           QByteArray::fromStdString(head + support::sps_record(support::kSps2, 'S', "1", "1", 6e6, 2e6)));
    EXPECT_EQ(w.Combo1->currentText(), "SPS");
    EXPECT_EQ(w.Combo2->currentText(), "EPSG:2227");
    EXPECT_EQ(desktop.messageTexts(),
              QStringList{"Remember to select the original geodesic system. The SPS header gives the grid units as "
                          "American Feet: the coordinates are converted as they stand, so the system must be one in "
                          "those units."});
    EXPECT_TRUE(w.RichTextBox1->text().startsWith("SPS file, revision 2.1 (its H00 record)"));
    EXPECT_TRUE(w.RichTextBox1->text().contains("\r\nH200Description of grid units   American Feet;\r\n"));
}

// Under a French locale the job carries "," decimals, as the regional
// settings want, while the file with its ";" and decimal commas is read as
// written and left as it was.
TEST_F(TextRoadTest, FrenchLocaleReadsDecimalCommasAndKeepsTheFile)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        // Not installed: compiled into the test's folder from the C
        // library's locale sources, when they are there.
        const QString locales = path("locales");
        QDir().mkpath(locales);
        QProcess::execute("localedef", {"-i", "fr_FR", "-f", "UTF-8", locales + "/fr_FR.UTF-8"});
        qputenv("LOCPATH", QFile::encodeName(locales));
        const bool made = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
        qunsetenv("LOCPATH");
        if (!made)
            GTEST_SKIP() << "no French locale, and localedef could not make one";
    }
    KML_Main& w = window();
    const QByteArray bytes = "1;496000,55;5314000,25;450,5\r\n";
    prepare(bytes, "Number,X,Y,Z");
    w.Command9_Click();
    const QList<QByteArray> job = jobLines();
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_EQ(w.Nb_Points(), 1) << desktop.messageTexts().join("\n").toStdString();
    EXPECT_DOUBLE_EQ(w.Point_Table.longitude()[0], 4.9600055); // the stand-in's X / 100000
    ASSERT_GE(job.size(), 8);
    EXPECT_EQ(job[7], " 496000,55  5314000,25 \r");
    EXPECT_EQ(readBytes(path("points.xyz")), bytes);
}

} // namespace
