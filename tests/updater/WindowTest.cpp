// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of checking, against a scripted checker program: which pages
// the timer and the manual checks hand over, what the answers do to the tree, the
// activity log and the profile file, and the checker's death and shutdown.

#include <gtest/gtest.h>

#include <csignal>

#include <QAction>
#include <QStatusBar>

#include "platform/log/Log.h"
#include "tests/updater/WindowFixture.h"

namespace pelmor::mainwindow {
namespace {

using test::CheckingWindow;
using test::SpinUntil;
using test::Bold;
using test::ForeColor;

DateTime At(int day, int hour, int minute) { return *DateTime::FromParts({2026, 3, day, hour, minute, 0}); }
const DateTime kNow = At(10, 12, 0);

std::shared_ptr<Page> AddPage(ItemList& list, const std::string& url, const std::string& description,
                              DateTime lastCheck = At(10, 11, 30)) {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetDescription(description);
    page->SetSavedFile("/nowhere/" + description + ".html");
    page->SetActive(true);
    page->SetPeriodTime(30);
    page->SetPeriodUnit(dfMinute);
    page->SetLastCheckDate(lastCheck);
    list.AddItem(page);
    return page;
}

std::shared_ptr<Folder> AddFolder(ItemList& list, const std::string& name, bool active = true) {
    auto folder = Folder::Create();
    folder->SetName(name);
    folder->SetActive(active);
    list.AddItem(folder);
    return folder;
}

std::vector<std::string> Sorted(std::vector<std::string> rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> Without(std::vector<std::string> rows, size_t first) {
    return {rows.begin() + static_cast<long>(std::min(first, rows.size())), rows.end()};
}

class CheckingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }
};

TEST_F(CheckingTest, TimerPassHandsOverDuePagesOnlyAndAnswersMarkTheTree) {
    CheckingWindow w(FAKE_CHECKER);
    auto root = Application::Create();
    root->SetActive(true);
    auto news = AddFolder(*root, "News");
    AddPage(*news, "http://due.test/changed", "Due");
    AddPage(*news, "http://notyet.test/", "NotYet", At(10, 11, 31));
    AddPage(*news, "http://future.test/", "Future")->SetStartDate(At(11, 0, 0));
    AddPage(*news, "http://off.test/", "Off")->SetActive(false);
    AddPage(*news, "http://ended.test/", "Ended")->SetEndDate(At(9, 0, 0));
    auto gone = AddPage(*news, "http://gone.test/", "Gone");
    gone->SetEndDate(At(9, 0, 0));
    gone->SetDeleteAtEnd(true);
    auto sleeping = AddFolder(*news, "Sleeping", false);
    AddPage(*sleeping, "http://asleep.test/", "Asleep");
    AddPage(*root, "http://other.test/", "Other", At(10, 13, 0));
    std::string goneFile = (w.home.Data() / "Files" / "77.html").string();
    gone->SetSavedFile(goneFile);
    test::WriteFile(goneFile, "<html></html>");

    w.Open(root, [] { return kNow; });
    ASSERT_NE(w.main->objUpdater(), nullptr);
    EXPECT_EQ(w.main->CheckTimer()->interval(), 20000);
    EXPECT_TRUE(w.main->CheckTimer()->isActive());
    auto dueKey = w.main->Pages().All().front()->Key();

    w.main->CheckForUpdates();
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_TRUE(w.main->CheckTimer()->isActive());
    // "Asleep" is due too: the timer looks at pages, not at their folders.
    EXPECT_EQ(Sorted(w.Rows()), (std::vector<std::string>{"Asleep|Checked", "Due|Updated", "Gone|Removed"}));

    // The page past its end with DeleteAtEnd left model, tree, cache and profile.
    EXPECT_EQ(w.PageOf(gone->Key()), nullptr);
    EXPECT_FALSE(w.Node(gone->Key()));
    EXPECT_FALSE(std::filesystem::exists(goneFile));
    auto saved = w.Saved();
    auto savedNews = std::static_pointer_cast<Folder>(saved->Items("News"));
    EXPECT_EQ(savedNews->ItemsCount(), 6);
    EXPECT_NE(w.PageOf(news->ItemAt(3)->Key()), nullptr);  // "Ended" stays

    // The updated page and every folder above it are red and bold; its row too.
    auto due = w.PageOf(dueKey);
    EXPECT_TRUE(due->Updated());
    EXPECT_EQ(due->LastCheckDate(), At(11, 11, 30));  // stamped by the checker
    for (const QModelIndex& node : {QModelIndex(w.Node(dueKey)), QModelIndex(w.Node("News")), w.main->Tree()->RootIndex()}) {
        EXPECT_EQ(ForeColor(node), 255);
        EXPECT_TRUE(Bold(node));
    }
    EXPECT_NE(ForeColor(w.Node("News\\Sleeping")), 255);
    auto* row = w.main->ActivityLog()->findItems("Due", Qt::MatchExactly).front();
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(row->foreground(column).color(), QColor(255, 0, 0));
        EXPECT_TRUE(row->font(column).bold());
    }
    auto* plain = w.main->ActivityLog()->findItems("Asleep", Qt::MatchExactly).front();
    EXPECT_NE(plain->foreground(1).color(), QColor(255, 0, 0));
    EXPECT_FALSE(plain->font(1).bold());
    auto savedDue = std::static_pointer_cast<Page>(savedNews->ItemAt(0));
    EXPECT_TRUE(savedDue->Updated());
    EXPECT_EQ(savedDue->LastCheckDate(), At(11, 11, 30));

