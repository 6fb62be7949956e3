// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The library's log "PelmorHelper.log" (internal to the library).

#include <exception>
#include <string_view>

namespace pelmor::tamsin {

// Opens the log for appending, creating it and the data folder when missing, the first
// time an object of the library is created on the calling thread; later calls on that
// thread do nothing. Writes nothing and never throws: a log that cannot be opened is
// tried again when a record is appended.
void OpenLibraryLog() noexcept;

// Appends the exception to the log as an error record: a Failure as it is, anything else
// under `source`, with `param` as the record's parameter. Never throws.
void LogFailure(const std::exception& error, const char* source, std::string_view param) noexcept;

}  // namespace pelmor::tamsin
