// The text road through the window: Command1 (XY file selection and the
// separator rewrite) and Command9 (the conversion run).
#include "shell/flex_grid.h"
#include "shell/info_view.h"
#include "shell/tab_control.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace {

// A stand-in converter: reads the job's data lines and writes a result whose
// longitude is X / 100000 and latitude Y / 100000, so tests see what reached
// the job in what order.
Desktop::ProgramRun fakeConverter(const KML_Main& w)
{
    const QList<QByteArray> lines = readBytes(w.jobFile("File.cvd")).split('\n');
    QByteArray result = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n";
    for (qsizetype i = 7; i < lines.size(); ++i) {
        const QList<QByteArray> xy = lines[i].simplified().split(' ');
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

    // Makes an XY file and chooses it through Command1.
    QString choose(const QString& name, const QByteArray& content)
    {
        const QString file = path(name);
        writeBytes(file, content);
        desktop.dialogAnswers.push_back(file);
        window().Command1_Click();
        return file;
    }

    // Runs Command9 on `content` with the stand-in converter.
    void convert(const QByteArray& content, const QString& layout)
    {
        KML_Main& w = window();
        const QString file = path("points.xyz");
        writeBytes(file, content);
        w.Text1->setText(file);
        w.Combo1->setEditText(layout);
        placeConverterStandIn();
        desktop.fakeProgramRun = [&w](const ScriptedDesktop::Launch&) { return fakeConverter(w); };
        w.Command9_Click();
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

TEST_F(TextRoadTest, XyFileIsRewrittenShownAndArmsConversion)
{
    KML_Main& w = window();
    writeBytes(path("pts.KML"), "older");
    const QString file = choose("pts.xyz", "12;600000;4500000\n13  600010    4500005 z\n");
    EXPECT_EQ(readBytes(file), "12,600000,4500000\r\n13,600010,,4500005 z\r\n");
    EXPECT_EQ(w.Text1->text(), file);
    EXPECT_EQ(w.Text2->text(), path("pts.KML"));
    EXPECT_EQ(readBytes(path("pts.KML")), "older");
    EXPECT_TRUE(w.RichTextBox1->text().contains("12,600000,4500000"));
    EXPECT_TRUE(w.Command2->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command1), stepColourValue(StepColour::ButtonFace));
    EXPECT_TRUE(w.Command9->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command9), stepColourValue(StepColour::Red));
    EXPECT_EQ(w.SSTab1->currentIndex(), 2);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Remember to select the original geodesic system");
    EXPECT_EQ(desktop.messages[0].title, "Marovin");
    EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Information);

    // ".segy" ends in "EGY": an XY file like any other
    choose("line2.segy", "1;2\r\n");
    EXPECT_EQ(w.Text2->text(), path("line2.sKML"));
    EXPECT_EQ(readBytes(path("line2.segy")), "1,2\r\n");
}

TEST_F(TextRoadTest, FileThatIsNotTextIsLeftAsItWasAndTheRoadStops)
{
    KML_Main& w = window();
    const QByteArray bytes("1;2\0  3\r\n", 9);
    const QString file = choose("trace.xyz", bytes);
    EXPECT_EQ(readBytes(file), bytes);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, "Marovin");
    EXPECT_TRUE(desktop.messages[0].text.contains(file));
    EXPECT_FALSE(w.Command9->isEnabled());
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_NE(w.SSTab1->currentIndex(), 2);
}

