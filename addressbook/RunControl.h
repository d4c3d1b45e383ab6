// Stopping a long run (a scan or an export) from outside, and hearing how far the
// reading of the book has come.
//
// The caller of a run implements RunMonitor and installs it for the current thread
// with a RunScope around the call; the run's loops call Checkpoint(), which throws
// RunStopped once the monitor asks for a stop, and ReportReading() while they read
// the book byte by byte. With no monitor installed (the command-line tool, the
// tests) a checkpoint is one thread-local pointer test and never stops anything.
//
// RunStopped is not a std::exception on purpose: a stop is no failure, and the
// handlers that turn failures into skipped steps or messages must not take it for
// one. Code that traps every exception passes it on (see Attempt in NotesCalls.h);
// the scan and the export catch it at their top, remove what they had begun and
// end as "Stopped", without a message.
#pragma once

#include <cstdint>

namespace tallowby {

class RunMonitor {
public:
    virtual ~RunMonitor() = default;
    // Asked at every checkpoint, from the thread that runs the work: keep it cheap
    // and safe to call from that thread (an atomic flag).
    virtual bool StopRequested() const = 0;
    // Bytes of the book read so far, of total.
    virtual void Reading(std::uint64_t done, std::uint64_t total) = 0;
};

// Thrown by Checkpoint() when the run is to stop.
class RunStopped {};

// Installs a monitor for the current thread while it lives; the one it replaces
// comes back afterwards.
class RunScope {
public:
    explicit RunScope(RunMonitor& monitor);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    RunMonitor* previous_;
};

namespace detail {
extern thread_local constinit RunMonitor* currentMonitor;
[[noreturn]] void ThrowRunStopped();
} // namespace detail

// Throws RunStopped when the current thread's monitor asks for a stop.
inline void Checkpoint() {
    if (detail::currentMonitor != nullptr && detail::currentMonitor->StopRequested())
        detail::ThrowRunStopped();
}

// The same question without throwing, for code that must unwind by itself.
inline bool StopRequested() {
    return detail::currentMonitor != nullptr && detail::currentMonitor->StopRequested();
}

// Tells the current thread's monitor how much of the book has been read.
inline void ReportReading(std::uint64_t done, std::uint64_t total) {
    if (detail::currentMonitor != nullptr) detail::currentMonitor->Reading(done, total);
}

} // namespace tallowby
