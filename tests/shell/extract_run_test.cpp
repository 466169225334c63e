#include "window_fixture.h"

#include "shell/flex_grid.h"
#include "shell/tab_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

namespace {

const QString kProblem = QStringLiteral("Check your seismic file XY problem !");

// Trace-header words of one trace of a line built by the test.
struct Trace {
    std::int32_t sequence = 0, ffid = 0, sp = 0, cdp = 0;
    std::int32_t sx = 0, sy = 0, gx = 0, gy = 0;
};

// Writes a SEG-Y (or SU) line whose first trace carries the samples and
// scalar words that the header read needs.
void writeLine(const QString& path, bool su, std::int16_t samples, std::int16_t scalar, const std::vector<Trace>& traces)
{
    std::string bytes(su ? 0 : 3600, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + static_cast<std::size_t>(i)] =
                static_cast<char>(value >> (su ? 8 * i : 8 * (size - 1 - i)));
    };
    for (const Trace& t : traces) {
        const std::size_t b = bytes.size();
        bytes.resize(b + 240 + 4 * static_cast<std::size_t>(samples), '\0');
        const std::pair<int, std::int32_t> words[] = {{1, t.sequence}, {9, t.ffid}, {17, t.sp}, {21, t.cdp},
                                                      {73, t.sx},      {77, t.sy},   {81, t.gx}, {85, t.gy}};
        for (const auto& [position, value] : words)
            put(b + static_cast<std::size_t>(position) - 1, static_cast<std::uint32_t>(value), 4);
        put(b + 70, static_cast<std::uint16_t>(scalar), 2);
        put(b + 114, static_cast<std::uint16_t>(samples), 2);
    }
    std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                                               static_cast<std::streamsize>(bytes.size()));
}

