// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferences/CacheFolder.h"

#include <mutex>
#include <optional>

#include "platform/core/Folders.h"
#include "preferences/INIHandler.h"
#include "preferences/SettingsText.h"

namespace pelmor {
namespace {

std::mutex mutex;
std::optional<std::string> current;

}  // namespace

std::string CurrentCacheFolder() {
    {
        std::lock_guard lock(mutex);
        if (current) return *current;
    }
    const std::string fallback = DataFolder() + "/Files";
    try {
        return INIHandler().ProfileGetItem("Locations", "CacheFolder", fallback,
                                           ConfigFolder() + "/" + settings_text::kINIFileName);
    } catch (const std::exception&) {
        return fallback;
    }
}

void SetCurrentCacheFolder(const std::string& folder) {
    std::lock_guard lock(mutex);
    current = folder;
}

}  // namespace pelmor
