// The seismic road through the window: Command7 and the header read, then
// Command8, whose request is built from tab 3's boxes and whose converted
// points come back into the table, the grid and the buttons; a failure or a
// cancel leaves everything as it was.
#include "window_fixture.h"

#include "support/seismic_bytes.h"

#include <QDir>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using support::Kind;

const QString kProblem = QStringLiteral("Check your seismic file XY problem !");
const QString kDone = QStringLiteral("Conversion done !");
const QString kReminder = QStringLiteral("Remember to select the original geodesic system");

// Three traces in UTM zone 32, coordinates in centimetres (scalar -100): the
// receivers at 496000, 5314000 and 20 m and 15 m apart.
const std::vector<support::Trace> kTraces = {
    {1, 101, 1000, 2001, 49000000, 530000000, 49600000, 531400000},
    {2, 101, 1000, 2002, 49000000, 530000000, 49602000, 531401500},
    {3, 102, 1030, -5, 49000000, 530000000, 49604000, 531403000},
};

class SeismicRoadTest : public WindowTest {
protected:
    QString writeLine(const QString& name, std::vector<support::Trace> traces = kTraces, bool su = false)
    {
        const QString file = path(name);
        writeBytes(file, QByteArray::fromStdString(support::trace_line(su, 250, -100, traces)));
        return file;
    }
    QString makeFile(const QString& name, Kind kind, std::int16_t samples, std::int16_t scalar, double traces)
    {
        const QString file = path(name);
        support::write_seismic_file(fsPath(file), kind, samples, scalar, support::size_for(kind, samples, traces));
        return file;
    }

    // Starts on the seismic road and chooses `file` with Command7; the
    // messages are cleared.
    const FormDriver& chosen(const QString& file)
    {
        if (window().roadState().mode == Input_Mode::Unset)
            start(Desktop::Answer::Yes);
        choose(file);
        desktop.messages.clear();
        return form();
    }
    void choose(const QString& file)
    {
        desktop.dialogAnswers.push_back(file);
        form().click("Command7");
    }
    // Starts on the text road with `file` as the remembered seismic file.
    const FormDriver& startedOnTheTextRoadWith(const QString& file)
    {
        writeBytes(iniPath, "[TERVALO]\r\nFichier 1=" + QFile::encodeName(file) + "\r\n");
        start(Desktop::Answer::No);
        return form();
    }
    // An earlier run's result, which a failed or cancelled run must leave
    // whole: the line converted, then the tab shown again.
    WindowState earlierResult(const QString& file)
    {
        chosen(file).click("Command8");
        EXPECT_EQ(desktop.messageTexts(), QStringList{kDone});
        desktop.messages.clear();
        conversions.clear();
        form().tabs().setCurrentIndex(3);
        return WindowState::of(window());
    }
};

// Chosen through the dialog, as the user reads a file: the tab shows the
// header, a SEG-Y file sets swap bytes and the first option, an SU file
// clears swap bytes and leaves the options as they were.
TEST_F(SeismicRoadTest, ChoosingAFileFillsTheTabAndArmsExtraction)
{
    const struct {
        const char* name;
        Kind kind;
        std::int16_t samples, scalar;
        int traces;
        const char* scalarText;
        std::int64_t first; // bytes before the first trace
        bool swapBytes, option1;
    } cases[] = {
        {"line1.sgy", Kind::SegY, 1000, -100, 10, "-100", 3600, true, true},
        {"line1.su", Kind::Su, 500, 0, 25, "1", 0, false, false},
    };
    start(Desktop::Answer::Yes);
    const FormDriver& f = form();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        f.box("Check1").setChecked(!c.swapBytes);
        f.box("Option2").setChecked(true);
        const QString file = makeFile(QString::fromLatin1(c.name), c.kind, c.samples, c.scalar, c.traces);
        desktop.messages.clear();
        choose(file);
        EXPECT_EQ(f.text("Text4").text(), file);
        EXPECT_EQ(f.text("Text5").text(), QString::number(c.samples));
        EXPECT_EQ(f.text("Text6").text(), QString::number(c.traces));
        EXPECT_EQ(f.text("Text7").text(), QLatin1String(c.scalarText));
        EXPECT_EQ(f.text("Text8").text(), path(QStringLiteral("LINE1.KML")));
        EXPECT_EQ(f.box("Check1").isChecked(), c.swapBytes);
        EXPECT_EQ(f.box("Option1").isChecked(), c.option1);
        EXPECT_EQ(f.box("Option2").isChecked(), !c.option1);
        const RoadState& state = window().roadState();
        ASSERT_TRUE(state.header);
        EXPECT_EQ(state.header->layout().first, c.first);
        EXPECT_EQ(state.header->traces(), c.traces);
        EXPECT_EQ(state.headerFile, file);
        EXPECT_EQ(backColour(&f.button("Command1")), stepColourValue(StepColour::LightGrey));
        EXPECT_TRUE(f.isStep("Command8", StepColour::Red));
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text, kReminder);
        EXPECT_EQ(desktop.messages[0].title, QStringLiteral("Marovin"));
        EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Information);
    }
}

