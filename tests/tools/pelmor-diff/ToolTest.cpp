// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "platform/text/Utf16.h"
#include "tests/support/TempHome.h"

namespace {

struct Outcome {
    std::string out;
    int status = -1;
};

// Runs pelmor-diff with the arguments (already quoted as needed); stderr goes to out too.
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

class Tool : public ::testing::Test {
protected:
    std::string File(const std::string& name, const std::string& body) {
        auto path = home.Root() / name;
        pelmor::test::WriteFile(path, "<html><body>" + body + "</body></html>");
        return path.string();
    }
    pelmor::test::TempHome home;
};

TEST_F(Tool, PrintsTheMarkedBodyExactly) {
    std::string original = File("old.html", "<p>Open Monday to Friday</p>");
    std::string updated = File("new.html", "<p>Open Monday to Saturday</p>");
    Outcome run = Diff(original + " " + updated);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "<p PelmorID=\"24498\">Open Monday to <del style=\"color: #FF0000; text-decoration: line-through\" "
              "PelmorMark=\"remove\">Friday</del> <span style=\"background-color: #FFFF00\" "
              "PelmorMark=\"update\">Saturday</span></p>");
    EXPECT_EQ(Diff("--hide-removed " + original + " " + updated).out,
              "<p PelmorID=\"24498\">Open Monday to <span style=\"background-color: #FFFF00\" "
              "PelmorMark=\"update\">Saturday</span></p>");
    run = Diff("--update-color red " + original + " " + updated);
    EXPECT_NE(run.out.find("background-color: red"), std::string::npos);
}

TEST_F(Tool, ReadsUtf16FilesWithByteOrderMark) {
    std::string original = File("old.html", "<p>caf\xC3\xA9 ouvert</p>");
    auto path = home.Root() / "new16.html";
    pelmor::test::WriteFile(path, pelmor::text::EncodeUtf16LeWithBom("<html><body><p>caf\xC3\xA9 ferm\xC3\xA9</p></body></html>"));
    Outcome run = Diff("--changed " + original + " " + path.string());
    EXPECT_EQ(run.out, "changed\n");
    EXPECT_EQ(run.status, 0);
    run = Diff(original + " " + path.string());
    EXPECT_NE(run.out.find("ferm\xC3\xA9</span>"), std::string::npos);
}

TEST_F(Tool, ChangedFollowsTheOptions) {
    std::string original = File("old.html", "<p>Updated 13/12/2004</p><table><tr><td>a</td></tr></table>");
    std::string updated = File("new.html", "<p>Updated 14/12/2004</p><table><tr><td>a</td></tr></table>");
    Outcome run = Diff("--changed " + original + " " + updated);
    EXPECT_EQ(run.out, "unchanged\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Diff("--changed --show-time-diff --show-numbers " + original + " " + updated).out, "changed\n");
    EXPECT_EQ(Diff("--changed --show-time-diff --show-numbers --element 'TABLE(0)' " + original + " " + updated).out, "unchanged\n");
    EXPECT_EQ(Diff("--changed --show-time-diff --show-numbers --element 'P(0)' " + original + " " + updated).out, "changed\n");
}

TEST_F(Tool, ScriptListsOneRecordALine) {
    std::string original = File("old.html", "<ul><li>one</li><li>two</li></ul><p>Open Monday to Friday</p>");
    std::string updated = File("new.html", "<ul><li>one</li><li>brand new item</li><li>two</li></ul><p>Open Monday to Saturday</p>");
    Outcome run = Diff("--script " + original + " " + updated);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "dfInsertNode\t1\tUL(0),LI(1)\t\n"
              "dfUpdateNode\t0\tP(0),#text(0)\tP(0),#text(0)\n");
    // Paths name the new page as loaded, which --element can find, not as painted.
    std::string retitled = File("retitled.html", "<p>Closed on Sunday</p>");
    EXPECT_EQ(Diff("--script " + File("titled.html", "<p>Open every day</p>") + " " + retitled).out,
              "dfUpdateNode\t0\tP(0),#text(0)\tP(0),#text(0)\n");
}

TEST_F(Tool, BadInputGivesExitCodeTwo) {
    std::string page = File("page.html", "<p>x</p>");
    Outcome run = Diff(page + " " + (home.Root() / "missing.html").string());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("missing.html"), std::string::npos);
    EXPECT_EQ(Diff("--bogus " + page + " " + page).status, 2);
    EXPECT_EQ(Diff(page).status, 2);
    EXPECT_EQ(Diff("--element").status, 2);
    EXPECT_EQ(Diff(page + " " + home.Root().string()).status, 2);
    EXPECT_EQ(Diff("--help").status, 0);
}

}  // namespace
