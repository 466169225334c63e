#include "window_fixture.h"

#include "support/seismic_bytes.h"

#include "shell/flex_grid.h"
#include "shell/info_view.h"
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

using support::kLine;

// Writes a SEG-Y (or SU) line whose first trace carries the samples and
// scalar words that the header read needs.
void writeLine(const QString& path, bool su, std::int16_t samples, std::int16_t scalar,
               const std::vector<support::Trace>& traces)
{
    writeBytes(path, QByteArray::fromStdString(support::trace_line(su, samples, scalar, traces)));
}

std::string readAll(const QString& path) { return readBytes(path).toStdString(); }

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
            std::ofstream(window().jobFile(QStringLiteral("File.cva")).toStdString(), std::ios::binary) << result.str();
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

    // A recognisable earlier state, which a failed run must leave whole.
    void seedEarlierResult()
    {
        ::seedEarlierResult(window());
        earlier = WindowState::of(window());
    }
    void expectEarlierResult() { EXPECT_EQ(WindowState::of(window()), earlier); }

    WindowState earlier;
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

    ASSERT_EQ(w.Nb_Points(), 3);
    // The longitude is the result's field 4, the latitude its field 3, the
    // number the trace's label word.
    EXPECT_DOUBLE_EQ(w.Point_Table.longitude()[0], 6.123455);
    EXPECT_DOUBLE_EQ(w.Point_Table.latitude()[0], 48.1234525);
    EXPECT_EQ(w.Point_Table.number()[2], -5);

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
        {"short result", [&] { fakeConverter(2); }},
        {"trace cut short since it was read",
         [&] {
             const QString cut = path(QStringLiteral("cut.sgy"));
             QFile::remove(cut);
             ASSERT_TRUE(QFile::copy(line, cut));
             selectLine(cut);
             std::filesystem::resize_file(cut.toStdString(), 3600 + 2 * 4240 + 40);
             writeBytes(job, "earlier job");
             desktop.launches.clear();
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
    // A file whose traces are no longer there launches nothing and leaves
    // the earlier job as it was, with one message.
    EXPECT_EQ(desktop.messageTexts(), QStringList{kProblem});
    EXPECT_TRUE(desktop.launches.empty());
    EXPECT_EQ(readAll(job), "earlier job");

    // The failed runs left nothing open: the next run works.
    selectLine(line);
    fakeConverter();
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_EQ(w.Nb_Points(), 3);
    EXPECT_TRUE(QFileInfo::exists(job));

    // The file read stays the one extracted, even once its name is gone:
    // what is converted is what the tab showed.
    const QString gone = path(QStringLiteral("gone.sgy"));
    ASSERT_TRUE(QFile::copy(line, gone));
    selectLine(gone);
    ASSERT_TRUE(QFile::remove(gone));
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_EQ(w.Nb_Points(), 3);
    EXPECT_FALSE(QFileInfo::exists(gone));
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
        {"a failed read",
         [&] {
             desktop.dialogAnswers.push_back(broken);
             w.Command7_Click();
         },
         broken, false},
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
        EXPECT_EQ(KML_Main::backColour(w.Command8), stepColourValue(c.armed ? StepColour::Red : StepColour::Light3D));

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
    EXPECT_EQ(w.Nb_Points(), 3);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 1), "6.123455");
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
    ASSERT_EQ(w.Header->traces(), 0);
    fakeConverter();
    seedEarlierResult();
    w.Command8_Click();
    EXPECT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_EQ(readAll(w.jobFile(QStringLiteral("File.cvd"))),
              "Depart=UTM32\r\nUniteDepart=M\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n");
    EXPECT_EQ(w.Nb_Points(), 0);

    EXPECT_EQ(w.VSFlexGrid1->rows(), 1);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(0, 1), "X");
    EXPECT_TRUE(w.Command3->isEnabled());
}

