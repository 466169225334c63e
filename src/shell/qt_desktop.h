#pragma once
// The real Desktop: Qt message boxes, file dialogs and the progress window,
// xdg-open, QProcess.

#include "shell/desktop.h"

#include <QStringList>

// Turns a pipe filter "Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|"
// into Qt name filters ("Seismic File (*.[sS][gG][yY])", ...). Patterns match
// in any case, as they do on Windows, and "*.*" matches every name, dotted
// or not. Several patterns of one entry are separated by ";". A trailing
// description without a pattern is dropped.
QStringList qtNameFilters(const QString& pipeFilter);

class QtDesktop : public Desktop {
public:
    Answer message(QWidget* owner, const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> openFileName(QWidget* owner, const FileRequest& request) override;
    std::optional<QString> saveFileName(QWidget* owner, const FileRequest& request) override;
    void openDocument(const QString& path, const QString& workingDirectory, QObject* context, OpenDone done) override;
    void showProgress(QWidget* owner, RunView& run) override;
    ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                          const Stop& stop) override;
    void setBusy(QWidget* window, bool busy) override;
};
