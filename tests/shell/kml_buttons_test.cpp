#include "kml/kml_writer.h"
#include "shell/info_view.h"
#include "shell/tab_control.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
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
        for (auto [step, name] : {std::pair{StepColour::Red, "Red"}, {StepColour::LightGrey, "LightGrey"},
                                  {StepColour::ButtonFace, "ButtonFace"}, {StepColour::Light3D, "Light3D"}}) {
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

    QByteArray fileBytes(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    EXPECT_EQ(fileBytes(w.Text2->text()).toStdString(), expectedDocument(w, 2, "Station"));
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
    const std::string written = fileBytes(w.Text8->text()).toStdString();
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
        const char* file;      // inside the test folder
        const char* frequency;
        bool noLongitude;
        const char* says;      // part of the message; "@" stands for the path
    };
    const Case cases[] = {
        {"missing folder", "no such folder/out.KML", "5", false, "@"},
        {"frequency 0", "out.KML", "0", false, "whole number from 1 to 32767"},
        {"frequency too large", "out.KML", "40000", false, "whole number from 1 to 32767"},
        {"no leading number", "out.KML", "every fifth", false, "whole number from 1 to 32767"},
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
    EXPECT_EQ(desktop.dialogs[0].request.filter, QStringLiteral("Google Earth File |*.KML|"));
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
