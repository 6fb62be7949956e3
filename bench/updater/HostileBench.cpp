// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile and huge pages through pelmor-diff and through the checker program: wall time
// and peak memory (the child's maximum resident set) of each, and how soon the checker
// stops working on a check it gave up. A small program, not a Google Benchmark: each
// case runs once, in its own process.
//
//   build/bin/bench_hostile            every case
//   build/bin/bench_hostile deep attrs only the cases whose names contain these words
//                                      ("four-at-once" and "given-up" name the checker cases)

#include <httplib.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ProcStats.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Case {
    std::string name;
    std::function<std::string()> original;  // the saved copy
    std::function<std::string()> page;      // the live page
};

std::string Repeat(const std::string& piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

std::string ManyAttributes(size_t count) {
    std::string out = "<html><body><div";
    for (size_t i = 0; i < count; ++i) out += " a" + std::to_string(i) + "=1";
    return out + ">x</div></body></html>";
}

std::string Paragraphs(int count, size_t length, char letter) {
    std::string out = "<html><body>";
    for (int i = 0; i < count; ++i) {
        out += "<p>";
        for (size_t j = 0; j < length; ++j) out += (j % 7 == 6) ? ' ' : char(letter + (i + j) % 20);
        out += "</p>";
    }
    return out + "</body></html>";
}

std::vector<Case> Cases() {
    const size_t mb20 = 20u * 1024u * 1024u - 64;
    return {
        {"comment-opener-200k-divs", [] { return "<html><body><!-->" + Repeat("<div>", 200000); },
         [] { return "<html><body><!-->" + Repeat("<div>", 200000) + "x"; }},
        {"deep-50k-divs", [] { return Repeat("<div>", 50000); }, [] { return Repeat("<div>", 50000) + "x"; }},
        {"span-div-200k", [] { return Repeat("<span><div></span>", 100000); },
         [] { return Repeat("<span><div></span>", 100000) + "x"; }},
        {"script-escape-100k",
         [] { return Repeat("<div><script><!--<script></script></div></script>", 50000); },
         [] { return Repeat("<div><script><!--<script></script></div></script>", 50000) + "x"; }},
        {"attrs-80k", [] { return ManyAttributes(80000); }, [] { return ManyAttributes(80001); }},
        {"attrs-20MB", [mb20] { return ManyAttributes(mb20 / 8); }, [mb20] { return ManyAttributes(mb20 / 8 + 1); }},
        {"p-x-20MB", [mb20] { return Repeat("<p>x", mb20 / 4); }, [mb20] { return Repeat("<p>y", mb20 / 4); }},
        {"br-5M", [] { return Repeat("<br>", 5000000); }, [] { return Repeat("<br>", 5000000) + "x"; }},
        {"marking-100-vs-101-paragraphs", [] { return Paragraphs(100, 30000, 'a'); },
         [] { return Paragraphs(101, 30000, 'b'); }},
    };
}

double CpuOf(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double seconds = 0;
    double cpu = 0;
    double peakMb = 0;
    int status = -1;
};

// Peak resident memory of a running program in MiB, from its own address space. (The
// peak the system reports at its end would also count the pages it shared with this
// program between fork and exec.)
double PeakMbOf(pid_t pid) { return pelmor::bench::PeakMegabytes(std::to_string(pid)); }

// Runs a program to its end; its time and its peak resident memory.
Run RunProgram(const std::vector<std::string>& args, const std::string& output = "/dev/null") {
    Run run;
    // A pipe that closes when the child starts the program: its own peak counts from there.
    int started[2];
    if (pipe2(started, O_CLOEXEC) != 0) std::abort();
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        close(started[0]);
        std::FILE* out = std::fopen(output.c_str(), "w");
        if (out) dup2(fileno(out), 1);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(started[1]);
    char byte;
    while (read(started[0], &byte, 1) < 0 && errno == EINTR) {
    }
    close(started[0]);
    int status = 0;
    rusage usage{};
    // The peak is read every few milliseconds until the program ends.
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        run.peakMb = std::max(run.peakMb, PeakMbOf(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpu = CpuOf(usage);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

double CpuSeconds(pid_t pid) { return pelmor::bench::CpuSeconds(std::to_string(pid)); }

// The checker program with pipes to its standard input and output.
struct Checker {
    pid_t pid = -1;
    std::FILE* in = nullptr;
    std::FILE* out = nullptr;

    explicit Checker(const std::vector<std::string>& args) {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) std::abort();
            pid = fork();
        if (pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            std::vector<char*> argv;
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        in = fdopen(toChild[1], "w");
        out = fdopen(fromChild[0], "r");
    }
    void Send(const std::string& line) {
        std::fputs((line + "\n").c_str(), in);
        std::fflush(in);
    }
    // Reads lines until one holds `text`; false at the end of the output.
    bool WaitFor(const std::string& text) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, out))
            if (std::strstr(buffer, text.c_str())) return true;
        return false;
    }
    double cpu = 0;
    // Ends the checker; its peak memory.
    double End() {
        double peak = PeakMbOf(pid);
        std::fclose(in);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        cpu = CpuOf(usage);
        std::fclose(out);
        return peak;
    }
};

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string CheckRequest(int id, const std::string& url, const std::string& savedFile) {
    return "{\"request\":\"CheckPage\",\"id\":" + std::to_string(id) + ",\"page\":{\"URL\":" + JsonString(url) +
           ",\"SavedFile\":" + JsonString(savedFile) +
           ",\"ElementPath\":\"\",\"ShowTimeDiff\":false,\"ShowPics\":false,\"ShowNumbers\":false,"
           "\"UseInverse\":false,\"LastCheckDate\":46000.5,\"Frames\":[]}}";
}

bool Wanted(const std::string& name, int argc, char** argv) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i)
        if (name.find(argv[i]) != std::string::npos) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string diff = PELMOR_DIFF_PROGRAM, checker = UPDATER_PROGRAM;
    fs::path home = fs::temp_directory_path() / ("pelmor-hostile-" + std::to_string(::getpid()));
    fs::create_directories(home / "data");
    setenv("PELMOR_HOME", home.c_str(), 1);

    httplib::Server server;
    server.Get(R"(/(.+))", [&](const httplib::Request& request, httplib::Response& response) {
        std::ifstream file(home / (std::string(request.matches[1]) + ".live.html"), std::ios::binary);
        std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        response.set_content(body, "text/html");
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    // Wall times suffer on a busy machine; the CPU times say what the work costs.
    std::printf("%-30s %8s %8s %8s %8s %8s %8s\n", "case", "diff_s", "diff_cpu", "diff_MB", "check_s", "chk_cpu",
                "check_MB");
    int id = 0;
    for (const Case& c : Cases()) {
        if (!Wanted(c.name, argc, argv)) continue;
        fs::path saved = home / (c.name + ".html"), live = home / (c.name + ".live.html");
        std::ofstream(saved, std::ios::binary) << c.original();
        std::ofstream(live, std::ios::binary) << c.page();
        Run d = RunProgram({diff, saved.string(), live.string()});

        Checker check({checker});
        check.Send("{\"request\":\"StartChecking\"}");
        auto start = Clock::now();
        check.Send(CheckRequest(++id, "http://127.0.0.1:" + std::to_string(port) + "/" + c.name, saved.string()));
        check.WaitFor("PageUpdated");
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        double peak = check.End();
        std::printf("%-30s %8.2f %8.2f %8.0f %8.2f %8.2f %8.0f\n", c.name.c_str(), d.seconds, d.cpu, d.peakMb, seconds,
                    check.cpu, peak);
        std::fflush(stdout);
        fs::remove(saved);
        fs::remove(live);
    }

    // Four 20 MB pages checked at once (four workers, four checks of one host at a time):
    // the checker's peak with its memory budget, and with a budget too big to matter.
    if (Wanted("four-at-once", argc, argv)) {
        const size_t mb20 = 20u * 1024u * 1024u - 64;
        for (int i = 0; i < 4; ++i) {
            std::string piece = std::string("<p>") + char('a' + i);
            std::ofstream(home / ("four" + std::to_string(i) + ".html"), std::ios::binary) << Repeat(piece, mb20 / 4);
            std::ofstream(home / ("four" + std::to_string(i) + ".live.html"), std::ios::binary)
                << Repeat(piece + "x", mb20 / 5);
        }
        for (const char* budget : {"1024", "1000000"}) {
            Checker check({checker, "--per-host", "4", "--memory-mb", budget});
            check.Send("{\"request\":\"StartChecking\"}");
            auto start = Clock::now();
            for (int i = 0; i < 4; ++i)
                check.Send(CheckRequest(++id, "http://127.0.0.1:" + std::to_string(port) + "/four" + std::to_string(i),
                                        (home / ("four" + std::to_string(i) + ".html")).string()));
            for (int i = 0; i < 4; ++i) check.WaitFor("PageUpdated");
            double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            double peak = check.End();
            std::printf("four 20 MB pages at once, --memory-mb %-8s %6.2f s %8.2f cpu %6.0f MB peak\n", budget, seconds,
                        check.cpu, peak);
            std::fflush(stdout);
        }
        for (int i = 0; i < 4; ++i) {
            fs::remove(home / ("four" + std::to_string(i) + ".html"));
            fs::remove(home / ("four" + std::to_string(i) + ".live.html"));
        }
    }

    // A check given up at the checker's limit: how long the checker goes on using the CPU.
    if (Wanted("given-up", argc, argv)) {
        const size_t mb20 = 20u * 1024u * 1024u - 64;
        fs::path saved = home / "slow.html", live = home / "slow.live.html";
        std::ofstream(saved, std::ios::binary) << Repeat("<p>x", mb20 / 4);
        std::ofstream(live, std::ios::binary) << Repeat("<p>y", mb20 / 4);
        Checker check({checker, "--limit-ms", "500"});
        check.Send("{\"request\":\"StartChecking\"}");
        check.Send(CheckRequest(++id, "http://127.0.0.1:" + std::to_string(port) + "/slow", saved.string()));
        check.WaitFor("PageUpdated");
        auto givenUp = Clock::now();
        double last = CpuSeconds(check.pid);
        auto lastChange = givenUp;
        // The checker is idle once its CPU time stays put for half a second.
        while (Clock::now() - lastChange < std::chrono::milliseconds(500) &&
               Clock::now() - givenUp < std::chrono::seconds(60)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            double now = CpuSeconds(check.pid);
            if (now > last + 0.005) {
                last = now;
                lastChange = Clock::now();
            }
        }
        std::printf("given-up check (limit 500 ms, 20 MB page): CPU use ended %.2f s after the give-up\n",
                    std::chrono::duration<double>(lastChange - givenUp).count());
        check.End();
    }

    server.stop();
    serving.join();
    fs::remove_all(home);
    return 0;
}
