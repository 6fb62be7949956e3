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
#include "platform/core/Deadline.h"
#include "platform/html/Html.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using pelmor::InternetHandler;
using pelmor::LightWebBrowser;
using pelmor::Page;
using pelmor::html::Document;
using pelmor::test::HttpServer;
using pelmor::test::TempHome;
using pelmor::test::ReadFile;
using pelmor::test::WriteFile;
namespace quillon = pelmor::quillon;
using namespace std::chrono_literals;

namespace {

// A live load as the program makes one.
std::shared_ptr<Document> Live(const std::string& url, quillon::LoadStatus* status = nullptr, bool images = false,
                               bool frames = true) {
    LightWebBrowser browser;
    browser.SetExecuteScripts(true);
    browser.SetDownloadImages(images);
    browser.SetDownloadFrames(frames);
    browser.SetIgnoreProxyCache(true);
    std::shared_ptr<Document> document;
    quillon::LoadStatus rc = browser.navigate(url, url, document);
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
    EXPECT_NE(BodyText(handler.LightNavigate(page->FrameAt(0)->SavedFile())).find("Rain tomorrow"), std::string::npos);
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
    quillon::LoadStatus status = quillon::LoadStatus::Failed;
    EXPECT_FALSE(Live(server.Url("/loop"), &status));
    EXPECT_EQ(status, quillon::LoadStatus::Ok);  // a time-out, not a failure
    EXPECT_LT(std::chrono::steady_clock::now() - start, 9s);
    EXPECT_NE(BodyText(Live(server.Url("/fine"))).find("fine"), std::string::npos);

    long helper = quillon::RendererProcessId();
    ASSERT_GT(helper, 0);
    auto waiting = std::async(std::launch::async, [&] { return Live(server.Url("/waits"), &status); });
    for (int i = 0; i < 500 && server.Hits("/slow") == 0; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(server.Hits("/slow"), 1);
    ::kill(static_cast<pid_t>(helper), SIGKILL);
    EXPECT_FALSE(waiting.get());
    EXPECT_EQ(status, quillon::LoadStatus::PageNotFound);
    EXPECT_NE(BodyText(Live(server.Url("/fine"))).find("fine"), std::string::npos);
    EXPECT_NE(quillon::RendererProcessId(), helper);
}

namespace {

// A documentation folder served as it is installed, but for `own` files, which are
// copies a test may change.
std::filesystem::path DocsWith(const std::filesystem::path& root, const std::filesystem::path& installed,
                               std::initializer_list<const char*> own) {
    std::filesystem::create_directories(root);
    for (const auto& entry : std::filesystem::directory_iterator(installed))
        std::filesystem::create_symlink(entry.path(), root / entry.path().filename());
    for (const char* name : own) {
        // The folder that holds the copy is a real one, its other entries links.
        std::filesystem::path folder = std::filesystem::path(name).parent_path();
        if (!folder.empty()) {
            std::filesystem::remove(root / folder);
            std::filesystem::create_directories(root / folder);
            for (const auto& entry : std::filesystem::directory_iterator(installed / folder))
                std::filesystem::create_symlink(entry.path(), root / folder / entry.path().filename());
        }
        std::filesystem::remove(root / name);
        std::filesystem::copy_file(installed / name, root / name);
    }
    return root;
}

// `text` with the first `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::shared_ptr<Page> SavedPage(InternetHandler& handler, const std::string& url, const std::filesystem::path& file) {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetSavedFile(file.string());
    std::string title;
    EXPECT_TRUE(handler.SaveURLToCache(page, url, file.string(), title)) << url;
    return page;
}

}  // namespace

// Real sites no one here wrote. The Sphinx search works through its index with timers and
// fetches while a spinner re-arms itself for ever; the MkDocs search runs in a worker.
// Each is taken once its work is done, the same at every load, and a change to its index
// shows.
TEST(Render, DocumentationSearchesSettleAndTheirChangesShow) {
    TempHome home;
    pelmor::SetCurrentCacheFolder(home.Root().string());
    HttpServer server;
    const auto sphinx = DocsWith(home.Root() / "py", "/usr/share/doc/python3.11/html", {"searchindex.js"});
    const auto mkdocs = DocsWith(home.Root() / "mk", "/usr/share/doc/mkdocs/html", {"search/search_index.json"});
    ASSERT_TRUE(server.Routes().set_mount_point("/py", sphinx.string()));
    ASSERT_TRUE(server.Routes().set_mount_point("/mk", mkdocs.string()));
    InternetHandler handler;

    auto search = SavedPage(handler, server.Url("/py/search.html?q=socket"), home.Root() / "1.html");
    std::string first = BodyText(handler.LightNavigate(search->URL()));
    EXPECT_NE(first.find("Search finished, found"), std::string::npos) << first.substr(0, 2000);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(handler.IsPageUpdated(search)) << handler.LastCheckFailure();
    // A page the index did not name under "socket" before is found now.
    const std::string index = ReadFile(sphinx / "searchindex.js");
    WriteFile(sphinx / "searchindex.js", Replaced(index, "\"socket\": [", "\"socket\": [0, "));
    EXPECT_TRUE(handler.IsPageUpdated(search));
    search->SetInsertColor("#00FF00");
    search->SetUpdateColor("#FFFF00");
    std::string marked = handler.GetRevisedHTML(search);
    EXPECT_NE(marked.find("About these documents"), std::string::npos);
    EXPECT_TRUE(marked.find("background-color: #00FF00") != std::string::npos ||
                marked.find("background-color: #FFFF00") != std::string::npos);

    auto plugins = SavedPage(handler, server.Url("/mk/index.html?q=plugins"), home.Root() / "2.html");
    std::shared_ptr<Document> saved = handler.LightNavigate(plugins->SavedFile());
    ASSERT_TRUE(saved);
    std::string results;
    for (const pelmor::html::Element& div : saved->getElementsByTagName("DIV"))
        if (div.getAttribute("id") == "mkdocs-search-results") results = div.innerHTML();
    EXPECT_NE(results.find("<article>"), std::string::npos) << results;
    EXPECT_FALSE(handler.IsPageUpdated(plugins)) << handler.LastCheckFailure();
    const std::string docs = ReadFile(mkdocs / "search" / "search_index.json");
    WriteFile(mkdocs / "search" / "search_index.json", Replaced(docs, "\"title\":\"Plugins\"", "\"title\":\"Add-ons\""));
    EXPECT_TRUE(handler.IsPageUpdated(plugins));
}

// Six threads load big scripted pages at once: the requests and answers cross without
// holding each other up, and every load comes back.
TEST(Render, BigPagesFromManyThreadsAllLoad) {
    TempHome home;
    HttpServer server;
    CloseAfterEachAnswer(server);
    std::string filler;
    while (filler.size() < 900 * 1024) filler += "<p>Some ordinary text of a long page, paragraph after paragraph.</p>";
    for (int i = 0; i < 6; ++i)
        server.Page("/big" + std::to_string(i),
                    "<html><body><h1 id=\"h\"></h1>" + filler + "<script>document.getElementById('h').textContent = "
                    "'Written " + std::to_string(i) + "'</script></body></html>");
    std::vector<std::future<std::string>> loads;
    for (int i = 0; i < 6; ++i)
        loads.push_back(std::async(std::launch::async, [&, i] {
            std::shared_ptr<Document> page = Live(server.Url("/big" + std::to_string(i)));
            return BodyText(page).substr(0, 9);
        }));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(loads[i].get(), "Written " + std::to_string(i)) << i;
    // The helper that served them is the one that serves the next load.
    long helper = quillon::RendererProcessId();
    EXPECT_EQ(BodyText(Live(server.Url("/big0"))).substr(0, 9), "Written 0");
    EXPECT_EQ(quillon::RendererProcessId(), helper);
}

// A page too big to hand to WebEngine whole is rendered from the loader's own text:
// decoded as the loader decoded it, every script in it run (also those cut across the
// parts it is written in), at its own address, and fetched once.
TEST(Render, PagesPastTheHandOverSizeKeepTheLoadersReading) {
    TempHome home;
    HttpServer server;
    CloseAfterEachAnswer(server);
    // Scripts of about 1 KB each, with quotes, backslashes and line ends in them.
    std::string scripts;
    int count = 0;
    while (scripts.size() < 1536 * 1024) {
        scripts += "<script>n += 1; s = \"a \\\"quoted\\\" \\\\ text\";\n/* " + std::string(960, 'x') + " */</script>\n";
        ++count;
        // One script from the server holds the parser up while the rest is written.
        if (count == 300) scripts += "<script src=\"/more.js\"></script>";
    }
    server.Page("/more.js", "n += 1000;", "text/javascript");
    // The header names no charset; the META's windows-1251 is not to be used.
    server.Page("/big", "<html><head><meta charset=\"windows-1251\"><script>var n = 0, s;</script></head><body>"
                        "<p id=\"word\">caf\xE9</p><p id=\"out\"></p>" + scripts +
                        "<script>document.getElementById('out').textContent = n + ' ' + s + ' ' + location.href + ' ' +"
                        " new URL('rel', document.baseURI).href + ' ' + (document.URL === location.href);</script>"
                        "</body></html>");
    LightWebBrowser browser;
    browser.SetExecuteScripts(true);
    browser.SetSuppressMETACharset(true);
    browser.SetIgnoreProxyCache(true);
    std::shared_ptr<Document> page;
    browser.navigate(server.Url("/big"), server.Url("/big"), page);
    ASSERT_TRUE(page) << browser.LastError();
    EXPECT_EQ(BodyText(page), "caf\u00E9\n\n" + std::to_string(count + 1000) + " a \"quoted\" \\ text " + server.Url("/big") +
                                  " " + server.Url("/rel") + " true");
    EXPECT_EQ(page->URL(), server.Url("/big"));
    EXPECT_EQ(server.Hits("/big"), 1);
}

// Each load starts with nothing a former load left, follows no navigation of its own, and
// keeps the address it was fetched from.
TEST(Render, LoadsLeaveNothingBehindAndGoNowhere) {
    TempHome home;
    HttpServer server;
    CloseAfterEachAnswer(server);
    server.Page("/store",
                "<html><body><p id=\"out\"></p><script>"
                "var out = document.getElementById('out'), finished = false;"
                "var wait = function () { if (!finished) setTimeout(function () { wait(); }, 10); }; wait();"
                "out.textContent = 'local ' + localStorage.length + ' worker ' + typeof navigator.serviceWorker;"
                "localStorage.setItem('k', 'v');"
                "var open = indexedDB.open('kept', 1);"
                "open.onupgradeneeded = function () { open.result.createObjectStore('items', {autoIncrement: true}); };"
                "open.onsuccess = function () {"
                "  var store = open.result.transaction('items', 'readwrite').objectStore('items');"
                "  store.count().onsuccess = function (e) {"
                "    out.textContent += ' stored ' + e.target.result; store.add('x'); finished = true; }; };"
                "</script></body></html>");
    server.Page("/self", "<html><head><meta http-equiv=\"refresh\" content=\"0\"></head><body>"
                         "<script>document.write('refreshing')</script></body></html>");
    server.Page("/moved", "<html><body><script>history.replaceState(null, '', '/elsewhere');"
                          "document.write('moved')</script></body></html>");
    server.Page("/download", "<html><body>before<script>location.href = '/file.bin';</script></body></html>");
    server.Page("/file.bin", std::string(4096, 'x'), "application/octet-stream");

    for (int i = 0; i < 2; ++i) EXPECT_EQ(BodyText(Live(server.Url("/store"))), "local 0 worker undefined stored 0");
    InternetHandler handler;
    EXPECT_EQ(BodyText(handler.LightNavigate(server.Url("/self"))), "refreshing");
    EXPECT_EQ(server.Hits("/self"), 1);
    // A new window is not opened but reported, and the loader's rule follows it.
    server.Page("/opener",
                "<html><body><script>document.write('opener');"
                "addEventListener('load', function () { window.open('/opened'); });</script></body></html>");
    server.Page("/opened", "<html><body>opened</body></html>");
    EXPECT_EQ(BodyText(handler.LightNavigate(server.Url("/opener"))), "opened");
    EXPECT_EQ(server.Hits("/opened"), 1);
    std::shared_ptr<Document> moved = Live(server.Url("/moved"));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->URL(), server.Url("/moved"));
    quillon::LoadStatus status = quillon::LoadStatus::Failed;
    EXPECT_EQ(BodyText(Live(server.Url("/download"), &status)), "before");
    EXPECT_EQ(status, quillon::LoadStatus::Ok);

