// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AddThroughWindow.h"

#include "mainwindow/frmMain.h"

namespace pelmor::shell {
namespace {

int16_t PeriodTimeOf(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).PeriodTime()
                                : static_cast<const Folder&>(list).PeriodTime();
}
dfUnits PeriodUnitOf(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).PeriodUnit()
                                : static_cast<const Folder&>(list).PeriodUnit();
}

}  // namespace

// The window's own add commands, quiet: nobody sits in front of the screen for a client
// on the bus, so refusals and failures go to the status bar and the logs, not to message
// boxes. New items take the period of their folder, as the add dialogs suggest it.
void AddPageThroughWindow(mainwindow::frmMain& window, const std::shared_ptr<ItemList>& folder,
                          const std::string& url, const std::string& description, mainwindow::PageAdded done) {
    window.AddPageToFolder(folder, url, description, description.empty(), PeriodTimeOf(*folder),
                           PeriodUnitOf(*folder), mainwindow::AddFeedback::Quiet, std::move(done));
}

std::shared_ptr<Folder> AddFolderThroughWindow(mainwindow::frmMain& window, const std::shared_ptr<ItemList>& parent,
                                               const std::string& name, const std::string& description) {
    return window.AddSubfolderToFolder(parent, name, description, PeriodTimeOf(*parent), PeriodUnitOf(*parent),
                                       mainwindow::AddFeedback::Quiet);
}

}  // namespace pelmor::shell