std::string readAll(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const std::vector<Trace> kLine = {
    {1, 101, 1000, 2001, 49000000, 530000000, 61234550, 481234525},
    {2, 101, 1000, 2002, 49000000, 530000000, -100000, 50000000},
    {3, 102, 1030, -5, 49000000, 530000000, 70000000, 481200000},
};

class ExtractRunTest : public WindowTest {
protected:
    // A stand-in converter: the launch check wants the program in place, the
    // run itself is answered by `fakeProgramRun`. Each record's latitude is
    // Y / 100000 and longitude X / 100000, so rows can be told apart.
    void fakeConverter(int records = -1, int exitCode = 0)
    {
        QFile file(window().converterPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        desktop.fakeProgramRun = [this, records, exitCode](const ScriptedDesktop::Launch&) {
            ScriptedDesktop::ProgramRun run;
            run.started = true;
            run.exitCode = exitCode;
            if (exitCode != 0) {
                run.errorOutput = QStringLiteral("convers: unknown system \"XX\"\n");
                return run;
            }
            std::istringstream job(readAll(window().jobFile(QStringLiteral("File.cvd"))));
            std::ostringstream result;
            result << std::setprecision(15) << "convers result\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n";
            std::string line;
            for (int skip = 0; skip < 7; ++skip)
                std::getline(job, line);
            int written = 0;
            double x = 0, y = 0;
            while (job >> x >> y && (records < 0 || written < records))
                result << ++written << ",P," << y / 1e5 << ',' << x / 1e5 << ",0\r\n";
            std::ofstream(window().jobFile(QStringLiteral("File.cva")).toStdString(), std::ios::binary)
                << result.str();
            return run;
        };
    }

    // Reads the line's header as the user's Command7 would.
    void selectLine(const QString& path)
    {
        window().Text4->setText(path);
        ASSERT_TRUE(window().lecture_SU().ok());
        desktop.messages.clear();
    }

    // A recognisable earlier state: a failed run must leave all of it.
    void seedEarlierResult()
    {
        KML_Main& w = window();
        w.Point_Table.recreate(2);
        ASSERT_TRUE(w.Point_Table.set(2, 3, marovin::Cell::int32(77)).ok());
        w.Nb_Points = 2;
        w.VSFlexGrid1->setCols(3);
        w.VSFlexGrid1->setRows(3);
        w.VSFlexGrid1->setTextMatrix(2, 0, " 77");
        w.Combo3->setEditText(QStringLiteral("Station"));
        w.Command3->setEnabled(false);
        KML_Main::setBackColour(w.Command8, StepColour::Red);
        w.SSTab1->setCurrentIndex(3);
    }
    void expectEarlierResult()
    {
        KML_Main& w = window();
        EXPECT_EQ(w.Nb_Points, 2);
        EXPECT_EQ(w.Point_Table.rows(), 3);
        EXPECT_EQ(w.Point_Table.number(2, 3), 77);
        EXPECT_EQ(w.VSFlexGrid1->rows(), 3);
        EXPECT_EQ(w.VSFlexGrid1->textMatrix(2, 0), " 77");
        EXPECT_EQ(w.Combo3->currentText(), QStringLiteral("Station"));
        EXPECT_FALSE(w.Command3->isEnabled());
        EXPECT_EQ(KML_Main::backColour(w.Command8), stepColourValue(StepColour::Red));
        EXPECT_EQ(w.SSTab1->currentIndex(), 3);
    }
};

TEST_F(ExtractRunTest, EveryTraceBecomesARowOfTheTableAndTheGrid)
{
    const QString line = path(QStringLiteral("line1.sgy"));
    writeLine(line, false, 1000, -100, kLine);
    selectLine(line);
    fakeConverter();
    KML_Main& w = window();
    w.Combo6->setEditText(QStringLiteral("LT93"));
    w.Combo7->setEditText(QStringLiteral("CDP"));
    w.Command8_Click();

    ASSERT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    // Trace 2's data line is the ninth line of the job.
    EXPECT_EQ(readAll(w.jobFile(QStringLiteral("File.cvd"))),
              "Depart=LT93\r\nUniteDepart=M\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n"
              " 612345.5  4812345.25 \r\n-1000  500000 \r\n 700000  4812000 \r\n");

    EXPECT_EQ(w.Nb_Points, 3);
    ASSERT_EQ(w.Point_Table.rows(), 4);
    // Column 1 longitude (field 4), column 2 latitude (field 3), column 3
    // the label as a 32-bit integer; row 0 and column 0 stay empty.
    EXPECT_DOUBLE_EQ(w.Point_Table.number(1, 1), 6.123455);
    EXPECT_DOUBLE_EQ(w.Point_Table.number(1, 2), 48.1234525);
    EXPECT_EQ(*w.Point_Table.get(3, 3), marovin::Cell::int32(-5));
    EXPECT_TRUE(w.Point_Table.get(0, 1)->empty());
    EXPECT_TRUE(w.Point_Table.get(1, 0)->empty());

    const FlexGrid& g = *w.VSFlexGrid1;
    ASSERT_EQ(g.rows(), 4);
    ASSERT_EQ(g.cols(), 3);
    const std::vector<std::vector<std::string>> expected = {
        {"", "X", "Y"},
        {" 2001", "6.123455", "48.1234525"},
        {" 2002", "-.01", "5"},
        {"-5", "7", "48.12"},
    };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(g.textMatrix(r, c), expected[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
                << r << ',' << c;

    EXPECT_EQ(w.Combo3->currentText(), QStringLiteral("CDP"));
    EXPECT_TRUE(w.Command3->isEnabled());
    EXPECT_EQ(KML_Main::backColour(w.Command3), stepColourValue(StepColour::Red));
    EXPECT_EQ(KML_Main::backColour(w.Command8), stepColourValue(StepColour::LightGrey));
    EXPECT_EQ(w.SSTab1->currentIndex(), 1);
}

TEST_F(ExtractRunTest, LabelAndPairChoicesReachTheGridOfAnSuLine)
{
    const QString line = path(QStringLiteral("line1.su"));
    writeLine(line, true, 500, -100, kLine);
    selectLine(line);
    fakeConverter();
    KML_Main& w = window();
    w.Combo5->setEditText(QStringLiteral("X,Y source coordinate"));
    w.Combo7->setEditText(QStringLiteral("FFID"));
    w.Text7->setText(QStringLiteral("1000"));
    w.Command8_Click();
    ASSERT_EQ(w.Nb_Points, 3);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(3, 0), " 102");
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(3, 1), ".49");  // 49000000 / 1000 / 1e5
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(3, 2), "5.3");
    EXPECT_EQ(w.Combo3->currentText(), QStringLiteral("FFID"));
}

TEST_F(ExtractRunTest, AnyFailureShowsOneMessageAndLeavesTheWindowAsItWas)
{
    const QString line = path(QStringLiteral("line1.sgy"));
    writeLine(line, false, 1000, -100, kLine);
    selectLine(line);
    KML_Main& w = window();
    ASSERT_TRUE(w.makeJobFolder());
    const QString job = w.jobFile(QStringLiteral("File.cvd"));

    const struct {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"scalar 0", [&] { w.Text7->setText(QStringLiteral("0")); }},
        {"scalar not a number", [&] { w.Text7->setText(QStringLiteral("1OO")); }},
        {"trace beyond the end", [&] { w.Header.Nb_Traces = 4; }},
        {"short result", [&] { fakeConverter(2); }},
        {"seismic file gone since it was read", [&] {
             ASSERT_TRUE(QFile::copy(line, path(QStringLiteral("gone.sgy"))));
             selectLine(path(QStringLiteral("gone.sgy")));
             ASSERT_TRUE(QFile::remove(path(QStringLiteral("gone.sgy"))));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        selectLine(line);
        fakeConverter();
        c.arrange();
        seedEarlierResult();
        w.Command8_Click();
        ASSERT_FALSE(desktop.messages.empty());
        const ScriptedDesktop::Message& last = desktop.messages.back();
        EXPECT_EQ(last.text, kProblem);
        EXPECT_EQ(last.title, QStringLiteral("Marovin"));
        EXPECT_EQ(last.icon, Desktop::Icon::Critical);
        expectEarlierResult();
    }
    // A path naming no file creates nothing.
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("gone.sgy"))));

    // The failed runs left nothing open: the next run works.
    selectLine(line);
    fakeConverter();
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_EQ(w.Nb_Points, 3);
    EXPECT_TRUE(QFileInfo::exists(job));
}

