// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "items/Page.h"
#include "loader/Transport.h"
#include "platform/html/Html.h"
#include "platform/log/Log.h"
#include "platform/text/Utf16.h"
#include "items/Application.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "preferences/Settings.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using pelmor::InternetHandler;
using pelmor::Page;
using pelmor::test::HttpServer;
using pelmor::test::ReadFile;
using pelmor::test::TempHome;

namespace {

// A private home that is also the cache folder, where saved copies may be written.
struct CacheHome : TempHome {
    CacheHome() { pelmor::SetCurrentCacheFolder(Root().string()); }
};

}  // namespace
using pelmor::test::WriteFile;
namespace fs = std::filesystem;

namespace {

std::string HelperLog() { return ReadFile(pelmor::log::PathOf(pelmor::log::File::Helper)); }

std::string SavedText(const fs::path& path) {
    std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << path;
    return pelmor::text::DecodeFileText(bytes);
}

std::string FileUrl(const std::string& path) { return pelmor::quillon::FileUrlFromPath(path); }

struct Site {
    HttpServer server;
    Site() {
        server.Page("/set", "<html><head><title>Frames</title></head><frameset cols='50%,50%'>"
                            "<frame name=left src='left.html'><frame name=right src='right.html'></frameset></html>");
        server.Page("/left.html", "<html><head></head><body><p>left \xC3\xA9</p></body></html>");
        server.Page("/right.html", "<html><head></head><body><p>right</p></body></html>");
        server.Page("/broken", "<frameset><frame src='left.html'><frame src='nothing.html'></frameset>");
        server.Page("/plain", "<html><head><title>Plain</title></head><body><a href='x.html'>x</a></body></html>");
    }
};

}  // namespace

TEST(Cache, SavesAPageWithABaseTagAfterItsHead) {
    CacheHome home;
    Site site;
    InternetHandler handler;
    auto page = Page::Create();
    std::string title;
    fs::path file = home.Root() / "1.html";
    ASSERT_TRUE(handler.SaveURLToCache(page, site.server.Url("/plain"), file.string(), title));
    EXPECT_EQ(title, "Plain");
    std::string text = SavedText(file);
    EXPECT_EQ(text.find("<HEAD><BASE href=" + site.server.Url("/plain") + ">"), 6u) << text;
    EXPECT_NE(text.find("<a href=\"x.html\">x</a>"), std::string::npos);
    EXPECT_EQ(page->FramesCount(), 0);
    // The copy loads back as the page.
    auto copy = handler.LightNavigate(file.string());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->title(), "Plain");
}

