// What both roads do with their converted points: "Write KML file"
// (Command10, Command3) writes the window's table with the tab's label
// settings and shows it, the viewer buttons (Command11, Command4) open it
// without waiting for the desktop's opener. With the real opener the tests
// put a stand-in xdg-open first on PATH.
#include "window_fixture.h"

#include "kml/kml_writer.h"
#include "support/seismic_bytes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Records every change of colour or enabled state of the watched buttons, in
// the order the handler makes them: "Command10 LightGrey", "Command11 enabled".
class ButtonLog : public QObject {
public:
    void watch(QPushButton& button) { button.installEventFilter(this); }
    QStringList entries;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* button = static_cast<QPushButton*>(object);
        if (event->type() == QEvent::EnabledChange)
            entries << button->objectName() + (button->isEnabled() ? " enabled" : " disabled");
        else if (event->type() == QEvent::PaletteChange)
            entries << button->objectName() + " " + colourName(backColour(button));
        return false;
    }

private:
    static QString colourName(const QColor& colour)
    {
        for (auto [step, name] : {std::pair{StepColour::Red, "Red"},
                                  {StepColour::LightGrey, "LightGrey"},
                                  {StepColour::ButtonFace, "ButtonFace"},
                                  {StepColour::Light3D, "Light3D"}}) {
            if (stepColourValue(step) == colour)
                return QString::fromLatin1(name);
        }
        return colour.name();
    }
};

// Handles events until `done` holds; false when it still does not after a
// generous while (a hung test, not a measure of speed).
bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The buttons and boxes of a road's writer.
struct Road {
    bool seismic;
    const char* writer;    // Command3, Command10
    const char* viewer;    // Command4, Command11
    const char* path;      // Text8, Text2
    const char* frequency; // Combo8, Combo4
};
const Road kSeismic{true, "Command3", "Command4", "Text8", "Combo8"};
const Road kText{false, "Command10", "Command11", "Text2", "Combo4"};

class KmlOutputTest : public WindowTest, public ::testing::WithParamInterface<Road> {
protected:
    // The window as a conversion run of the road leaves it, with the points
    // of a short survey line numbered from 2049 in its table.
    const FormDriver& converted(const Road& road, int points = 2)
    {
        start(road.seismic ? Desktop::Answer::Yes : Desktop::Answer::No);
        const FormDriver& f = form();
        if (road.seismic) {
            std::vector<support::Trace> traces;
            for (int k = 0; k < points; ++k)
                traces.push_back({k + 1, 101, 1000, 2049 + k, 0, 0, 49600000 + 2000 * k, 531400000 + 1500 * k});
            writeBytes(path("line1.sgy"), QByteArray::fromStdString(support::trace_line(false, 4, -100, traces)));
            desktop.dialogAnswers.push_back(path("line1.sgy"));
            f.click("Command7");
            f.click("Command8");
        } else {
            QByteArray lines;
            for (int k = 0; k < points; ++k)
                lines += QByteArray::number(2049 + k) + "," + QByteArray::number(600000 + 10 * (k % 400)) + "," +
                         QByteArray::number(4500000 + 10 * (k / 400)) + "\r\n";
            writeBytes(path("line1.xyz"), lines);
            desktop.dialogAnswers.push_back(path("line1.xyz"));
            f.click("Command1");
            f.combo("Combo1").setEditText("Number,X,Y");
            f.click("Command9");
        }
        EXPECT_EQ(window().roadState().points.size(), points) << desktop.messageTexts().join("\n").toStdString();
        desktop.messages.clear();
        desktop.busyChanges.clear();
        for (const char* button : {"Command3", "Command4", "Command10", "Command11"})
            log.watch(f.button(button));
        return f;
    }

    std::string expectedDocument(int frequency, const std::string& prefix)
    {
        std::ostringstream out;
        EXPECT_TRUE(marovin::write_kml_document(out, window().roadState().points,
                                                {frequency, prefix, form().text("Text3").text().toStdString()})
                        .ok());
        return out.str();
    }

    ButtonLog log;
};

