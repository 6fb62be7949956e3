// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's import from the browser's bookmarks: the commands lead to the profiles
// part, which shows the "Add From Favorites" dialog and adds what was picked.

#include "mainwindow/ProfilesPart.h"
#include "mainwindow/frmMain.h"

namespace pelmor::mainwindow {

void frmMain::menuImportFavorites_Click() { ImportFromFavorites(model_->RootIndex()); }

void frmMain::menuAddFavorites_Click() { ImportFromFavorites(tree_->currentIndex()); }

void frmMain::ImportFromFavorites(const QModelIndex& targetIndex) {
    // A page is no place to import into; the root and folders are.
    if (std::shared_ptr<ItemList> target = model_->ListAt(targetIndex)) profiles_->ImportFromFavorites(target);
}

}  // namespace pelmor::mainwindow
