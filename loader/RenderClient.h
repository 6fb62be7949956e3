// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The loader's side of the script-running helper pelmor-render. One helper serves the
// whole process: it is started on the first load that needs it and kept running; loads
// from several threads share it. A helper that crashes, hangs past a load's time-out or
// garbles its answers is killed; the loads it had in hand fail and the next load starts a
// fresh one.

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

enum class RenderStatus {
    Loaded,      // the document (and its frames) came back
    TimedOut,    // the load did not settle by the deadline
    Failed,      // the page did not load, or the helper died during the load
    Unavailable  // there is no helper to run scripts (not installed, or it cannot start)
};

// Loads an http or https address with its scripts run and hands back the settled page,
// parsed, with its same-origin frames attached to its frame windows and other frames
// inaccessible. `error` tells why anything but Loaded came back.
RenderStatus LoadRendered(const std::string& url, const RenderOptions& options,
                          std::chrono::steady_clock::time_point deadline, std::shared_ptr<html::Document>& document,
                          std::string& error);

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
