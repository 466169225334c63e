// The text road through the window: Command1 (the XY file shown as it will
// be converted), then Command9, whose request is built from the file, the
// file type, the system and the scalar and whose converted points come back
// into the table, the grid and the buttons. The chosen file is only ever
// read.
#include "window_fixture.h"

#include "support/outside_readers.h"
#include "support/seismic_bytes.h"
#include "support/survey_shapes.h"

#include <QDir>

#include <string>
#include <tuple>
#include <vector>

namespace {

const QString kDone = QStringLiteral("Conversion done !");
const QString kReminder = QStringLiteral("Remember to select the original geodesic system");

class TextRoadTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        start(Desktop::Answer::No);
    }

    // Makes an XY file and chooses it through Command1.
    QString choose(const QString& name, const QByteArray& content)
    {
        const QString file = path(name);
        writeBytes(file, content);
        desktop.dialogAnswers.push_back(file);
        form().click("Command1");
        return file;
    }
    // Chooses `content`, sets the layout and converts; the messages of the
    // selection are cleared.
    void convert(const QByteArray& content, const QString& layout)
    {
        choose(QStringLiteral("points.xyz"), content);
        form().combo("Combo1").setEditText(layout);
        desktop.messages.clear();
        form().click("Command9");
    }
};

TEST_F(TextRoadTest, ACancelledSelectionChangesNothing)
{
    const FormDriver& f = form();
    f.text("Text1").setText(QStringLiteral("before"));
    const WindowState before = WindowState::of(window());
    desktop.dialogAnswers.push_back(QString());
    f.click("Command1");
    const auto& request = desktop.dialogs.back().request;
    EXPECT_FALSE(desktop.dialogs.back().save);
    EXPECT_EQ(request.title, "Topo selection");
    EXPECT_EQ(request.filter, "Topo File |*.XYZ|All files|*.*|");
    EXPECT_EQ(request.fileName, "*.*");
    EXPECT_EQ(WindowState::of(window()), before);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(TextRoadTest, SeismicEndingsOnlyAskForTheSeismicTab)
{
    const FormDriver& f = form();
    for (const char* name : {"line1.su", "LINE1.SGY"}) {
        f.text("Text2").setText("kept");
        const QString file = choose(name, "1;2  3\r\n");
        EXPECT_EQ(f.text("Text1").text(), file);
        EXPECT_EQ(f.text("Text2").text(), "kept") << name;
        EXPECT_EQ(f.tab(), 0) << name; // the tab rule of the text mode
        EXPECT_FALSE(f.button("Command9").isEnabled()) << name;
        EXPECT_TRUE(desktop.messages.empty());
    }
}

TEST_F(TextRoadTest, TheFileIsShownNormalisedNeverWrittenAndArmsConversion)
{
    writeBytes(path("pts.KML"), "older");
    const QByteArray bytes = "12;600000,5;4500000\n13  600010    4500005 z\n";
    const QString file = choose("pts.xyz", bytes);
    const FormDriver& f = form();
    EXPECT_EQ(readBytes(file), bytes);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{"pts.KML", "pts.xyz"}));
    EXPECT_EQ(f.info().text(), "12,600000.5,4500000\r\n13,600010,4500005,z\r\n");
    EXPECT_EQ(f.text("Text2").text(), path("pts.KML"));
    EXPECT_TRUE(f.button("Command2").isEnabled());
    EXPECT_EQ(backColour(&f.button("Command1")), stepColourValue(StepColour::ButtonFace));
    EXPECT_TRUE(f.isStep("Command9", StepColour::Red));
    EXPECT_EQ(f.tab(), 2);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, kReminder);
    EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Information);
}

// A file the reader refuses (its reasons are the reader's tests').
TEST_F(TextRoadTest, WhatCannotBeReadAsTextStopsTheRoadWithItsName)
{
    const QByteArray binary("1;2\0  3\r\n", 9);
    const QString file = choose("trace.xyz", binary);
    const FormDriver& f = form();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].text.startsWith("Cannot read the XY file: " + file))
        << desktop.messages[0].text.toStdString();
    EXPECT_FALSE(f.button("Command9").isEnabled());
    EXPECT_NE(f.tab(), 2);
}

