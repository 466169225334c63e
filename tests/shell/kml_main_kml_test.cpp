#include "qt_support.h"
#include "window_fixture.h"
#include "kml/kml_writer.h"
#include "kml/kmz_writer.h"
#include "shell/info_view.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <functional>
#include <sstream>

namespace {

// Records every change of colour or enabled state of the watched buttons, in
// the order the handler makes them: "Command10 LightGrey", "Command11 enabled".
class ButtonLog : public QObject {
public:
    void watch(QPushButton* button, const char* name)
    {
        button->setObjectName(QString::fromLatin1(name));
        button->installEventFilter(this);
    }
    QStringList entries;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* button = static_cast<QPushButton*>(object);
        if (event->type() == QEvent::EnabledChange)
            entries << button->objectName() + (button->isEnabled() ? " enabled" : " disabled");
        else if (event->type() == QEvent::PaletteChange)
            entries << button->objectName() + " " + colourName(KML_Main::backColour(button));
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

class KmlButtonsTest : public WindowTest {
protected:
    // The window as a conversion run of `mode` leaves it, with the two points
    // of a short survey line (numbers 2049, 2050) in the table.
    KML_Main& converted(const char* mode)
    {
        KML_Main& w = window();
        w.Input_Mode = QString::fromLatin1(mode);
        w.Point_Table = marovin::PointTable({2.35, -1.5}, {48.8566, 43.25}, {2049, 2050});
        w.SSTab1->setCurrentIndex(mode == QLatin1String("SEGY") ? 3 : 0);
        log.watch(w.Command3, "Command3");
        log.watch(w.Command4, "Command4");
        log.watch(w.Command10, "Command10");
        log.watch(w.Command11, "Command11");
        return w;
    }

    std::string expectedDocument(KML_Main& w, int frequency, const std::string& prefix)
    {
        std::ostringstream out;
        EXPECT_TRUE(
            marovin::write_kml_document(out, w.Point_Table, {frequency, prefix, w.Text3->text().toStdString()}).ok());
        return out.str();
    }

