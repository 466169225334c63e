// The text road: XY text file selection and its conversion run.
#include "shell/kml_main.h"

#include "base/converter_job.h"
#include "conversion/road_conversion.h"
#include "conversion/road_points.h"
#include "conversion/text_file_system.h"
#include "base/file_names.h"
#include "readers/xy_text.h"
#include "shell/desktop.h"
#include "shell/flex_grid.h"
#include "shell/info_view.h"
#include "shell/library_text.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <string>
#include <vector>

void KML_Main::Command1_Click()
{
    CmDialog1.InitDir = QString();
    CmDialog1.CancelError = false;
    CmDialog1.DialogTitle = QStringLiteral("Topo selection");
    CmDialog1.Filter = QStringLiteral("Topo File |*.XYZ|All files|*.*|");
    CmDialog1.FileName = QStringLiteral("*.*");
    // A cancelled dialog changes nothing: the preset "*.*" is never taken for
    // a file name.
    const std::optional<QString> chosen = showDialog(FileDialog::Open);
    if (!chosen)
        return;
    const QString path = *chosen;
    Text1->setText(path);

    const std::string name = libraryPath(path);
    if (marovin::is_seismic_name(name)) {
        // In the text mode the tab rule brings tab 0 back at once.
        SSTab1->setCurrentIndex(3);
        return;
    }

    if (marovin::Result<std::string> kml = marovin::text_kml_name(name))
        Text2->setText(fromLibrary(*kml));

    // The chosen file is only read: its normalised text is shown and kept
    // for the conversion run.
    marovin::Result<marovin::XyText> loaded = marovin::load_xy_file(libraryPath(path));
    if (!loaded) {
        desktop_.message(this, QStringLiteral("Cannot read the XY file: %1").arg(fromLibrary(loaded.error())), kTitle,
                         Desktop::Icon::Warning, Desktop::Buttons::Ok);
        return;
    }
    const marovin::TextFileSystem system = showXyText(path, *loaded);
    // What the file says of itself is taken over: the layout of an SPS file
    // or of a header line that names the columns, and the system it names.
    // Units other than metres are only told, never scaled.
    if (const std::optional<marovin::XyLayout> layout = marovin::named_layout(*loaded))
        Combo1->setEditText(fromLibrary(marovin::layout_name(*layout)));
    QString reminder = QStringLiteral("Remember to select the original geodesic system");
    if (system.system)
        Combo2->setEditText(fromLibrary(system.system->definition));
    if (loaded->sps && !loaded->sps->units_not_metres.empty())
        reminder += QStringLiteral(". The SPS header gives the grid units as %1: the coordinates are converted "
                                   "as they stand, so the system must be one in those units.")
                        .arg(fromLibrary(loaded->sps->units_not_metres));

    Command2->setEnabled(true);
    setBackColour(Command1, StepColour::ButtonFace);
    Command9->setEnabled(true);
    setBackColour(Command9, StepColour::Red);
    SSTab1->setCurrentIndex(2);
    desktop_.message(this, reminder, kTitle, Desktop::Icon::Information, Desktop::Buttons::Ok);
}

namespace {

// What the "Information" tab shows above an XY file's points: what the file
// says of itself (a header line, SPS header records, its system) and a
// blank line; nothing for a plain list.
QByteArray xyTextNotes(const marovin::XyText& text, const marovin::TextFileSystem& system)
{
    QByteArray shown;
    std::vector<std::string> notes = marovin::xy_text_notes(text);
    if (std::string note = marovin::text_file_system_note(system); !note.empty())
        notes.push_back(std::move(note));
    for (const std::string& note : notes)
        shown.append(note.data(), qsizetype(note.size())).append("\r\n");
    if (!notes.empty())
        shown.append("\r\n");
    return shown;
}

} // namespace

marovin::TextFileSystem KML_Main::showXyText(const QString& path, const marovin::XyText& text)
{
    marovin::TextFileSystem system = marovin::text_file_system(text);
    xyShownPath_ = path;
    xyShownText_ = xyTextNotes(text, system).append(text.text.data(), qsizetype(text.text.size()));
    xyShownLeftOut_ = text.left_out;
    RichTextBox1->setPlainBytes(xyShownText_);
    return system;
}

