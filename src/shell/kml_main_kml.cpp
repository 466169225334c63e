// KML writing, KML file naming and the earth-viewer launch.
#include "shell/kml_main.h"

#include "base/file_names.h"
#include "kml/kml_writer.h"
#include "kml/kmz_writer.h"
#include "shell/desktop.h"
#include "shell/info_view.h"
#include "shell/library_text.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The KML path of a box as a full path. A relative path is taken from the
// program's current folder, for writing and for opening alike: the opener
// runs in another folder, and must open the very file that was written.
QString absoluteKmlPath(const QString& path) { return path.isEmpty() ? path : QDir::current().absoluteFilePath(path); }

// What differs between the two roads' writer buttons.
struct WriterRoad {
    QPushButton* own;             // the writer button, back to red after a failure
    QLineEdit* path;              // the KML path box
    QComboBox* frequency;         // the label frequency combo
    void (*succeeded)(KML_Main&); // the button updates after a written file
};

// One run of a writer button. A name ending in ".kmz" writes the KMZ
// archive; a ".kml" name for a large table first offers it. Every failure
// (a label frequency out of range, a bad table, a file that cannot be
// created or written) is told in a message; nothing is written under the
// chosen name then, the viewer button is left as it was, and the writer's
// own button turns red again so the user can retry once the cause is
// corrected.
void writeKml(KML_Main& w, const WriterRoad& road)
{
    KML_Main::setBackColour(road.own, StepColour::LightGrey);
    const marovin::Result<int> frequency = marovin::label_frequency(road.frequency->currentText().toStdString());
    if (!frequency) {
        w.desktop().message(&w, fromLibrary(frequency.error(), Shown::AsSentence), kTitle, Desktop::Icon::Warning,
                            Desktop::Buttons::Ok);
        KML_Main::setBackColour(road.own, StepColour::Red);
        return;
    }
    // The name box shows the KMZ's name once it is written.
    QString name = road.path->text();
    if (marovin::kmz_advised(w.Nb_Points(), libraryPath(name))) {
        const QString kmz = fromLibrary(marovin::kmz_name(libraryPath(name)));
        const QString question =
            QStringLiteral("This survey has %1 points. A KML file of this size opens slowly or not at all in an earth "
                           "viewer; a KMZ file with levels of detail opens at once. Write %2 instead?")
                .arg(w.Nb_Points())
                .arg(QFileInfo(kmz).fileName());
        if (w.desktop().message(&w, question, kTitle, Desktop::Icon::Information, Desktop::Buttons::YesNo) ==
            Desktop::Answer::Yes)
            name = kmz;
    }
    const QString path = absoluteKmlPath(name);
    const bool kmz = marovin::is_kmz_name(libraryPath(path));

    w.desktop().setBusy(&w, true);
    // Prefix and description are read once: nothing can change them while
    // the run lasts.
    const marovin::KmlLabels labels{*frequency, w.Combo3->currentText().toStdString(), w.Text3->text().toStdString()};
    marovin::Result<marovin::KmzWritten> archive = marovin::KmzWritten{};
    marovin::Status written = marovin::ok();
    if (kmz) {
        archive = marovin::write_kmz_file(libraryPath(path), w.Point_Table, labels);
        written = archive ? marovin::ok() : marovin::fail(archive.error());
    } else {
        written = marovin::write_kml_file(libraryPath(path), w.Point_Table, labels);
    }
    if (!written) {
        w.desktop().setBusy(&w, false);
        w.desktop().message(&w,
                            QStringLiteral("The %1 file was not written: %2")
                                .arg(kmz ? QStringLiteral("KMZ") : QStringLiteral("KML"), fromLibrary(written.error())),
                            kTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
        KML_Main::setBackColour(road.own, StepColour::Red);
        return;
    }

    road.path->setText(name);
    w.SSTab1->setCurrentIndex(2);
    // The file is written; should the viewer fail to show it, the tab keeps
    // what it showed and the user can still open the file in the viewer. A
    // KMZ shows its root document.
    if (kmz)
        w.RichTextBox1->setPlainBytes(QByteArray::fromStdString(archive->document));
    else
        (void)w.RichTextBox1->loadPlainTextFile(path);
    road.succeeded(w);
    w.desktop().setBusy(&w, false);
}

void viewerFailed(KML_Main& w, const QString& reason)
{
    w.desktop().message(&w, QStringLiteral("Unable to launch Google Earth \n\n") + reason, kTitle,
                        Desktop::Icon::Warning, Desktop::Buttons::Ok);
}

// Opens the KML file in the desktop's program for it without waiting for
// that program; the outcome is told when the opener ends. A path that names
// no file is told at once.
void launchViewer(KML_Main& w, const QLineEdit* box)
{
    const QString path = absoluteKmlPath(box->text());
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo file(path);
    if (!file.isFile()) {
        viewerFailed(w, file.exists() ? QStringLiteral("%1 is not a file.").arg(shown)
                                      : QStringLiteral("There is no KML file %1. Write it first.").arg(shown));
        return;
    }
    w.desktop().setBusy(&w, true);
    w.desktop().openDocument(path, w.programDir(), &w, [&w, shown](const Desktop::ProgramRun& run) {
        if (!run.started) {
            viewerFailed(w, QStringLiteral("xdg-open, which opens %1 with the desktop's program for KML files, "
                                           "could not be started. Install it (Debian package xdg-utils).")
                                .arg(shown));
        } else if (run.exitCode != 0) {
            viewerFailed(w, QStringLiteral("The KML file %1 could not be opened: no program is registered to open "
                                           "KML files. Install one, for example Marble (Debian package marble), "
                                           "then click the button again.")
                                .arg(shown));
        }
    });
    w.desktop().setBusy(&w, false);
}

} // namespace

void KML_Main::Command2_Click()
{
    CmDialog1.InitDir = QString();
    CmDialog1.CancelError = false;
    CmDialog1.DialogTitle = QStringLiteral("Topo selection");
    CmDialog1.Filter = QStringLiteral("Google Earth File |*.KML|KMZ files (*.kmz)|*.kmz|");
    CmDialog1.FileName = QStringLiteral("*.KML");
    // A cancelled dialog leaves the path as it was.
    if (const std::optional<QString> chosen = showDialog(FileDialog::Save))
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
    launchViewer(*this, Text2);
    setBackColour(Command10, StepColour::ButtonFace);
    setBackColour(Command11, StepColour::ButtonFace);
}

void KML_Main::Command4_Click()
{
    launchViewer(*this, Text8);
    setBackColour(Command4, StepColour::ButtonFace);
}
