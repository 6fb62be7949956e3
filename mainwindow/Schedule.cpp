// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Schedule.h"

#include <algorithm>

#include "items/Folder.h"

namespace pelmor::mainwindow {

namespace {
// One millisecond in days.
constexpr double kSameMoment = 1.0 / 86400000.0;
}  // namespace

double PeriodInDays(int periodTime, dfUnits periodUnit) {
    switch (periodUnit) {
    case dfMinute: return periodTime / 1440.0;
    case dfHour: return periodTime / 24.0;
    case dfDay: return static_cast<double>(periodTime);
    }
    return 0.0;
}

DueAction ScheduleAction(const Page& page, DateTime now) {
    if (now < page.StartDate()) return DueAction::Wait;
    if (page.EndDate().Days() > 0 && now > page.EndDate())
        return page.DeleteAtEnd() ? DueAction::Remove : DueAction::Ended;
    if (!page.Active()) return DueAction::Wait;
    DateTime due = page.LastCheckDate() + CheckInterval(page);
    return due - now <= kSameMoment ? DueAction::Check : DueAction::Wait;
}

double RetryDelayInDays(int failedChecks) {
    if (failedChecks <= 0) return 0.0;
    if (failedChecks == 1) return 5 / 1440.0;
    if (failedChecks == 2) return 15 / 1440.0;
    return 1 / 24.0;
}

double CheckInterval(const Page& page) {
    const double period = PeriodInDays(page.PeriodTime(), page.PeriodUnit());
    if (!page.Failing()) return period;
    return std::min(period, RetryDelayInDays(page.FailedChecks()));
}

std::vector<std::shared_ptr<Item>> ItemsOf(const ItemList& list) {
    auto items = list.Items();
    return {items.begin(), items.end()};
}

std::vector<std::shared_ptr<Frame>> FramesOf(const FrameList& frames) { return frames.Frames(); }

namespace {
void CollectFolderPages(const ItemList& list, std::vector<std::shared_ptr<Page>>& pages) {
    for (const auto& item : ItemsOf(list)) {
        if (!item || !item->Active()) continue;
        if (item->IsPage())
            pages.push_back(std::static_pointer_cast<Page>(item));
        else
            CollectFolderPages(*std::static_pointer_cast<Folder>(item), pages);
    }
}
}  // namespace

std::vector<std::shared_ptr<Page>> FolderCheckPages(const ItemList& folder) {
    std::vector<std::shared_ptr<Page>> pages;
    CollectFolderPages(folder, pages);
    return pages;
}

std::vector<std::shared_ptr<Page>> ActivePages(const std::vector<std::shared_ptr<Page>>& pages) {
    std::vector<std::shared_ptr<Page>> active;
    for (const auto& page : pages)
        if (page && page->Active()) active.push_back(page);
    return active;
}

}  // namespace pelmor::mainwindow
