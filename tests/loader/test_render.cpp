// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "items/Page.h"
#include "loader/LightWebBrowser.h"
#include "loader/RenderClient.h"
#include "platform/html/Html.h"
#include "retrieval/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using pelmor::InternetHandler;
using pelmor::LightWebBrowser;
using pelmor::Page;
using pelmor::html::Document;
using pelmor::test::HttpServer;
using pelmor::test::TempHome;
using pelmor::test::WriteFile;
namespace quillon = pelmor::quillon;
using namespace std::chrono_literals;

namespace {

// A live load as the program makes one.
std::shared_ptr<Document> Live(const std::string& url, long* status = nullptr, bool images = false,
                               bool frames = true) {
    LightWebBrowser browser;
    browser.SetExecuteScripts(true);
    browser.SetDownloadImages(images);
    browser.SetDownloadFrames(frames);
    browser.SetIgnoreProxyCache(true);
    std::shared_ptr<Document> document;
    long rc = browser.navigate(url, url, document);
    if (status) *status = rc;
    return document;
}

// The helper keeps connections open for later loads; a server that closes each one
// after its answer stops at once at the end of a test.
void CloseAfterEachAnswer(HttpServer& server) { server.Routes().set_keep_alive_max_count(1); }

std::string BodyText(const std::shared_ptr<Document>& document) {
    return document ? document->body().innerText() : std::string("(no document)");
}

const char* const kShop =
    "<html><head><title>Shop</title>"
    "<noscript><meta http-equiv=\"refresh\" content=\"0;url=/enable-javascript\"></noscript></head>"
    "<body><p id=\"price\">loading</p><ul id=\"list\"></ul>"
    "<script>document.getElementById('price').textContent = 'Price 12 pounds';</script>"
    "<script>window.addEventListener('load', function () {"
    "  fetch('/items.json').then(function (r) { return r.json(); }).then(function (items) {"
    "    items.forEach(function (item) {"
    "      var li = document.createElement('li'); li.textContent = item;"
    "      document.getElementById('list').appendChild(li); });"
    "  }); });</script></body></html>";

}  // namespace

TEST(Render, ScriptWrittenContentIsLoadedAndItsChangeIsDetected) {
    TempHome home;
    pelmor::SetCurrentCacheFolder(home.Root().string());  // where saved copies may go
    HttpServer server;
    CloseAfterEachAnswer(server);
    server.Page("/shop", kShop);
    server.Page("/items.json", R"(["Red kettle", "Blue teapot"])", "application/json");
    server.Page("/enable-javascript", "<html><body>Please enable JavaScript</body></html>");
    // Bytes of a legacy charset, declared only inside the page.
    server.Page("/latin", "<html><head><meta charset=\"windows-1252\"></head><body>caf\xE9 "
                          "<script>document.write('cr\xE8me')</script></body></html>");

    InternetHandler handler;
    std::shared_ptr<Document> live = handler.LightNavigate(server.Url("/shop"));
    std::string text = BodyText(live);
    EXPECT_NE(text.find("Price 12 pounds"), std::string::npos) << text;
    EXPECT_NE(text.find("Blue teapot"), std::string::npos) << text;
    // With scripts running, the NOSCRIPT refresh is no part of the page.
    EXPECT_EQ(server.Hits("/enable-javascript"), 0);
    EXPECT_EQ(live->URL(), server.Url("/shop"));
    EXPECT_EQ(BodyText(handler.LightNavigate(server.Url("/latin"))), "caf\u00E9 cr\u00E8me");

    auto page = Page::Create();
    page->SetURL(server.Url("/shop"));
    page->SetSavedFile((home.Root() / "1.html").string());
    std::string title;
    ASSERT_TRUE(handler.SaveURLToCache(page, page->URL(), page->SavedFile(), title));
    EXPECT_FALSE(handler.IsPageUpdated(page));
    server.Page("/items.json", R"(["Red kettle", "Green teapot"])", "application/json");
    EXPECT_TRUE(handler.IsPageUpdated(page));

    // A saved copy is read as it stands: its scripts never run.
    WriteFile(home.Root() / "copy.html",
              "<html><body><p id=\"p\">as saved</p><script>document.getElementById('p').textContent = 'ran';"
              "</script></body></html>");
    std::shared_ptr<Document> copy = handler.LightNavigate((home.Root() / "copy.html").string());
    EXPECT_EQ(BodyText(copy).find("ran"), std::string::npos);
    EXPECT_NE(BodyText(copy).find("as saved"), std::string::npos);
}

