// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/MemoryBudget.h"

namespace pelmor {

namespace {
thread_local ScopedMemoryCharge* current = nullptr;
}

bool MemoryBudget::Fits(size_t bytes) const {
    size_t charged = charged_.load();
    return limit_ == 0 || charged == 0 || charged + bytes <= limit_;
}

ScopedMemoryCharge::ScopedMemoryCharge(MemoryBudget& budget, size_t estimate)
    : budget_(budget), reserved_(estimate), saved_(current) {
    budget_.charged_ += reserved_;
    current = this;
}

ScopedMemoryCharge::~ScopedMemoryCharge() {
    budget_.charged_ -= reserved_;
    current = saved_;
}

void ChargeMemory(size_t bytes) {
    ScopedMemoryCharge* charge = current;
    if (!charge) return;
    charge->used_ += bytes;
    if (charge->used_ > charge->reserved_) {
        charge->budget_.charged_ += charge->used_ - charge->reserved_;
        charge->reserved_ = charge->used_;
    }
}

}  // namespace pelmor