// The road's table is written with its label frequency, the prefix and the
// description of tab 0 (the seismic road's prefix the label word it
// numbered the points with); the file is shown and the viewer is the next
// step.
TEST_P(KmlOutputTest, WritesShowsTheFileAndMakesTheViewerTheNextStep)
{
    const Road& road = GetParam();
    const FormDriver& f = converted(road);
    log.entries.clear();
    f.text(road.path).setText(path(QStringLiteral("line 1.KML")));
    f.combo(road.frequency).setEditText(road.seismic ? QStringLiteral("1") : QStringLiteral("2.5 points"));
    f.text("Text3").setText(QStringLiteral("Line A&B"));
    f.click(road.writer);

    EXPECT_EQ(log.entries.join(", ").toStdString(),
              road.seismic ? "Command3 LightGrey, Command4 enabled, Command3 ButtonFace, Command4 Red"
                           : "Command10 LightGrey, Command10 ButtonFace, Command11 enabled, Command11 Red");
    const std::string written = readBytes(f.text(road.path).text()).toStdString();
    EXPECT_EQ(written, road.seismic ? expectedDocument(1, "CDP") : expectedDocument(2, "Station"));
    const std::string named = road.seismic ? "<name>CDP 2050</name>" : "<name>Station 2050</name>";
    EXPECT_NE(written.find(named + "\r\n<description>Line A&amp;B</description>"), std::string::npos);
    EXPECT_EQ(f.tab(), 2);
    EXPECT_TRUE(f.info().text().contains(QString::fromStdString(named)));
    EXPECT_EQ(desktop.busyChanges, std::vector<bool>({true, false}));
    EXPECT_TRUE(desktop.progressShown.isEmpty());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_P(KmlOutputTest, FailuresAreToldWriteNothingAndLeaveTheWriterRed)
{
    const Road& road = GetParam();
    const FormDriver& f = converted(road);
    const struct {
        const char* what;
        const char* file; // inside the test folder
        const char* frequency;
        const char* says; // part of the message; "@" stands for the path
    } cases[] = {
        {"missing folder", "no such folder/out.KML", "5", "@"},
        {"frequency 0", "out.KML", "0", "whole number from 1 to 32767"},
    };
    const QStringList files = QDir(folder.path()).entryList(QDir::Files);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.messages.clear();
        const QString target = path(QString::fromLatin1(c.file));
        f.text(road.path).setText(target);
        f.combo(road.frequency).setEditText(QString::fromLatin1(c.frequency));
        const int tab = f.tab();
        f.click(road.writer);
        ASSERT_EQ(desktop.messages.size(), 1u);
        const QString says = QString::fromLatin1(c.says).replace(QLatin1Char('@'), target);
        EXPECT_TRUE(desktop.messages[0].text.contains(says)) << desktop.messages[0].text.toStdString();
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), files) << "no file, no temporary file either";
        EXPECT_TRUE(f.isStep(road.writer, StepColour::Red));
        EXPECT_FALSE(f.button(road.viewer).isEnabled());
        EXPECT_EQ(f.tab(), tab);
        EXPECT_EQ(desktop.busyDepth, 0);
    }
}

// Cancel, or closing the window, while the file is written leaves
// everything as it was before the click: no file and no temporary file, the
// same table, controls and step colours.
TEST_P(KmlOutputTest, ACancelledWriteLeavesNoFileAndEverythingAsItWas)
{
    const Road& road = GetParam();
    const FormDriver& f = converted(road);
    f.text(road.path).setText(path(QStringLiteral("out.KML")));
    const QStringList files = QDir(folder.path()).entryList(QDir::Files);
    const WindowState before = WindowState::of(window());
    desktop.delay = std::chrono::milliseconds(0);
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "closed" : "cancelled");
        desktop.onProgress = [this, close](RunView& run) { close ? (void)window().close() : run.cancel(); };
        f.click(road.writer);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), files);
        EXPECT_EQ(WindowState::of(window()), before);
        EXPECT_TRUE(desktop.messages.empty());
        EXPECT_EQ(desktop.busyDepth, 0);
    }
    EXPECT_EQ(desktop.progressShown.size(), 2);
}

INSTANTIATE_TEST_SUITE_P(BothRoads, KmlOutputTest, ::testing::Values(kText, kSeismic),
                         [](const auto& info) { return info.param.seismic ? "Seismic" : "Text"; });

