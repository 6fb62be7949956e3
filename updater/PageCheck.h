// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updater/CheckerPool.h"

namespace pelmor::updater {

// The real check: rebuilds a free-standing page from the snapshot and asks
// InternetHandler::IsPageUpdated whether it or one of its frames changed. A check that
// could not compare (a copy that did not load) answers why, and counts as a check: its
// date is the time it failed; the schedule tries a failing page again sooner than its
// period (mainwindow/Schedule.h).
CheckResult CheckPageNow(const PageSnapshot& snapshot);

// The memory a check of the page may take: its saved copies (page and frames) parsed
// and compared with live pages of the same size. A copy that cannot be read counts as
// empty; the check charges what it finds bigger as it goes.
size_t EstimateCheckMemory(const PageSnapshot& snapshot);

}  // namespace pelmor::updater
