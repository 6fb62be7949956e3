// SPDX-License-Identifier: GPL-3.0-or-later
// One check pass over 1,000 pages of about 20 KB, served on 127.0.0.1, through the real
// checker program and the window's client of it. Reports the pass time and the peak
// memory (VmHWM) of the checker and of this process. The scripted pass does the same
// with pages that each write part of their content by script, so every live load goes
// through the script-running helper; it also reports the peak proportional memory (PSS)
// of the helper and its WebEngine processes together.
//
//   build/bin/bench_updater_checkpass --benchmark_counters_tabular=true
//
// The Sphinx pass checks the search page of Debian's python3.11-doc, served on 127.0.0.1,
// for 200 different words (PELMOR_BENCH_SPHINX_PAGES=N for N): real pages whose scripts
// work through a big index with timers and fetches; a second pass must find no change
// (updated_last).
//
// PELMOR_BENCH_PAGES=N checks N pages instead; PELMOR_BENCH_CHECKER_ARGS="--per-host 4"
// passes options to the checker.

#include <benchmark/benchmark.h>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "ProcStats.h"
#include "items/Page.h"
#include "mainwindow/Updater.h"
#include "retrieval/InternetHandler.h"

namespace {

using pelmor::bench::CpuSeconds;
using pelmor::bench::PeakMegabytes;

// PELMOR_BENCH_PAGES overrides the number of pages, for quick runs.
const int kPages = std::getenv("PELMOR_BENCH_PAGES") ? std::atoi(std::getenv("PELMOR_BENCH_PAGES")) : 1000;
const std::size_t kSphinxPages =
    std::getenv("PELMOR_BENCH_SPHINX_PAGES") ? std::atoi(std::getenv("PELMOR_BENCH_SPHINX_PAGES")) : 200;
const char* const kSphinxRoot = "/usr/share/doc/python3.11/html";

// Whole text of a /proc file; "" when the process has gone meanwhile.
std::string ProcText(const std::string& path) {
    try {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    } catch (...) {
        return "";
    }
}

// Proportional memory in MB of `pid` and all its descendants, from /proc; 0 when unknown.
double TreePssMegabytes(long pid) {
    std::map<long, long> parents;
    if (DIR* proc = opendir("/proc")) {
        while (dirent* entry = readdir(proc)) {
            long child = std::atol(entry->d_name);
            if (child <= 0) continue;
            std::string text = ProcText("/proc/" + std::to_string(child) + "/stat");
            auto close = text.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream fields(text.substr(close + 2));
            std::string state;
            long parent = 0;
            fields >> state >> parent;
            parents[child] = parent;
        }
        closedir(proc);
    }
    double kb = 0;
    for (const auto& [process, parent] : parents) {
        bool inTree = false;
        for (long p = process; p > 1 && !inTree; p = parents.count(p) ? parents[p] : 0) inTree = p == pid;
        if (!inTree) continue;
        std::istringstream rollup(ProcText("/proc/" + std::to_string(process) + "/smaps_rollup"));
        std::string line;
        while (std::getline(rollup, line))
            if (line.rfind("Pss:", 0) == 0) kb += std::stod(line.substr(4));
    }
    return kb / 1024.0;
}

// The running pelmor-render child of the checker; 0 when none.
long RendererOf(long checker) {
    DIR* proc = opendir("/proc");
    long found = 0;
    while (proc && !found) {
        dirent* entry = readdir(proc);
        if (!entry) break;
        long child = std::atol(entry->d_name);
        if (child <= 0) continue;
        std::string text = ProcText("/proc/" + std::to_string(child) + "/stat");
        auto open = text.find('('), close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::istringstream fields(text.substr(close + 2));
        std::string state;
        long parent = 0;
        fields >> state >> parent;
        if (parent == checker && text.substr(open + 1, close - open - 1) == "pelmor-render") found = child;
    }
    if (proc) closedir(proc);
    return found;
}

std::string PageBody(int n, bool scripted = false) {
    std::string body = "<html><head><title>Page " + std::to_string(n) + "</title></head><body><h1>Page " +
                       std::to_string(n) + "</h1>";
    if (scripted)
        body += "<p id=\"news\"></p><script>document.getElementById('news').textContent = "
                "'Written by script for page " + std::to_string(n) + " at ' + (6 * 7);</script>";
    body += "<table>";
    int row = 0;
    while (body.size() < 20000) {
        ++row;
        body += "<tr><td>Row " + std::to_string(row) + "</td><td><a href=\"/item/" + std::to_string(n * 1000 + row) +
                "\">Item " + std::to_string(row) + " of page " + std::to_string(n) +
                "</a></td><td>Some ordinary text that a monitored page would hold.</td></tr>";
    }
    return body + "</table></body></html>";
}

// Words of the Sphinx index that a search finds in a few pages (2 to 20), in index order.
std::vector<std::string> SphinxWords(std::size_t count) {
    std::ifstream in(kSphinxRoot + std::string("/searchindex.js"));
    std::string index((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> words;
    std::size_t at = index.find("\"terms\": {");
    while (at != std::string::npos && words.size() < count) {
        std::size_t open = index.find('"', at + 1), close = index.find('"', open + 1);
        if (open == std::string::npos || close == std::string::npos) break;
        std::string word = index.substr(open + 1, close - open - 1);
        std::size_t value = close + 3, end = index.find_first_of(",}", value);
        if (index[value] == '[') end = index.find(']', value) + 1;
        const long docs = index[value] == '[' ? std::count(index.begin() + value, index.begin() + end, ',') + 1 : 1;
        if (word.size() >= 5 && docs >= 2 && docs <= 20 &&
            std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
            words.push_back(word);
        at = index[end] == '}' ? std::string::npos : end;
    }
    return words;
}

struct Site {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::filesystem::path home;
    std::vector<std::shared_ptr<pelmor::Page>> pages;

    enum class Kind { Plain, Scripted, Sphinx };
    explicit Site(Kind kind) {
        const bool scripted = kind == Kind::Scripted;
        home = std::filesystem::temp_directory_path() /
               ("pelmor-bench-" + std::to_string(::getpid()) +
                (scripted ? "-scripted" : kind == Kind::Sphinx ? "-sphinx" : ""));
        std::filesystem::create_directories(home / "data" / "Files");
        setenv("PELMOR_HOME", home.c_str(), 1);
        server.Get(R"(/page/(\d+))", [scripted](const httplib::Request& request, httplib::Response& response) {
            response.set_content(PageBody(std::stoi(request.matches[1]), scripted), "text/html");
        });
        server.set_mount_point("/py", kSphinxRoot);
        // Pages go out uncompressed: compressing each answer at the server library's
        // highest quality costs more than the whole check and would measure the server.
        server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
            const_cast<httplib::Request&>(request).headers.erase("Accept-Encoding");
            return httplib::Server::HandlerResponse::Unhandled;
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        pelmor::InternetHandler handler;
        std::vector<std::string> words;
        if (kind == Kind::Sphinx) words = SphinxWords(kSphinxPages);
        const int count = kind == Kind::Sphinx ? static_cast<int>(words.size()) : kPages;
        for (int n = 1; n <= count; ++n) {
            auto page = pelmor::Page::Create();
            const std::string root = "http://127.0.0.1:" + std::to_string(port);
            page->SetURL(kind == Kind::Sphinx ? root + "/py/search.html?q=" + words[n - 1]
                                              : root + "/page/" + std::to_string(n));
            std::string file = (home / "data" / "Files" / (std::to_string(n) + ".html")).string();
            std::string title;
            if (!handler.SaveURLToCache(page, page->URL(), file, title)) {
                std::fprintf(stderr, "cannot save %s\n", page->URL().c_str());
                std::abort();
            }
            page->SetSavedFile(file);
            page->SetDescription(title);
            pages.push_back(page);
        }
    }
    ~Site() {
        server.stop();
        thread.join();
        std::filesystem::remove_all(home);
    }
};

void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The checker program; with PELMOR_BENCH_CHECKER_ARGS set (say "--per-host 4"), a small
// script that starts it with those options.
QString CheckerProgram(const Site& site) {
    const char* args = std::getenv("PELMOR_BENCH_CHECKER_ARGS");
    if (!args || !*args) return UPDATER_PROGRAM;
    std::string script = (site.home / "checker.sh").string();
    std::ofstream(script) << "#!/bin/sh\nexec '" << UPDATER_PROGRAM << "' " << args << " \"$@\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return QString::fromStdString(script);
}

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bench_updater_checkpass";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

void Pass(benchmark::State& state, Site& site) {
    App();
    double rendererPeak = 0;
    double checkerPeak = 0;
    double checkerCpu = 0;
    int updated = 0;
    int updatedLast = 0;
    int failedLast = 0;
    for (auto _ : state) {
        updatedLast = 0;
        failedLast = 0;
        state.PauseTiming();
        pelmor::mainwindow::Updater updater(CheckerProgram(site));
        QObject::connect(&updater, &pelmor::mainwindow::Updater::PageUpdated,
                         [&](std::shared_ptr<pelmor::Page>& page, bool changed) {
                             updated += changed;
                             updatedLast += changed;
                             failedLast += page && page->Failing();
                         });
        updater.StartChecking();
        std::string pid = std::to_string(updater.GetProcessHandle());
        state.ResumeTiming();
        for (const auto& page : site.pages) updater.CheckPage(page);
        for (int tick = 0; updater.InFlightCount() > 0; ++tick) {
            Spin(5);
            if (tick % 40 == 0) {
                // Sampling the helper's memory every 200 ms costs little next to the pass.
                state.PauseTiming();
                if (long renderer = RendererOf(std::atol(pid.c_str())))
                    rendererPeak = std::max(rendererPeak, TreePssMegabytes(renderer));
                state.ResumeTiming();
            }
        }
        state.PauseTiming();
        checkerPeak = std::max(checkerPeak, PeakMegabytes(pid));
        checkerCpu += CpuSeconds(pid);
        updater.StopChecking();
        updater.EndProcess(1000);
        state.ResumeTiming();
    }
    state.counters["pages"] = static_cast<double>(site.pages.size());
    state.counters["updated"] = updated;
    state.counters["updated_last"] = updatedLast;
    state.counters["failed_last"] = failedLast;
    state.counters["checker_peak_MB"] = checkerPeak;
    state.counters["client_peak_MB"] = PeakMegabytes("self");
    state.counters["checker_cpu_s"] = benchmark::Counter(checkerCpu, benchmark::Counter::kAvgIterations);
    state.counters["renderer_peak_PSS_MB"] = rendererPeak;
}

void BM_CheckPass(benchmark::State& state) {
    static Site site(Site::Kind::Plain);
    Pass(state, site);
}
BENCHMARK(BM_CheckPass)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

void BM_CheckPassScripted(benchmark::State& state) {
    static Site site(Site::Kind::Scripted);
    Pass(state, site);
}
BENCHMARK(BM_CheckPassScripted)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

void BM_CheckPassSphinx(benchmark::State& state) {
    static Site site(Site::Kind::Sphinx);
    Pass(state, site);
}
BENCHMARK(BM_CheckPassSphinx)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

}  // namespace