// The request: the points in the file type's columns, divided by the
// scalar, the system of the box (none is WGS84); the result: the converted
// points under the file's numbers (or 1, 2, 3), and the writer the next step.
TEST_F(TextRoadTest, TheLayoutScalarAndSystemMakeTheRequestAndTheResultIsShown)
{
    const struct {
        const char* layout;
        const char* content;
        const char* scalar;
        const char* system;
        std::string asked; // the system the converter is asked for
        std::vector<double> x, y;
        std::vector<std::string> labels;
    } cases[] = {
        {"X,Y",
         "600000,4500000\r\n600010,4500005\r\n600020,4500010",
         "1",
         "UTM32",
         "UTM32",
         {600000, 600010, 600020},
         {4500000, 4500005, 4500010},
         {" 1", " 2", " 3"}},
        {"X,Y,Z", "6000,45000,7\r\n", "-1000", "", "WGS84", {6}, {45}, {" 1"}},
        {"Number,X,Y", "5,-3.5,40.25\r\n", "1", "ED50", "ED50", {-3.5}, {40.25}, {" 5"}},
    };
    const FormDriver& f = form();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        f.text("Text7").setText(c.scalar);
        f.combo("Combo2").setEditText(c.system);
        conversions.clear();
        convert(c.content, c.layout);
        EXPECT_EQ(desktop.messageTexts(), QStringList{kDone});
        ASSERT_EQ(conversions.size(), 1u);
        EXPECT_EQ(conversions[0].system, c.asked);
        EXPECT_EQ(conversions[0].x, c.x);
        EXPECT_EQ(conversions[0].y, c.y);

        const marovin::PointTable& table = window().roadState().points;
        ASSERT_EQ(table.size(), static_cast<std::int32_t>(c.x.size()));
        ASSERT_EQ(f.grid().rows(), table.size() + 1);
        for (int row = 0; row <= table.size(); ++row)
            for (int column = 0; column < 3; ++column)
                EXPECT_EQ(f.cell(row, column), marovin::grid_text(table, row, column));
        for (std::size_t k = 0; k < c.labels.size(); ++k)
            EXPECT_EQ(f.cell(static_cast<int>(k) + 1, 0), c.labels[k]);

        EXPECT_EQ(f.tab(), 1);
        EXPECT_TRUE(f.isStep("Command10", StepColour::Red));
        EXPECT_TRUE(f.isStep("Command9", StepColour::LightGrey));
        EXPECT_EQ(backColour(&f.button("Command1")), stepColourValue(StepColour::LightGrey));
        EXPECT_EQ(backColour(&f.button("Command8")), stepColourValue(StepColour::LightGrey));
        EXPECT_TRUE(f.button("Command2").isEnabled());
    }
}

// Each way a run stops with a message of its own: before the converter (the
// file's points, the scalar, the file type, the file itself), or at the
// converter. The earlier result stays whole.
TEST_F(TextRoadTest, ARunThatStopsChangesNothing)
{
    const struct {
        const char* layout;
        const char* content;
        const char* scalar;
        Fault fault;
        const char* problem;
        Desktop::Icon icon;
    } cases[] = {
        {"X,Y,Z", "1001;496000;5314000;450\r\n", "1", Fault::None,
         ", line 1 holds 4 fields, but the file type \"X,Y,Z\" takes 3", Desktop::Icon::Warning},
        {"X,Y", "600000,4500000\r\n", "0", Fault::None, "is 0", Desktop::Icon::Warning},
        {"x,y", "600000,4500000\r\n", "1", Fault::None, "The file type \"x,y\" is not one of", Desktop::Icon::Warning},
        {"X,Y", "600000,4500000\r\n", "1", Fault::Refuses, "The conversion failed: ", Desktop::Icon::Critical},
    };
    const FormDriver& f = form();
    convert("600000,4500000\r\n", "X,Y");
    ASSERT_EQ(window().roadState().points.size(), 1) << desktop.messageTexts().join("\n").toStdString();
    const WindowState earlier = WindowState::of(window());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        f.text("Text7").setText(c.scalar);
        choose(QStringLiteral("points.xyz"), c.content);
        f.combo("Combo1").setEditText(c.layout);
        fault = c.fault;
        desktop.messages.clear();
        const WindowState before = WindowState::of(window());
        f.click("Command9");
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].icon, c.icon);
        EXPECT_TRUE(desktop.messages[0].text.contains(QString::fromLatin1(c.problem)))
            << desktop.messages[0].text.toStdString();
        EXPECT_EQ(WindowState::of(window()), before);
        EXPECT_EQ(before.table, earlier.table);
        EXPECT_EQ(before.grid, earlier.grid);
    }
    // A file that cannot be read.
    fault = Fault::None;
    f.text("Text7").setText("1");
    desktop.messages.clear();
    f.text("Text1").setText(path("gone.xyz"));
    const WindowState before = WindowState::of(window());
    f.click("Command9");
    EXPECT_EQ(WindowState::of(window()), before);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].text.startsWith("Cannot read the XY file: "));
    EXPECT_TRUE(desktop.messages[0].text.contains(path("gone.xyz")));
}

// A short result: the converter's run succeeded, then its result cannot be
// read.
TEST_F(TextRoadTest, AShortResultIsToldAfterTheConversion)
{
    convert("600000,4500000\r\n", "X,Y");
    const WindowState earlier = WindowState::of(window());
    fault = Fault::ShortResult;
    desktop.messages.clear();
    form().click("Command9");
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].text, kDone);
    EXPECT_TRUE(desktop.messages[1].text.startsWith("Cannot read the converter's result: "));
    EXPECT_EQ(WindowState::of(window()), earlier);
}

// Command9 converts the file as the "Information" tab shows it: a file
// changed since it was chosen (or named by hand in Text1) is shown first and
// converted at the next click.
TEST_F(TextRoadTest, AChangedFileIsShownBeforeItIsConverted)
{
    const FormDriver& f = form();
    choose("points.xyz", "600000,4500000\r\n");
    f.combo("Combo1").setEditText("X,Y");
    writeBytes(path("points.xyz"), "600000;4500000\r\n600010;4500005\r\n");
    f.tabs().setCurrentIndex(0);
    for (const bool byHand : {false, true}) {
        SCOPED_TRACE(byHand ? "named by hand" : "changed");
        if (byHand) {
            writeBytes(path("other.xyz"), "600000 4500000\r\n600010 4500005\r\n");
            f.text("Text1").setText(path("other.xyz"));
        }
        desktop.messages.clear();
        f.click("Command9");
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(
            desktop.messages[0].text,
            (byHand ? "The \"Information\" tab now shows the XY file " + path("other.xyz") + " as it will be converted"
                    : "The XY file " + path("points.xyz") +
                          " has changed since it was chosen. The \"Information\" tab now shows it as it "
                          "will be converted") +
                ": check it and click Conversion again.");
        EXPECT_EQ(f.info().text(), "600000,4500000\r\n600010,4500005\r\n");
        EXPECT_EQ(f.tab(), 2);
        EXPECT_TRUE(conversions.empty());

        desktop.messages.clear();
        f.click("Command9");
        EXPECT_EQ(desktop.messageTexts(), QStringList{kDone});
        EXPECT_EQ(window().roadState().points.size(), 2);
        conversions.clear();
    }
}

// The remembered seismic file's scalar is the seismic road's: on the text
// road the points are divided by the scalar box as the user left it.
TEST_F(WindowTest, TheRememberedSeismicFileLeavesTheTextRoadsScalar)
{
    writeBytes(path("line1.sgy"), QByteArray::fromStdString(support::trace_line(false, 1, -100, {support::Trace{}})));
    writeBytes(iniPath, "[TERVALO]\r\nFichier 1=" + QFile::encodeName(path("line1.sgy")) + "\r\n");
    start(Desktop::Answer::No);
    writeBytes(path("points.xyz"), "600000,4500000\r\n");
    desktop.dialogAnswers.push_back(path("points.xyz"));
    form().click("Command1");
    form().combo("Combo1").setEditText("X,Y");
    form().click("Command9");
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].x, std::vector<double>{600000});
}

// Cancel stops the run and leaves everything as it was before the click.
TEST_F(TextRoadTest, CancelLeavesEverythingAsItWas)
{
    convert("600000,4500000\r\n", "X,Y");
    choose("points.xyz", "600000,4500000\r\n600010,4500005\r\n");
    const WindowState before = WindowState::of(window());
    const QStringList filesBefore = files();
    holdConversions = true;
    desktop.onProgress = [](RunView& run) { run.cancel(); };
    desktop.messages.clear();
    form().click("Command9");
    EXPECT_EQ(desktop.progressShown, QStringList{QStringLiteral("Converting")});
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(WindowState::of(window()), before);
    EXPECT_EQ(files(), filesBefore);
}