TEST_F(TextRoadTest, NumberLayoutKeepsFileNumbersInTheGridButNumbersTheTableFromOne)
{
    KML_Main& w = window();
    convert("101,600000,4500000,12\r\n102,600010,4500005,13\r\n", "Number,X,Y,Z");
    ASSERT_EQ(w.Nb_Points, 2) << desktop.messageTexts().join("\n").toStdString();
    const QList<QByteArray> job = jobLines();
    ASSERT_GE(job.size(), 9);
    EXPECT_EQ(job[0], "Depart=UTM32\r");
    EXPECT_EQ(job[1], "UniteDepart=DDEC\r");
    EXPECT_EQ(job[7], " 600000  4500000 \r");
    EXPECT_EQ(job[8], " 600010  4500005 \r");
    EXPECT_EQ(w.VSFlexGrid1->rows(), 3);
    EXPECT_EQ(w.VSFlexGrid1->cols(), 3);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(0, 1), "X");
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(0, 2), "Y");
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 0), " 101");
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(2, 0), " 102");
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(2, 1), "6.0001");  // longitude from the result
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(2, 2), "45.00005"); // latitude
    EXPECT_EQ(w.Point_Table.number(1, 3), 1);
    EXPECT_EQ(w.Point_Table.number(2, 3), 2);
    EXPECT_DOUBLE_EQ(w.Point_Table.number(2, 1), 6.0001);
    EXPECT_DOUBLE_EQ(w.Point_Table.number(2, 2), 45.00005);

    EXPECT_EQ(w.SSTab1->currentIndex(), 1);
    EXPECT_TRUE(w.Command10->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command10), stepColourValue(StepColour::Red));
    EXPECT_TRUE(w.Command9->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command9), stepColourValue(StepColour::LightGrey));
    EXPECT_EQ(KML_Main::backColour(w.Command1), stepColourValue(StepColour::LightGrey));
    EXPECT_EQ(KML_Main::backColour(w.Command8), stepColourValue(StepColour::LightGrey));
    EXPECT_TRUE(w.Command2->isEnabled());
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
        {"X,Y", "600000,4500000\r\n1,2\r\n3,4", "1", "UTM32",
         {" 600000  4500000 \r", " 1  2 \r", " 3  4 \r"}, {" 1", " 2", " 3"}},
        {"X,Y,Z", "600000,4500000,7\r\n", "-1000", "", {" 600  4500 \r"}, {" 1"}},
        {"Number,X,Y", "5,-3.5,2\r\n", "1", "ED50", {"-3.5  2 \r"}, {" 5"}},
        // the line with three fields shifts the next point
        {"X,Y", "1,2,3\r\n4,5\r\n", "1", "UTM32", {" 1  2 \r", " 3  4 \r"}, {" 1", " 2"}},
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
            EXPECT_EQ(w.Point_Table.number(static_cast<std::int32_t>(k) + 1, 3), static_cast<double>(k + 1));
        }
        EXPECT_EQ(w.Nb_Points, static_cast<std::int32_t>(c.data.size()));
        EXPECT_EQ(w.VSFlexGrid1->rows(), static_cast<int>(c.data.size()) + 1);
    }
}

TEST_F(TextRoadTest, RunThatCannotReadItsPointsStopsBeforeTheConverterAndKeepsEverything)
{
    struct {
        const char* layout;
        const char* content;
        const char* scalar;
        const char* problem;
    } const cases[] = {
        {"X,Y", "1,2\r\n600000 4500000\r\n", "1", "line 2"},      // single blanks
        {"X,Y,Z", "1,north,3\r\n", "1", "line 1"},                // text in a coordinate
        {"X,Y,Z", "1,2,3\r\n4,5\r\n", "1", "line 2"},             // the file ends early
        {"X,Y", "1,2\r\n3,4\r\n\r\n", "1", "line 3"},             // the empty last line is a point
        {"X,Y", "1,2\r\n", "0", "is 0"},
        {"X,Y", "1,2\r\n", "abc", "not a number"},
        {"x,y", "1,2\r\n", "1", "x,y"},
    };
    KML_Main& w = window();
    for (const auto& c : cases) {
        w.Point_Table.recreate(1);
        ASSERT_TRUE(w.Point_Table.set(1, 1, marovin::Cell::real(7.5)).ok());
        w.Nb_Points = 1;
        w.VSFlexGrid1->setRows(2);
        w.VSFlexGrid1->setCols(3);
        w.VSFlexGrid1->setTextMatrix(1, 1, "kept");
        w.Command10->setEnabled(false);
        desktop.messages.clear();
        w.Text7->setText(c.scalar);
        convert(c.content, c.layout);

        ASSERT_EQ(desktop.messages.size(), 1u) << c.content;
        EXPECT_EQ(desktop.messages[0].title, "Marovin");
        EXPECT_TRUE(desktop.messages[0].text.contains(c.problem)) << desktop.messages[0].text.toStdString();
        EXPECT_TRUE(desktop.launches.empty());
        EXPECT_FALSE(QFile::exists(w.jobFile("File.cvd")));
        EXPECT_EQ(w.Nb_Points, 1);
        EXPECT_EQ(w.Point_Table.rows(), 2);
        EXPECT_EQ(w.Point_Table.number(1, 1), 7.5);
        EXPECT_EQ(w.VSFlexGrid1->rows(), 2);
        EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 1), "kept");
        EXPECT_FALSE(w.Command10->isEnabled());
    }

    // a file that cannot be opened
    desktop.messages.clear();
    w.Text1->setText(path("gone.xyz"));
    w.Command9_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].text.contains("gone.xyz"));
    EXPECT_EQ(w.Nb_Points, 1);
}

