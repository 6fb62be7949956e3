// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's part in checking: the check timer and its pass over every page, the
// manual checks, the checker's two events, and starting and ending the checker.

#include <QAction>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "items/Folder.h"
#include "mainwindow/frmMain.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Versions.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"
#include "shell/ChangeAlerts.h"
#include "shell/frmNotify.h"
#include "mainwindow/ShowChanges.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

constexpr int kCheckInterval = 20000;
const QColor kUpdatedColor(255, 0, 0);
// Rows of checks that failed: amber, apart from the red of changed pages.
const QColor kFailedColor(160, 64, 0);

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Stops the check timer for a manual operation and starts it again afterwards, when it
// was running before.
class TimerPause {
public:
    explicit TimerPause(QTimer* timer) : timer_(timer), wasActive_(timer->isActive()) { timer_->stop(); }
    ~TimerPause() {
        if (wasActive_) timer_->start();
    }
    TimerPause(const TimerPause&) = delete;
    TimerPause& operator=(const TimerPause&) = delete;

private:
    QTimer* timer_;
    bool wasActive_;
};

}  // namespace

void frmMain::BuildCheckCommands() {
    mdlTimer_ = new QTimer(this);
    mdlTimer_->setObjectName(QStringLiteral("mdlTimer"));
    mdlTimer_->setInterval(kCheckInterval);
    connect(mdlTimer_, &QTimer::timeout, this, [this] { CheckForUpdates(); });

    auto checkSelected = [this] { CheckItemNow(tree_->SelectedNode()); };
    // A command another part of the window already built is only connected.
    auto command = [&](QMenu* menu, const QString& name, const QString& caption) {
        QAction* action = Action(name);
        return action ? action : AddAction(menu, name, caption);
    };
    connect(command(menuURLList_, QStringLiteral("menuCheck"), QStringLiteral("Check Now")), &QAction::triggered, this,
            checkSelected);
    QMenu* menuPage = menuBar()->findChild<QMenu*>(QStringLiteral("menuPage"));
    if (!menuPage) {
        menuPage = new QMenu(QStringLiteral("&Page"), this);
        menuPage->setObjectName(QStringLiteral("menuPage"));
        QMenu* menuHelp = menuBar()->findChild<QMenu*>(QStringLiteral("menuHelp"));
        menuBar()->insertMenu(menuHelp ? menuHelp->menuAction() : nullptr, menuPage);
    }
    connect(command(menuPage, QStringLiteral("menuPageCheck"), QStringLiteral("Check For Update")), &QAction::triggered,
            this, checkSelected);

    QAction* trayCheck = Action(QStringLiteral("menuTrayCheckAll"));
    if (!trayCheck) {
        trayCheck = new QAction(QStringLiteral("&Check all"), this);
        trayCheck->setObjectName(QStringLiteral("menuTrayCheckAll"));
        menuSystray_->insertAction(Action(QStringLiteral("menuExitTray")), trayCheck);
        actions_[trayCheck->objectName()] = trayCheck;
    }
    // "Check all" asks every active page now, due or not.
    connect(trayCheck, &QAction::triggered, this, [this] { CheckAllNow(); });

    bool hasCheckButton = false;
    for (QAction* action : ctlTool_->actions()) hasCheckButton |= action->data().toString() == QLatin1String("Check");
    if (!hasCheckButton) {
        QAction* button = ctlTool_->addAction(shell::TreePicture(QStringLiteral("Page")), QStringLiteral("Check"));
        button->setData(QStringLiteral("Check"));
        button->setObjectName(QStringLiteral("btnCheck"));
        connect(button, &QAction::triggered, this, checkSelected);
    }
}

void frmMain::StartUpdater() {
    objUpdater_ = std::make_unique<Updater>();
    connect(objUpdater_.get(), &Updater::PageStartCheck, this,
            [this](std::shared_ptr<Page> page) { objUpdater_PageStartCheck(page); });
    connect(objUpdater_.get(), &Updater::PageUpdated, this,
            [this](std::shared_ptr<Page>& page, bool updated) { objUpdater_PageUpdated(page, updated); });
    log::WriteLog("Updater created");
    objUpdater_->StartChecking();
    log::WriteLog("Updater started");
}

