// SPDX-License-Identifier: GPL-3.0-or-later
// One check pass through the real checker program: pages served on 127.0.0.1 whose saved
// copies match, one of them changed on the server; the pass marks exactly that page.

#include <gtest/gtest.h>

#include <atomic>

#include <QLabel>

#include "retrieval/InternetHandler.h"
#include "tests/support/HttpServer.h"
#include "tests/updater/WindowFixture.h"

namespace pelmor::mainwindow {
namespace {

using test::Bold;
using test::ForeColor;

std::string Html(const std::string& title, const std::string& text) {
    return "<html><head><title>" + title + "</title></head><body><h1>" + title + "</h1><p>" + text +
           "</p><table><tr><td>one</td><td>two</td></tr></table></body></html>";
}

TEST(CheckEndToEnd, ChangedPageAndItsFoldersTurnRedAndTheProfileSaysUpdated) {
    test::CheckingWindow w(PELMOR_UPDATER_PROGRAM);
    test::HttpServer server;
    std::atomic<bool> changed = false;
    for (const char* path : {"/news/a", "/news/b", "/d"}) server.Page(path, Html(path, "Nothing new here."));
    server.Routes().Get("/sport/c", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(Html("/sport/c", changed ? "The match was won." : "The match was lost."), "text/html");
    });
    // A page that goes away after it was added.
    server.Routes().Get("/gone", [&](const httplib::Request&, httplib::Response& response) {
        response.status = changed ? 404 : 200;
        response.set_content(Html("/gone", "Still here."), "text/html");
    });

    auto root = Application::Create();
    root->SetActive(true);
    auto folder = [](ItemList& parent, const std::string& name) {
        auto f = Folder::Create();
        f->SetName(name);
        f->SetActive(true);
        parent.AddItem(f);
        return f;
    };
    int fileNumber = 100;
    auto page = [&](ItemList& parent, const std::string& path) {
        auto p = Page::Create();
        p->SetURL(server.Url(path));
        p->SetDescription(path);
        p->SetActive(true);
        p->SetPeriodTime(1);
        p->SetPeriodUnit(dfHour);
        std::string file = w.settings->CacheFolder() + "/" + std::to_string(++fileNumber) + ".html";
        std::filesystem::create_directories(w.settings->CacheFolder());
        std::string title;
        InternetHandler handler;
        EXPECT_TRUE(handler.SaveURLToCache(p, p->URL(), file, title)) << path;
        p->SetSavedFile(file);
        parent.AddItem(p);
        return p;
    };
    auto news = folder(*root, "News");
    page(*news, "/news/a");
    page(*news, "/news/b");
    auto sport = folder(*root, "Sport");
    auto local = folder(*sport, "Local");
    auto c = page(*local, "/sport/c");
    page(*root, "/d");
    auto gone = page(*root, "/gone");
    changed = true;

    DateTime before = DateTime::Now() - 1.0 / 1440;
    w.Open(root);
    w.main->CheckForUpdates();
    ASSERT_TRUE(w.WaitIdle());

    auto rows = w.Rows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"/d|Checked", "/gone|Check failed: The server answered 404 Not Found", "/news/a|Checked",
                                              "/news/b|Checked", "/sport/c|Updated"}));
    // The failed check counts for the schedule, and the page looks failing, not changed.
    auto goneNow = w.PageOf(gone->Key());
    ASSERT_NE(goneNow, nullptr);
    EXPECT_GE(goneNow->LastCheckDate(), before);
    EXPECT_FALSE(goneNow->Updated());
    EXPECT_NE(ForeColor(w.Node(gone->Key())), 255);
    EXPECT_EQ(w.Node(gone->Key()).data(Qt::ToolTipRole).toString(), "Check failed: The server answered 404 Not Found");
    w.main->Tree()->setCurrentIndex(w.Node(gone->Key()));
    auto* failure = w.main->findChild<QLabel*>("lblLastFailure");
    ASSERT_NE(failure, nullptr);
    EXPECT_TRUE(failure->text().endsWith("The server answered 404 Not Found")) << failure->text().toStdString();
    for (const char* key : {"Sport", "Sport\\Local"}) {
        EXPECT_EQ(ForeColor(w.Node(key)), 255) << key;
        EXPECT_TRUE(Bold(w.Node(key))) << key;
    }
    EXPECT_EQ(ForeColor(w.Node(c->Key())), 255);
    EXPECT_EQ(ForeColor(w.main->Tree()->RootIndex()), 255);
    EXPECT_EQ(ForeColor(w.Node("News")), 0);
    // The folders above a failing page say so; the failure outlives a reload of the profile.
    EXPECT_EQ(w.main->Tree()->RootIndex().data(Qt::ToolTipRole).toString(), "A page in here could not be checked");
    EXPECT_EQ(w.Node("News").data(Qt::ToolTipRole).toString(), "");
    w.main->SaveItems();
    w.main->LoadTree();
    EXPECT_TRUE(w.PageOf(gone->Key())->Failing());
    EXPECT_EQ(w.Node(gone->Key()).data(Qt::ToolTipRole).toString(), "Check failed: The server answered 404 Not Found");
    EXPECT_EQ(w.main->Tree()->RootIndex().data(Qt::ToolTipRole).toString(), "A page in here could not be checked");
    goneNow = w.PageOf(gone->Key());
    for (const auto& p : w.main->Pages().All()) {
        EXPECT_EQ(ForeColor(w.Node(p->Key())), p->Key() == c->Key() ? 255 : 0) << p->Key();
        EXPECT_EQ(p->Failing(), p == goneNow) << p->Key();
        EXPECT_GE(p->LastCheckDate(), before) << p->Key();
    }

    auto saved = w.Saved();
    auto savedLocal =
        std::static_pointer_cast<Folder>(std::static_pointer_cast<Folder>(saved->Items("Sport"))->ItemAt(0));
    EXPECT_TRUE(std::static_pointer_cast<Page>(savedLocal->ItemAt(0))->Updated());
    auto savedNews = std::static_pointer_cast<Folder>(saved->Items("News"));
    EXPECT_FALSE(std::static_pointer_cast<Page>(savedNews->ItemAt(0))->Updated());
    EXPECT_FALSE(std::static_pointer_cast<Page>(savedNews->ItemAt(1))->Updated());
    EXPECT_FALSE(std::static_pointer_cast<Page>(saved->ItemAt(2))->Updated());
    EXPECT_GE(std::static_pointer_cast<Page>(saved->ItemAt(2))->LastCheckDate(), before);
}

}  // namespace
}  // namespace pelmor::mainwindow
