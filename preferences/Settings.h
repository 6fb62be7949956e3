// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's preferences and the location of the current profile, kept in "Pelmor.ini"
// in the config folder (sections "Locations", "Preferences", "Form" and "Font"), and the
// operations that save, switch and set the default profile.
//
// Every operation traps its own failures: it appends an error record to PelmorHelper.log
// and keeps the description of the failure for the caller in LastError(), so that the
// window can show it. Nothing is thrown.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

namespace pelmor {

class Application;

// How many versions a page keeps when the preferences name no number.
inline constexpr int kDefaultKeepVersions = 10;
// The most "Keep versions" may be.
inline constexpr int kMaxKeepVersions = 1000;

// Font of the main window's tree.
struct Font {
    std::string Name;
    double Size = 0;  // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;

    friend bool operator==(const Font&, const Font&) = default;
};

class Settings {
public:
    // Everything empty, False or 0 until LoadPreferences runs. The first object of the
    // library created on a thread opens PelmorHelper.log.
    Settings();

    // The built-in alert sound, AppPath() + "/DingDong.Wav".
    const std::string& DefaultSoundFile() const { return defaultSoundFile_; }
    const std::string& SoundFile() const { return soundFile_; }
    void SetSoundFile(std::string soundFile) { soundFile_ = std::move(soundFile); }
    bool DisplayOld() const { return displayOld_; }
    void SetDisplayOld(bool value) { displayOld_ = value; }
    // Removed content is shown struck through where it stood when a page is shown.
    bool ShowRemoved() const { return showRemoved_; }
    void SetShowRemoved(bool value) { showRemoved_ = value; }
    bool StatusBar() const { return statusBar_; }
    void SetStatusBar(bool value) { statusBar_ = value; }
    bool Toolbar() const { return toolbar_; }
    void SetToolbar(bool value) { toolbar_ = value; }
    bool AlertPopup() const { return alertPopup_; }
    void SetAlertPopup(bool value) { alertPopup_ = value; }
    // Alerts go to the desktop's notifications where a notification server runs; false
    // keeps them in Pelmor's own popup.
    bool AlertDesktop() const { return alertDesktop_; }
    void SetAlertDesktop(bool value) { alertDesktop_ = value; }
    bool AlertSound() const { return alertSound_; }
    void SetAlertSound(bool value) { alertSound_ = value; }
    bool DefaultSound() const { return defaultSound_; }
    void SetDefaultSound(bool value) { defaultSound_ = value; }
    // How many past versions of each page the checker keeps (0: none).
    int KeepVersions() const { return keepVersions_; }
    void SetKeepVersions(int value) { keepVersions_ = value; }
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    // The tree font itself: callers change it in place. LoadPreferences overwrites it.
    Font& TreeFont() { return treeFont_; }
    const Font& TreeFont() const { return treeFont_; }
    // Path of the current profile file.
    const std::string& XMLFile() const { return xmlFile_; }
    // Folder of the saved copies of the current profile.
    const std::string& CacheFolder() const { return cacheFolder_; }
    // The installation folder as recorded in the INI file (the data folder by default).
    const std::string& AppPath() const { return appPath_; }
    // Main window placement in twips.
    float FormTop() const { return formTop_; }
    void SetFormTop(float value) { formTop_ = value; }
    float FormLeft() const { return formLeft_; }
    void SetFormLeft(float value) { formLeft_ = value; }
    float FormHeight() const { return formHeight_; }
    void SetFormHeight(float value) { formHeight_ = value; }
    float FormWidth() const { return formWidth_; }
    void SetFormWidth(float value) { formWidth_ = value; }
    // 0 normal, 1 minimised, 2 maximised.
    int16_t FormWindowState() const { return formWindowState_; }
    void SetFormWindowState(int16_t value) { formWindowState_ = value; }

    // Writes the "Preferences", "Font" and "Form" keys in one atomic replacement of the INI
    // file, leaving "Locations" and every other line alone. Before any LoadPreferences it
    // writes to the default INI path, ConfigFolder() + "/Pelmor.ini". On failure nothing is
    // written, unless a value cannot be stored (a line break in a text), in which case the
    // keys before it are written and the rest are not.
    void SavePreferences();
    // Reads every key, in order, with the defaults for missing ones. A value that cannot be
    // read (a Boolean that is neither True/False nor a number, a number that is not one or
    // is out of range) takes its key's default, is logged (and kept in LastError()), and
    // reading goes on. When the file itself cannot be read, reading stops there.
    void LoadPreferences();

