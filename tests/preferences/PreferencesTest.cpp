// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/core/Failure.h"
#include "preferences/INIHandler.h"
#include "preferences/Settings.h"
#include "support/TempHome.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

class PreferencesTest : public ::testing::Test {
protected:
    fs::path IniPath() const { return home_.Config() / "Pelmor.ini"; }
    void WriteIni(const std::string& bytes) { test::WriteFile(IniPath(), bytes); }
    std::string HelperLog() const { return test::ReadFile(home_.Data() / "PelmorHelper.log"); }

    test::TempHome home_;
};

TEST_F(PreferencesTest, WithoutIniFileEveryKeyTakesItsDefault) {
    Settings settings;
    settings.LoadPreferences();
    const std::string data = home_.Data().string();
    EXPECT_EQ(settings.INIFile(), IniPath().string());
    EXPECT_EQ(settings.AppPath(), data);
    EXPECT_EQ(settings.XMLFile(), data + "/Files.XML");
    EXPECT_EQ(settings.CacheFolder(), data + "/Files");
    EXPECT_EQ(settings.DefaultSoundFile(), data + "/DingDong.Wav");
    EXPECT_FALSE(settings.AutoCheck());
    EXPECT_FALSE(settings.WindowsStart());
    EXPECT_TRUE(settings.SoftwareUpdate());
    EXPECT_EQ(settings.KeepVersions(), 10);
    EXPECT_TRUE(settings.AlertPopup());
    EXPECT_FALSE(settings.AlertSound());
    EXPECT_TRUE(settings.DefaultSound());
    EXPECT_EQ(settings.SoundFile(), "");
    EXPECT_FALSE(settings.DisplayOld());
    EXPECT_TRUE(settings.ShowRemoved());
    EXPECT_TRUE(settings.StatusBar());
    EXPECT_TRUE(settings.Toolbar());
    EXPECT_EQ(settings.FormTop(), 0.0f);
    EXPECT_EQ(settings.FormLeft(), 0.0f);
    EXPECT_EQ(settings.FormHeight(), 5670.0f);
    EXPECT_EQ(settings.FormWidth(), 9120.0f);
    EXPECT_EQ(settings.FormWindowState(), 0);
    EXPECT_EQ(settings.TreeFont(), (Font{"MS Sans Serif", 8, false, false, false, false}));
    EXPECT_EQ(settings.LastError(), "");
    // Reading creates nothing.
    EXPECT_FALSE(fs::exists(IniPath()));
}

