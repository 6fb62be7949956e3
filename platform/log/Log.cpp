// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/log/Log.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/DateTime.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"

namespace pelmor::log {
namespace {

// The size rule of every log: one larger than this is deleted when it is opened, and one
// that grew past twice this while open is emptied before the next entry.
constexpr long long kLogLimit = 1000000;
// Longest entry text written; a longer one (a huge address, a whole page) is cut.
constexpr std::size_t kMaxEntryText = 4096;

std::atomic<bool> filesEnabled{true};

std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

const char* FileName(File file) {
    switch (file) {
        case File::Program:
            return "Pelmor.log";
        case File::Compare:
            return "PelmorCompare.log";
        case File::Helper:
            return "PelmorHelper.log";
    }
    return "Pelmor.log";
}

void AppendLocked(File file, Kind kind, std::string_view text) {
    if (!filesEnabled) return;
    EnsureFolder(DataFolder());
    std::string path = PathOf(file);
    std::string entry = kind == Kind::Information ? "Information:" : "Error:";
    if (text.size() > kMaxEntryText) {
        std::size_t cut = kMaxEntryText;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters
        entry.append(text.substr(0, cut));
        entry += "... (cut)";
    } else {
        entry.append(text);
    }
    entry += '\n';
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0 && errno == ENOENT) ThrowMissingFolder(DataFolder(), path);
    if (fd < 0) throw Failure(Fault::FileAccess, "Log", "Cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 2 * kLogLimit) (void)::ftruncate(fd, 0);
    const char* data = entry.data();
    size_t left = entry.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            int error = errno;
            ::close(fd);
            throw Failure(Fault::FileAccess, "Log", "Cannot write " + path + ": " + std::strerror(error));
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    ::close(fd);
}

}  // namespace

std::string PathOf(File file) { return DataFolder() + "/" + FileName(file); }

void Append(File file, Kind kind, std::string_view text) {
    std::lock_guard lock(LogMutex());
    AppendLocked(file, kind, text);
}

namespace {

// Deletes the log when it is larger than the limit. Throws Failure when it cannot.
void ApplySizeRuleLocked(File file) {
    std::string path = PathOf(file);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > kLogLimit) {
        if (::unlink(path.c_str()) != 0)
            throw Failure(Fault::PermissionDenied, "Log", "Cannot delete " + path + ": " + std::strerror(errno));
    }
}

}  // namespace

void SetFilesEnabled(bool enabled) noexcept { filesEnabled = enabled; }

void OpenLog(File file) noexcept {
    if (!filesEnabled) return;
    try {
        std::lock_guard lock(LogMutex());
        ApplySizeRuleLocked(file);
        EnsureFolder(DataFolder());
        int fd = ::open(PathOf(file).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) ::close(fd);
    } catch (const std::exception&) {  // a log that cannot be written loses the entry
    }
}

void StartLog() {
    std::lock_guard lock(LogMutex());
    ApplySizeRuleLocked(File::Program);
    AppendLocked(File::Program, Kind::Information, "Started logging - " + DateTime::Now().FormatGeneral() + "\r");
}

void WriteLog(std::string_view text) noexcept {
    try {
        std::string entry = "\r\nTime: " + DateTime::Now().FormatGeneral() + "\r\n";
        entry.append(text);
        entry += '\r';
        Append(File::Program, Kind::Information, entry);
    } catch (const std::exception&) {  // a log that cannot be written loses the entry
    }
}

std::string ErrorRecord(const Failure& failure, std::string_view param, bool libraryForm) {
    std::string record = "\r\nTime: " + DateTime::Now().FormatGeneral();
    record += "\r\nNumber: " + std::to_string(RecordNumber(failure.Kind()));
    record += "\r\nSource: " + failure.Source();
    record += "\r\nDescription: " + failure.Description();
    if (!param.empty()) {
        record += libraryForm ? "\r\nParam: " : "\r\n";
        record.append(param);
    }
    return record;
}

void LogLibraryError(File file, const Failure& failure, std::string_view param) {
    try {
        Append(file, Kind::Error, "\r" + ErrorRecord(failure, param, true));
    } catch (const std::exception&) {  // a log that cannot be written loses the entry
    }
}

void LogProgramError(const Failure& failure, std::string_view param) {
    try {
        Append(File::Program, Kind::Error, "\r" + ErrorRecord(failure, param, false));
    } catch (const std::exception&) {  // a log that cannot be written loses the entry
    }
}

}  // namespace pelmor::log
