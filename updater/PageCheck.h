#pragma once

#include "updater/CheckerPool.h"

namespace pelmor::updater {

// The real check: rebuilds a free-standing page from the snapshot and asks
// InternetHandler::IsPageUpdated whether it or one of its frames changed. The answer's
// date is the page's LastCheckDate afterwards (stamped only when both copies loaded).
CheckResult CheckPageNow(const PageSnapshot& snapshot);

}  // namespace pelmor::updater