bool KML_Main::isXyTextShown(const QString& path, const marovin::XyText& text) const
{
    if (path != xyShownPath_ || text.left_out != xyShownLeftOut_)
        return false;
    const QByteArray notes = xyTextNotes(text, marovin::text_file_system(text));
    const std::string_view shown(xyShownText_.constData(), std::size_t(xyShownText_.size()));
    return shown.starts_with(std::string_view(notes.constData(), std::size_t(notes.size()))) &&
           shown.substr(std::size_t(notes.size())) == text.text;
}

void KML_Main::Command9_Click()
{
    // Everything is built in temporaries: the user's table and grid
    // are replaced only once the converter's result has been read, so a run
    // that stops leaves them (and Command10) as they were.
    auto stop = [this](const QString& text) {
        desktop_.message(this, text, kTitle, Desktop::Icon::Warning, Desktop::Buttons::Ok);
    };

    // The run converts the file as the "Information" tab shows it. The file
    // is read again, so an edit made since it was chosen (a mended line) is
    // not lost; but a text that differs from the one shown is first shown,
    // and converted only at the next click, never silently.
    const QString path = Text1->text();
    marovin::Result<marovin::XyText> loaded = marovin::load_xy_file(libraryPath(path));
    if (!loaded) {
        stop(QStringLiteral("Cannot read the XY file: %1").arg(fromLibrary(loaded.error())));
        return;
    }
    if (!isXyTextShown(path, *loaded)) {
        const QString what = path == xyShownPath_
                                 ? QStringLiteral("The XY file %1 has changed since it was chosen. The \"Information\" "
                                                  "tab now shows it as it will be converted")
                                 : QStringLiteral("The \"Information\" tab now shows the XY file %1 as it will be "
                                                  "converted");
        showXyText(path, *loaded);
        SSTab1->setCurrentIndex(2);
        desktop_.message(this, what.arg(path) + QStringLiteral(": check it and click Conversion again."), kTitle,
                         Desktop::Icon::Information, Desktop::Buttons::Ok);
        return;
    }

    const QString layoutText = Combo1->currentText();
    const std::optional<marovin::XyLayout> layout = marovin::layout_named(layoutText.toStdString());
    if (!layout) {
        // Empty rows would reach the converter as points at 0, 0.
        stop(QStringLiteral("The file type \"%1\" is not one of \"Number,X,Y,Z\", \"Number,X,Y\", \"X,Y,Z\", "
                            "\"X,Y\" or \"SPS\".")
                 .arg(layoutText));
        return;
    }
    const marovin::Result<double> scalar = marovin::coordinate_divisor(Text7->text().toStdString());
    if (!scalar) {
        stop(fromLibrary(scalar.error(), Shown::AsSentence));
        return;
    }
    // Every line holds the fields of the layout, or nothing is converted.
    marovin::Result<marovin::RoadPoints> points = marovin::text_road_points(std::move(*loaded), *layout, *scalar);
    if (!points) {
        stop(QStringLiteral("Cannot read the XY file: %1, %2").arg(path, fromLibrary(points.error())));
        return;
    }

    // The job is written whole or not at all; its data lines are the points
    // in order.
    if (!makeJobFolder())
        return;
    const auto converted = convertPoints(*points, marovin::xy_text_job_header(Combo2->currentText().toStdString()));
    if (!converted) {
        const marovin::ExchangeError::Step step = converted.failure().step;
        if (step == marovin::ExchangeError::Step::WriteJob)
            stop(fromLibrary(converted.error(), Shown::AsSentence));
        else if (step == marovin::ExchangeError::Step::ReadResult)
            stop(QStringLiteral("Cannot read the converter's result: %1").arg(fromLibrary(converted.error())));
        return;
    }

    // Everything succeeded: the run's table and grid become the user's. The
    // table holds the file's own Number (or 1, 2, 3 ... for layouts without
    // one) and its names that are text, so that the KML names match the
    // grid and the file.
    Point_Table = marovin::PointTable(std::move(converted->longitude), std::move(converted->latitude),
                                      std::move(points->number), std::move(points->name));
    Point_Table.set_ground(marovin::survey_ground(*points, Combo2->currentText().toStdString()));
    showPointTable();

    setBackColour(Command8, StepColour::LightGrey);
    setBackColour(Command1, StepColour::LightGrey);
    SSTab1->setCurrentIndex(1);
    Command2->setEnabled(true);
    Command9->setEnabled(true);
    setBackColour(Command9, StepColour::LightGrey);
    Command10->setEnabled(true);
    setBackColour(Command10, StepColour::Red);
}