TEST(Render, OptionsDecideWhatTheRendererFetches) {
    TempHome home;
    HttpServer server;
    CloseAfterEachAnswer(server);
    HttpServer other;  // another origin
    CloseAfterEachAnswer(other);
    server.Page("/pictures",
                "<html><head><style>@font-face { font-family: F; src: url(/font.woff); }"
                "body { background: url(/back.png); font-family: F; }</style></head>"
                "<body><img src=\"/pic.png\"><video src=\"/clip.mp4\"></video>"
                "<script>document.body.appendChild(document.createTextNode('drawn'));</script></body></html>");
    server.Page("/frames",
                "<html><head><script>document.title = 'framed by script'</script></head><frameset cols=\"*,*,*,*\">"
                "<frame src=\"/inner\"><frame src=\"" + other.Url("/foreign") + "\">"
                "<frame src=\"file://" + (home.Root() / "secret.txt").string() + "\"><frame src=\"/holder\">"
                "</frameset></html>");
    server.Page("/holder", "<html><body><script>document.write('holder')</script>"
                           "<template><iframe src=\"/later\"></iframe></template><iframe src=\"/inner\"></iframe>"
                           "<iframe src=\"" + other.Url("/foreign") + "\"></iframe></body></html>");
    WriteFile(home.Root() / "secret.txt", "local secret");
    server.Page("/inner", "<html><body><script>document.write('inner by script')</script></body></html>");
    other.Page("/foreign", "<html><body>foreign</body></html>");
    server.Page("/plain", "<html><body><p>No script here.</p><img src=\"/plain.png\"></body></html>");

    std::shared_ptr<Document> drawn = Live(server.Url("/pictures"));
    EXPECT_NE(BodyText(drawn).find("drawn"), std::string::npos);
    for (const char* path : {"/pic.png", "/back.png", "/font.woff", "/clip.mp4"}) EXPECT_EQ(server.Hits(path), 0) << path;
    Live(server.Url("/pictures"), nullptr, /*images=*/true);
    EXPECT_GE(server.Hits("/pic.png"), 1);

    std::shared_ptr<Document> framed = Live(server.Url("/frames"));
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->title(), "framed by script");
    pelmor::html::FrameCollection frames = framed->frames();
    ASSERT_EQ(frames.length(), 4u);
    ASSERT_TRUE(frames.item(0).accessible());
    EXPECT_NE(BodyText(frames.item(0).document()).find("inner by script"), std::string::npos);
    EXPECT_FALSE(frames.item(1).accessible());
    // A page never reads a local file.
    EXPECT_FALSE(frames.item(2).accessible() && frames.item(2).document() &&
                 BodyText(frames.item(2).document()).find("local secret") != std::string::npos);
    // Inline frames of the same origin come back as their scripts left them, others
    // unread; a frame element the browser never loaded (in a TEMPLATE) is never filled.
    ASSERT_TRUE(frames.item(3).accessible());
    pelmor::html::FrameCollection inline_ = frames.item(3).document()->frames();
    ASSERT_EQ(inline_.length(), 3u);
    EXPECT_FALSE(inline_.item(0).accessible());
    ASSERT_TRUE(inline_.item(1).accessible());
    EXPECT_EQ(inline_.item(1).document()->URL(), server.Url("/inner"));
    EXPECT_NE(BodyText(inline_.item(1).document()).find("inner by script"), std::string::npos);
    EXPECT_FALSE(inline_.item(2).accessible());
    int innerHits = server.Hits("/inner");
    framed = Live(server.Url("/frames"), nullptr, false, /*frames=*/false);
    ASSERT_TRUE(framed);
    EXPECT_EQ(server.Hits("/inner"), innerHits);

    // A page without script is fetched once, by the direct road.
    std::shared_ptr<Document> plain = Live(server.Url("/plain"));
    EXPECT_NE(BodyText(plain).find("No script here."), std::string::npos);
    EXPECT_EQ(server.Hits("/plain"), 1);
}

