#include "shell/seismic_road.h"

#include "base/file_names.h"
#include "conversion/named_system.h"
#include "conversion/road.h"
#include "conversion/road_points.h"
#include "conversion/seismic_choices.h"
#include "readers/seismic_header.h"
#include "shell/data_panel.h"
#include "shell/information_panel.h"
#include "shell/long_run.h"
#include "shell/library_text.h"
#include "shell/seismic_panel.h"
#include "shell/tab_control.h"
#include "shell/window_parts.h"
#include "shell/xy_input_panel.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <memory>
#include <optional>

namespace {

const QString kProblem = QStringLiteral("Check your seismic file XY problem !");

// What the "Information" tab shows after a header read: the found-line, then
// the textual headers as the file holds them.
QString headerText(const QString& foundLine, const marovin::SeismicFile& file)
{
    QString text = foundLine + QStringLiteral("\n\n");
    if (file.su())
        return text + QStringLiteral("An SU file has no textual header.\n");
    for (const std::string& line : file.textual_header())
        text += QString::fromUtf8(line.data(), qsizetype(line.size())) + QLatin1Char('\n');
    return text;
}

// What tab 3 shows of a file read; the scalar only on the seismic road (on
// the text road Text7 keeps what the user's XY points need).
HeaderShown shownHeader(const marovin::SeismicFile& file, const std::string& kmlName, bool seismicRoad,
                        const marovin::FileNamedSystem& named)
{
    HeaderShown shown{fromLibrary(kmlName), !file.layout().little_endian,           !file.su(),
                      std::nullopt,         QString::number(file.layout().samples), QString::number(file.traces()),
                      std::nullopt};
    if (seismicRoad)
        shown.scalar = QString::number(file.scalar());
    if (named.system)
        shown.system = fromLibrary(named.system->definition);
    return shown;
}

} // namespace

SeismicRoad::SeismicRoad(WindowParts& window) : w_(window) {}

marovin::Status SeismicRoad::disarm(const QString& shownPath, const std::string& why)
{
    w_.seismic.disarmExtraction();
    QString cause = fromLibrary(why);
    if (!shownPath.isEmpty())
        cause.replace(shownPath, QFileInfo(shownPath).fileName());
    w_.seismic.showLine(QStringLiteral("Not read: ") + cause);
    return marovin::fail(why);
}

// Everything is worked out before any control changes, so that a failure
// leaves tab 3 and the header state wholly those of the previous file.
marovin::Status SeismicRoad::lecture_SU()
{
    const QString shownPath = w_.seismic.seismicPath();
    const std::string path = libraryPath(shownPath);
    const marovin::Result<std::string> kmlName = marovin::seismic_kml_name(path);
    if (!kmlName)
        return disarm(shownPath, kmlName.error());
    marovin::Result<marovin::SeismicFile> read = marovin::SeismicFile::open(path);
    if (!read)
        return disarm(shownPath, read.error());
    const auto file = std::make_shared<const marovin::SeismicFile>(std::move(read).value());
    const marovin::FileNamedSystem named = marovin::file_named_system(*file);

    // In text mode this read only happens at start-up: the "Information"
    // tab keeps the manual, and Command1 stays red as the text road's first
    // step. The system the file names is proposed; the user may choose
    // another.
    RoadState& state = w_.state;
    const bool seismicRoad = state.mode != Input_Mode::TEXT_XY;
    state.header = file;
    state.headerFile = shownPath;
    state.headerLine = fromLibrary(file->found_line());
    QString reminder = QStringLiteral("Remember to select the original geodesic system");
    if (named.system) {
        state.headerLine += QStringLiteral(", ") + fromLibrary(named.told);
        reminder += QStringLiteral(": the textual header names %1 (%2), which is now chosen")
                        .arg(fromLibrary(named.system->definition), fromLibrary(named.system->name));
    }
    w_.seismic.showHeader(shownHeader(*file, *kmlName, seismicRoad, named));
    w_.seismic.showLine(state.headerLine);
    if (seismicRoad) {
        w_.information.showText(headerText(state.headerLine, *file));
        w_.xyInput.seismicFileRead();
    }
    w_.seismic.armExtraction();
    w_.tell(reminder, Desktop::Icon::Information);
    return marovin::ok();
}

void SeismicRoad::Command7_Click()
{
    // Open where the current seismic file lies; without one, in the home
    // folder (the fixed seismic folder on Windows).
    CommonDialog& dialog = w_.CmDialog1;
#ifdef _WIN32
    dialog.InitDir = QStringLiteral("c:\\tervalo\\segy");
#else
    dialog.InitDir = QDir::homePath();
#endif
    const QFileInfo current(w_.seismic.seismicPath());
    if (!current.filePath().isEmpty() && current.isAbsolute() && QFileInfo(current.absolutePath()).isDir())
        dialog.InitDir = current.absolutePath();
    dialog.CancelError = false;
    dialog.DialogTitle = QStringLiteral("Seismic file");
    dialog.Filter = QStringLiteral("Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|");
    dialog.FileName = QStringLiteral("*.SGY");

    const std::optional<QString> chosen = dialog.show(w_.desktop, &w_.window, CommonDialog::Kind::Open);
    if (!chosen)
        return;
    w_.seismic.setSeismicPath(*chosen);
    if (const marovin::Status read = lecture_SU(); !read)
        w_.tell(QStringLiteral("Cannot read the seismic file.\n\n%1").arg(fromLibrary(read.error(), Shown::AsSentence)),
                Desktop::Icon::Warning);
}

