#pragma once
// Everything modal or outside the window goes through Desktop: message boxes,
// file dialogs, opening a document with the desktop's program, running a
// program and waiting for it, and the busy pointer. The application passes
// QtDesktop; tests pass a scripted one that answers dialogs.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;
class QWidget;

class Desktop {
public:
    virtual ~Desktop() = default;

    enum class Icon { None, Information, Warning, Critical };
    enum class Buttons { Ok, YesNo }; // YesNo has Yes as its default button
    enum class Answer { Ok, Yes, No };

    virtual Answer message(QWidget* owner, const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;

    // A file dialog as the window sets it up. `filter` is in the pipe form
    // "Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|" (description,
    // pattern, ...); implementations match its patterns in any case where file
    // names are case-sensitive. An empty initialDirectory means the dialog's
    // own default.
    struct FileRequest {
        QString title;
        QString filter;
        QString initialDirectory;
        QString fileName;
    };
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> openFileName(QWidget* owner, const FileRequest& request) = 0;
    virtual std::optional<QString> saveFileName(QWidget* owner, const FileRequest& request) = 0;

    // How a program run ended.
    struct ProgramRun {
        bool started = false;
        int exitCode = -1;
        QString errorOutput; // what it wrote on standard error
    };

    // Opens the document with the desktop's program for its type (xdg-open
    // on Linux) and returns at once, without waiting for the opener. `done`
    // gets the opener's run when it has ended (exit status 0: opened), on the
    // thread of `context` and only while `context` lives.
    using OpenDone = std::function<void(const ProgramRun&)>;
    virtual void openDocument(const QString& path, const QString& workingDirectory, QObject* context,
                              OpenDone done) = 0;

    // Runs a program to its end.
    virtual ProgramRun runProgram(const QString& program, const QStringList& arguments,
                                  const QString& workingDirectory) = 0;

    // Shows or removes the busy pointer over the window.
    virtual void setBusy(QWidget* window, bool busy) = 0;
};
