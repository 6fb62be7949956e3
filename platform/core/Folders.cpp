// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Folders.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace pelmor {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string XdgFolder(const char* variable, const char* fallback) {
    std::string base = Env(variable);
    // The XDG rules ignore relative paths.
    if (base.empty() || base[0] != '/') base = HomeFolder() + "/" + fallback;
    return base + "/pelmor";
}

}  // namespace

std::string ConfigFolder() {
    std::string home = Env("PELMOR_HOME");
    if (!home.empty()) return home + "/config";
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string DataFolder() {
    std::string home = Env("PELMOR_HOME");
    if (!home.empty()) return home + "/data";
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

bool EnsureFolder(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return true;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

}  // namespace pelmor
