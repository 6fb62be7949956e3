// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Version.h"

namespace pelmor {

std::string_view PelmorVersion() { return PELMOR_VERSION; }

std::string_view LicenceName() { return "GNU General Public License, version 3 or later"; }

std::string VersionText(std::string_view program) {
    std::string text(program);
    text += " (Pelmor) ";
    text += PelmorVersion();
    text +=
        "\nCopyright (C) 2026 The Pelmor developers\n"
        "License GPLv3+: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl.html>.\n"
        "This is free software: you are free to change and redistribute it.\n"
        "There is NO WARRANTY, to the extent permitted by law.\n";
    return text;
}

}  // namespace pelmor
