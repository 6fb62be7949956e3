// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/html/Html.h"
#include "items/Frame.h"
#include "items/Page.h"
#include "platform/log/Log.h"
#include "platform/text/Utf16.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using pelmor::InternetHandler;
using pelmor::test::HttpServer;
using pelmor::test::ReadFile;
using pelmor::test::TempHome;
using pelmor::test::WriteFile;

namespace {

std::string HelperLog() { return ReadFile(pelmor::log::PathOf(pelmor::log::File::Helper)); }

}  // namespace

TEST(LightNavigate, LoadsPagesWithTheirAddressAsBase) {
    TempHome home;
    HttpServer server;
    server.Page("/plain", "<html><head><title>Plain</title></head><body><p>text</p></body></html>");
    server.Routes().Get("/moved", [&](const httplib::Request&, httplib::Response& res) {
        res.status = 301;
        res.set_header("Location", "/moved2");
    });
    server.Routes().Get("/moved2", [&](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/plain");
    });
    InternetHandler handler;
    auto typed = handler.LightNavigate("127.0.0.1:" + std::to_string(server.Port()) + "/plain");
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->title(), "Plain");
    EXPECT_EQ(typed->getElementsByTagName("BASE").item(0).href(), server.Url("/plain"));
    EXPECT_EQ(server.LastHeader("/plain", "Cache-Control"), "no-cache");

    auto moved = handler.LightNavigate(server.Url("/moved"));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->URL(), server.Url("/plain"));
    EXPECT_EQ(moved->getElementsByTagName("BASE").item(0).href(), server.Url("/moved"));

    int before = static_cast<int>(server.Requests().size());
    for (const char* blank : {"about:blank", "ABOUT:Blank"}) {
        auto empty = handler.LightNavigate(blank);
        ASSERT_TRUE(empty);
        EXPECT_EQ(empty->body().innerHTML(), "");
    }
    EXPECT_EQ(static_cast<int>(server.Requests().size()), before);
}

TEST(LightNavigate, FollowsMetaRefreshOfLivePagesWithinBounds) {
    TempHome home;
    HttpServer server;
    server.Page("/dir/start", "<meta http-equiv=REFRESH content='5; URL=../target.html'><p>wait</p>");
    server.Page("/quoted", "<meta http-equiv=refresh content=\"0; url='target.html' \"><p>wait</p>");
    server.Page("/target.html", "<p>arrived</p>");
    server.Page("/self", "<meta http-equiv=Refresh content='0;url=/SELF'><p>self</p>");
    server.Page("/delay", "<meta http-equiv=Refresh content='30'><p>only a delay</p>");
    server.Page("/ping", "<meta http-equiv=Refresh content='0;url=/pong'><p>ping</p>");
    server.Page("/pong", "<meta http-equiv=Refresh content='0;url=/ping'><p>pong</p>");
    InternetHandler handler;

    auto start = handler.LightNavigate(server.Url("/dir/start"));
    ASSERT_TRUE(start);
    EXPECT_EQ(start->body().innerText(), "arrived");
    auto quoted = handler.LightNavigate(server.Url("/quoted"));
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->body().innerText(), "arrived");

    auto self = handler.LightNavigate(server.Url("/self"));
    ASSERT_TRUE(self);
    EXPECT_EQ(self->body().innerText(), "self");
    EXPECT_EQ(server.Hits("/self"), 1);
    auto delay = handler.LightNavigate(server.Url("/delay"));
    ASSERT_TRUE(delay);
    EXPECT_EQ(delay->body().innerText(), "only a delay");

    // Pages that refresh to each other end after a bounded number of loads.
    auto cycle = handler.LightNavigate(server.Url("/ping"));
    ASSERT_TRUE(cycle);
    EXPECT_EQ(server.Hits("/ping") + server.Hits("/pong"), 11);

    // A saved copy's refresh is never followed.
    WriteFile(home.Root() / "copy.html", "<meta http-equiv=Refresh content='0;url=" + server.Url("/target.html") +
                                             "'><p>saved</p>");
    int hits = server.Hits("/target.html");
    auto saved = handler.LightNavigate((home.Root() / "copy.html").string());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->body().innerText(), "saved");
    EXPECT_EQ(server.Hits("/target.html"), hits);
}