// A frame written by script, in a page without script of its own: the page goes through
// the helper, the frame's saved copy holds what the script wrote, and the check sees it
// change. A frameset whose frames hold no script keeps the direct road.
TEST(Render, ScriptInAFrameSendsThePageToTheHelper) {
    TempHome home;
    pelmor::SetCurrentCacheFolder(home.Root().string());
    HttpServer server;
    CloseAfterEachAnswer(server);
    server.Page("/set", "<html><frameset cols=\"*,*\"><frame src=\"/news\"><frame src=\"/menu\"></frameset></html>");
    server.Page("/menu", "<html><body>menu</body></html>");
    server.Page("/news",
                "<html><body><p id=\"n\"></p><script>window.addEventListener('load', function () {"
                "  fetch('/news.json').then(function (r) { return r.json(); }).then(function (n) {"
                "    document.getElementById('n').textContent = n.headline; }); });</script></body></html>");
    std::atomic<bool> sunny{false};
    server.Routes().Get("/news.json", [&](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(300ms);  // long after the page has gone quiet
        response.set_content(sunny ? R"({"headline": "Sun tomorrow"})" : R"({"headline": "Rain tomorrow"})",
                             "application/json");
    });

    InternetHandler handler;
    auto page = Page::Create();
    page->SetURL(server.Url("/set"));
    page->SetSavedFile((home.Root() / "1.html").string());
    std::string title;
    ASSERT_TRUE(handler.SaveURLToCache(page, page->URL(), page->SavedFile(), title));
    ASSERT_EQ(page->FramesCount(), 2);
    EXPECT_NE(BodyText(handler.LightNavigate(page->Frames(1)->SavedFile())).find("Rain tomorrow"), std::string::npos);
    EXPECT_FALSE(handler.IsPageUpdated(page));
    sunny = true;
    EXPECT_TRUE(handler.IsPageUpdated(page));

    server.Page("/quiet", "<html><frameset cols=\"*\"><frame src=\"/menu\"></frameset></html>");
    std::shared_ptr<Document> quiet = Live(server.Url("/quiet"));
    ASSERT_TRUE(quiet);
    EXPECT_EQ(BodyText(quiet->frames().item(0).document()), "menu");
    EXPECT_EQ(server.Hits("/quiet"), 1);
}

TEST(Render, OneCookieJarServesEveryLoad) {
    TempHome home;
    HttpServer server;
    CloseAfterEachAnswer(server);
    server.Routes().Get("/login", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Set-Cookie", "session=s1; Path=/");
        response.set_content("<html><body><script>document.cookie = 'consent=yes; path=/';</script>in</body></html>",
                             "text/html");
    });
    server.Routes().Get("/direct", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Set-Cookie", "region=north; Path=/");
        response.set_content("<html><body>plain</body></html>", "text/html");
    });
    // The page's scripts run at its address and see the cookies of its own answer too,
    // though the page is fetched once.
    server.Routes().Get("/scripted", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Set-Cookie", "fresh=1; Path=/");
        response.set_content(
            "<html><body><script>document.write(document.cookie + ' at ' + location.href)</script></body></html>",
            "text/html");
    });

    ASSERT_TRUE(Live(server.Url("/login")));
    ASSERT_TRUE(Live(server.Url("/direct")));
    std::string sent = server.LastHeader("/direct", "Cookie");
    EXPECT_NE(sent.find("session=s1"), std::string::npos) << sent;
    EXPECT_NE(sent.find("consent=yes"), std::string::npos) << sent;

    std::string scripted = BodyText(Live(server.Url("/scripted")));
    sent = server.LastHeader("/scripted", "Cookie");
    EXPECT_NE(sent.find("region=north"), std::string::npos) << sent;
    EXPECT_NE(sent.find("consent=yes"), std::string::npos) << sent;
    for (const std::string& seen : {std::string("region=north"), std::string("fresh=1"), " at " + server.Url("/scripted")})
        EXPECT_NE(scripted.find(seen), std::string::npos) << scripted;
    EXPECT_EQ(server.Hits("/scripted"), 1);
    EXPECT_TRUE(std::filesystem::exists(home.Data() / "cookies.txt"));
}

TEST(Render, HangsAndCrashesEndOneLoadOnly) {
    TempHome home;
    HttpServer server;
    CloseAfterEachAnswer(server);
    server.Page("/loop", "<html><body>x<script>for (;;) {}</script></body></html>");
    server.Page("/fine", "<html><body><script>document.write('fine')</script></body></html>");
    server.Page("/waits", "<html><body><script>fetch('/slow')</script>waiting</body></html>");
    server.Routes().Get("/slow", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(3s);
        response.set_content("{}", "application/json");
    });

    auto start = std::chrono::steady_clock::now();
    long status = -1;
    EXPECT_FALSE(Live(server.Url("/loop"), &status));
    EXPECT_EQ(status, quillon::kOk);  // a time-out, not a failure
    EXPECT_LT(std::chrono::steady_clock::now() - start, 9s);
    EXPECT_NE(BodyText(Live(server.Url("/fine"))).find("fine"), std::string::npos);

    long helper = quillon::RendererProcessId();
    ASSERT_GT(helper, 0);
    auto waiting = std::async(std::launch::async, [&] { return Live(server.Url("/waits"), &status); });
    for (int i = 0; i < 500 && server.Hits("/slow") == 0; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(server.Hits("/slow"), 1);
    ::kill(static_cast<pid_t>(helper), SIGKILL);
    EXPECT_FALSE(waiting.get());
    EXPECT_EQ(status, quillon::kResourceNotFound);
    EXPECT_NE(BodyText(Live(server.Url("/fine"))).find("fine"), std::string::npos);
    EXPECT_NE(quillon::RendererProcessId(), helper);
}