// Coordinates at bytes 201 and 205 and a number at byte 5, typed in the
// boxes: the job holds those words, divided by the scalar, and the points
// are numbered by the word at 5.
TEST_F(ExtractRunTest, WordsTypedAtAnyByteAreConverted)
{
    std::string bytes = support::trace_line(false, 1000, -100, kLine);
    for (std::size_t t = 0; t < 3; ++t) {
        support::put_word(bytes, 3600 + t * 4240 + 4, 7000 + t, 4, false);
        support::put_word(bytes, 3600 + t * 4240 + 200, 50000000 + 100 * t, 4, false);
        support::put_word(bytes, 3600 + t * 4240 + 204, 600000000, 4, false);
    }
    const QString line = path(QStringLiteral("bytes.sgy"));
    writeBytes(line, QByteArray::fromStdString(bytes));
    selectLine(line);
    fakeConverter();
    KML_Main& w = window();
    w.Combo5->setEditText(QStringLiteral("X,Y at bytes 201,205"));
    w.Combo7->setEditText(QStringLiteral("Word at byte 5"));
    w.Command8_Click();
    ASSERT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_TRUE(readAll(w.jobFile(QStringLiteral("File.cvd")))
                    .ends_with("\r\n\r\n 500000  6000000 \r\n 500001  6000000 \r\n 500002  6000000 \r\n"));
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(3, 0), " 7002");
    EXPECT_EQ(w.Combo3->currentText(), QStringLiteral("Word at byte 5"));
}

// What the run refuses before anything changes: a byte typed outside the
// trace header, and a pair no trace has coordinates in, named with a pair
// that has them.
TEST_F(ExtractRunTest, APositionOutsideTheTraceHeaderOrAPairWithoutCoordinatesIsRefusedNamingIt)
{
    std::vector<support::Trace> noReceivers = kLine;
    for (support::Trace& t : noReceivers)
        t.gx = t.gy = 0;
    const QString line = path(QStringLiteral("line1.sgy"));
    writeLine(line, false, 1000, -100, noReceivers);
    selectLine(line);
    fakeConverter();
    KML_Main& w = window();
    const struct {
        const char* pair;
        const char* label;
        QString said;
    } cases[] = {
        {"X,Y at bytes 201,238", "CDP", QStringLiteral("\"Header word for XY\": byte 238 is outside the trace header")},
        {"X,Y source coordinate", "Word at byte 0",
         QStringLiteral("\"Point label\": byte 0 is outside the trace header")},
        {"X,Y receiver coordinate", "CDP",
         QStringLiteral("No trace of %1 has receiver coordinates; its source pair has them.").arg(line)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pair);
        w.Combo5->setEditText(QString::fromLatin1(c.pair));
        w.Combo7->setEditText(QString::fromLatin1(c.label));
        seedEarlierResult();
        desktop.messages.clear();
        w.Command8_Click();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_TRUE(desktop.messages[0].text.startsWith(c.said)) << desktop.messages[0].text.toStdString();
        EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Warning);
        EXPECT_TRUE(desktop.launches.empty());
        expectEarlierResult();
    }
}

// Three traces of a hundred whose X and Y are 0 give 97 points, and the
// tab's line counts them.
TEST_F(ExtractRunTest, TracesWithoutCoordinatesAreLeftOutAndCounted)
{
    std::vector<support::Trace> traces;
    for (std::int32_t t = 1; t <= 100; ++t) {
        const bool unset = t == 1 || t == 50 || t == 100;
        traces.push_back({t, 101, 1000, t, 0, 0, unset ? 0 : 61234550, unset ? 0 : 481234525});
    }
    const QString line = path(QStringLiteral("line1.sgy"));
    writeLine(line, false, 250, -100, traces);
    selectLine(line);
    fakeConverter();
    KML_Main& w = window();
    const QString found = w.Label15->text();
    w.Command8_Click();
    ASSERT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    EXPECT_EQ(w.Nb_Points(), 97);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 0), " 2");
    EXPECT_EQ(w.Label15->text(),
              found + QStringLiteral("; 3 of 100 traces have no coordinates (X and Y are 0) and are left out"));
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
        w.Combo6->setEditText(QString::fromLatin1(system));
        seedEarlierResult();
        desktop.messages.clear();
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

