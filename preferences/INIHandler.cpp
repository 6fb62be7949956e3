// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferences/INIHandler.h"

#include "platform/ini/Ini.h"
#include "preferences/LibraryLog.h"

namespace pelmor {
namespace {

// Size of the buffer values are read into, the terminating character included.
constexpr size_t kValueBuffer = 2048;

}  // namespace

INIHandler::INIHandler() { tamsin::OpenLibraryLog(); }

void INIHandler::ProfileSaveItem(std::string_view lpSectionName, std::string_view lpKeyName, std::string_view lpValue,
                                 const std::string& INIFile) const {
    ini::WritePrivateProfileString(lpSectionName, lpKeyName, lpValue, INIFile);
}

std::string INIHandler::ProfileGetItem(std::string_view lpSectionName, std::string_view lpKeyName,
                                       std::string_view defaultValue, const std::string& INIFile) const {
    return ini::GetPrivateProfileString(lpSectionName, lpKeyName, defaultValue, INIFile, kValueBuffer);
}

void INIHandler::ProfileDeleteItem(std::string_view lpSectionName, std::string_view lpKeyName,
                                   const std::string& INIFile) const {
    ini::WritePrivateProfileString(lpSectionName, lpKeyName, std::nullopt, INIFile);
}

void INIHandler::ProfileDeleteSection(std::string_view lpSectionName, const std::string& INIFile) const {
    ini::WritePrivateProfileString(lpSectionName, std::nullopt, std::nullopt, INIFile);
}

}  // namespace pelmor