TEST_F(SeismicRoadTest, OnTheTextRoadTheRememberedFileLeavesTheTextRoadsScalarAndTabsAlone)
{
    const FormDriver& f = startedOnTheTextRoadWith(makeFile(QStringLiteral("line1.sgy"), Kind::SegY, 1000, -100, 10));
    EXPECT_EQ(f.text("Text7").text(), QStringLiteral("1"));
    EXPECT_EQ(window().roadState().header->scalar(), -100);
    EXPECT_EQ(f.text("Text6").text(), QStringLiteral("10"));
    EXPECT_TRUE(f.isStep("Command1", StepColour::Red));
    EXPECT_FALSE(f.info().text().startsWith(QStringLiteral("SEG-Y"))) << "the Information tab keeps the manual";
}

// At start-up, in both roads, a read that fails says nothing but on the
// tab's line, leaves tab 3 as the form made it and creates no file.
TEST_F(SeismicRoadTest, AFailedReadAtStartUpChangesNothingAndCreatesNoFile)
{
    const struct {
        const char* name;
        double traces; // < 0: no file at all
    } cases[] = {{"missing.sgy", -1}, {"scalar.su", 10}, {"ab", -1}};
    for (const auto& c : cases) {
        for (const Desktop::Answer road : {Desktop::Answer::Yes, Desktop::Answer::No}) {
            SCOPED_TRACE(c.name);
            QString file = c.name == std::string("ab") ? QStringLiteral("ab") : path(QString::fromLatin1(c.name));
            if (c.traces > 0)
                makeFile(QString::fromLatin1(c.name), Kind::Su, 500, INT16_MIN, c.traces);
            writeBytes(iniPath, "[TERVALO]\r\nFichier 1=" + QFile::encodeName(file) + "\r\n");
            const QStringList before = QDir(folder.path()).entryList(QDir::Files);
            ScriptedDesktop scripted;
            scripted.answers.push_back(road);
            KML_Main w(scripted, programDir, user, converter);
            w.Form_Load();
            const FormDriver f(w);
            EXPECT_EQ(scripted.messages.size(), 1u) << "the question alone";
            EXPECT_TRUE(f.label("Label15").text().startsWith(QStringLiteral("Not read: ")));
            EXPECT_EQ(f.text("Text5").text(), QStringLiteral("1000"));
            EXPECT_EQ(f.text("Text6").text(), QStringLiteral("Trace number"));
            EXPECT_EQ(f.text("Text7").text(), QStringLiteral("1"));
            EXPECT_EQ(f.text("Text8").text(), QString());
            EXPECT_FALSE(f.button("Command8").isEnabled());
            EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), before);
        }
    }
}

