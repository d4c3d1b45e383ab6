// Work that a run's worker thread hands to the window's thread: posted in order on
// the worker, taken in batches and applied in the same order on the window's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tallowby {

// A value of which only the latest counts (a progress bar's position). While the op
// that applies it still waits in the queue, a newer value takes its place instead
// of queueing another op. Used on the worker thread only.
struct LatestValue {
    std::shared_ptr<int32_t> slot;
    std::uint64_t batch = 0;
    // Called before the owner posts another op of its own, so that the next value
    // is applied after that op.
    void Close() { slot.reset(); }
};

class UiQueue {
public:
    using Op = std::function<void()>;
    struct Item {
        Op op;
        bool settles = false;  // wants the window settled first (a message box, the end)
    };

    // Worker side. Returns false when the queue no longer takes work (abandoned).
    bool Post(Op op, bool settles = false);
    void PostLatest(LatestValue& latest, int32_t value, std::function<void(int32_t)> apply);

    // Window side: everything posted so far, in order; a new batch begins.
    std::vector<Item> Take();
    // Drops what waits and takes nothing more.
    void Abandon();

private:
    std::mutex mutex_;
    std::vector<Item> ops_;
    std::uint64_t batch_ = 1;
    bool abandoned_ = false;
};

} // namespace tallowby
