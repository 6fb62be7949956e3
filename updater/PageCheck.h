#pragma once

#include "updater/CheckerPool.h"

namespace pelmor::updater {

// The real check: rebuilds a free-standing page from the snapshot and asks
// InternetHandler::IsPageUpdated whether it or one of its frames changed. A check that
// could not compare (a copy that did not load) answers why, and counts as a check: its
// date is the time it failed, so the page waits a full period before the next try.
CheckResult CheckPageNow(const PageSnapshot& snapshot);

}  // namespace pelmor::updater
