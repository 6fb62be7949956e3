// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// UTF-16 little-endian text files with a byte-order mark, as the page cache stores them,
// and the reading of HTML files whose encoding is told by their first bytes.

#include <string>
#include <string_view>

namespace pelmor::text {

// UTF-8 text of UTF-16 LE bytes (without BOM); an unpaired surrogate becomes U+FFFD and a
// trailing odd byte is dropped.
std::string DecodeUtf16Le(std::string_view bytes);
// UTF-16 LE bytes of a UTF-8 text, with the BOM FF FE in front.
std::string EncodeUtf16LeWithBom(std::string_view utf8);

// UTF-8 text of a file's bytes: a UTF-16 LE BOM (FF FE) or BE BOM (FE FF) selects UTF-16,
// a UTF-8 BOM is dropped, anything else is taken as UTF-8 as it is.
std::string DecodeFileText(std::string_view bytes);

}  // namespace pelmor::text
