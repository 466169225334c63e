// The seismic road's conversion run.
#include "shell/kml_main.h"

#include "conversion/geographic_system.h"
#include "conversion/job_file.h"
#include "conversion/result_file.h"
#include "conversion/trace_job.h"
#include "kml/kml_naming.h"
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"
#include "shell/desktop.h"
#include "shell/flex_grid.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <climits>
#include <string>
#include <vector>

namespace {

// Reads the traces of the file in Text4. The seismic file is open only
// inside this function, so it is closed whether the run goes on or not.
marovin::Result<marovin::TracePoints> extractPoints(const std::string& seismicPath,
                                                    const marovin::SeismicHeader& header,
                                                    const marovin::TraceSelection& selection)
{
    // Opening fails for a path that names no file, before anything is
    // created.
    marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(seismicPath);
    if (!file)
        return marovin::fail(file.error());
    return marovin::extract_trace_points(*file, header, marovin::is_su_path(seismicPath), selection);
}

} // namespace

void KML_Main::Command8_Click()
{
    // Everything is prepared aside and the window changes only once the
    // converter's result has been read: a failed run leaves the table, the
    // count, the grid, the label kind and the buttons as they were, so the
    // KML writer still sees one consistent earlier result.
    const auto failed = [this] {
        desktop_.message(this, QStringLiteral("Check your seismic file XY problem !"), QStringLiteral("Marovin"),
                         Desktop::Icon::Critical, Desktop::Buttons::Ok);
    };

    // The header state describes the file it was read from, and no other:
    // another file's traces read with its layout would give wrong points.
    if (Header_File.isEmpty() || Text4->text() != Header_File) {
        const QString named = Text4->text().isEmpty()
                                  ? QStringLiteral("No seismic file is named")
                                  : QStringLiteral("The headers of %1 have not been read")
                                        .arg(QDir::toNativeSeparators(Text4->text()));
        const QString shown = Header_File.isEmpty()
                                  ? QString()
                                  : QStringLiteral(" (the values shown are those of %1)")
                                        .arg(QDir::toNativeSeparators(Header_File));
        desktop_.message(this,
                         QStringLiteral("%1%2. Choose the seismic file with \"SEGY or SU file\" before "
                                        "extracting.")
                             .arg(named, shown),
                         QStringLiteral("Marovin"), Desktop::Icon::Warning, Desktop::Buttons::Ok);
        return;
    }

    // Angles from the trace headers are longitudes and latitudes: the
    // converter must be told a geographic system for them.
    if (marovin::coordinates_are_angles(Header.Coord_Units) &&
        !marovin::is_geographic_system(Combo6->currentText().toStdString())) {
        static const char* const units[] = {"seconds of arc", "decimal degrees", "degrees, minutes and seconds"};
        desktop_.message(this,
                         QStringLiteral("The trace headers of %1 give longitudes and latitudes (in %2). Choose "
                                        "a geographic system for them in \"Geodesic system  in seismic file "
                                        "header\", for example WGS84: \"%3\" is not known to be one.")
                             .arg(QDir::toNativeSeparators(Header_File),
                                  QString::fromLatin1(units[Header.Coord_Units - 2]), Combo6->currentText()),
                         QStringLiteral("Marovin"), Desktop::Icon::Warning, Desktop::Buttons::Ok);
        return;
    }

    const marovin::SeismicHeader header = Header;
    const std::int32_t count = header.Nb_Traces;
    if (count < 0 || count == INT32_MAX) // the grid needs count + 1 rows
        return failed();

    marovin::Result<double> divisor = marovin::coordinate_divisor(Text7->text().toStdString());
    if (!divisor)
        return failed();
    marovin::TraceSelection selection;
    selection.label = marovin::label_word_for(Combo7->currentText().toStdString());
    selection.pair = marovin::coordinate_pair_for(Combo5->currentText().toStdString());
    selection.divisor = *divisor;
    const QString labelKind = Combo7->currentText();

    marovin::Result<marovin::TracePoints> points = extractPoints(Text4->text().toStdString(), header, selection);
    if (!points)
        return failed();

    // A job that cannot be written has its own message: the seismic file is
    // not to blame. The job replaces an earlier one only when whole.
    if (!makeJobFolder())
        return;
    if (marovin::Status written = marovin::write_trace_job(jobFile(QStringLiteral("File.cvd")).toStdString(),
                                                           Combo6->currentText().toStdString(), *points,
                                                           marovin::regional_decimal_point());
        !written) {
        desktop_.message(this, messageSentence(written.error()), QStringLiteral("Marovin"), Desktop::Icon::Critical,
                         Desktop::Buttons::Ok);
        return;
    }
    // The job holds the coordinates now; of the traces only their labels
    // are still needed, so X and Y are given back before the result is read.
    std::vector<std::int32_t> labels = std::move(points->labels);
    points = marovin::TracePoints{};

    // The converter's own failures carry their own message.
    if (!launchConverter())
        return;

    marovin::Result<marovin::ResultPoints> converted =
        marovin::read_result_points(jobFile(QStringLiteral("File.cva")).toStdString(), count);
    if (!converted)
        return failed();

    Point_Table = marovin::PointTable::from_columns(std::move(converted->longitudes),
                                                    std::move(converted->latitudes), std::move(labels));
    Nb_Points = count;
    Combo3->setEditText(labelKind);
    showPointTable();

    Command3->setEnabled(true);
    setBackColour(Command8, StepColour::LightGrey);
    setBackColour(Command3, StepColour::Red);
    SSTab1->setCurrentIndex(1);
}