    // Records XMLFile and CacheFolder in "Locations" as the profile of the next start.
    void SetProfileAsDefault();
    // Saves the tree as the profile file xmlName and makes it the current profile; the
    // saved copies of the current cache folder are copied into the new profile's cache
    // folder (the file's folder + "/" + its name without extension) when that is another
    // folder on disk, and the pages and frames whose copies lie in the current cache
    // folder are pointed at their new copies before the file is written. The originals
    // are never changed. On failure (missing folder, unwritable file) the current profile
    // and the pages stay as they were.
    // `copiesMade`: CopyProfileFiles has copied the saved copies already.
    void SaveProfile(const Application& application, const std::string& xmlName, bool copiesMade = false);
    // The copying step of SaveProfile on its own, for any thread: the saved copies of
    // `fromCacheFolder` into the cache folder of xmlName's profile (nothing when that
    // is the same folder). Throws Failure like SaveProfile would fail.
    static void CopyProfileFiles(const std::string& fromCacheFolder, const std::string& xmlName);
    // Replaces application by a new tree read from xmlName, which becomes the current
    // profile; a missing file is created empty (root active, checked every day), a missing
    // cache folder is created. When the
    // file's folder does not exist, nothing changes. When the file cannot be read,
    // application holds what could be read (at first an empty tree).
    void LoadProfile(std::shared_ptr<Application>& application, const std::string& xmlName);
    // The reading step of LoadProfile on its own, for any thread: the tree of xmlName
    // (created empty when missing, with its cache folder) and the profile it names.
    // Throws Failure when the name cannot be a profile (nothing is created then); `error`
    // says why the file could not be read whole (`application` holds what was read).
    struct ProfileRead {
        std::shared_ptr<Application> application;
        std::string xmlFile;
        std::string cacheFolder;
        std::string error;
        std::exception_ptr failure;  // the failure `error` describes
    };
    static ProfileRead ReadProfile(const std::string& xmlName);
    // Makes the profile ReadProfile read the current one.
    void UseProfile(const ProfileRead& read);

    bool SoftwareUpdate() const { return softwareUpdate_; }
    void SetSoftwareUpdate(bool value) { softwareUpdate_ = value; }
    bool WindowsStart() const { return windowsStart_; }
    void SetWindowsStart(bool value) { windowsStart_ = value; }

    // Full path of the INI file; empty before LoadPreferences.
    const std::string& INIFile() const { return iniFile_; }
    // Description of the failure of the last call of LoadPreferences, SavePreferences,
    // SetProfileAsDefault, SaveProfile or LoadProfile; empty when that call succeeded.
    const std::string& LastError() const { return lastError_; }

private:
    // Folder of the INI file (the config folder); "" when it cannot be found.
    std::string GetWindowsFolder();
    // The INI file LoadPreferences chose, or the default one before it ran.
    std::string TargetINIFile() const;
    // Logs the failure in flight for `operation` and keeps its description for LastError().
    void Report(const std::exception& error, const char* operation);

    std::string defaultSoundFile_;
    std::string soundFile_;
    bool displayOld_ = false;
    bool showRemoved_ = false;
    bool statusBar_ = false;
    bool toolbar_ = false;
    bool alertPopup_ = false;
    bool alertSound_ = false;
    bool alertDesktop_ = true;
    bool defaultSound_ = false;
    bool autoCheck_ = false;
    int keepVersions_ = 0;
    Font treeFont_;
    std::string xmlFile_;
    std::string cacheFolder_;
    std::string appPath_;
    float formTop_ = 0;
    float formLeft_ = 0;
    float formHeight_ = 0;
    float formWidth_ = 0;
    int16_t formWindowState_ = 0;
    bool softwareUpdate_ = false;
    bool windowsStart_ = false;
    std::string iniFile_;
    std::string lastError_;
};

}  // namespace pelmor
