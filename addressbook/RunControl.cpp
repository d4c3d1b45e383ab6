#include "addressbook/RunControl.h"

namespace tallowby {

namespace detail {
constinit thread_local RunMonitor* currentMonitor = nullptr;

void ThrowRunStopped() { throw RunStopped(); }
} // namespace detail

RunScope::RunScope(RunMonitor& monitor) : previous_(detail::currentMonitor) {
    detail::currentMonitor = &monitor;
}

RunScope::~RunScope() { detail::currentMonitor = previous_; }

} // namespace tallowby
