// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// When pages are due: the period of a page in days, what the check timer does with one
// page at a given moment, and which pages the manual checks hand over. No clock is read
// here; callers pass the moment, so the rules can be tried at any time.

#include <functional>
#include <memory>
#include <vector>

#include "items/ItemList.h"
#include "items/Page.h"
#include "platform/core/DateTime.h"

namespace pelmor::mainwindow {

// The source of "now" for the schedule; DateTime::Now in the program.
using Clock = std::function<DateTime()>;

// The period in days: minutes / 1440, hours / 24, days as they are; 0 for any other unit.
double PeriodInDays(int periodTime, dfUnits periodUnit);

// How long a page that failed `failedChecks` times in a row waits before the next try:
// 5 minutes after the first failure, 15 after the second, an hour after that; 0 when it
// did not fail.
double RetryDelayInDays(int failedChecks);
// The time from one check of the page to the next, in days: its period, or the retry
// delay when its last check failed and that is shorter.
double CheckInterval(const Page& page);

enum class DueAction {
    Wait,    // before its first day, inactive, or not due yet
    Ended,   // past its last day: never checked again
    Remove,  // past its last day with DeleteAtEnd: to be removed
    Check,   // due: hand it to the checker
};

// What the check timer does with a page at `now`. A page is due when LastCheckDate plus
// its CheckInterval is at or before now (a due time within a millisecond of now counts as now,
// so rounding in day fractions never costs a tick).
DueAction ScheduleAction(const Page& page, DateTime now);

// The items of a list, and the direct frames of a page or frame, in their order.
std::vector<std::shared_ptr<Item>> ItemsOf(const ItemList& list);
std::vector<std::shared_ptr<Frame>> FramesOf(const FrameList& frames);

// The pages a folder check hands over, in order: every active page of the list, and of
// every active folder below it; an inactive folder is skipped with everything below it.
std::vector<std::shared_ptr<Page>> FolderCheckPages(const ItemList& folder);

// The active pages among `pages`, in their order.
std::vector<std::shared_ptr<Page>> ActivePages(const std::vector<std::shared_ptr<Page>>& pages);

}  // namespace pelmor::mainwindow
