// SPDX-License-Identifier: GPL-3.0-or-later
// The profile operations of Settings: a profile is a profile file together with the cache
// folder of saved copies beside it, named after the file.

#include <exception>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "items/Application.h"
#include "items/Folder.h"
#include "items/Page.h"
#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"
#include "platform/ini/Ini.h"
#include "preferences/CacheFolder.h"
#include "preferences/Settings.h"
#include "preferences/SettingsText.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

// The profile file as an absolute path, so that the recorded profile does not depend on
// the working folder. Throws Failure when its folder does not exist or when its cache
// folder would carry the file's own name.
fs::path CheckedProfilePath(const std::string& xmlName) {
    if (xmlName.empty()) throw Failure(Fault::InvalidArgument, "Settings", "No profile file name given");
    std::error_code ec;
    fs::path file = fs::absolute(fs::path(xmlName), ec).lexically_normal();
    if (ec || !file.has_filename())
        throw Failure(Fault::InvalidArgument, "Settings", "Invalid profile file name: " + xmlName);
    if (!fs::is_directory(file.parent_path(), ec))
        throw Failure(
            Fault::PathNotFound, "Settings",
            "Path not found: the folder " + file.parent_path().string() + " of the profile file does not exist");
    if (file.stem() == file.filename())
        throw Failure(Fault::InvalidArgument, "Settings",
                      "The profile file name " + file.filename().string() +
                          " needs an extension: its cache folder takes the name without it");
    if (fs::is_directory(file, ec))
        throw Failure(Fault::FileAccess, "Settings", "The profile file " + file.string() + " is a folder");
    return file;
}

// The cache folder of a profile file: its folder + "/" + its name without extension.
std::string CacheFolderOf(const fs::path& file) { return (file.parent_path() / file.stem()).string(); }

void CreateCacheFolder(const std::string& folder) {
    if (!EnsureFolder(folder)) throw Failure(Fault::FileAccess, "Settings", "Cannot create the cache folder " + folder);
}

// Copies every file directly inside `from` into `to` under the same name, replacing what
// is there. Each copy is written to a temporary file first and renamed into place, so no
// file of either folder is ever truncated, not even when both are the same folder under
// two names.
void CopyCacheFiles(const std::string& from, const std::string& to) {
    CreateCacheFolder(to);
    std::error_code ec;
    if (!fs::is_directory(from, ec) || fs::equivalent(from, to, ec)) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        if (!entry.is_regular_file()) continue;
        WriteFileAtomically((fs::path(to) / entry.path().filename()).string(), ReadWholeFile(entry.path().string()));
    }
}

// The folder as the file system resolves it (symbolic links followed, "." and ".."
// removed), so that two names of one folder compare equal and two folders whose names
// differ only in letter case do not.
std::string RealFolder(const std::string& folder) {
    std::error_code ec;
    fs::path real = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    return ec ? fs::path(folder).lexically_normal().string() : real.string();
}

// One saved copy whose path was changed, so that it can be put back.
struct Repointed {
    std::function<void(std::string)> set;
    std::string old;
};

// Points every saved copy of a page or frame that lies directly in `from` at the file of
// the same name in `to`, recording each change in `changed`.
void RepointFrames(const FrameList& list, const std::string& from, const std::string& to,
                   std::vector<Repointed>& changed) {
    for (const std::shared_ptr<Frame>& frame : list.Frames()) {
        fs::path saved(frame->SavedFile());
        if (!frame->SavedFile().empty() && RealFolder(saved.parent_path().string()) == from) {
            changed.push_back({[frame](std::string path) { frame->SetSavedFile(std::move(path)); }, frame->SavedFile()});
            frame->SetSavedFile((fs::path(to) / saved.filename()).string());
        }
        RepointFrames(*frame, from, to, changed);
    }
}

