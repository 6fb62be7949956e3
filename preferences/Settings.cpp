// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferences/Settings.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

#include "platform/core/Failure.h"
#include "platform/core/Folders.h"
#include "platform/core/Strings.h"
#include "platform/ini/Ini.h"
#include "platform/log/Log.h"
#include "preferences/CacheFolder.h"
#include "preferences/INIHandler.h"
#include "preferences/LibraryLog.h"
#include "preferences/SettingsText.h"

namespace pelmor {
namespace {

constexpr const char* kSource = "Settings";

bool ReadBoolean(std::string_view key, const std::string& text) {
    if (EqualsNoCase(text, "True")) return true;
    if (EqualsNoCase(text, "False")) return false;
    double number = 0;
    if (ParseNumber(text, number)) return number != 0;
    throw Failure(Fault::WrongType, kSource,
                  "Type mismatch: the value \"" + text + "\" of " + std::string(key) + " is not a Boolean");
}

double ReadNumber(std::string_view key, const std::string& text) {
    double number = 0;
    if (!ParseNumber(text, number))
        throw Failure(Fault::WrongType, kSource,
                      "Type mismatch: the value \"" + text + "\" of " + std::string(key) + " is not a number");
    return number;
}

float ReadSingle(std::string_view key, const std::string& text) {
    double number = ReadNumber(key, text);
    if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max())
        throw Failure(Fault::Overflow, kSource, "Overflow: the value " + text + " of " + std::string(key));
    return static_cast<float>(number);
}

// A number rounded to a whole one, halves to the even neighbour.
double ReadWhole(std::string_view key, const std::string& text, double lowest, double highest) {
    double number = std::nearbyint(ReadNumber(key, text));
    if (!std::isfinite(number) || number < lowest || number > highest)
        throw Failure(Fault::Overflow, kSource, "Overflow: the value " + text + " of " + std::string(key));
    return number;
}

}  // namespace

Settings::Settings() { tamsin::OpenLibraryLog(); }

std::string Settings::GetWindowsFolder() {
    try {
        return ConfigFolder();
    } catch (const std::exception& error) {
        Report(error, "GetWindowsFolder");
        return std::string();
    }
}

std::string Settings::TargetINIFile() const {
    return iniFile_.empty() ? ConfigFolder() + "/" + settings_text::kINIFileName : iniFile_;
}

void Settings::Report(const std::exception& error, const char* operation) {
    Failure failure = FailureOf(error, kSource);
    lastError_ = failure.Description();
    log::LogLibraryError(log::File::Helper, failure, operation);
}

