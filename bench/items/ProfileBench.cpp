// SPDX-License-Identifier: GPL-3.0-or-later
// Load and save of a profile of 10,000 pages in 200 folders.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "items/Application.h"
#include "platform/core/Files.h"

namespace pelmor {
namespace {

constexpr int kFolders = 200;
constexpr int kPagesPerFolder = 50;

std::shared_ptr<Application> MakeTree() {
    auto root = Application::Create();
    root->SetActive(true);
    root->SetPeriodTime(1);
    root->SetPeriodUnit(dfDay);
    DateTime when = *DateTime::FromParts({2026, 12, 7, 13, 5, 0});
    for (int f = 0; f < kFolders; ++f) {
        auto folder = Folder::Create();
        folder->SetName("Folder number " + std::to_string(f));
        folder->SetDescription("Pages about topic " + std::to_string(f));
        folder->SetActive(true);
        folder->SetPeriodTime(3);
        folder->SetPeriodUnit(dfHour);
        root->AddItem(folder);
        for (int p = 0; p < kPagesPerFolder; ++p) {
            auto page = Page::Create();
            std::string n = std::to_string(f * kPagesPerFolder + p);
            page->SetURL("https://www.site" + std::to_string(p) + ".example.com/news/section/article-" + n + ".html");
            page->SetDescription("Latest news &amp; articles from site " + n);
            page->SetSavedFile(n + ".html");
            // Every page was saved and checked at its own minute.
            page->SetSavedDate(when - (f * kPagesPerFolder + p) / 1440.0);
            page->SetLastCheckDate(when + (f * kPagesPerFolder + p) / 1440.0);
            if (p % 3 == 0) page->SetEndDate(when + 30 + f);
            page->SetPeriodTime(30);
            page->SetActive(true);
            page->SetShowTimeDiff(true);
            page->SetShowPics(true);
            page->SetShowNumbers(true);
            page->SetUseInverse(true);
            page->SetInsertColor("#00FF00");
            page->SetUpdateColor("#FFFF00");
            if (p % 5 == 0) {
                page->AddFrame(page->URL() + "/frame1", n + "_1.html");
                page->AddFrame(page->URL() + "/frame2", n + "_2.html")->SetElementPath("TABLE(0),TR(2)");
            }
            if (p % 7 == 0) page->SetElementPath("BODY(0),DIV(3),TABLE(1)");
            folder->AddItem(page);
        }
    }
    return root;
}

std::string TempFile() {
    static std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelmor-bench-XXXXXX").string();
        return std::string(mkdtemp(pattern.data()));
    }();
    return folder + "/Files.XML";
}

void BM_SaveItems(benchmark::State& state) {
    auto root = MakeTree();
    std::string path = TempFile();
    for (auto _ : state) root->SaveItems(path);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveItems)->Unit(benchmark::kMillisecond);

// The atomic replacement alone (temporary file, flush to disk, rename), for the same
// bytes: the part of BM_SaveItems that depends on the disk rather than on this library.
void BM_ReplaceFileOnly(benchmark::State& state) {
    std::string path = TempFile();
    MakeTree()->SaveItems(path);
    std::string bytes = ReadWholeFile(path);
    for (auto _ : state) WriteFileAtomically(path, bytes);
}
BENCHMARK(BM_ReplaceFileOnly)->Unit(benchmark::kMillisecond);

void BM_LoadItems(benchmark::State& state) {
    std::string path = TempFile();
    MakeTree()->SaveItems(path);
    auto root = Application::Create();
    for (auto _ : state) root->LoadItems(path);
    state.counters["items"] = root->ItemsCount();
}
BENCHMARK(BM_LoadItems)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelmor
