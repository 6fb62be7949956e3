// SPDX-License-Identifier: GPL-3.0-or-later
// One timer pass of the main window over many due pages of about 20 KB served on
// 127.0.0.1, through the real checker: how often the profile file is written during the
// pass and how much CPU the window thread spends per answer. A small program; run
//
//   build/bin/bench_updater_windowpass          (3,000 pages; PELMOR_BENCH_PAGES=N for others)

#include <httplib.h>

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "items/Application.h"
#include "items/Page.h"
#include "mainwindow/Updater.h"
#include "mainwindow/frmMain.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "preferences/Settings.h"

namespace {

std::string PageBody(int n) {
    std::string body = "<html><head><title>Page " + std::to_string(n) + "</title></head><body><table>";
    int row = 0;
    while (body.size() < 20000) {
        ++row;
        body += "<tr><td>Row " + std::to_string(row) + "</td><td><a href=\"/item/" + std::to_string(n * 1000 + row) +
                "\">Item " + std::to_string(row) + "</a></td><td>Some ordinary text of a watched page.</td></tr>";
    }
    return body + "</table></body></html>";
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

size_t ProfileWrites() {
    std::ifstream in(pelmor::log::PathOf(pelmor::log::File::Program), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t count = 0;
    for (size_t at = text.find("SaveItems entered"); at != std::string::npos; at = text.find("SaveItems entered", at + 1))
        ++count;
    return count;
}

void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = std::getenv("PELMOR_BENCH_PAGES") ? std::atoi(std::getenv("PELMOR_BENCH_PAGES")) : 3000;
    namespace fs = std::filesystem;
    fs::path home = fs::temp_directory_path() / ("pelmor-windowpass-" + std::to_string(::getpid()));
    fs::create_directories(home / "data" / "Files");
    setenv("PELMOR_HOME", home.c_str(), 1);
    setenv("PELMOR_UPDATER", UPDATER_PROGRAM, 1);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    httplib::Server server;
    server.Get(R"(/page/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content(PageBody(std::stoi(request.matches[1])), "text/html");
    });
    server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
        const_cast<httplib::Request&>(request).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    auto settings = std::make_shared<pelmor::Settings>();
    settings->LoadPreferences();
    auto root = pelmor::Application::Create();
    root->SetActive(true);
    pelmor::InternetHandler handler;
    const pelmor::DateTime longAgo(pelmor::DateTime::Now().Days() - 1);
    for (int n = 1; n <= pages; ++n) {
        auto page = pelmor::Page::Create();
        page->SetURL("http://127.0.0.1:" + std::to_string(port) + "/page/" + std::to_string(n));
        std::string file = (home / "data" / "Files" / (std::to_string(n) + ".html")).string();
        std::string title;
        if (!handler.SaveURLToCache(page, page->URL(), file, title)) std::abort();
        page->SetSavedFile(file);
        page->SetDescription(title);
        page->SetActive(true);
        page->SetPeriodTime(30);
        page->SetPeriodUnit(pelmor::dfMinute);
        page->SetLastCheckDate(longAgo);
        root->AddItem(page);
    }
    fs::create_directories(fs::path(settings->XMLFile()).parent_path());
    root->SaveItems(settings->XMLFile());

    int exitCode = 0;
    {
        pelmor::mainwindow::frmMain window(settings, pelmor::Application::Create());
        window.ActivateMain();
        Spin(500);  // the checker starts
        size_t writesBefore = ProfileWrites();
        double cpuBefore = ThreadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        window.CheckForUpdates();
        while (window.objUpdater() && window.objUpdater()->InFlightCount() > 0) Spin(5);
        double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
        double cpu = ThreadCpuSeconds() - cpuBefore;
        size_t writesDuringPass = ProfileWrites() - writesBefore;
        Spin(1500);  // the last coalesced write
        size_t writes = ProfileWrites() - writesBefore;
        std::printf("pages %d, pass %.1f s, profile writes %zu during the pass and %zu in all (%.1f MB each), "
                    "window-thread CPU %.2f s = %.3f ms per answer\n",
                    pages, seconds, writesDuringPass, writes,
                    static_cast<double>(fs::file_size(settings->XMLFile())) / 1e6, cpu, cpu * 1000.0 / pages);
        window.close();
    }
    server.stop();
    serving.join();
    fs::remove_all(home);
    return exitCode;
}
