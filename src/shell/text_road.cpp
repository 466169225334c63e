#include "shell/text_road.h"

#include "base/file_names.h"
#include "conversion/road_points.h"
#include "conversion/named_system.h"
#include "conversion/road.h"
#include "shell/data_panel.h"
#include "shell/information_panel.h"
#include "shell/long_run.h"
#include "shell/library_text.h"
#include "shell/seismic_panel.h"
#include "shell/tab_control.h"
#include "shell/window_parts.h"
#include "shell/xy_input_panel.h"

#include <QByteArray>

#include <optional>
#include <string>

namespace {

// What the "Information" tab shows above an XY file's points: what the file
// says of itself (a header line, SPS header records, its system) and a
// blank line; nothing for a plain list.
QByteArray xyTextNotes(const marovin::XyText& text, const marovin::FileNamedSystem& system)
{
    QByteArray shown;
    std::vector<std::string> notes = marovin::xy_text_notes(text);
    if (std::string note = marovin::file_named_system_note(system); !note.empty())
        notes.push_back(std::move(note));
    for (const std::string& note : notes)
        shown.append(note.data(), qsizetype(note.size())).append("\r\n");
    if (!notes.empty())
        shown.append("\r\n");
    return shown;
}

} // namespace

TextRoad::TextRoad(WindowParts& window) : w_(window) {}

marovin::FileNamedSystem TextRoad::showXyText(const QString& path, const marovin::XyText& text)
{
    marovin::FileNamedSystem system = marovin::file_named_system(text);
    shownPath_ = path;
    shownText_ = xyTextNotes(text, system).append(text.text.data(), qsizetype(text.text.size()));
    shownLeftOut_ = text.left_out;
    w_.information.showBytes(shownText_);
    return system;
}

bool TextRoad::isXyTextShown(const QString& path, const marovin::XyText& text) const
{
    if (path != shownPath_ || text.left_out != shownLeftOut_)
        return false;
    const QByteArray notes = xyTextNotes(text, marovin::file_named_system(text));
    const std::string_view shown(shownText_.constData(), std::size_t(shownText_.size()));
    return shown.starts_with(std::string_view(notes.constData(), std::size_t(notes.size()))) &&
           shown.substr(std::size_t(notes.size())) == text.text;
}

QString TextRoad::takeWhatTheFileSays(const marovin::XyText& text, const marovin::FileNamedSystem& system)
{
    // Units other than metres are only told, never scaled.
    if (const std::optional<marovin::XyLayout> layout = marovin::named_layout(text))
        w_.xyInput.setLayoutName(fromLibrary(marovin::layout_name(*layout)));
    if (system.system)
        w_.xyInput.setSystem(fromLibrary(system.system->definition));
    QString reminder = QStringLiteral("Remember to select the original geodesic system");
    if (text.sps && !text.sps->units_not_metres.empty())
        reminder += QStringLiteral(". The SPS header gives the grid units as %1: the coordinates are converted "
                                   "as they stand, so the system must be one in those units.")
                        .arg(fromLibrary(text.sps->units_not_metres));
    return reminder;
}

void TextRoad::Command1_Click()
{
    CommonDialog& dialog = w_.CmDialog1;
    dialog.InitDir = QString();
    dialog.CancelError = false;
    dialog.DialogTitle = QStringLiteral("Topo selection");
    dialog.Filter = QStringLiteral("Topo File |*.XYZ|All files|*.*|");
    dialog.FileName = QStringLiteral("*.*");
    // A cancelled dialog changes nothing: the preset "*.*" is never taken for
    // a file name.
    const std::optional<QString> path = dialog.show(w_.desktop, &w_.window, CommonDialog::Kind::Open);
    if (!path)
        return;
    w_.xyInput.setXyPath(*path);
    if (marovin::is_seismic_name(libraryPath(*path)))
        return w_.SSTab1.setCurrentIndex(3); // in the text mode the tab rule brings tab 0 back at once
    if (marovin::Result<std::string> kml = marovin::text_kml_name(libraryPath(*path)))
        w_.xyInput.setKmlPath(fromLibrary(*kml));

    // The chosen file is only read: its normalised text is shown and kept
    // for the conversion run.
    const marovin::Result<marovin::XyText> loaded = marovin::load_xy_file(libraryPath(*path));
    if (!loaded)
        return (void)w_.tell(QStringLiteral("Cannot read the XY file: %1").arg(fromLibrary(loaded.error())),
                             Desktop::Icon::Warning);
    const QString reminder = takeWhatTheFileSays(*loaded, showXyText(*path, *loaded));
    w_.xyInput.xyFileTaken();
    w_.SSTab1.setCurrentIndex(2);
    w_.tell(reminder, Desktop::Icon::Information);
}

void TextRoad::Command2_Click()
{
    CommonDialog& dialog = w_.CmDialog1;
    dialog.InitDir = QString();
    dialog.CancelError = false;
    dialog.DialogTitle = QStringLiteral("Topo selection");
    dialog.Filter = QStringLiteral("Google Earth File |*.KML|KMZ files (*.kmz)|*.kmz|");
    dialog.FileName = QStringLiteral("*.KML");
    // A cancelled dialog leaves the path as it was.
    if (const std::optional<QString> chosen = dialog.show(w_.desktop, &w_.window, CommonDialog::Kind::Save))
        w_.xyInput.setKmlPath(*chosen);
}

