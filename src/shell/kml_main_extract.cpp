// The seismic road's conversion run.
#include "shell/kml_main.h"

#include "base/converter_job.h"
#include "conversion/road_conversion.h"
#include "conversion/road_points.h"
#include "conversion/seismic_choices.h"
#include "geodesy/geodesy.h"
#include "readers/trace_extraction.h"
#include "shell/desktop.h"
#include "shell/library_text.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <climits>
#include <string>

void KML_Main::Command8_Click()
{
    // Everything is prepared aside and the window changes only once the
    // converter's result has been read: a failed run leaves the table, the
    // count, the grid, the label kind and the buttons as they were, so the
    // KML writer still sees one consistent earlier result.
    const auto failed = [this] {
        desktop_.message(this, QStringLiteral("Check your seismic file XY problem !"), kTitle, Desktop::Icon::Critical,
                         Desktop::Buttons::Ok);
    };

    // The header state describes the file it was read from, and no other:
    // another file's traces read with its layout would give wrong points.
    if (!Header || Header_File.isEmpty() || Text4->text() != Header_File) {
        const QString named =
            Text4->text().isEmpty()
                ? QStringLiteral("No seismic file is named")
                : QStringLiteral("The headers of %1 have not been read").arg(QDir::toNativeSeparators(Text4->text()));
        const QString shown =
            Header_File.isEmpty()
                ? QString()
                : QStringLiteral(" (the values shown are those of %1)").arg(QDir::toNativeSeparators(Header_File));
        desktop_.message(this,
                         QStringLiteral("%1%2. Choose the seismic file with \"SEGY or SU file\" before "
                                        "extracting.")
                             .arg(named, shown),
                         kTitle, Desktop::Icon::Warning, Desktop::Buttons::Ok);
        return;
    }

    const marovin::SeismicFile& file = *Header;
    const auto warn = [this](const std::string& why) {
        desktop_.message(this, fromLibrary(why, Shown::AsSentence), kTitle, Desktop::Icon::Warning,
                         Desktop::Buttons::Ok);
    };

    // Angles from the trace headers are longitudes and latitudes: the
    // converter must be told a geographic system for them.
    if (marovin::coordinates_are_angles(file.units()) &&
        !marovin::is_geographic_system(Combo6->currentText().toStdString())) {
        static const char* const units[] = {"seconds of arc", "decimal degrees", "degrees, minutes and seconds"};
        desktop_.message(this,
                         QStringLiteral("The trace headers of %1 give longitudes and latitudes (in %2). Choose "
                                        "a geographic system for them in \"Geodesic system  in seismic file "
                                        "header\", for example WGS84: \"%3\" is not known to be one.")
                             .arg(QDir::toNativeSeparators(Header_File), QString::fromLatin1(units[file.units() - 2]),
                                  Combo6->currentText()),
                         kTitle, Desktop::Icon::Warning, Desktop::Buttons::Ok);
        return;
    }

    const std::int32_t count = file.traces();
    if (count < 0 || count == INT32_MAX) // the grid needs count + 1 rows
        return failed();

    // A word typed at a byte outside the trace header is named.
    const marovin::Result<marovin::CoordinatePair> pair = marovin::pair_of_caption(Combo5->currentText().toStdString());
    if (!pair)
        return warn("\"Header word for XY\": " + pair.error());
    const marovin::Result<marovin::HeaderPosition> label =
        marovin::label_of_caption(Combo7->currentText().toStdString());
    if (!label)
        return warn("\"Point label\": " + label.error());
    marovin::Result<double> divisor = marovin::coordinate_divisor(Text7->text().toStdString());
    if (!divisor)
        return failed();
    const QString labelKind = Combo7->currentText();

    // A file none of whose traces has coordinates in the pair chosen is
    // refused, naming a pair that has them.
    auto road = marovin::seismic_road_points(file, {*label, *pair, *divisor});
    if (!road) {
        if (road.failure().no_coordinates)
            return warn(road.error());
        return failed();
    }
    marovin::RoadPoints& points = road->points;

    // A job that cannot be written has its own message: the seismic file is
    // not to blame; the converter's own failures carry theirs. The job
    // replaces an earlier one only when whole.
    if (!makeJobFolder())
        return;
    const auto converted = convertPoints(points, marovin::trace_header_job_header(Combo6->currentText().toStdString()));
    if (!converted) {
        const marovin::ExchangeError::Step step = converted.failure().step;
        if (step == marovin::ExchangeError::Step::WriteJob)
            desktop_.message(this, fromLibrary(converted.error(), Shown::AsSentence), kTitle, Desktop::Icon::Critical,
                             Desktop::Buttons::Ok);
        else if (step == marovin::ExchangeError::Step::ReadResult)
            failed();
        return;
    }

    Point_Table =
        marovin::PointTable(std::move(converted->longitude), std::move(converted->latitude), std::move(points.number));
    Point_Table.set_ground(marovin::survey_ground(points, Combo6->currentText().toStdString()));
    Combo3->setEditText(labelKind);
    showPointTable();
    const std::string unset = marovin::unset_traces_text(*road);
    showSeismicLine(unset.empty() ? headerLine_ : headerLine_ + QStringLiteral("; ") + fromLibrary(unset));

    Command3->setEnabled(true);
    setBackColour(Command8, StepColour::LightGrey);
    setBackColour(Command3, StepColour::Red);
    SSTab1->setCurrentIndex(1);
}
