// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Size limits of the texts that bus clients hand to the program, and how a refused or
// quoted argument is shown: a client's text is never echoed back whole.

#include <QString>
#include <optional>

namespace pelmor::shell {

inline constexpr qsizetype kMaxAddressBytes = 8 * 1024;      // web addresses
inline constexpr qsizetype kMaxTextBytes = 4 * 1024;         // names, descriptions, element paths
inline constexpr qsizetype kMaxKeyBytes = 64 * 1024;         // item keys: folder names and an address joined
inline constexpr qsizetype kMaxQuotedCharacters = 80;        // of an argument quoted in an error

// The argument as an error message may quote it: cut to kMaxQuotedCharacters with "...".
QString Quoted(const QString& argument);

// Why `value` (named `what`, e.g. "The address") is refused as longer than `maxBytes` bytes
// of UTF-8; nullopt when it fits.
std::optional<QString> TooLong(const QString& what, const QString& value, qsizetype maxBytes);

}  // namespace pelmor::shell