// The header state describes the file it was read from, and no other:
// another file's traces read with its layout would give wrong points.
bool SeismicRoad::headerIsTheFileNamed()
{
    const QString path = w_.seismic.seismicPath();
    const RoadState& state = w_.state;
    if (state.header && !state.headerFile.isEmpty() && path == state.headerFile)
        return true;
    const QString named =
        path.isEmpty() ? QStringLiteral("No seismic file is named")
                       : QStringLiteral("The headers of %1 have not been read").arg(QDir::toNativeSeparators(path));
    const QString shown =
        state.headerFile.isEmpty()
            ? QString()
            : QStringLiteral(" (the values shown are those of %1)").arg(QDir::toNativeSeparators(state.headerFile));
    w_.tell(
        QStringLiteral("%1%2. Choose the seismic file with \"SEGY or SU file\" before extracting.").arg(named, shown),
        Desktop::Icon::Warning);
    return false;
}

std::optional<marovin::RoadRequest> SeismicRoad::extractionRequest()
{
    const auto warn = [this](const std::string& why) {
        w_.tell(fromLibrary(why, Shown::AsSentence), Desktop::Icon::Warning);
        return std::nullopt;
    };
    if (!headerIsTheFileNamed())
        return std::nullopt;
    const SeismicChoices choices = w_.seismic.choices();
    const marovin::Result<marovin::CoordinatePair> pair = marovin::pair_of_caption(choices.pair.toStdString());
    if (!pair)
        return warn("\"Header word for XY\": " + pair.error());
    const marovin::Result<marovin::HeaderPosition> label = marovin::label_of_caption(choices.label.toStdString());
    if (!label)
        return warn("\"Point label\": " + label.error());
    const marovin::Result<double> divisor = marovin::coordinate_divisor(choices.scalar.toStdString());
    if (!divisor || w_.state.header->traces() == INT32_MAX) { // the grid adds its heading row
        w_.tell(kProblem, Desktop::Icon::Critical);
        return std::nullopt;
    }
    return marovin::RoadRequest{marovin::SeismicSource{w_.state.header.get(), *label, *pair, *divisor},
                                choices.system.toStdString()};
}

void SeismicRoad::showFailure(const marovin::RoadError& failure)
{
    using Kind = marovin::RoadFailure;
    switch (failure.kind) {
    case Kind::Cancelled: return;
    case Kind::NoCoordinates: w_.tell(fromLibrary(failure.message, Shown::AsSentence), Desktop::Icon::Warning); return;
    case Kind::AnglesNeedGeographic: return anglesNeedAGeographicSystem();
    case Kind::WriteJob: w_.tell(fromLibrary(failure.message, Shown::AsSentence), Desktop::Icon::Critical); return;
    case Kind::RunConverter: w_.tell(fromLibrary(failure.message), Desktop::Icon::Critical); return;
    case Kind::Convert:
        w_.tell(QStringLiteral("The conversion failed: %1").arg(fromLibrary(failure.message)), Desktop::Icon::Critical);
        return;
    case Kind::ReadResult: // the converter itself did its work
        w_.tell(QStringLiteral("Conversion done !"), Desktop::Icon::Information);
        break;
    case Kind::ReadFile: break;
    }
    w_.tell(kProblem, Desktop::Icon::Critical);
}

// Angles from the trace headers are longitudes and latitudes: the converter
// must be told a geographic system for them.
void SeismicRoad::anglesNeedAGeographicSystem()
{
    w_.tell(QStringLiteral("The trace headers of %1 give longitudes and latitudes (in %2). Choose a geographic "
                           "system for them in \"Geodesic system  in seismic file header\", for example WGS84: "
                           "\"%3\" is not known to be one.")
                .arg(QDir::toNativeSeparators(w_.state.headerFile),
                     fromLibrary(marovin::angle_units(w_.state.header->units())), w_.seismic.choices().system),
            Desktop::Icon::Warning);
}

// The request is built from the boxes, the road runs off the window's
// thread, and the window changes only once the converter's result has been
// read: a failed or cancelled run leaves the table, the grid, the label kind
// and the buttons as they were.
void SeismicRoad::Command8_Click()
{
    std::optional<marovin::RoadRequest> request = extractionRequest();
    if (!request)
        return;
    const QString labelKind = w_.seismic.choices().label;
    marovin::Converter& converter = w_.converter;
    auto road = w_.runs.run([&request, &converter](marovin::Progress& progress) {
        return marovin::run_road(std::move(*request), converter, progress);
    });
    if (!road)
        return showFailure(road.failure());
    w_.tell(QStringLiteral("Conversion done !"), Desktop::Icon::Information);

    RoadState& state = w_.state;
    state.points = std::move(road->table);
    w_.xyInput.setLabelKind(labelKind);
    w_.data.showPoints(state.points);
    const QString unset = fromLibrary(road->unset_text);
    w_.seismic.showLine(unset.isEmpty() ? state.headerLine : state.headerLine + QStringLiteral("; ") + unset);
    w_.seismic.extracted();
    w_.SSTab1.setCurrentIndex(1);
}

void SeismicRoad::Command3_Click() { writeKml(w_, w_.seismic); }

void SeismicRoad::Command4_Click() { launchViewer(w_, w_.seismic); }
