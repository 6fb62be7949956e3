// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "items/Application.h"
#include "items/Page.h"
#include "preferences/Settings.h"
#include "support/TempHome.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

class ProfilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.LoadPreferences();
        cache_ = home_.Data() / "Files";
        test::WriteFile(cache_ / "1.html", "<p>one</p>");
        test::WriteFile(cache_ / "2.html", "<p>two</p>");
        test::WriteFile(cache_ / "sub" / "3.html", "<p>three</p>");
        auto page = Page::Create();
        page->SetDescription("Example");
        page->SetURL("http://example.com/");
        page->SetSavedFile("1.html");
        app_->AddItem(page);
        app_->SaveItems(settings_.XMLFile());
    }
    void ExpectOriginalsIntact() const {
        EXPECT_EQ(test::ReadFile(cache_ / "1.html"), "<p>one</p>");
        EXPECT_EQ(test::ReadFile(cache_ / "2.html"), "<p>two</p>");
        EXPECT_EQ(test::ReadFile(cache_ / "sub" / "3.html"), "<p>three</p>");
    }
    std::string HelperLog() const { return test::ReadFile(home_.Data() / "PelmorHelper.log"); }

    test::TempHome home_;
    Settings settings_;
    fs::path cache_;
    std::shared_ptr<Application> app_ = Application::Create();
};

TEST_F(ProfilesTest, SaveProfileElsewhereCopiesTheSavedCopies) {
    fs::path other = home_.Root() / "other";
    fs::create_directories(other / "Mine");
    test::WriteFile(other / "Mine" / "2.html", "stale");
    settings_.SaveProfile(*app_, (other / "Mine.xml").string());

    EXPECT_EQ(settings_.LastError(), "");
    EXPECT_EQ(settings_.XMLFile(), (other / "Mine.xml").string());
    EXPECT_EQ(settings_.CacheFolder(), (other / "Mine").string());
    EXPECT_EQ(test::ReadFile(other / "Mine" / "1.html"), "<p>one</p>");
    EXPECT_EQ(test::ReadFile(other / "Mine" / "2.html"), "<p>two</p>");
    EXPECT_FALSE(fs::exists(other / "Mine" / "sub"));
    ExpectOriginalsIntact();

    auto copy = Application::Create();
    copy->LoadItems(settings_.XMLFile());
    ASSERT_EQ(copy->ItemsCount(), 1);
    // The profile change is not recorded for the next start.
    EXPECT_FALSE(fs::exists(home_.Config() / "Pelmor.ini"));
}

TEST_F(ProfilesTest, SaveProfileIntoTheSameCacheFolderCopiesNothing) {
    auto stamp = fs::last_write_time(cache_ / "1.html");
    settings_.SaveProfile(*app_, settings_.XMLFile());
    EXPECT_EQ(settings_.LastError(), "");
    EXPECT_EQ(fs::last_write_time(cache_ / "1.html"), stamp);

    // The same folder under another name: nothing is copied onto itself.
    fs::create_directory_symlink(home_.Data(), home_.Root() / "alias");
    settings_.SaveProfile(*app_, (home_.Root() / "alias" / "Files.XML").string());
    EXPECT_EQ(settings_.LastError(), "");
    EXPECT_EQ(settings_.CacheFolder(), (home_.Root() / "alias" / "Files").string());
    ExpectOriginalsIntact();
    EXPECT_EQ(fs::last_write_time(cache_ / "1.html"), stamp);
}

TEST_F(ProfilesTest, SavedProfileOwnsItsCopiesAndTheOldProfileKeepsItsOwn) {
    auto page = Page::Create();
    page->SetURL("http://example.com/framed");
    page->SetSavedFile((cache_ / "2.html").string());
    page->AddFrame("http://example.com/frame", (cache_ / "1.html").string())
        ->AddFrame("http://example.com/inner", (cache_ / "sub" / "3.html").string());
    app_->AddItem(page);
    app_->SaveItems(settings_.XMLFile());
    const std::string oldProfile = test::ReadFile(settings_.XMLFile());

    // On Linux "files" is another folder than "Files": the copies must go there too.
    const fs::path file = home_.Data() / "files.xml";
    settings_.SaveProfile(*app_, file.string());
    ASSERT_EQ(settings_.LastError(), "");
    const fs::path folder = home_.Data() / "files";
    EXPECT_EQ(test::ReadFile(folder / "2.html"), "<p>two</p>");

    auto saved = Application::Create();
    saved->LoadItems(file.string());
    auto savedPage = std::static_pointer_cast<Page>(saved->ItemAt(1));
    ASSERT_TRUE(savedPage);
    EXPECT_EQ(savedPage->SavedFile(), (folder / "2.html").string());
    EXPECT_EQ(savedPage->FrameAt(0)->SavedFile(), (folder / "1.html").string());
    // A copy outside the cache folder's own files is not copied and keeps its path.
    EXPECT_EQ(savedPage->FrameAt(0)->FrameAt(0)->SavedFile(), (cache_ / "sub" / "3.html").string());
    // A relative path names no folder of the profile: it stays as it was.
    EXPECT_EQ(std::static_pointer_cast<Page>(saved->ItemAt(0))->SavedFile(), "1.html");

    EXPECT_EQ(test::ReadFile(home_.Data() / "Files.XML"), oldProfile);
    ExpectOriginalsIntact();
}