TEST(Cache, SavesFramesetsAsOneFilePerFrameAndReusesThem) {
    CacheHome home;
    Site site;
    InternetHandler handler;
    auto page = Page::Create();
    fs::path file = home.Root() / "cache" / "100.html";
    fs::create_directories(file.parent_path());
    page->SetSavedFile(file.string());
    std::string title;
    ASSERT_TRUE(handler.SaveURLToCache(page, site.server.Url("/set"), file.string(), title));
    EXPECT_EQ(title, "Frames");

    ASSERT_EQ(page->FramesCount(), 2);
    EXPECT_EQ(page->FrameAt(0)->URL(), site.server.Url("/left.html"));
    EXPECT_EQ(page->FrameAt(1)->URL(), site.server.Url("/right.html"));
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(file.parent_path())) files.push_back(entry.path());
    EXPECT_EQ(files.size(), 3u);
    for (const std::shared_ptr<pelmor::Frame>& frame : page->Frames()) {
        fs::path frameFile = frame->SavedFile();
        EXPECT_EQ(frameFile.parent_path(), file.parent_path());
        EXPECT_TRUE(fs::exists(frameFile));
    }
    EXPECT_NE(SavedText(page->FrameAt(0)->SavedFile()).find("left \xC3\xA9"), std::string::npos);
    std::string text = SavedText(file);
    EXPECT_NE(text.find("<frame name=\"left\" src=\"" + FileUrl(page->FrameAt(0)->SavedFile()) + "\">"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<frame name=\"right\" src=\"" + FileUrl(page->FrameAt(1)->SavedFile()) + "\">"),
              std::string::npos);
    // The saved copy loads back with its frames from the local files.
    auto copy = handler.LightNavigate(file.string());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->frames().item(1).document()->body().innerText(), "right");

    // Saved again without frames: the FRAME tags point at the copies already recorded and
    // no frame is loaded or written.
    int leftHits = site.server.Hits("/left.html");
    auto live = handler.LightNavigate(site.server.Url("/set"));
    leftHits = site.server.Hits("/left.html");
    fs::remove(page->FrameAt(0)->SavedFile());
    ASSERT_TRUE(handler.SaveHTMLToCache(live, file.string(), false, page));
    EXPECT_EQ(site.server.Hits("/left.html"), leftHits);
    EXPECT_FALSE(fs::exists(page->FrameAt(0)->SavedFile()));
    EXPECT_EQ(page->FramesCount(), 2);
    EXPECT_NE(SavedText(file).find("src=\"" + FileUrl(page->FrameAt(1)->SavedFile()) + "\""), std::string::npos);

    // Saving with frames again appends a second set of frame items.
    ASSERT_TRUE(handler.SaveHTMLToCache(live, file.string(), true, page));
    EXPECT_EQ(page->FramesCount(), 4);
}

TEST(Cache, AFailingFrameWritesNothingAndKeepsTheOldCopy) {
    CacheHome home;
    Site site;
    InternetHandler handler;
    auto page = Page::Create();
    fs::path file = home.Root() / "5.html";
    WriteFile(file, "old copy");
    std::string title;
    EXPECT_FALSE(handler.SaveURLToCache(page, site.server.Url("/broken"), file.string(), title));
    EXPECT_EQ(ReadFile(file), "old copy");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(home.Root()))
        if (entry.path().extension() == ".html") files.push_back(entry.path());
    EXPECT_EQ(files.size(), 2u);  // the old copy and the first frame's copy

    // More FRAME elements than recorded frames: the save without frames fails whole.
    auto live = handler.LightNavigate(site.server.Url("/set"));
    auto one = Page::Create();
    one->AddFrame("x", (home.Root() / "9.html").string());
    EXPECT_FALSE(handler.SaveHTMLToCache(live, file.string(), false, one));
    EXPECT_FALSE(handler.SaveHTMLToCache(live, file.string(), false));
    EXPECT_EQ(ReadFile(file), "old copy");
    EXPECT_NE(HelperLog().find("Param: SaveHTMLToCache"), std::string::npos);
    EXPECT_FALSE(handler.SaveHTMLToCache(nullptr, file.string(), false));
}

TEST(Cache, BlankAndSourcelessFramesAreEmptyDocuments) {
    CacheHome home;
    HttpServer server;
    server.Page("/blank", "<frameset><frame src='about:blank'><frame name=later></frameset>");
    InternetHandler handler;
    auto page = Page::Create();
    fs::path file = home.Root() / "cache" / "8.html";
    fs::create_directories(file.parent_path());
    std::string title;
    ASSERT_TRUE(handler.SaveURLToCache(page, server.Url("/blank"), file.string(), title));
    EXPECT_EQ(server.Hits("/blank"), 1);
    ASSERT_EQ(page->FramesCount(), 2);
    for (const std::shared_ptr<pelmor::Frame>& frame : page->Frames()) {
        EXPECT_EQ(frame->URL(), "about:blank");
        EXPECT_TRUE(fs::exists(frame->SavedFile()));
    }
    page->SetURL(server.Url("/blank"));
    page->SetSavedFile(file.string());
    EXPECT_FALSE(handler.IsPageUpdated(page));
    EXPECT_EQ(handler.LastCheckFailure(), "");
}