// A table of more than 100,000 points is offered the KMZ before a ".KML"
// name is written: Yes writes the archive under the KMZ name, which the box
// then shows, No the KML file as before; a ".kmz" name writes the archive
// without asking. The "Information" tab shows the archive's doc.kml.
TEST_F(KmlOutputTest, LargeSurveysAreOfferedTheKmzAndKmzNamesWriteIt)
{
    const FormDriver& f = converted(kText, 100001);
    const struct {
        const char* name;
        Desktop::Answer answer;
        bool asked;
        const char* written;
    } cases[] = {
        {"line1.KML", Desktop::Answer::Yes, true, "line1.kmz"},
        {"line1.kml", Desktop::Answer::No, true, "line1.kml"},
        {"small.KmZ", Desktop::Answer::No, false, "small.KmZ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        f.text("Text2").setText(path(QString::fromLatin1(c.name)));
        desktop.messages.clear();
        desktop.answers = {c.answer};
        f.click("Command10");
        ASSERT_EQ(desktop.messages.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(desktop.messages[0].text,
                      QStringLiteral("This survey has 100001 points. A KML file of this size opens slowly or not at "
                                     "all in an earth viewer; a KMZ file with levels of detail opens at once. Write "
                                     "line1.kmz instead?"));
            EXPECT_EQ(desktop.messages[0].buttons, Desktop::Buttons::YesNo);
        }
        EXPECT_EQ(f.text("Text2").text(), path(QString::fromLatin1(c.written)));
        const bool kmz = QString::fromLatin1(c.written).endsWith(QStringLiteral(".kmz"), Qt::CaseInsensitive);
        EXPECT_EQ(readBytes(f.text("Text2").text()).startsWith("PK\x03\x04"), kmz);
        EXPECT_EQ(f.info().text().contains(QStringLiteral("<href>t/0.kml</href>")), kmz);
        EXPECT_TRUE(f.isStep("Command11", StepColour::Red));
    }
}

TEST_F(KmlOutputTest, TheSaveDialogSetsTheTextRoadPathUnlessCancelled)
{
    const FormDriver& f = converted(kText);
    f.text("Text2").setText(QStringLiteral("/data/line1.KML"));
    desktop.dialogs.clear();
    desktop.dialogAnswers = {QStringLiteral("/data/Maps/out.kml"), QString()};
    f.click("Command2");
    ASSERT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_TRUE(desktop.dialogs[0].save);
    EXPECT_EQ(desktop.dialogs[0].request.title, QStringLiteral("Topo selection"));
    EXPECT_EQ(desktop.dialogs[0].request.filter, QStringLiteral("Google Earth File |*.KML|KMZ files (*.kmz)|*.kmz|"));
    EXPECT_EQ(desktop.dialogs[0].request.fileName, QStringLiteral("*.KML"));
    EXPECT_EQ(desktop.dialogs[0].request.initialDirectory, QString());
    EXPECT_EQ(f.text("Text2").text(), QStringLiteral("/data/Maps/out.kml"));

    f.click("Command2"); // cancelled
    ASSERT_EQ(desktop.dialogs.size(), 2u);
    EXPECT_EQ(f.text("Text2").text(), QStringLiteral("/data/Maps/out.kml"));
    EXPECT_TRUE(desktop.messages.empty());
}

// The earth-viewer buttons: the click opens the KML file without waiting for
// the desktop's opener, resets its road's colours at once, and tells the
// opener's failure when it ends.
class ViewerLaunchTest : public KmlOutputTest {
protected:
    void TearDown() override
    {
        if (!savedPath.isNull())
            qputenv("PATH", savedPath.toLocal8Bit());
    }

    // The road's KML file written, its viewer red.
    QString written(const Road& road)
    {
        const FormDriver& f = converted(road);
        f.text(road.path).setText(path(QStringLiteral("view.KML")));
        f.click(road.writer);
        desktop.busyChanges.clear();
        log.entries.clear();
        return path(QStringLiteral("view.KML"));
    }

    void expectViewerMessage(const QString& kml, const QString& says)
    {
        ASSERT_EQ(desktop.messages.size(), 1u);
        const ScriptedDesktop::Message& m = desktop.messages[0];
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("Unable to launch Google Earth "))) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(kml)) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(says)) << m.text.toStdString();
        EXPECT_EQ(m.icon, Desktop::Icon::Warning);
    }

    // Puts a stand-in xdg-open (a shell script body) first on PATH; with a
    // null body, PATH holds no xdg-open at all.
    void standInOpener(const QByteArray& body)
    {
        const QString bin = path(QStringLiteral("bin"));
        QDir().mkpath(bin);
        QFile::remove(bin + QStringLiteral("/xdg-open"));
        if (!body.isNull()) {
            writeBytes(bin + QStringLiteral("/xdg-open"), "#!/bin/sh\n" + body);
            QFile::setPermissions(bin + QStringLiteral("/xdg-open"), QFile::ReadOwner | QFile::WriteOwner |
                                                                         QFile::ExeOwner | QFile::ReadOther |
                                                                         QFile::ExeOther);
        }
        if (savedPath.isNull())
            savedPath = qEnvironmentVariable("PATH");
        qputenv("PATH", (body.isNull() ? bin : bin + QStringLiteral(":/usr/bin:/bin")).toLocal8Bit());
        desktop.realOpener = true;
    }

    QString savedPath;
};

TEST_P(ViewerLaunchTest, TheClickResetsTheColoursAtOnceAndTheOutcomeIsToldWhenTheOpenerEnds)
{
    const Road& road = GetParam();
    const QString kml = written(road);
    const FormDriver& f = form();
    const struct {
        const char* what;
        bool started;
        int exitCode;
        const char* says; // nothing: no message
    } outcomes[] = {
        {"opened", true, 0, nullptr},
        {"no method to open it", true, 3, "no program is registered to open KML files"},
        {"no opener", false, -1, "xdg-utils"},
    };
    for (const auto& o : outcomes) {
        SCOPED_TRACE(o.what);
        desktop.messages.clear();
        desktop.opens.clear();
        desktop.busyChanges.clear();
        for (const char* button : {"Command4", "Command10", "Command11"})
            setBackColour(&f.button(button), StepColour::Red);
        log.entries.clear();
        f.click(road.viewer);
        ASSERT_EQ(desktop.opens.size(), 1u);
        EXPECT_EQ(desktop.opens[0].path, kml);
        EXPECT_EQ(desktop.opens[0].workingDirectory, programDir);
        EXPECT_TRUE(desktop.messages.empty()) << "nothing is known before the opener ends";
        EXPECT_EQ(desktop.busyChanges, (std::vector<bool>{true, false}));
        EXPECT_EQ(log.entries.join(", ").toStdString(),
                  road.seismic ? "Command4 ButtonFace" : "Command10 ButtonFace, Command11 ButtonFace");

        desktop.opens[0].end(o.exitCode, o.started);
        if (o.says)
            expectViewerMessage(kml, QString::fromLatin1(o.says));
        else
            EXPECT_TRUE(desktop.messages.empty());
    }
}

