#include "shell/qt_desktop.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// "*.SGY" -> "*.[sS][gG][yY]"; "*.*" -> "*".
QString anyCasePattern(const QString& pattern)
{
    if (pattern == QLatin1String("*.*"))
        return QStringLiteral("*");
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

std::optional<QString> runFileDialog(QWidget* owner, const Desktop::FileRequest& request, bool save)
{
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The descriptions are what the user reads; the any-case patterns behind
    // them would only be noise.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!request.initialDirectory.isEmpty())
        dialog.setDirectory(request.initialDirectory);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    return chosen.front();
}

// The progress window: closing it (its close button, Escape) asks the run to
// stop like Cancel, and it stays until the run has ended.
class ProgressWindow : public QDialog {
public:
    ProgressWindow(QWidget* owner, RunView& run) : QDialog(owner), run_(run)
    {
        setWindowTitle(QStringLiteral("Marovin"));
        setModal(true);
        bar_->setMinimumWidth(320);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(cancel_);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(step_);
        layout->addWidget(bar_);
        layout->addLayout(buttons);
        connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::reject);
        connect(&tick_, &QTimer::timeout, this, &ProgressWindow::follow);
        tick_.start(20);
        follow();
    }

    void reject() override
    {
        run_.cancel();
        cancel_->setEnabled(false);
    }

private:
    void follow()
    {
        if (run_.ended())
            return done(QDialog::Accepted);
        step_->setText(run_.step());
        const int percent = run_.percent();
        bar_->setRange(0, percent < 0 ? 0 : 100); // an empty range shows a busy bar
        bar_->setValue(std::max(percent, 0));
    }

    RunView& run_;
    QLabel* step_ = new QLabel(this);
    QProgressBar* bar_ = new QProgressBar(this);
    QPushButton* cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    QTimer tick_;
};

} // namespace

QStringList qtNameFilters(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns << anyCasePattern(trimmed);
        }
        if (patterns.isEmpty())
            continue;
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

Desktop::Answer QtDesktop::message(QWidget* owner, const QString& text, const QString& title, Icon icon,
                                   Buttons buttons)
{
    QMessageBox box(owner);
    box.setText(text);
    box.setWindowTitle(title);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (buttons == Buttons::YesNo)
        return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

std::optional<QString> QtDesktop::openFileName(QWidget* owner, const FileRequest& request)
{
    return runFileDialog(owner, request, false);
}

std::optional<QString> QtDesktop::saveFileName(QWidget* owner, const FileRequest& request)
{
    return runFileDialog(owner, request, true);
}

void QtDesktop::openDocument(const QString& path, const QString& workingDirectory, QObject* context, OpenDone done)
{
    // xdg-open usually hands the document over and exits at once, and its
    // exit status says whether a program was found; in some desktops it runs
    // the viewer itself and ends only when the viewer closes. Either way the
    // window goes on at once and hears the outcome when xdg-open ends. The
    // process deletes itself then: destroyed while running, it would take
    // the viewer with it.
    auto* process = new QProcess;
    process->setWorkingDirectory(workingDirectory);
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, context, [process, done](int exitCode, QProcess::ExitStatus status) {
        done({true, status == QProcess::NormalExit ? exitCode : -1,
              QString::fromLocal8Bit(process->readAllStandardError())});
    });
    QObject::connect(process, &QProcess::errorOccurred, context, [done](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done({false, -1, {}});
    });
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    process->start(QStringLiteral("xdg-open"), {path});
}

void QtDesktop::showProgress(QWidget* owner, RunView& run)
{
    if (run.ended())
        return;
    ProgressWindow window(owner, run);
    window.exec();
}

Desktop::ProgramRun QtDesktop::runProgram(const QString& program, const QStringList& arguments,
                                          const QString& workingDirectory, const Stop& stop)
{
    // The process lives in the calling thread, which waits for it without an
    // event loop; it is asked whether to stop between short waits.
    ProgramRun run;
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    run.started = process.waitForStarted();
    if (!run.started)
        return run;
    while (!process.waitForFinished(stop ? 20 : -1)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (stop && stop()) {
            process.kill();
            process.waitForFinished(-1);
            run.stopped = true;
            return run;
        }
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errorOutput = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

void QtDesktop::setBusy(QWidget*, bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (QApplication::overrideCursor()) {
        QApplication::restoreOverrideCursor();
    }
}
