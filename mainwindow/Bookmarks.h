// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's browser bookmarks, read as trees of folders and pages: Firefox profiles
// (places.sqlite, read from a copy since a running Firefox keeps it locked), Chromium and
// Chrome profiles (the "Bookmarks" JSON file), and bookmarks HTML files as browsers export
// them. Only addresses that can be watched (http, https, ftp) are kept; empty folders stay.

#include <QString>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

namespace pelmor::mainwindow {

struct BookmarkNode {
    QString Title;
    QString URL;  // empty for a folder
    bool Folder = false;
    std::vector<BookmarkNode> Children;
};

struct BookmarkStore {
    enum class Kind { Firefox, Chromium, Html };
    Kind StoreKind = Kind::Html;
    QString Name;  // as the tree shows it, such as "Firefox (default-release)"
    QString Path;  // the store's file
};

// The bounds of one reading, which runs on a thread of its own: a time limit, a cap on
// the entries read, and a flag the window thread sets to stop it. A reading past a bound
// throws Failure with a description for the user.
struct ReadLimits {
    static constexpr std::chrono::milliseconds kDefaultTime{10000};
    static constexpr std::size_t kDefaultEntries = 200000;
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now() + kDefaultTime;
    std::chrono::milliseconds time = kDefaultTime;
    std::size_t maxEntries = kDefaultEntries;
    std::shared_ptr<const std::atomic<bool>> cancelled;

    // Starts the clock: the reading may take `limit` from now.
    static ReadLimits For(std::chrono::milliseconds limit, std::shared_ptr<const std::atomic<bool>> cancelled = {});
    // True once the reading must stop (cheap enough to ask often).
    bool Over() const;
    // Empty while the reading may go on; else why it must stop.
    QString Exceeded() const;
};

// The home folder searched for browser profiles: $PELMOR_HOME in tests, else $HOME.
QString BookmarkHome();
// Every store found under `home`, Firefox first, then Chromium, then Chrome, each in
// the order of its profile folders' names.
std::vector<BookmarkStore> FindBookmarkStores(const QString& home);

// A store read as one folder named after the store. Throws Failure with a description
// for the user when the file cannot be read or is not a store of that kind.
// Each reading stays within `limits`.
BookmarkNode ReadBookmarkStore(const BookmarkStore& store, const ReadLimits& limits = {});
BookmarkNode ReadFirefoxBookmarks(const QString& placesFile, const ReadLimits& limits = {});
BookmarkNode ReadChromiumBookmarks(const QString& bookmarksFile, const ReadLimits& limits = {});
BookmarkNode ReadBookmarksHtml(const QString& htmlFile, const ReadLimits& limits = {});

// True for the addresses an import keeps.
bool IsWatchableURL(const QString& url);

}  // namespace pelmor::mainwindow
