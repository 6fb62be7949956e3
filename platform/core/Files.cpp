#include "platform/core/Files.h"

#include <cerrno>
#include <cstdio>
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
    long number = error == ENOENT ? 76 : (error == EACCES || error == EPERM || error == EROFS) ? err::kPermissionDenied
                                                                                                : err::kPathFileAccess;
    throw Failure(number, "Files", what + " " + path + ": " + std::strerror(error));
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
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
        if (fd < 0 && errno != EEXIST) ThrowErrno(errno, "Cannot create", temporary);
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
        if (error == ENOENT) throw Failure(err::kFileNotFound, "Files", "File not found: " + path);
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