void frmMain::StopUpdater() {
    mdlTimer_->stop();
    if (!objUpdater_) return;
    objUpdater_->StopChecking();
    log::WriteLog("Updater stopped");
    // The checker gets a second to end by itself; then it is killed.
    objUpdater_->EndProcess(1000);
    objUpdater_.reset();
    log::WriteLog("Updater killed");
}

void frmMain::CheckForUpdates() {
    // A pass started from inside a pass (the tray command while events are pumped) would
    // only repeat it.
    if (checkPassRunning_) return;
    checkPassRunning_ = true;
    try {
        mdlTimer_->stop();
        // Pages may leave the tree while events are pumped; the copy keeps the walk valid.
        std::vector<std::shared_ptr<Page>> pages = colPages_.All();
        for (const auto& page : pages) CheckPageIfDue(page);
        mdlTimer_->start();
    } catch (...) {
        mdlTimer_->start();
        ReportError("CheckForUpdates");
    }
    checkPassRunning_ = false;
}

void frmMain::CheckPageIfDue(const std::shared_ptr<Page>& page) {
    QCoreApplication::processEvents();
    // A page that left the tree meanwhile is not checked any more.
    if (!page || colPages_.Find(page->Key()) != page) return;
    switch (ScheduleAction(*page, clock_())) {
    case DueAction::Remove: RemovePageAtEnd(page); break;
    case DueAction::Check: UpdatePage(page); break;
    case DueAction::Wait:
    case DueAction::Ended: break;
    }
}

void frmMain::UpdatePage(const std::shared_ptr<Page>& oPage) {
    try {
        log::WriteLog("UpdatePage entered");
        if (objUpdater_) objUpdater_->CheckPage(oPage);
    } catch (...) {
        try {
            log::WriteLog("Error in UpdatePage");
        } catch (...) {
        }
    }
}

void frmMain::CheckItemNow(TreeNode* node) {
    if (!node) return;
    try {
        TimerPause pause(mdlTimer_);
        if (node->IsRoot()) {
            CheckAllNow();
        } else if (node->AsPage()) {
            UpdatePage(std::static_pointer_cast<Page>(node->ItemTag()));
        } else if (node->AsFolder()) {
            CheckFolderNow(*std::static_pointer_cast<Folder>(node->ItemTag()));
        }
    } catch (...) {
        ReportError("");
    }
}

void frmMain::CheckFolderNow(const ItemList& folder) {
    TimerPause pause(mdlTimer_);
    for (const auto& page : FolderCheckPages(folder)) UpdatePage(page);
}

void frmMain::CheckAllNow() {
    TimerPause pause(mdlTimer_);
    for (const auto& page : ActivePages(colPages_.All())) UpdatePage(page);
}

bool frmMain::CheckKeyNow(const std::string& key) {
    if (key.empty()) {
        CheckAllNow();
        return true;
    }
    TreeNode* node = tree_->FindNode(Q(key));
    if (!node || node->IsRoot()) return false;
    CheckItemNow(node);
    return true;
}

void frmMain::objUpdater_PageStartCheck(const std::shared_ptr<Page>& oPage) {
    try {
        if (!oPage) return;
        QString text = QStringLiteral("Checking ") + Q(oPage->Description()) + QStringLiteral(" for updates");
        statusBar()->showMessage(text);
        log::WriteLog(text.toStdString());
    } catch (...) {
        ReportError("");
    }
}

