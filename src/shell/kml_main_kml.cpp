// KML writing, KML file naming and the earth-viewer launch.
#include "shell/kml_main.h"

#include "kml/kml_writer.h"
#include "shell/desktop.h"
#include "shell/info_view.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kTitle = QStringLiteral("Marovin");

// What differs between the two roads' writer buttons.
struct WriterRoad {
    QPushButton* own;          // the writer button, back to red after a failure
    QLineEdit* path;           // the KML path box
    QComboBox* frequency;      // the label frequency combo
    void (*succeeded)(KML_Main&); // the button updates after a written file
};

// One run of a writer button. Every failure (a label frequency out of range,
// a bad table, a file that cannot be created or written) is told in a
// message; nothing is written under the chosen name then, the viewer button
// is left as it was, and the writer's own button turns red again so the user
// can retry once the cause is corrected.
void writeKml(KML_Main& w, const WriterRoad& road)
{
    KML_Main::setBackColour(road.own, StepColour::LightGrey);
    const QString path = road.path->text();
    const marovin::Result<int> frequency = marovin::label_frequency(road.frequency->currentText().toStdString());
    if (!frequency) {
        w.desktop().message(&w, QString::fromStdString(frequency.error()), kTitle, Desktop::Icon::Warning,
                            Desktop::Buttons::Ok);
        KML_Main::setBackColour(road.own, StepColour::Red);
        return;
    }

    w.desktop().setBusy(&w, true);
    // Prefix and description are read once: nothing can change them while
    // the run lasts.
    const marovin::KmlLabels labels{*frequency, w.Combo3->currentText().toStdString(),
                                    w.Text3->text().toStdString()};
    const marovin::Status written =
        marovin::write_kml_file(QFile::encodeName(path).toStdString(), w.Point_Table, w.Nb_Points, labels);
    if (!written) {
        w.desktop().setBusy(&w, false);
        w.desktop().message(&w,
                            QStringLiteral("The KML file was not written: %1")
                                .arg(QString::fromStdString(written.error())),
                            kTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
        KML_Main::setBackColour(road.own, StepColour::Red);
        return;
    }

    w.SSTab1->setCurrentIndex(2);
    // The file is written; should the viewer fail to show it, the tab keeps
    // what it showed and the user can still open the file in the viewer.
    w.RichTextBox1->loadPlainTextFile(path);
    road.succeeded(w);
    w.desktop().setBusy(&w, false);
}

// Opens the KML file in the desktop's program for it. Failure (no file at
// the path, no program for KML files) is told with the fixed message, whose
// final blank is part of it.
void launchViewer(KML_Main& w, const QString& path)
{
    w.desktop().setBusy(&w, true);
    if (!w.desktop().openDocument(path, w.programDir())) {
        w.desktop().message(&w, QStringLiteral("Unable to launch Google Earth "), kTitle, Desktop::Icon::None,
                            Desktop::Buttons::Ok);
    }
    w.desktop().setBusy(&w, false);
}

} // namespace

void KML_Main::Command2_Click()
{
    CmDialog1.InitDir = QString();
    CmDialog1.CancelError = false;
    CmDialog1.DialogTitle = QStringLiteral("Topo selection");
    CmDialog1.Filter = QStringLiteral("Google Earth File |*.KML|");
    CmDialog1.FileName = QStringLiteral("*.KML");
    // A cancelled dialog leaves the path as it was.
    if (const std::optional<QString> chosen = showSaveDialog())
        Text2->setText(*chosen);
}

void KML_Main::Command10_Click()
{
    writeKml(*this, {Command10, Text2, Combo4, [](KML_Main& w) {
                         setBackColour(w.Command10, StepColour::ButtonFace);
                         w.Command10->setEnabled(true);
                         w.Command11->setEnabled(true);
                         setBackColour(w.Command11, StepColour::Red);
                     }});
}

void KML_Main::Command3_Click()
{
    writeKml(*this, {Command3, Text8, Combo8, [](KML_Main& w) {
                         w.Command4->setEnabled(true);
                         setBackColour(w.Command3, StepColour::ButtonFace);
                         setBackColour(w.Command4, StepColour::Red);
                     }});
}

void KML_Main::Command11_Click()
{
    launchViewer(*this, Text2->text());
    setBackColour(Command10, StepColour::ButtonFace);
    setBackColour(Command11, StepColour::ButtonFace);
}

void KML_Main::Command4_Click()
{
    launchViewer(*this, Text8->text());
    setBackColour(Command4, StepColour::ButtonFace);
}
