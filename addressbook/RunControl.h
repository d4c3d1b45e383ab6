// How far a long run (a scan or an export) has come, and stopping it from outside.
//
// The caller hands the run one callback: it hears the run's progress, from the run's
// own thread, and answers false to ask the run to stop. Inside, the run installs it
// for its thread (RunScope) so that loops deep down call Checkpoint(), which throws
// RunStopped once a stop was asked for, and report their progress. With no callback
// (the tests, the command-line tool's plain runs) a checkpoint is one thread-local
// pointer test and never stops anything.
//
// RunStopped is not a std::exception on purpose: a stop is no failure, and the
// handlers that turn failures into skipped steps or messages must not take it for
// one. The scan and the export catch it at their top, remove what they had begun and
// end as "Stopped", without a message.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace tallowby {

enum class RunStage {
    Reading,   // bytes of the book read, of its size
    Contacts,  // contacts listed or written, of those the view holds
    Waiting,   // nothing new to tell (waiting for the backup copy): only the answer counts
};

// Called from the run's thread, often (keep it cheap); false asks the run to stop.
using RunCallback = std::function<bool(RunStage stage, std::int64_t done, std::int64_t total)>;

// Thrown by Checkpoint() when the run is to stop.
class RunStopped {};

// The callback of one run, installed for the current thread while it lives (the one
// it replaces comes back afterwards).
class RunScope {
public:
    explicit RunScope(const RunCallback& callback);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    void Report(RunStage stage, std::int64_t done, std::int64_t total) {
        if (callback_ && !callback_(stage, done, total)) stop_.store(true, std::memory_order_relaxed);
    }
    bool stopped() const { return stop_.load(std::memory_order_relaxed); }

private:
    const RunCallback& callback_;
    std::atomic<bool> stop_{false};
    RunScope* previous_;
};

namespace detail {
extern thread_local constinit RunScope* currentRun;
[[noreturn]] void ThrowRunStopped();
} // namespace detail

// Throws RunStopped when the current thread's run was asked to stop.
inline void Checkpoint() {
    if (detail::currentRun != nullptr && detail::currentRun->stopped()) detail::ThrowRunStopped();
}

// Tells the current thread's run how far it has come.
inline void ReportProgress(RunStage stage, std::int64_t done, std::int64_t total) {
    if (detail::currentRun != nullptr) detail::currentRun->Report(stage, done, total);
}
inline void ReportReading(std::uint64_t done, std::uint64_t total) {
    ReportProgress(RunStage::Reading, static_cast<std::int64_t>(done), static_cast<std::int64_t>(total));
}

} // namespace tallowby
