// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The per-user setting through which the browser toolbar starts the program only to serve
// its connection object: "registry.ini" in the config folder, section "Toolbar", key
// "Running", text "True" or "False".

#include <string>

namespace pelmor::shell {

// Path of the per-user settings file.
std::string RegistryFile();

// Reads "Running" (default "False"), writes "False" back, and answers whether the value
// read was "True" in any letter case. A file that cannot be read counts as "False"; one
// that cannot be written is left as it is. Never throws.
bool TakeToolbarRunning();

}  // namespace pelmor::shell