void Settings::LoadPreferences() {
    lastError_.clear();
    std::string folder = GetWindowsFolder();
    // Without a config folder there is no file to read: every key takes its default.
    iniFile_ = folder.empty() ? std::string() : folder + "/" + settings_text::kINIFileName;
    try {
        INIHandler ini;
        auto text = [&](const char* section, const char* key, std::string_view fallback) {
            return ini.ProfileGetItem(section, key, fallback, iniFile_);
        };
        // A value that cannot be read takes its key's default: the failure is logged and
        // reading goes on, so one bad line never costs the other settings.
        auto convert = [&](const char* section, const char* key, const char* fallback, auto read) {
            std::string value = text(section, key, fallback);
            try {
                return read(key, value);
            } catch (const std::exception& error) {
                Report(error, "LoadPreferences");
                return read(key, std::string(fallback));
            }
        };
        auto boolean = [&](const char* section, const char* key, const char* fallback) {
            return convert(section, key, fallback, ReadBoolean);
        };
        auto single = [&](const char* key, const char* fallback) { return convert("Form", key, fallback, ReadSingle); };
        const std::string library = DataFolder();

        appPath_ = text("Locations", "AppPath", library);
        xmlFile_ = text("Locations", "XMLFile", library + "/Files.XML");
        cacheFolder_ = text("Locations", "CacheFolder", library + "/Files");
        SetCurrentCacheFolder(cacheFolder_);
        defaultSoundFile_ = appPath_ + "/DingDong.Wav";

        autoCheck_ = boolean("Preferences", "AutoCheck", "False");
        windowsStart_ = boolean("Preferences", "WindowsStart", "False");
        softwareUpdate_ = boolean("Preferences", "SoftwareUpdate", "True");
        alertPopup_ = boolean("Preferences", "AlertPopup", "True");
        alertSound_ = boolean("Preferences", "AlertSound", "False");
        alertDesktop_ = boolean("Preferences", "AlertDesktop", "True");
        if (alertSound_) {
            defaultSound_ = boolean("Preferences", "DefaultSound", "True");
            soundFile_ = defaultSound_ ? defaultSoundFile_ : text("Preferences", "SoundFile", "");
            if (soundFile_.empty()) alertSound_ = false;
        } else {
            defaultSound_ = true;
            soundFile_.clear();
        }
        displayOld_ = boolean("Preferences", "DisplayOld", "False");
        showRemoved_ = boolean("Preferences", "ShowRemoved", "True");
        statusBar_ = boolean("Preferences", "StatusBar", "True");
        toolbar_ = boolean("Preferences", "Toolbar", "True");
        keepVersions_ = static_cast<int>(convert(
            "Preferences", "KeepVersions", "10",
            [](std::string_view key, const std::string& value) { return ReadWhole(key, value, 0, kMaxKeepVersions); }));

        formTop_ = single("Top", "0");
        formLeft_ = single("Left", "0");
        formHeight_ = single("Height", "5670");
        formWidth_ = single("Width", "9120");
        formWindowState_ = static_cast<int16_t>(
            convert("Form", "WindowState", "0", [](std::string_view key, const std::string& value) {
                return ReadWhole(key, value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
            }));

        treeFont_ = Font();
        treeFont_.Name = text("Font", "Name", "MS Sans Serif");
        treeFont_.Size = convert("Font", "Size", "8.25",
                                 [](std::string_view key, const std::string& value) { return ReadWhole(key, value, 0, 2048); });
        treeFont_.Bold = boolean("Font", "Bold", "FALSE");
        treeFont_.Underline = boolean("Font", "Underline", "FALSE");
        treeFont_.Italic = boolean("Font", "Italic", "FALSE");
        treeFont_.Strikethrough = boolean("Font", "Strikethrough", "FALSE");
    } catch (const std::exception& error) {
        Report(error, "LoadPreferences");
    }
}

void Settings::SavePreferences() {
    lastError_.clear();
    using settings_text::Boolean;
    using settings_text::Text;
    std::string path = TargetINIFile();
    ini::Document doc;
    bool loaded = false;
    try {
        doc = ini::Document::Load(path);
        loaded = true;
        doc.Set("Preferences", "SoftwareUpdate", Boolean(softwareUpdate_));
        doc.Set("Preferences", "StatusBar", Boolean(statusBar_));
        doc.Set("Preferences", "Toolbar", Boolean(toolbar_));
        doc.Set("Preferences", "AutoCheck", Boolean(autoCheck_));
        doc.Set("Preferences", "WindowsStart", Boolean(windowsStart_));
        doc.Set("Preferences", "DisplayOld", Boolean(displayOld_));
        doc.Set("Preferences", "ShowRemoved", Boolean(showRemoved_));
        doc.Set("Preferences", "AlertPopup", Boolean(alertPopup_));
        doc.Set("Preferences", "AlertSound", Boolean(alertSound_));
        doc.Set("Preferences", "AlertDesktop", Boolean(alertDesktop_));
        doc.Set("Preferences", "DefaultSound", Boolean(defaultSound_));
        doc.Set("Preferences", "SoundFile", Text(soundFile_));
        doc.Set("Preferences", "KeepVersions", std::to_string(keepVersions_));
        doc.Set("Font", "Name", Text(treeFont_.Name));
        doc.Set("Font", "Size", settings_text::FontSize(treeFont_.Size));
        doc.Set("Font", "Bold", Boolean(treeFont_.Bold));
        doc.Set("Font", "Underline", Boolean(treeFont_.Underline));
        doc.Set("Font", "Italic", Boolean(treeFont_.Italic));
        doc.Set("Font", "Strikethrough", Boolean(treeFont_.Strikethrough));
        doc.Set("Form", "Top", FormatNumber(formTop_));
        doc.Set("Form", "Left", FormatNumber(formLeft_));
        doc.Set("Form", "Height", FormatNumber(formHeight_));
        doc.Set("Form", "Width", FormatNumber(formWidth_));
        doc.Set("Form", "WindowState", std::to_string(formWindowState_));
    } catch (const std::exception& error) {
        Report(error, "");
        if (!loaded) return;
    }
    // The keys set before a refused value are still written.
    try {
        EnsureFolder(std::filesystem::path(path).parent_path().string());
        doc.Save(path);
    } catch (const std::exception& error) {
        Report(error, "");
    }
}

}  // namespace pelmor
