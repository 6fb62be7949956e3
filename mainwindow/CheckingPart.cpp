// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/CheckingPart.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <exception>

#include "items/Folder.h"
#include "mainwindow/CheckHealth.h"
#include "mainwindow/PageCollection.h"
#include "mainwindow/ShowChanges.h"
#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "preferences/Settings.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Versions.h"
#include "shell/ChangeAlerts.h"
#include "shell/ErrorReport.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Runs a handler called from the event loop: nothing it throws may reach the loop, so
// whatever it throws is reported there, under `where`.
template <class Handler>
void AtLoopBoundary(const char* where, Handler&& handler) {
    try {
        handler();
    } catch (...) {
        ReportError(where);
    }
}

// Logging that must not throw out of an error path.
void LogQuietly(const std::string& text) {
    try {
        log::WriteLog(text);
    } catch (const std::exception&) {
    }
}

}  // namespace

CheckingPart::CheckingPart(CheckingWindow& window, Settings& settings, QObject* parent)
    : QObject(parent), window_(window), settings_(settings) {
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("mdlTimer"));
    timer_->setInterval(kCheckInterval);
    connect(timer_, &QTimer::timeout, this,
            [this] { AtLoopBoundary("CheckForUpdates", [this] { CheckForUpdates(); }); });
}

CheckingPart::~CheckingPart() = default;

void CheckingPart::StartUpdater() {
    updater_ = std::make_unique<Updater>();
    connect(updater_.get(), &Updater::PageStartCheck, this,
            [this](std::shared_ptr<Page> page) { AtLoopBoundary("", [&] { objUpdater_PageStartCheck(page); }); });
    connect(updater_.get(), &Updater::PageUpdated, this, [this](std::shared_ptr<Page>& page, bool updated) {
        AtLoopBoundary("Page Updated", [&] { objUpdater_PageUpdated(page, updated); });
    });
    log::WriteLog("Updater created");
    updater_->StartChecking();
    log::WriteLog("Updater started");
}

void CheckingPart::StopUpdater() {
    timer_->stop();
    queue_.clear();
    passQueued_ = false;
    restartTimer_ = false;
    if (!updater_) return;
    updater_->StopChecking();
    log::WriteLog("Updater stopped");
    // The checker gets a second to end by itself; then it is killed. The window does not
    // wait for it: the updater goes by itself once its process has.
    Updater* ending = updater_.release();
    QObject::disconnect(ending, nullptr, this, nullptr);
    ending->EndProcessLater(1000, [] { log::WriteLog("Updater killed"); });
}

void CheckingPart::Enqueue(const std::vector<std::shared_ptr<Page>>& pages, Mode mode, bool restartTimer) {
    restartTimer_ = restartTimer_ || restartTimer || timer_->isActive();
    timer_->stop();
    for (const auto& page : pages) queue_.push_back({page, mode});
    // The first slice runs at once: a small profile is handed over before this returns.
    if (!sliceScheduled_) RunSlice();
}

void CheckingPart::RunSlice() {
    sliceScheduled_ = false;
    QElapsedTimer slice;
    slice.start();
    while (!queue_.empty()) {
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
        try {
            if (entry.mode == Mode::IfDue)
                CheckPageIfDue(entry.page);
            else
                UpdatePage(entry.page);
        } catch (const std::exception&) {
            ReportError("CheckForUpdates");
        }
        if (slice.elapsed() >= kSliceMs && !queue_.empty()) {
            sliceScheduled_ = true;
            QTimer::singleShot(0, this, [this] { AtLoopBoundary("CheckForUpdates", [this] { RunSlice(); }); });
            return;
        }
    }
    passQueued_ = false;
    if (std::exchange(restartTimer_, false)) timer_->start();
}

void CheckingPart::CheckForUpdates() {
    // A pass asked for while one runs would only repeat it.
    if (passQueued_) return;
    passQueued_ = true;
    // Pages may leave the tree while the pass runs; the copy keeps the walk valid.
    Enqueue(window_.Pages().All(), Mode::IfDue, true);
}

void CheckingPart::CheckPageIfDue(const std::shared_ptr<Page>& page) {
    // A page that left the tree meanwhile is not checked any more.
    if (!page || !window_.Holds(*page)) return;
    switch (ScheduleAction(*page, window_.Now())) {
        case DueAction::Remove:
            RemovePageAtEnd(page);
            break;
        case DueAction::Check:
            UpdatePage(page);
            break;
        case DueAction::Wait:
        case DueAction::Ended:
            break;
    }
}

void CheckingPart::UpdatePage(const std::shared_ptr<Page>& page) {
    try {
        log::WriteLog("UpdatePage entered");
        if (updater_) updater_->CheckPage(page);
    } catch (const std::exception&) {
        LogQuietly("Error in UpdatePage");
    }
}

void CheckingPart::CheckItemNow(const std::shared_ptr<Item>& item) {
    if (!item) return;
    if (auto folder = std::dynamic_pointer_cast<Folder>(item)) {
        CheckFolderNow(*folder);
    } else if (auto page = std::dynamic_pointer_cast<Page>(item)) {
        // A page asked for by hand goes whether or not it is active.
        Enqueue({page}, Mode::Now, false);
    }
}