void frmMain::objUpdater_PageUpdated(std::shared_ptr<Page>& oPage, bool blUpdated) {
    try {
        if (!oPage) return;
        // A check that could not compare the page is no "Checked": it says why it failed.
        const bool failed = !blUpdated && oPage->Failing();
        log::WriteLog(oPage->Description() + (failed ? " Check failed: " + oPage->LastFailure() : " Checked"));
        statusBar()->clearMessage();
        TreeNode* node = NodeOf(*oPage);
        if (!node) {
            oPage = nullptr;  // it left the tree while it was checked
            return;
        }
        QString description = Q(oPage->Description());
        auto* row = new QTreeWidgetItem(lstStatus_);
        row->setText(0, description);
        row->setIcon(0, shell::TreePicture(QStringLiteral("Page")));
        row->setText(2, Q(clock_().FormatGeneral()));
        if (blUpdated) {
            emit PageFoundUpdated(Q(oPage->Key()));
            statusBar()->showMessage(description + QStringLiteral(" is updated"));
            row->setText(1, QStringLiteral("Updated"));
            for (int column = 0; column < 3; ++column) {
                row->setForeground(column, kUpdatedColor);
                QFont font = row->font(column);
                font.setBold(true);
                row->setFont(column, font);
            }
            oPage->SetUpdated(true);
            MarkParentsUpdate(node, true);
            if (AlertWanted()) {
                ShowUpdateNotification(oPage);
                ShellTrayModifyTip(shell::UpdatedIcon());
            } else if (settings_->AlertPopup()) {
                log::WriteLog("No alert for " + oPage->Description() + ": the window is the active one");
            }
        } else if (failed) {
            QString why = Q(oPage->LastFailure());
            row->setText(1, QStringLiteral("Check failed: ") + why);
            row->setToolTip(1, row->text(1));
            for (int column = 0; column < 3; ++column) row->setForeground(column, kFailedColor);
            statusBar()->showMessage(description + QStringLiteral(" could not be checked: ") + why);
        } else {
            row->setText(1, QStringLiteral("Checked"));
            statusBar()->clearMessage();
        }
        ShowCheckHealth(node, *oPage);
        ShowFolderHealth(node);
        KeepCheckHealth(*oPage);
        if (shownNode_ == node) ShowLastFailure(oPage.get());
        lstStatus_->scrollToItem(row);
        // Once the last running check has answered, the pass's check times are written
        // soon; while checks keep coming they wait, so a pass writes the file once or twice.
        const bool passGoesOn = objUpdater_ && objUpdater_->InFlightCount() > 0;
        SaveItemsSoon(blUpdated || !passGoesOn ? SaveUrgency::Soon : SaveUrgency::Routine);
    } catch (...) {
        ReportError("Page Updated");
    }
}

void frmMain::ShowUpdateNotification(const std::shared_ptr<Page>& page) {
    if (!settings_ || !page) return;
    if (!alerts_) {
        alerts_ = new shell::ChangeAlerts(QDBusConnection::sessionBus(), this);
        connect(alerts_, &shell::ChangeAlerts::ViewRequested, this, &frmMain::ShowNotifiedPage);
        connect(alerts_, &shell::ChangeAlerts::OpenRequested, this, [this] { menuRestoreTray_Click(); });
    }
    // Popups queue behind the one on screen, in the order the changes arrived.
    alerts_->Alert(page, settings_->AlertDesktop(), Q(settings_->SoundFile()), windowIcon());
}

bool frmMain::AlertWanted() const {
    // Hidden in the tray, minimised or behind another window: the user does not see the
    // tree. Wayland never tells a program that its window is minimised, but it does tell
    // whether the window is the active one.
    return settings_->AlertPopup() && (!isVisible() || isMinimized() || !isActiveWindow());
}

void frmMain::RemovePageAtEnd(const std::shared_ptr<Page>& page) {
    try {
        TimerPause pause(mdlTimer_);
        TreeNode* node = NodeOf(*page);
        QString text = node ? node->text(0) : Q(page->Description());
        auto* row = new QTreeWidgetItem(lstStatus_);
        row->setText(0, text);
        row->setIcon(0, shell::TreePicture(QStringLiteral("Page")));

        InternetHandler handler;
        RemoveVersions(page->SavedFile());
        handler.RemoveFileFromCache(page->SavedFile());
        for (const std::shared_ptr<Frame>& frame : page->Frames()) handler.RemoveFileFromCache(frame->SavedFile());
        colPages_.Remove(page->Key());
        if (auto parent = page->Parent()) parent->RemoveItem(page->Key());
        if (node) {
            if (tree_->SelectedNode() == node && node->ParentNode()) tree_->setCurrentItem(node->ParentNode());
            delete node;
        }
        SaveItems();
        row->setText(1, QStringLiteral("Removed"));
        row->setText(2, Q(clock_().FormatGeneral()));
        statusBar()->showMessage(text + QStringLiteral(" removed"));
    } catch (...) {
        ReportError("");
    }
}

}  // namespace pelmor::mainwindow
