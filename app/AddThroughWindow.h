// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Adding pages and folders for a client on the bus, through the main window's own add
// commands without their dialogs: the item lands in the model, the tree and the profile.

#include <memory>
#include <string>

#include "items/Application.h"
#include "mainwindow/AddItems.h"

namespace pelmor::mainwindow {
class frmMain;
}

namespace pelmor::shell {

// Starts downloading the page into the cache; once it is in, it is added to `folder`, the
// tree and the profile file, and `done` gets it. An empty description is taken from the
// page's title. `done` gets null (nothing added) when the page cannot be downloaded.
void AddPageThroughWindow(mainwindow::frmMain& window, const std::shared_ptr<ItemList>& folder,
                          const std::string& url, const std::string& description, mainwindow::PageAdded done);
// Adds a folder with the parent's period and active flag to the tree and the profile file.
// Null when it cannot be added.
std::shared_ptr<Folder> AddFolderThroughWindow(mainwindow::frmMain& window, const std::shared_ptr<ItemList>& parent,
                                               const std::string& name, const std::string& description);

}  // namespace pelmor::shell