TEST_F(SeismicRoadTest, AChosenFileThatCannotBeReadIsExplainedAndKeptInTheBox)
{
    const FormDriver& f = chosen(makeFile(QStringLiteral("kept.sgy"), Kind::SegY, 1000, 1, 3));
    const QString missing = path(QStringLiteral("missing.sgy"));
    choose(missing);
    EXPECT_EQ(f.text("Text4").text(), missing);
    EXPECT_EQ(f.text("Text8").text(), path(QStringLiteral("KEPT.KML")));
    EXPECT_FALSE(f.button("Command8").isEnabled());
    ASSERT_EQ(desktop.messages.size(), 1u);
    const auto& message = desktop.messages[0];
    EXPECT_EQ(message.icon, Desktop::Icon::Warning);
    EXPECT_TRUE(message.text.contains(missing)) << message.text.toStdString();
    EXPECT_TRUE(message.text.contains(QStringLiteral("does not exist"))) << message.text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(SeismicRoadTest, TheDialogOpensBesideTheCurrentFileAndACancelChangesNothing)
{
    const FormDriver& f = chosen(makeFile(QStringLiteral("kept.sgy"), Kind::SegY, 1000, 1, 3));
    const WindowState before = WindowState::of(window());
    choose(QString());
    EXPECT_EQ(WindowState::of(window()), before);
    EXPECT_TRUE(desktop.messages.empty());
    const Desktop::FileRequest& request = desktop.dialogs.back().request;
    EXPECT_FALSE(desktop.dialogs.back().save);
    EXPECT_EQ(request.title, QStringLiteral("Seismic file"));
    EXPECT_EQ(request.filter, QStringLiteral("Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|"));
    EXPECT_EQ(request.fileName, QStringLiteral("*.SGY"));
    EXPECT_EQ(QDir(request.initialDirectory), QDir(folder.path()));
    // Without a usable current file, in the home folder.
    for (const QString& current : {QString(), QStringLiteral("relative.sgy"), path(QStringLiteral("gone/x.sgy"))}) {
        f.text("Text4").setText(current);
        choose(QString());
        EXPECT_EQ(desktop.dialogs.back().request.initialDirectory, QDir::homePath()) << current.toStdString();
    }
}

// A file that names its system: the system box is set to it and the line
// says so; the "Information" tab shows the textual header under the line.
// One that names two systems, or none, leaves the box as it was. On the text
// road the tab keeps what it showed.
TEST_F(SeismicRoadTest, TheSystemTheTextualHeaderNamesIsChosenAndTheHeaderShown)
{
    const struct {
        const char* text;
        bool seismicRoad;
        const char* system; // the box after the read
        const char* said;   // the end of the tab's line
    } cases[] = {
        {"C 7 ED50 UTM ZONE 31N", true, "EPSG:23031",
         ", system EPSG:23031, ED50 / UTM zone 31N, from the textual header"},
        {"C 7 EPSG:23031 OR WGS84 UTM 32N", true, "UTM32", ", scalar word 0"},
        {"C 7 NO SYSTEM", true, "UTM32", ", scalar word 0"},
        {"C 7 ED50 UTM ZONE 31N", false, "EPSG:23031", "from the textual header"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedDesktop scripted;
        const QString file = path(QStringLiteral("named.sgy"));
        writeBytes(file, QByteArray::fromStdString(
                             support::seismic_bytes({.text = c.text, .text_in_ebcdic = true, .samples = {4, 4}})));
        writeBytes(iniPath, "[TERVALO]\r\nFichier 1=" + QFile::encodeName(file) + "\r\n");
        scripted.answers.push_back(c.seismicRoad ? Desktop::Answer::Yes : Desktop::Answer::No);
        KML_Main w(scripted, programDir, user, converter);
        w.Form_Load();
        const FormDriver f(w);
        EXPECT_EQ(f.combo("Combo6").currentText(), QLatin1String(c.system));
        const QString line = f.label("Label15").text();
        EXPECT_TRUE(line.endsWith(QLatin1String(c.said))) << line.toStdString();
        ASSERT_EQ(scripted.messages.size(), 2u);
        EXPECT_TRUE(scripted.messages[1].text.startsWith(kReminder));
        EXPECT_EQ(scripted.messages[1].text.contains(QStringLiteral("EPSG:23031 (ED50 / UTM zone 31N)")),
                  QLatin1String(c.system) == QLatin1String("EPSG:23031"));
        const QStringList shown = f.info().text().split(QLatin1Char('\n'));
        if (!c.seismicRoad) {
            EXPECT_NE(shown[0], line);
            continue;
        }
        ASSERT_GE(shown.size(), 42);
        EXPECT_EQ(shown[0], line);
        EXPECT_EQ(shown[1], QString());
        EXPECT_EQ(shown[2], QLatin1String(c.text));
    }
}

// The request: the pair, the label word and the system of the boxes, the
// coordinates divided by the scalar; the result: the converter's degrees in
// the table and the grid, under the label words, and the next step red.
TEST_F(SeismicRoadTest, ExtractionConvertsWhatTheBoxesNameAndShowsTheResult)
{
    const FormDriver& f = chosen(writeLine(QStringLiteral("line1.sgy")));
    f.combo("Combo6").setEditText(QStringLiteral("EPSG:25832"));
    f.combo("Combo7").setEditText(QStringLiteral("CDP"));
    f.click("Command8");

    EXPECT_EQ(desktop.messageTexts(), QStringList{kDone});
    EXPECT_TRUE(desktop.progressShown.isEmpty()) << "a short run shows no progress window";
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].system, "EPSG:25832");
    EXPECT_EQ(conversions[0].x, (std::vector<double>{496000, 496020, 496040}));
    EXPECT_EQ(conversions[0].y, (std::vector<double>{5314000, 5314015, 5314030}));

    const marovin::PointTable& table = window().roadState().points;
    ASSERT_EQ(table.size(), 3);
    EXPECT_NEAR(table.longitude()[0], 8.946, 0.001);
    EXPECT_NEAR(table.latitude()[0], 47.979, 0.001);
    EXPECT_EQ(table.number(), (std::vector<std::int32_t>{2001, 2002, -5}));
    ASSERT_EQ(f.grid().rows(), 4);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(f.cell(row, column), marovin::grid_text(table, row, column));
    EXPECT_EQ(f.cell(3, 0), "-5");

    EXPECT_EQ(f.combo("Combo3").currentText(), QStringLiteral("CDP"));
    EXPECT_TRUE(f.isStep("Command3", StepColour::Red));
    EXPECT_EQ(backColour(&f.button("Command8")), stepColourValue(StepColour::LightGrey));
    EXPECT_EQ(f.tab(), 1);
}