TEST_F(TextRoadTest, ConverterFailureKeepsTheTableAndGrid)
{
    KML_Main& w = window();
    w.Point_Table.recreate(1);
    w.Nb_Points = 1;
    w.VSFlexGrid1->setRows(2);
    w.VSFlexGrid1->setCols(3);
    w.VSFlexGrid1->setTextMatrix(1, 1, "kept");
    writeBytes(path("points.xyz"), "600000,4500000\r\n");
    w.Text1->setText(path("points.xyz"));
    w.Combo1->setEditText("X,Y");
    placeConverterStandIn();
    desktop.fakeProgramRun = [](const ScriptedDesktop::Launch&) {
        Desktop::ProgramRun run;
        run.started = true;
        run.exitCode = 2;
        run.errorOutput = "unknown system";
        return run;
    };
    w.Command9_Click();
    EXPECT_EQ(desktop.launches.size(), 1u);
    EXPECT_EQ(w.Nb_Points, 1);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 1), "kept");
    EXPECT_FALSE(w.Command10->isEnabled());
}

TEST_F(TextRoadTest, RememberedSeismicFileRescalesOnlyTheSeismicRoad)
{
    // One SEG-Y trace of one sample whose coordinate scalar is -100.
    QByteArray segy(3600 + 240 + 4, '\0');
    segy[3600 + 70] = char(0xFF);
    segy[3600 + 71] = char(0x9C);
    segy[3600 + 115] = 1;
    writeBytes(path("line1.sgy"), segy);
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

// WGS84 / UTM forward projection by Krüger's series (to third order in n),
// independent of the converter's PROJ, to check a real run against.
void utmForward(double latitude, double longitude, int zone, double& easting, double& northing)
{
    const double pi = std::acos(-1.0);
    const double a = 6378137.0, f = 1 / 298.257223563, k0 = 0.9996;
    const double n = f / (2 - f);
    const double e = std::sqrt(f * (2 - f));
    const double A = a / (1 + n) * (1 + n * n / 4 + n * n * n * n / 64);
    const double alpha[3] = {n / 2 - 2 * n * n / 3 + 5 * n * n * n / 16, 13 * n * n / 48 - 3 * n * n * n / 5,
                             61 * n * n * n / 240};
    const double phi = latitude * pi / 180;
    const double dlambda = (longitude - (zone * 6 - 183)) * pi / 180;
    const double t = std::sinh(std::atanh(std::sin(phi)) - e * std::atanh(e * std::sin(phi)));
    const double xi = std::atan(t / std::cos(dlambda));
    const double eta = std::atanh(std::sin(dlambda) / std::sqrt(1 + t * t));
    double x = eta, y = xi;
    for (int j = 1; j <= 3; ++j) {
        x += alpha[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
        y += alpha[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
    }
    easting = 500000 + k0 * A * x;
    northing = k0 * A * y;
}

TEST_F(TextRoadTest, FullRunThroughTheRealConverterGivesWgs84Degrees)
{
    const QString converter = QStringLiteral(MAROVIN_PROGRAM_DIR "/convers");
    if (!QFile::exists(converter))
        GTEST_SKIP() << "the converter is not built";
    ASSERT_TRUE(QFile::copy(converter, programDir + "/convers"));
    QFile::setPermissions(programDir + "/convers", QFile::permissions(converter));

    struct {
        double latitude, longitude;
    } const places[] = {{45, 9}, {0, 9}, {48.8566, 10.25}, {44.5, 6.3}, {54.3, 11.9}};
    // Published check: 45°N 9°E lies at 500000 E, 4982950.400 N in zone 32.
    double e45 = 0, n45 = 0;
    utmForward(45, 9, 32, e45, n45);
    ASSERT_NEAR(e45, 500000, 1e-6);
    ASSERT_NEAR(n45, 4982950.400, 1e-3);

    QByteArray content;
    int number = 500;
    for (const auto& p : places) {
        double easting = 0, northing = 0;
        utmForward(p.latitude, p.longitude, 32, easting, northing);
        content += QByteArray::number(number++) + ";" + QByteArray::number(easting, 'f', 4) + ";" +
                   QByteArray::number(northing, 'f', 4) + ";100\r\n";
    }
    KML_Main& w = window();
    const QString file = choose("survey.xyz", content);
    ASSERT_TRUE(w.Command9->isEnabled());
    w.Combo1->setEditText("Number,X,Y,Z");
    w.Combo2->setEditText("UTM32");
    w.Command9_Click();
    ASSERT_EQ(w.Nb_Points, 5) << desktop.messageTexts().join("\n").toStdString();
    for (int i = 1; i <= 5; ++i) {
        EXPECT_NEAR(w.Point_Table.number(i, 1), places[i - 1].longitude, 1e-8) << "point " << i;
        EXPECT_NEAR(w.Point_Table.number(i, 2), places[i - 1].latitude, 1e-8) << "point " << i;
        EXPECT_EQ(w.Point_Table.number(i, 3), i);
        EXPECT_EQ(w.VSFlexGrid1->textMatrix(i, 0), " " + std::to_string(499 + i));
    }
    EXPECT_TRUE(desktop.messageTexts().contains("Conversion done !"));
    EXPECT_TRUE(w.Command10->isEnabled());
}

TEST_F(TextRoadTest, SampleStationsGoFromSelectionToKmlOnceTheirLayoutIsChosen)
{
    const QString sample = QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/stations.xyz");
    const QString converter = QStringLiteral(MAROVIN_PROGRAM_DIR "/convers");
    if (!QFile::exists(sample) || !QFile::exists(converter))
        GTEST_SKIP() << "the samples or the converter are not built";
    ASSERT_TRUE(QFile::copy(converter, programDir + "/convers"));
    QFile::setPermissions(programDir + "/convers", QFile::permissions(converter));

    KML_Main& w = window();
    const QString file = choose("stations.xyz", readBytes(sample));
    w.Combo1->setEditText("Number,X,Y,Z");
    w.Command9_Click();
    ASSERT_EQ(w.Nb_Points, 300) << desktop.messageTexts().join("\n").toStdString();
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 0), " 1001");
    for (int i = 1; i <= w.Nb_Points; ++i) { // the line lies in zone 32, north of the Alps
        EXPECT_NEAR(w.Point_Table.number(i, 1), 8.9, 0.5) << i;
        EXPECT_NEAR(w.Point_Table.number(i, 2), 47.9, 0.5) << i;
    }
    w.Command10_Click();
    EXPECT_EQ(w.Text2->text(), path("stations.KML"));
    EXPECT_EQ(readBytes(path("stations.KML")).count("<Placemark"), 300);
}

} // namespace
