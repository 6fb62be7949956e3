// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/SoftwareUpdate.h"

#include <cctype>
#include <exception>

#include "loader/LightWebBrowser.h"
#include "platform/html/Html.h"
#include "platform/ini/Ini.h"

namespace pelmor::mainwindow {
namespace {

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

std::optional<long> Number(const std::string& part) {
    std::string digits = Trim(part);
    size_t length = 0;
    while (length < digits.size() && std::isdigit(static_cast<unsigned char>(digits[length]))) ++length;
    if (length == 0 || length > 9) return std::nullopt;
    return std::stol(digits.substr(0, length));
}

}  // namespace

std::optional<ProgramVersion> ParseVersion(const std::string& text) {
    size_t first = text.find('.');
    if (first == std::string::npos) return std::nullopt;
    size_t second = text.find('.', first + 1);
    if (second == std::string::npos) return std::nullopt;
    auto major = Number(text.substr(0, first));
    auto minor = Number(text.substr(first + 1, second - first - 1));
    auto revision = Number(text.substr(second + 1));
    if (!major || !minor || !revision) return std::nullopt;
    return ProgramVersion{*major, *minor, *revision};
}

std::string UpdateServer(const std::string& iniFile) {
    try {
        std::string server = Trim(ini::Document::Load(iniFile).Find("Locations", "UpdateServer").value_or(""));
        // Only a web server: the address must never name a local file.
        std::string lower;
        for (char c : server) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0) return "";
        if (server.back() != '/') server += '/';
        return server;
    } catch (const std::exception&) {
        return "";
    }
}

std::string VersionFileURL(const std::string& server) { return server + "admin/version.txt"; }

std::string InstallerURL(const std::string& server) { return server + "Secured/softw1.1/Pelmor-setup.exe"; }

UpdateAnswer CheckServerVersion(const std::string& server, const ProgramVersion& running) {
    if (server.empty()) return UpdateAnswer::Unknown;
    try {
        // The version file is read as text: nothing on it runs, and no frame or refresh
        // of it is followed.
        LightWebBrowser browser;
        browser.SetDownloadFrames(false);
        browser.SetIgnoreProxyCache(true);
        browser.SetResynchronize(true);
        std::shared_ptr<html::Document> document;
        const std::string url = VersionFileURL(server);
        if (browser.navigate(url, url, document) != quillon::LoadStatus::Ok || !document) return UpdateAnswer::Unknown;
        std::optional<ProgramVersion> offered = ParseVersion(document->body().innerText());
        if (!offered) return UpdateAnswer::Unknown;
        return *offered > running ? UpdateAnswer::Newer : UpdateAnswer::Current;
    } catch (const std::exception&) {
        return UpdateAnswer::Unknown;
    }
}

}  // namespace pelmor::mainwindow
