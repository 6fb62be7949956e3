// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "compare/Compare.h"
#include "items/Page.h"
#include "platform/core/DateTime.h"
#include "platform/core/Strings.h"
#include "platform/html/Html.h"
#include "platform/text/Utf16.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using pelmor::DateTime;
using pelmor::Frame;
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
namespace fs = std::filesystem;

namespace {

std::string SavedText(const std::string& path) { return pelmor::text::DecodeFileText(ReadFile(path)); }

bool JustNow(DateTime when) {
    double seconds = (DateTime::Now() - when) * 86400.0;
    return seconds >= -1 && seconds < 60;
}

// A page added to the cache as the program adds one.
std::shared_ptr<Page> AddPage(InternetHandler& handler, const TempHome& home, const std::string& url,
                              const std::string& name) {
    auto page = Page::Create();
    page->SetURL(url);
    fs::create_directories(home.Root() / "cache");
    page->SetSavedFile((home.Root() / "cache" / (name + ".html")).string());
    std::string title;
    EXPECT_TRUE(handler.SaveURLToCache(page, url, page->SavedFile(), title));
    return page;
}

const char* const kArticle = "<html><head><title>News</title></head><body><h1>News</h1>"
                             "<div><p>First story about the harbour.</p></div>"
                             "<div><p>Second story about the market.</p></div></body></html>";

}  // namespace

TEST(Check, TellsChangedFromUnchangedAndStampsTheCheck) {
    CacheHome home;
    HttpServer server;
    server.Page("/news", kArticle);
    InternetHandler handler;
    auto page = AddPage(handler, home, server.Url("/news"), "1");

    EXPECT_FALSE(handler.IsPageUpdated(page));
    EXPECT_TRUE(JustNow(page->LastCheckDate()));
    std::string saved = ReadFile(page->SavedFile());

    server.Page("/news", std::string(kArticle).replace(std::string(kArticle).find("market"), 6, "fair"));
    EXPECT_TRUE(handler.IsPageUpdated(page));
    // The check leaves the saved copy and the page's other fields alone.
    EXPECT_EQ(ReadFile(page->SavedFile()), saved);
    EXPECT_FALSE(page->Updated());
    EXPECT_TRUE(page->SavedDate().IsZero());

    // A live page that cannot be loaded counts as unchanged and is not stamped.
    page->SetLastCheckDate(DateTime());
    page->SetURL(server.Url("/gone"));
    EXPECT_FALSE(handler.IsPageUpdated(page));
    EXPECT_TRUE(page->LastCheckDate().IsZero());
    // Nor is one whose saved copy is missing.
    page->SetURL(server.Url("/news"));
    fs::remove(page->SavedFile());
    EXPECT_FALSE(handler.IsPageUpdated(page));
    EXPECT_TRUE(page->LastCheckDate().IsZero());
    EXPECT_FALSE(handler.IsPageUpdated(nullptr));
}

TEST(Check, GoesIntoFramesOnlyWhileNothingChanged) {
    CacheHome home;
    HttpServer server;
    server.Page("/set", "<frameset rows='*,*,*'><frame src='f1'><frame src='f2'><frame src='f3'></frameset>");
    for (const char* name : {"/f1", "/f2", "/f3"}) server.Page(name, std::string("<p>frame ") + name + "</p>");
    InternetHandler handler;
    auto page = AddPage(handler, home, server.Url("/set"), "2");
    ASSERT_EQ(page->FramesCount(), 3);
    EXPECT_FALSE(handler.IsPageUpdated(page));

    server.Page("/f2", "<p>frame two, changed</p>");
    int third = server.Hits("/f3");
    int first = server.Hits("/f1");
    EXPECT_TRUE(handler.IsPageUpdated(page));
    // Frames 1 and 2 are loaded with the page and once more on their own; frame 3 only
    // with the page, since the change was found before its turn.
    EXPECT_EQ(server.Hits("/f1"), first + 2);
    EXPECT_EQ(server.Hits("/f3"), third + 1);
}

