// SPDX-License-Identifier: GPL-3.0-or-later
// Whole document model (parse, build, innerText, serialise, tear down) beside gumbo's
// bare parse of the same file, in bytes per second, on real pages.
//
// The pages are HTML files that Debian packages ship under /usr/share/doc; set
// PELMOR_BENCH_HTML to a colon-separated list of files to measure others. Run:
//   build/bin/bench_html --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>
#include <gumbo.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/html/Html.h"

namespace {

const char* const kDefaultPages[] = {
    "/usr/share/doc/python3/python-policy.html",
    "/usr/share/doc/libxslt1-dev/html/APIchunk0.html",
    "/usr/share/doc/valgrind/html/manual-core.html",
    "/usr/share/doc/libjs-underscore/index.html",
    "/usr/share/doc/valgrind/html/dist.news.html",
    "/usr/share/doc/nettle-dev/nettle.html",
    "/usr/share/doc/nodejs/api/fs.html",
    "/usr/share/doc/nodejs/api/all.html",
};

std::vector<std::string> PagePaths() {
    std::vector<std::string> paths;
    if (const char* list = std::getenv("PELMOR_BENCH_HTML")) {
        std::string s(list);
        size_t i = 0;
        while (i <= s.size()) {
            size_t j = s.find(':', i);
            if (j == std::string::npos) j = s.size();
            if (j > i) paths.push_back(s.substr(i, j - i));
            i = j + 1;
        }
    } else {
        for (const char* p : kDefaultPages)
            if (std::filesystem::exists(p)) paths.push_back(p);
    }
    return paths;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void GumboParse(benchmark::State& state, const std::string* page) {
    for (auto _ : state) {
        GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page->data(), page->size());
        benchmark::DoNotOptimize(output);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page->size()));
}

void ModelParse(benchmark::State& state, const std::string* page) {
    for (auto _ : state) {
        auto doc = pelmor::html::Document::Parse(*page, "file:///bench.html");
        benchmark::DoNotOptimize(doc.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page->size()));
}

void WholeModel(benchmark::State& state, const std::string* page) {
    for (auto _ : state) {
        auto doc = pelmor::html::Document::Parse(*page, "file:///bench.html");
        std::string text = doc->body().innerText();
        std::string html = doc->documentElement().outerHTML();
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(html.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page->size()));
}

}  // namespace

int main(int argc, char** argv) {
    static std::vector<std::string> pages;
    std::vector<std::string> names;
    for (const std::string& path : PagePaths()) {
        pages.push_back(ReadAll(path));
        names.push_back(std::filesystem::path(path).filename().string());
    }
    if (pages.empty()) {
        std::fprintf(stderr, "no pages found; set PELMOR_BENCH_HTML\n");
        return 1;
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        const std::string* page = &pages[i];
        std::string label = names[i] + "/" + std::to_string(page->size() / 1024) + "KiB";
        benchmark::RegisterBenchmark(("GumboParse/" + label).c_str(), GumboParse, page)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ModelParse/" + label).c_str(), ModelParse, page)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("WholeModel/" + label).c_str(), WholeModel, page)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
