// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ToolbarHandshake.h"

#include "platform/core/Folders.h"
#include "platform/core/Strings.h"
#include "platform/ini/Ini.h"

namespace pelmor::shell {

std::string RegistryFile() { return ConfigFolder() + "/registry.ini"; }

bool TakeToolbarRunning() {
    std::string value = "False";
    try {
        value = ini::GetPrivateProfileString("Toolbar", "Running", "False", RegistryFile(), 2048);
    } catch (...) {
    }
    try {
        EnsureFolder(ConfigFolder());
        ini::WritePrivateProfileString("Toolbar", "Running", "False", RegistryFile());
    } catch (...) {
    }
    return EqualsNoCase(value, "True");
}

}  // namespace pelmor::shell
