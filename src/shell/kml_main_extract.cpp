// The seismic road's conversion run.
#include "shell/kml_main.h"

#include "conversion/job_file.h"
#include "conversion/result_file.h"
#include "kml/kml_naming.h"
#include "kml/number_text.h"
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"
#include "shell/desktop.h"
#include "shell/flex_grid.h"
#include "shell/tab_control.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <string>
#include <vector>

namespace {

// Reads the traces of the file in Text4 and writes the converter job. The
// seismic file is open only inside this function, so it is closed whether
// the run goes on or not; the job replaces an earlier one only when whole.
marovin::Result<marovin::TracePoints> extractToJob(const std::string& seismicPath, const marovin::SeismicHeader& header,
                                                   const marovin::TraceSelection& selection,
                                                   const std::string& jobPath, const std::string& system)
{
    // Opening fails for a path that names no file, before anything is
    // created.
    marovin::Result<marovin::SeismicFile> file = marovin::SeismicFile::open(seismicPath);
    if (!file)
        return marovin::fail(file.error());
    marovin::Result<marovin::TracePoints> points =
        marovin::extract_trace_points(*file, header, marovin::is_su_path(seismicPath), selection);
    if (!points)
        return points;
    if (marovin::Status written =
            marovin::write_trace_job(jobPath, system, *points, marovin::regional_decimal_point());
        !written)
        return marovin::fail(written.error());
    return points;
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

    const marovin::SeismicHeader header = Header;
    const std::int32_t count = header.Nb_Traces;
    if (count < 0)
        return failed();

    marovin::Result<double> divisor = marovin::coordinate_divisor(Text7->text().toStdString());
    if (!divisor)
        return failed();
    marovin::TraceSelection selection;
    selection.label = marovin::label_word_for(Combo7->currentText().toStdString());
    selection.pair = marovin::coordinate_pair_for(Combo5->currentText().toStdString());
    selection.divisor = *divisor;
    const QString labelKind = Combo7->currentText();

    marovin::Result<marovin::TracePoints> points =
        extractToJob(Text4->text().toStdString(), header, selection,
                     programFile(QStringLiteral("File.cvd")).toStdString(), Combo6->currentText().toStdString());
    if (!points)
        return failed();

    // The converter's own failures carry their own message.
    if (!launchConverter())
        return;

    marovin::PointTable table;
    table.recreate(count);
    if (!marovin::read_result_file(programFile(QStringLiteral("File.cva")).toStdString(), count, table))
        return failed();
    const std::vector<std::int32_t>& labels = points->labels;
    for (std::int32_t row = 1; row <= count; ++row) {
        if (!table.set(row, 3, marovin::Cell::int32(labels[static_cast<std::size_t>(row - 1)])))
            return failed();
    }

    // The grid's texts, one column at a time.
    std::vector<std::string> labelTexts, xTexts, yTexts;
    labelTexts.reserve(static_cast<std::size_t>(count));
    xTexts.reserve(static_cast<std::size_t>(count));
    yTexts.reserve(static_cast<std::size_t>(count));
    for (std::int32_t row = 1; row <= count; ++row) {
        labelTexts.push_back(marovin::number_text(labels[static_cast<std::size_t>(row - 1)]));
        xTexts.push_back(marovin::plain_number_text(table.number(row, 1)));
        yTexts.push_back(marovin::plain_number_text(table.number(row, 2)));
    }
    points = marovin::TracePoints{}; // free before the grid takes its share

    Point_Table = std::move(table);
    Nb_Points = count;
    Combo3->setEditText(labelKind);

    VSFlexGrid1->setRows(0); // drop the earlier texts before the new ones come in
    VSFlexGrid1->setCols(3);
    VSFlexGrid1->setRows(Nb_Points + 1);
    VSFlexGrid1->setTextMatrix(0, 1, "X");
    VSFlexGrid1->setTextMatrix(0, 2, "Y");
    VSFlexGrid1->setColumn(0, 1, std::move(labelTexts));
    VSFlexGrid1->setColumn(1, 1, std::move(xTexts));
    VSFlexGrid1->setColumn(2, 1, std::move(yTexts));

    Command3->setEnabled(true);
    setBackColour(Command8, StepColour::LightGrey);
    setBackColour(Command3, StepColour::Red);
    SSTab1->setCurrentIndex(1);
}
