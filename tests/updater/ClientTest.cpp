// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "mainwindow/Updater.h"
#include "platform/log/Log.h"
#include "tests/support/TempHome.h"
#include "tests/updater/Spin.h"

namespace pelmor::mainwindow {
namespace {

using test::SpinUntil;

std::shared_ptr<Page> MakePage(const std::string& url, double lastCheck = 46000.5) {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetSavedFile("/nowhere/1.html");
    page->SetDescription(url);
    page->SetLastCheckDate(DateTime(lastCheck));
    return page;
}

struct Seen {
    std::vector<std::string> order;  // "start:URL" / "end:URL"
    std::map<Page*, bool> updated;
    std::map<Page*, DateTime> dateAtSignal;
};

class UpdaterClient : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_updater_client";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }
    void SetUp() override { qunsetenv("FAKE_CHECKER_HANG"); }

    void Watch(Updater& updater, Seen& seen) {
        QObject::connect(&updater, &Updater::PageStartCheck, [&seen](std::shared_ptr<Page> page) {
            seen.order.push_back("start:" + page->URL());
        });
        QObject::connect(&updater, &Updater::PageUpdated, [&seen](std::shared_ptr<Page>& page, bool updated) {
            seen.order.push_back("end:" + page->URL());
            seen.updated[page.get()] = updated;
            seen.dateAtSignal[page.get()] = page->LastCheckDate();
        });
    }

