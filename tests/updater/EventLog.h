// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Collects the events a pool or session hands out, from any thread, and lets a test
// wait for a condition on them.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "updater/Protocol.h"

namespace pelmor::test {

class EventLog {
public:
    void Add(const updater::Event& event) {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
        cv_.notify_all();
    }
    // True when `done` held within ten seconds.
    bool WaitFor(const std::function<bool(const std::vector<updater::Event>&)>& done) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return done(events_); });
    }
    bool WaitForUpdated(size_t count) {
        return WaitFor([count](const auto& events) { return Count(events, updater::Event::Kind::PageUpdated) >= count; });
    }
    std::vector<updater::Event> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    static size_t Count(const std::vector<updater::Event>& events, updater::Event::Kind kind) {
        size_t n = 0;
        for (const auto& event : events) n += event.kind == kind;
        return n;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<updater::Event> events_;
};

}  // namespace pelmor::test
