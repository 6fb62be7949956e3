// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/RemovedItems.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"

namespace pelmor::mainwindow {

namespace fs = std::filesystem;

std::string RemovedItems::KeptFolder() const { return (fs::path(cacheFolder_) / kFolderName).string(); }

void RemovedItems::Open() {
    entries_.push_back({});
    open_ = true;
    ++nextEntry_;
}

void RemovedItems::Close() {
    if (open_ && entries_.back().removals.empty()) {
        // Nothing was removed after all; a copy moved meanwhile goes back.
        for (const KeptFile& file : entries_.back().files) PutBack(file);
        entries_.pop_back();
    }
    open_ = false;
}

void RemovedItems::Record(Removal removal) {
    if (open_) entries_.back().removals.push_back(std::move(removal));
}

bool RemovedItems::Keep(const std::string& file) {
    if (!open_ || file.empty() || cacheFolder_.empty()) return false;
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(cacheFolder_, ec);
    if (ec) return false;
    const fs::path source = fs::weakly_canonical(fs::absolute(file, ec), ec);
    if (ec || source.parent_path() != folder || !fs::is_regular_file(fs::symlink_status(source, ec))) return false;
    return MoveIn(file, source, source.filename().string());
}

bool RemovedItems::KeepFolder(const std::string& folderPath) {
    if (!open_ || folderPath.empty() || cacheFolder_.empty()) return false;
    std::error_code ec;
    const fs::path cache = fs::weakly_canonical(cacheFolder_, ec);
    if (ec) return false;
    const fs::path source = fs::weakly_canonical(fs::absolute(folderPath, ec), ec);
    const fs::path kept = fs::weakly_canonical(KeptFolder(), ec);
    const auto inside = [](const fs::path& path, const fs::path& root) {
        auto [end, _] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
        return end == root.end() && path != root;
    };
    if (ec || !inside(source, cache) || inside(source, kept) || !fs::is_directory(fs::symlink_status(source, ec)))
        return false;
    return MoveIn(folderPath, source, "folder-" + source.filename().string());
}

bool RemovedItems::MoveIn(const std::string& original, const fs::path& source, const std::string& name) {
    std::error_code ec;
    const fs::path target = fs::path(KeptFolder()) / std::to_string(nextEntry_) / name;
    fs::create_directories(target.parent_path(), ec);
    if (ec || fs::exists(target, ec)) return false;
    fs::rename(source, target, ec);
    if (ec) {
        log::WriteLog("Cannot keep the removed copy " + original + ": " + ec.message());
        return false;
    }
    entries_.back().files.push_back({original, target.string()});
    return true;
}

std::optional<RemovedItems::Entry> RemovedItems::TakeLast() {
    if (entries_.empty() || open_) return std::nullopt;
    Entry entry = std::move(entries_.back());
    entries_.pop_back();
    return entry;
}

bool RemovedItems::PutBack(const KeptFile& file) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(file.original, ec))) return false;
    fs::create_directories(fs::path(file.original).parent_path(), ec);
    fs::rename(file.kept, file.original, ec);
    return !ec;
}

void RemovedItems::Purge() {
    entries_.clear();
    open_ = false;
    std::error_code ec;
    const fs::path kept = KeptFolder();
    if (cacheFolder_.empty() || !fs::is_directory(fs::symlink_status(kept, ec))) return;
    std::vector<fs::path> folders{kept};
    InternetHandler handler;
    for (auto it = fs::recursive_directory_iterator(kept, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::file_status status = it->symlink_status(ec);
        if (fs::is_directory(status))
            folders.push_back(it->path());
        else
            handler.RemoveFileFromCache(it->path().string());
    }
    // Deepest first; a folder that is not empty (a file refused above) stays.
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) fs::remove(*folder, ec);
}

}  // namespace pelmor::mainwindow
