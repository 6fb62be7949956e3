// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of checking: the check commands, and what the checking part asks
// of the window (the tree's marks, the activity log, the status bar, the tray).

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include "mainwindow/frmMain.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {

namespace {

const QColor kUpdatedColor(255, 0, 0);
// Rows of checks that failed: amber, apart from the red of changed pages.
const QColor kFailedColor(160, 64, 0);

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void frmMain::BuildCheckCommands() {
    checking_ = std::make_unique<CheckingPart>(static_cast<CheckingWindow&>(*this), *settings_);
    mdlTimer_ = checking_->Timer();
    connect(checking_.get(), &CheckingPart::PageFoundUpdated, this, &frmMain::PageFoundUpdated);
    connect(checking_.get(), &CheckingPart::ViewRequested, this, &frmMain::ShowNotifiedPage);
    connect(checking_.get(), &CheckingPart::OpenRequested, this, [this] { menuRestoreTray_Click(); });

    auto checkSelected = [this] { CheckItemNow(tree_->currentIndex()); };
    // A command another part of the window already built is only connected.
    auto command = [&](QMenu* menu, const QString& name, const QString& caption) {
        QAction* action = Action(name);
        return action ? action : AddAction(menu, name, caption);
    };
    connect(command(menuURLList_, QStringLiteral("menuCheck"), tr("Check Now")), &QAction::triggered, this,
            checkSelected);
    QMenu* menuPage = menuBar()->findChild<QMenu*>(QStringLiteral("menuPage"));
    if (!menuPage) {
        menuPage = new QMenu(tr("&Page"), this);
        menuPage->setObjectName(QStringLiteral("menuPage"));
        QMenu* menuHelp = menuBar()->findChild<QMenu*>(QStringLiteral("menuHelp"));
        menuBar()->insertMenu(menuHelp ? menuHelp->menuAction() : nullptr, menuPage);
    }
    connect(command(menuPage, QStringLiteral("menuPageCheck"), tr("Check For Update")), &QAction::triggered,
            this, checkSelected);

    QAction* trayCheck = Action(QStringLiteral("menuTrayCheckAll"));
    if (!trayCheck) {
        trayCheck = new QAction(tr("&Check all"), this);
        trayCheck->setObjectName(QStringLiteral("menuTrayCheckAll"));
        menuSystray_->insertAction(Action(QStringLiteral("menuExitTray")), trayCheck);
        actions_[trayCheck->objectName()] = trayCheck;
    }
    // "Check all" asks every active page now, due or not.
    connect(trayCheck, &QAction::triggered, this, [this] { CheckAllNow(); });

    bool hasCheckButton = false;
    for (QAction* action : ctlTool_->actions()) hasCheckButton |= action->data().toString() == QLatin1String("Check");
    if (!hasCheckButton) {
        QAction* button = ctlTool_->addAction(shell::TreePicture(QStringLiteral("Page")), tr("Check"));
        button->setData(QStringLiteral("Check"));
        button->setObjectName(QStringLiteral("btnCheck"));
        connect(button, &QAction::triggered, this, checkSelected);
    }
}

void frmMain::CheckItemNow(const QModelIndex& index) {
    if (!index.isValid()) return;
    if (model_->IsRoot(index))
        checking_->CheckAllNow();
    else
        checking_->CheckItemNow(model_->ItemAt(index));
}

bool frmMain::CheckKeyNow(const std::string& key) {
    if (key.empty()) {
        CheckAllNow();
        return true;
    }
    const QModelIndex index = model_->FindIndex(Q(key));
    if (!index.isValid() || model_->IsRoot(index)) return false;
    CheckItemNow(index);
    return true;
}

bool frmMain::Holds(const Page& page) const {
    return model_->IndexOf(page).isValid() && colPages_.Find(page.Key()).get() == &page;
}

void frmMain::PageMarked(const std::shared_ptr<Page>& page, bool updated) {
    if (model_->IndexOf(*page).isValid()) MarkParentsUpdate(*page, updated);
}

void frmMain::PageHealthChanged(const Page& page) {
    if (!model_->IndexOf(page).isValid()) return;
    ShowCheckHealth(page);
    ShowFolderHealth(page);
    if (model_->PageAt(shown_).get() == &page) ShowLastFailure(&page);
}

void frmMain::LogRow(const QString& text, const QString& action, RowKind kind, const QString& tip) {
    QTreeWidgetItem* row = AddLogRow(text, QStringLiteral("Page"), action);
    if (!tip.isEmpty()) row->setToolTip(1, tip);
    if (kind == RowKind::Plain) return;
    for (int column = 0; column < 3; ++column) {
        row->setForeground(column, kind == RowKind::Updated ? kUpdatedColor : kFailedColor);
        if (kind != RowKind::Updated) continue;
        QFont font = row->font(column);
        font.setBold(true);
        row->setFont(column, font);
    }
}

void frmMain::StatusText(const QString& text) {
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text);
}

void frmMain::SaveSoon(bool urgent) { SaveItemsSoon(urgent ? SaveUrgency::Soon : SaveUrgency::Routine); }

void frmMain::RemovePage(const std::shared_ptr<Page>& page) {
    colPages_.Remove(page->Key());
    if (auto parent = page->Parent()) parent->RemoveItem(page->Key());
    DeleteNode(*page);
    SaveItems();
}

bool frmMain::UserSeesWindow() const {
    // Hidden in the tray, minimised or behind another window: the user does not see the
    // tree. Wayland never tells a program that its window is minimised, but it does tell
    // whether the window is the active one.
    return isVisible() && !isMinimized() && isActiveWindow();
}

void frmMain::ShowUpdatedTrayIcon() { ShellTrayModifyTip(shell::UpdatedIcon()); }

QIcon frmMain::AlertIcon() const { return windowIcon(); }

}  // namespace pelmor::mainwindow
