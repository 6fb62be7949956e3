// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One time limit for the work of the current thread. A caller that bounds some work opens
// a ScopedDeadline; the long loops below it (loading, parsing, comparing, marking) ask
// DeadlinePassed() now and then and end early, each in its own way, when it says so.
// Scopes nest: the earliest deadline of the open scopes holds. Another thread can end the
// work at once by raising the scope's stop flag.

#include <atomic>
#include <chrono>
#include <memory>

namespace pelmor {

using SteadyTime = std::chrono::steady_clock::time_point;

class ScopedDeadline {
public:
    // Limits the current thread's work to `deadline` (or to an earlier one already open);
    // `stop`, when given, ends it as soon as it is set.
    explicit ScopedDeadline(SteadyTime deadline, std::shared_ptr<const std::atomic<bool>> stop = nullptr);
    ~ScopedDeadline();
    ScopedDeadline(const ScopedDeadline&) = delete;
    ScopedDeadline& operator=(const ScopedDeadline&) = delete;

private:
    SteadyTime savedDeadline_;
    std::shared_ptr<const std::atomic<bool>> savedStop_;
};

// The earliest deadline of the current thread's open scopes; time_point::max() without one.
SteadyTime CurrentDeadline();
// True once the current deadline has passed or its stop flag is set; false without a scope.
bool DeadlinePassed();
// True once the stop flag of the current scope is set, whatever the time.
bool StopRequested();

// Pushes the current thread's deadline back by `delay` until this scope ends: for time spent
// waiting for a turn, which the work's own limit does not count. The stop flag still holds.
class ScopedDeadlineDelay {
public:
    explicit ScopedDeadlineDelay(std::chrono::steady_clock::duration delay);
    ~ScopedDeadlineDelay();
    ScopedDeadlineDelay(const ScopedDeadlineDelay&) = delete;
    ScopedDeadlineDelay& operator=(const ScopedDeadlineDelay&) = delete;

private:
    SteadyTime saved_;
};
// The time deadlines are measured against: the steady clock, unless a test set another.
SteadyTime DeadlineNow();
using DeadlineClock = SteadyTime (*)();
// Replaces the clock of DeadlineNow and DeadlinePassed for every thread, so a
// test can make time pass at a point of its choosing; null restores the steady clock.
// Set it only while no other thread reads deadlines.
void SetDeadlineClock(DeadlineClock clock);

}  // namespace pelmor
