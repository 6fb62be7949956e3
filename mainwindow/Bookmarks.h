// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's browser bookmarks, read as trees of folders and pages: Firefox profiles
// (places.sqlite, read from a copy since a running Firefox keeps it locked), Chromium and
// Chrome profiles (the "Bookmarks" JSON file), and bookmarks HTML files as browsers export
// them. Only addresses that can be watched (http, https, ftp) are kept; empty folders stay.

#include <QString>
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

// The home folder searched for browser profiles: $PELMOR_HOME in tests, else $HOME.
QString BookmarkHome();
// Every store found under `home`, Firefox first, then Chromium, then Chrome, each in
// the order of its profile folders' names.
std::vector<BookmarkStore> FindBookmarkStores(const QString& home);

// A store read as one folder named after the store. Throws Failure with a description
// for the user when the file cannot be read or is not a store of that kind.
BookmarkNode ReadBookmarkStore(const BookmarkStore& store);
BookmarkNode ReadFirefoxBookmarks(const QString& placesFile);
BookmarkNode ReadChromiumBookmarks(const QString& bookmarksFile);
BookmarkNode ReadBookmarksHtml(const QString& htmlFile);

// True for the addresses an import keeps.
bool IsWatchableURL(const QString& url);

}  // namespace pelmor::mainwindow