// The header state belongs to the file it was read from. After a good
// read of a.sgy, Text4 may come to name another file: by a read that failed
// (the tab still shows a.sgy's values), by a typed path, or by emptying the
// box. Extracting then would read that file with a.sgy's layout; it is
// refused, nothing is written or launched, and the earlier result stays.
TEST_F(ExtractRunTest, ExtractionRunsOnlyOnTheFileWhoseHeadersWereRead)
{
    const QString good = path(QStringLiteral("a.sgy"));
    writeLine(good, false, 1000, -100, kLine);
    const QString other = path(QStringLiteral("c.sgy"));
    writeLine(other, false, 250, -100, kLine);
    const QString broken = path(QStringLiteral("b.su"));
    writeLine(broken, true, 500, INT16_MIN, kLine); // a scalar with no magnitude: the read fails
    KML_Main& w = window();
    w.Input_Mode = QStringLiteral("SEGY");
    fakeConverter();

    const struct {
        const char* what;
        std::function<void()> change;
        QString text4;
        bool armed; // Command8 still enabled and red
    } cases[] = {
        {"a failed read", [&] { desktop.dialogAnswers.push_back(broken); w.Command7_Click(); }, broken, false},
        {"a typed path", [&] { w.Text4->setText(other); }, other, true},
        {"an emptied box", [&] { w.Text4->clear(); }, QString(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.dialogAnswers.push_back(good);
        w.Command7_Click();
        ASSERT_EQ(w.Header_File, good);
        ASSERT_TRUE(w.Command8->isEnabled());
        c.change();
        EXPECT_EQ(w.Text4->text(), c.text4);
        EXPECT_EQ(w.Text8->text(), path(QStringLiteral("A.KML"))) << "tab 3 shows a.sgy's values";
        EXPECT_EQ(w.Command8->isEnabled(), c.armed);
        EXPECT_EQ(KML_Main::backColour(w.Command8),
                  stepColourValue(c.armed ? StepColour::Red : StepColour::Light3D));

        seedEarlierResult();
        KML_Main::setBackColour(w.Command8, StepColour::Red);
        desktop.messages.clear();
        desktop.launches.clear();
        w.Command8_Click(); // as a click would, were the button enabled
        ASSERT_EQ(desktop.messages.size(), 1u);
        const ScriptedDesktop::Message& refusal = desktop.messages[0];
        EXPECT_TRUE(refusal.text.contains(QStringLiteral("\"SEGY or SU file\""))) << refusal.text.toStdString();
        if (!c.text4.isEmpty()) {
            EXPECT_TRUE(refusal.text.contains(c.text4)) << refusal.text.toStdString();
        }
        EXPECT_TRUE(refusal.text.contains(good)) << refusal.text.toStdString();
        EXPECT_EQ(refusal.icon, Desktop::Icon::Warning);
        EXPECT_TRUE(desktop.launches.empty());
        EXPECT_EQ(w.jobFile(QStringLiteral("File.cvd")), QString()) << "no job was written";
        expectEarlierResult();
    }

    // Choosing the file again arms the run, which then reads that file.
    desktop.dialogAnswers.push_back(other);
    w.Command7_Click();
    EXPECT_TRUE(w.Command8->isEnabled());
    desktop.messages.clear();
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_EQ(w.Nb_Points, 3);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 1), "6.123455");
}