// Words typed at any byte: the converter gets those words, divided by the
// scalar, and the points are numbered by the word at 5.
TEST_F(SeismicRoadTest, WordsTypedAtAnyByteAreConverted)
{
    std::string bytes = support::trace_line(false, 1000, -100, kTraces);
    for (std::size_t t = 0; t < 3; ++t) {
        support::put_word(bytes, 3600 + t * 4240 + 4, 7000 + t, 4, false);
        support::put_word(bytes, 3600 + t * 4240 + 200, 50000000 + 100 * t, 4, false);
        support::put_word(bytes, 3600 + t * 4240 + 204, 520000000, 4, false);
    }
    const QString line = path(QStringLiteral("bytes.sgy"));
    writeBytes(line, QByteArray::fromStdString(bytes));
    const FormDriver& f = chosen(line);
    f.combo("Combo5").setEditText(QStringLiteral("X,Y at bytes 201,205"));
    f.combo("Combo7").setEditText(QStringLiteral("Word at byte 5"));
    f.click("Command8");
    ASSERT_EQ(desktop.messageTexts(), QStringList{kDone});
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].x, (std::vector<double>{500000, 500001, 500002}));
    EXPECT_EQ(conversions[0].y, (std::vector<double>{5200000, 5200000, 5200000}));
    EXPECT_EQ(f.cell(3, 0), " 7002");
    EXPECT_EQ(f.combo("Combo3").currentText(), QStringLiteral("Word at byte 5"));
}