TEST_P(ViewerLaunchTest, PathsThatNameNoFileAreToldAtTheClickAndOpenNothing)
{
    const Road& road = GetParam();
    written(road);
    const FormDriver& f = form();
    QDir().mkpath(path(QStringLiteral("a folder.KML")));
    const struct {
        const char* what;
        QString text;
        const char* says;
    } cases[] = {
        {"missing file", path(QStringLiteral("never written.KML")), "There is no KML file"},
        {"folder", path(QStringLiteral("a folder.KML")), "is not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.messages.clear();
        f.text(road.path).setText(c.text);
        f.click(road.viewer);
        EXPECT_TRUE(desktop.opens.empty());
        expectViewerMessage(c.text, QString::fromLatin1(c.says));
        EXPECT_EQ(backColour(&f.button(road.viewer)), stepColourValue(StepColour::ButtonFace));
        EXPECT_EQ(desktop.busyDepth, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(BothRoads, ViewerLaunchTest, ::testing::Values(kText, kSeismic),
                         [](const auto& info) { return info.param.seismic ? "Seismic" : "Text"; });

TEST_F(ViewerLaunchTest, ARelativePathOpensTheFileThatWasWritten)
{
    const FormDriver& f = converted(kText);
    // The program runs in a folder of its own; the opener in another one.
    const QString current = path(QStringLiteral("work"));
    QDir().mkpath(current + QStringLiteral("/maps"));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current));
    f.text("Text2").setText(QStringLiteral("maps/line.KML"));
    f.click("Command10");
    f.click("Command11");
    QDir::setCurrent(before);

    const QString written = current + QStringLiteral("/maps/line.KML");
    EXPECT_TRUE(readBytes(written).contains("<Placemark>"));
    ASSERT_EQ(desktop.opens.size(), 1u);
    EXPECT_EQ(desktop.opens[0].path, written);
    EXPECT_NE(desktop.opens[0].workingDirectory, current);
    EXPECT_EQ(f.text("Text2").text(), QStringLiteral("maps/line.KML")) << "the box keeps what the user typed";
}

TEST_F(ViewerLaunchTest, AnOpenerThatEndsAfterItsWindowClosedTellsNothing)
{
    ScriptedDesktop other;
    auto w = std::make_unique<KML_Main>(other, programDir, user, converter);
    const QString kml = path(QStringLiteral("late.KML"));
    writeBytes(kml, "<kml/>");
    FormDriver(*w).text("Text8").setText(kml);
    FormDriver(*w).button("Command4").setEnabled(true); // as a written file leaves it
    FormDriver(*w).click("Command4");
    ASSERT_EQ(other.opens.size(), 1u);
    w.reset();
    other.opens[0].end(3);
    EXPECT_TRUE(other.messages.empty());
}

// The real opener's failures, through the desktop's own run of xdg-open:
// one that ends with status 3 (no program for KML files), and none on PATH.
TEST_F(ViewerLaunchTest, RealOpenerFailuresAreToldWithTheFileAndWhatToInstall)
{
    const QString kml = written(kSeismic);
    const struct {
        const char* what;
        QByteArray opener; // null: no xdg-open at all
        const char* says;
        bool started;
    } cases[] = {
        {"status 3", "exit 3\n", "Marble (Debian package marble)", true},
        {"no xdg-open", QByteArray(), "xdg-utils", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.messages.clear();
        desktop.realOpenerRuns.clear();
        standInOpener(c.opener);
        form().click("Command4");
        ASSERT_TRUE(waitUntil([this] { return !desktop.messages.empty(); }));
        expectViewerMessage(kml, QString::fromLatin1(c.says));
        ASSERT_EQ(desktop.realOpenerRuns.size(), 1u);
        EXPECT_EQ(desktop.realOpenerRuns[0].started, c.started);
    }
}

TEST_F(ViewerLaunchTest, RealOpenerThatTakesItsTimeNeverHoldsTheWindow)
{
    // The stand-in records its argument, waits until the test releases it
    // (or gives up after 8 s, sooner than an opener that held the window
    // would be let go), notes that it ended and succeeds.
    const QString kml = written(kText);
    const QString marks = path(QStringLiteral("marks"));
    QDir().mkpath(marks);
    standInOpener(QStringLiteral("printf '%s' \"$1\" > '%1/argument'\n"
                                 "i=0\n"
                                 "while [ ! -e '%1/release' ] && [ $i -lt 80 ]; do sleep 0.1; i=$((i+1)); done\n"
                                 "touch '%1/ended'\n")
                      .arg(marks)
                      .toLocal8Bit());
    form().click("Command11");
    EXPECT_FALSE(QFile::exists(marks + QStringLiteral("/ended"))) << "the click waited for the opener";
    EXPECT_EQ(desktop.busyDepth, 0);

    writeBytes(marks + QStringLiteral("/release"), "");
    ASSERT_TRUE(waitUntil([this] { return !desktop.realOpenerRuns.empty(); }));
    EXPECT_TRUE(desktop.realOpenerRuns[0].started);
    EXPECT_EQ(desktop.realOpenerRuns[0].exitCode, 0);
    EXPECT_EQ(readBytes(marks + QStringLiteral("/argument")), kml.toLocal8Bit());
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
