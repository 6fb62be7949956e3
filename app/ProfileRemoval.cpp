// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProfileRemoval.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"

namespace pelmor::shell {

namespace fs = std::filesystem;

namespace {

// Deletes one of the program's own files by name: a regular file, or a link (never what
// it points at). Anything else under that name is left alone.
void RemoveOwnFile(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) ::unlink(path.c_str());
}

}  // namespace

void RemoveProfile() {
    RemoveOwnFile(fs::path(ConfigFolder()) / "Pelmor.ini");

    // The cache folder's files go through the same check as every other delete of a
    // saved copy: regular files inside the folder only, refusals logged. A cache folder
    // that is a link loses only the link: the folder it points at may hold anything.
    const fs::path cache = fs::path(DataFolder()) / "Files";
    struct stat st {};
    if (::lstat(cache.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        ::unlink(cache.c_str());
    } else if (::lstat(cache.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::error_code ec;
        for (fs::directory_iterator it(cache, ec), end; !ec && it != end; it.increment(ec)) {
            try {
                RemoveFileInside(it->path().string(), cache.string());
            } catch (...) {
                log::LogProgramError(CurrentFailure("RemoveProfile"), "RemoveProfile");
            }
        }
        ::rmdir(cache.c_str());
    }

    // The profile is written as "Files.XML" and named "Files.xml" elsewhere; on a file
    // system that tells letter cases apart, both spellings are the same profile.
    std::error_code ec;
    for (fs::directory_iterator it(DataFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        if (EqualsNoCase(it->path().filename().string(), "Files.xml")) RemoveOwnFile(it->path());
    }
}

}  // namespace pelmor::shell