// Every failure tells one message of its own and leaves the earlier result
// whole: the table, the grid, the label kind, the buttons, the tab.
TEST_F(SeismicRoadTest, AFailureToldInItsMessageLeavesTheEarlierResult)
{
    std::vector<support::Trace> noReceivers = kTraces;
    for (support::Trace& t : noReceivers)
        t.gx = t.gy = 0;
    const QString line = writeLine(QStringLiteral("line1.sgy"));
    const QString noPair = writeLine(QStringLiteral("nopair.sgy"), noReceivers);
    const QString cut = writeLine(QStringLiteral("cut.sgy"));
    const FormDriver& f = form();
    const struct {
        const char* name;
        std::function<void()> arrange;
        QString said; // the start of the one message
        Desktop::Icon icon;
    } cases[] = {
        {"scalar 0", [&] { f.text("Text7").setText(QStringLiteral("0")); }, kProblem, Desktop::Icon::Critical},
        {"scalar not a number", [&] { f.text("Text7").setText(QStringLiteral("1OO")); }, kProblem,
         Desktop::Icon::Critical},
        {"a trace cut short since it was read",
         [&] {
             choose(cut);
             std::filesystem::resize_file(fsPath(cut), 3600 + 2 * (240 + 4 * 250) + 40);
         },
         kProblem, Desktop::Icon::Critical},
        {"a pair without coordinates", [&] { choose(noPair); },
         QStringLiteral("No trace of %1 has receiver coordinates; its source pair has them.").arg(noPair),
         Desktop::Icon::Warning},
        {"a pair outside the trace header",
         [&] { f.combo("Combo5").setEditText(QStringLiteral("X,Y at bytes 201,238")); },
         QStringLiteral("\"Header word for XY\": byte 238 is outside the trace header"), Desktop::Icon::Warning},
        {"a label outside the trace header", [&] { f.combo("Combo7").setEditText(QStringLiteral("Word at byte 0")); },
         QStringLiteral("\"Point label\": byte 0 is outside the trace header"), Desktop::Icon::Warning},
        {"the converter refuses", [&] { fault = Fault::Refuses; }, QStringLiteral("The conversion failed: "),
         Desktop::Icon::Critical},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fault = Fault::None;
        const WindowState earlier = earlierResult(line);
        c.arrange();
        const WindowState arranged = WindowState::of(window());
        desktop.messages.clear();
        f.click("Command8");
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_TRUE(desktop.messages[0].text.startsWith(c.said)) << desktop.messages[0].text.toStdString();
        EXPECT_EQ(desktop.messages[0].icon, c.icon);
        EXPECT_EQ(WindowState::of(window()), arranged);
        EXPECT_EQ(arranged.table, earlier.table);
        EXPECT_EQ(arranged.grid, earlier.grid);
        f.combo("Combo5").setEditText(QStringLiteral("X,Y receiver coordinate"));
        f.combo("Combo7").setEditText(QStringLiteral("CDP"));
    }
}

// A result the converter leaves short: its run succeeded, then its result
// cannot be read.
TEST_F(SeismicRoadTest, AShortResultIsToldAfterTheConversion)
{
    const WindowState earlier = earlierResult(writeLine(QStringLiteral("line1.sgy")));
    fault = Fault::ShortResult;
    form().click("Command8");
    EXPECT_EQ(desktop.messageTexts(), (QStringList{kDone, kProblem}));
    EXPECT_EQ(WindowState::of(window()), earlier);
}

