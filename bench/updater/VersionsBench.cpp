// SPDX-License-Identifier: GPL-3.0-or-later
// What keeping versions costs a check: one check of a changed page of about 20 KB served
// on 127.0.0.1, through the checker's own check function, with "Keep versions" at 0 (no
// version kept) and at 10 (every check keeps one and drops the oldest beyond ten).
//
//   build/bin/bench_updater_versions

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "items/Page.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "updater/PageCheck.h"

namespace {

namespace fs = std::filesystem;

// Digits are masked by the check: the versions differ in a word.
std::string PageText(int version) {
    static const char* const kWords[] = {"on time", "early", "late", "delayed"};
    std::string body = "<h1>Notices</h1><p>The ferry runs " + std::string(kWords[version % 4]) + ".</p>";
    for (int i = 0; body.size() < 20 * 1024; ++i)
        body += "<div><p>Notice " + std::to_string(i) + ": the crossing ran to the timetable.</p></div>";
    return "<html><head><title>Notices</title></head><body>" + body + "</body></html>";
}

void CheckChangedPage(benchmark::State& state) {
    char pattern[] = "/tmp/pelmor-bench-versions-XXXXXX";
    const fs::path home = mkdtemp(pattern);
    setenv("PELMOR_HOME", home.c_str(), 1);
    fs::create_directories(home / "config");
    fs::create_directories(home / "data" / "Files");
    std::ofstream(home / "config" / "Pelmor.ini") << "[Preferences]\nKeepVersions=" << state.range(0) << "\n";
    pelmor::SetCurrentCacheFolder((home / "data" / "Files").string());

    std::atomic<int> version = 0;
    httplib::Server server;
    server.Get("/notices", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(PageText(version), "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });

    auto page = pelmor::Page::Create();
    page->SetURL("http://127.0.0.1:" + std::to_string(port) + "/notices");
    page->SetSavedFile((home / "data" / "Files" / "1.html").string());
    std::string title;
    pelmor::InternetHandler().SaveURLToCache(page, page->URL(), page->SavedFile(), title);
    const pelmor::updater::PageSnapshot snapshot = pelmor::updater::SnapshotOf(*page);
    for (auto _ : state) {
        version = version % 4 == 3 ? 1 : version + 1;
        if (!pelmor::updater::CheckPageNow(snapshot).updated) state.SkipWithError("no change found");
    }
    server.stop();
    thread.join();
    fs::remove_all(home);
}
BENCHMARK(CheckChangedPage)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace
