// SPDX-License-Identifier: GPL-3.0-or-later
// A checker program for the client tests: the real request loop and pool with a check
// that answers from the page's URL instead of loading it.
//   "changed" in the URL: updated;  "slow": takes 1.5 s;  "noise": a broken line first.
// Every check stamps LastCheckDate one day after the page's own.
// With FAKE_CHECKER_HANG=1 the program keeps running after StopChecking until killed.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "updater/Session.h"

int main() {
    using namespace pelmor::updater;
    const char* hangSetting = std::getenv("FAKE_CHECKER_HANG");
    bool hang = hangSetting && std::strcmp(hangSetting, "1") == 0;
    std::mutex out;
    auto write = [&](const std::string& line) {
        std::lock_guard lock(out);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    Session session(
        [&](const PageSnapshot& page) {
            if (page.URL.find("slow") != std::string::npos) std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            if (page.URL.find("noise") != std::string::npos) write("}} not an event");
            return CheckResult{page.URL.find("changed") != std::string::npos,
                               pelmor::DateTime(page.LastCheckDate.Days() + 1)};
        },
        write);
    std::string line;
    while (std::getline(std::cin, line))
        if (!session.HandleLine(line) && !hang) break;
    if (hang)
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    std::fflush(stdout);
    std::_Exit(0);
}
