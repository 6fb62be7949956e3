// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/HttpServer.h"
#include "support/Programs.h"
#include "support/TempHome.h"

namespace {

pelmor::test::ProgramRun Diff(const std::string& arguments) {
    return pelmor::test::RunProgram(std::string(PELMOR_DIFF) + " " + arguments);
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
    pelmor::test::ProgramRun changed = Diff("--changed " + server.Url("/old") + " " + server.Url("/start"));
    EXPECT_EQ(changed.out, "changed\n");
    EXPECT_EQ(changed.status, 0);
    pelmor::test::ProgramRun marked = Diff(file.string() + " " + server.Url("/start"));
    EXPECT_NE(marked.out.find("Saturday"), std::string::npos);
    pelmor::test::ProgramRun missing = Diff(file.string() + " " + server.Url("/missing"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("cannot load"), std::string::npos);
}