    // A frame that answers an HTTP error is no document, as on the direct road.
    server.Routes().Get("/missing", [](const httplib::Request&, httplib::Response& response) {
        response.status = 404;
        response.set_content("<html><body>Not here</body></html>", "text/html");
    });
    server.Page("/menu", "<html><body>menu</body></html>");
    server.Page("/framed", "<html><head><script>document.title = 'framed'</script></head>"
                           "<frameset cols=\"*,*\"><frame src=\"/missing\"><frame src=\"/menu\"></frameset></html>");
    std::shared_ptr<Document> framed = Live(server.Url("/framed"));
    ASSERT_TRUE(framed);
    ASSERT_EQ(framed->frames().length(), 2u);
    EXPECT_FALSE(framed->frames().item(0).accessible());
    EXPECT_TRUE(framed->frames().item(1).accessible());
}

namespace {

// A page that shows what its origin had stored ("local N stored M"), stores more, tells
// its parent, then runs `then`.
std::string StoragePage(const std::string& then) {
    return "<html><body><p id=\"out\"></p><script>"
           "var out = document.getElementById('out'), finished = false;"
           "var wait = function () { if (!finished) setTimeout(function () { wait(); }, 10); }; wait();"
           "out.textContent = 'local ' + localStorage.length;"
           "localStorage.setItem('k', 'v');"
           "var open = indexedDB.open('kept', 1);"
           "open.onupgradeneeded = function () { open.result.createObjectStore('items', {autoIncrement: true}); };"
           "open.onsuccess = function () {"
           "  var t = open.result.transaction('items', 'readwrite'), store = t.objectStore('items');"
           "  store.count().onsuccess = function (e) { out.textContent += ' stored ' + e.target.result; "
           "store.add('x'); };"
           "  t.oncomplete = function () { parent.postMessage('written', '*'); " +
           then +
           " }; };"
           "</script></body></html>";
}

}  // namespace

