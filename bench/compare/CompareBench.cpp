// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of change detection and marking on page pairs with realistic edits, beside the
// bare parse of the same two pages.
//
//   build/bin/bench_compare --benchmark_time_unit=ms
//
// Each pair is named by its shape and size. "Parse" parses both sides; the "...Parsed"
// cases include that parse, the "...Only" cases exclude it.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "compare/Compare.h"
#include "platform/html/Html.h"

namespace {

using pelmor::html::Document;
using pelmor::sorrel::Compare;

const char* kWords[] = {"market", "report", "council", "weather", "season", "project", "budget", "station",
                        "library", "museum", "garden", "program", "update", "service", "notice", "meeting",
                        "summer", "winter", "opening", "hours", "price", "ticket", "member", "annual"};

enum class Shape { Article, Table, Index };

struct Pair {
    std::string original;
    std::string updated;
};

std::string Sentence(std::mt19937& random, int words) {
    std::string out;
    for (int i = 0; i < words; ++i) {
        if (i) out += ' ';
        out += kWords[random() % std::size(kWords)];
    }
    return out;
}

// One page of about `bytes` bytes; `edited` applies the edits of the new side.
std::string MakePage(Shape shape, size_t bytes, bool edited) {
    std::mt19937 random(42);
    std::string html = "<!DOCTYPE html><html><head><title>Town news</title><style>td{padding:2px}</style></head>"
                       "<body>\n<div id='header'><h1>Town news</h1><img src='/img/logo" +
                       std::string(edited ? "2" : "1") + ".png'>\n<p class='stamp'>Updated " +
                       (edited ? "14/12/2004 10:20" : "13/12/2004 09:15") + "</p></div>\n";
    html += "<ul id='nav'>";
    for (int i = 0; i < 8; ++i) html += "<li><a href='/s" + std::to_string(i) + "'>" + Sentence(random, 1) + "</a></li>";
    html += "</ul>\n<div id='main'>\n";
    size_t block = 0;
    size_t middle = 0;
    while (html.size() < bytes) {
        bool atMiddle = middle == 0 && html.size() > bytes / 2;
        if (atMiddle) middle = block;
        switch (shape) {
            case Shape::Article: {
                std::string text = Sentence(random, 40);
                if (atMiddle && edited) text.replace(0, 6, "marked");  // a few changed words
                bool removed = block == 3 && edited;
                if (!removed) html += "<p>" + text + " (" + std::to_string(block * 7 % 100) + " items)</p>\n";
                if (atMiddle && edited) html += "<p>An inserted paragraph about the " + Sentence(random, 12) + "</p>\n";
                if (block % 5 == 0) html += "<img src='/pics/p" + std::to_string(block) + ".jpg' alt='picture'>\n";
                break;
            }
            case Shape::Table: {
                if (block == 0) html += "<table id='prices'><tbody>\n";
                auto row = [&](size_t n, bool changed) {
                    return "<tr><td>" + std::to_string(n) + "</td><td>" + Sentence(random, 3) + "</td><td>" +
                           (changed ? "14/12/2004" : "13/12/2004") + "</td><td>" +
                           std::to_string(changed ? n * 3 + 1 : n * 3) + ".50</td><td><a href='/i/" +
                           std::to_string(n) + "'>details</a></td></tr>\n";
                };
                html += row(block, edited && block % 97 == 5);
                if (atMiddle && edited) html += row(999999, false);  // an inserted row
                break;
            }
            case Shape::Index: {
                if (block == 0) html += "<ul class='index'>\n";
                html += "<li><a href='/page/" + std::to_string(block) + "'>" + Sentence(random, 4) + "</a> " +
                        (edited && block % 211 == 7 ? "12:40" : "11:30") + "</li>\n";
                if (atMiddle && edited) html += "<li><a href='/new'>A new entry in the index</a></li>\n";
                break;
            }
        }
        ++block;
    }
    if (shape == Shape::Table) html += "</tbody></table>\n";
    if (shape == Shape::Index) html += "</ul>\n";
    html += "<p>" + std::string(edited ? "A closing paragraph was added here." : "") + "</p>\n";
    html += "</div><div id='footer'>Visitors: " + std::string(edited ? "10234" : "10201") + "</div></body></html>";
    return html;
}

const Pair& PairOf(Shape shape, size_t bytes) {
    static std::map<std::pair<int, size_t>, Pair> pairs;
    auto key = std::make_pair(static_cast<int>(shape), bytes);
    auto it = pairs.find(key);
    if (it == pairs.end()) it = pairs.emplace(key, Pair{MakePage(shape, bytes, false), MakePage(shape, bytes, true)}).first;
    return it->second;
}

Shape ShapeOf(const benchmark::State& state) { return static_cast<Shape>(state.range(0)); }
size_t BytesOf(const benchmark::State& state) { return static_cast<size_t>(state.range(1)) * 1024; }

void Parse(benchmark::State& state) {
    const Pair& pair = PairOf(ShapeOf(state), BytesOf(state));
    for (auto _ : state) {
        auto a = Document::Parse(pair.original);
        auto b = Document::Parse(pair.updated);
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
    }
}

void IsChangeParsed(benchmark::State& state) {
    const Pair& pair = PairOf(ShapeOf(state), BytesOf(state));
    for (auto _ : state) {
        Compare engine;
        bool changed = engine.IsChange(Document::Parse(pair.original), Document::Parse(pair.updated));
        benchmark::DoNotOptimize(changed);
    }
}

// Times `operation` on freshly parsed pages, leaving the parse out.
template <typename Operation>
void WithoutParse(benchmark::State& state, Operation operation) {
    const Pair& pair = PairOf(ShapeOf(state), BytesOf(state));
    for (auto _ : state) {
        state.PauseTiming();
        auto original = Document::Parse(pair.original);
        auto updated = Document::Parse(pair.updated);
        Compare engine;
        state.ResumeTiming();
        operation(engine, original, updated);
    }
}

void IsChangeOnly(benchmark::State& state) {
    WithoutParse(state, [](Compare& engine, const auto& original, const auto& updated) {
        bool changed = engine.IsChange(original, updated);
        benchmark::DoNotOptimize(changed);
    });
}

void MarkedParsed(benchmark::State& state) {
    const Pair& pair = PairOf(ShapeOf(state), BytesOf(state));
    for (auto _ : state) {
        Compare engine;
        std::string html =
            engine.GetMarkedHTML(Document::Parse(pair.updated), Document::Parse(pair.original), "#00FF00", "#FFFF00");
        benchmark::DoNotOptimize(html);
    }
}

void MarkedOnly(benchmark::State& state) {
    WithoutParse(state, [](Compare& engine, const auto& original, const auto& updated) {
        std::string html = engine.GetMarkedHTML(updated, original, "#00FF00", "#FFFF00");
        benchmark::DoNotOptimize(html);
    });
}

// One paragraph of `words` words with a word changed near each end, so that word
// matching runs over nearly the whole paragraph: on the table up to about 5,800 words,
// in linear memory beyond.
void LongParagraph(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::string before, after;
    for (int i = 0; i < count; ++i) {
        std::string word = std::string(kWords[i % 24]).substr(0, 3) + " ";
        before += i == 5 ? "old " : word;
        after += i == count - 5 ? "new " : word;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto original = Document::Parse("<p>" + before + "</p>");
        auto updated = Document::Parse("<p>" + after + "</p>");
        Compare engine;
        state.ResumeTiming();
        std::string html = engine.GetMarkedHTML(updated, original, "#00FF00", "#FFFF00");
        benchmark::DoNotOptimize(html);
    }
}

BENCHMARK(LongParagraph)->ArgName("words")->Arg(2000)->Arg(5000)->Arg(8000)->Unit(benchmark::kMillisecond);

void Pairs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"shape", "KB"});
    for (int shape : {0, 1, 2})
        for (int kb : {5, 50, 500, 2048}) b->Args({shape, kb});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(Parse)->Apply(Pairs);
BENCHMARK(IsChangeParsed)->Apply(Pairs);
BENCHMARK(IsChangeOnly)->Apply(Pairs);
BENCHMARK(MarkedParsed)->Apply(Pairs);
BENCHMARK(MarkedOnly)->Apply(Pairs);

}  // namespace

int main(int argc, char** argv) {
    // The engine logs into the data folder; keep a benchmark run away from the user's.
    if (!std::getenv("PELMOR_HOME")) setenv("PELMOR_HOME", (std::filesystem::temp_directory_path() / "pelmor-bench").c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
