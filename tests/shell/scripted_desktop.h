#pragma once
// A Desktop for window tests: records every interaction and answers from
// queues the test fills. Unscripted dialogs are cancelled, unscripted
// questions answered No, unscripted programs run for real (so a test can use
// the real converter) unless `fakeProgramRun` is set. Document openers wait
// for the test to end them, unless `realOpener` sends them to the real
// desktop's xdg-open.

#include "shell/desktop.h"
#include "shell/qt_desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

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
                done({started, exitCode, {}});
        }
    };
    std::vector<Open> opens;
    bool realOpener = false;
    // How the real opener's runs ended, in turn.
    std::vector<ProgramRun> realOpenerRuns;
    std::vector<Launch> launches;
    std::optional<std::function<ProgramRun(const Launch&)>> fakeProgramRun;
    int busyDepth = 0;
    std::vector<bool> busyChanges;

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

    void openDocument(const QString& path, const QString& workingDirectory, QObject* context, OpenDone done) override
    {
        opens.push_back({path, workingDirectory, context, done});
        if (realOpener)
            QtDesktop().openDocument(path, workingDirectory, context, [this, done](const ProgramRun& run) {
                realOpenerRuns.push_back(run);
                done(run);
            });
    }

    ProgramRun runProgram(const QString& program, const QStringList& arguments,
                          const QString& workingDirectory) override
    {
        const Launch launch{program, arguments, workingDirectory};
        launches.push_back(launch);
        if (fakeProgramRun)
            return (*fakeProgramRun)(launch);
        return QtDesktop().runProgram(program, arguments, workingDirectory);
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
