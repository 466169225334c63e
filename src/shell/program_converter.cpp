#include "shell/program_converter.h"

#include "base/converter_job.h"
#include "base/file_names.h"
#include "shell/library_text.h"
#include "shell/long_run.h"

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

// What went wrong with a run of the converter, or nothing.
QString runProblem(const Desktop::ProgramRun& run, const QString& converter, const QString& result)
{
    if (!run.started)
        return QStringLiteral("The converter %1 could not be started.").arg(QDir::toNativeSeparators(converter));
    if (run.exitCode != 0) {
        const QString line = lastErrorLine(run.errorOutput);
        return line.isEmpty()
                   ? QStringLiteral("The conversion failed: the converter stopped with status %1.").arg(run.exitCode)
                   : QStringLiteral("The conversion failed: %1").arg(line);
    }
    if (!QFileInfo::exists(result))
        return QStringLiteral("The conversion failed: the converter ended without writing its result %1.")
            .arg(QDir::toNativeSeparators(result));
    return {};
}

} // namespace

ProgramConverter::ProgramConverter(Desktop& desktop, QString converter, QString jobRoot)
    : desktop_(desktop), converter_(std::move(converter)), jobRoot_(std::move(jobRoot))
{}

ProgramConverter::~ProgramConverter() = default;

QString ProgramConverter::jobFile(const QString& name) const { return folder_ ? folder_->filePath(name) : QString(); }

marovin::Status ProgramConverter::makeJobFolder()
{
    if (folder_)
        return marovin::ok();
    QString problem;
    if (!QDir().mkpath(jobRoot_)) {
        problem = QStringLiteral("the folder cannot be created");
    } else {
        auto folder = std::make_unique<QTemporaryDir>(jobRoot_ + QStringLiteral("/window-XXXXXX"));
        if (folder->isValid()) {
            folder_ = std::move(folder);
            return marovin::ok();
        }
        problem = folder->errorString();
    }
    return marovin::fail(QStringLiteral("Cannot make a folder for the converter's job files in %1: %2.")
                             .arg(QDir::toNativeSeparators(jobRoot_), problem)
                             .toStdString());
}

marovin::Result<marovin::ExchangeConverter*, marovin::RoadError> ProgramConverter::exchange()
{
    if (exchange_)
        return exchange_.get();
    if (const marovin::Status made = makeJobFolder(); !made)
        return marovin::RoadError{marovin::RoadFailure::RunConverter, made.error()};
    exchange_ = std::make_unique<marovin::ExchangeConverter>(
        libraryPath(jobFile(jobFileName())), libraryPath(jobFile(resultFileName())), marovin::regional_decimal_point(),
        [this](marovin::Progress& progress) { return runConverter(progress); });
    return exchange_.get();
}

marovin::Status ProgramConverter::runConverter(marovin::Progress& progress)
{
    const QString job = jobFile(jobFileName());
    const QString result = jobFile(resultFileName());
    const auto problem = [](const QString& text) { return marovin::fail(text.toStdString()); };
    // A result left by an earlier job must never pass for this one's.
    if (QFileInfo::exists(result) && !QFile::remove(result))
        return problem(QStringLiteral("Cannot remove the earlier conversion result %1, so the new one could "
                                      "not be told apart from it.")
                           .arg(QDir::toNativeSeparators(result)));
    if (!QFileInfo(converter_).isFile())
        return problem(QStringLiteral("The converter %1 is missing: Marovin is not completely installed.")
                           .arg(QDir::toNativeSeparators(converter_)));

    auto* busy = dynamic_cast<BusyProgress*>(&progress);
    if (busy)
        busy->setBusy(true);
    const Desktop::ProgramRun run = desktop_.runProgram(converter_, {QDir::toNativeSeparators(job)}, folder_->path(),
                                                        [&progress] { return progress.cancelled(); });
    if (busy)
        busy->setBusy(false);
    if (run.stopped)
        return marovin::fail(std::string(marovin::kCancelled));
    if (const QString why = runProblem(run, converter_, result); !why.isEmpty())
        return problem(why);
    return marovin::ok();
}

marovin::Result<marovin::Degrees, marovin::RoadError> ProgramConverter::convert(std::span<const double> x,
                                                                                std::span<const double> y,
                                                                                const marovin::ConversionJob& job,
                                                                                marovin::Progress& progress)
{
    auto exchange = this->exchange();
    if (!exchange)
        return exchange.failure();
    return (*exchange)->convert(x, y, job, progress);
}

marovin::Result<marovin::Degrees, marovin::RoadError> ProgramConverter::convert_taken(std::vector<double> x,
                                                                                      std::vector<double> y,
                                                                                      const marovin::ConversionJob& job,
                                                                                      marovin::Progress& progress)
{
    auto exchange = this->exchange();
    if (!exchange)
        return exchange.failure();
    return (*exchange)->convert_taken(std::move(x), std::move(y), job, progress);
}
