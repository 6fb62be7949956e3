// SPDX-License-Identifier: GPL-3.0-or-later
#include "updater/PageCheck.h"

#include <filesystem>

#include "platform/html/Html.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Versions.h"

namespace pelmor::updater {

CheckResult CheckPageNow(const PageSnapshot& snapshot) {
    auto page = RebuildPage(snapshot);
    InternetHandler handler;
    const int keep = KeepVersionsPreference();
    handler.SetKeepLiveHTML(keep > 0);
    bool updated = handler.IsPageUpdated(page);
    std::string failure = updated ? std::string() : handler.LastCheckFailure();
    if (!failure.empty()) page->SetLastCheckDate(DateTime::Now());
    // A page found unchanged against its saved copy may still differ from the newest
    // version (it went back to what it was): KeepVersion compares it with that.
    if (updated || (failure.empty() && keep > 0 && !ListVersions(page->SavedFile()).empty()))
        KeepVersion(handler, *page, keep, DateTime::Now());
    return {updated, page->LastCheckDate(), failure};
}

namespace {

// Two documents the size of the saved copy: the copy and the live page.
size_t PairEstimate(const std::string& savedFile) {
    std::error_code error;
    auto size = std::filesystem::file_size(savedFile, error);
    return 2 * html::Document::MemoryEstimate(error ? 0 : static_cast<size_t>(size));
}

size_t FramesEstimate(const std::vector<FrameSnapshot>& frames) {
    size_t total = 0;
    for (const FrameSnapshot& frame : frames) total += PairEstimate(frame.SavedFile) + FramesEstimate(frame.Frames);
    return total;
}

}  // namespace

size_t EstimateCheckMemory(const PageSnapshot& snapshot) {
    return PairEstimate(snapshot.SavedFile) + FramesEstimate(snapshot.Frames);
}

}  // namespace pelmor::updater
