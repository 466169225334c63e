#include "shell/long_run.h"

#include "shell/desktop.h"
#include "shell/library_text.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

// What a run and the window share: the run writes its step, its count and
// whether it is busy, the window writes whether to stop. Each value is one
// atomic: the window may read a step beside the previous step's count,
// which only shows for an instant.
class LongRun::State final : public RunView, public BusyProgress {
public:
    // Progress, on the run's thread.
    void begin(Step step, std::uint64_t total) override
    {
        total_ = total;
        done_ = 0;
        step_ = static_cast<int>(step);
    }
    void advance(std::uint64_t done) override { done_ = done; }
    bool cancelled() const override { return cancelled_; }
    void setBusy(bool busy) override { busy_ = busy; }

    // RunView, on the window's thread.
    QString step() const override
    {
        const int step = step_;
        return step < 0 ? QString() : fromLibrary(marovin::step_words(static_cast<Step>(step)));
    }
    int percent() const override
    {
        const std::uint64_t total = total_, done = done_;
        return total == 0 ? -1 : static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total));
    }
    bool ended() const override { return ended_; }
    void cancel() override { cancelled_ = true; }

    bool busy() const { return busy_; }
    // Whether the worker was started; on the window's thread.
    bool started = false;
    void end()
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        endedChanged_.notify_all();
    }
    void waitUntilEnded()
    {
        std::unique_lock lock(mutex_);
        endedChanged_.wait(lock, [this] { return ended_.load(); });
    }

private:
    std::atomic<int> step_{-1};
    std::atomic<std::uint64_t> total_{0};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<bool> busy_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> ended_{false};
    std::mutex mutex_;
    std::condition_variable endedChanged_;
};

LongRun::LongRun(Desktop& desktop, QWidget& window) : desktop_(desktop), window_(window) {}

LongRun::~LongRun() { cancel(); }

void LongRun::cancel()
{
    if (const std::shared_ptr<State> state = current_) {
        state->cancel();
        // A run not yet started stops at its start.
        if (state->started)
            state->waitUntilEnded();
    }
}

void LongRun::runOffThread(const std::function<void(marovin::Progress&)>& work)
{
    const auto state = std::make_shared<State>();
    current_ = state;
    QEventLoop waiting;
    const std::unique_ptr<QThread> worker(QThread::create([&work, &state, &waiting] {
        work(*state);
        state->end();
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    }));
    // The run starts once the window waits for it, in whichever loop: with
    // no delay the progress window is there first.
    const auto start = [&state, &worker] {
        if (!state->started) {
            state->started = true;
            worker->start();
        }
    };
    QTimer::singleShot(0, &waiting, start);

    // The busy pointer follows the run, whichever loop the window waits in.
    bool busy = false;
    const auto followBusy = [this, &state, &busy] {
        if (state->busy() != busy)
            desktop_.setBusy(&window_, busy = state->busy());
    };
    const std::chrono::milliseconds delay = desktop_.progressDelay();
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &waiting, [&] {
        followBusy();
        if (clock.elapsed() >= delay.count())
            waiting.quit();
    });
    tick.start(10);
    if (delay.count() > 0)
        waiting.exec(QEventLoop::ExcludeUserInputEvents);
    if (!state->ended())
        desktop_.showProgress(&window_, *state);
    start();
    worker->wait();
    tick.stop();
    if (busy)
        desktop_.setBusy(&window_, false);
    current_.reset();
}
