// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The start-up entry: an XDG autostart file, "pelmor.desktop" in the user's autostart
// folder, that starts the program hidden ("hide") when the user logs in.

#include <string>

namespace pelmor::shell {

// The autostart folder: $PELMOR_HOME/autostart in tests, else $XDG_CONFIG_HOME/autostart
// (by default ~/.config/autostart). Not created here.
std::string StartupFolder();
// Full path of the entry; "" when no folder can be found.
std::string StartupShortcutPath();
// True when the entry exists; false also when looking fails.
bool StartupShortcutExists();
// The text of an entry that starts `program` (an absolute path) with "hide".
std::string StartupShortcutText(const std::string& program);
// Writes the entry for the running program, creating the folder; throws Failure when it
// cannot be written.
void CreateStartupShortcut();
// Deletes the entry when it exists; throws Failure when it cannot be deleted.
void DeleteStartupShortcut();

}  // namespace pelmor::shell