    // "Check Now" hands over a page the timer would not.
    size_t before = w.Rows().size();
    w.main->Tree()->setCurrentIndex(w.Node(news->ItemAt(2)->Key()));
    w.main->Action("menuCheck")->trigger();
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(Without(w.Rows(), before), (std::vector<std::string>{"Future|Checked"}));

    // A folder check takes the active pages and skips the inactive folder below.
    before = w.Rows().size();
    w.main->Tree()->setCurrentIndex(w.Node("News"));
    w.main->Action("menuPageCheck")->trigger();
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(Sorted(Without(w.Rows(), before)),
              (std::vector<std::string>{"Due|Updated", "Ended|Checked", "Future|Checked", "NotYet|Checked"}));

    // Checking the root checks every active page, wherever it is.
    before = w.Rows().size();
    w.main->CheckItemNow(w.main->Tree()->RootIndex());
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(Without(w.Rows(), before).size(), 6u);
    EXPECT_TRUE(w.main->CheckTimer()->isActive());
}

TEST_F(CheckingTest, APageThatEndsDeletesNothingOutsideTheCacheFolder) {
    CheckingWindow w(FAKE_CHECKER);
    auto root = Application::Create();
    root->SetActive(true);
    auto planted = AddPage(*root, "http://planted.test/", "Planted");
    planted->SetEndDate(At(9, 0, 0));
    planted->SetDeleteAtEnd(true);
    const auto important = w.home.Root() / "important.txt";
    const auto victim = w.home.Root() / "victim" / "frame.txt";
    planted->SetSavedFile(important.string());
    planted->AddFrame("http://planted.test/f", (w.home.Data() / "Files" / ".." / ".." / "victim" / "frame.txt").string());
    test::WriteFile(important, "keep");
    test::WriteFile(victim, "keep");

    w.Open(root, [] { return kNow; });
    w.main->CheckForUpdates();
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(w.Rows(), (std::vector<std::string>{"Planted|Removed"}));
    EXPECT_EQ(test::ReadFile(important), "keep");
    EXPECT_EQ(test::ReadFile(victim), "keep");
    EXPECT_NE(test::ReadFile(log::PathOf(log::File::Helper)).find("Refused to delete"), std::string::npos);
}