TEST_F(ProfilesTest, ProfileInAMissingFolderFailsAndChangesNothing) {
    const std::string xml = settings_.XMLFile();
    const std::string cache = settings_.CacheFolder();
    const std::string missing = (home_.Root() / "no" / "such" / "P.xml").string();
    auto before = app_;

    settings_.SaveProfile(*app_, missing);
    EXPECT_NE(settings_.LastError().find("does not exist"), std::string::npos);
    settings_.LoadProfile(app_, missing);
    EXPECT_NE(settings_.LastError().find("does not exist"), std::string::npos);
    // A name without extension would give the cache folder the file's own name.
    settings_.SaveProfile(*app_, (home_.Root() / "noextension").string());
    EXPECT_NE(settings_.LastError(), "");
    // A profile file that cannot be written.
    settings_.SaveProfile(*app_, "/proc/pelmor-profile.xml");
    EXPECT_NE(settings_.LastError(), "");

    EXPECT_EQ(app_, before);
    EXPECT_EQ(settings_.XMLFile(), xml);
    EXPECT_EQ(settings_.CacheFolder(), cache);
    EXPECT_FALSE(fs::exists(home_.Root() / "no"));
    EXPECT_FALSE(fs::exists(home_.Root() / "noextension"));
    const std::string log = HelperLog();
    EXPECT_NE(log.find("Param: SaveProfile"), std::string::npos);
    EXPECT_NE(log.find("Param: LoadProfile"), std::string::npos);
}

TEST_F(ProfilesTest, LoadProfileOfAMissingFileStartsAnEmptyProfile) {
    const fs::path file = home_.Root() / "New.xml";
    auto before = app_;
    settings_.LoadProfile(app_, file.string());
    EXPECT_EQ(settings_.LastError(), "");
    ASSERT_TRUE(app_);
    EXPECT_NE(app_, before);
    EXPECT_EQ(app_->ItemsCount(), 0);
    // Like the profile of a first start, the new one is checked, every day.
    EXPECT_TRUE(app_->Active());
    EXPECT_EQ(app_->PeriodTime(), 1);
    EXPECT_EQ(app_->PeriodUnit(), dfDay);
    EXPECT_EQ(settings_.XMLFile(), file.string());
    EXPECT_EQ(settings_.CacheFolder(), (home_.Root() / "New").string());
    ASSERT_TRUE(fs::is_regular_file(file));
    EXPECT_TRUE(fs::is_directory(home_.Root() / "New"));
    EXPECT_TRUE(fs::is_empty(home_.Root() / "New"));
    auto reread = Application::Create();
    reread->LoadItems(file.string());
    EXPECT_EQ(reread->ItemsCount(), 0);
    EXPECT_TRUE(reread->Active());

    // Switching back reads the old tree again.
    settings_.LoadProfile(app_, (home_.Data() / "Files.XML").string());
    EXPECT_EQ(settings_.LastError(), "");
    EXPECT_EQ(app_->ItemsCount(), 1);
    EXPECT_EQ(settings_.CacheFolder(), cache_.string());
}

TEST_F(ProfilesTest, NextStartOpensTheDefaultProfileOnly) {
    const std::string original = settings_.XMLFile();
    settings_.SavePreferences();
    settings_.SaveProfile(*app_, (home_.Root() / "Saved.xml").string());
    settings_.LoadProfile(app_, (home_.Root() / "Loaded.xml").string());
    {
        Settings next;
        next.LoadPreferences();
        EXPECT_EQ(next.XMLFile(), original);
        EXPECT_EQ(next.CacheFolder(), cache_.string());
    }
    settings_.SetProfileAsDefault();
    EXPECT_EQ(settings_.LastError(), "");
    Settings next;
    next.LoadPreferences();
    EXPECT_EQ(next.XMLFile(), (home_.Root() / "Loaded.xml").string());
    EXPECT_EQ(next.CacheFolder(), (home_.Root() / "Loaded").string());
    // The preferences written before are still there.
    EXPECT_TRUE(next.SoftwareUpdate());
    EXPECT_NE(test::ReadFile(home_.Config() / "Pelmor.ini").find("[Preferences]"), std::string::npos);
}

}  // namespace
}  // namespace pelmor
