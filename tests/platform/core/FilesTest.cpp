// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using pelmor::test::TempHome;

TEST(Folders, FollowPelmorHomeThenXdg) {
    TempHome home;
    EXPECT_EQ(pelmor::ConfigFolder(), (home.Root() / "config").string());
    EXPECT_EQ(pelmor::DataFolder(), (home.Root() / "data").string());

    unsetenv("PELMOR_HOME");
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(pelmor::ConfigFolder(), "/x/conf/pelmor");
    EXPECT_EQ(pelmor::DataFolder(), "/home/someone/.local/share/pelmor");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    setenv("PELMOR_HOME", home.Root().c_str(), 1);
}

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    TempHome home;
    std::string path = (home.Root() / "file.txt").string();
    pelmor::WriteFileAtomically(path, "first");
    chmod(path.c_str(), 0600);
    pelmor::WriteFileAtomically(path, std::string(100000, 'x'));
    EXPECT_EQ(pelmor::ReadWholeFile(path), std::string(100000, 'x'));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "permissions of the replaced file are kept";
    int entries = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(home.Root())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(Files, FailedWriteKeepsTheOldFileAndReportsIt) {
    TempHome home;
    std::string missingFolder = (home.Root() / "nowhere" / "file.txt").string();
    try {
        pelmor::WriteFileAtomically(missingFolder, "data");
        FAIL() << "a write into a missing folder must fail";
    } catch (const pelmor::Failure& f) {
        EXPECT_EQ(f.Kind(), pelmor::Fault::PathNotFound);
    }

    fs::path folder = home.Root() / "locked";
    fs::create_directory(folder);
    std::string path = (folder / "file.txt").string();
    pelmor::WriteFileAtomically(path, "old");
    chmod(folder.c_str(), 0500);
    if (geteuid() != 0) {  // root ignores folder permissions
        EXPECT_THROW(pelmor::WriteFileAtomically(path, "new"), pelmor::Failure);
        EXPECT_EQ(pelmor::ReadWholeFile(path), "old");
    }
    chmod(folder.c_str(), 0700);

    try {
        pelmor::ReadWholeFile((home.Root() / "absent").string());
        FAIL();
    } catch (const pelmor::Failure& f) {
        EXPECT_EQ(f.Kind(), pelmor::Fault::FileNotFound);
    }
}

TEST(Files, RemoveInsideDeletesOnlyRegularFilesOfTheFolder) {
    TempHome home;
    const fs::path cache = home.Root() / "cache";
    const fs::path important = home.Root() / "important.txt";
    pelmor::test::WriteFile(important, "keep");
    pelmor::test::WriteFile(cache / "sub" / "1.html", "copy");
    chmod((cache / "sub" / "1.html").c_str(), 0444);
    fs::create_symlink(important, cache / "link.html");
    fs::create_directory_symlink(home.Root(), cache / "up");

    pelmor::RemoveFileInside((cache / "sub" / ".." / "sub" / "1.html").string(), cache.string());
    EXPECT_FALSE(fs::exists(cache / "sub" / "1.html"));
    EXPECT_NO_THROW(pelmor::RemoveFileInside((cache / "none.html").string(), cache.string()));

    for (const fs::path& hostile : {important, cache / ".." / "important.txt", cache / "link.html",
                                    cache / "up" / "important.txt", cache / "sub", cache / "sub" / ".."}) {
        try {
            pelmor::RemoveFileInside(hostile.string(), cache.string());
            ADD_FAILURE() << "deleted " << hostile;
        } catch (const pelmor::Failure& failure) {
            EXPECT_EQ(failure.Kind(), pelmor::Fault::FileAccess) << hostile;
        }
    }
    EXPECT_EQ(pelmor::test::ReadFile(important), "keep");
    EXPECT_TRUE(fs::is_symlink(cache / "link.html"));
    EXPECT_TRUE(fs::is_directory(cache / "sub"));
    EXPECT_THROW(pelmor::RemoveFileInside(important.string(), (home.Root() / "missing").string()), pelmor::Failure);
    EXPECT_TRUE(fs::exists(important));
}

TEST(Files, AtomicWriteThroughALinkReplacesItsTarget) {
    TempHome home;
    const fs::path synced = home.Root() / "synced" / "Files.XML";
    pelmor::test::WriteFile(synced, "old");
    fs::create_symlink("synced/Files.XML", home.Root() / "Files.XML");  // relative, as users make them
    fs::create_symlink(home.Root() / "Files.XML", home.Root() / "chain.xml");
    pelmor::WriteFileAtomically((home.Root() / "chain.xml").string(), "new");
    EXPECT_TRUE(fs::is_symlink(home.Root() / "Files.XML"));
    EXPECT_TRUE(fs::is_symlink(home.Root() / "chain.xml"));
    EXPECT_EQ(pelmor::test::ReadFile(synced), "new");
}
