// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Autostart.h"

#include <QCoreApplication>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"

namespace pelmor::shell {
namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// One argument of an Exec line: quoted when it holds anything but plain characters, with
// the characters the desktop entry format reserves inside quotes escaped.
std::string ExecArgument(const std::string& argument) {
    bool plain = !argument.empty();
    for (char c : argument)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '.' || c == '-' || c == '_' || c == '+'))
            plain = false;
    if (plain) return argument;
    // Inside quotes the format reserves " ` $ and \; the value as a whole then escapes
    // every backslash once more, and a percent sign (a field code) is doubled.
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\') value += '\\';
        if (c == '%') value += '%';
        value += c;
    }
    return value;
}

}  // namespace

std::string StartupFolder() {
    std::string home = Env("PELMOR_HOME");
    if (!home.empty()) return home + "/autostart";
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') {
        std::string userHome = Env("HOME");
        if (userHome.empty()) return "";
        base = userHome + "/.config";
    }
    return base + "/autostart";
}

std::string StartupShortcutPath() {
    std::string folder = StartupFolder();
    return folder.empty() ? std::string() : folder + "/pelmor.desktop";
}

bool StartupShortcutExists() {
    std::error_code ec;
    std::string path = StartupShortcutPath();
    return !path.empty() && fs::exists(path, ec);
}

std::string StartupShortcutText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Pelmor\n"
           "Comment=Watches web pages for changes\n"
           "Exec=" +
           ExecArgument(program) +
           " hide\n"
           "Icon=pelmor\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void CreateStartupShortcut() {
    std::string folder = StartupFolder();
    // Without a folder there is nowhere to put the entry: nothing is created.
    if (folder.empty()) return;
    if (!EnsureFolder(folder))
        throw Failure(Fault::FileAccess, "Pelmor", "Cannot create the autostart folder " + folder);
    std::string program = QCoreApplication::applicationFilePath().toStdString();
    WriteFileAtomically(StartupShortcutPath(), StartupShortcutText(fs::absolute(program).string()));
}

void DeleteStartupShortcut() {
    std::string path = StartupShortcutPath();
    std::error_code ec;
    if (path.empty() || !fs::exists(fs::symlink_status(path, ec))) return;
    if (!fs::remove(path, ec) || ec)
        throw Failure(Fault::PermissionDenied, "Pelmor", "Cannot delete the autostart entry " + path + ": " + ec.message());
}

}  // namespace pelmor::shell
