// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's part in a page's history and its watched part: "History..." in the
// item menu, the Page menu and the details panel; the watched element in the details
// panel with "Watch the whole page"; and "Watch only a part..." in the browser windows
// that show a page.

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <exception>

#include "items/Page.h"
#include "mainwindow/BrowserWindow.h"
#include "mainwindow/WatchPart.h"
#include "mainwindow/frmHistory.h"
#include "mainwindow/frmMain.h"
#include "platform/log/Log.h"
#include "shell/ErrorReport.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void frmMain::BuildHistoryCommands() {
    auto history = [this] { Command([this] { menuHistory_Click(); }); };
    // The item menu: after "Show" (or before "Check Now").
    auto* menuHistory = new QAction(tr("&History..."), this);
    menuHistory->setObjectName(QStringLiteral("menuHistory"));
    menuHistory->setToolTip(tr("Past versions of the page"));
    actions_[menuHistory->objectName()] = menuHistory;
    menuURLList_->insertAction(Action(QStringLiteral("menuCheck")), menuHistory);
    connect(menuHistory, &QAction::triggered, this, history);
    if (auto* menuPage = menuBar()->findChild<QMenu*>(QStringLiteral("menuPage"))) {
        auto* menuPageHistory = new QAction(tr("&History..."), this);
        menuPageHistory->setObjectName(QStringLiteral("menuPageHistory"));
        actions_[menuPageHistory->objectName()] = menuPageHistory;
        menuPage->insertAction(Action(QStringLiteral("menuProperties")), menuPageHistory);
        connect(menuPageHistory, &QAction::triggered, this, history);
    }

    auto* grid = qobject_cast<QGridLayout*>(frDetails_->layout());
    if (!grid) return;
    // The watched element, under the check state; the way back to the whole page goes
    // with the buttons at the foot.
    lblElementPath_ = new QLabel(frDetails_);
    lblElementPath_->setObjectName(QStringLiteral("lblElementPath"));
    lblElementPath_->setTextFormat(Qt::PlainText);
    // One line, whatever the path's length: the panel's height is fixed. The whole path is
    // in the tip.
    lblElementPath_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblElementPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnWholePage_ = new QPushButton(tr("Watch the whole page"), frDetails_);
    btnWholePage_->setObjectName(QStringLiteral("btnWholePage"));
    btnWholePage_->setToolTip(tr("Watch every part of the page again"));
    lblElementPath_->setVisible(false);
    btnWholePage_->setVisible(false);
    grid->addWidget(lblElementPath_, 5, 0, 1, 4);
    connect(btnWholePage_, &QPushButton::clicked, this, [this] {
        Command([this] {
            if (std::shared_ptr<Page> page = model_->PageAt(tree_->currentIndex())) SetWatchedPart(page, "");
        });
    });

    // "History..." beside "Show" at the foot of the panel.
    btnHistory_ = new QPushButton(tr("History..."), frDetails_);
    btnHistory_->setObjectName(QStringLiteral("btnHistory"));
    btnHistory_->setToolTip(tr("Past versions of the page"));
    connect(btnHistory_, &QPushButton::clicked, this, history);
    auto* btnShow = frDetails_->findChild<QPushButton*>(QStringLiteral("btnShow"));
    int row = grid->rowCount();
    int column = 0;
    int rowSpan = 1;
    int columnSpan = grid->columnCount();
    if (btnShow && grid->indexOf(btnShow) >= 0) {
        grid->getItemPosition(grid->indexOf(btnShow), &row, &column, &rowSpan, &columnSpan);
        grid->removeWidget(btnShow);
    }
    auto* foot = new QHBoxLayout;
    foot->addStretch(1);
    foot->addWidget(btnWholePage_);
    foot->addWidget(btnHistory_);
    if (btnShow) foot->addWidget(btnShow);
    grid->addLayout(foot, row, column, rowSpan, columnSpan, Qt::AlignBottom);
}

void frmMain::ShowHistoryDetails(const Page* page) {
    for (const char* name : {"menuHistory", "menuPageHistory"}) SetActionVisible(name, page != nullptr);
    if (btnHistory_) btnHistory_->setVisible(page != nullptr);
    const bool part = page && !page->ElementPath().empty();
    if (!lblElementPath_) return;
    lblElementPath_->setText(part ? tr("Watches only: %1").arg(Q(page->ElementPath())) : QString());
    lblElementPath_->setToolTip(lblElementPath_->text());
    lblElementPath_->setVisible(part);
    btnWholePage_->setVisible(part);
}

void frmMain::menuHistory_Click() {
    try {
        std::shared_ptr<Page> page = model_->PageAt(tree_->currentIndex());
        if (!page) return;
        auto* window = new frmHistory(page, this);
        window->show();
    } catch (const std::exception&) {
        ReportError("menuHistory");
    }
}

void frmMain::AttachWatchPart(BrowserWindow* browser, const std::shared_ptr<Page>& page) {
    if (!browser || !page) return;
    auto* watch = new WatchPart(browser);
    std::weak_ptr<Page> weak = page;
    connect(watch, &WatchPart::Chosen, this, [this, weak](const QString& path) {
        std::shared_ptr<Page> chosen = weak.lock();
        if (chosen && !path.isEmpty()) SetWatchedPart(chosen, path.toStdString());
    });
}

void frmMain::SetWatchedPart(const std::shared_ptr<Page>& page, const std::string& path) {
    try {
        const QModelIndex index = model_->IndexOf(*page);
        if (!index.isValid()) return;  // the page left the tree meanwhile
        page->SetElementPath(path);
        SaveItems();
        const QString description = Q(page->Description());
        const QString what = path.empty() ? tr("Watching the whole page") : tr("Watching a part");
        AddLogRow(description, QStringLiteral("Page"), what);
        statusBar()->showMessage(description + QStringLiteral(": ") + what);
        log::WriteLog(page->Description() + (path.empty() ? " watches the whole page" : " watches " + path));
        model_->ItemChanged(index);
        if (shown_ == index) ShowHistoryDetails(page.get());
    } catch (const std::exception&) {
        ReportError("SetWatchedPart");
    }
}

}  // namespace pelmor::mainwindow
