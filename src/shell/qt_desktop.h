#pragma once
// The real Desktop: Qt message boxes and file dialogs, xdg-open, QProcess.

#include "shell/desktop.h"

class QtDesktop : public Desktop {
public:
    Answer message(QWidget* owner, const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> openFileName(QWidget* owner, const FileRequest& request) override;
    std::optional<QString> saveFileName(QWidget* owner, const FileRequest& request) override;
    bool openDocument(const QString& path, const QString& workingDirectory) override;
    ProgramRun runProgram(const QString& program, const QStringList& arguments,
                          const QString& workingDirectory) override;
    void setBusy(QWidget* window, bool busy) override;
};
