// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "loader/LightWebBrowser.h"
#include "loader/Transport.h"
#include "platform/core/Failure.h"
#include "platform/html/Html.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using pelmor::LightWebBrowser;
using pelmor::html::Document;
using pelmor::test::HttpServer;
using pelmor::test::TempHome;
using pelmor::test::WriteFile;
namespace quillon = pelmor::quillon;

namespace {

std::shared_ptr<Document> Navigate(const std::string& url, const std::string& base = "",
                                   quillon::LoadStatus* status = nullptr) {
    LightWebBrowser browser;
    std::shared_ptr<Document> document;
    quillon::LoadStatus rc = browser.navigate(url, base, document);
    if (status) *status = rc;
    return document;
}

std::string BaseHref(const Document& document) {
    return std::string(document.getElementsByTagName("BASE").item(0).href());
}

}  // namespace

TEST(LightWebBrowser, SchemesOneToFiveLoadAsUrlsEverythingElseAsFiles) {
    EXPECT_EQ(LightWebBrowser::SchemeNumber("ftp://x/"), 1);
    EXPECT_EQ(LightWebBrowser::SchemeNumber("Gopher://x/"), 2);
    EXPECT_EQ(LightWebBrowser::SchemeNumber("HTTP://x/"), 3);
    EXPECT_EQ(LightWebBrowser::SchemeNumber("https://x/"), 4);
    EXPECT_EQ(LightWebBrowser::SchemeNumber("file:///tmp/a"), 5);
    EXPECT_EQ(LightWebBrowser::SchemeNumber("mailto:a@b"), 7);
    EXPECT_EQ(LightWebBrowser::SchemeNumber("about:blank"), -1);
    EXPECT_EQ(LightWebBrowser::SchemeNumber("/home/me/a.html"), -1);
    EXPECT_EQ(LightWebBrowser::SchemeNumber(""), -1);

    TempHome home;
    WriteFile(home.Root() / "a.html", "<title>Local</title><p>here</p>");
    auto byPath = Navigate((home.Root() / "a.html").string());
    ASSERT_TRUE(byPath);
    EXPECT_EQ(byPath->title(), "Local");
    auto byUrl = Navigate(quillon::FileUrlFromPath((home.Root() / "a.html").string()));
    ASSERT_TRUE(byUrl);
    EXPECT_EQ(byUrl->body().innerText(), "here");

    quillon::LoadStatus status = quillon::LoadStatus::Failed;
    EXPECT_FALSE(Navigate((home.Root() / "none.html").string(), "", &status));
    EXPECT_EQ(status, quillon::LoadStatus::FileNotFound);
    EXPECT_FALSE(Navigate("about:blank", "", &status));
    EXPECT_EQ(status, quillon::LoadStatus::FileNotFound);
    EXPECT_FALSE(Navigate(home.Root().string(), "", &status));
    EXPECT_EQ(status, quillon::LoadStatus::Failed);
}

TEST(LightWebBrowser, GivesTheDocumentABaseUnlessItHasOne) {
    HttpServer server;
    server.Page("/plain", "<html><head><title>T</title></head><body>x</body></html>");
    server.Page("/own", "<html><head><base href='http://elsewhere/'></head><body>x</body></html>");
    server.Page("/empty", "<html><head><base target=_top></head><body>x</body></html>");

    auto plain = Navigate(server.Url("/plain"), "http://base.example/");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->getElementsByTagName("HEAD").item(0).lastChild().nodeName(), "BASE");
    EXPECT_EQ(BaseHref(*plain), "http://base.example/");
    EXPECT_EQ(plain->URL(), server.Url("/plain"));

    auto own = Navigate(server.Url("/own"), "http://base.example/");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->getElementsByTagName("BASE").length(), 1u);
    EXPECT_EQ(BaseHref(*own), "http://elsewhere/");

    auto empty = Navigate(server.Url("/empty"), "http://base.example/");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getElementsByTagName("BASE").length(), 1u);
    EXPECT_EQ(BaseHref(*empty), "http://base.example/");

    auto none = Navigate(server.Url("/plain"));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->getElementsByTagName("BASE").length(), 0u);

    // Without a HEAD the new BASE goes before the document's second element.
    auto headless = Document::Parse("<p>a</p>", "about:blank");
    auto head = headless->getElementsByTagName("HEAD").item(0);
    head.parentNode().removeChild(head);
    EXPECT_EQ(LightWebBrowser::ApplyBaseURL(*headless, "http://b/"), quillon::LoadStatus::Ok);
    EXPECT_EQ(headless->getElementsByTagName("*").item(1).nodeName(), "BASE");
    EXPECT_EQ(headless->getElementsByTagName("*").item(2).nodeName(), "BODY");
}

