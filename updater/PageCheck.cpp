#include "updater/PageCheck.h"

#include "retrieval/InternetHandler.h"

namespace pelmor::updater {

CheckResult CheckPageNow(const PageSnapshot& snapshot) {
    auto page = RebuildPage(snapshot);
    InternetHandler handler;
    bool updated = handler.IsPageUpdated(page);
    return {updated, page->LastCheckDate()};
}

}  // namespace pelmor::updater
