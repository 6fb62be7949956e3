// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's part in showing changes: the "Show" commands, ShowPage with its wait
// window and failure paths, and ShowFolder.

#include <QAction>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include "items/Folder.h"
#include "mainwindow/BrowserWindow.h"
#include "mainwindow/ChangesBar.h"
#include "mainwindow/ShowChanges.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmWait.h"
#include "platform/log/Log.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"
#include "shell/frmNotify.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

constexpr int kRed = 255;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString OpenFailedText(const QString& first, const QString& description) {
    return first + QStringLiteral("\n") + description + QStringLiteral(".\nPlease check the follwing: \n") +
           QStringLiteral("1. Internet connection may be closed.\n2. Site may be down.");
}

bool IsLoading(const QString& readyState) { return readyState.compare(QLatin1String("loading"), Qt::CaseInsensitive) == 0; }

}  // namespace

void frmMain::BuildShowCommands() {
    auto show = [this] { ShowNode(tree_->SelectedNode()); };
    QAction* menuShow = Action(QStringLiteral("menuShow"));
    if (!menuShow) {
        menuShow = new QAction(QStringLiteral("Show"), this);
        menuShow->setObjectName(QStringLiteral("menuShow"));
        menuURLList_->insertAction(Action(QStringLiteral("menuCheck")), menuShow);
        actions_[menuShow->objectName()] = menuShow;
    }
    connect(menuShow, &QAction::triggered, this, show);

    auto* btnShow = frDetails_->findChild<QPushButton*>(QStringLiteral("btnShow"));
    if (!btnShow) {
        btnShow = new QPushButton(QStringLiteral("Show"), frDetails_);
        btnShow->setObjectName(QStringLiteral("btnShow"));
        btnShow->setToolTip(QStringLiteral("Display changes on page"));
        if (auto* grid = qobject_cast<QGridLayout*>(frDetails_->layout()))
            grid->addWidget(btnShow, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignRight | Qt::AlignBottom);
    }
    connect(btnShow, &QPushButton::clicked, this, show);
    // The popup goes with the window.
    connect(this, &frmMain::Unloaded, this, [] {
        if (shell::frmNotify::IsShowing()) shell::frmNotify::Instance()->close();
    });
    // Double click and Enter on a node.
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && item->type() == TreeNode::kType) ShowNode(static_cast<TreeNode*>(item));
    });
}

QList<QWidget*> frmMain::BrowserWindows() const {
    QList<QWidget*> open;
    for (const auto& browser : browsers_)
        if (browser) open << browser.data();
    return open;
}

void frmMain::ShowNode(TreeNode* node) {
    if (!node) return;
    try {
        if (node->IsRoot())
            ShowFolder(*node->RootTag());
        else if (node->AsPage())
            ShowPage(std::static_pointer_cast<Page>(node->ItemTag()));
        else if (node->AsFolder())
            ShowFolder(*std::static_pointer_cast<Folder>(node->ItemTag()));
    } catch (...) {
        ReportError("");
    }
}

void frmMain::ShowFolder(const ItemList& folder) {
    for (const std::shared_ptr<Item>& item : folder.Items()) {
        if (!item || !item->Active()) continue;
        if (!item->IsFolder()) {
            auto page = std::static_pointer_cast<Page>(item);
            if (page->Updated()) ShowPage(page);
        } else if (TreeNode* node = NodeOf(*item); node && node->ForeColor() == kRed) {
            ShowFolder(*std::static_pointer_cast<Folder>(item));
        }
    }
}

void frmMain::EndShow() {
    if (showDepth_ > 1) return;
    setEnabled(true);
    mdlTimer_->start();
}

