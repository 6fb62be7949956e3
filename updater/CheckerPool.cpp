// SPDX-License-Identifier: GPL-3.0-or-later
#include "updater/CheckerPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <list>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/Deadline.h"
#include "platform/core/MemoryBudget.h"

namespace pelmor::updater {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Job {
    uint64_t id = 0;
    PageSnapshot page;
    std::string host;
    size_t estimate = 0;  // bytes of memory
};

struct Worker {
    std::thread thread;
};

// A check in progress. `done` is set exactly once, by whoever reports it: the worker
// when it returns in time, the watchdog when the limit passes first.
struct Running {
    Job job;
    SteadyClock::time_point deadline;
    // Raised when the check is given up or the pool stops: the work in progress sees it
    // (with the deadline) and ends instead of running on unwatched.
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
    std::list<Worker>::iterator worker;
    bool done = false;
};

}  // namespace

struct CheckerPool::State {
    CheckFunction check;
    EventSink sink;
    PoolOptions options;

    std::mutex mutex;
    std::condition_variable workCv;
    std::condition_variable eventCv;
    std::condition_variable watchCv;
    std::deque<Job> queue;
    std::map<std::string, int> hostRunning;
    std::list<std::shared_ptr<Running>> running;
    std::deque<Event> events;
    bool started = false;
    bool stopped = false;
    // Threads of the pool; a worker given up at the limit is detached and leaves the list.
    std::list<Worker> workers;
    std::thread eventThread;
    std::thread watchThread;
    std::unique_ptr<MemoryBudget> memory;

    // Index of the first queued job whose host and whose memory estimate have room, or -1.
    // The first job that waits for memory keeps its room: later jobs start only if they
    // leave it. Caller holds the mutex.
    long NextJob() const {
        size_t waiting = 0;
        for (size_t i = 0; i < queue.size(); ++i) {
            auto it = hostRunning.find(queue[i].host);
            if (it != hostRunning.end() && it->second >= options.perHost) continue;
            if (memory->Fits(queue[i].estimate + waiting)) return static_cast<long>(i);
            if (waiting == 0) waiting = std::max<size_t>(queue[i].estimate, 1);
        }
        return -1;
    }

    void Emit(const Event& event) {
        events.push_back(event);
        eventCv.notify_one();
    }

    // Reports a check and frees its place. Caller holds the mutex.
    void Finish(const std::shared_ptr<Running>& run, const CheckResult& result) {
        run->done = true;
        if (--hostRunning[run->job.host] <= 0) hostRunning.erase(run->job.host);
        running.remove(run);
        Emit({Event::Kind::PageUpdated, run->job.id, result.updated, result.lastCheckDate, result.failure});
        workCv.notify_all();
    }

    void AddWorker(const std::shared_ptr<State>& self);
};

namespace {

void WorkerLoop(std::shared_ptr<CheckerPool::State> state, std::list<Worker>::iterator self) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        long index = -1;
        state->workCv.wait(lock, [&] {
            if (state->stopped) return true;
            index = state->started ? state->NextJob() : -1;
            return index >= 0;
        });
        if (state->stopped) return;
        auto run = std::make_shared<Running>();
        run->job = std::move(state->queue[static_cast<size_t>(index)]);
        state->queue.erase(state->queue.begin() + index);
        run->deadline = SteadyClock::now() + state->options.limit;
        run->worker = self;
        ++state->hostRunning[run->job.host];
        state->running.push_back(run);
        state->Emit({Event::Kind::PageStartCheck, run->job.id, false, {}});
        state->watchCv.notify_one();
        // Charged while the mutex is held, so the next worker to look sees it; held until
        // the work really ends, also past a give-up.
        auto charge = std::make_unique<ScopedMemoryCharge>(*state->memory, run->job.estimate);
        lock.unlock();

        CheckResult result{false, run->job.page.LastCheckDate};
        try {
            const ScopedDeadline limit(run->deadline, run->stop);
            result = state->check(run->job.page);
        } catch (const std::exception& error) {
            result = {false, state->options.clock(), std::string("check broke off: ") + error.what()};
        }
        charge.reset();

