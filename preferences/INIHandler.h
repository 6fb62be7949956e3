// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads and writes single keys of a private-profile (INI) file. Unlike the other public
// classes of this library, its operations pass their failures (pelmor::Failure) on to the
// caller without logging them: the caller decides what a failed read or write means.

#include <string>
#include <string_view>

namespace pelmor {

class INIHandler {
public:
    // The first object of the library created on a thread opens PelmorHelper.log.
    INIHandler();

    // Creates, or replaces the value of, the key; creates the file and the section when
    // they are missing. Throws Failure when the file cannot be written.
    void ProfileSaveItem(std::string_view lpSectionName, std::string_view lpKeyName, std::string_view lpValue,
                         const std::string& INIFile) const;
    // The key's value, at most 2047 characters; `defaultValue` (cut the same way) when the
    // file, section or key is missing; "" for a key present with an empty value. Throws
    // Failure when the file exists but cannot be read.
    std::string ProfileGetItem(std::string_view lpSectionName, std::string_view lpKeyName,
                               std::string_view defaultValue, const std::string& INIFile) const;
    // Removes the key; nothing happens when it is missing. Throws Failure.
    void ProfileDeleteItem(std::string_view lpSectionName, std::string_view lpKeyName,
                           const std::string& INIFile) const;
    // Removes the section with all its lines; nothing happens when it is missing. Throws
    // Failure.
    void ProfileDeleteSection(std::string_view lpSectionName, const std::string& INIFile) const;
};

}  // namespace pelmor