    ButtonLog log;
};

TEST_F(KmlButtonsTest, TextRoadWritesShowsTheFileAndMakesTheViewerTheNextStep)
{
    KML_Main& w = converted("TEXT_XY");
    // Disabled here only to see the enabling take its place in the order.
    w.Command10->setEnabled(false);
    w.Text2->setText(path(QStringLiteral("line 1.KML")));
    w.Combo4->setEditText(QStringLiteral("2.5 points")); // reads as 2
    w.Command10_Click();

    EXPECT_EQ(log.entries.join(", ").toStdString(), "Command10 LightGrey, Command10 ButtonFace, Command10 enabled, "
                                                    "Command11 enabled, Command11 Red");
    EXPECT_EQ(readBytes(w.Text2->text()).toStdString(), expectedDocument(w, 2, "Station"));
    EXPECT_EQ(w.SSTab1->currentIndex(), 2);
    EXPECT_TRUE(w.RichTextBox1->text().contains(QStringLiteral("<name>Station 2050</name>")));
    EXPECT_EQ(desktop.busyChanges, std::vector<bool>({true, false}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(KmlButtonsTest, SeismicRoadWritesWithTheTraceHeaderLabel)
{
    KML_Main& w = converted("SEGY");
    w.Command3->setEnabled(true);
    log.entries.clear();
    w.Text8->setText(path(QStringLiteral("LINE1.KML")));
    w.Combo8->setEditText(QStringLiteral("1"));
    w.Combo3->setEditText(QStringLiteral("CDP"));
    w.Text3->setText(QStringLiteral("Line A&B"));
    w.Command3_Click();

    EXPECT_EQ(log.entries.join(", ").toStdString(),
              "Command3 LightGrey, Command4 enabled, Command3 ButtonFace, Command4 Red");
    const std::string written = readBytes(w.Text8->text()).toStdString();
    EXPECT_EQ(written, expectedDocument(w, 1, "CDP"));
    EXPECT_NE(written.find("<name>CDP 2050</name>\r\n<description>Line A&amp;B</description>"), std::string::npos);
    EXPECT_EQ(w.SSTab1->currentIndex(), 2);
    EXPECT_TRUE(w.RichTextBox1->text().contains(QStringLiteral("CDP 2049")));
    EXPECT_EQ(desktop.busyChanges, std::vector<bool>({true, false}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(KmlButtonsTest, FailuresAreToldWriteNothingAndLeaveTheWriterRed)
{
    struct Case {
        const char* what;
        const char* file; // inside the test folder
        const char* frequency;
        bool noLongitude;
        const char* says; // part of the message; "@" stands for the path
    };
    const Case cases[] = {
        {"missing folder", "no such folder/out.KML", "5", false, "@"},
        {"frequency 0", "out.KML", "0", false, "whole number from 1 to 32767"},
        {"point without a longitude", "out.KML", "5", true, "row 2"},
    };
    for (const bool seismic : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (seismic ? " (seismic road)" : " (text road)"));
            desktop.messages.clear();
            desktop.busyChanges.clear();
            KML_Main& w = converted(seismic ? "SEGY" : "TEXT_XY");
            QPushButton* writer = seismic ? w.Command3 : w.Command10;
            QPushButton* viewer = seismic ? w.Command4 : w.Command11;
            writer->setEnabled(true);
            viewer->setEnabled(false);
            KML_Main::setBackColour(viewer, StepColour::ButtonFace);
            const QString target = path(QString::fromLatin1(c.file));
            (seismic ? w.Text8 : w.Text2)->setText(target);
            (seismic ? w.Combo8 : w.Combo4)->setEditText(QString::fromLatin1(c.frequency));
            if (c.noLongitude)
                w.Point_Table = marovin::PointTable({2.35, NAN}, {48.8566, 43.25}, {2049, 2050});
            const int tab = w.SSTab1->currentIndex();

            seismic ? w.Command3_Click() : w.Command10_Click();

            ASSERT_EQ(desktop.messages.size(), 1u);
            EXPECT_EQ(desktop.messages[0].title, QStringLiteral("Marovin"));
            const QString says = QString::fromLatin1(c.says).replace(QLatin1Char('@'), target);
            EXPECT_TRUE(desktop.messages[0].text.contains(says)) << desktop.messages[0].text.toStdString();
            EXPECT_FALSE(QFile::exists(target));
            EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList()); // no temporary file either
            EXPECT_EQ(KML_Main::backColour(writer), stepColourValue(StepColour::Red));
            EXPECT_FALSE(viewer->isEnabled());
            EXPECT_EQ(KML_Main::backColour(viewer), stepColourValue(StepColour::ButtonFace));
            EXPECT_EQ(w.SSTab1->currentIndex(), tab);
            EXPECT_EQ(desktop.busyDepth, 0);
        }
    }
}

// A table of more than 100,000 points is offered the KMZ before a ".KML"
// name is written: Yes writes the archive under the KMZ name, which the box
// then shows, No the KML file as before; a ".kmz" name writes the archive
// without asking. The "Information" tab shows the archive's doc.kml.
TEST_F(KmlButtonsTest, LargeSurveysAreOfferedTheKmzAndKmzNamesWriteIt)
{
    const struct {
        const char* mode;
        int points;
        const char* name;
        Desktop::Answer answer;
        bool asked;
        const char* written;
    } cases[] = {
        {"SEGY", 100001, "LINE1.KML", Desktop::Answer::Yes, true, "LINE1.kmz"},
        {"TEXT_XY", 100001, "line1.kml", Desktop::Answer::No, true, "line1.kml"},
        {"TEXT_XY", 100000, "line1.KML", Desktop::Answer::Yes, false, "line1.KML"},
        {"SEGY", 50, "small.KmZ", Desktop::Answer::No, false, "small.KmZ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.name);
        KML_Main& w = converted(c.mode);
        std::vector<double> longitude, latitude;
        for (int k = 0; k < c.points; ++k) {
            longitude.push_back(9 + (k % 400) * 3e-4);
            latitude.push_back(48 + (k / 400) * 2e-4);
        }
        w.Point_Table = marovin::PointTable(longitude, latitude, std::vector<std::int32_t>(c.points, 1));
        const bool seismic = c.mode == std::string("SEGY");
        QLineEdit* box = seismic ? w.Text8 : w.Text2;
        box->setText(path(QString::fromLatin1(c.name)));
        desktop.messages.clear();
        desktop.answers = {c.answer};
        seismic ? w.Command3_Click() : w.Command10_Click();

        ASSERT_EQ(desktop.messages.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(
                desktop.messages[0].text,
                QStringLiteral("This survey has 100001 points. A KML file of this size opens slowly or not at all "
                               "in an earth viewer; a KMZ file with levels of detail opens at once. Write "
                               "%1.kmz instead?")
                    .arg(QFileInfo(QString::fromLatin1(c.name)).completeBaseName()));
            EXPECT_EQ(desktop.messages[0].title, QStringLiteral("Marovin"));
            EXPECT_EQ(desktop.messages[0].buttons, Desktop::Buttons::YesNo);
        }
        EXPECT_EQ(box->text(), path(QString::fromLatin1(c.written)));
        const QByteArray bytes = readBytes(box->text());
        const bool kmz = QString::fromLatin1(c.written).endsWith(QStringLiteral(".kmz"), Qt::CaseInsensitive);
        EXPECT_EQ(bytes.startsWith("PK\x03\x04"), kmz);
        EXPECT_EQ(w.RichTextBox1->text().contains(QStringLiteral("<href>t/0.kml</href>")), kmz);
        EXPECT_EQ(w.SSTab1->currentIndex(), 2);
        EXPECT_EQ(KML_Main::backColour(seismic ? w.Command4 : w.Command11), stepColourValue(StepColour::Red));
    }
}

TEST_F(KmlButtonsTest, SaveDialogSetsTheTextRoadPathUnlessCancelled)
{
    KML_Main& w = window();
    w.Text2->setText(QStringLiteral("/data/line1.KML"));
    w.CmDialog1.InitDir = QStringLiteral("/somewhere");
    desktop.dialogAnswers = {QStringLiteral("/data/Maps/out.kml"), QString()};

    w.Command2_Click();
    ASSERT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_TRUE(desktop.dialogs[0].save);
    EXPECT_EQ(desktop.dialogs[0].request.title, QStringLiteral("Topo selection"));
    EXPECT_EQ(desktop.dialogs[0].request.filter, QStringLiteral("Google Earth File |*.KML|KMZ files (*.kmz)|*.kmz|"));
    EXPECT_EQ(desktop.dialogs[0].request.fileName, QStringLiteral("*.KML"));
    EXPECT_EQ(desktop.dialogs[0].request.initialDirectory, QString());
    EXPECT_FALSE(w.CmDialog1.CancelError);
    EXPECT_EQ(w.Text2->text(), QStringLiteral("/data/Maps/out.kml"));

    w.Command2_Click(); // cancelled
    ASSERT_EQ(desktop.dialogs.size(), 2u);
    EXPECT_EQ(desktop.dialogs[1].request.fileName, QStringLiteral("*.KML"));
    EXPECT_EQ(w.Text2->text(), QStringLiteral("/data/Maps/out.kml"));
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace

// The earth-viewer buttons, Command4 and Command11: the click opens the KML
// file without waiting for the desktop's opener, resets the button colours at
// once, and tells the opener's failure when it ends. With the real opener the
// tests put a stand-in xdg-open first on PATH.
namespace {

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

class ViewerLaunchTest : public WindowTest {
protected:
    void TearDown() override
    {
        if (!savedPath.isNull())
            qputenv("PATH", savedPath.toLocal8Bit());
    }

    // A written KML file named in the box of the chosen road; every step
    // button red, so that the click's changes show.
    QString prepare(bool seismic, const QString& name = QStringLiteral("view.KML"))
    {
        KML_Main& w = window();
        const QString kml = path(name);
        writeBytes(kml, "<kml/>");
        (seismic ? w.Text8 : w.Text2)->setText(kml);
        for (QPushButton* b : {w.Command4, w.Command10, w.Command11})
            KML_Main::setBackColour(b, StepColour::Red);
        return kml;
    }

    void click(bool seismic) { seismic ? window().Command4_Click() : window().Command11_Click(); }

    // The colours a click leaves: its own road's buttons on the button face.
    void expectColoursReset(bool seismic)
    {
        KML_Main& w = window();
        const QColor face = stepColourValue(StepColour::ButtonFace);
        const QColor red = stepColourValue(StepColour::Red);
        EXPECT_EQ(KML_Main::backColour(w.Command4), seismic ? face : red);
        EXPECT_EQ(KML_Main::backColour(w.Command10), seismic ? red : face);
        EXPECT_EQ(KML_Main::backColour(w.Command11), seismic ? red : face);
    }

    void expectViewerMessage(const QString& kml, const QString& says)
    {
        ASSERT_EQ(desktop.messages.size(), 1u);
        const ScriptedDesktop::Message& m = desktop.messages[0];
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("Unable to launch Google Earth "))) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(kml)) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(says)) << m.text.toStdString();
        EXPECT_EQ(m.title, QStringLiteral("Marovin"));
        EXPECT_EQ(m.icon, Desktop::Icon::Warning);
        EXPECT_EQ(m.buttons, Desktop::Buttons::Ok);
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

TEST_F(ViewerLaunchTest, ClickResetsTheColoursAtOnceAndTheOutcomeIsToldWhenTheOpenerEnds)
{
    const struct {
        const char* what;
        bool started;
        int exitCode;
        const char* says; // nothing: no message
    } outcomes[] = {
        {"opened", true, 0, nullptr},
        {"no method to open it", true, 3, "no program is registered to open KML files"},
        {"opening failed", true, 4, "no program is registered to open KML files"},
        {"no opener", false, -1, "xdg-utils"},
    };
    for (const bool seismic : {true, false}) {
        for (const auto& o : outcomes) {
            SCOPED_TRACE(std::string(seismic ? "Command4, " : "Command11, ") + o.what);
            desktop.messages.clear();
            desktop.opens.clear();
            desktop.busyChanges.clear();
            const QString kml = prepare(seismic);

            click(seismic);
            ASSERT_EQ(desktop.opens.size(), 1u);
            EXPECT_EQ(desktop.opens[0].path, kml);
            EXPECT_EQ(desktop.opens[0].workingDirectory, window().programDir());
            EXPECT_TRUE(desktop.messages.empty()) << "nothing is known before the opener ends";
            EXPECT_EQ(desktop.busyChanges, (std::vector<bool>{true, false}));
            expectColoursReset(seismic);

            desktop.opens[0].end(o.exitCode, o.started);
            if (o.says) {
                expectViewerMessage(kml, QString::fromLatin1(o.says));
            } else {
                EXPECT_TRUE(desktop.messages.empty());
            }
            if (o.started && o.exitCode != 0 && !desktop.messages.empty()) {
                EXPECT_TRUE(desktop.messages[0].text.contains(QStringLiteral("Marble")));
            }
        }
    }
}

TEST_F(ViewerLaunchTest, PathsThatNameNoFileAreToldAtTheClickAndOpenNothing)
{
    KML_Main& w = window();
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
        prepare(false);
        w.Text2->setText(c.text);
        w.Command11_Click();
        EXPECT_TRUE(desktop.opens.empty());
        expectViewerMessage(c.text, QString::fromLatin1(c.says));
        expectColoursReset(false);
        EXPECT_EQ(desktop.busyDepth, 0);
    }
}

TEST_F(ViewerLaunchTest, ARelativePathOpensTheFileThatWasWritten)
{
    KML_Main& w = window();
    w.Point_Table = marovin::PointTable({9.0}, {48.0}, {1});
    // The program runs in a folder of its own; the opener in another one.
    const QString current = path(QStringLiteral("work"));
    QDir().mkpath(current + QStringLiteral("/maps"));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current));
    w.Text2->setText(QStringLiteral("maps/line.KML"));
    w.Command10_Click();
    w.Command11_Click();
    QDir::setCurrent(before);

    const QString written = current + QStringLiteral("/maps/line.KML");
    EXPECT_TRUE(readBytes(written).contains("<Placemark>"));
    ASSERT_EQ(desktop.opens.size(), 1u);
    EXPECT_EQ(desktop.opens[0].path, written);
    EXPECT_NE(desktop.opens[0].workingDirectory, current);
    EXPECT_EQ(w.Text2->text(), QStringLiteral("maps/line.KML")) << "the box keeps what the user typed";
}

TEST_F(ViewerLaunchTest, AnOpenerThatEndsAfterItsWindowClosedTellsNothing)
{
    ScriptedDesktop other;
    auto w = std::make_unique<KML_Main>(other, programDir, user);
    const QString kml = path(QStringLiteral("late.KML"));
    writeBytes(kml, "<kml/>");
    w->Text8->setText(kml);
    w->Command4_Click();
    ASSERT_EQ(other.opens.size(), 1u);
    w.reset();
    other.opens[0].end(3);
    EXPECT_TRUE(other.messages.empty());
}

// The real opener's failures, through the desktop's own run of xdg-open:
// one that ends with status 3 (no program for KML files), and none on PATH.
TEST_F(ViewerLaunchTest, RealOpenerFailuresAreToldWithTheFileAndWhatToInstall)
{
    const struct {
        const char* what;
        QByteArray opener; // null: no xdg-open at all
        const char* says;
        bool started;
    } cases[] = {
        {"status 3", "exit 3\n", "no program is registered to open KML files", true},
        {"no xdg-open", QByteArray(), "xdg-utils", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.messages.clear();
        desktop.realOpenerRuns.clear();
        standInOpener(c.opener);
        const QString kml = prepare(true);
        window().Command4_Click();
        expectColoursReset(true);
        ASSERT_TRUE(waitUntil([this] { return !desktop.messages.empty(); }));
        expectViewerMessage(kml, QString::fromLatin1(c.says));
        ASSERT_EQ(desktop.realOpenerRuns.size(), 1u);
        EXPECT_EQ(desktop.realOpenerRuns[0].started, c.started);
        if (c.started) {
            EXPECT_EQ(desktop.realOpenerRuns[0].exitCode, 3);
            EXPECT_TRUE(desktop.messages[0].text.contains(QStringLiteral("Marble")));
        }
    }
}

TEST_F(ViewerLaunchTest, RealOpenerThatTakesItsTimeNeverHoldsTheWindow)
{
    // The stand-in records its argument, waits until the test releases it
    // (or gives up after 8 s, sooner than an opener that held the window
    // would be let go), notes that it ended and succeeds.
    const QString marks = path(QStringLiteral("marks"));
    QDir().mkpath(marks);
    standInOpener(QStringLiteral("printf '%s' \"$1\" > '%1/argument'\n"
                                 "i=0\n"
                                 "while [ ! -e '%1/release' ] && [ $i -lt 80 ]; do sleep 0.1; i=$((i+1)); done\n"
                                 "touch '%1/ended'\n")
                      .arg(marks)
                      .toLocal8Bit());
    const QString kml = prepare(false);
    window().Command11_Click();
    EXPECT_FALSE(QFile::exists(marks + QStringLiteral("/ended"))) << "the click waited for the opener";
    expectColoursReset(false);
    EXPECT_EQ(desktop.busyDepth, 0);

    writeBytes(marks + QStringLiteral("/release"), "");
    ASSERT_TRUE(waitUntil([this] { return !desktop.realOpenerRuns.empty(); }));
    EXPECT_TRUE(desktop.realOpenerRuns[0].started);
    EXPECT_EQ(desktop.realOpenerRuns[0].exitCode, 0);
    EXPECT_EQ(readBytes(marks + QStringLiteral("/argument")), kml.toLocal8Bit());
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