TEST(LightWebBrowser, LoadStringParsesTextWithoutNetwork) {
    LightWebBrowser browser;
    std::shared_ptr<Document> document;
    EXPECT_EQ(browser.LoadString("<title>S</title><p>\xC3\xA9t\xC3\xA9</p>", "http://base/", document),
              quillon::LoadStatus::Ok);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->title(), "S");
    EXPECT_EQ(document->body().innerText(), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(BaseHref(*document), "http://base/");
}

TEST(LightWebBrowser, LoadsSameOriginFramesOnly) {
    HttpServer server;
    HttpServer other;  // another port: another origin
    TempHome home;
    WriteFile(home.Root() / "secret.html", "<p>secret</p>");
    server.Page("/set", "<html><frameset cols='*,*,*,*'><frame src='left.html'><frame src='sub/right.html'>"
                        "<frame src='" + other.Url("/ad.html") + "'><frame src='" +
                            quillon::FileUrlFromPath((home.Root() / "secret.html").string()) + "'></frameset></html>");
    server.Page("/left.html", "<p>left</p>");
    server.Page("/sub/right.html", "<frameset><frame src='../left.html'><frame src='/set'></frameset>");
    other.Page("/ad.html", "<p>ad</p>");

    auto document = Navigate(server.Url("/set"), server.Url("/set"));
    ASSERT_TRUE(document);
    auto frames = document->frames();
    ASSERT_EQ(frames.length(), 4u);
    ASSERT_TRUE(frames.item(0).accessible());
    EXPECT_EQ(frames.item(0).document()->body().innerText(), "left");
    EXPECT_EQ(frames.item(0).document()->URL(), server.Url("/left.html"));
    ASSERT_TRUE(frames.item(1).accessible());
    auto nested = frames.item(1).document()->frames();
    ASSERT_EQ(nested.length(), 2u);
    EXPECT_EQ(nested.item(0).document()->body().innerText(), "left");
    // A frame that would load the page that contains it again is left out.
    EXPECT_FALSE(nested.item(1).accessible());
    EXPECT_EQ(server.Hits("/set"), 1);
    // Another origin and a local file: never read.
    EXPECT_FALSE(frames.item(2).accessible());
    EXPECT_EQ(other.Hits("/ad.html"), 0);
    EXPECT_FALSE(frames.item(3).accessible());
    EXPECT_THROW(frames.item(3).document(), pelmor::Failure);

    // IFRAMEs are never fetched, whatever their origin.
    server.Page("/widgets", "<p>shop</p><iframe src='left.html'></iframe><iframe src='/w2'></iframe>");
    auto widgets = Navigate(server.Url("/widgets"), "");
    ASSERT_TRUE(widgets);
    EXPECT_EQ(widgets->frames().length(), 2u);
    EXPECT_FALSE(widgets->frames().item(0).accessible());
    EXPECT_EQ(server.Hits("/left.html"), 2);
    EXPECT_EQ(server.Hits("/w2"), 0);

    LightWebBrowser noFrames;
    noFrames.SetDownloadFrames(false);
    std::shared_ptr<Document> bare;
    ASSERT_EQ(noFrames.navigate(server.Url("/set"), "", bare), quillon::LoadStatus::Ok);
    ASSERT_TRUE(bare);
    EXPECT_EQ(server.Hits("/left.html"), 2);  // unchanged by the page without frames
}

TEST(LightWebBrowser, PlainTextPagesAreOneText) {
    HttpServer server;
    server.Page("/note", "price <b> now 5 < 6\n<meta charset=koi8-r> & more", "text/plain; charset=utf-8");
    auto document = Navigate(server.Url("/note"));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->getElementsByTagName("B").length(), 0u);
    EXPECT_EQ(document->body().innerText(), "price <b> now 5 < 6\n<meta charset=koi8-r> & more");
}