// Nothing a document stored outlives its load: not what a frame of another site stored,
// nor what a page whose load failed stored.
TEST(Render, StorageNeverOutlivesItsLoad) {
    TempHome home;
    HttpServer server;
    CloseAfterEachAnswer(server);
    HttpServer other;
    CloseAfterEachAnswer(other);
    std::string foreign = other.Url("/store");
    foreign.replace(foreign.find("127.0.0.1"), 9, "localhost");  // another site
    other.Page("/store", StoragePage("finished = true;"));
    server.Page("/store", StoragePage("finished = true;"));
    server.Page("/stuck", StoragePage("setTimeout(function () { for (;;) {} }, 0);"));
    server.Page("/host", "<html><body><p id=\"seen\">host</p><iframe src=\"" + foreign +
                             "\"></iframe><script>"
                             "var seen = false;"
                             "window.addEventListener('message', function () {"
                             "  seen = true; document.getElementById('seen').textContent = 'frame stored'; });"
                             "var wait = function () { if (!seen) setTimeout(function () { wait(); }, 10); }; wait();"
                             "</script></body></html>");

    EXPECT_EQ(BodyText(Live(server.Url("/host"))).substr(0, 12), "frame stored");
    EXPECT_EQ(BodyText(Live(foreign)), "local 0 stored 0");
    {
        pelmor::ScopedDeadline limit(std::chrono::steady_clock::now() + 3s);
        EXPECT_FALSE(Live(server.Url("/stuck")));
    }
    EXPECT_EQ(BodyText(Live(server.Url("/store"))), "local 0 stored 0");
}

