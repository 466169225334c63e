// Runs off the window's thread: a short run gives its result as if it had
// run on the window's thread, a long one shows its progress window, whose
// Cancel (or the window's closing) stops it; the busy pointer follows what
// the run says.
#include "scripted_desktop.h"

#include "shell/long_run.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Step = marovin::Progress::Step;

class LongRunTest : public ::testing::Test {
protected:
    ScriptedDesktop desktop;
    QWidget window;
    LongRun runs{desktop, window};
};

// A run that ends before the delay shows no progress window; the window's
// own events (a timer here, repaints in the window) go on meanwhile.
TEST_F(LongRunTest, AShortRunGivesItsResultWithoutAProgressWindow)
{
    bool timerFired = false;
    QTimer::singleShot(10, [&] { timerFired = true; });
    std::atomic<bool> firedDuringTheRun{false};
    const int result = runs.run([&](marovin::Progress&) {
        std::this_thread::sleep_for(100ms);
        firedDuringTheRun = timerFired; // a read after the window wrote it: the window thread waits for no one
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(timerFired);
    EXPECT_TRUE(desktop.progressShown.isEmpty());
    EXPECT_FALSE(runs.running());
}

// A run that takes a while shows its step and how far it is; Cancel stops
// it, and the run says it was cancelled.
TEST_F(LongRunTest, ALongRunShowsItsStepAndCancelStopsIt)
{
    desktop.delay = 50ms;
    QString step;
    int percent = -2;
    desktop.onProgress = [&](RunView& run) {
        QElapsedTimer waited;
        waited.start();
        while (run.percent() < 25 && waited.elapsed() < 10000)
            std::this_thread::sleep_for(1ms);
        step = run.step();
        percent = run.percent();
        run.cancel();
    };
    const std::string said = runs.run([](marovin::Progress& progress) -> std::string {
        progress.begin(Step::ReadingTraces, 4);
        for (std::uint64_t done = 1; !progress.cancelled(); done = std::min<std::uint64_t>(done + 1, 3)) {
            progress.advance(done);
            std::this_thread::sleep_for(1ms);
        }
        return std::string(marovin::kCancelled);
    });
    EXPECT_TRUE(marovin::was_cancelled(said));
    EXPECT_EQ(desktop.progressShown.size(), 1);
    EXPECT_EQ(step, QStringLiteral("Reading traces"));
    EXPECT_GE(percent, 25);
    EXPECT_LE(percent, 75);
}

// With no delay the progress window is there before the run starts: a
// cancel there is what the run sees first.
TEST_F(LongRunTest, ARunCancelledBeforeItStartsSeesItFirst)
{
    desktop.delay = 0ms;
    desktop.onProgress = [](RunView& run) { run.cancel(); };
    EXPECT_TRUE(runs.run([](marovin::Progress& progress) { return progress.cancelled(); }));
}

// The window's closing cancels the run under way and waits until it has
// stopped: when cancel() returns, the run's work is over.
TEST_F(LongRunTest, CancelFromTheWindowWaitsUntilTheRunHasStopped)
{
    desktop.delay = 20ms;
    std::atomic<bool> over{false};
    bool overWhenCancelReturned = false;
    desktop.onProgress = [&](RunView&) {
        runs.cancel();
        overWhenCancelReturned = over;
    };
    runs.run([&](marovin::Progress& progress) {
        while (!progress.cancelled())
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(20ms); // leaving nothing behind takes a moment
        over = true;
        return 0;
    });
    EXPECT_TRUE(overWhenCancelReturned);
    runs.cancel(); // no run: nothing to do
}

// The busy pointer shows while the run says it is busy, and never outlives
// the run.
TEST_F(LongRunTest, TheBusyPointerFollowsTheRun)
{
    runs.run([](marovin::Progress& progress) {
        auto& busy = dynamic_cast<BusyProgress&>(progress);
        busy.setBusy(true);
        std::this_thread::sleep_for(50ms);
        busy.setBusy(false);
        std::this_thread::sleep_for(50ms);
        busy.setBusy(true); // and the run ends so
        std::this_thread::sleep_for(50ms);
        return 0;
    });
    EXPECT_EQ(desktop.busyChanges, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(desktop.busyDepth, 0);
}

} // namespace
