// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The cache folder of the current profile, shared by everything in the process that
// deletes saved copies: nothing outside it is ever deleted.

#include <string>

namespace pelmor {

// The folder the last LoadPreferences, LoadProfile or SaveProfile of a Settings made
// current; before any of them ran, the one "Pelmor.ini" names (the data folder's "Files"
// when it names none, or cannot be read).
std::string CurrentCacheFolder();

// Makes `folder` the current cache folder of the process.
void SetCurrentCacheFolder(const std::string& folder);

}  // namespace pelmor
