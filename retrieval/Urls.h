// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The text rules behind the URL operations of InternetHandler: guessing a missing
// protocol, the host of a URL, resolving a relative URL and the number that names a saved
// copy. Pure functions over libcurl's URL parser; they throw pelmor::Failure on failure
// and leave logging to InternetHandler.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pelmor::tamsin {

// `url` with "http://" (or "ftp://" for a host starting "ftp.") put in front when it names
// no scheme of its own; "host:port/..." counts as having none. Text that cannot be read as
// a URL, a local path ("/...") and text with a scheme come back unchanged.
std::string GuessProtocol(std::string_view url);

// `text` as an address a page may hold: trimmed, with a protocol guessed as
// GuessProtocol does, and only an http, https or ftp address with a host and no white
// space or control character in it. Empty when the text is no such address.
std::string WebAddress(std::string_view text);

// The host name of `url`, without a leading "www." in any case; nullopt-like "" plus
// false when the URL has no host (the caller then uses the URL itself).
bool HostOf(std::string_view url, std::string& host);

// `relative` resolved against `base`, with unsafe characters escaped. A relative part
// with a scheme of its own comes back unchanged unless it needs escaping; a base that is
// a local path is read as its file: URL. Throws Failure (E_FAIL) when the two cannot be
// combined (no usable base for a relative part).
std::string CombineUrls(std::string_view base, std::string_view relative);

// The running sum over the Windows-1252 codes of `url`'s characters, each weighted by its
// 1-based position, plus a clock salt per character: `salt()` is called afresh for every
// character and gives whole seconds since midnight modulo 100. A 32-bit overflow reduces
// the sum modulo 100000 and computes the same character again; an overflow that no
// reduction can cure throws Failure (6, overflow) with the sum reached so far in `sum`.
int32_t FileNumber(std::string_view url, const std::function<int()>& salt, int32_t& sum);

// Seconds since local midnight rounded to a whole number (ties to even), modulo 100.
int ClockSalt();

}  // namespace pelmor::tamsin
