#include "shell/qt_desktop.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>

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
    const QString path = QFileDialog::getOpenFileName(owner, request.title, request.initialDirectory);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> QtDesktop::saveFileName(QWidget* owner, const FileRequest& request)
{
    const QString path = QFileDialog::getSaveFileName(owner, request.title, request.initialDirectory);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

bool QtDesktop::openDocument(const QString& path, const QString& workingDirectory)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral("xdg-open"), {path});
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

Desktop::ProgramRun QtDesktop::runProgram(const QString& program, const QStringList& arguments,
                                          const QString& workingDirectory)
{
    ProgramRun run;
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    run.started = process.waitForStarted();
    if (!run.started)
        return run;
    process.waitForFinished(-1);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errorOutput = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

void QtDesktop::setBusy(QWidget*, bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