TEST_F(PreferencesTest, SoundKeysDependOnAlertSound) {
    struct Case {
        const char* keys;
        bool alertSound;
        bool defaultSound;
        const char* soundFile;  // "*" stands for the default sound file
    } cases[] = {
        {"AlertSound=True\nDefaultSound=False\n", false, false, ""},
        {"AlertSound=True\nDefaultSound=False\nSoundFile=/snd/bell.wav\n", true, false, "/snd/bell.wav"},
        {"AlertSound=True\nDefaultSound=True\nSoundFile=/snd/bell.wav\n", true, true, "*"},
        {"AlertSound=True\n", true, true, "*"},
        {"AlertSound=False\nDefaultSound=False\nSoundFile=/snd/bell.wav\n", false, true, ""},
        // Not read at all while AlertSound is False, so a bad value does no harm.
        {"AlertSound=0\nDefaultSound=maybe\n", false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        WriteIni(std::string("[Preferences]\n") + c.keys);
        Settings settings;
        settings.LoadPreferences();
        EXPECT_EQ(settings.AlertSound(), c.alertSound);
        EXPECT_EQ(settings.DefaultSound(), c.defaultSound);
        EXPECT_EQ(settings.SoundFile(), std::string(c.soundFile) == "*" ? settings.DefaultSoundFile() : c.soundFile);
        EXPECT_EQ(settings.LastError(), "");
    }
}

TEST_F(PreferencesTest, ValuesAreReadLeniently) {
    WriteIni(
        "[font]\nSIZE=10.5\nbold=TRUE\nunderline=-1\nitalic=0\nstrikethrough= \"true\" \n"
        "[FORM]\ntop=120.5\nWindowState=1.5\n"
        "[Preferences]\nAutoCheck=2.5\nStatusBar=fAlSe\n"
        "[Locations]\nAppPath=/opt/pelmor\nXMLFile=/home/u/My Files.xml\n");
    Settings settings;
    settings.LoadPreferences();
    EXPECT_EQ(settings.TreeFont(), (Font{"MS Sans Serif", 10, true, false, true, true}));
    EXPECT_EQ(settings.FormTop(), 120.5f);
    EXPECT_EQ(settings.FormWindowState(), 2);
    EXPECT_TRUE(settings.AutoCheck());
    EXPECT_FALSE(settings.StatusBar());
    EXPECT_EQ(settings.AppPath(), "/opt/pelmor");
    EXPECT_EQ(settings.DefaultSoundFile(), "/opt/pelmor/DingDong.Wav");
    EXPECT_EQ(settings.XMLFile(), "/home/u/My Files.xml");
    EXPECT_EQ(settings.CacheFolder(), home_.Data().string() + "/Files");

    for (auto [stored, expected] : {std::pair{"11.5", 12.0}, {"12.5", 12.0}, {"8.25", 8.0}, {"9.75", 10.0}}) {
        WriteIni(std::string("[Font]\nSize=") + stored + "\n");
        settings.LoadPreferences();
        EXPECT_EQ(settings.TreeFont().Size, expected) << stored;
    }
}

TEST_F(PreferencesTest, SaveThenLoadGivesEveryPreferenceBack) {
    Settings saved;
    saved.LoadPreferences();
    saved.SetSoundFile("  /snd/with blanks.wav ");
    saved.SetAlertSound(true);
    saved.SetDefaultSound(false);
    saved.SetDisplayOld(true);
    saved.SetShowRemoved(false);
    saved.SetKeepVersions(3);
    saved.SetStatusBar(false);
    saved.SetToolbar(false);
    saved.SetAlertPopup(false);
    saved.SetAutoCheck(true);
    saved.SetSoftwareUpdate(false);
    saved.SetWindowsStart(true);
    saved.SetFormTop(120.5f);
    saved.SetFormLeft(-30);
    saved.SetFormHeight(7000.25f);
    saved.SetFormWidth(0.1f);
    saved.SetFormWindowState(2);
    Font& font = saved.TreeFont();
    font = Font{"DejaVu Sans", 10.5, true, true, false, true};
    saved.SavePreferences();
    EXPECT_EQ(saved.LastError(), "");

    Settings loaded;
    loaded.LoadPreferences();
    EXPECT_EQ(loaded.SoundFile(), "  /snd/with blanks.wav ");
    EXPECT_TRUE(loaded.AlertSound());
    EXPECT_FALSE(loaded.DefaultSound());
    EXPECT_TRUE(loaded.DisplayOld());
    EXPECT_FALSE(loaded.ShowRemoved());
    EXPECT_EQ(loaded.KeepVersions(), 3);
    EXPECT_FALSE(loaded.StatusBar());
    EXPECT_FALSE(loaded.Toolbar());
    EXPECT_FALSE(loaded.AlertPopup());
    EXPECT_TRUE(loaded.AutoCheck());
    EXPECT_FALSE(loaded.SoftwareUpdate());
    EXPECT_TRUE(loaded.WindowsStart());
    EXPECT_EQ(loaded.FormTop(), 120.5f);
    EXPECT_EQ(loaded.FormLeft(), -30.0f);
    EXPECT_EQ(loaded.FormHeight(), 7000.25f);
    EXPECT_EQ(loaded.FormWidth(), 0.1f);
    EXPECT_EQ(loaded.FormWindowState(), 2);
    EXPECT_EQ(loaded.TreeFont(), (Font{"DejaVu Sans", 10, true, true, false, true}));

    const std::string ini = test::ReadFile(IniPath());
    for (const char* line : {"SoftwareUpdate=False\n", "AutoCheck=True\n", "Size=10.5\n", "Top=120.5\n", "Width=0.1\n",
                             "WindowState=2\n", "SoundFile=\"  /snd/with blanks.wav \"\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    EXPECT_EQ(ini.find("[Locations]"), std::string::npos);

    // While the default sound is chosen, the stored sound file comes back as the default one.
    loaded.SetDefaultSound(true);
    loaded.SavePreferences();
    Settings again;
    again.LoadPreferences();
    EXPECT_EQ(again.SoundFile(), again.DefaultSoundFile());
}

TEST_F(PreferencesTest, SavingKeepsTheRestOfTheFile) {
    const std::string before = "; my notes\r\n[Locations]\r\nXMLFile=/x/Profile.xml\r\n\r\n[Extra]\r\nKeep=me\r\n";
    WriteIni(before);
    Settings settings;
    settings.LoadPreferences();
    settings.TreeFont().Size = 9.12345;
    settings.SavePreferences();
    const std::string after = test::ReadFile(IniPath());
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_NE(after.find("Size=9.1235\r\n"), std::string::npos);
    EXPECT_EQ(settings.XMLFile(), "/x/Profile.xml");
}

TEST_F(PreferencesTest, SaveBeforeLoadWritesTheDefaultFile) {
    Settings settings;
    settings.SetAutoCheck(true);
    settings.SavePreferences();
    EXPECT_EQ(settings.LastError(), "");
    const std::string ini = test::ReadFile(IniPath());
    EXPECT_NE(ini.find("AutoCheck=True"), std::string::npos);
    EXPECT_NE(ini.find("Size=0\n"), std::string::npos);
}

TEST_F(PreferencesTest, UnreadableValueTakesItsDefaultAndReadingGoesOn) {
    for (const char* bad : {"AutoCheck=yes\n", "AutoCheck=\n", "AutoCheck=\"\"\n"}) {
        SCOPED_TRACE(bad);
        fs::remove(home_.Data() / "PelmorHelper.log");
        WriteIni(std::string("[Preferences]\n") + bad +
                 "StatusBar=False\nAlertPopup=False\n[Form]\nTop=99\nHeight=high\n[Font]\nName=Sans\n");
        Settings settings;
        settings.SetAutoCheck(true);
        settings.LoadPreferences();
        EXPECT_FALSE(settings.AutoCheck());  // its default
        EXPECT_FALSE(settings.StatusBar());  // read after the bad value
        EXPECT_FALSE(settings.AlertPopup());
        EXPECT_EQ(settings.FormTop(), 99.0f);
        EXPECT_EQ(settings.FormHeight(), 5670.0f);
        EXPECT_EQ(settings.TreeFont().Name, "Sans");
        EXPECT_NE(settings.LastError(), "");
        const std::string log = HelperLog();
        EXPECT_NE(log.find("Number: 13"), std::string::npos);
        EXPECT_NE(log.find("\r\nParam: LoadPreferences"), std::string::npos);

        // Saving afterwards writes the values read, not zeros.
        settings.SavePreferences();
        const std::string ini = test::ReadFile(IniPath());
        EXPECT_NE(ini.find("Toolbar=True"), std::string::npos);
        EXPECT_NE(ini.find("Top=99"), std::string::npos);
    }

    WriteIni("[Form]\nWindowState=40000\n");
    Settings settings;
    settings.LoadPreferences();
    EXPECT_EQ(settings.FormWindowState(), 0);
    EXPECT_NE(HelperLog().find("Number: 6"), std::string::npos);
}

TEST_F(PreferencesTest, FailedSaveIsLoggedAndLosesNothing) {
    // A value that would break the file: the keys before it are written, the rest are not.
    WriteIni("[Preferences]\nStatusBar=True\n[Font]\nName=Old\n");
    Settings settings;
    settings.LoadPreferences();
    settings.SetStatusBar(false);
    settings.SetSoundFile("/a\nAutoCheck=True");
    settings.TreeFont().Name = "New";
    settings.SavePreferences();
    EXPECT_NE(settings.LastError(), "");
    std::string ini = test::ReadFile(IniPath());
    EXPECT_NE(ini.find("StatusBar=False"), std::string::npos);
    EXPECT_NE(ini.find("Name=Old"), std::string::npos);
    EXPECT_EQ(ini.find("AutoCheck=True"), std::string::npos);
    const std::string log = HelperLog();
    EXPECT_NE(log.find("Number: 5"), std::string::npos);
    EXPECT_EQ(log.find("Param:"), std::string::npos);

    // The config folder cannot be created: a clear failure, no file anywhere.
    fs::remove_all(home_.Config());
    test::WriteFile(home_.Config(), "not a folder");
    Settings blocked;
    blocked.SavePreferences();
    EXPECT_NE(blocked.LastError(), "");
}

TEST_F(PreferencesTest, FirstObjectOnAThreadOpensTheLibraryLog) {
    const fs::path log = home_.Data() / "PelmorHelper.log";
    std::thread([] { INIHandler handler; }).join();
    ASSERT_TRUE(fs::is_regular_file(log));
    EXPECT_EQ(fs::file_size(log), 0u);
    // Later objects on the same thread leave the log alone.
    fs::remove(log);
    std::thread([&log] {
        Settings first;
        fs::remove(log);
        Settings second;
        INIHandler third;
    }).join();
    EXPECT_FALSE(fs::exists(log));
}

TEST(INIHandlerTest, ReadsAtMost2047CharactersAndPassesFailuresOn) {
    test::TempHome home;
    const std::string file = (home.Root() / "h.ini").string();
    INIHandler ini;
    ini.ProfileSaveItem("S", "Long", std::string(3000, 'a'), file);
    ini.ProfileSaveItem("S", "Empty", "", file);
    EXPECT_EQ(ini.ProfileGetItem("s", "long", "", file), std::string(2047, 'a'));
    EXPECT_EQ(ini.ProfileGetItem("S", "Empty", "def", file), "");
    EXPECT_EQ(ini.ProfileGetItem("S", "Missing", "def", file), "def");
    ini.ProfileDeleteItem("S", "LONG", file);
    EXPECT_EQ(ini.ProfileGetItem("S", "Long", "gone", file), "gone");
    ini.ProfileDeleteSection("s", file);
    EXPECT_EQ(test::ReadFile(file), "");
    EXPECT_THROW(ini.ProfileSaveItem("S", "k", "v", (home.Root() / "none" / "h.ini").string()), Failure);
}

}  // namespace
}  // namespace pelmor
