// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Adding a page or a folder to the tree of the main window, for every caller: the
// window's own dialogs, the import of bookmarks and the bus object that a browser
// toolbar talks to. frmMain implements it; the calls run on the window thread.

#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "items/Application.h"
#include "items/NewItems.h"

namespace pelmor::mainwindow {

// How an add tells about a refusal ("Page already exists") or a failed download: in
// message boxes, or only in the status bar, the activity log and the program log (for
// callers with nobody in front of the screen).
enum class AddFeedback { Messages, Quiet };

// Called once, on the window thread, when an add of a page has ended: the new page, or
// null when nothing was added.
using PageAdded = std::function<void(const std::shared_ptr<Page>& page)>;

class ItemAdder {
public:
    // Validates the address (GetValidURL), refuses an address the folder holds already,
    // then starts downloading the page and its frames into a new saved copy of the cache
    // folder on another thread behind the wait window (the main window disabled and the
    // check timer stopped meanwhile) and returns. When the download has ended the page is
    // added to `folder` (the Application or a Folder) with the defaults of a new page, to
    // the tree (selected) and to the profile file, with the activity log row "Added", and
    // `done` gets it. An empty description becomes the page's title when
    // `detectTitle`, else the URL's host. The period follows the period rule. `done`
    // gets null on every failure, when the folder left the tree meanwhile, and when the
    // window closes first; nothing is left behind then (no item, no node, no saved copy).
    // Several adds may run at once; each ends on its own.
    virtual void AddPageToFolder(const std::shared_ptr<ItemList>& folder, const std::string& url,
                                 const std::string& description, bool detectTitle, int periodTime, dfUnits periodUnit,
                                 AddFeedback feedback = AddFeedback::Messages, PageAdded done = {}) = 0;

    // Adds a folder named `name` to `folder` (active as its parent), to the tree
    // (selected) and to the profile file, with the activity log row "Added". Null when
    // the parent is missing, the name empty, or the parent holds that name already.
    virtual std::shared_ptr<Folder> AddSubfolderToFolder(const std::shared_ptr<ItemList>& folder,
                                                         const std::string& name, const std::string& description,
                                                         int PeriodTime, dfUnits PeriodUnit,
                                                         AddFeedback feedback = AddFeedback::Messages) = 0;

protected:
    ~ItemAdder() = default;
};

// What the page dialog and the details panel say to an address that is no web address.
inline constexpr const char* kInvalidURLText = QT_TRANSLATE_NOOP("frmAddURL", "This is not a valid web address.");

}  // namespace pelmor::mainwindow
