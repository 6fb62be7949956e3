// SPDX-License-Identifier: GPL-3.0-or-later
// Memory of the document model per node: each case is parsed in a child process of its
// own, which reports the nodes kept, the resident memory the parse added at its peak
// (parser included), what the finished document keeps, and what it keeps once every
// element carries one attribute more (as a comparison leaves it). A small program, not a Google
// Benchmark: one run per case.
//
//   build/bin/bench_html_memory            every case
//   build/bin/bench_html_memory br         only the cases whose names contain these words

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/html/Html.h"

namespace {

std::string Repeat(const std::string& piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// A figure of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    return 0;
}

size_t CountNodes(pelmor::html::Node node) {
    size_t count = 0;
    std::vector<pelmor::html::Node> stack{node};
    while (!stack.empty()) {
        pelmor::html::Node n = stack.back();
        stack.pop_back();
        ++count;
        for (pelmor::html::Node c = n.firstChild(); c; c = c.nextSibling()) stack.push_back(c);
    }
    return count;
}

struct Case {
    const char* name;
    std::function<std::string()> page;
};

void Measure(const Case& c) {
    std::string page = c.page();
    long base = StatusKb("VmRSS");
    // Starts the peak over from here (a write of "5" resets VmHWM to the current size).
    std::ofstream("/proc/self/clear_refs") << "5";
    auto doc = pelmor::html::Document::Parse(page);
    long peak = StatusKb("VmHWM") - base, kept = StatusKb("VmRSS") - base;
    size_t nodes = CountNodes(doc->documentNode());
    // A comparison stamps every element with an attribute of its own.
    for (pelmor::html::Element e : doc->getElementsByTagName("*")) e.setAttribute("PelmorID", "-1234567");
    long stamped = StatusKb("VmRSS") - base;
    std::printf("%-22s %9zu %10.1f %10.1f %12.1f %12.1f %12.1f\n", c.name, nodes, peak / 1024.0, kept / 1024.0,
                peak * 1024.0 / double(nodes), kept * 1024.0 / double(nodes), stamped * 1024.0 / double(nodes));
}

}  // namespace

int main(int argc, char** argv) {
    const size_t mb20 = 20u * 1024u * 1024u - 64;
    std::vector<Case> cases = {
        {"p-x-20MB", [mb20] { return Repeat("<p>x", mb20 / 4); }},
        {"br-5M", [] { return Repeat("<br>", 5000000); }},
        {"div-text-1M", [] { return Repeat("<div class=\"row\">some words here</div>", 1000000); }},
        {"table-cells", [] { return "<table>" + Repeat("<tr><td>cell</td><td><a href=\"/x\">link</a></td></tr>", 200000); }},
    };
    std::printf("%-22s %9s %10s %10s %12s %12s %12s\n", "case", "nodes", "peak_MB", "kept_MB", "peak_B/node",
                "kept_B/node", "stamped_B/n");
    std::fflush(stdout);
    for (const Case& c : cases) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i) wanted = wanted || std::string(c.name).find(argv[i]) != std::string::npos;
        if (!wanted) continue;
        pid_t pid = fork();
        if (pid == 0) {
            Measure(c);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return 0;
}
