#include "updater/PageCheck.h"

#include "retrieval/InternetHandler.h"

namespace pelmor::updater {

CheckResult CheckPageNow(const PageSnapshot& snapshot) {
    auto page = RebuildPage(snapshot);
    InternetHandler handler;
    bool updated = handler.IsPageUpdated(page);
    std::string failure = updated ? std::string() : handler.LastCheckFailure();
    if (!failure.empty()) page->SetLastCheckDate(DateTime::Now());
    return {updated, page->LastCheckDate(), failure};
}

}  // namespace pelmor::updater
