// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "items/Application.h"
#include "platform/core/Failure.h"
#include "support/TempHome.h"

namespace pelmor {
namespace {

// A tree of `folders` folders with `pagesPerFolder` pages each; the root's period tells
// the trees apart.
std::shared_ptr<Application> MakeTree(int16_t mark, int folders, int pagesPerFolder) {
    auto root = Application::Create();
    root->SetPeriodTime(mark);
    for (int f = 0; f < folders; ++f) {
        auto folder = Folder::Create();
        folder->SetName("Folder " + std::to_string(f));
        root->AddItem(folder);
        for (int p = 0; p < pagesPerFolder; ++p) {
            auto page = Page::Create();
            page->SetURL("http://site" + std::to_string(p) + ".example/path/" + std::to_string(f));
            page->SetDescription("A page with a fairly long description to make the file bigger " + std::to_string(p));
            page->AddFrame(page->URL() + "/frame", std::to_string(f * 1000 + p) + ".html");
            folder->AddItem(page);
        }
    }
    return root;
}

int CountPages(const ItemList& list) {
    int count = 0;
    for (const std::shared_ptr<Item>& item : list.Items()) {
        count += item->IsFolder() ? CountPages(static_cast<const Folder&>(*item)) : 1;
    }
    return count;
}

// Waits until a file other than the profile shows up in the folder (the temporary file of
// a save in progress); false when none came within the time limit.
bool WaitForTemporaryFile(const std::filesystem::path& folder, std::chrono::seconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().filename() != "Files.XML") return true;
        }
    }
    return false;
}

TEST(ProfileKill, KilledSaveLeavesOldOrNewFileWhole) {
    test::TempHome home;
    const std::string path = (home.Root() / "Files.XML").string();
    auto first = MakeTree(111, 40, 50);
    auto second = MakeTree(222, 60, 50);
    first->SaveItems(path);

    std::mt19937 random(std::random_device{}());
    int caughtWriting = 0;
    for (int round = 0; round < 10; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                second->SaveItems(path);
                first->SaveItems(path);
            }
        }
        if (round % 2 == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 120)(random)));
        } else {
            // Aim at the moment the new file is being written.
            ASSERT_TRUE(WaitForTemporaryFile(home.Root(), std::chrono::seconds(10)));
            std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        auto loaded = Application::Create();
        ASSERT_NO_THROW(loaded->LoadItems(path)) << "round " << round;
        ASSERT_TRUE(loaded->PeriodTime() == 111 || loaded->PeriodTime() == 222);
        EXPECT_EQ(CountPages(*loaded), loaded->PeriodTime() == 111 ? 2000 : 3000) << "round " << round;

        // A temporary file left behind shows that the kill came in the middle of a write.
        for (const auto& entry : std::filesystem::directory_iterator(home.Root())) {
            if (entry.path().filename() == "Files.XML") continue;
            ++caughtWriting;
            std::filesystem::remove(entry.path());
        }
    }
    EXPECT_GT(caughtWriting, 0);
}

}  // namespace
}  // namespace pelmor
