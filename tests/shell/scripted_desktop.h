#pragma once
// A Desktop for window tests: records every interaction and answers from
// queues the test fills. Unscripted dialogs are cancelled, unscripted
// questions answered No, unscripted programs run for real unless
// `fakeProgramRun` is set. A progress window waits for its run to end, after
// `onProgress` has done what the test asks of it (press Cancel, close the
// window). Document openers wait for the test to end them, unless
// `realOpener` sends them to the real desktop's xdg-open.

#include "shell/desktop.h"
#include "shell/qt_desktop.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class ScriptedDesktop : public Desktop {
public:
    struct Message {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };
    struct Dialog {
        bool save;
        FileRequest request;
    };
    struct Launch {
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };

    std::vector<Message> messages;
    std::deque<Answer> answers;
    std::vector<Dialog> dialogs;
    // Paths the dialogs give back in turn; a null QString() is a cancel.
    std::deque<QString> dialogAnswers;
    // One request to open a document; `end` answers it as the opener's run
    // would when it ends, if the window asking is still there.
    struct Open {
        QString path;
        QString workingDirectory;
        QPointer<QObject> context;
        OpenDone done;
        void end(int exitCode, bool started = true) const
        {
            if (context)
                done({started, exitCode, {}, false});
        }
    };
    std::vector<Open> opens;
    bool realOpener = false;
    // How the real opener's runs ended, in turn.
    std::vector<ProgramRun> realOpenerRuns;
    // Programs run, on the run's thread; read them once the run has ended.
    std::vector<Launch> launches;
    std::optional<std::function<ProgramRun(const Launch&, const Stop&)>> fakeProgramRun;
    int busyDepth = 0;
    std::vector<bool> busyChanges;
    // The steps the progress windows showed when they opened, and what the
    // test does then; with no delay the window opens before its run starts.
    QStringList progressShown;
    std::function<void(RunView&)> onProgress;
    std::chrono::milliseconds delay{500};

    Answer message(QWidget*, const QString& text, const QString& title, Icon icon, Buttons buttons) override
    {
        messages.push_back({text, title, icon, buttons});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::optional<QString> openFileName(QWidget*, const FileRequest& request) override
    {
        return answerDialog(false, request);
    }
    std::optional<QString> saveFileName(QWidget*, const FileRequest& request) override
    {
        return answerDialog(true, request);
    }

    void showProgress(QWidget*, RunView& run) override
    {
        progressShown << run.step();
        if (onProgress)
            onProgress(run);
        QEventLoop waiting;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &waiting, [&] {
            if (run.ended())
                waiting.quit();
        });
        tick.start(5);
        if (!run.ended())
            waiting.exec();
    }

    std::chrono::milliseconds progressDelay() const override { return delay; }

    void openDocument(const QString& path, const QString& workingDirectory, QObject* context, OpenDone done) override
    {
        opens.push_back({path, workingDirectory, context, done});
        if (realOpener)
            QtDesktop().openDocument(path, workingDirectory, context, [this, done](const ProgramRun& run) {
                realOpenerRuns.push_back(run);
                done(run);
            });
    }

    ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                          const Stop& stop) override
    {
        const Launch launch{program, arguments, workingDirectory};
        launches.push_back(launch);
        if (fakeProgramRun)
            return (*fakeProgramRun)(launch, stop);
        return QtDesktop().runProgram(program, arguments, workingDirectory, stop);
    }

    void setBusy(QWidget*, bool busy) override
    {
        busyDepth += busy ? 1 : -1;
        busyChanges.push_back(busy);
    }

    // Texts of the messages shown so far.
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const Message& m : messages)
            texts << m.text;
        return texts;
    }

private:
    std::optional<QString> answerDialog(bool save, const FileRequest& request)
    {
        dialogs.push_back({save, request});
        if (dialogAnswers.empty())
            return std::nullopt;
        const QString a = dialogAnswers.front();
        dialogAnswers.pop_front();
        if (a.isNull())
            return std::nullopt;
        return a;
    }
};
