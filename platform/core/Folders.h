// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where Pelmor keeps its files. The config folder holds Pelmor.ini and registry.ini; the
// data folder holds the profile file Files.XML, the cache folder Files and the logs.
// With PELMOR_HOME set (tests), they are $PELMOR_HOME/config and $PELMOR_HOME/data;
// otherwise $XDG_CONFIG_HOME/pelmor and $XDG_DATA_HOME/pelmor, with the usual defaults
// ~/.config and ~/.local/share. The folders are read from the environment at every call.

#include <string>

namespace pelmor {

// Path of the config folder (not created).
std::string ConfigFolder();
// Path of the data folder (not created).
std::string DataFolder();
// Creates the folder and its parents when missing; false when it cannot be created.
bool EnsureFolder(const std::string& path);

}  // namespace pelmor
