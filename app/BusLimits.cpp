// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BusLimits.h"

namespace pelmor::shell {

QString Quoted(const QString& argument) {
    if (argument.size() <= kMaxQuotedCharacters) return argument;
    qsizetype cut = kMaxQuotedCharacters;
    if (argument.at(cut - 1).isHighSurrogate()) --cut;  // whole characters
    return argument.left(cut) + QStringLiteral("...");
}

std::optional<QString> TooLong(const QString& what, const QString& value, qsizetype maxBytes) {
    // UTF-8 never takes fewer bytes than UTF-16 takes code units: a long text is refused
    // without converting it.
    const qsizetype bytes = value.size() > maxBytes ? value.size() : value.toUtf8().size();
    if (bytes <= maxBytes) return std::nullopt;
    return QStringLiteral("%1 is too long: %2 bytes or more, at most %3 are taken")
        .arg(what)
        .arg(bytes)
        .arg(maxBytes);
}

}  // namespace pelmor::shell
