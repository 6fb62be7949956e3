// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pieces of showing a page with its changes marked: the marked HTML made off the
// window thread, writing it into the browser's document and into each of its frames, and
// a record of the saved copies replaced on the way, so that a display that fails can put
// them back.

#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "items/Page.h"
#include "mainwindow/BrowserWindow.h"
#include "platform/core/DateTime.h"

namespace pelmor::mainwindow {

// The saved copies a display replaced, with their old content.
class SavedCopyBackup {
public:
    // Keeps what `file` held before it was replaced; nullopt when it did not exist.
    void Keep(const std::string& file, std::optional<std::string> content);
    // Writes every kept copy back (atomically). Failures are logged, not thrown.
    void Restore();

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> copies_;
};

// What GetRevisedHTML made for an item. For a page the time stamps it gave are here and
// not yet on the page: the caller applies them once the display succeeded.
struct RevisedItem {
    std::string html;
    bool stamped = false;
    DateTime savedDate;
    DateTime lastCheckDate;
};

// GetRevisedHTML of a new InternetHandler, run on a pool thread on a copy of `item` while
// the window thread keeps handling events. The saved copy is kept in `backup` first.
// `showRemoved`: removed content is shown struck through where it stood.
RevisedItem ReviseOffWindowThread(const std::shared_ptr<FrameList>& item, SavedCopyBackup& backup,
                                  bool showRemoved = true);
// Puts the stamps of a revised page on the page and clears its Updated flag.
void ApplyRevision(Page& page, const RevisedItem& revised);

// Replaces the body of a document without FRAME elements by `html` (a frameset is left to
// ShowRevisedFrames). False for empty `html` and when the write failed.
bool WriteRevisedBody(const BrowserDocument& document, const std::string& html);
// True when the document of frame `index` can be read; false for a frame of another site.
bool FrameDocumentAccessible(const BrowserDocument& document, int index);
// Marks each FRAME of `document` with the revised HTML of the item's frame at the same
// position, sending it to the frame's stored URL first when it shows another one. Frames
// of other sites, and frames the item has no record of, are left as loaded. Each frame
// has `frameLimitMs` to load. False for a missing document, for a frame still loading
// after its limit, and on failure (reported).
bool ShowRevisedFrames(const BrowserDocument& document, const std::shared_ptr<FrameList>& item,
                       SavedCopyBackup& backup, int frameLimitMs = 10000, bool showRemoved = true);

// The saved copy of a page and the copies of its frames at any depth.
QStringList SavedCopyFiles(const Page& page);

// Handles window events for about `ms` milliseconds.
void PumpEvents(int ms);

}  // namespace pelmor::mainwindow