TEST_F(ExtractRunTest, NoSeismicFileLeavesAnEarlierJobAlone)
{
    KML_Main& w = window();
    ASSERT_TRUE(w.makeJobFolder());
    const QString job = w.jobFile(QStringLiteral("File.cvd"));
    std::ofstream(job.toStdString()) << "earlier job";
    const QString line = path(QStringLiteral("line1.sgy"));
    writeLine(line, false, 250, -100, kLine);
    selectLine(line);
    ASSERT_TRUE(QFile::remove(line));
    fakeConverter();
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{kProblem});
    EXPECT_TRUE(desktop.launches.empty());
    EXPECT_EQ(readAll(job), "earlier job");
}

TEST_F(ExtractRunTest, ConverterFailureGetsOnlyItsOwnMessage)
{
    const QString line = path(QStringLiteral("line1.sgy"));
    writeLine(line, false, 1000, -100, kLine);
    selectLine(line);
    fakeConverter(-1, 2);
    seedEarlierResult();
    window().Command8_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.messages[0].text, kProblem);
    EXPECT_TRUE(desktop.messages[0].text.contains(QStringLiteral("unknown system")));
    expectEarlierResult();
}

TEST_F(ExtractRunTest, ZeroTracesWriteAHeaderOnlyJobAndAOneRowGrid)
{
    KML_Main& w = window();
    // The file header alone: a SEG-Y file of no traces.
    const QString line = path(QStringLiteral("empty.sgy"));
    writeLine(line, false, 250, -100, {kLine[0]});
    std::filesystem::resize_file(line.toStdString(), 3600);
    selectLine(line);
    ASSERT_EQ(w.Header.Nb_Traces, 0);
    fakeConverter();
    seedEarlierResult();
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_EQ(readAll(w.jobFile(QStringLiteral("File.cvd"))),
              "Depart=UTM32\r\nUniteDepart=M\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n");
    EXPECT_EQ(w.Nb_Points, 0);
    EXPECT_EQ(w.Point_Table.rows(), 1);
    EXPECT_EQ(w.VSFlexGrid1->rows(), 1);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(0, 1), "X");
    EXPECT_TRUE(w.Command3->isEnabled());
}

