// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferences/LibraryLog.h"

#include "platform/log/Log.h"

namespace pelmor::tamsin {

void OpenLibraryLog() noexcept {
    thread_local bool opened = false;
    if (opened) return;
    opened = true;
    log::OpenLog(log::File::Helper);
}

void LogFailure(const std::exception& error, const char* source, std::string_view param) noexcept {
    log::LogLibraryError(log::File::Helper, FailureOf(error, source), param);
}

}  // namespace pelmor::tamsin
