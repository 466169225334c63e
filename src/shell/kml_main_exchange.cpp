// Converter exchange: the window's job folder, the job's system block and the
// converter launch.
#include "shell/kml_main.h"

#include "base/converter_job.h"
#include "base/file_names.h"
#include "conversion/road_conversion.h"
#include "conversion/road_points.h"
#include "shell/desktop.h"
#include "shell/library_text.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

QString jobFileName() { return fromLibrary(marovin::kJobFileName); }
QString resultFileName() { return fromLibrary(marovin::kResultFileName); }

// The converter's own explanation: the last non-empty line it wrote on
// standard error (earlier lines may be warnings).
QString lastErrorLine(const QString& errorOutput)
{
    const QStringList lines = errorOutput.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    return {};
}

} // namespace

bool KML_Main::makeJobFolder()
{
    if (jobFolder_)
        return true;
    QString problem;
    if (!QDir().mkpath(user_.jobRoot)) {
        problem = QStringLiteral("the folder cannot be created");
    } else {
        auto folder = std::make_unique<QTemporaryDir>(user_.jobRoot + QStringLiteral("/window-XXXXXX"));
        if (folder->isValid()) {
            jobFolder_ = std::move(folder);
            return true;
        }
        problem = folder->errorString();
    }
    desktop().message(this,
                      QStringLiteral("Cannot make a folder for the converter's job files in %1: %2.")
                          .arg(QDir::toNativeSeparators(user_.jobRoot), problem),
                      kTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
    return false;
}

QString KML_Main::jobFile(const QString& name) const { return jobFolder_ ? jobFolder_->filePath(name) : QString(); }

// No job is open while Combo2 can be edited, and each run's header block
// names the system it converts from: there is nothing to write.
void KML_Main::Transform_System() {}

void KML_Main::Combo2_Change() { Transform_System(); }

bool KML_Main::launchConverter()
{
    if (!makeJobFolder())
        return false;
    const QString job = jobFile(jobFileName());
    const QString result = jobFile(resultFileName());
    const QString converter = converterPath();

    // A result left by an earlier job must never pass for this one's.
    if (QFileInfo::exists(result) && !QFile::remove(result)) {
        desktop().message(this,
                          QStringLiteral("Cannot remove the earlier conversion result %1, so the new one could "
                                         "not be told apart from it.")
                              .arg(QDir::toNativeSeparators(result)),
                          kTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
        return false;
    }
    if (!QFileInfo(converter).isFile()) {
        desktop().message(this,
                          QStringLiteral("The converter %1 is missing: Marovin is not completely installed.")
                              .arg(QDir::toNativeSeparators(converter)),
                          kTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
        return false;
    }

    desktop().setBusy(this, true);
    const Desktop::ProgramRun run =
        desktop().runProgram(converter, {QDir::toNativeSeparators(job)}, jobFolder_->path());
    desktop().setBusy(this, false);

    QString problem;
    if (!run.started) {
        problem = QStringLiteral("The converter %1 could not be started.").arg(QDir::toNativeSeparators(converter));
    } else if (run.exitCode != 0) {
        const QString line = lastErrorLine(run.errorOutput);
        problem = line.isEmpty()
                      ? QStringLiteral("The conversion failed: the converter stopped with status %1.").arg(run.exitCode)
                      : QStringLiteral("The conversion failed: %1").arg(line);
    } else if (!QFileInfo::exists(result)) {
        problem = QStringLiteral("The conversion failed: the converter ended without writing its result %1.")
                      .arg(QDir::toNativeSeparators(result));
    }
    if (!problem.isEmpty()) {
        desktop().message(this, problem, kTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
        return false;
    }
    desktop().message(this, QStringLiteral("Conversion done !"), kTitle, Desktop::Icon::Information,
                      Desktop::Buttons::Ok);
    return true;
}

marovin::Result<marovin::Degrees, marovin::ExchangeError> KML_Main::convertPoints(marovin::RoadPoints& points,
                                                                                  std::string jobHeader)
{
    // The converter runs through the desktop, which tells the user what went
    // wrong; the exchange only needs to stop then.
    const marovin::ConverterExchange exchange{libraryPath(jobFile(jobFileName())),
                                              libraryPath(jobFile(resultFileName())), std::move(jobHeader),
                                              marovin::regional_decimal_point(), [this]() -> marovin::Status {
                                                  if (!launchConverter())
                                                      return marovin::fail("the conversion did not succeed");
                                                  return marovin::ok();
                                              }};
    // The points keep their X and Y: the KMZ writer measures on the ground.
    return marovin::convert_through_converter(std::span<const double>(points.x), std::span<const double>(points.y),
                                              exchange);
}
