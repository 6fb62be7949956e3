#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "support/HttpServer.h"
#include "support/TempHome.h"

namespace {

struct Outcome {
    std::string out;
    int status = -1;
};

Outcome Diff(const std::string& arguments) {
    Outcome run;
    std::string command = std::string(PELMOR_DIFF) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace

TEST(DiffTool, ComparesWebAddressesWithFiles) {
    pelmor::test::TempHome home;
    pelmor::test::HttpServer server;
    server.Page("/old", "<html><body><p>Open Monday to Friday</p></body></html>");
    server.Page("/start", "<meta http-equiv=refresh content='0; url=new'>");
    server.Page("/new", "<html><body><p>Open Monday to Saturday</p></body></html>");
    auto file = home.Root() / "old.html";
    pelmor::test::WriteFile(file, "<html><body><p>Open Monday to Friday</p></body></html>");

    EXPECT_EQ(Diff("--changed " + file.string() + " " + server.Url("/old")).out, "unchanged\n");
    Outcome changed = Diff("--changed " + server.Url("/old") + " " + server.Url("/start"));
    EXPECT_EQ(changed.out, "changed\n");
    EXPECT_EQ(changed.status, 0);
    Outcome marked = Diff(file.string() + " " + server.Url("/start"));
    EXPECT_NE(marked.out.find("Saturday"), std::string::npos);
    Outcome missing = Diff(file.string() + " " + server.Url("/missing"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("cannot load"), std::string::npos);
}
