// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's import from the browser's bookmarks: the commands lead to the profiles
// part, which shows the "Add From Favorites" dialog and adds what was picked.

#include "mainwindow/ProfilesPart.h"
#include "mainwindow/frmMain.h"

namespace pelmor::mainwindow {

void frmMain::menuImportFavorites_Click() { ImportFromFavorites(tree_->RootNode()); }

void frmMain::menuAddFavorites_Click() { ImportFromFavorites(tree_->SelectedNode()); }

void frmMain::ImportFromFavorites(TreeNode* targetNode) {
    if (!targetNode || targetNode->AsPage()) return;
    profiles_->ImportFromFavorites(targetNode->AsList());
}

}  // namespace pelmor::mainwindow
