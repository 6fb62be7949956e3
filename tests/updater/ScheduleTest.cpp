// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "items/Application.h"
#include "mainwindow/Schedule.h"

namespace pelmor::mainwindow {
namespace {

DateTime At(int day, int hour, int minute, int second = 0) {
    return *DateTime::FromParts({2026, 3, day, hour, minute, second});
}

std::shared_ptr<Page> PageEvery(int time, dfUnits unit, DateTime lastCheck, const std::string& url = "http://a.test/") {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetActive(true);
    page->SetPeriodTime(static_cast<int16_t>(time));
    page->SetPeriodUnit(unit);
    page->SetLastCheckDate(lastCheck);
    return page;
}

TEST(Schedule, PeriodInDays) {
    EXPECT_DOUBLE_EQ(PeriodInDays(1, dfMinute), 1.0 / 1440);
    EXPECT_DOUBLE_EQ(PeriodInDays(3, dfHour), 0.125);
    EXPECT_DOUBLE_EQ(PeriodInDays(2, dfDay), 2.0);
    EXPECT_DOUBLE_EQ(PeriodInDays(5, static_cast<dfUnits>(7)), 0.0);
}

TEST(Schedule, DueExactlyAtTheEndOfThePeriodInEveryUnit) {
    struct Case {
        int time;
        dfUnits unit;
        DateTime last, justBefore, due;
    };
    const Case cases[] = {
        {30, dfMinute, At(10, 10, 0), At(10, 10, 29, 59), At(10, 10, 30)},
        {1, dfMinute, At(10, 23, 59), At(10, 23, 59, 59), At(11, 0, 0)},
        {2, dfHour, At(10, 11, 17), At(10, 13, 16, 59), At(10, 13, 17)},
        {3, dfDay, At(10, 9, 45), At(13, 9, 44, 59), At(13, 9, 45)},
    };
    for (const auto& c : cases) {
        auto page = PageEvery(c.time, c.unit, c.last);
        EXPECT_EQ(ScheduleAction(*page, c.justBefore), DueAction::Wait) << c.time << " " << c.unit;
        EXPECT_EQ(ScheduleAction(*page, c.due), DueAction::Check) << c.time << " " << c.unit;
        EXPECT_EQ(ScheduleAction(*page, c.due + 1.0), DueAction::Check);
    }
    // A page never checked is due at once; an unknown unit means every tick.
    EXPECT_EQ(ScheduleAction(*PageEvery(1, dfDay, DateTime()), At(1, 0, 0)), DueAction::Check);
    EXPECT_EQ(ScheduleAction(*PageEvery(9, static_cast<dfUnits>(3), At(10, 10, 0)), At(10, 10, 0)), DueAction::Check);
}

TEST(Schedule, AFailingPageIsTriedAgainAfter5Then15ThenEvery60MinutesNeverLaterThanItsPeriod) {
    auto daily = PageEvery(1, dfDay, At(10, 10, 0));
    const int waits[] = {5, 15, 60, 60};
    for (int wait : waits) {
        daily->SetCheckOutcome("No answer within 7.5 seconds", At(10, 10, 0));
        EXPECT_EQ(ScheduleAction(*daily, At(10, 10, 0) + (wait - 1) / 1440.0), DueAction::Wait) << wait;
        EXPECT_EQ(ScheduleAction(*daily, At(10, 10, 0) + wait / 1440.0), DueAction::Check) << wait;
    }
    daily->SetCheckOutcome("", At(10, 10, 0));  // loaded again: back to its period
    EXPECT_EQ(ScheduleAction(*daily, At(10, 12, 0)), DueAction::Wait);
    auto quick = PageEvery(2, dfMinute, At(10, 10, 0));
    quick->SetCheckOutcome("Not a web address", At(10, 10, 0));
    EXPECT_EQ(ScheduleAction(*quick, At(10, 10, 2)), DueAction::Check);
}

TEST(Schedule, FirstAndLastDayAndActiveFlag) {
    auto page = PageEvery(1, dfMinute, At(1, 0, 0));
    page->SetStartDate(At(12, 0, 0));
    EXPECT_EQ(ScheduleAction(*page, At(11, 23, 59)), DueAction::Wait);
    EXPECT_EQ(ScheduleAction(*page, At(12, 0, 0)), DueAction::Check);

    page->SetEndDate(At(20, 0, 0));
    EXPECT_EQ(ScheduleAction(*page, At(20, 0, 0)), DueAction::Check);
    EXPECT_EQ(ScheduleAction(*page, At(20, 0, 1)), DueAction::Ended);
    page->SetDeleteAtEnd(true);
    EXPECT_EQ(ScheduleAction(*page, At(20, 0, 1)), DueAction::Remove);
    EXPECT_EQ(ScheduleAction(*page, At(19, 12, 0)), DueAction::Check);

    // Past the end, an inactive page is still removed; before it, it just waits.
    page->SetActive(false);
    EXPECT_EQ(ScheduleAction(*page, At(21, 0, 0)), DueAction::Remove);
    EXPECT_EQ(ScheduleAction(*page, At(19, 12, 0)), DueAction::Wait);
}

TEST(Schedule, FolderCheckSkipsInactiveFoldersWithEverythingBelow) {
    auto root = Application::Create();
    auto outer = Folder::Create();
    outer->SetName("Outer");
    outer->SetActive(true);
    root->AddItem(outer);
    auto one = PageEvery(1, dfDay, {}, "http://one.test/");
    auto off = PageEvery(1, dfDay, {}, "http://off.test/");
    off->SetActive(false);
    auto sleeping = Folder::Create();
    sleeping->SetName("Sleeping");
    auto hidden = PageEvery(1, dfDay, {}, "http://hidden.test/");
    auto awake = Folder::Create();
    awake->SetName("Awake");
    awake->SetActive(true);
    auto deep = PageEvery(1, dfDay, {}, "http://deep.test/");
    outer->AddItem(one);
    outer->AddItem(off);
    outer->AddItem(sleeping);
    sleeping->AddItem(hidden);
    outer->AddItem(awake);
    awake->AddItem(deep);
    auto top = PageEvery(1, dfDay, {}, "http://top.test/");
    root->AddItem(top);

    EXPECT_EQ(FolderCheckPages(*outer), (std::vector<std::shared_ptr<Page>>{one, deep}));
    EXPECT_EQ(FolderCheckPages(*root), (std::vector<std::shared_ptr<Page>>{one, deep, top}));
    // The folder asked for is checked even when it is switched off itself.
    EXPECT_EQ(FolderCheckPages(*sleeping), (std::vector<std::shared_ptr<Page>>{hidden}));
    EXPECT_EQ(ActivePages({one, off, hidden, nullptr, top}), (std::vector<std::shared_ptr<Page>>{one, hidden, top}));
}

}  // namespace
}  // namespace pelmor::mainwindow