// The header state belongs to the file it was read from. After a good read
// of a.sgy, Text4 may come to name another file: by a typed path, or by
// emptying the box. Extracting then is refused, nothing is converted, and
// the earlier result stays; a read that failed disarms the step.
TEST_F(SeismicRoadTest, ExtractionRunsOnlyOnTheFileWhoseHeadersWereRead)
{
    const QString good = writeLine(QStringLiteral("a.sgy"));
    const QString other = writeLine(QStringLiteral("c.sgy"));
    const FormDriver& f = form();
    for (const QString& typed : {other, QString()}) {
        SCOPED_TRACE(typed.toStdString());
        const WindowState earlier = earlierResult(good);
        f.text("Text4").setText(typed);
        const WindowState arranged = WindowState::of(window());
        f.click("Command8");
        ASSERT_EQ(desktop.messages.size(), 1u);
        const QString refusal = desktop.messages[0].text;
        EXPECT_TRUE(refusal.contains(QStringLiteral("\"SEGY or SU file\""))) << refusal.toStdString();
        EXPECT_TRUE(refusal.contains(good)) << refusal.toStdString();
        EXPECT_EQ(desktop.messages[0].icon, Desktop::Icon::Warning);
        EXPECT_TRUE(conversions.empty());
        EXPECT_EQ(WindowState::of(window()), arranged);
        EXPECT_EQ(arranged.table, earlier.table);
    }
    writeBytes(path(QStringLiteral("b.su")), "not a seismic file");
    choose(path(QStringLiteral("b.su")));
    EXPECT_FALSE(f.button("Command8").isEnabled());
    EXPECT_EQ(f.text("Text8").text(), path(QStringLiteral("A.KML"))) << "tab 3 shows a.sgy's values";

    // The file read stays the one extracted, even once its name is gone.
    const QString gone = writeLine(QStringLiteral("gone.sgy"));
    choose(gone);
    ASSERT_TRUE(QFile::remove(gone));
    desktop.messages.clear();
    f.click("Command8");
    EXPECT_EQ(desktop.messageTexts(), QStringList{kDone});
    EXPECT_EQ(window().roadState().points.size(), 3);
}

// Traces whose X and Y are 0 are left out, and the tab's line counts them.
TEST_F(SeismicRoadTest, TracesWithoutCoordinatesAreLeftOutAndCounted)
{
    std::vector<support::Trace> traces;
    for (std::int32_t t = 1; t <= 100; ++t) {
        const bool unset = t == 1 || t == 50 || t == 100;
        traces.push_back({t, 101, 1000, t, 0, 0, unset ? 0 : 49600000 + t, unset ? 0 : 531400000});
    }
    const FormDriver& f = chosen(writeLine(QStringLiteral("line1.sgy"), traces));
    const QString found = f.label("Label15").text();
    f.click("Command8");
    ASSERT_EQ(desktop.messageTexts(), QStringList{kDone});
    EXPECT_EQ(window().roadState().points.size(), 97);
    EXPECT_EQ(f.cell(1, 0), " 2");
    EXPECT_EQ(f.label("Label15").text(),
              found + QStringLiteral("; 3 of 100 traces have no coordinates (X and Y are 0) and are left out"));
}