        lock.lock();
        if (run->done) {
            // Given up at the limit: a fresh worker took this place; the memory it held
            // may let a queued page start.
            state->workCv.notify_all();
            return;
        }
        state->Finish(run, result);
    }
}

void EventLoop(std::shared_ptr<CheckerPool::State> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->eventCv.wait(lock, [&] { return state->stopped || !state->events.empty(); });
        if (state->stopped) return;
        auto event = state->events.front();
        state->events.pop_front();
        lock.unlock();
        state->sink(event);
        lock.lock();
    }
}

void WatchLoop(std::shared_ptr<CheckerPool::State> state) {
    std::unique_lock lock(state->mutex);
    while (!state->stopped) {
        auto now = SteadyClock::now();
        auto next = SteadyClock::time_point::max();
        std::vector<std::shared_ptr<Running>> late;
        for (const auto& run : state->running) {
            if (run->deadline <= now)
                late.push_back(run);
            else
                next = std::min(next, run->deadline);
        }
        for (const auto& run : late) {
            run->stop->store(true);
            state->Finish(run, {false, state->options.clock(), "timed out"});
            run->worker->thread.detach();
            state->workers.erase(run->worker);
            state->AddWorker(state);
        }
        if (next == SteadyClock::time_point::max())
            state->watchCv.wait(lock);
        else
            state->watchCv.wait_until(lock, next);
    }
}

}  // namespace

void CheckerPool::State::AddWorker(const std::shared_ptr<State>& self) {
    auto slot = workers.emplace(workers.end());
    slot->thread = std::thread(WorkerLoop, self, slot);
}

CheckerPool::CheckerPool(CheckFunction check, EventSink sink, PoolOptions options) : state_(std::make_shared<State>()) {
    state_->check = std::move(check);
    state_->sink = std::move(sink);
    state_->options = std::move(options);
    if (state_->options.workers < 1) state_->options.workers = 1;
    if (state_->options.perHost < 1) state_->options.perHost = 1;
    state_->memory = std::make_unique<MemoryBudget>(state_->options.memoryBudget);
}

CheckerPool::~CheckerPool() {
    Stop();
    // The watchdog is the only one that adds or detaches workers, so it ends first.
    if (state_->watchThread.joinable()) state_->watchThread.join();
    if (state_->eventThread.joinable()) state_->eventThread.join();
    std::list<Worker> workers;
    {
        std::lock_guard lock(state_->mutex);
        workers.swap(state_->workers);
    }
    for (auto& worker : workers)
        if (worker.thread.joinable()) worker.thread.join();
}

void CheckerPool::Start() {
    std::lock_guard lock(state_->mutex);
    if (state_->started || state_->stopped) return;
    state_->started = true;
    for (int i = 0; i < state_->options.workers; ++i) state_->AddWorker(state_);
    state_->eventThread = std::thread(EventLoop, state_);
    state_->watchThread = std::thread(WatchLoop, state_);
    state_->workCv.notify_all();
}

void CheckerPool::Submit(uint64_t id, PageSnapshot page) {
    size_t estimate = 0;
    if (state_->options.estimate) {
        try {
            estimate = state_->options.estimate(page);
        } catch (const std::exception&) {
            // A page whose size cannot be told is estimated at nothing; it charges as it goes.
        }
    }
    std::lock_guard lock(state_->mutex);
    if (state_->stopped) return;
    auto host = HostOf(page.URL);
    state_->queue.push_back({id, std::move(page), std::move(host), estimate});
    state_->workCv.notify_one();
}

void CheckerPool::Stop() {
    std::lock_guard lock(state_->mutex);
    state_->stopped = true;
    for (const auto& run : state_->running) run->stop->store(true);
    state_->queue.clear();
    state_->events.clear();
    state_->workCv.notify_all();
    state_->eventCv.notify_all();
    state_->watchCv.notify_all();
}

}  // namespace pelmor::updater
