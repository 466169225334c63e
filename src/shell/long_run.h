#pragma once
// Long runs off the user-interface thread: reading a million traces,
// converting them, writing their KML file.
//
// A run works on a thread of its own while the window waits for it. For the
// first half second (the Desktop's progress delay) the window repaints but
// takes no input (the input waits, as it would behind a busy thread), so a
// short run looks as if it had run on the window's thread. Once the run has
// taken that long, the modal progress window shows its step, a bar and
// Cancel, through the Desktop.
// Cancel asks the run to stop; it then fails with marovin::kCancelled and
// leaves nothing behind. The busy pointer shows while the run says it is
// busy (BusyProgress), for the converter program.

#include "base/progress.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class Desktop;

// A progress that can also show the busy pointer over the window, from any
// thread.
class BusyProgress : public marovin::Progress {
public:
    virtual void setBusy(bool busy) = 0;
};

class LongRun {
public:
    LongRun(Desktop& desktop, QWidget& window);
    ~LongRun();

    // Runs `work(progress)` on a worker thread and gives its result once it
    // has ended. `work` must not touch the window.
    template <class Work>
    std::invoke_result_t<Work&, marovin::Progress&> run(Work work)
    {
        std::optional<std::invoke_result_t<Work&, marovin::Progress&>> result;
        runOffThread([&work, &result](marovin::Progress& progress) { result.emplace(work(progress)); });
        return std::move(*result);
    }

    // Asks the run under way, if there is one, to stop, and waits until it
    // has (a run stops within a fraction of a second). Closing the window
    // does this first.
    void cancel();
    bool running() const { return current_ != nullptr; }

private:
    class State;
    void runOffThread(const std::function<void(marovin::Progress&)>& work);

    Desktop& desktop_;
    QWidget& window_;
    std::shared_ptr<State> current_;
};
