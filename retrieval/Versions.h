// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Past versions of a watched page. Each time a check finds the live page different from
// the newest version kept, the checker keeps the live page as a new version: a copy in
// the saved copy's own format in the history folder of the page, named by the date of the
// check ("20261209-141600.html"), with the copies of its frames in a folder of the same
// name. The saved copy itself is not touched. At most "Keep versions" versions are kept
// per page; the oldest go first.
//
// A page's history folder is found from its saved copy: "History/<name of the saved copy
// without extension>" beside it, inside the cache folder. Versions are only ever written
// and deleted inside the current cache folder (CurrentCacheFolder).

#include <memory>
#include <string>
#include <vector>

#include "platform/core/DateTime.h"

namespace pelmor {

class InternetHandler;
class Page;

// One kept version of a page.
struct PageVersion {
    // Absolute path of the version's copy.
    std::string File;
    // When the check that kept it ran.
    DateTime Date;
};

// The history folder of the page whose saved copy is `savedFile`; "" for an empty path.
std::string HistoryFolder(const std::string& savedFile);

// The versions of the page whose saved copy is `savedFile`, oldest first; none when it
// has no history folder or it cannot be read. Other files in the folder are ignored.
std::vector<PageVersion> ListVersions(const std::string& savedFile);

// After a check of `page` by `handler` (with SetKeepLiveHTML on): keeps the live page as
// a new version dated `now` when it differs from the newest version kept (when none is
// kept yet, the caller calls only for a check that found a change), then drops the oldest
// versions beyond `keep`. Answers the new version's path, or "" when none was kept
// (`keep` 0, nothing new, a failure: logged).
std::string KeepVersion(InternetHandler& handler, const Page& page, int keep, DateTime now);

// Deletes the oldest versions of the page beyond `keep`, with their frames' copies.
void PruneVersions(const std::string& savedFile, int keep);

// Deletes every version of the page whose saved copy is `savedFile`, and its history
// folder once empty. Only files inside the current cache folder are deleted; failures are
// logged.
void RemoveVersions(const std::string& savedFile);

// How two versions differ, as the engine's edit script counts it.
struct VersionChanges {
    int Inserted = 0;
    int Updated = 0;
    int Removed = 0;
};

// How a version is marked: the page's comparison options and mark colours.
struct MarkOptions {
    bool ShowTimeDiff = false;
    bool ShowPics = false;
    bool ShowNumbers = false;
    std::string InsertColor = "#00FF00";
    std::string UpdateColor = "#FFFF00";
};

// The body of the copy `newer` with its changes against the copy `older` painted in (both
// saved copies or versions, by path), and the changes counted into `changes` when given.
// "" when either copy cannot be read, and on failure (logged).
std::string MarkVersion(const std::string& older, const std::string& newer, const MarkOptions& options,
                        VersionChanges* changes = nullptr);

// "Keep versions" as "Pelmor.ini" holds it now (section "Preferences", key
// "KeepVersions"); kDefaultKeepVersions (preferences/Settings.h) when missing or unreadable, bounded to
// 0..kMaxKeepVersions.
int KeepVersionsPreference();

}  // namespace pelmor
