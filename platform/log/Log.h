// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The three log files in the data folder: "Pelmor.log" (the program), "PelmorCompare.log"
// (the comparison engine) and "PelmorHelper.log" (page retrieval and preferences).
//
// Each entry is a kind marker ("Information:" or "Error:") followed by the entry text and
// a line feed. Every append opens the file, writes the whole entry in one write and closes
// it again, under a lock: entries from several threads never interleave, and entries from
// several processes (the program and its checker) stay whole.

#include <string>
#include <string_view>

#include "platform/core/Failure.h"

namespace pelmor::log {

enum class Kind { Information, Error };

enum class File { Program, Compare, Helper };

// Turns writing to the log files on or off for the whole process (on by default). While
// off, appends and opens do nothing and create no file or folder.
void SetFilesEnabled(bool enabled) noexcept;

// Full path of a log file in the current data folder.
std::string PathOf(File file);

// Appends one entry; the data folder is created when missing. Throws Failure when the
// file cannot be written.
void Append(File file, Kind kind, std::string_view text);

// Every log keeps to one size rule: when it is opened, one larger than 1,000,000 bytes is
// deleted; while open, one that grew past twice that is emptied before the next entry. An
// entry text longer than 4,096 bytes is cut.

// Opens a log: applies the size rule and creates the file (and the data folder) when
// missing. Writes nothing and never throws.
void OpenLog(File file) noexcept;

// Opens the program log: deletes it when it is larger than 1,000,000 bytes, then appends
// "Started logging - " with the current date-time and a CR. Throws Failure.
void StartLog();

// Appends the information entry CR LF "Time: " now CR LF text CR to the program log.
// Progress entries are best effort: a log that cannot be written loses the entry, and
// nothing is thrown.
void WriteLog(std::string_view text) noexcept;

// The error record of a failure: CR LF "Time: " ..., "Number: ", "Source: ",
// "Description: ", and, when `param` is not empty, CR LF and `param` (the program's form)
// or CR LF "Param: " and `param` (the libraries' form).
std::string ErrorRecord(const Failure& failure, std::string_view param, bool libraryForm);

// Appends a failure's record (library form, with one CR in front) to a library log as an
// error entry. Never throws: a log that cannot be written loses the record.
void LogLibraryError(File file, const Failure& failure, std::string_view param);

// Appends a failure's record (program form, with one CR in front) to the program log as
// an error entry. Never throws.
void LogProgramError(const Failure& failure, std::string_view param);

}  // namespace pelmor::log
