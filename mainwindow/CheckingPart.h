// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Checking pages: the check timer and its pass over every page, the manual checks, the
// checker program and its two events, the outcomes of checks kept beside the profile, and
// telling the user of a change (desktop notification or popup). The part knows pages, not
// the tree: it reaches the window through CheckingWindow.
//
// A pass never holds the window thread for long: it hands pages over for a few
// milliseconds at a time and goes on from a zero timer, so window events run in between.

#include <QObject>
#include <QString>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "items/ItemList.h"
#include "items/Page.h"
#include "mainwindow/Schedule.h"
#include "mainwindow/Updater.h"

class QIcon;
class QTimer;

namespace pelmor {
class Settings;
}

namespace pelmor::shell {
class ChangeAlerts;
}

namespace pelmor::mainwindow {

class PageCollection;

// What the checking part asks of the window.
class CheckingWindow {
public:
    enum class RowKind { Plain, Updated, Failed };
    virtual ~CheckingWindow() = default;
    // Every page of the tree, in tree order.
    virtual const PageCollection& Pages() const = 0;
    // False once the page has left the tree.
    virtual bool Holds(const Page& page) const = 0;
    // The page, and every folder above it, turns red (updated) or plain.
    virtual void PageMarked(const std::shared_ptr<Page>& page, bool updated) = 0;
    // The page's last check outcome changed (or was read back): its warning and its folders'.
    virtual void PageHealthChanged(const Page& page) = 0;
    // A row of the activity log with the time of now.
    virtual void LogRow(const QString& text, const QString& action, RowKind kind, const QString& tip) = 0;
    // The status bar's text; "" clears it.
    virtual void StatusText(const QString& text) = 0;
    // The profile is to be written soon (`urgent`), or with the next routine write.
    virtual void SaveSoon(bool urgent) = 0;
    // Takes a page out of the model and the tree and writes the profile.
    virtual void RemovePage(const std::shared_ptr<Page>& page) = 0;
    // True while the user looks at the window (shown, not minimised, the active one).
    virtual bool UserSeesWindow() const = 0;
    // The tray icon tells that pages changed.
    virtual void ShowUpdatedTrayIcon() = 0;
    virtual QIcon AlertIcon() const = 0;
    virtual DateTime Now() const = 0;
};

class CheckingPart : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckInterval = 20000;
    // How long one slice of a pass may hold the window thread.
    static constexpr int kSliceMs = 8;

    CheckingPart(CheckingWindow& window, Settings& settings, QObject* parent = nullptr);
    ~CheckingPart() override;

    // The check timer (20 s); its ticks run CheckForUpdates.
    QTimer* Timer() const { return timer_; }
    // The checker; null before StartUpdater and after StopUpdater.
    Updater* objUpdater() const { return updater_.get(); }
    void StartUpdater();
    // Stops the timer and any pass, and ends the checker (killed after a second).
    void StopUpdater();

    // One pass of the timer: every page that is due goes to the checker, a page past its
    // last day with DeleteAtEnd is removed. A pass asked for while one runs is dropped.
    void CheckForUpdates();
    // What the pass does with one page now.
    void CheckPageIfDue(const std::shared_ptr<Page>& page);
    // Hands one page to the checker.
    void UpdatePage(const std::shared_ptr<Page>& page);
    // Manual checks: a page whatever its state, a folder's active pages (skipping inactive
    // folders below), every active page (the root's check).
    void CheckItemNow(const std::shared_ptr<Item>& item);
    void CheckFolderNow(const ItemList& folder);
    void CheckAllNow();
    // True while a pass or a manual check still has pages to hand over.
    bool Busy() const { return !queue_.empty(); }

    void objUpdater_PageStartCheck(const std::shared_ptr<Page>& page);
    void objUpdater_PageUpdated(std::shared_ptr<Page>& page, bool updated);

    // Tells the user of the changed page: a desktop notification, or the popup queued
    // behind any popup still on screen.
    void ShowUpdateNotification(const std::shared_ptr<Page>& page);
    // True when a change is to be told: alerts are on and the user does not see the window.
    bool AlertWanted() const;
    // The alerts made so far; null before the first.
    shell::ChangeAlerts* Alerts() const { return alerts_; }

    // Reads the outcomes kept beside the profile back onto its pages and shows them.
    void RestoreCheckHealth();
    // Writes the outcomes beside the profile when the page's check changed what is on record.
    void KeepCheckHealth(const Page& page);

signals:
    // A check found the page (by its key) updated.
    void PageFoundUpdated(const QString& key);
    // The user asked to see a page (notification action or popup click).
    void ViewRequested(std::shared_ptr<pelmor::Page> page);
    // The user asked for the window (the notification that counts a burst).
    void OpenRequested();

private:
    enum class Mode { IfDue, Now };
    struct Entry {
        std::shared_ptr<Page> page;
        Mode mode;
    };
    void Enqueue(const std::vector<std::shared_ptr<Page>>& pages, Mode mode, bool restartTimer);
    void RunSlice();
    void RemovePageAtEnd(const std::shared_ptr<Page>& page);

    CheckingWindow& window_;
    Settings& settings_;
    QTimer* timer_ = nullptr;
    std::unique_ptr<Updater> updater_;
    std::deque<Entry> queue_;
    bool sliceScheduled_ = false;
    bool passQueued_ = false;
    bool restartTimer_ = false;
    shell::ChangeAlerts* alerts_ = nullptr;
    // Keys of the pages that the file beside the profile says are failing.
    std::set<std::string> failingOnRecord_;
};

}  // namespace pelmor::mainwindow