void RepointItems(const ItemList& list, const std::string& from, const std::string& to,
                  std::vector<Repointed>& changed) {
    for (const std::shared_ptr<Item>& item : list.Items()) {
        if (item->IsFolder()) {
            RepointItems(static_cast<const Folder&>(*item), from, to, changed);
            continue;
        }
        auto page = std::static_pointer_cast<Page>(item);
        fs::path saved(page->SavedFile());
        if (!page->SavedFile().empty() && RealFolder(saved.parent_path().string()) == from) {
            changed.push_back({[page](std::string path) { page->SetSavedFile(std::move(path)); }, page->SavedFile()});
            page->SetSavedFile((fs::path(to) / saved.filename()).string());
        }
        RepointFrames(*page, from, to, changed);
    }
}

}  // namespace

void Settings::SetProfileAsDefault() {
    lastError_.clear();
    try {
        std::string path = TargetINIFile();
        ini::Document doc = ini::Document::Load(path);
        doc.Set("Locations", "XMLFile", settings_text::Text(xmlFile_));
        doc.Set("Locations", "CacheFolder", settings_text::Text(cacheFolder_));
        EnsureFolder(fs::path(path).parent_path().string());
        doc.Save(path);
    } catch (const std::exception& error) {
        Report(error, "SetProfileAsDefault");
    }
}

void Settings::CopyProfileFiles(const std::string& fromCacheFolder, const std::string& xmlName) {
    std::string newFolder = CacheFolderOf(CheckedProfilePath(xmlName));
    if (RealFolder(fromCacheFolder) != RealFolder(newFolder)) CopyCacheFiles(fromCacheFolder, newFolder);
}

void Settings::SaveProfile(const Application& application, const std::string& xmlName, bool copiesMade) {
    lastError_.clear();
    std::vector<Repointed> changed;
    try {
        fs::path file = CheckedProfilePath(xmlName);
        std::string newFolder = CacheFolderOf(file);
        const std::string oldReal = RealFolder(cacheFolder_);
        const bool moving = oldReal != RealFolder(newFolder);
        if (moving) {
            // The new profile gets its own saved copies, and its pages point at them: two
            // profiles never share (and overwrite) one set of copies.
            if (!copiesMade) CopyCacheFiles(cacheFolder_, newFolder);
            RepointItems(application, oldReal, newFolder, changed);
        }
        // The current profile only changes once the new file is really written.
        application.SaveItems(file.string());
        xmlFile_ = file.string();
        cacheFolder_ = newFolder;
        SetCurrentCacheFolder(cacheFolder_);
    } catch (const std::exception& error) {
        // The pages go on pointing at the copies of the profile that stays current.
        for (Repointed& item : changed) item.set(item.old);
        Report(error, "SaveProfile");
    }
}

Settings::ProfileRead Settings::ReadProfile(const std::string& xmlName) {
    ProfileRead read;
    read.application = Application::Create();
    fs::path file = CheckedProfilePath(xmlName);
    read.xmlFile = file.string();
    read.cacheFolder = CacheFolderOf(file);
    try {
        std::error_code ec;
        if (!fs::exists(file, ec)) {
            // A new profile starts as the one made at first start: checked every day, so
            // that the pages added to it are checked.
            read.application->SetActive(true);
            read.application->SetPeriodTime(1);
            read.application->SetPeriodUnit(dfDay);
            read.application->SaveItems(read.xmlFile);
        }
        CreateCacheFolder(read.cacheFolder);
        read.application->LoadItems(read.xmlFile);
    } catch (const std::exception&) {
        read.failure = std::current_exception();
        read.error = CurrentFailure("Settings").Description();
    }
    return read;
}

void Settings::UseProfile(const ProfileRead& read) {
    xmlFile_ = read.xmlFile;
    cacheFolder_ = read.cacheFolder;
    SetCurrentCacheFolder(cacheFolder_);
}

void Settings::LoadProfile(std::shared_ptr<Application>& root, const std::string& xmlName) {
    lastError_.clear();
    try {
        ProfileRead read = ReadProfile(xmlName);
        root = read.application;
        UseProfile(read);
        if (read.failure) std::rethrow_exception(read.failure);
    } catch (const std::exception& error) {
        Report(error, "LoadProfile");
    }
}

}  // namespace pelmor
