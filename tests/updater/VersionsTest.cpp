// SPDX-License-Identifier: GPL-3.0-or-later
// Versions kept by the checker's own check of pages served on 127.0.0.1: one per change,
// at most "Keep versions", gone with the page; and a watched element that went away.

#include <gtest/gtest.h>

#include <filesystem>

#include "compare/Compare.h"
#include "items/Page.h"
#include "platform/text/Utf16.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Versions.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TempHome.h"
#include "updater/PageCheck.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

std::string Html(const std::string& news, const std::string& footer = "Contact us") {
    return "<html><head><title>News</title></head><body><div><p>" + news + "</p></div><p>" + footer +
           "</p></body></html>";
}

struct Fixture {
    test::TempHome home;
    test::HttpServer server;
    fs::path cache = home.Data() / "Files";
    std::shared_ptr<Page> page = Page::Create();

    Fixture() {
        fs::create_directories(cache);
        SetCurrentCacheFolder(cache.string());
        server.Page("/news", Html("Version zero"));
        page->SetURL(server.Url("/news"));
        page->SetSavedFile((cache / "42.html").string());
        std::string title;
        EXPECT_TRUE(InternetHandler().SaveURLToCache(page, page->URL(), page->SavedFile(), title));
    }
    void SetKeep(int keep) {
        test::WriteFile(home.Config() / "Pelmor.ini", "[Preferences]\nKeepVersions=" + std::to_string(keep) + "\n");
    }
    updater::CheckResult Check() { return updater::CheckPageNow(updater::SnapshotOf(*page)); }
    std::string Text(const std::string& file) { return text::DecodeFileText(test::ReadFile(file)); }
};

TEST(Versions, EachChangeKeepsOneVersionUpToTheLimitAndRemovalTakesThemAll) {
    Fixture f;
    f.SetKeep(3);
    // A file outside the cache folder that a removal must leave alone.
    test::WriteFile(f.home.Data() / "keep-me.html", "mine");

    EXPECT_FALSE(f.Check().updated);
    EXPECT_TRUE(ListVersions(f.page->SavedFile()).empty());
    for (const char* news : {"Version one", "Version two", "Version three"}) {
        f.server.Page("/news", Html(news));
        EXPECT_TRUE(f.Check().updated);
        // The same live page checked again is no new version.
        EXPECT_TRUE(f.Check().updated);
    }
    std::vector<PageVersion> versions = ListVersions(f.page->SavedFile());
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_NE(f.Text(versions[0].File).find("Version one"), std::string::npos);
    EXPECT_NE(f.Text(versions[2].File).find("Version three"), std::string::npos);
    // The saved copy is still the one the page was added with, in its own encoding.
    EXPECT_NE(f.Text(f.page->SavedFile()).find("Version zero"), std::string::npos);
    EXPECT_EQ(test::ReadFile(versions[0].File).substr(0, 2), "\xFF\xFE");

    f.server.Page("/news", Html("Version four"));
    EXPECT_TRUE(f.Check().updated);
    versions = ListVersions(f.page->SavedFile());
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_NE(f.Text(versions[0].File).find("Version two"), std::string::npos);
    EXPECT_NE(f.Text(versions[2].File).find("Version four"), std::string::npos);
    // Back to what the saved copy holds: no change to report, but a version all the same.
    f.server.Page("/news", Html("Version zero"));
    EXPECT_FALSE(f.Check().updated);
    versions = ListVersions(f.page->SavedFile());
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_NE(f.Text(versions[2].File).find("Version zero"), std::string::npos);

    // Two versions compared by the engine show what changed between them (four against
    // zero here).
    InternetHandler handler;
    sorrel::Compare engine;
    std::string marked = engine.GetMarkedHTML(handler.LightNavigate(versions[1].File),
                                              handler.LightNavigate(versions[2].File), "#00FF00", "#FFFF00");
    EXPECT_NE(marked.find("background-color"), std::string::npos);
    EXPECT_GT(engine.GetChanges()->Count(), 0u);

    RemoveVersions(f.page->SavedFile());
    EXPECT_TRUE(ListVersions(f.page->SavedFile()).empty());
    EXPECT_FALSE(fs::exists(f.cache / "History"));
    EXPECT_TRUE(fs::exists(f.page->SavedFile()));
    EXPECT_EQ(test::ReadFile(f.home.Data() / "keep-me.html"), "mine");
    // A profile naming a saved copy outside the cache folder deletes nothing beside it.
    test::WriteFile(f.home.Data() / "History" / "keep-me" / "20261201-080000.html", "mine too");
    RemoveVersions((f.home.Data() / "keep-me.html").string());
    EXPECT_EQ(test::ReadFile(f.home.Data() / "History" / "keep-me" / "20261201-080000.html"), "mine too");

    // With "Keep versions" at 0 nothing is kept.
    f.SetKeep(0);
    f.server.Page("/news", Html("Version five"));
    EXPECT_TRUE(f.Check().updated);
    EXPECT_TRUE(ListVersions(f.page->SavedFile()).empty());
}

TEST(Versions, AFramesetKeepsItsFramesCopiesWithTheVersion) {
    Fixture f;
    f.server.Page("/left", Html("Left side"));
    f.server.Page("/set", "<html><head><title>F</title></head><frameset cols='50%,50%'><frame src='" +
                              f.server.Url("/left") + "'></frameset></html>");
    f.page = Page::Create();
    f.page->SetURL(f.server.Url("/set"));
    f.page->SetSavedFile((f.cache / "43.html").string());
    std::string title;
    ASSERT_TRUE(InternetHandler().SaveURLToCache(f.page, f.page->URL(), f.page->SavedFile(), title));
    f.server.Page("/left", Html("Left side, changed"));
    EXPECT_TRUE(f.Check().updated);

    std::vector<PageVersion> versions = ListVersions(f.page->SavedFile());
    ASSERT_EQ(versions.size(), 1u);
    const fs::path frames = fs::path(versions[0].File).replace_extension();
    ASSERT_TRUE(fs::is_directory(frames));
    const fs::path frame = fs::directory_iterator(frames)->path();
    EXPECT_NE(f.Text(frame.string()).find("Left side, changed"), std::string::npos);
    EXPECT_NE(f.Text(versions[0].File).find(frame.filename().string()), std::string::npos);

    RemoveVersions(f.page->SavedFile());
    EXPECT_FALSE(fs::exists(frames));
    EXPECT_TRUE(fs::exists(f.page->FrameAt(0)->SavedFile()));
}

TEST(Versions, AWatchedElementIsTheOnlyPartThatCountsAndItsLossFailsTheCheck) {
    Fixture f;
    f.page->SetElementPath("DIV(0)");
    f.server.Page("/news", Html("Version zero", "Call us"));
    EXPECT_FALSE(f.Check().updated);
    // A change outside the element is not reported; one inside is.
    f.server.Page("/news", Html("Version zero", "Write to us"));
    updater::CheckResult outside = f.Check();
    EXPECT_FALSE(outside.updated);
    EXPECT_EQ(outside.failure, "");
    f.server.Page("/news", Html("Version one", "Write to us"));
    EXPECT_TRUE(f.Check().updated);

    f.server.Page("/news", "<html><body><p>No news at all</p></body></html>");
    updater::CheckResult result = f.Check();
    EXPECT_FALSE(result.updated);
    EXPECT_NE(result.failure.find("DIV(0)"), std::string::npos);
}

}  // namespace
}  // namespace pelmor
