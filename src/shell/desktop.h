#pragma once
// Everything modal or outside the window goes through Desktop: message boxes,
// file dialogs, the progress window of a long run, opening a document with
// the desktop's program, running a program and waiting for it, and the busy
// pointer. The application passes QtDesktop; tests pass a scripted one that
// answers dialogs and presses Cancel.

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

class QObject;
class QWidget;

// A long run as its progress window shows it. The run works on another
// thread; these are asked on the user-interface thread.
class RunView {
public:
    virtual ~RunView() = default;
    // The step under way ("Reading traces"); empty before the first.
    virtual QString step() const = 0;
    // How far the step is, 0 to 100; -1 while that is not known.
    virtual int percent() const = 0;
    virtual bool ended() const = 0;
    // What Cancel does: asks the run to stop. It ends soon after.
    virtual void cancel() = 0;
};

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

    // The modal progress window of a run that takes a while, titled
    // "Marovin": the step, a bar and a "Cancel" button. Returns once the run
    // has ended (on its own, or after Cancel asked it to stop). The run may
    // only start once the window waits for it.
    virtual void showProgress(QWidget* owner, RunView& run) = 0;
    // How long a run goes on before its progress window shows; shorter runs
    // show none.
    virtual std::chrono::milliseconds progressDelay() const { return std::chrono::milliseconds(500); }

    // How a program run ended.
    struct ProgramRun {
        bool started = false;
        int exitCode = -1;
        QString errorOutput;  // what it wrote on standard error
        bool stopped = false; // killed because it was asked to stop
    };

    // Opens the document with the desktop's program for its type (xdg-open
    // on Linux) and returns at once, without waiting for the opener. `done`
    // gets the opener's run when it has ended (exit status 0: opened), on the
    // thread of `context` and only while `context` lives.
    using OpenDone = std::function<void(const ProgramRun&)>;
    virtual void openDocument(const QString& path, const QString& workingDirectory, QObject* context,
                              OpenDone done) = 0;

    // Runs a program to its end, or until `stop` (asked every few
    // milliseconds; none never stops) says to stop, when the program is
    // killed. Callable from any thread.
    using Stop = std::function<bool()>;
    virtual ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                                  const Stop& stop) = 0;

    // Shows or removes the busy pointer over the window.
    virtual void setBusy(QWidget* window, bool busy) = 0;
};