TEST_F(CheckingTest, APassWritesTheProfileAFewTimesAndUnloadWritesWhatIsPending) {
    CheckingWindow w(FAKE_CHECKER);
    auto root = Application::Create();
    root->SetActive(true);
    for (int i = 0; i < 40; ++i) AddPage(*root, "http://p" + std::to_string(i) + ".test/changed", "P" + std::to_string(i));
    w.Open(root, [] { return kNow; });
    auto writes = [] {
        std::string text = test::ReadFile(log::PathOf(log::File::Program));
        size_t count = 0;
        for (size_t at = text.find("SaveItems entered"); at != std::string::npos; at = text.find("SaveItems entered", at + 1))
            ++count;
        return count;
    };
    size_t before = writes();
    w.main->CheckForUpdates();
    ASSERT_TRUE(w.WaitIdle());
    w.main->close();
    EXPECT_LE(writes() - before, 3u);
    auto saved = w.Saved();
    ASSERT_EQ(saved->ItemsCount(), 40);
    for (const std::shared_ptr<Item>& item : saved->Items())
        EXPECT_TRUE(std::static_pointer_cast<Page>(item)->Updated()) << item->Key();
}

TEST_F(CheckingTest, PageRemovedWhileCheckedAndCheckerKilledMidPass) {
    CheckingWindow w(FAKE_CHECKER);
    auto root = Application::Create();
    root->SetActive(true);
    auto slow = AddPage(*root, "http://slow.test/a", "Slow");
    AddPage(*root, "http://slow.test/b", "SlowToo");
    AddPage(*root, "http://slow.test/c", "SlowThree");
    w.Open(root, [] { return kNow; });
    auto* updater = w.main->objUpdater();

    auto page = w.PageOf(slow->Key());
    w.main->UpdatePage(page);
    w.main->UpdatePage(page);  // still in flight: not handed over twice
    EXPECT_EQ(updater->InFlightCount(), 1);
    ASSERT_TRUE(SpinUntil([&] { return w.main->statusBar()->currentMessage() == "Checking Slow for updates"; }));
    // The page leaves the tree while it is checked.
    auto taken = w.PageOf(slow->Key());
    taken->Parent()->RemoveItem(taken->Key());
    w.main->ItemTakenOut(*taken);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_TRUE(w.Rows().empty());
    auto log = test::ReadFile(log::PathOf(log::File::Program));
    EXPECT_NE(log.find("Checking Slow for updates"), std::string::npos);
    EXPECT_NE(log.find("Slow Checked"), std::string::npos);

    // The checker dies in the middle of a pass; a new one takes over and the next pass
    // hands the lost pages over again.
    w.main->CheckForUpdates();
    EXPECT_EQ(updater->InFlightCount(), 2);  // "Slow" was stamped by its check
    ASSERT_TRUE(SpinUntil([&] { return w.main->statusBar()->currentMessage().startsWith("Checking"); }));
    ASSERT_EQ(::kill(updater->GetProcessHandle(), SIGKILL), 0);
    ASSERT_TRUE(SpinUntil([&] { return updater->Restarts() == 1; }));
    EXPECT_EQ(updater->InFlightCount(), 0);
    w.main->CheckForUpdates();
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(Sorted(w.Rows()), (std::vector<std::string>{"SlowThree|Checked", "SlowToo|Checked"}));
}

TEST_F(CheckingTest, ClosingTheWindowEndsTheCheckerEvenWhenItWillNotStop) {
    for (bool stubborn : {false, true}) {
        if (stubborn) qputenv("FAKE_CHECKER_HANG", "1");
        CheckingWindow w(FAKE_CHECKER);
        auto root = Application::Create();
        root->SetActive(true);
        w.Open(root);
        int32_t pid = w.main->objUpdater()->GetProcessHandle();
        ASSERT_GT(pid, 0);
        QElapsedTimer timer;
        timer.start();
        w.main->close();
        EXPECT_LT(timer.elapsed(), 4000);
        EXPECT_EQ(w.main->objUpdater(), nullptr);
        EXPECT_FALSE(w.main->CheckTimer()->isActive());
        EXPECT_TRUE(SpinUntil([&] { return ::kill(pid, 0) != 0; }, 5000)) << "checker still running";
        auto log = test::ReadFile(log::PathOf(log::File::Program));
        auto stopped = log.find("Updater stopped");
        ASSERT_NE(stopped, std::string::npos);
        EXPECT_NE(log.find("Updater killed", stopped), std::string::npos);
        qunsetenv("FAKE_CHECKER_HANG");
    }
}

}  // namespace
}  // namespace pelmor::mainwindow