TEST(Cache, APageFromTheNetworkNeverCapturesALocalFile) {
    CacheHome home;
    HttpServer server;
    fs::path secret = home.Root() / "secret.txt";
    WriteFile(secret, "my private notes");
    server.Page("/evil", "<frameset><frame src='" + FileUrl(secret.string()) + "'><frame src='" + secret.string() +
                             "'></frameset>");
    InternetHandler handler;
    auto page = Page::Create();
    fs::path file = home.Root() / "cache" / "7.html";
    fs::create_directories(file.parent_path());
    std::string title;
    EXPECT_FALSE(handler.SaveURLToCache(page, server.Url("/evil"), file.string(), title));
    for (const auto& entry : fs::recursive_directory_iterator(home.Root() / "cache"))
        EXPECT_EQ(ReadFile(entry.path()).find("private"), std::string::npos);
}

TEST(Cache, SaveFramesRecordsWithoutWriting) {
    CacheHome home;
    Site site;
    InternetHandler handler;
    auto page = Page::Create();
    page->SetSavedFile((home.Root() / "cache" / "1.html").string());
    auto live = handler.LightNavigate(site.server.Url("/set"));
    handler.SaveFrames(live, page);
    ASSERT_EQ(page->FramesCount(), 2);
    EXPECT_EQ(page->FrameAt(1)->URL(), site.server.Url("/right.html"));
    EXPECT_EQ(fs::path(page->FrameAt(1)->SavedFile()).parent_path(), home.Root() / "cache");
    EXPECT_FALSE(fs::exists(home.Root() / "cache"));
}

TEST(Cache, RemovingACopyThatIsNotThereSucceeds) {
    CacheHome home;
    pelmor::SetCurrentCacheFolder((home.Data() / "Files").string());
    InternetHandler handler;
    fs::path file = home.Data() / "Files" / "3.html";
    WriteFile(file, "x");
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_TRUE(handler.RemoveFileFromCache(file.string()));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(handler.RemoveFileFromCache(file.string()));
    EXPECT_EQ(HelperLog(), "");
}

TEST(Cache, NothingOutsideTheCurrentCacheFolderIsDeletedOrWritten) {
    TempHome home;
    pelmor::Settings settings;
    settings.LoadPreferences();
    const fs::path important = home.Root() / "important.txt";
    WriteFile(important, "keep");
    WriteFile(home.Data() / "Files" / "1.html", "copy");
    InternetHandler handler;
    EXPECT_FALSE(handler.RemoveFileFromCache(important.string()));
    EXPECT_FALSE(handler.RemoveFileFromCache((home.Data() / "Files" / ".." / ".." / "important.txt").string()));
    EXPECT_EQ(ReadFile(important), "keep");
    EXPECT_NE(HelperLog().find("Refused to delete " + important.string()), std::string::npos) << HelperLog();
    auto live = handler.LightNavigate((home.Data() / "Files" / "1.html").string());
    ASSERT_TRUE(live);
    EXPECT_FALSE(handler.SaveHTMLToCache(live, important.string(), false));
    fs::create_symlink(important, home.Data() / "Files" / "link.html");
    EXPECT_FALSE(handler.SaveHTMLToCache(live, (home.Data() / "Files" / "link.html").string(), false));
    EXPECT_TRUE(handler.SaveHTMLToCache(live, (home.Data() / "Files" / "2.html").string(), false));

    // Another profile brings its own cache folder; the old one is no longer deleted from.
    auto application = pelmor::Application::Create();
    settings.LoadProfile(application, (home.Root() / "other.xml").string());
    WriteFile(home.Root() / "other" / "2.html", "copy");
    EXPECT_TRUE(handler.RemoveFileFromCache((home.Root() / "other" / "2.html").string()));
    EXPECT_FALSE(fs::exists(home.Root() / "other" / "2.html"));
    EXPECT_FALSE(handler.RemoveFileFromCache((home.Data() / "Files" / "1.html").string()));
    EXPECT_TRUE(fs::exists(home.Data() / "Files" / "1.html"));
}