void CheckingPart::CheckFolderNow(const ItemList& folder) { Enqueue(FolderCheckPages(folder), Mode::Now, false); }

void CheckingPart::CheckAllNow() { Enqueue(ActivePages(window_.Pages().All()), Mode::Now, false); }

void CheckingPart::objUpdater_PageStartCheck(const std::shared_ptr<Page>& page) {
    if (!page) return;
    QString text = QCoreApplication::translate("CheckingPart", "Checking %1 for updates").arg(Q(page->Description()));
    window_.StatusText(text);
    log::WriteLog(text.toStdString());
}

void CheckingPart::objUpdater_PageUpdated(std::shared_ptr<Page>& page, bool updated) {
    if (!page) return;
    // A check that could not compare the page is no "Checked": it says why it failed.
    const bool failed = !updated && page->Failing();
    log::WriteLog(page->Description() + (failed ? " Check failed: " + page->LastFailure() : " Checked"));
    window_.StatusText(QString());
    if (!window_.Holds(*page)) {
        page = nullptr;  // it left the tree while it was checked
        return;
    }
    const QString description = Q(page->Description());
    if (updated) {
        emit PageFoundUpdated(Q(page->Key()));
        window_.LogRow(description, QCoreApplication::translate("CheckingPart", "Updated"),
                       CheckingWindow::RowKind::Updated, QString());
        window_.StatusText(QCoreApplication::translate("CheckingPart", "%1 is updated").arg(description));
        page->SetUpdated(true);
        window_.PageMarked(page, true);
        if (AlertWanted()) {
            ShowUpdateNotification(page);
            window_.ShowUpdatedTrayIcon();
        } else if (settings_.AlertPopup()) {
            log::WriteLog("No alert for " + page->Description() + ": the window is the active one");
        }
    } else if (failed) {
        const QString why = Q(page->LastFailure());
        const QString action = QCoreApplication::translate("CheckingPart", "Check failed: %1").arg(why);
        window_.LogRow(description, action, CheckingWindow::RowKind::Failed, action);
        window_.StatusText(
            QCoreApplication::translate("CheckingPart", "%1 could not be checked: %2").arg(description, why));
    } else {
        window_.LogRow(description, QCoreApplication::translate("CheckingPart", "Checked"),
                       CheckingWindow::RowKind::Plain, QString());
    }
    window_.PageHealthChanged(*page);
    KeepCheckHealth(*page);
    // Once the last running check has answered, the pass's check times are written soon;
    // while checks keep coming they wait, so a pass writes the file once or twice.
    const bool passGoesOn = Busy() || (updater_ && updater_->InFlightCount() > 0);
    window_.SaveSoon(updated || !passGoesOn);
}

void CheckingPart::ShowUpdateNotification(const std::shared_ptr<Page>& page) {
    if (!page) return;
    if (!alerts_) {
        alerts_ = new shell::ChangeAlerts(QDBusConnection::sessionBus(), this);
        connect(alerts_, &shell::ChangeAlerts::ViewRequested, this, &CheckingPart::ViewRequested);
        connect(alerts_, &shell::ChangeAlerts::OpenRequested, this, &CheckingPart::OpenRequested);
    }
    // Popups queue behind the one on screen, in the order the changes arrived.
    alerts_->Alert(page, settings_.AlertDesktop(), Q(settings_.SoundFile()), window_.AlertIcon());
}

bool CheckingPart::AlertWanted() const { return settings_.AlertPopup() && !window_.UserSeesWindow(); }

void CheckingPart::RemovePageAtEnd(const std::shared_ptr<Page>& page) {
    const QString text = Q(page->Description());
    InternetHandler handler;
    RemoveVersions(page->SavedFile());
    handler.RemoveFileFromCache(page->SavedFile());
    for (const auto& frame : FramesOf(*page)) handler.RemoveFileFromCache(frame->SavedFile());
    window_.RemovePage(page);
    window_.LogRow(text, QCoreApplication::translate("CheckingPart", "Removed"), CheckingWindow::RowKind::Plain,
                   QString());
    window_.StatusText(QCoreApplication::translate("CheckingPart", "%1 removed").arg(text));
}

void CheckingPart::RestoreCheckHealth() {
    failingOnRecord_.clear();
    const PageCollection& pages = window_.Pages();
    if (LoadCheckHealth(CheckHealthFile(settings_.XMLFile()), pages) == 0) return;
    for (const auto& page : pages.All()) {
        if (page->LastFailure().empty()) continue;
        if (page->Failing()) failingOnRecord_.insert(page->Key());
        window_.PageHealthChanged(*page);
    }
}

void CheckingPart::KeepCheckHealth(const Page& page) {
    const bool onRecord = failingOnRecord_.count(page.Key()) > 0;
    // Only a failure, or the recovery of a page on record as failing, changes the file.
    if (!page.Failing() && !onRecord) return;
    if (page.Failing())
        failingOnRecord_.insert(page.Key());
    else
        failingOnRecord_.erase(page.Key());
    if (!SaveCheckHealth(CheckHealthFile(settings_.XMLFile()), window_.Pages().All()))
        log::WriteLog("The check outcomes could not be written beside the profile");
}

}  // namespace pelmor::mainwindow
