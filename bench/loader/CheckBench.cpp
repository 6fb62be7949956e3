// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the change check: IsPageUpdated over 500 pages of about 50 KB, the saved copy
// read from disk and the live page fetched over HTTP from 127.0.0.1, one thread; beside
// it the pieces a check cannot avoid: parsing the two documents and the HTTP round trip.
//
//   build/bin/bench_loader_check --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "items/Page.h"
#include "loader/Transport.h"
#include "platform/html/Html.h"
#include "platform/text/Utf16.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "support/HttpServer.h"
#include "support/Programs.h"
#include "support/TempHome.h"

namespace {

const int kPages = std::getenv("BENCH_PAGES") ? std::atoi(std::getenv("BENCH_PAGES")) : 500;

// A page of about 50 KB: headings, paragraphs, a table and links, different per seed.
std::string MakePage(int seed) {
    std::mt19937 random(static_cast<unsigned>(seed));
    static const char* const words[] = {"harbour", "market", "council", "weather", "train",  "school", "price",
                                        "festival", "river",  "bridge",  "library", "museum", "garden", "station"};
    auto sentence = [&] {
        std::string text;
        int length = 8 + static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) {
            text += words[random() % 14];
            text += i + 1 < length ? " " : ".";
        }
        return text;
    };
    std::string html = "<!DOCTYPE html><html><head><title>Page " + std::to_string(seed) +
                       "</title><style>body{font-family:sans-serif}</style></head><body><div id=menu><ul>";
    for (int i = 0; i < 20; ++i) html += "<li><a href='/section" + std::to_string(i) + "'>" + words[i % 14] + "</a></li>";
    html += "</ul></div><div id=content>";
    while (html.size() < 40000) {
        html += "<h2>" + sentence() + "</h2>";
        for (int p = 0; p < 3; ++p) html += "<p>" + sentence() + " <b>" + sentence() + "</b> " + sentence() + "</p>";
    }
    html += "<table><tbody>";
    while (html.size() < 50000)
        html += "<tr><td>" + std::to_string(random() % 1000) + "</td><td>" + sentence() + "</td></tr>";
    html += "</tbody></table></div></body></html>";
    return html;
}

// Pages go out gzip-compressed ahead of time, as static servers send them (compressing
// each answer on the fly would time the test server rather than the loader).
struct Fixture {
    pelmor::test::TempHome home;
    pelmor::test::HttpServer server;
    std::vector<std::shared_ptr<pelmor::Page>> pages;
    std::vector<std::string> liveTexts;
    std::vector<std::string> savedTexts;

    Fixture() {
        std::filesystem::create_directories(home.Root() / "cache");
        pelmor::SetCurrentCacheFolder((home.Root() / "cache").string());
        pelmor::InternetHandler handler;
        for (int i = 0; i < kPages; ++i) {
            std::string path = "/page" + std::to_string(i);
            server.Routes().Get(path, [body = pelmor::test::Gzip(MakePage(i))](const httplib::Request&, httplib::Response& res) {
                res.set_header("Content-Encoding", "gzip");
                res.set_content(body, "text/html; charset=utf-8");
            });
            auto page = pelmor::Page::Create();
            page->SetURL(server.Url(path));
            page->SetSavedFile((home.Root() / "cache" / (std::to_string(i) + ".html")).string());
            std::string title;
            if (!handler.SaveURLToCache(page, page->URL(), page->SavedFile(), title)) std::abort();
            pages.push_back(page);
            liveTexts.push_back(MakePage(i));
            savedTexts.push_back(pelmor::text::DecodeFileText(pelmor::test::ReadFile(page->SavedFile())));
        }
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void ReportMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_IsPageUpdated(benchmark::State& state) {
    Fixture& fixture = Shared();
    int changed = 0;
    for (auto _ : state) {
        pelmor::InternetHandler handler;
        for (const auto& page : fixture.pages) changed += handler.IsPageUpdated(page) ? 1 : 0;
    }
    if (changed != 0) state.SkipWithError("unchanged pages were reported changed");
    state.SetItemsProcessed(state.iterations() * kPages);
    ReportMemory(state);
}

void BM_ParseBothDocuments(benchmark::State& state) {
    Fixture& fixture = Shared();
    for (auto _ : state) {
        for (int i = 0; i < kPages; ++i) {
            auto saved = pelmor::html::Document::Parse(fixture.savedTexts[i], "file:///saved.html");
            auto live = pelmor::html::Document::Parse(fixture.liveTexts[i], "http://127.0.0.1/");
            benchmark::DoNotOptimize(saved.get());
            benchmark::DoNotOptimize(live.get());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPages);
    ReportMemory(state);
}

void BM_HttpRoundTrip(benchmark::State& state) {
    Fixture& fixture = Shared();
    for (auto _ : state) {
        for (const auto& page : fixture.pages) {
            auto result = pelmor::quillon::FetchUrl(page->URL(), {});
            benchmark::DoNotOptimize(result.text.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPages);
}

void BM_ReadSavedCopy(benchmark::State& state) {
    Fixture& fixture = Shared();
    for (auto _ : state) {
        for (const auto& page : fixture.pages) {
            auto result = pelmor::quillon::ReadLocalFile(page->SavedFile(), {});
            benchmark::DoNotOptimize(result.text.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPages);
}

}  // namespace

BENCHMARK(BM_IsPageUpdated)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ParseBothDocuments)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HttpRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReadSavedCopy)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
