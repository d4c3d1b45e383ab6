#include "ui/UiQueue.h"

namespace tallowby {

bool UiQueue::Post(Op op, bool settles) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) return false;
    ops_.push_back({std::move(op), settles});
    return true;
}

void UiQueue::PostLatest(LatestValue& latest, int32_t value, std::function<void(int32_t)> apply) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) return;
    if (latest.slot && latest.batch == batch_) {
        *latest.slot = value;  // its op has not been taken yet
        return;
    }
    latest.slot = std::make_shared<int32_t>(value);
    latest.batch = batch_;
    ops_.push_back({[slot = latest.slot, apply = std::move(apply)] { apply(*slot); }});
}

std::vector<UiQueue::Item> UiQueue::Take() {
    std::vector<Item> taken;
    const std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(ops_);
    ++batch_;
    return taken;
}

void UiQueue::Abandon() {
    std::vector<Item> dropped;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        abandoned_ = true;
        dropped.swap(ops_);
    }
}

} // namespace tallowby
