// SPDX-License-Identifier: GPL-3.0-or-later
#include "retrieval/Versions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <tuple>

#include "compare/Compare.h"
#include "items/Page.h"
#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"
#include "platform/core/Strings.h"
#include "platform/html/Html.h"
#include "platform/log/Log.h"
#include "preferences/CacheFolder.h"
#include "preferences/INIHandler.h"
#include "preferences/Settings.h"
#include "retrieval/InternetHandler.h"
#include "preferences/LibraryLog.h"
#include "preferences/SettingsText.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSource = "Versions";
constexpr const char* kExtension = ".html";

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The date a version's name ("yyyymmdd-hhmmss", maybe "-n" after it) gives; nullopt for
// any other name.
std::optional<DateTime> DateOfName(std::string_view stem) {
    if (stem.size() < 15 || stem[8] != '-' || !AllDigits(stem.substr(0, 8)) || !AllDigits(stem.substr(9, 6)))
        return std::nullopt;
    if (stem.size() > 15 && (stem[15] != '-' || !AllDigits(stem.substr(16)))) return std::nullopt;
    auto number = [&](size_t at, size_t length) { return std::stoi(std::string(stem.substr(at, length))); };
    DateTime::Parts parts;
    parts.year = number(0, 4);
    parts.month = number(4, 2);
    parts.day = number(6, 2);
    parts.hour = number(9, 2);
    parts.minute = number(11, 2);
    parts.second = number(13, 2);
    return DateTime::FromParts(parts);
}

std::string NameOfDate(DateTime date) {
    DateTime::Parts parts = date.Split();
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", parts.year, parts.month, parts.day, parts.hour,
                  parts.minute, parts.second);
    return text;
}

// The folder that holds the copies of a version's frames.
std::string FramesFolderOf(const std::string& versionFile) {
    return (fs::path(versionFile).parent_path() / fs::path(versionFile).stem()).string();
}

// Removes an empty folder inside the cache folder; a folder that still holds anything,
// a link, or one outside the cache folder stays.
void RemoveEmptyFolder(const std::string& folder) {
    std::error_code error;
    if (fs::is_symlink(folder, error) || !fs::is_directory(folder, error)) return;
    if (!LiesInside(folder, CurrentCacheFolder())) return;
    if (fs::is_empty(folder, error) && !error) fs::remove(folder, error);
}

void RemoveVersion(InternetHandler& handler, const std::string& versionFile) {
    handler.RemoveFileFromCache(versionFile);
    const std::string frames = FramesFolderOf(versionFile);
    std::error_code error;
    if (fs::is_symlink(frames, error) || !fs::is_directory(frames, error)) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(frames, error))
        handler.RemoveFileFromCache(entry.path().string());
    RemoveEmptyFolder(frames);
}

}  // namespace

std::string HistoryFolder(const std::string& savedFile) {
    if (savedFile.empty()) return {};
    fs::path saved(savedFile);
    return (saved.parent_path() / "History" / saved.stem()).string();
}

std::vector<PageVersion> ListVersions(const std::string& savedFile) {
    std::vector<PageVersion> versions;
    try {
        const std::string folder = HistoryFolder(savedFile);
        std::error_code error;
        if (folder.empty() || !fs::is_directory(folder, error)) return versions;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
            const fs::path& path = entry.path();
            if (path.extension() != kExtension || !entry.is_regular_file(error)) continue;
            std::optional<DateTime> date = DateOfName(path.stem().string());
            if (date) versions.push_back({fs::absolute(path).string(), *date});
        }
        // By date; versions of one second ("-2", "-3", ...) in the order they were kept.
        auto order = [](const PageVersion& v) {
            const std::string stem = fs::path(v.File).stem().string();
            return std::make_tuple(v.Date, stem.size(), stem);
        };
        std::sort(versions.begin(), versions.end(),
                  [&](const PageVersion& a, const PageVersion& b) { return order(a) < order(b); });
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "ListVersions");
        versions.clear();
    }
    return versions;
}