void frmMain::ShowPage(const std::shared_ptr<Page>& oPage) {
    if (!oPage) return;
    ++showDepth_;
    std::unique_ptr<frmWait> wait;
    QPointer<BrowserWindow> browser;
    SavedCopyBackup backup;
    const QString description = Q(oPage->Description());
    auto fail = [&](const QString& first, const QString& status) {
        if (browser) browser->Quit();
        wait.reset();
        EndShow();
        QMessageBox box(QMessageBox::Information, QStringLiteral("Open failed"), OpenFailedText(first, description),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        statusBar()->showMessage(status);
        log::WriteLog(status.toStdString());
    };
    try {
        mdlTimer_->stop();
        QString status = QStringLiteral("Displaying updates in ") + description;
        statusBar()->showMessage(status);
        log::WriteLog(status.toStdString());

        browsers_.removeIf([](const QPointer<QWidget>& browser) { return browser.isNull(); });
        if (settings_->DisplayOld()) {
            auto* old = new BrowserWindow(BrowserWindow::Content::SavedCopy, SavedCopyFiles(*oPage));
            old->setObjectName(QStringLiteral("frmBrowserOld"));
            browsers_ << old;
            old->show();
            old->Navigate(Q(oPage->SavedFile()));
        }

        browser = new BrowserWindow();
        browsers_ << browser.data();
        wait = std::make_unique<frmWait>(this);
        wait->setWindowTitle(QStringLiteral("Open new web page"));
        wait->SetMessage(QStringLiteral("Currently opening new version of ") + description);
        wait->show();
        setEnabled(false);

        browser->Navigate(Q(oPage->URL()));
        QElapsedTimer started;
        started.start();
        while (browser && browser->ReadyState() == BrowserWindow::kReadyLoading && started.elapsed() < browserWaitMs_)
            PumpEvents(20);
        if (!browser || browser->ReadyState() == BrowserWindow::kReadyLoading) {
            fail(QStringLiteral("Unable to open new web page:"),
                 QStringLiteral("Failed to display changed in ") + description);
            --showDepth_;
            return;
        }
        BrowserDocument document(browser);
        if (IsLoading(document.readyState())) {
            fail(QStringLiteral("Unable to open new web page:"), QStringLiteral("Failed to open web page: ") + description);
            --showDepth_;
            return;
        }

        browser->SetStatusText(QStringLiteral("Marking changes to HTML"));
        log::WriteLog(browser->StatusText().toStdString());
        wait->setWindowTitle(QStringLiteral("Comparing and marking web page"));
        wait->SetMessage(QStringLiteral("Currently comparing and marking changes on ") + description);
        while (browser && IsLoading(document.readyState())) PumpEvents(20);

        const bool showRemoved = settings_->ShowRemoved();
        RevisedItem revised = ReviseOffWindowThread(oPage, backup, showRemoved);
        if (browser) browser->Stop();

        if (browser && WriteRevisedBody(document, revised.html) &&
            ShowRevisedFrames(document, oPage, backup, frameWaitMs_, showRemoved) && browser) {
            wait.reset();
            browser->SetStatusText(QString());
            AddChangesBar(browser, Q(oPage->InsertColor()), Q(oPage->UpdateColor()));
            browser->ShowMaximized();
            AttachWatchPart(browser, oPage);
            EndShow();
            ApplyRevision(*oPage, revised);
            if (TreeNode* node = NodeOf(*oPage)) MarkParentsUpdate(node, false);
            statusBar()->clearMessage();
            log::WriteLog(oPage->Description() + " showed");
            auto* row = new QTreeWidgetItem(lstStatus_);
            row->setText(0, description);
            row->setIcon(0, shell::TreePicture(QStringLiteral("Page")));
            row->setText(1, QStringLiteral("Displayed"));
            row->setText(2, Q(clock_().FormatGeneral()));
            lstStatus_->scrollToItem(row);
            RefreshTrayIcon();
            SaveItems();
        } else {
            // The page stays marked: its saved copies go back to what they were, so the
            // changes are still there to be shown next time.
            backup.Restore();
            fail(QStringLiteral("Unable to display changes in web page:"),
                 QStringLiteral("Failed to display changed in ") + description);
        }
    } catch (...) {
        backup.Restore();
        if (browser) browser->Quit();
        wait.reset();
        EndShow();
        ReportError("");
    }
    --showDepth_;
}

}  // namespace pelmor::mainwindow