// Trace headers whose coordinates are angles (units word 2, seconds of arc)
// need a geographic system; without one the run stops before converting.
TEST_F(SeismicRoadTest, AnglesRunOnlyWithAGeographicSystem)
{
    std::vector<support::Trace> arc = kTraces;
    for (support::Trace& t : arc) {
        t.gx = 32400 + t.sequence; // 9 degrees east, in seconds of arc
        t.gy = 172800;             // 48 degrees north
    }
    const QString line = writeLine(QStringLiteral("arc.sgy"), arc);
    {
        std::fstream file(line.toStdString(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(3600 + 88);
        file.write("\0\2", 2); // units of the first trace: seconds of arc
    }
    const FormDriver& f = chosen(line);
    ASSERT_TRUE(f.label("Label15").text().endsWith(QStringLiteral("coordinates in seconds of arc")));
    f.text("Text7").setText(QStringLiteral("1"));
    for (const char* system : {"UTM32", "MyGrid"}) {
        SCOPED_TRACE(system);
        f.combo("Combo6").setEditText(QString::fromLatin1(system));
        desktop.messages.clear();
        f.click("Command8");
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_TRUE(desktop.messages[0].text.contains(QStringLiteral("for example WGS84")));
        EXPECT_TRUE(desktop.messages[0].text.contains(QString::fromLatin1(system)));
        EXPECT_TRUE(conversions.empty());
    }
    f.combo("Combo6").setEditText(QStringLiteral("WGS84"));
    desktop.messages.clear();
    f.click("Command8");
    EXPECT_EQ(desktop.messageTexts(), QStringList{kDone});
}

// Cancel stops the run and leaves everything as it was before the click:
// the table, the grid, the controls and the step colours, and no job or
// result file of the run.
TEST_F(SeismicRoadTest, CancelLeavesEverythingAsItWas)
{
    const WindowState earlier = earlierResult(writeLine(QStringLiteral("line1.sgy")));
    const QStringList before = files();
    holdConversions = true;
    desktop.onProgress = [](RunView& run) { run.cancel(); };
    form().click("Command8");
    EXPECT_EQ(desktop.progressShown, QStringList{QStringLiteral("Converting")});
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(WindowState::of(window()), earlier);
    EXPECT_EQ(desktop.busyDepth, 0);
    EXPECT_EQ(files(), before);
}

// Closing the window during a run cancels the run first, then the setting
// is written as at any close.
TEST_F(SeismicRoadTest, ClosingTheWindowDuringARunCancelsItFirst)
{
    const QString line = writeLine(QStringLiteral("line1.sgy"));
    const WindowState earlier = earlierResult(line);
    holdConversions = true;
    desktop.onProgress = [this](RunView&) { window().close(); };
    form().click("Command8");
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(WindowState::of(window()), earlier);
    EXPECT_EQ(readBytes(iniPath), "[TERVALO]\r\nFichier 1=" + QFile::encodeName(line) + "\r\n");
}

// The real files of the shared reference folder, chosen through the window:
// the tab shows each one's traces and byte order, and its line fits (the
// counts, labels and coordinates of the folder's README are the readers'
// tests'). One of them, f3 (ED50 / UTM zone 31, "UTM31E"), goes on to the
// grid.
TEST_F(SeismicRoadTest, SharedSeismicFilesAreShownAndConvertedThroughTheWindow)
{
    const QString shared = QStringLiteral(MAROVIN_SHARED_DATA_DIR "/seismic/");
    if (!QFileInfo(shared).isDir())
        GTEST_SKIP() << "no reference folder " << shared.toStdString();
    const struct {
        const char* name;
        int traces;
        bool bigEndian;
    } files[] = {
        {"small.sgy", 25, true},       {"small-lsb.sgy", 25, false},   {"f3.sgy", 414, true},
        {"Format8msb.sgy", 414, true}, {"Format6lsb.sgy", 414, false}, {"multi-text.sgy", 1, true},
        {"shot-gather.sgy", 61, true}, {"small.su", 25, true},         {"small-lsb.su", 25, false},
    };
    start(Desktop::Answer::Yes);
    const FormDriver& f = form();
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        desktop.messages.clear();
        choose(shared + QString::fromLatin1(file.name));
        ASSERT_EQ(desktop.messageTexts(), QStringList{kReminder});
        EXPECT_EQ(f.text("Text6").text(), QString::number(file.traces));
        EXPECT_EQ(f.box("Check1").isChecked(), file.bigEndian);
        const QLabel& line = f.label("Label15");
        EXPECT_LE(line.fontMetrics().horizontalAdvance(line.text()), line.width()) << line.text().toStdString();
        EXPECT_TRUE(f.info().text().startsWith(line.text() + QStringLiteral("\n\n")));
    }
    choose(shared + QStringLiteral("f3.sgy"));
    desktop.messages.clear();
    f.combo("Combo5").setEditText(QStringLiteral("X,Y source coordinate"));
    f.combo("Combo6").setEditText(QStringLiteral("UTM31E"));
    f.click("Command8");
    ASSERT_EQ(desktop.messageTexts(), QStringList{kDone});
    ASSERT_EQ(window().roadState().points.size(), 414);
    EXPECT_EQ(f.cell(1, 0), " 875");
    EXPECT_EQ(f.cell(414, 0), " 892");
    EXPECT_NEAR(std::stod(f.cell(1, 1)), 4.87, 0.01);
    EXPECT_NEAR(std::stod(f.cell(1, 2)), 54.80, 0.01);
}

} // namespace