    test::TempHome home_;
};

TEST_F(UpdaterClient, PagesAreCheckedAndAnswersReachTheRealPages) {
    Updater updater(FAKE_CHECKER);
    Seen seen;
    Watch(updater, seen);
    updater.StartChecking();
    ASSERT_GT(updater.GetProcessHandle(), 0);
    auto changed = MakePage("http://a.test/changed", 46000.25);
    auto same = MakePage("http://b.test/same", 46010.0);
    auto noisy = MakePage("http://c.test/noise", 46020.0);
    for (const auto& page : {changed, same, noisy}) EXPECT_TRUE(updater.CheckPage(page));
    ASSERT_TRUE(SpinUntil([&] { return seen.updated.size() == 3; }));
    EXPECT_EQ(updater.InFlightCount(), 0);
    EXPECT_TRUE(seen.updated[changed.get()]);
    EXPECT_FALSE(seen.updated[same.get()]);
    EXPECT_FALSE(seen.updated[noisy.get()]);
    // The stamp is on the page before the handler runs.
    EXPECT_EQ(seen.dateAtSignal[changed.get()], DateTime(46001.25));
    EXPECT_EQ(seen.dateAtSignal[same.get()], DateTime(46011.0));
    for (const auto& page : {changed, same, noisy}) {
        auto start = std::find(seen.order.begin(), seen.order.end(), "start:" + page->URL());
        auto end = std::find(seen.order.begin(), seen.order.end(), "end:" + page->URL());
        EXPECT_LT(start, end) << page->URL();
    }
    // The broken line the checker wrote was logged and skipped.
    auto log = test::ReadFile(log::PathOf(log::File::Program));
    EXPECT_NE(log.find("Checker answer skipped"), std::string::npos) << log;
    updater.StopChecking();
    EXPECT_TRUE(updater.EndProcess());
}

TEST_F(UpdaterClient, PageStillBeingCheckedIsNotHandedOverAgain) {
    Updater updater(FAKE_CHECKER);
    Seen seen;
    Watch(updater, seen);
    updater.StartChecking();
    auto slow = MakePage("http://a.test/slow");
    EXPECT_TRUE(updater.CheckPage(slow));
    EXPECT_FALSE(updater.CheckPage(slow));
    EXPECT_TRUE(updater.IsInFlight(*slow));
    EXPECT_FALSE(updater.CheckPage(nullptr));
    ASSERT_TRUE(SpinUntil([&] { return seen.updated.size() == 1; }));
    EXPECT_EQ(std::count(seen.order.begin(), seen.order.end(), "end:http://a.test/slow"), 1);
    EXPECT_TRUE(updater.CheckPage(slow));
    ASSERT_TRUE(SpinUntil([&] { return updater.InFlightCount() == 0; }));
}

TEST_F(UpdaterClient, PageDroppedByTheTreeStillGetsItsAnswerThenGoes) {
    Updater updater(FAKE_CHECKER);
    std::weak_ptr<Page> watched;
    DateTime stamped;
    bool answered = false;
    QObject::connect(&updater, &Updater::PageUpdated, [&](std::shared_ptr<Page>& page, bool) {
        stamped = page->LastCheckDate();
        answered = true;
        page = nullptr;  // what the window does for a page without a node
    });
    updater.StartChecking();
    {
        auto page = MakePage("http://a.test/slow/changed", 46000.0);
        watched = page;
        ASSERT_TRUE(updater.CheckPage(page));
    }
    EXPECT_FALSE(watched.expired());
    ASSERT_TRUE(SpinUntil([&] { return answered; }));
    EXPECT_EQ(stamped, DateTime(46001.0));
    EXPECT_TRUE(watched.expired());
}

TEST_F(UpdaterClient, KilledCheckerIsReplacedAndItsPagesAreDueAgain) {
    Updater updater(FAKE_CHECKER);
    Seen seen;
    Watch(updater, seen);
    int restarted = 0;
    QObject::connect(&updater, &Updater::CheckerRestarted, [&] { ++restarted; });
    updater.StartChecking();
    std::vector<std::shared_ptr<Page>> pages;
    for (int i = 0; i < 6; ++i) pages.push_back(MakePage("http://h" + std::to_string(i) + ".test/slow"));
    for (const auto& page : pages) ASSERT_TRUE(updater.CheckPage(page));
    ASSERT_TRUE(SpinUntil([&] { return !seen.order.empty(); }));
    int32_t first = updater.GetProcessHandle();
    ASSERT_EQ(::kill(first, SIGKILL), 0);
    ASSERT_TRUE(SpinUntil([&] { return restarted == 1; }));
    EXPECT_NE(updater.GetProcessHandle(), first);
    EXPECT_EQ(updater.Restarts(), 1);
    EXPECT_EQ(updater.InFlightCount(), 0);
    EXPECT_TRUE(seen.updated.empty());
    for (const auto& page : pages) EXPECT_TRUE(updater.CheckPage(page));
    ASSERT_TRUE(SpinUntil([&] { return seen.updated.size() == pages.size(); }));
    auto log = test::ReadFile(log::PathOf(log::File::Program));
    EXPECT_NE(log.find("Updater died; starting a new one"), std::string::npos) << log;
}

TEST_F(UpdaterClient, NothingArrivesAfterStopAndTheProcessEndsForSure) {
    {
        Updater updater(FAKE_CHECKER);
        Seen seen;
        Watch(updater, seen);
        updater.StartChecking();
        ASSERT_TRUE(updater.CheckPage(MakePage("http://a.test/slow")));
        ASSERT_TRUE(SpinUntil([&] { return !seen.order.empty(); }));
        updater.StopChecking();
        EXPECT_FALSE(updater.CheckPage(MakePage("http://b.test/")));
        EXPECT_TRUE(updater.EndProcess(5000));
        SpinUntil([] { return false; }, 300);
        EXPECT_TRUE(seen.updated.empty());
        EXPECT_EQ(updater.Restarts(), 0);
    }
    qputenv("FAKE_CHECKER_HANG", "1");
    Updater stubborn(FAKE_CHECKER);
    stubborn.StartChecking();
    int32_t pid = stubborn.GetProcessHandle();
    ASSERT_GT(pid, 0);
    stubborn.StopChecking();
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(stubborn.EndProcess(1000));
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_NE(::kill(pid, 0), 0);  // gone (reaped by the wait)
}

TEST_F(UpdaterClient, ACheckerThatCannotStartIsReportedWithoutWaiting) {
    Updater updater(QString::fromStdString(home_.Root().string() + "/no-such-checker"));
    QElapsedTimer timer;
    timer.start();
    updater.StartChecking();
    EXPECT_LT(timer.elapsed(), 1000);
    ASSERT_TRUE(SpinUntil([] {
        return test::ReadFile(log::PathOf(log::File::Program)).find("Updater could not be started") !=
               std::string::npos;
    }));
    EXPECT_EQ(updater.GetProcessHandle(), 0);
}

}  // namespace
}  // namespace pelmor::mainwindow
