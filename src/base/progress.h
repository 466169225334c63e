#pragma once
// What a long run tells whoever waits for it, and how it is asked to stop.
//
// A run (reading a million traces, converting them, writing their KML) calls
// begin() at each of its steps and advance() as it goes, from whatever thread
// it works on; it asks cancelled() often enough to stop within a tenth of a
// second or so, and then stops as if it had never started: what it was to
// write is not written, what it had written is removed. A run that stops so
// fails with a message of kCancelled, which callers tell apart from a
// failure with was_cancelled().
//
// Implementations must take these calls from any thread. The default
// implementation reports nothing and never asks to stop.

#include <cstdint>
#include <string_view>

namespace marovin {

class Progress {
public:
    // The steps a user is shown, in the words the window shows them.
    enum class Step { ReadingTraces, ReadingPoints, Converting, WritingKml };

    virtual ~Progress() = default;

    // A new step of `total` units (traces, points, bytes); 0 when the total
    // is not known.
    virtual void begin(Step step, std::uint64_t total)
    {
        (void)step;
        (void)total;
    }
    // `done` units of the step are done (not an increment).
    virtual void advance(std::uint64_t done) { (void)done; }
    // True once the run has been asked to stop.
    virtual bool cancelled() const { return false; }
};

// A progress that reports nothing and never stops a run.
inline Progress& no_progress()
{
    static Progress none;
    return none;
}

// The words of a step: "Reading traces", "Reading points", "Converting",
// "Writing the KML file".
constexpr std::string_view step_words(Progress::Step step)
{
    switch (step) {
    case Progress::Step::ReadingTraces: return "Reading traces";
    case Progress::Step::ReadingPoints: return "Reading points";
    case Progress::Step::Converting: return "Converting";
    case Progress::Step::WritingKml: return "Writing the KML file";
    }
    return "";
}

// The message of a run that stopped because it was asked to.
inline constexpr std::string_view kCancelled = "cancelled";
inline bool was_cancelled(std::string_view message) { return message == kCancelled; }

} // namespace marovin