TEST(LightWebBrowser, SavedCopiesLoadOnlyTheFramesSavedBesideThem) {
    TempHome home;
    const auto cache = home.Root() / "Files";
    auto frame = cache / "2.html";
    WriteFile(frame, "<p>saved frame</p>");
    WriteFile(home.Root() / "secret.html", "<p>secret</p>");
    std::filesystem::create_symlink(home.Root() / "secret.html", cache / "link.html");
    auto url = [](const std::filesystem::path& path) { return quillon::FileUrlFromPath(path.string()); };
    WriteFile(cache / "1.html", "<frameset><frame src='" + url(frame) + "'><frame src='http://127.0.0.1:1/x'>"
                                    "<frame src='" + url(home.Root() / "secret.html") + "'>"
                                    "<frame src='../secret.html'><frame src='link.html'></frameset>");
    auto document = Navigate((cache / "1.html").string());
    ASSERT_TRUE(document);
    auto frames = document->frames();
    ASSERT_EQ(frames.length(), 5u);
    EXPECT_EQ(frames.item(0).document()->body().innerText(), "saved frame");
    for (std::size_t i = 1; i < 5; ++i) EXPECT_FALSE(frames.item(i).accessible()) << i;
}

TEST(LightWebBrowser, WebFailuresGiveAStatusAndNoDocument) {
    HttpServer server;
    server.Page("/p", "<p>x</p>", "text/html; charset=ISO-8859-1");
    quillon::LoadStatus status = quillon::LoadStatus::Failed;
    EXPECT_FALSE(Navigate(server.Url("/missing"), "", &status));
    EXPECT_EQ(status, quillon::LoadStatus::PageNotFound);

    LightWebBrowser offline;
    offline.SetForceOffline(true);
    std::shared_ptr<Document> document;
    EXPECT_EQ(offline.navigate(server.Url("/p"), "", document), quillon::LoadStatus::PageNotFound);
    EXPECT_FALSE(document);
    EXPECT_EQ(server.Hits("/p"), 0);

    LightWebBrowser fresh;
    fresh.SetIgnoreProxyCache(true);
    EXPECT_EQ(fresh.navigate(server.Url("/p"), "", document), quillon::LoadStatus::Ok);
    EXPECT_EQ(server.LastHeader("/p", "Pragma"), "no-cache");
}

TEST(LightWebBrowser, SlowPageEndsAfterTheTimeOutWithoutDocument) {
    HttpServer server;
    std::atomic<bool> done{false};
    server.Routes().Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        res.set_content("<p>late</p>", "text/html");
    });
    auto start = std::chrono::steady_clock::now();
    quillon::LoadStatus status = quillon::LoadStatus::Failed;
    auto document = Navigate(server.Url("/slow"), "", &status);
    auto elapsed = std::chrono::steady_clock::now() - start;
    done = true;
    EXPECT_EQ(status, quillon::LoadStatus::Ok);
    EXPECT_FALSE(document);
    EXPECT_GE(elapsed, std::chrono::milliseconds(7400));
    EXPECT_LT(elapsed, std::chrono::milliseconds(9000));
}

// A site that sets 50 big cookies at every load fills the jar only up to a browser's
// limits, oldest out first, and pages elsewhere go on loading.
TEST(LightWebBrowser, CookieJarKeepsBrowserLimits) {
    TempHome home;
    HttpServer server;
    std::atomic<int> round{0};
    server.Routes().Get("/crumbs", [&](const httplib::Request&, httplib::Response& response) {
        int n = round++;
        for (int i = 0; i < 50; ++i)
            response.headers.emplace("Set-Cookie", "c" + std::to_string(n) + "_" + std::to_string(i) + "=" +
                                                       std::string(4000, 'v') + "; Max-Age=86400; Path=/");
        response.set_content("<html><body>crumbs</body></html>", "text/html");
    });
    server.Page("/plain", "<html><body>plain</body></html>");
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(Navigate(server.Url("/crumbs"))) << i;
    std::string jar = pelmor::test::ReadFile(home.Data() / "cookies.txt");
    std::size_t lines = 0;
    for (char c : jar) lines += c == '\n';
    EXPECT_LE(lines, 51u);  // the heading and one domain's 50
    EXPECT_NE(jar.find("\tc299_49\t"), std::string::npos);
    EXPECT_EQ(jar.find("\tc298_"), std::string::npos);
    const std::string other = "http://localhost:" + std::to_string(server.Port()) + "/plain";
    EXPECT_EQ(Navigate(other)->body().innerText(), "plain");
}
