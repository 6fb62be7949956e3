// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's editing commands, on the items and the tree's model: removing items
// with their saved copies (kept until the program ends, so that Ctrl+Z can bring them
// back), undoing the last removal, renaming, moving by drag and drop, switching checking
// on and off, committing the details panel, and a page's properties, advanced options and
// address. The window owns the part and lends it what it needs of the window through a
// Host; tests lend it their own.

#include <QApplication>
#include <QModelIndex>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "items/Application.h"
#include "mainwindow/ItemModel.h"
#include "mainwindow/ItemTree.h"
#include "mainwindow/PageCollection.h"
#include "mainwindow/RemovedItems.h"
#include "preferences/Settings.h"

class QWidget;

namespace pelmor::mainwindow {

// Stops the check timer for a change of the tree and starts it again afterwards, when it
// was running before. Nothing for a null timer.
class TimerStop {
public:
    explicit TimerStop(QTimer* timer) : timer_(timer), wasActive_(timer && timer->isActive()) {
        if (timer_) timer_->stop();
    }
    ~TimerStop() {
        if (wasActive_) timer_->start();
    }
    TimerStop(const TimerStop&) = delete;
    TimerStop& operator=(const TimerStop&) = delete;

private:
    QTimer* timer_;
    bool wasActive_;
};

// The hourglass pointer while a change is made; the normal one again on every path.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    void Restore() {
        if (active_) QApplication::restoreOverrideCursor();
        active_ = false;
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool active_ = true;
};

// Deletes a saved copy, but only one directly inside the cache folder; false otherwise.
// True for an empty path.
bool RemoveCacheFile(const std::string& cacheFolder, const std::string& path);
// Gives the items below a folder their keys again after the folder's key changed. Throws
// Failure when an item cannot be added back.
void MovedFolderKeys(const std::shared_ptr<Folder>& folder);

class EditingPart : public QObject {
    Q_OBJECT
public:
    // What the part needs of the window. Every function must be set but checkTimer, which
    // answers the timer to stop during a change (none when unset); dialogParent may be null.
    struct Host {
        // Writes the profile file; throws Failure when it cannot.
        std::function<void()> saveItems;
        // A row of the activity log: text, picture key and action.
        std::function<void(const QString&, const QString&, const QString&)> logRow;
        std::function<void(const QString&)> status;
        // A Yes/No question; true for Yes.
        std::function<bool(const QString& title, const QString& text)> confirm;
        std::function<void(const QString& title, const QString& text)> inform;
        // The tree's current row, and making a row the current one.
        std::function<QModelIndex()> current;
        std::function<void(const QModelIndex&)> select;
        std::function<QTimer*()> checkTimer;
        QWidget* dialogParent = nullptr;
    };

    EditingPart(std::shared_ptr<Application> application, ItemModel& model, Settings& settings, PageCollection& pages,
                Host host, QObject* parent = nullptr);

    RemovedItems& Removed() { return *removed_; }

    // Removes the item of a row (never the root) with the saved copies of its pages and
    // their first-level frames; a folder that is not empty goes only when the user agrees,
    // and only what went is logged as removed. Saves the profile when `save`.
    void RemoveTreeItem(const QModelIndex& index, bool save);
    // Puts the items of the last removal back where they were, with their saved copies;
    // says "Nothing to restore" when nothing was removed in this session.
    void RestoreRemovedItem();
    // Drops the row of an item already taken out of its list; the selection goes to its
    // folder when it was on the row or below it.
    void DropRow(const Item& item);
    // The saved copy and the copies of all frames below, of a page that was never added.
    void RemoveSavedCopies(const FrameList& item, const std::string& savedFile);

    // Moves the dragged row's item relative to the target row, in the items, in the tree
    // and in the profile file; refusals change nothing.
    void DropNode(const QModelIndex& dragged, const QModelIndex& target, DropPlacement placement);
    // Checking on or off for the item of a row and everything below it.
    void SwitchItem(const QModelIndex& index, bool active, bool save);
    // Paints a row red (or plain) and carries the mark up, in the tree font's bold.
    void Mark(const QModelIndex& index, bool update);
    // The page collection again from the tree, in tree order.
    void RebuildPages();

    // The boxes of the details panel, as typed.
    struct PanelInput {
        std::string first;  // the address or folder name, trimmed
        std::string description;
        QString periodText;
        int unitIndex = -1;
        bool active = false;
    };
    // What the boxes show once committed: the address or name (when it changed) and the
    // period as kept.
    struct PanelOutcome {
        std::optional<std::string> first;
        int16_t period = 0;
    };
    // Why the panel would refuse `text` in its first box for the row; empty when it would not.
    QString PanelRefusal(const QModelIndex& index, const QString& text) const;
    // Commits the panel to the item of the row (the root takes the period only); a new
    // address or name that another item holds is refused with a message. Throws Failure
    // when the profile cannot be written.
    PanelOutcome CommitPanel(const QModelIndex& index, const PanelInput& input);

    // The page's properties, its advanced options (saved when confirmed), and its address
    // to the clipboard; nothing for a row that is not a page.
    void ShowProperties(const QModelIndex& index);
    void ShowAdvanced(const QModelIndex& index);
    void CopyURL(const QModelIndex& index);

signals:
    // A page's advanced options were saved.
    void PageOptionsChanged(const std::shared_ptr<Page>& page);

private:
    void RemovePage(const QModelIndex& index);
    bool RemoveFolder(const QModelIndex& index);
    // Takes an item out of its parent (a page with its saved copies) and keeps it for
    // RestoreRemovedItem.
    void TakeOut(const std::shared_ptr<Item>& item);
    void KeepOrRemoveCopy(const std::string& path);
    // The list a removed item goes back to: its old parent while that is in the tree.
    std::shared_ptr<ItemList> LiveList(const std::shared_ptr<ItemList>& list) const;
    // Renames the item of a row in its list, keeping its place; answers the name it has
    // afterwards (the old one when the new key is taken after all).
    std::string Rename(const QModelIndex& index, const std::string& newName);

    std::shared_ptr<Application> application_;
    ItemModel& model_;
    Settings& settings_;
    PageCollection& pages_;
    Host host_;
    QTimer* CheckTimer() const { return host_.checkTimer ? host_.checkTimer() : nullptr; }

    std::unique_ptr<RemovedItems> removed_;
    int removeDepth_ = 0;
};

}  // namespace pelmor::mainwindow
