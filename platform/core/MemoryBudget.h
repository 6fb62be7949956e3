// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A budget for the memory of work in flight, shared by the threads of a process. Each
// piece of work (one page check, say) holds a charge: an estimate made before it starts,
// which the work raises as it learns more (ChargeMemory, for instance when a page turns
// out bigger than its saved copy). Whoever starts work asks Fits() first, so new work
// waits while the charges leave no room; work alone always fits, so nothing waits forever.

#include <atomic>
#include <cstddef>

namespace pelmor {

void ChargeMemory(size_t bytes);

class MemoryBudget {
public:
    // `limit` in bytes; 0 means no limit.
    explicit MemoryBudget(size_t limit) : limit_(limit) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    size_t Limit() const { return limit_; }
    // Bytes charged by the work in flight.
    size_t Charged() const { return charged_.load(); }
    // True when work estimated at `bytes` may start now: the charges leave room for it,
    // or nothing is charged at all.
    bool Fits(size_t bytes) const;

private:
    friend class ScopedMemoryCharge;
    friend void ChargeMemory(size_t bytes);
    size_t limit_;
    std::atomic<size_t> charged_{0};
};

// The current thread's charge against a budget, from its estimate to the end of the scope.
// Scopes nest: the innermost one takes what ChargeMemory reports.
class ScopedMemoryCharge {
public:
    ScopedMemoryCharge(MemoryBudget& budget, size_t estimate);
    ~ScopedMemoryCharge();
    ScopedMemoryCharge(const ScopedMemoryCharge&) = delete;
    ScopedMemoryCharge& operator=(const ScopedMemoryCharge&) = delete;

    // What the work has charged so far: the estimate, or more once it used more.
    size_t Charged() const { return reserved_; }

private:
    friend void ChargeMemory(size_t bytes);
    MemoryBudget& budget_;
    size_t reserved_;  // charged to the budget
    size_t used_ = 0;  // reported by the work itself
    ScopedMemoryCharge* saved_;
};

// Tells the current thread's charge that the work now uses `bytes` more; the budget's
// charge grows once the work has used more than its estimate. Nothing without a scope.
void ChargeMemory(size_t bytes);

}  // namespace pelmor
