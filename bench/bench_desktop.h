#pragma once
// The desktop of the benchmarks that run the window: every message is
// answered with OK and kept with the time it was shown, programs run as the
// real desktop runs them, dialogs are cancelled.

#include "shell/desktop.h"
#include "shell/qt_desktop.h"

#include <QStringList>

#include <chrono>
#include <optional>
#include <vector>

namespace bench {

class BenchDesktop : public Desktop {
public:
    QStringList messages;                                // in the order shown
    std::vector<std::chrono::steady_clock::time_point> shown; // when each was shown

    // When `text` was last shown, if it was.
    std::optional<std::chrono::steady_clock::time_point> shownAt(const QString& text) const
    {
        const qsizetype at = messages.lastIndexOf(text);
        if (at < 0)
            return std::nullopt;
        return shown[static_cast<std::size_t>(at)];
    }

    Answer message(QWidget*, const QString& text, const QString&, Icon, Buttons) override
    {
        messages << text;
        shown.push_back(std::chrono::steady_clock::now());
        return Answer::Ok;
    }
    std::optional<QString> openFileName(QWidget*, const FileRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(QWidget*, const FileRequest&) override { return std::nullopt; }
    void openDocument(const QString&, const QString&, QObject*, OpenDone) override {}
    ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& folder) override
    {
        return QtDesktop().runProgram(program, arguments, folder);
    }
    void setBusy(QWidget*, bool) override {}
};

} // namespace bench
