// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The checker program's side of the line protocol: requests in, events out, through a
// worker pool. A line that is no request is logged to the program log ("Pelmor.log") as
// an error record and skipped; nothing a line holds ends the session except StopChecking.

#include <functional>
#include <istream>
#include <string>
#include <string_view>

#include "updater/CheckerPool.h"

namespace pelmor::updater {

class Session {
public:
    // `writeLine` receives each event as one line without the line feed, one at a time.
    Session(CheckFunction check, std::function<void(const std::string&)> writeLine, PoolOptions options = {});

    // Handles one request line (a trailing CR is ignored, blank lines are skipped).
    // False once StopChecking was read: the pool is stopped and no event follows.
    bool HandleLine(std::string_view line);
    // Reads request lines from `in` and handles them until StopChecking or the end of the
    // input. A line longer than kMaxRequestBytes is never held whole: it is logged (its
    // first 200 bytes) and skipped.
    void Serve(std::istream& in);

private:
    CheckerPool pool_;
};

// The longest request line the checker reads.
inline constexpr size_t kMaxRequestBytes = 4u * 1024u * 1024u;

// The text logged for a malformed line: the reason and the line's first 200 bytes.
std::string MalformedLineText(std::string_view reason, std::string_view line);

}  // namespace pelmor::updater
