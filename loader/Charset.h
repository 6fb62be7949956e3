// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turning the bytes of a fetched page or file into UTF-8 text.

#include <string>
#include <string_view>

namespace pelmor::quillon {

// The encoding a page's bytes are in, chosen the way browsers do: a byte-order mark first,
// then the charset of the HTTP Content-Type header (`headerCharset`, may be empty), then a
// META charset declaration near the top of the page (skipped when `useMeta` is false);
// failing all three, UTF-8 when the bytes are valid UTF-8 and Windows-1252 otherwise.
// Labels are mapped as browsers map them, to the superset they decode with ("gb2312" to
// GB18030, "euc-kr" to windows-949, "shift_jis" to windows-31j, "iso-8859-1" to
// windows-1252); a label browsers do not know is passed over. Never fails.
std::string DetectCharset(std::string_view bytes, std::string_view headerCharset, bool useMeta);

// The charset parameter of a Content-Type value ("text/html; charset=ISO-8859-1" gives
// "ISO-8859-1"); "" when there is none.
std::string ContentTypeCharset(std::string_view contentType);

// The charset named by a META tag among the first few kilobytes of `bytes` (either
// <meta charset=...> or <meta http-equiv="Content-Type" content="...; charset=...">);
// "" when there is none.
std::string MetaCharset(std::string_view bytes);

// `bytes` in the encoding `charset` (as DetectCharset gives it) converted to UTF-8, with a
// byte-order mark dropped. Bytes that are invalid in that encoding become U+FFFD; an
// encoding iconv does not know is read as Windows-1252. Never fails.
std::string ToUtf8(std::string_view bytes, const std::string& charset);

// Shorthand for ToUtf8(bytes, DetectCharset(bytes, headerCharset, useMeta)).
std::string DecodePage(std::string_view bytes, std::string_view headerCharset, bool useMeta);

}  // namespace pelmor::quillon