// Trace headers whose coordinates are angles (units word 2, seconds of arc)
// give longitudes and latitudes: the run needs a geographic system, and
// stops before the job without one.
TEST_F(ExtractRunTest, AnglesRunOnlyWithAGeographicSystem)
{
    const QString line = path(QStringLiteral("arc.sgy"));
    writeLine(line, false, 1000, -100, kLine);
    {
        std::fstream file(line.toStdString(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(3600 + 88);
        file.write("\0\2", 2); // units of the first trace: seconds of arc
    }
    selectLine(line);
    KML_Main& w = window();
    ASSERT_TRUE(w.Label15->text().endsWith(QStringLiteral("coordinates in seconds of arc")))
        << w.Label15->text().toStdString();
    fakeConverter();
    for (const char* system : {"UTM32", "MyGrid"}) {
        SCOPED_TRACE(system);
        seedEarlierResult();
        desktop.messages.clear();
        w.Combo6->setEditText(QString::fromLatin1(system));
        w.Command8_Click();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_TRUE(desktop.messages[0].text.contains(QStringLiteral("for example WGS84")));
        EXPECT_TRUE(desktop.messages[0].text.contains(QString::fromLatin1(system)));
        EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Warning);
        EXPECT_TRUE(desktop.launches.empty());
        expectEarlierResult();
    }
    w.Combo6->setEditText(QStringLiteral("WGS84"));
    desktop.messages.clear();
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
}

// Inverse transverse Mercator on WGS84 by Krüger's series to third order
// in n (millimetre-exact within a zone): an independent check of the
// converter's UTM zone 32 north results.
void utm32ToWgs84(double easting, double northing, double& longitude, double& latitude)
{
    const double a = 6378137.0, f = 1 / 298.257223563, k0 = 0.9996;
    const double n = f / (2 - f), n2 = n * n, n3 = n2 * n;
    const double A = a / (1 + n) * (1 + n2 / 4 + n2 * n2 / 64);
    const double beta[3] = {n / 2 - 2 * n2 / 3 + 37 * n3 / 96, n2 / 48 + n3 / 15, 17 * n3 / 480};
    const double delta[3] = {2 * n - 2 * n2 / 3 - 2 * n3, 7 * n2 / 3 - 8 * n3 / 5, 56 * n3 / 15};
    const double xi = northing / (k0 * A), eta = (easting - 500000) / (k0 * A);
    double xi1 = xi, eta1 = eta;
    for (int j = 1; j <= 3; ++j) {
        xi1 -= beta[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
        eta1 -= beta[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
    }
    const double chi = std::asin(std::sin(xi1) / std::cosh(eta1));
    double phi = chi;
    for (int j = 1; j <= 3; ++j)
        phi += delta[j - 1] * std::sin(2 * j * chi);
    latitude = phi * 180 / M_PI;
    longitude = 9 + std::atan2(std::sinh(eta1), std::cos(xi1)) * 180 / M_PI;
}

TEST(UtmReference, SeriesAgreesWithPublishedPoints)
{
    // Values from PROJ's cs2cs EPSG:32632 -> EPSG:4326.
    const struct {
        double e, n, lon, lat;
    } points[] = {
        {612345.5, 4812345.25, 10.3886271787, 43.4555852824},
        {500000, 5000000, 9.0, 45.1534771834},
        {450000.12, 5300000.5, 8.3316355400, 47.8514010229},
    };
    for (const auto& p : points) {
        double lon = 0, lat = 0;
        utm32ToWgs84(p.e, p.n, lon, lat);
        EXPECT_NEAR(lon, p.lon, 1e-8); // about a millimetre
        EXPECT_NEAR(lat, p.lat, 1e-8);
    }
}

// The sample line through the real converter: the grid shows every
// receiver's WGS84 degrees.
class SampleLineRun : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SampleLineRun, GridHoldsTheConvertedDegreesOfEveryTrace)
{
    const QString sample = QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/") + QString::fromLatin1(GetParam());
    const QString converter = ProgramFolder(QStringLiteral(MAROVIN_PROGRAM_DIR)).converter();
    ASSERT_TRUE(QFileInfo::exists(sample)) << "the build makes the sample line";
    ASSERT_TRUE(QFileInfo::exists(converter)) << "the build makes the converter";
    KML_Main& w = window();
    ASSERT_TRUE(QFile::copy(converter, w.converterPath()));
    w.Text4->setText(sample);
    ASSERT_TRUE(w.lecture_SU().ok());
    desktop.messages.clear();
    ASSERT_EQ(w.Text7->text(), QStringLiteral("-100"));

    w.Command8_Click();
    ASSERT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    ASSERT_EQ(w.Nb_Points, 300);
    ASSERT_EQ(w.VSFlexGrid1->rows(), 301);
    for (int t = 1; t <= 300; ++t) {
        // Trace t records receiver station 1000 + t: 20 m east and 15 m
        // north per station from (496000, 5314000); CDP is the sum of the
        // shot's and the receiver's stations.
        const double easting = 496000.0 + 20.0 * (t - 1), northing = 5314000.0 + 15.0 * (t - 1);
        double lon = 0, lat = 0;
        utm32ToWgs84(easting, northing, lon, lat);
        const int cdp = 1000 + (t - 1) / 30 * 30 + 1000 + t;
        ASSERT_EQ(w.VSFlexGrid1->textMatrix(t, 0), " " + std::to_string(cdp)) << t;
        EXPECT_NEAR(std::stod(w.VSFlexGrid1->textMatrix(t, 1)), lon, 1e-7) << t;
        EXPECT_NEAR(std::stod(w.VSFlexGrid1->textMatrix(t, 2)), lat, 1e-7) << t;
    }
    EXPECT_EQ(KML_Main::backColour(w.Command3), stepColourValue(StepColour::Red));
}

// The real files of the shared reference folder, chosen and converted
// through the window as a user would: the counts, labels and coordinates of
// the folder's README. f3's source coordinates are ED50 / UTM zone 31
// ("UTM31E"); the other files hold zeros, which WGS84 keeps.
TEST_F(WindowTest, SharedSeismicFilesGiveTheirReadmeValuesThroughTheWindow)
{
    const QString folder = QStringLiteral(MAROVIN_SHARED_DATA_DIR "/seismic/");
    if (!QFileInfo(folder).isDir())
        GTEST_SKIP() << "no reference folder " << folder.toStdString();
    const struct {
        const char* name;
        int traces;
        bool bigEndian;
        const char* pair;
        const char* system;
        const char *firstCdp, *lastCdp;
        double longitude, latitude; // of the first point
    } files[] = {
        {"small.sgy", 25, true, "X,Y receiver coordinate", "WGS84", " 0", " 0", 0, 0},
        {"small-lsb.sgy", 25, false, "X,Y receiver coordinate", "WGS84", " 0", " 0", 0, 0},
        {"f3.sgy", 414, true, "X,Y source coordinate", "UTM31E", " 875", " 892", 4.87, 54.80},
        {"Format8msb.sgy", 414, true, "X,Y source coordinate", "UTM31E", " 875", " 892", 4.87, 54.80},
        {"Format6lsb.sgy", 414, false, "X,Y source coordinate", "UTM31E", " 875", " 892", 4.87, 54.80},
        {"multi-text.sgy", 1, true, "X,Y receiver coordinate", "WGS84", " 0", " 0", 0, 0},
        {"shot-gather.sgy", 61, true, "X,Y receiver coordinate", "WGS84", " 0", " 0", 0, 0},
        {"small.su", 25, true, "X,Y receiver coordinate", "WGS84", " 20", " 24", 0, 0},
        {"small-lsb.su", 25, false, "X,Y receiver coordinate", "WGS84", " 20", " 24", 0, 0},
    };
    const QString converter = ProgramFolder(QStringLiteral(MAROVIN_PROGRAM_DIR)).converter();
    ASSERT_TRUE(QFile::copy(converter, window().converterPath()));
    KML_Main& w = window();
    w.Input_Mode = QStringLiteral("SEGY");
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        desktop.messages.clear();
        desktop.dialogAnswers.push_back(folder + QString::fromLatin1(f.name));
        w.Command7_Click();
        ASSERT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Remember to select the original geodesic system")});
        EXPECT_EQ(w.Text6->text(), QString::number(f.traces));
        EXPECT_EQ(w.Check1->isChecked(), f.bigEndian);
        EXPECT_LE(w.Label15->fontMetrics().horizontalAdvance(w.Label15->text()), w.Label15->width())
            << w.Label15->text().toStdString();

        desktop.messages.clear();
        w.Combo5->setEditText(QString::fromLatin1(f.pair));
        w.Combo6->setEditText(QString::fromLatin1(f.system));
        w.Command8_Click();
        ASSERT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
        ASSERT_EQ(w.Nb_Points, f.traces);
        EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 0), f.firstCdp);
        EXPECT_EQ(w.VSFlexGrid1->textMatrix(f.traces, 0), f.lastCdp);
        EXPECT_NEAR(std::stod(w.VSFlexGrid1->textMatrix(1, 1)), f.longitude, 0.01);
        EXPECT_NEAR(std::stod(w.VSFlexGrid1->textMatrix(1, 2)), f.latitude, 0.01);
    }
}

INSTANTIATE_TEST_SUITE_P(SuAndSegy, SampleLineRun, ::testing::Values("aire.su", "aire.sgy"),
                         [](const auto& info) { return std::string(info.index == 0 ? "Su" : "Segy"); });

} // namespace
