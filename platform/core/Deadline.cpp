// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Deadline.h"

namespace pelmor {

namespace {

struct ThreadLimit {
    SteadyTime deadline = SteadyTime::max();
    // The stop flags of the open scopes, the innermost one that has a flag; a scope
    // without one keeps the outer flag.
    std::shared_ptr<const std::atomic<bool>> stop;
};

thread_local ThreadLimit current;
DeadlineClock clockOverride = nullptr;

}  // namespace

ScopedDeadline::ScopedDeadline(SteadyTime deadline, std::shared_ptr<const std::atomic<bool>> stop)
    : savedDeadline_(current.deadline), savedStop_(current.stop) {
    if (deadline < current.deadline) current.deadline = deadline;
    if (stop) current.stop = std::move(stop);
}

ScopedDeadline::~ScopedDeadline() {
    current.deadline = savedDeadline_;
    current.stop = std::move(savedStop_);
}

SteadyTime CurrentDeadline() {
    if (current.stop && current.stop->load(std::memory_order_relaxed)) return SteadyTime::min();
    return current.deadline;
}

bool DeadlinePassed() {
    if (current.stop && current.stop->load(std::memory_order_relaxed)) return true;
    return current.deadline != SteadyTime::max() && DeadlineNow() >= current.deadline;
}

bool StopRequested() { return current.stop && current.stop->load(std::memory_order_relaxed); }

ScopedDeadlineDelay::ScopedDeadlineDelay(std::chrono::steady_clock::duration delay) : saved_(current.deadline) {
    if (current.deadline != SteadyTime::max() && delay > delay.zero())
        current.deadline = SteadyTime::max() - current.deadline > delay ? current.deadline + delay : SteadyTime::max();
}

ScopedDeadlineDelay::~ScopedDeadlineDelay() { current.deadline = saved_; }

SteadyTime DeadlineNow() { return clockOverride ? clockOverride() : std::chrono::steady_clock::now(); }

void SetDeadlineClock(DeadlineClock clock) { clockOverride = clock; }

}  // namespace pelmor