std::string KeepVersion(InternetHandler& handler, const Page& page, int keep, DateTime now) {
    try {
        if (keep <= 0 || handler.LastLiveHTML().empty()) return {};
        std::vector<PageVersion> versions = ListVersions(page.SavedFile());
        if (!versions.empty()) {
            // The newest version kept stands for the saved copy: nothing new, nothing kept.
            std::shared_ptr<html::Document> newest = handler.LightNavigate(versions.back().File);
            if (newest) {
                auto live = html::Document::Parse(handler.LastLiveHTML(), handler.LastLiveURL());
                sorrel::Compare engine;
                engine.SetShowTimeDiff(page.ShowTimeDiff());
                engine.SetShowPics(page.ShowPics());
                engine.SetShowNumbers(page.ShowNumbers());
                const bool changed = page.ElementPath().empty()
                                         ? engine.IsChange(newest, live)
                                         : engine.IsElementChange(newest, live, page.ElementPath());
                if (!changed) return {};
            }
        }
        const std::string folder = HistoryFolder(page.SavedFile());
        const std::string cacheFolder = CurrentCacheFolder();
        if (!LiesInside(page.SavedFile(), cacheFolder))
            throw Failure(Fault::FileAccess, kSource, "Saved copy outside the cache folder: " + page.SavedFile());
        if (!EnsureFolder(folder)) throw Failure(Fault::FileAccess, kSource, "Cannot make " + folder);
        // A second version in the same second comes after every one kept in it: "-2", "-3"...
        const std::string name = NameOfDate(now);
        int number = 1;
        for (const PageVersion& version : versions) {
            const std::string stem = fs::path(version.File).stem().string();
            if (stem.compare(0, name.size(), name) != 0) continue;
            number = std::max(number, stem.size() > name.size() ? std::stoi(stem.substr(name.size() + 1)) + 1 : 2);
        }
        std::string file = folder + "/" + name + (number > 1 ? "-" + std::to_string(number) : "") + kExtension;
        std::error_code error;
        for (int n = number + 1; fs::exists(file, error) || fs::exists(FramesFolderOf(file), error); ++n)
            file = folder + "/" + name + "-" + std::to_string(n) + kExtension;
        auto live = html::Document::Parse(handler.LastLiveHTML(), handler.LastLiveURL());
        if (!handler.SaveVersionToCache(live, file, FramesFolderOf(file))) {
            RemoveVersion(handler, file);
            return {};
        }
        PruneVersions(page.SavedFile(), keep);
        return file;
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "KeepVersion");
        return {};
    }
}

void PruneVersions(const std::string& savedFile, int keep) {
    try {
        std::vector<PageVersion> versions = ListVersions(savedFile);
        InternetHandler handler;
        for (size_t i = 0; i + std::max(keep, 0) < versions.size(); ++i) RemoveVersion(handler, versions[i].File);
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "PruneVersions");
    }
}

void RemoveVersions(const std::string& savedFile) {
    try {
        PruneVersions(savedFile, 0);
        const std::string folder = HistoryFolder(savedFile);
        if (folder.empty()) return;
        RemoveEmptyFolder(folder);
        RemoveEmptyFolder(fs::path(folder).parent_path().string());
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "RemoveVersions");
    }
}

std::string MarkVersion(const std::string& older, const std::string& newer, const MarkOptions& options,
                        VersionChanges* changes) {
    try {
        InternetHandler handler;
        std::shared_ptr<html::Document> original = handler.LightNavigate(older);
        std::shared_ptr<html::Document> updated = handler.LightNavigate(newer);
        if (!original || !updated) return {};
        sorrel::Compare engine;
        engine.SetShowTimeDiff(options.ShowTimeDiff);
        engine.SetShowPics(options.ShowPics);
        engine.SetShowNumbers(options.ShowNumbers);
        std::string marked = engine.GetMarkedHTML(updated, original, options.InsertColor, options.UpdateColor);
        if (changes) {
            *changes = {};
            if (auto script = engine.GetChanges()) {
                for (const sorrel::EditScript& record : *script) {
                    if (record.ActionType() == sorrel::dfInsertNode)
                        ++changes->Inserted;
                    else if (record.ActionType() == sorrel::dfUpdateNode)
                        ++changes->Updated;
                    else
                        ++changes->Removed;
                }
            }
        }
        return marked;
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "MarkVersion");
        return {};
    }
}

int KeepVersionsPreference() {
    try {
        const std::string text =
            INIHandler().ProfileGetItem("Preferences", "KeepVersions", std::to_string(kDefaultKeepVersions),
                                        ConfigFolder() + "/" + settings_text::kINIFileName);
        double number = 0;
        if (!ParseNumber(text, number) || !std::isfinite(number)) return kDefaultKeepVersions;
        return static_cast<int>(std::clamp(std::nearbyint(number), 0.0, double(kMaxKeepVersions)));
    } catch (const std::exception&) {
        return kDefaultKeepVersions;
    }
}

}  // namespace pelmor
