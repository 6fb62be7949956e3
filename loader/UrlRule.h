// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one rule for every address a page leads to (a redirection, a META refresh, a
// frame, a BASE, a script's navigation): the network only through http, https and ftp,
// and a local file only from a local file of the same folder. A page from the network
// thus never reaches a file of this machine or a local service, and a saved copy reads
// only the frame copies saved beside it.

#include <string>
#include <string_view>

namespace pelmor::quillon {

// True for an http, https or ftp URL (any letter case); false for every other scheme and
// for text without one.
bool IsWebUrl(std::string_view url);

// Whether a document at `fromUrl` may load `toUrl`: any web URL (IsWebUrl) and
// "about:blank"; a file: URL
// (or an absolute path) only when `fromUrl` is a local file too and the target, with
// ".." and links resolved, lies in the folder of `fromUrl` or below it. False for
// anything else, and for text that is no URL.
bool MayLeadTo(std::string_view fromUrl, std::string_view toUrl);

// Why MayLeadTo refused, for a log line: "`toUrl` refused from `fromUrl`", both cut to a
// readable length.
std::string RefusalText(std::string_view fromUrl, std::string_view toUrl);

}  // namespace pelmor::quillon
