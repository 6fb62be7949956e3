// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/log/Log.h"
#include "support/TempHome.h"

namespace log = pelmor::log;
using pelmor::test::ReadFile;
using pelmor::test::TempHome;
using pelmor::test::WriteFile;

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

}  // namespace

TEST(Log, StartLogDeletesOnlyLogsOverTheLimit) {
    TempHome home;
    std::string path = log::PathOf(log::File::Program);

    WriteFile(path, std::string(1000000, 'a'));
    log::StartLog();
    std::string kept = ReadFile(path);
    EXPECT_EQ(kept.substr(0, 1000000), std::string(1000000, 'a')) << "exactly 1,000,000 bytes stay";
    EXPECT_NE(kept.find("Started logging - "), std::string::npos);

    WriteFile(path, std::string(1000001, 'a'));
    log::StartLog();
    std::string fresh = ReadFile(path);
    EXPECT_EQ(fresh.find("aaaa"), std::string::npos) << "a larger log is deleted";
    EXPECT_EQ(fresh.rfind("Information:Started logging - ", 0), 0u);
    EXPECT_EQ(fresh.back(), '\n');
    EXPECT_EQ(fresh[fresh.size() - 2], '\r');
}

TEST(Log, EveryLogKeepsToTheSizeRule) {
    TempHome home;
    for (log::File file : {log::File::Helper, log::File::Compare}) {
        std::string path = log::PathOf(file);
        WriteFile(path, std::string(1000001, 'a'));
        log::OpenLog(file);
        EXPECT_EQ(ReadFile(path), "") << path;

        // A log that keeps growing while open is emptied rather than growing on.
        WriteFile(path, std::string(2000001, 'a'));
        log::Append(file, log::Kind::Error, std::string(1000000, 'u'));
        std::string text = ReadFile(path);
        EXPECT_EQ(text.rfind("Error:uuu", 0), 0u) << path;
        EXPECT_LT(text.size(), 5000u) << "a long entry is cut";
    }
}

TEST(Log, EntriesHaveTheirLayout) {
    TempHome home;
    log::WriteLog("Main entered");
    std::string text = ReadFile(log::PathOf(log::File::Program));
    ASSERT_EQ(text.rfind("Information:\r\nTime: ", 0), 0u);
    EXPECT_NE(text.find("\r\nMain entered\r\n"), std::string::npos);

    pelmor::Failure failure(pelmor::Fault::FileNotFound, "Tamsin", "File not found");
    std::string program = log::ErrorRecord(failure, "LoadTree", false);
    EXPECT_NE(program.find("\r\nNumber: 53\r\nSource: Tamsin\r\nDescription: File not found\r\nLoadTree"),
              std::string::npos);
    EXPECT_EQ(program.rfind("\r\nTime: ", 0), 0u);
    std::string library = log::ErrorRecord(failure, "LoadPreferences", true);
    EXPECT_NE(library.find("Description: File not found\r\nParam: LoadPreferences"), std::string::npos);
    std::string noParam = log::ErrorRecord(failure, "", true);
    EXPECT_EQ(noParam.find("Param"), std::string::npos);
    EXPECT_EQ(noParam.substr(noParam.size() - 14), "File not found");

    log::LogLibraryError(log::File::Compare, failure, "IsChange");
    std::string compare = ReadFile(log::PathOf(log::File::Compare));
    EXPECT_EQ(compare.rfind("Error:\r\r\nTime: ", 0), 0u);
    EXPECT_NE(compare.find("Param: IsChange\n"), std::string::npos);
}

TEST(Log, ConcurrentWritersNeverInterleave) {
    TempHome home;
    constexpr int kThreads = 8;
    constexpr int kEntries = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string payload(500, static_cast<char>('a' + t));
            for (int i = 0; i < kEntries; ++i) log::Append(log::File::Helper, log::Kind::Information, payload);
        });
    }
    for (auto& thread : threads) thread.join();
    std::string text = ReadFile(log::PathOf(log::File::Helper));
    EXPECT_EQ(Count(text, "Information:"), static_cast<size_t>(kThreads * kEntries));
    for (int t = 0; t < kThreads; ++t) {
        std::string entry = "Information:" + std::string(500, static_cast<char>('a' + t)) + "\n";
        EXPECT_EQ(Count(text, entry), static_cast<size_t>(kEntries));
    }
}

TEST(Log, OnlyStartingTheLogThrowsWhenItCannotBeWritten) {
    TempHome home;
    WriteFile(home.Root() / "data", "a file where the data folder should be");
    EXPECT_NO_THROW(
        log::LogLibraryError(log::File::Helper, pelmor::Failure(pelmor::Fault::InvalidArgument, "x", "y"), ""));
    EXPECT_NO_THROW(log::WriteLog("text"));  // progress entries are best effort
    EXPECT_THROW(log::StartLog(), pelmor::Failure);
}
