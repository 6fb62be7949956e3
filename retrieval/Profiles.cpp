// The profile operations of Settings: a profile is a profile file together with the cache
// folder of saved copies beside it, named after the file.

#include <filesystem>
#include <system_error>

#include "items/Application.h"
#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"
#include "platform/core/Strings.h"
#include "platform/ini/Ini.h"
#include "retrieval/CacheFolder.h"
#include "retrieval/Settings.h"
#include "retrieval/SettingsText.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

constexpr long kPathNotFound = 76;

// The profile file as an absolute path, so that the recorded profile does not depend on
// the working folder. Throws Failure when its folder does not exist or when its cache
// folder would carry the file's own name.
fs::path CheckedProfilePath(const std::string& strXMLName) {
    if (strXMLName.empty()) throw Failure(err::kInvalidProcedureCall, "Settings", "No profile file name given");
    std::error_code ec;
    fs::path file = fs::absolute(fs::path(strXMLName), ec).lexically_normal();
    if (ec || !file.has_filename())
        throw Failure(err::kInvalidProcedureCall, "Settings", "Invalid profile file name: " + strXMLName);
    if (!fs::is_directory(file.parent_path(), ec))
        throw Failure(
            kPathNotFound, "Settings",
            "Path not found: the folder " + file.parent_path().string() + " of the profile file does not exist");
    if (file.stem() == file.filename())
        throw Failure(err::kInvalidProcedureCall, "Settings",
                      "The profile file name " + file.filename().string() +
                          " needs an extension: its cache folder takes the name without it");
    if (fs::is_directory(file, ec))
        throw Failure(err::kPathFileAccess, "Settings", "The profile file " + file.string() + " is a folder");
    return file;
}

// The cache folder of a profile file: its folder + "/" + its name without extension.
std::string CacheFolderOf(const fs::path& file) { return (file.parent_path() / file.stem()).string(); }

void CreateCacheFolder(const std::string& folder) {
    if (!EnsureFolder(folder))
        throw Failure(err::kPathFileAccess, "Settings", "Cannot create the cache folder " + folder);
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
    } catch (...) {
        Report("SetProfileAsDefault");
    }
}

void Settings::SaveProfile(const Application& objApplication, const std::string& strXMLName) {
    lastError_.clear();
    try {
        fs::path file = CheckedProfilePath(strXMLName);
        std::string newFolder = CacheFolderOf(file);
        // The current profile only changes once the new file is really written.
        objApplication.SaveItems(file.string());
        xmlFile_ = file.string();
        if (!EqualsNoCase(newFolder, cacheFolder_)) CopyCacheFiles(cacheFolder_, newFolder);
        cacheFolder_ = newFolder;
        SetCurrentCacheFolder(cacheFolder_);
    } catch (...) {
        Report("SaveProfile");
    }
}

void Settings::LoadProfile(std::shared_ptr<Application>& objApplication, const std::string& strXMLName) {
    lastError_.clear();
    try {
        fs::path file = CheckedProfilePath(strXMLName);
        objApplication = Application::Create();
        xmlFile_ = file.string();
        cacheFolder_ = CacheFolderOf(file);
        SetCurrentCacheFolder(cacheFolder_);
        std::error_code ec;
        if (!fs::exists(file, ec)) objApplication->SaveItems(xmlFile_);
        CreateCacheFolder(cacheFolder_);
        objApplication->LoadItems(xmlFile_);
    } catch (...) {
        Report("LoadProfile");
    }
}

}  // namespace pelmor
