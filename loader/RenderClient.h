// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The loader's side of the script-running helper pelmor-render. One helper serves the
// whole process: it is started on the first load that needs it and kept running; loads
// from several threads share it, at most RenderSlots() at once. A load whose deadline
// passes ends alone; only a helper that garbles its answers, takes no requests, or says
// nothing for seconds while loads are past their deadline is killed. When the helper is
// gone the loads it had in hand fail (Unavailable) and the next load starts a fresh one.

#include <chrono>
#include <memory>
#include <string>

namespace pelmor::html {
class Document;
}

namespace pelmor::quillon {

struct RenderOptions {
    bool images = false;   // pictures, media and fonts may be fetched
    bool frames = true;    // frames are loaded (same-origin ones come back readable)
    bool noCache = false;  // caches are bypassed
    // The page as the direct road already fetched it (UTF-8) from the address given, its
    // final one: the helper runs it there rather than fetching it again. "" to fetch.
    std::string html;
};

// What came back besides the document.
struct RenderResult {
    std::string error;       // why anything but Loaded came back
    std::string navigation;  // where the page asked to go (refresh, script, new window); "" for nowhere
};

enum class RenderStatus {
    Loaded,      // the document (and its frames) came back
    TimedOut,    // the load did not settle by the deadline
    Failed,      // the page did not load
    Unavailable  // no helper ran the page: it is not installed, cannot start, rests after
                 // repeated crashes, or ended during the load
};

// Loads an http or https address with its scripts run and hands back the settled page,
// parsed, with its same-origin frames attached to its frame windows and other frames
// inaccessible. The page waits for its turn first (RenderSlots); the time it waited is
// added to `deadline` and to the thread's deadline while the page renders and is parsed.
RenderStatus LoadRendered(const std::string& url, const RenderOptions& options,
                          std::chrono::steady_clock::time_point deadline, std::shared_ptr<html::Document>& document,
                          RenderResult& result);

// How many pages one process renders at once: one per core, or $PELMOR_RENDER_SLOTS.
int RenderSlots();

// True when the page holds anything a browser would run: a SCRIPT element of a script
// type, an event-handler attribute, a "javascript:" address or an inline frame document.
bool CanRunScript(const html::Document& document);

// Empties every NOSCRIPT element, as a browser that runs scripts parses them: their
// content is never part of such a page (and a refresh inside is never followed).
void DropNoscriptContent(html::Document& document);

// Path of the helper program: $PELMOR_RENDER when set, else pelmor-render beside the
// running program or in the bin folder beside this library; "" when there is none.
std::string RendererProgram();

// Process id of the running helper; -1 when none runs. For tests and measurements.
long RendererProcessId();

}  // namespace pelmor::quillon
