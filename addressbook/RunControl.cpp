#include "addressbook/RunControl.h"

namespace tallowby {

namespace detail {
constinit thread_local RunScope* currentRun = nullptr;

void ThrowRunStopped() { throw RunStopped(); }
} // namespace detail

RunScope::RunScope(const RunCallback& callback) : callback_(callback), previous_(detail::currentRun) {
    detail::currentRun = this;
}

RunScope::~RunScope() { detail::currentRun = previous_; }

} // namespace tallowby