// Without a helper to run its scripts, a scripted page is not compared at all: the check
// fails with the reason, and the saved copy stays as it was.
TEST(Render, NoHelperMeansAFailedCheckNotAChange) {
    TempHome home;
    pelmor::SetCurrentCacheFolder(home.Root().string());
    HttpServer server;
    CloseAfterEachAnswer(server);
    server.Page("/news", "<html><body><p>Plain part</p><script>document.write('Scripted part')</script></body></html>");
    InternetHandler handler;
    auto page = SavedPage(handler, server.Url("/news"), home.Root() / "1.html");
    const std::string copy = ReadFile(page->SavedFile());
    const pelmor::DateTime checked = page->LastCheckDate();

    ::kill(static_cast<pid_t>(quillon::RendererProcessId()), SIGKILL);
    WriteFile(home.Root() / "crash.sh", "#!/bin/sh\nkill -SEGV $$\n");
    std::filesystem::permissions(home.Root() / "crash.sh", std::filesystem::perms::owner_all);
    setenv("PELMOR_RENDER", (home.Root() / "crash.sh").c_str(), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(handler.IsPageUpdated(page));
        EXPECT_EQ(handler.LastCheckFailure().rfind("Scripts could not be run: ", 0), 0u) << handler.LastCheckFailure();
    }
    unsetenv("PELMOR_RENDER");
    EXPECT_EQ(ReadFile(page->SavedFile()), copy);
    EXPECT_EQ(page->LastCheckDate(), checked);
}
