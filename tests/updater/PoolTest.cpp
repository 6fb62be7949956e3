// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include "platform/core/Deadline.h"
#include "platform/core/MemoryBudget.h"
#include "tests/updater/EventLog.h"
#include "updater/CheckerPool.h"

namespace pelmor::updater {
namespace {

using test::EventLog;
using Kind = Event::Kind;

PageSnapshot PageAt(const std::string& url, double lastCheck = 46000.0) {
    PageSnapshot page;
    page.URL = url;
    page.SavedFile = "/saved/" + std::to_string(url.size()) + ".html";
    page.LastCheckDate = DateTime(lastCheck);
    return page;
}

// Holds every check until the test opens it, and counts how many run at once.
class Gate {
public:
    CheckResult Pass(const PageSnapshot& page) {
        std::unique_lock lock(mutex_);
        auto host = HostOf(page.URL);
        int now = ++running_[host];
        maxPerHost_[host] = std::max(maxPerHost_[host], now);
        maxTotal_ = std::max(maxTotal_, ++total_);
        cv_.notify_all();
        cv_.wait(lock, [&] { return open_; });
        --running_[host];
        --total_;
        return {page.URL.back() == '1', DateTime(page.LastCheckDate.Days() + 1)};
    }
    bool WaitRunning(int count) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return total_ >= count; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    int MaxTotal() {
        std::lock_guard lock(mutex_);
        return maxTotal_;
    }
    int MaxPerHost(const std::string& host) {
        std::lock_guard lock(mutex_);
        return maxPerHost_[host];
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::map<std::string, int> running_;
    std::map<std::string, int> maxPerHost_;
    int total_ = 0;
    int maxTotal_ = 0;
    bool open_ = false;
};

TEST(CheckerPool, EveryPageStartsThenEndsOnceWithTheCheckersAnswer) {
    EventLog log;
    Gate gate;
    gate.Open();
    {
        CheckerPool pool([&](const PageSnapshot& p) { return gate.Pass(p); }, [&](const Event& e) { log.Add(e); });
        for (uint64_t id = 1; id <= 30; ++id)
            pool.Submit(id, PageAt("http://h" + std::to_string(id % 5) + ".test/" + std::to_string(id % 2), id));
        pool.Start();
        ASSERT_TRUE(log.WaitForUpdated(30));
    }
    auto events = log.Events();
    ASSERT_EQ(events.size(), 60u);
    std::set<uint64_t> started;
    std::set<uint64_t> ended;
    for (const auto& event : events) {
        if (event.kind == Kind::PageStartCheck) {
            EXPECT_TRUE(started.insert(event.id).second);
            continue;
        }
        EXPECT_TRUE(started.count(event.id)) << "PageUpdated before PageStartCheck for " << event.id;
        EXPECT_TRUE(ended.insert(event.id).second);
        EXPECT_EQ(event.updated, event.id % 2 == 1);
        EXPECT_EQ(event.lastCheckDate, DateTime(static_cast<double>(event.id) + 1));
    }
}

TEST(CheckerPool, AtMostTwoChecksPerHostAndFourInAll) {
    EventLog log;
    Gate gate;
    CheckerPool pool([&](const PageSnapshot& p) { return gate.Pass(p); }, [&](const Event& e) { log.Add(e); });
    pool.Start();
    // Six pages of one host come first; pages of two other hosts behind them still start.
    for (uint64_t id = 1; id <= 6; ++id) pool.Submit(id, PageAt("http://busy.test/" + std::to_string(id)));
    pool.Submit(7, PageAt("http://other.test/a"));
    pool.Submit(8, PageAt("http://third.test:81/a"));
    pool.Submit(9, PageAt("http://third.test:82/b"));
    ASSERT_TRUE(gate.WaitRunning(4));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(gate.MaxTotal(), 4);
    EXPECT_EQ(gate.MaxPerHost("busy.test"), 2);
    gate.Open();
    ASSERT_TRUE(log.WaitForUpdated(9));
    EXPECT_EQ(gate.MaxPerHost("busy.test"), 2);
    EXPECT_LE(gate.MaxPerHost("third.test"), 2);
}

TEST(CheckerPool, ChecksStartWhileTheirMemoryFitsAndABigPageRunsAlone) {
    EventLog log;
    Gate gate;
    std::mutex mutex;
    std::set<std::string> running;
    bool bigShared = false;
    PoolOptions options;
    options.memoryBudget = 100;
    options.estimate = [](const PageSnapshot& p) -> size_t { return p.URL.find("big") != std::string::npos ? 150 : 30; };
    CheckerPool pool(
        [&](const PageSnapshot& p) {
            {
                std::lock_guard lock(mutex);
                running.insert(p.URL);
                for (const auto& url : running)
                    if (running.size() > 1 && url.find("big") != std::string::npos) bigShared = true;
            }
            CheckResult result = gate.Pass(p);
            std::lock_guard lock(mutex);
            running.erase(p.URL);
            return result;
        },
        [&](const Event& e) { log.Add(e); }, options);
    pool.Start();
    // Two small pages fit; the big one waits for room, and the page behind it leaves it that room.
    pool.Submit(1, PageAt("http://a.test/small"));
    pool.Submit(2, PageAt("http://b.test/small"));
    pool.Submit(3, PageAt("http://c.test/big"));
    pool.Submit(4, PageAt("http://d.test/small"));
    ASSERT_TRUE(gate.WaitRunning(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(gate.MaxTotal(), 2);
    // Over the whole budget, the big page still runs, alone.
    gate.Open();
    ASSERT_TRUE(log.WaitForUpdated(4));
    EXPECT_FALSE(bigShared);
}

TEST(CheckerPool, ACheckThatUsesMoreMemoryThanEstimatedHoldsBackTheNext) {
    EventLog log;
    Gate gate;
    PoolOptions options;
    options.memoryBudget = 100;
    options.estimate = [](const PageSnapshot&) -> size_t { return 30; };
    CheckerPool pool(
        [&](const PageSnapshot& p) {
            if (p.URL.find("grows") != std::string::npos) ChargeMemory(200);
            return gate.Pass(p);
        },
        [&](const Event& e) { log.Add(e); }, options);
    pool.Start();
    pool.Submit(1, PageAt("http://a.test/grows"));
    ASSERT_TRUE(gate.WaitRunning(1));
    pool.Submit(2, PageAt("http://b.test/small"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(gate.MaxTotal(), 1);
    gate.Open();
    ASSERT_TRUE(log.WaitForUpdated(2));
}

TEST(CheckerPool, CheckPastTheLimitIsReportedNotUpdatedAndDoesNotBlockThePool) {
    EventLog log;
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    std::atomic<int> lateReturns = 0;
    PoolOptions options;
    options.workers = 1;
    options.limit = std::chrono::milliseconds(200);
    options.clock = [] { return DateTime(46100.25); };
    {
        CheckerPool pool(
            [&](const PageSnapshot& page) -> CheckResult {
                if (page.URL.find("stuck") != std::string::npos) {
                    std::unique_lock lock(mutex);
                    cv.wait(lock, [&] { return release; });
                    ++lateReturns;
                    return {true, DateTime(1)};
                }
                return {true, DateTime(46100.5)};
            },
            [&](const Event& e) { log.Add(e); }, options);
        pool.Start();
        pool.Submit(1, PageAt("http://slow.test/stuck"));
        pool.Submit(2, PageAt("http://slow.test/fine"));
        ASSERT_TRUE(log.WaitForUpdated(2));
        auto events = log.Events();
        ASSERT_EQ(events.size(), 4u);
        EXPECT_EQ(events[1], (Event{Kind::PageUpdated, 1, false, DateTime(46100.25), "timed out"}));
        EXPECT_EQ(events[3], (Event{Kind::PageUpdated, 2, true, DateTime(46100.5)}));
        // The stuck check ends late: its answer is dropped.
        {
            std::lock_guard lock(mutex);
            release = true;
            cv.notify_all();
        }
        while (lateReturns == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pool.Submit(3, PageAt("http://slow.test/again"));
        ASSERT_TRUE(log.WaitForUpdated(3));
    }
    auto events = log.Events();
    EXPECT_EQ(EventLog::Count(events, Kind::PageUpdated), 3u);
}

TEST(CheckerPool, GivenUpAndStoppedChecksSeeTheirDeadlineAndEnd) {
    // The check works until its thread's deadline says stop, as loading and parsing do.
    std::atomic<int> started = 0, ended = 0;
    auto check = [&](const PageSnapshot&) -> CheckResult {
        ++started;
        while (!DeadlinePassed()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++ended;
        return {true, DateTime(1)};
    };
    auto waitFor = [](std::atomic<int>& counter, int count) {
        for (int i = 0; i < 10000 && counter < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return counter >= count;
    };
    EventLog log;
    PoolOptions options;
    options.workers = 1;
    options.limit = std::chrono::milliseconds(200);
    CheckerPool pool(check, [&](const Event& e) { log.Add(e); }, options);
    pool.Start();
    pool.Submit(1, PageAt("http://slow.test/a"));
    ASSERT_TRUE(log.WaitForUpdated(1));
    EXPECT_TRUE(waitFor(ended, 1));

    options.limit = std::chrono::hours(1);
    CheckerPool stopped(check, [](const Event&) {}, options);
    stopped.Start();
    stopped.Submit(1, PageAt("http://slow.test/b"));
    ASSERT_TRUE(waitFor(started, 2));
    stopped.Stop();
    EXPECT_TRUE(waitFor(ended, 2));
}

TEST(CheckerPool, ThrowingCheckCountsAsAFailedCheckStampedNow) {
    EventLog log;
    PoolOptions options;
    options.clock = [] { return DateTime(46100.25); };
    CheckerPool pool([](const PageSnapshot&) -> CheckResult { throw std::runtime_error("boom"); },
                     [&](const Event& e) { log.Add(e); }, options);
    pool.Start();
    pool.Submit(5, PageAt("http://x.test/", 46050.75));
    ASSERT_TRUE(log.WaitForUpdated(1));
    EXPECT_EQ(log.Events().back(), (Event{Kind::PageUpdated, 5, false, DateTime(46100.25), "check broke off: boom"}));
}

TEST(CheckerPool, NothingRunsBeforeStartAndNothingIsReportedAfterStop) {
    EventLog log;
    Gate gate;
    std::atomic<int> checks = 0;
    {
        PoolOptions options;
        options.workers = 1;
        CheckerPool pool(
            [&](const PageSnapshot& p) {
                ++checks;
                return gate.Pass(p);
            },
            [&](const Event& e) { log.Add(e); }, options);
        pool.Submit(1, PageAt("http://a.test/"));
        pool.Submit(2, PageAt("http://b.test/"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(checks, 0);
        pool.Start();
        ASSERT_TRUE(gate.WaitRunning(1));
        ASSERT_TRUE(log.WaitFor([](const auto& events) { return events.size() == 1; }));
        pool.Stop();
        pool.Submit(3, PageAt("http://c.test/"));
        gate.Open();
    }
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(log.Events().size(), 1u);
}

}  // namespace
}  // namespace pelmor::updater
