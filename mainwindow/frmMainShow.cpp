// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of showing changes: the "Show" commands, and what the showing
// part asks of the window.

#include <QAction>
#include <QGridLayout>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "items/Folder.h"
#include "mainwindow/frmMain.h"
#include "shell/frmNotify.h"

namespace pelmor::mainwindow {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void frmMain::BuildShowCommands() {
    showing_ = std::make_unique<ShowingPart>(static_cast<ShowingWindow&>(*this), *settings_);
    // A display in progress ends with the window.
    connect(this, &frmMain::Unloaded, showing_.get(), &ShowingPart::Cancel);
    auto show = [this] { ShowNode(tree_->currentIndex()); };
    QAction* menuShow = Action(QStringLiteral("menuShow"));
    if (!menuShow) {
        menuShow = new QAction(tr("Show"), this);
        menuShow->setObjectName(QStringLiteral("menuShow"));
        menuURLList_->insertAction(Action(QStringLiteral("menuCheck")), menuShow);
        actions_[menuShow->objectName()] = menuShow;
    }
    connect(menuShow, &QAction::triggered, this, show);

    auto* btnShow = frDetails_->findChild<QPushButton*>(QStringLiteral("btnShow"));
    if (!btnShow) {
        btnShow = new QPushButton(tr("Show"), frDetails_);
        btnShow->setObjectName(QStringLiteral("btnShow"));
        btnShow->setToolTip(tr("Display changes on page"));
        if (auto* grid = qobject_cast<QGridLayout*>(frDetails_->layout()))
            grid->addWidget(btnShow, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignRight | Qt::AlignBottom);
    }
    connect(btnShow, &QPushButton::clicked, this, show);
    // The popup goes with the window.
    connect(this, &frmMain::Unloaded, this, [] {
        if (shell::frmNotify::IsShowing()) shell::frmNotify::Instance()->close();
    });
    // Double click and Enter on a node.
    connect(tree_, &QAbstractItemView::activated, this, [this](const QModelIndex& index) { ShowNode(index); });
}

void frmMain::ShowNode(const QModelIndex& index) {
    if (!index.isValid()) return;
    if (std::shared_ptr<Page> page = model_->PageAt(index))
        ShowPage(page);
    else if (std::shared_ptr<ItemList> folder = model_->ListAt(index))
        ShowFolder(*folder);
}

void frmMain::ShowBegins() {
    mdlTimer_->stop();
    setEnabled(false);
}

void frmMain::ShowEnds() {
    setEnabled(true);
    // A window that has closed keeps its timer stopped.
    if (!unloaded_) mdlTimer_->start();
}

void frmMain::PageShown(const std::shared_ptr<Page>& page) {
    MarkParentsUpdate(*page, false);
    AddLogRow(Q(page->Description()), QStringLiteral("Page"), tr("Displayed"));
    RefreshTrayIcon();
    SaveItems();
}

void frmMain::BrowserShown(BrowserWindow* browser, const std::shared_ptr<Page>& page) { AttachWatchPart(browser, page); }

}  // namespace pelmor::mainwindow
