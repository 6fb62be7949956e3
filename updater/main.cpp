// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-updater: the background checker the main window starts as a child process.
// Requests arrive on standard input and events leave on standard output, one JSON object
// per line (see updater/Protocol.h). Options, for tests and measurements:
//   --workers N   worker threads (default 4)
//   --per-host N  checks of one host at a time (default 2)
//   --limit-ms N  hard limit of one check in milliseconds (default 60000)
//   --memory-mb N memory the checks in flight may take together, by their estimates, in
//                 MiB (default 1024); a check alone always runs

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

#include "platform/core/Strings.h"
#include "platform/core/Version.h"
#include "updater/PageCheck.h"
#include "updater/Session.h"

namespace {

// Writes events to standard output until closed; nothing is written after Close.
class EventWriter {
public:
    void Write(const std::string& line) {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        std::fflush(stdout);
    }

private:
    std::mutex mutex_;
    bool closed_ = false;
};

constexpr char kUsage[] =
    "Usage: pelmor-updater [--workers N] [--per-host N] [--limit-ms N] [--memory-mb N]\n"
    "Pelmor's background checker. The main window starts it and talks to it over its standard\n"
    "input and output, one JSON object a line; it is not meant to be run by hand.\n"
    "\n"
    "  --workers N    worker threads (default 4)\n"
    "  --per-host N   checks of one host at a time (default 2)\n"
    "  --limit-ms N   hard limit of one check in milliseconds (default 60000)\n"
    "  --memory-mb N  memory the checks in flight may take together, in MiB (default 1024)\n"
    "  --help         show this text\n"
    "  --version      show the version and licence\n";

bool ReadOption(int argc, char** argv, int& i, const char* name, long& value) {
    if (std::strcmp(argv[i], name) != 0 || i + 1 >= argc) return false;
    long long number = 0;
    if (!pelmor::ParseInteger(argv[++i], number) || number < 1) {
        std::fprintf(stderr, "pelmor-updater: %s needs a positive number\n", name);
        std::exit(2);
    }
    value = static_cast<long>(number);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    pelmor::updater::PoolOptions options;
    options.memoryBudget = size_t{1024} << 20;
    options.estimate = pelmor::updater::EstimateCheckMemory;
    for (int i = 1; i < argc; ++i) {
        long value = 0;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::fputs(pelmor::VersionText("pelmor-updater").c_str(), stdout);
            return 0;
        }
        if (ReadOption(argc, argv, i, "--workers", value)) {
            options.workers = static_cast<int>(value);
        } else if (ReadOption(argc, argv, i, "--per-host", value)) {
            options.perHost = static_cast<int>(value);
        } else if (ReadOption(argc, argv, i, "--limit-ms", value)) {
            options.limit = std::chrono::milliseconds(value);
        } else if (ReadOption(argc, argv, i, "--memory-mb", value)) {
            options.memoryBudget = static_cast<size_t>(value) << 20;
        } else {
            std::fprintf(stderr, "pelmor-updater: unknown option %s\n", argv[i]);
            return 2;
        }
    }

    std::ios::sync_with_stdio(false);
    EventWriter writer;
    // The session lives until the process ends: checks still running when it stops are
    // not waited for.
    auto* session = new pelmor::updater::Session(pelmor::updater::CheckPageNow,
                                                 [&writer](const std::string& line) { writer.Write(line); }, options);
    session->Serve(std::cin);
    // StopChecking, or the main window went away (end of input).
    writer.Close();
    std::_Exit(0);
}
