// SPDX-License-Identifier: GPL-3.0-or-later
// The window thread's longest stall while the main window runs a check pass over 1,000
// pages (the real checker program, pages on 127.0.0.1, a third of them changed) and, at
// the same time, shows a changed page of about 500 KB in the real browser window. A 5 ms
// timer on the window thread ticks throughout; the longest gap between two ticks is the
// longest time a click or a repaint would have waited. On a busy machine that gap also
// holds the time other programs had the CPU, so the window thread's own CPU time between
// two ticks is reported beside it.
//
// The browser engine starts once per process, on the window thread, the first time a
// browser window is made; that start is measured apart (a first display) before the
// measured run.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_mainwindow_stall [pages]

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <ctime>
#include <utility>

#include "items/Application.h"
#include "mainwindow/ShowingPart.h"
#include "mainwindow/frmMain.h"
#include "retrieval/InternetHandler.h"
#include "preferences/Settings.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using namespace pelmor;

namespace {

std::string SmallPage(int n, bool changed) {
    return "<html><head><title>Page " + std::to_string(n) + "</title></head><body><h1>Page " + std::to_string(n) +
           "</h1><p>" + (changed ? "Fresh news today." : "Nothing new.") + "</p></body></html>";
}

std::string BigPage(const std::string& word) {
    std::string body = "<html><head><title>Big page</title></head><body>\n";
    for (int i = 0; body.size() < 500 * 1024; ++i)
        body += "<p>Paragraph " + std::to_string(i) + " of a long page, with <b>some</b> " +
                (i % 50 == 7 ? word : std::string("words")) + " in it.</p>\n";
    return body + "</body></html>";
}

std::shared_ptr<Page> SavedPage(ItemList& parent, const std::string& url, const std::string& file) {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetDescription(url);
    page->SetActive(true);
    page->SetPeriodTime(30);
    page->SetPeriodUnit(dfMinute);
    std::string title;
    if (!InternetHandler().SaveURLToCache(page, url, file, title)) std::fprintf(stderr, "cannot save %s\n", url.c_str());
    page->SetSavedFile(file);
    parent.AddItem(page);
    return page;
}

// CPU time the calling thread has used, in milliseconds.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Runs the event loop until `done` holds.
void RunUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(20);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    qputenv("PELMOR_UPDATER", UPDATER_PROGRAM);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    test::TempHome home;
    test::HttpServer server;
    std::atomic<bool> changed = false;
    server.Routes().Get(R"(/page/(\d+))", [&](const httplib::Request& request, httplib::Response& response) {
        const int n = std::stoi(request.matches[1]);
        response.set_content(SmallPage(n, changed && n % 3 == 0), "text/html");
    });
    server.Page("/big", BigPage("words"));
    server.Page("/warm", SmallPage(0, false));

    auto settings = std::make_shared<Settings>();
    settings->LoadPreferences();
    settings->SetAutoCheck(false);
    settings->SetSoftwareUpdate(false);
    settings->SetAlertPopup(false);
    settings->SavePreferences();
    std::filesystem::create_directories(settings->CacheFolder());
    std::filesystem::create_directories(std::filesystem::path(settings->XMLFile()).parent_path());
    auto root = Application::Create();
    root->SetActive(true);
    std::printf("saving %d pages...\n", pages);
    for (int n = 1; n <= pages; ++n)
        SavedPage(*root, server.Url("/page/" + std::to_string(n)), settings->CacheFolder() + "/" + std::to_string(n) + ".html");
    SavedPage(*root, server.Url("/big"), settings->CacheFolder() + "/big.html")->SetUpdated(true);
    SavedPage(*root, server.Url("/warm"), settings->CacheFolder() + "/warm.html")->SetUpdated(true);
    root->SaveItems(settings->XMLFile());
    changed = true;
    server.Page("/big", BigPage("changed words"));

    mainwindow::frmMain window(settings, Application::Create());
    window.ActivateMain();
    window.show();
    mainwindow::ShowingPart* showing = window.Showing();
    std::shared_ptr<Page> big, warm;
    for (const auto& page : window.Pages().All()) {
        if (page->URL() == server.Url("/big")) big = page;
        if (page->URL() == server.Url("/warm")) warm = page;
    }

    // Wall time between ticks counts the time other programs held the CPU too; the
    // window thread's own CPU time between ticks is what this program kept it busy.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    double lastCpu = 0;
    double worstCpu = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last);
        last = now;
        const double cpu = ThreadCpuMs();
        worstCpu = std::max(worstCpu, cpu - lastCpu);
        lastCpu = cpu;
    });
    auto measure = [&](const char* what, const std::function<void()>& start, const std::function<bool()>& done) {
        worst = 0;
        worstCpu = 0;
        clock.start();
        last = 0;
        lastCpu = ThreadCpuMs();
        tick.start();
        start();
        RunUntil(done);
        worst = std::max(worst, clock.elapsed() - last);
        tick.stop();
        std::printf("%s: %lld ms, longest gap between timer ticks %lld ms, most window-thread CPU between ticks "
                    "%.1f ms\n",
                    what, static_cast<long long>(clock.elapsed()), static_cast<long long>(worst), worstCpu);
        return std::pair{worst, worstCpu};
    };

    auto idleFor = [](int ms) {
        QElapsedTimer since;
        since.start();
        return [since, ms] { return since.elapsed() >= ms; };
    };
    measure("idle", [] {}, idleFor(500));
    measure("first display (the browser engine starts)", [&] { window.ShowPage(warm); },
            [&] { return !showing->Busy(); });
    const auto [stall, busy] = measure(
        "check pass and 500 KB display",
        [&] {
            window.CheckForUpdates();
            window.ShowPage(big);
        },
        [&] {
            return !showing->Busy() && !window.Checking()->Busy() && window.objUpdater() &&
                   window.objUpdater()->InFlightCount() == 0;
        });
    {
        const double before = ThreadCpuMs();
        window.SaveItems();
        std::printf("one write of the profile (%d pages) on the window thread: %.1f ms of CPU\n",
                    static_cast<int>(window.Pages().Count()), ThreadCpuMs() - before);
    }
    int updated = 0;
    for (const auto& page : window.Pages().All()) updated += page->Updated() ? 1 : 0;
    std::printf("pages %d, updated after the pass %d, big page shown %s\n", pages, updated,
                big->Updated() ? "no" : "yes");
    std::printf("longest stall of the window thread: %lld ms wall, %.1f ms of its own CPU (goal: under 50 ms)\n",
                static_cast<long long>(stall), busy);
    for (QWidget* browser : window.BrowserWindows()) browser->close();
    window.close();
    return 0;
}
