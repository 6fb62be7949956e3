// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The items the user removed in this session, newest last, so that the last removal can
// be undone: the items themselves (a folder with what was left in it) with the place each
// had, and their saved copies, moved into a folder of their own inside the cache folder.
// Everything kept is deleted when the program ends, and only inside the cache folder.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "items/Application.h"

namespace pelmor::mainwindow {

class RemovedItems {
public:
    // The name of the folder inside the cache folder that holds the kept copies.
    static constexpr const char* kFolderName = "Removed";

    // One item taken out of `parent`; it stood before the item keyed `before` (at the
    // end when there was none).
    struct Removal {
        std::shared_ptr<Item> item;
        std::shared_ptr<ItemList> parent;
        std::optional<std::string> before;
    };
    // A saved copy moved away: where it was and where it is kept.
    struct KeptFile {
        std::string original;
        std::string kept;
    };
    // What one command removed, in the order it was removed.
    struct Entry {
        std::vector<Removal> removals;
        std::vector<KeptFile> files;
    };

    explicit RemovedItems(std::string cacheFolder) : cacheFolder_(std::move(cacheFolder)) {}
    ~RemovedItems() { Purge(); }
    RemovedItems(const RemovedItems&) = delete;
    RemovedItems& operator=(const RemovedItems&) = delete;

    void SetCacheFolder(std::string folder) { cacheFolder_ = std::move(folder); }

    // Opens the entry of a new removal command; Close drops it when nothing was removed.
    void Open();
    void Close();
    void Record(Removal removal);
    // Moves a saved copy that lies directly in the cache folder into this removal's
    // folder; false, touching nothing, for a file elsewhere or one that cannot be moved.
    bool Keep(const std::string& file);
    // The same for a folder inside the cache folder (a page's past versions).
    bool KeepFolder(const std::string& folder);

    bool Empty() const { return entries_.empty(); }
    // The newest entry, taken off the list; nullopt when there is none.
    std::optional<Entry> TakeLast();
    // Moves a kept copy back where it was; false when that name is taken meanwhile or
    // the move fails (the copy then stays kept and goes with the rest at the end).
    bool PutBack(const KeptFile& file);
    // Deletes every file kept, in this session or a session that ended without it, and
    // then the emptied folders.
    void Purge();

private:
    std::string KeptFolder() const;
    // Moves `source` into this removal's folder under `name`.
    bool MoveIn(const std::string& original, const std::filesystem::path& source, const std::string& name);

    std::string cacheFolder_;
    std::vector<Entry> entries_;
    bool open_ = false;
    int nextEntry_ = 0;
};

}  // namespace pelmor::mainwindow
