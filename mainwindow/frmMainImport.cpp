// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's import from the browser's bookmarks: the "Add From Favorites" dialog,
// then each folder and page picked is added through the same road as the user's own
// additions, with the progress shown and a way to stop between two pages.

#include <QAction>
#include <QApplication>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidgetItem>

#include "items/Folder.h"
#include "mainwindow/frmFavorites.h"
#include "mainwindow/frmMain.h"
#include "platform/log/Log.h"
#include "shell/ErrorReport.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

int CountPages(const QTreeWidgetItem* node) {
    if (!node) return 0;
    int count = frmFavorites::PictureOf(node) == QLatin1String("Page") ? 1 : 0;
    for (int i = 0; i < node->childCount(); ++i) count += CountPages(node->child(i));
    return count;
}

}  // namespace

// Where a running import stands.
struct frmMain::ImportRun {
    int total = 0;
    int started = 0;
    int done = 0;
    QProgressDialog* progress = nullptr;
    bool Cancelled() const { return progress && progress->wasCanceled(); }
};

void frmMain::menuImportFavorites_Click() {
    ImportFromFavorites(model_->RootIndex());
}

void frmMain::menuAddFavorites_Click() { ImportFromFavorites(tree_->currentIndex()); }

void frmMain::ImportFromFavorites(const QModelIndex& targetIndex) {
    std::shared_ptr<ItemList> target = model_->ListAt(targetIndex);
    if (!target || importRun_) return;
    const bool timerWasActive = mdlTimer_->isActive();
    mdlTimer_->stop();
    try {
        log::WriteLog("ImportFromFavorites entered");
        frmFavorites dialog(this);
        dialog.exec();
        if (cTreeViewMultiSelect* selection = dialog.GetFoldersToImport(); selection && target) {
            ImportRun run;
            for (int i = 1; i <= selection->SelectionCount(); ++i) run.total += CountPages(selection->SelectedNode(i));
            // Its own window: the main window is disabled while a page downloads, and the
            // button must stay within reach.
            QProgressDialog progress(QStringLiteral("Adding 0 of %1").arg(run.total), QStringLiteral("Cancel"), 0,
                                     std::max(run.total, 1));
            progress.setObjectName(QStringLiteral("frmImportProgress"));
            progress.setWindowTitle(QStringLiteral("Importing from favorites"));
            progress.setWindowIcon(windowIcon());
            progress.setMinimumDuration(0);
            progress.setAutoClose(false);
            progress.setAutoReset(false);
            progress.setWindowFlag(Qt::WindowStaysOnTopHint);
            if (run.total > 0) {
                progress.show();
                progress.move(geometry().center() - progress.rect().center() + QPoint(0, height() / 3));
            }
            run.progress = &progress;
            importRun_ = &run;
            for (int i = 1; i <= selection->SelectionCount() && !run.Cancelled(); ++i)
                ImportFavoritesNode(target, selection->SelectedNode(i));
            importRun_ = nullptr;
            statusBar()->showMessage(run.Cancelled()
                                         ? QStringLiteral("Stopped importing from favorites after %1 of %2 pages")
                                               .arg(run.done)
                                               .arg(run.total)
                                         : QStringLiteral("Finished importing from favorites"));
        }
    } catch (...) {
        importRun_ = nullptr;
        ReportError("");
    }
    setEnabled(true);
    if (timerWasActive) mdlTimer_->start();
}

void frmMain::ImportFavoritesNode(const std::shared_ptr<ItemList>& parentItem, QTreeWidgetItem* favoritesNode) {
    if (!favoritesNode || (importRun_ && importRun_->Cancelled())) return;
    std::shared_ptr<ItemList> parent = parentItem ? parentItem : std::static_pointer_cast<ItemList>(application_);
    const QString picture = frmFavorites::PictureOf(favoritesNode);
    const std::string text = favoritesNode->text(0).toStdString();
    if (picture == QLatin1String("Folder") || picture == QLatin1String("Favorites")) {
        std::shared_ptr<Folder> folder = AddSubfolderToFolder(parent, text, "", 1, dfDay);
        // A folder of that name exists already: its entries are not imported.
        if (!folder) return;
        for (int i = 0; i < favoritesNode->childCount(); ++i) ImportFavoritesNode(folder, favoritesNode->child(i));
    } else if (picture == QLatin1String("Page")) {
        if (importRun_) {
            ++importRun_->started;
            importRun_->progress->setLabelText(
                QStringLiteral("Adding %1 of %2").arg(importRun_->started).arg(importRun_->total));
            importRun_->progress->setValue(importRun_->started - 1);
            QCoreApplication::processEvents();
            if (importRun_->Cancelled()) return;
        }
        AddPageToFolder(parent, frmFavorites::URLOf(favoritesNode).toStdString(), text, false, 1, dfDay);
        if (importRun_) importRun_->progress->setValue(++importRun_->done);
    }
}

}  // namespace pelmor::mainwindow