TEST(Check, AnElementPathLimitsTheCheckToThatElement) {
    CacheHome home;
    HttpServer server;
    server.Page("/news", kArticle);
    InternetHandler handler;
    auto page = AddPage(handler, home, server.Url("/news"), "3");
    server.Page("/news", std::string(kArticle).replace(std::string(kArticle).find("market"), 6, "fair"));
    page->SetElementPath("DIV(0)");
    EXPECT_FALSE(handler.IsPageUpdated(page));
    page->SetElementPath("DIV(1)");
    EXPECT_TRUE(handler.IsPageUpdated(page));
}

TEST(Check, OptionsComeFromPagesAndAreRememberedForOtherItems) {
    CacheHome home;
    HttpServer server;
    server.Page("/price", "<p>Price today: 100 euro</p>");
    InternetHandler handler;
    auto page = AddPage(handler, home, server.Url("/price"), "4");
    server.Page("/price", "<p>Price today: 120 euro</p>");
    // A Frame item standing for the same page carries no options of its own.
    auto frame = std::make_shared<Frame>(page->URL(), page->SavedFile());

    EXPECT_FALSE(InternetHandler().IsPageUpdated(frame));
    page->SetShowNumbers(true);
    EXPECT_TRUE(handler.IsPageUpdated(page));
    EXPECT_TRUE(handler.IsPageUpdated(frame));
    page->SetShowNumbers(false);
    EXPECT_FALSE(handler.IsPageUpdated(page));
    EXPECT_FALSE(handler.IsPageUpdated(frame));
}

TEST(Check, RevisedHtmlMarksChangesAndReplacesTheSavedCopy) {
    CacheHome home;
    HttpServer server;
    server.Page("/news", kArticle);
    InternetHandler handler;
    auto page = AddPage(handler, home, server.Url("/news"), "5");
    page->SetInsertColor("#00FF00");
    page->SetUpdateColor("#FFFF00");
    page->SetUpdated(true);
    std::string changed = std::string(kArticle).replace(std::string(kArticle).find("market"), 6, "fair and more");
    server.Page("/news", changed);

    std::string marked = handler.GetRevisedHTML(page);
    EXPECT_NE(marked.find("fair"), std::string::npos);
    EXPECT_NE(pelmor::FoldCase(marked).find("background-color"), std::string::npos) << marked;
    EXPECT_TRUE(JustNow(page->SavedDate()));
    EXPECT_TRUE(JustNow(page->LastCheckDate()));
    EXPECT_FALSE(page->Updated());

    std::string saved = SavedText(page->SavedFile());
    EXPECT_NE(saved.find("fair and more"), std::string::npos);
    EXPECT_EQ(pelmor::FoldCase(saved).find("background-color"), std::string::npos);
    EXPECT_EQ(pelmor::FoldCase(saved).find("pelmorid"), std::string::npos);
    EXPECT_FALSE(handler.IsPageUpdated(page));

    // A live page that cannot be loaded: nothing marked, nothing stamped, copy kept.
    page->SetSavedDate(DateTime());
    page->SetURL(server.Url("/gone"));
    EXPECT_EQ(handler.GetRevisedHTML(page), "");
    EXPECT_TRUE(page->SavedDate().IsZero());
    EXPECT_EQ(SavedText(page->SavedFile()), saved);
}

TEST(Check, SiblingsOfRevisedHtml) {
    CacheHome home;
    HttpServer server;
    server.Page("/news", kArticle);
    InternetHandler handler;
    auto page = AddPage(handler, home, server.Url("/news"), "6");
    server.Page("/news", std::string(kArticle).replace(std::string(kArticle).find("market"), 6, "fair"));
    auto differences = handler.GetDifferences(page);
    ASSERT_TRUE(differences);
    EXPECT_GT(differences->Count(), 0u);

    server.Page("/news", kArticle);
    auto body = handler.GetRevisedBody(page);
    ASSERT_TRUE(body);
    EXPECT_TRUE(body.Body.IsBody());
    EXPECT_NE(body.Body.innerText().find("market"), std::string::npos);

    auto result = pelmor::html::Document::Parse(kArticle, server.Url("/news"));
    page->SetElementPath("DIV(1)");
    EXPECT_EQ(handler.SetRevisedHTML(result, page), "");
    EXPECT_FALSE(handler.GetRevisedBody(page));
    EXPECT_TRUE(JustNow(page->SavedDate()));
}
