// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pieces of showing a page with its changes marked: the marked HTML made off the
// window thread, writing it into the browser's document, and a record of the saved copies
// replaced on the way, so that a display that fails can put them back.

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "items/Page.h"
#include "mainwindow/Schedule.h"
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

// GetRevisedHTML of a new InternetHandler, run on a pool thread on a copy of `item`. The
// saved copy it replaces is read first; `done` runs on `context`'s thread with the result
// and the old copy kept in `backup`, unless the revision was abandoned first. An abandoned
// revision puts the old copy back itself, whenever it ends, so that a display cancelled
// in the middle leaves the saved copy as it was.
class Revision {
public:
    static std::shared_ptr<Revision> Start(const std::shared_ptr<FrameList>& item, bool showRemoved, QObject* context,
                                           SavedCopyBackup& backup, std::function<void(const RevisedItem&)> done);
    // No answer is wanted any more; the saved copy is put back when the revision replaced it.
    void Abandon();

private:
    struct Outcome {
        RevisedItem revised;
        std::string file;
        bool oldKnown = true;  // false when the old copy could not be read
        std::optional<std::string> old;
    };
    void Finished(Outcome outcome);
    // The outcome for the window thread; nullopt when it was abandoned.
    std::optional<Outcome> Claim();

    std::mutex mutex_;
    bool finished_ = false;
    bool abandoned_ = false;
    bool claimed_ = false;
    Outcome outcome_;
};

// Puts the stamps of a revised page on the page and clears its Updated flag.
void ApplyRevision(Page& page, const RevisedItem& revised);

// Replaces the body of a document without FRAME elements by `html` (a frameset is left as
// it is: its frames are marked one by one). `done` gets false for empty `html` and when
// the write failed.
void WriteRevisedBody(const BrowserDocument& document, const std::string& html, std::function<void(bool)> done);

// The saved copy of a page and the copies of its frames at any depth.
QStringList SavedCopyFiles(const Page& page);

}  // namespace pelmor::mainwindow