TEST(LightNavigate, APageNeverLeadsToALocalFileOrAnotherProtocol) {
    TempHome home;
    HttpServer server;
    HttpServer other;
    const std::string secret = (home.Root() / "secret.txt").string();
    WriteFile(secret, "root:x:0:0");
    server.Page("/evil", "<meta http-equiv=refresh content='0;url=file://" + secret + "'><p>evil</p>");
    server.Page("/gopher", "<meta http-equiv=refresh content='0;url=gopher://127.0.0.1:" +
                               std::to_string(server.Port()) + "/_SET%20owned%201'><p>gopher</p>");
    // A frame of another origin, loaded on its own, carries the refresh.
    server.Page("/set", "<frameset><frame src='" + other.Url("/frame") + "'></frameset>");
    other.Page("/frame", "<meta http-equiv=refresh content='0;url=file://" + secret + "'><p>frame</p>");
    InternetHandler handler;

    for (const char* path : {"/evil", "/gopher"}) {
        auto page = handler.LightNavigate(server.Url(path));
        ASSERT_TRUE(page) << path;
        EXPECT_EQ(page->URL(), server.Url(path));
    }
    EXPECT_NE(HelperLog().find("refused"), std::string::npos);

    auto item = pelmor::Page::Create();
    std::string title;
    const auto copy = home.Data() / "Files" / "1.html";
    std::filesystem::create_directories(copy.parent_path());
    pelmor::SetCurrentCacheFolder(copy.parent_path().string());
    ASSERT_TRUE(handler.SaveURLToCache(item, server.Url("/set"), copy.string(), title));
    ASSERT_EQ(item->FramesCount(), 1);
    EXPECT_EQ(ReadFile(item->FrameAt(0)->SavedFile()).find("root:x"), std::string::npos);
    EXPECT_NE(pelmor::text::DecodeFileText(ReadFile(item->FrameAt(0)->SavedFile())).find("frame"), std::string::npos);
}

TEST(LightNavigate, OneDeadlineCoversEveryRefreshHop) {
    TempHome home;
    HttpServer server;
    // Each hop alone is well inside the loader's 7.5 seconds; three of them are not.
    for (int hop = 0; hop < 3; ++hop) {
        std::string next = "/hop" + std::to_string(hop + 1);
        server.Routes().Get("/hop" + std::to_string(hop), [next](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2600));
            res.set_content("<meta http-equiv=Refresh content='0;url=" + next + "'><p>on</p>", "text/html");
        });
    }
    server.Page("/hop3", "<p>arrived</p>");
    InternetHandler handler;
    EXPECT_FALSE(handler.LightNavigate(server.Url("/hop0")));
    EXPECT_EQ(server.Hits("/hop3"), 0);
}

TEST(LightNavigate, PagesThatCannotLoadGiveNoneAndARecord) {
    TempHome home;
    HttpServer server;
    server.Page("/empty", "");
    InternetHandler handler;
    EXPECT_FALSE(handler.LightNavigate(server.Url("/empty")));
    EXPECT_EQ(HelperLog(), "");

    EXPECT_FALSE(handler.LightNavigate(server.Url("/missing")));
    std::string log = HelperLog();
    EXPECT_NE(log.find("Param: LightNavigate"), std::string::npos);
    EXPECT_NE(log.find("The server answered 404 Not Found"), std::string::npos);

    EXPECT_FALSE(handler.LightNavigate((home.Root() / "gone.html").string()));
    EXPECT_NE(HelperLog().find("file not found"), std::string::npos);
}

TEST(LightNavigate, KeepsCookiesAcrossTheLoadAndLooksLikeABrowser) {
    TempHome home;
    HttpServer server;
    // A consent wall: without its cookie the page sets it and refreshes to another
    // address of its own, which refreshes back.
    server.Routes().Get("/shop", [](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Cookie").find("consent=yes") != std::string::npos) {
            res.set_content("<p>Prices today</p>", "text/html");
            return;
        }
        res.set_header("Set-Cookie", "consent=yes; Path=/");
        res.set_content("<meta http-equiv=refresh content='0; url=/wall'><p>Accept cookies</p>", "text/html");
    });
    server.Page("/wall", "<meta http-equiv=refresh content='0; url=/shop'><p>Accept cookies</p>");
    InternetHandler handler;
    auto page = handler.LightNavigate(server.Url("/shop"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->body().innerText(), "Prices today");
    EXPECT_EQ(server.Hits("/shop"), 2);
    std::string agent = server.LastHeader("/shop", "User-Agent");
    EXPECT_EQ(agent.find("Pelmor"), std::string::npos) << agent;
    EXPECT_NE(agent.find("Linux"), std::string::npos) << agent;
    EXPECT_FALSE(server.LastHeader("/shop", "Accept-Language").empty());
}
