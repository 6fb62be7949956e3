// SPDX-License-Identifier: GPL-3.0-or-later
// Marking on real pages: pages of the Python documentation (Debian's python3.11-doc) with
// edits of our own on the new side: words changed, items inserted, removed and moved.
// Reports the time of GetMarkedHTML (parse left out) and, as counters, how many marks the
// engine made, how many characters of text they cover and how many of those are removed
// content shown struck through, summed over the pages.
//
//   build/bin/bench_compare_real --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// "ShowRemoved:0" is the engine's default painting; "ShowRemoved:1" shows removed content
// in place, as the program does by default. PELMOR_DOC_PAGES names another folder of pages.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compare/Compare.h"
#include "platform/html/Html.h"

namespace {

using pelmor::html::Document;
using pelmor::html::Element;
using pelmor::html::Node;
using pelmor::sorrel::Compare;

constexpr const char* kInsert = "#00FF00";
constexpr const char* kUpdate = "#FFFF00";

const char* kPages[] = {"os.html",       "stdtypes.html", "datetime.html",  "re.html",
                        "collections.html", "functions.html", "json.html",   "argparse.html",
                        "pathlib.html",  "itertools.html", "logging.html",  "sqlite3.html"};

struct Pair {
    std::string name;
    std::string original;
    std::string updated;
    int edits = 0;
};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The elements of a kind that hold some text of their own, in document order.
std::vector<Element> WithText(const Document& page, const char* tag, size_t least) {
    std::vector<Element> out;
    for (const Element& e : page.getElementsByTagName(tag))
        if (e.innerText().size() >= least && e.parentNode()) out.push_back(e);
    return out;
}

// The new side of a page: a few of each kind of edit, at places chosen by a seeded draw.
Pair Edit(const std::string& name, const std::string& original, unsigned seed) {
    auto page = Document::Parse(original);
    std::mt19937 random(seed);
    auto pick = [&](std::vector<Element>& from) -> Element {
        if (from.empty()) return Element();
        size_t at = random() % from.size();
        Element e = from[at];
        from.erase(from.begin() + long(at));
        return e;
    };
    int edits = 0;
    std::vector<Element> paragraphs = WithText(*page, "P", 60);
    std::vector<Element> items = WithText(*page, "LI", 10);
    for (int i = 0; i < 5; ++i) {  // a word changed
        Element p = pick(paragraphs);
        for (Node n = p.firstChild(); n; n = n.nextSibling()) {
            std::string text(n.nodeValue());
            size_t blank = text.find(' ', text.size() / 2);
            if (n.nodeType() != pelmor::html::kTextNode || blank == std::string::npos) continue;
            size_t end = text.find(' ', blank + 1);
            text.replace(blank + 1, end == std::string::npos ? std::string::npos : end - blank - 1, "edited");
            n.SetData(text);
            ++edits;
            break;
        }
    }
    for (int i = 0; i < 3; ++i) {  // a paragraph or item inserted after another
        Element after = pick(i % 2 ? items : paragraphs);
        if (!after) continue;
        Element added = page->createElement(after.nodeName());
        added.appendChild(page->createTextNode("An inserted note about change number " + std::to_string(i) + "."));
        after.parentNode().insertBefore(added, after.nextSibling());
        ++edits;
    }
    for (int i = 0; i < 3; ++i) {  // a paragraph or item removed
        Element gone = pick(i % 2 ? paragraphs : items);
        if (gone && gone.parentNode().removeChild(gone)) ++edits;
    }
    for (int i = 0; i < 2; ++i) {  // an item moved two places down its list
        Element moved = pick(items);
        Node target = moved.nextSibling();
        for (int k = 0; k < 4 && target; ++k) target = target.nextSibling();
        if (!moved || !target) continue;
        moved.parentNode().insertBefore(moved, target);
        ++edits;
    }
    return {name, original, page->documentElement().outerHTML(), edits};
}

const std::vector<Pair>& Pairs() {
    static const std::vector<Pair> pairs = [] {
        const char* folder = std::getenv("PELMOR_DOC_PAGES");
        std::filesystem::path root = folder ? folder : "/usr/share/doc/python3.11/html/library";
        std::vector<Pair> out;
        unsigned seed = 1;
        for (const char* name : kPages) {
            std::filesystem::path path = root / name;
            if (std::filesystem::is_regular_file(path)) out.push_back(Edit(name, ReadAll(path), seed++));
            if (const char* dump = std::getenv("PELMOR_BENCH_DUMP"); dump && !out.empty())
                std::ofstream(std::filesystem::path(dump) / out.back().name) << out.back().updated;
        }
        return out;
    }();
    return pairs;
}

// Marks of a marked page: elements labelled as marks, or (for an engine that does not
// label them) painted in one of the mark colours or struck through as removed content.
bool IsMark(const Element& e) {
    if (!e.getAttribute("PelmorMark").empty()) return true;
    std::string colour = e.style().backgroundColor();
    for (char& c : colour) c = char(std::toupper(static_cast<unsigned char>(c)));
    return colour == kInsert || colour == kUpdate || colour == "#FF0000";
}

// Counts the marks, the characters of text they cover, and of those the characters of
// removed content shown struck through.
void Measure(const Document& page, long& marks, long& characters, long& removed) {
    for (const Element& e : page.body().getElementsByTagName("*")) {
        if (!IsMark(e)) continue;
        ++marks;
        bool nested = false;
        for (Node up = e.parentNode(); up && !nested; up = up.parentNode())
            if (up.IsElement() && IsMark(up.AsElement())) nested = true;
        if (nested) continue;
        long length = long(pelmor::html::TextLength(e.innerText()));
        characters += length;
        if (e.getAttribute("PelmorMark") == "remove") removed += length;
    }
}

// Switches removed content on where the engine has the option.
template <typename Engine>
bool ShowRemoved(Engine& engine, bool on) {
    if constexpr (requires { engine.SetShowRemoved(on); }) {
        engine.SetShowRemoved(on);
        return true;
    } else {
        return !on;
    }
}

void RealPages(benchmark::State& state) {
    const bool showRemoved = state.range(0) != 0;
    const std::vector<Pair>& pairs = Pairs();
    if (pairs.empty()) {
        state.SkipWithError("no documentation pages (install python3.11-doc or set PELMOR_DOC_PAGES)");
        return;
    }
    long marks = 0, characters = 0, removed = 0, edits = 0;
    for (auto _ : state) {
        marks = characters = removed = edits = 0;
        for (const Pair& pair : pairs) {
            state.PauseTiming();
            auto original = Document::Parse(pair.original);
            auto updated = Document::Parse(pair.updated);
            Compare engine;
            if (!ShowRemoved(engine, showRemoved)) {
                state.SkipWithError("this engine cannot show removed content");
                return;
            }
            state.ResumeTiming();
            std::string html = engine.GetMarkedHTML(updated, original, kInsert, kUpdate);
            benchmark::DoNotOptimize(html);
            state.PauseTiming();
            long before = characters;
            Measure(*updated, marks, characters, removed);
            if (std::getenv("PELMOR_BENCH_PAGES"))
                std::cerr << pair.name << ": " << characters - before << " marked characters\n";
            edits += pair.edits;
            state.ResumeTiming();
        }
    }
    state.counters["pages"] = double(pairs.size());
    state.counters["edits"] = double(edits);
    state.counters["marks"] = double(marks);
    state.counters["marked_chars"] = double(characters);
    state.counters["removed_chars"] = double(removed);
}

BENCHMARK(RealPages)->ArgName("ShowRemoved")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The engine logs into the data folder; keep a benchmark run away from the user's.
    if (!std::getenv("PELMOR_HOME"))
        setenv("PELMOR_HOME", (std::filesystem::temp_directory_path() / "pelmor-bench").c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