// Survey files as crews deliver them go from Command1 to a KML file whose
// points GDAL reads where PROJ puts their eastings and northings, named by
// their IDs: Command1 alone sets the file type, and the system an SPS header
// names.
TEST_F(TextRoadTest, SurveyFilesAsCrewsDeliverThemReachTheKmlWherePROJPutsThem)
{
    if (!support::have_tool("command -v ogrinfo"))
        GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
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

    const FormDriver& f = form();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::pair<double, double>> grid;
        for (const Point& p : c.points)
            grid.emplace_back(p.easting, p.northing);
        const std::vector<std::pair<double, double>> expected = support::cs2cs_degrees("EPSG:32632", grid);
        ASSERT_EQ(expected.size(), c.points.size()) << "cs2cs (Debian package proj-bin) is needed";

        f.combo("Combo1").setEditText("X,Y,Z");
        f.combo("Combo2").setEditText("UTM32");
        f.combo("Combo4").setEditText("1");
        const QString file = choose(QString::fromLatin1(c.file), c.bytes);
        EXPECT_EQ(f.combo("Combo1").currentText(), c.layout);
        EXPECT_EQ(f.combo("Combo2").currentText(), c.system);
        f.click("Command9");
        f.click("Command10");
        ASSERT_EQ(window().roadState().points.size(), static_cast<std::int32_t>(c.points.size()))
            << desktop.messageTexts().join("\n").toStdString();

        const std::vector<support::Feature> features = support::ogrinfo_features(
            "--config GDAL_SKIP LIBKML", QFile::encodeName(f.text("Text2").text()).toStdString());
        ASSERT_EQ(features.size(), c.points.size());
        for (std::size_t k = 0; k < features.size(); ++k) {
            EXPECT_NEAR(features[k].longitude, expected[k].first, 1e-8) << "point " << k + 1;
            EXPECT_NEAR(features[k].latitude, expected[k].second, 1e-8) << "point " << k + 1;
            EXPECT_EQ(features[k].name, "Station" + c.points[k].name) << "point " << k + 1;
        }
        EXPECT_EQ(readBytes(file), c.bytes);
    }
}

// What a file says of itself at its selection: the system a column names
// (or why none is taken), an SPS header's units other than metres, told and
// never scaled.
TEST_F(TextRoadTest, WhatTheFileSaysOfItselfIsTakenAndToldAtSelection)
{
    const FormDriver& f = form();
    const std::string sps = "H00 SPS format version number     SPS 2.1\r\n"
                            "H13 Geodetic Coordinate System   EPSG:2227\r\n"
                            "H200Description of grid units   American Feet;\r\n" +
                            support::sps_record(support::kSps2, 'S', "1", "1", 6e6, 2e6);
    const struct {
        const char* file;
        QByteArray content;
        QString layout, system, told, said;
    } cases[] = {
        {"collars.xyz",
         "HoleID,Easting,Northing,Grid\r\nDH1,612345,5523456,NAD83 / UTM zone 9N\r\nDH2,612350,5523460,nad83 / "
         "utm zone 9n\r\n",
         "Number,X,Y", "EPSG:26909",
         "The file names its system: system EPSG:26909, NAD83 / UTM zone 9N, from the column Grid.\r\n", kReminder},
        {"collars.xyz",
         "HoleID,Easting,Northing,Grid\r\nDH1,612345,5523456,EPSG:26909\r\nDH2,612350,5523460,EPSG:26910\r\n",
         "Number,X,Y", "UTM32",
         "The system is not taken from the file: the column Grid names more than one system: ", kReminder},
        {"feet.sps", QByteArray::fromStdString(sps), "SPS", "EPSG:2227",
         "\r\nH200Description of grid units   American Feet;\r\n",
         kReminder + ". The SPS header gives the grid units as American Feet: the coordinates are converted as they "
                     "stand, so the system must be one in those units."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        f.combo("Combo2").setEditText("UTM32");
        desktop.messages.clear();
        choose(QString::fromLatin1(c.file), c.content);
        EXPECT_EQ(f.combo("Combo1").currentText(), c.layout);
        EXPECT_EQ(f.combo("Combo2").currentText(), c.system);
        EXPECT_TRUE(f.info().text().contains(c.told)) << f.info().text().toStdString();
        EXPECT_EQ(desktop.messageTexts(), QStringList{c.said});
    }
}

} // namespace
