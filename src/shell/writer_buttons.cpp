// The writer buttons of both roads, declared in window_parts.h.
#include "shell/window_parts.h"
#include "shell/writer_tab.h"

#include "base/file_names.h"
#include "kml/kml_writer.h"
#include "kml/kmz_writer.h"
#include "shell/information_panel.h"
#include "shell/library_text.h"
#include "shell/long_run.h"
#include "shell/tab_control.h"
#include "shell/xy_input_panel.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The KML path of a box as a full path. A relative path is taken from the
// program's current folder, for writing and for opening alike: the opener
// runs in another folder, and must open the very file that was written.
QString absoluteKmlPath(const QString& path) { return path.isEmpty() ? path : QDir::current().absoluteFilePath(path); }

// The name to write: a large survey named as a .KML file is offered the
// KMZ instead.
QString chosenName(WindowParts& w, const QString& name)
{
    const std::int32_t points = w.state.points.size();
    if (!marovin::kmz_advised(points, libraryPath(name)))
        return name;
    const QString kmz = fromLibrary(marovin::kmz_name(libraryPath(name)));
    const QString question =
        QStringLiteral("This survey has %1 points. A KML file of this size opens slowly or not at all in an earth "
                       "viewer; a KMZ file with levels of detail opens at once. Write %2 instead?")
            .arg(points)
            .arg(QFileInfo(kmz).fileName());
    return w.tell(question, Desktop::Icon::Information, Desktop::Buttons::YesNo) == Desktop::Answer::Yes ? kmz : name;
}

// Writes the table to `path`, on a worker thread: the text of the document
// written (a KMZ's root document), or nothing when a plain KML file is to be
// shown from disk.
marovin::Result<std::optional<std::string>> writeFile(const marovin::PointTable& table, const QString& path,
                                                      const marovin::KmlLabels& labels, marovin::Progress& progress)
{
    if (progress.cancelled())
        return marovin::fail(std::string(marovin::kCancelled));
    if (marovin::is_kmz_name(libraryPath(path))) {
        marovin::Result<marovin::KmzWritten> archive =
            marovin::write_kmz_file(libraryPath(path), table, labels, progress);
        if (!archive)
            return marovin::fail(archive.error());
        return std::optional<std::string>(std::move(archive->document));
    }
    if (marovin::Status written = marovin::write_kml_file(libraryPath(path), table, labels, progress); !written)
        return marovin::fail(written.error());
    return std::optional<std::string>();
}

// Tells why the file was not written, unless the user cancelled it.
void notWritten(const WindowParts& w, WriterTab& tab, const QString& path, const std::string& why)
{
    w.desktop.setBusy(&w.window, false);
    if (marovin::was_cancelled(why))
        return tab.writeCancelled();
    const bool kmz = marovin::is_kmz_name(libraryPath(path));
    w.tell(QStringLiteral("The %1 file was not written: %2")
               .arg(kmz ? QStringLiteral("KMZ") : QStringLiteral("KML"), fromLibrary(why)),
           Desktop::Icon::Critical);
    tab.writeFailed();
}

void viewerFailed(const WindowParts& w, const QString& reason)
{
    w.tell(QStringLiteral("Unable to launch Google Earth \n\n") + reason, Desktop::Icon::Warning);
}

} // namespace

void writeKml(WindowParts& w, WriterTab& tab)
{
    tab.writing();
    const marovin::Result<int> frequency = marovin::label_frequency(tab.labelFrequency().toStdString());
    if (!frequency) {
        w.tell(fromLibrary(frequency.error(), Shown::AsSentence), Desktop::Icon::Warning);
        return tab.writeFailed();
    }
    const QString name = chosenName(w, tab.kmlPath());
    const QString path = absoluteKmlPath(name);
    const PlacemarkWords words = w.xyInput.placemarkWords();
    const marovin::KmlLabels labels{*frequency, words.prefix.toStdString(), words.description.toStdString()};

    w.desktop.setBusy(&w.window, true);
    const marovin::PointTable& table = w.state.points;
    const marovin::Result<std::optional<std::string>> written = w.runs.run(
        [&table, &path, &labels](marovin::Progress& progress) { return writeFile(table, path, labels, progress); });
    if (!written)
        return notWritten(w, tab, path, written.error());
    // The name box shows the KMZ's name once it is written. Should the
    // viewer fail to show the file, the tab keeps what it showed and the
    // user can still open the file in the viewer.
    tab.setKmlPath(name);
    w.SSTab1.setCurrentIndex(2);
    if (*written)
        w.information.showBytes(QByteArray::fromStdString(**written));
    else
        (void)w.information.showFile(path);
    tab.written();
    w.desktop.setBusy(&w.window, false);
}

void launchViewer(WindowParts& w, WriterTab& tab)
{
    const QString path = absoluteKmlPath(tab.kmlPath());
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo file(path);
    if (!file.isFile()) {
        viewerFailed(w, file.exists() ? QStringLiteral("%1 is not a file.").arg(shown)
                                      : QStringLiteral("There is no KML file %1. Write it first.").arg(shown));
        return tab.viewerOpened();
    }
    w.desktop.setBusy(&w.window, true);
    w.desktop.openDocument(path, w.program.dir(), &w.window, [&w, shown](const Desktop::ProgramRun& run) {
        if (!run.started)
            viewerFailed(w, QStringLiteral("xdg-open, which opens %1 with the desktop's program for KML files, "
                                           "could not be started. Install it (Debian package xdg-utils).")
                                .arg(shown));
        else if (run.exitCode != 0)
            viewerFailed(w, QStringLiteral("The KML file %1 could not be opened: no program is registered to open "
                                           "KML files. Install one, for example Marble (Debian package marble), "
                                           "then click the button again.")
                                .arg(shown));
    });
    w.desktop.setBusy(&w.window, false);
    tab.viewerOpened();
}