// The real files of the shared reference folder, chosen through the window:
// the tab shows each one's traces and byte order, and its line fits (the
// counts, labels and coordinates of the folder's README are the readers'
// tests'). One of them, f3 (ED50 / UTM zone 31, "UTM31E"), goes on through
// the converter to the grid.
TEST_F(WindowTest, SharedSeismicFilesAreShownAndConvertedThroughTheWindow)
{
    const QString folder = QStringLiteral(MAROVIN_SHARED_DATA_DIR "/seismic/");
    if (!QFileInfo(folder).isDir())
        GTEST_SKIP() << "no reference folder " << folder.toStdString();
    const struct {
        const char* name;
        int traces;
        bool bigEndian;
    } files[] = {
        {"small.sgy", 25, true},       {"small-lsb.sgy", 25, false},   {"f3.sgy", 414, true},
        {"Format8msb.sgy", 414, true}, {"Format6lsb.sgy", 414, false}, {"multi-text.sgy", 1, true},
        {"shot-gather.sgy", 61, true}, {"small.su", 25, true},         {"small-lsb.su", 25, false},
    };
    KML_Main& w = window();
    w.Input_Mode = QStringLiteral("SEGY");
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        desktop.messages.clear();
        desktop.dialogAnswers.push_back(folder + QString::fromLatin1(f.name));
        w.Command7_Click();
        ASSERT_EQ(desktop.messageTexts(),
                  QStringList{QStringLiteral("Remember to select the original geodesic system")});
        EXPECT_EQ(w.Text6->text(), QString::number(f.traces));
        EXPECT_EQ(w.Check1->isChecked(), f.bigEndian);
        EXPECT_LE(w.Label15->fontMetrics().horizontalAdvance(w.Label15->text()), w.Label15->width())
            << w.Label15->text().toStdString();
        // The "Information" tab: the found-line, then the textual header.
        EXPECT_TRUE(w.RichTextBox1->text().startsWith(w.Label15->text() + QStringLiteral("\n\n")));
    }
    desktop.dialogAnswers.push_back(folder + QStringLiteral("small.sgy"));
    w.Command7_Click();
    const QStringList shown = w.RichTextBox1->text().split(QLatin1Char('\n'));
    ASSERT_GE(shown.size(), 42);
    EXPECT_EQ(shown[2], QStringLiteral("C 1 DATE: 2016-09-19"));
    EXPECT_EQ(shown[3], QStringLiteral("C 2 AN INCREASE IN AMPLITUDE EQUALS AN INCREASE IN ACOUSTIC IMPEDANCE"));
    EXPECT_EQ(shown[41], QStringLiteral("C40"));

    const QString converter = ProgramFolder(QStringLiteral(MAROVIN_PROGRAM_DIR)).converter();
    ASSERT_TRUE(QFile::copy(converter, w.converterPath()));
    desktop.dialogAnswers.push_back(folder + QStringLiteral("f3.sgy"));
    w.Command7_Click();
    desktop.messages.clear();
    w.Combo5->setEditText(QStringLiteral("X,Y source coordinate"));
    w.Combo6->setEditText(QStringLiteral("UTM31E"));
    w.Command8_Click();
    ASSERT_EQ(desktop.messageTexts(), QStringList{QStringLiteral("Conversion done !")});
    ASSERT_EQ(w.Nb_Points(), 414);
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(1, 0), " 875");
    EXPECT_EQ(w.VSFlexGrid1->textMatrix(414, 0), " 892");
    EXPECT_NEAR(std::stod(w.VSFlexGrid1->textMatrix(1, 1)), 4.87, 0.01);
    EXPECT_NEAR(std::stod(w.VSFlexGrid1->textMatrix(1, 2)), 54.80, 0.01);
}

} // namespace
