// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/Failure.h"

namespace pelmor {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what, const std::string& path) {
    Fault kind = error == ENOENT                                         ? Fault::PathNotFound
                 : (error == EACCES || error == EPERM || error == EROFS) ? Fault::PermissionDenied
                                                                         : Fault::FileAccess;
    throw Failure(kind, "Files", what + " " + path + ": " + std::strerror(error));
}

}  // namespace

void ThrowMissingFolder(const std::string& folder, const std::string& path) {
    // The folder is missing, most likely because it could not be made: the nearest folder
    // that exists tells why (a read-only file system, a refused permission). Nothing is
    // created here.
    std::filesystem::path existing(folder);
    std::error_code error;
    while (!existing.empty() && !std::filesystem::is_directory(existing, error) && existing != existing.parent_path())
        existing = existing.parent_path();
    if (!existing.empty() && ::access(existing.c_str(), W_OK | X_OK) != 0 && errno != ENOENT)
        ThrowErrno(errno, "Cannot write " + path + ": the folder " + folder + " cannot be created in",
                   existing.string());
    ThrowErrno(ENOENT, "Cannot write", path);
}

namespace {

// The path with every link and ".." resolved, or "" when some part of it does not exist.
std::string RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return std::string();
    std::string out(resolved);
    std::free(resolved);
    return out;
}

[[noreturn]] void Refuse(const std::string& path, const std::string& folder, const std::string& why) {
    throw Failure(Fault::FileAccess, "Files",
                  "Refused to delete " + path + ": " + why + " (only files inside " + folder + " are deleted)");
}

}  // namespace

bool LiesInside(const std::string& path, const std::string& folder) {
    const std::string root = folder.empty() ? std::string() : RealPath(folder);
    if (root.empty() || root == "/") return false;
    std::string resolved = RealPath(path);
    if (resolved.empty()) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) return false;  // a link that leads nowhere
        std::filesystem::path target(path);
        const std::string name = target.filename().string();
        if (name.empty() || name == "." || name == "..") return false;
        std::filesystem::path parent = target.parent_path();
        const std::string realParent = RealPath(parent.empty() ? "." : parent.string());
        if (realParent.empty()) return false;
        resolved = realParent + "/" + name;
    }
    return resolved.rfind(root + "/", 0) == 0;
}

void RemoveFileInside(const std::string& path, const std::string& folder) {
    const std::string root = folder.empty() ? std::string() : RealPath(folder);
    struct stat rootStat {};
    if (root.empty() || ::stat(root.c_str(), &rootStat) != 0 || !S_ISDIR(rootStat.st_mode))
        Refuse(path, folder, "the folder does not exist");
    if (root == "/") Refuse(path, folder, "the folder is the root of the file system");

    std::filesystem::path target(path);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") Refuse(path, root, "it names no file");
    std::filesystem::path parent = target.parent_path();
    if (parent.empty()) parent = ".";
    const std::string realParent = RealPath(parent.string());
    // A folder that does not exist holds no file to delete.
    if (realParent.empty()) return;
    if (realParent != root && realParent.rfind(root + "/", 0) != 0)
        Refuse(path, root, "it lies outside the folder");

    // The name is looked at and unlinked inside the folder opened once, so a link put in
    // its place meanwhile is never followed.
    int dir = ::open(realParent.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        if (errno == ENOENT) return;
        ThrowErrno(errno, "Cannot open the folder of", path);
    }
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        int error = errno;
        ::close(dir);
        if (error == ENOENT) return;
        ThrowErrno(error, "Cannot delete", path);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(dir);
        Refuse(path, root, S_ISLNK(st.st_mode) ? "it is a link" : "it is not a regular file");
    }
    int result = ::unlinkat(dir, name.c_str(), 0);
    int error = errno;
    ::close(dir);
    if (result != 0 && error != ENOENT) ThrowErrno(error, "Cannot delete", path);
}

// The file a path finally names: each link is followed (a relative link from its own
// folder), also to a target that does not exist yet; the path itself when it is no link.
static std::string FinalTarget(const std::string& path) {
    std::filesystem::path current(path);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current.string();
        std::error_code ec;
        std::filesystem::path target = std::filesystem::read_symlink(current, ec);
        if (ec) return current.string();
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    ThrowErrno(ELOOP, "Cannot follow the links of", path);
}

void WriteFileAtomically(const std::string& linkOrPath, std::string_view bytes) {
    // A file kept elsewhere through a link stays there: the link's target is replaced,
    // never the link itself.
    const std::string path = FinalTarget(linkOrPath);
    std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    static thread_local std::mt19937_64 random{std::random_device{}()};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 50 && fd < 0; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
        temporary = (folder / ("." + target.filename().string() + suffix)).string();
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == ENOENT) ThrowMissingFolder(folder.string(), path);
        if (fd < 0 && errno != EEXIST) ThrowErrno(errno, "Cannot write", path);
    }
    if (fd < 0) ThrowErrno(EEXIST, "Cannot create a temporary file for", path);

    auto fail = [&](int error, const char* what) {
        ::close(fd);
        ::unlink(temporary.c_str());
        ThrowErrno(error, what, path);
    };
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);

    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(errno, "Cannot write");
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    if (::fsync(fd) != 0) fail(errno, "Cannot flush");
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        ThrowErrno(error, "Cannot close", path);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        ThrowErrno(error, "Cannot replace", path);
    }
}

std::string ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ENOENT) throw Failure(Fault::FileNotFound, "Files", "File not found: " + path);
        ThrowErrno(error, "Cannot open", path);
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            int error = errno;
            ::close(fd);
            ThrowErrno(error, "Cannot read", path);
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return content;
}

}  // namespace pelmor