bool TextRoad::shownBeforeConverting(const QString& path, const marovin::XyText& text)
{
    // The run converts the file as the "Information" tab shows it. The file
    // is read again, so an edit made since it was chosen (a mended line) is
    // not lost; but a text that differs from the one shown is first shown,
    // and converted only at the next click, never silently.
    if (isXyTextShown(path, text))
        return true;
    const QString what = path == shownPath_
                             ? QStringLiteral("The XY file %1 has changed since it was chosen. The \"Information\" "
                                              "tab now shows it as it will be converted")
                             : QStringLiteral("The \"Information\" tab now shows the XY file %1 as it will be "
                                              "converted");
    showXyText(path, text);
    w_.SSTab1.setCurrentIndex(2);
    w_.tell(what.arg(path) + QStringLiteral(": check it and click Conversion again."), Desktop::Icon::Information);
    return false;
}

void TextRoad::showFailure(const marovin::RoadError& failure)
{
    using Kind = marovin::RoadFailure;
    const auto stop = [this](const QString& text) { w_.tell(text, Desktop::Icon::Warning); };
    switch (failure.kind) {
    case Kind::Cancelled: return;
    case Kind::WriteJob: return stop(fromLibrary(failure.message, Shown::AsSentence));
    case Kind::RunConverter: w_.tell(fromLibrary(failure.message), Desktop::Icon::Critical); return;
    case Kind::Convert:
        w_.tell(QStringLiteral("The conversion failed: %1").arg(fromLibrary(failure.message)), Desktop::Icon::Critical);
        return;
    case Kind::ReadResult: // the converter itself did its work
        w_.tell(QStringLiteral("Conversion done !"), Desktop::Icon::Information);
        return stop(QStringLiteral("Cannot read the converter's result: %1").arg(fromLibrary(failure.message)));
    case Kind::ReadFile:
    case Kind::NoCoordinates:        // seismic road only
    case Kind::AnglesNeedGeographic: // seismic road only
        return stop(
            QStringLiteral("Cannot read the XY file: %1, %2").arg(w_.xyInput.xyPath(), fromLibrary(failure.message)));
    }
}

std::optional<marovin::RoadRequest> TextRoad::conversionRequest()
{
    const auto stop = [this](const QString& text) {
        w_.tell(text, Desktop::Icon::Warning);
        return std::nullopt;
    };
    const QString path = w_.xyInput.xyPath();
    marovin::Result<marovin::XyText> loaded = marovin::load_xy_file(libraryPath(path));
    if (!loaded)
        return stop(QStringLiteral("Cannot read the XY file: %1").arg(fromLibrary(loaded.error())));
    if (!shownBeforeConverting(path, *loaded))
        return std::nullopt;
    const QString layoutText = w_.xyInput.layoutName();
    const std::optional<marovin::XyLayout> layout = marovin::layout_named(layoutText.toStdString());
    if (!layout) // empty rows would reach the converter as points at 0, 0
        return stop(QStringLiteral("The file type \"%1\" is not one of \"Number,X,Y,Z\", \"Number,X,Y\", \"X,Y,Z\", "
                                   "\"X,Y\" or \"SPS\".")
                        .arg(layoutText));
    const marovin::Result<double> scalar = marovin::coordinate_divisor(w_.seismic.scalar().toStdString());
    if (!scalar)
        return stop(fromLibrary(scalar.error(), Shown::AsSentence));
    // The system the file names was proposed at its selection: the box's is
    // the one converted from.
    return marovin::RoadRequest{marovin::TextSource{std::move(*loaded), *layout, *scalar},
                                w_.xyInput.system().toStdString()};
}

// The request is built from the file and the boxes, the road runs off the
// window's thread: the user's table and grid are replaced only once the
// converter's result has been read, so a run that stops leaves them (and
// Command10) as they were. Every line holds the fields of the layout, or
// nothing is converted.
void TextRoad::Command9_Click()
{
    std::optional<marovin::RoadRequest> request = conversionRequest();
    if (!request)
        return;
    marovin::Converter& converter = w_.converter;
    auto road = w_.runs.run([&request, &converter](marovin::Progress& progress) {
        return marovin::run_road(std::move(*request), converter, progress);
    });
    if (!road)
        return showFailure(road.failure());
    w_.tell(QStringLiteral("Conversion done !"), Desktop::Icon::Information);
    // The table holds the file's own Number (or 1, 2, 3 ... for layouts
    // without one) and its names that are text, so that the KML names match
    // the grid and the file.
    w_.state.points = std::move(road->table);
    w_.data.showPoints(w_.state.points);
    w_.seismic.textRoadConverted();
    w_.SSTab1.setCurrentIndex(1);
    w_.xyInput.converted();
}

void TextRoad::Command10_Click() { writeKml(w_, w_.xyInput); }

void TextRoad::Command11_Click() { launchViewer(w_, w_.xyInput); }
