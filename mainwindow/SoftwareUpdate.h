// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The software update check: the update server (Pelmor.ini, section "Locations", key
// "UpdateServer", empty by default) publishes the newest version as the text
// "major.minor.revision" in "admin/version.txt" and the installer beside it.

#include <optional>
#include <string>

namespace pelmor::mainwindow {

struct ProgramVersion {
    long Major = 0;
    long Minor = 0;
    long Revision = 0;
    friend auto operator<=>(const ProgramVersion&, const ProgramVersion&) = default;
};

// The version a text names, split at its first two dots into major, minor and revision
// (each the whole number it starts with, blanks around it ignored); nothing when it has
// fewer than three parts or a part is no number.
std::optional<ProgramVersion> ParseVersion(const std::string& text);

// The update server's base address from the INI file, ending in "/"; "" when none is set
// (or the file cannot be read).
std::string UpdateServer(const std::string& iniFile);
// Addresses of the version file and of the installer on a server.
std::string VersionFileURL(const std::string& server);
std::string InstallerURL(const std::string& server);

enum class UpdateAnswer {
    Newer,    // the server offers a greater version
    Current,  // the running version is the newest
    Unknown,  // no server set, the version file cannot be loaded or names no version
};

// Loads the version file from `server` and compares its version with `running` (major
// first, then minor, then revision). Blocks while the file loads: call it away from the
// window thread.
UpdateAnswer CheckServerVersion(const std::string& server, const ProgramVersion& running);

}  // namespace pelmor::mainwindow
