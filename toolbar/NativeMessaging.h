// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The browsers' native-messaging protocol for the "Watch this page" button: each message
// is a 32-bit length in the machine's byte order followed by that many bytes of UTF-8
// JSON, on standard input (requests) and standard output (answers).
//
// Requests: {"command": "running"}, {"command": "folders"}, {"command": "open"} and
// {"command": "add", "url": U, "title": T, "folder": KEY}. Every answer carries "ok" and,
// when it is false, "error" with a message for the user.

#include <QByteArray>
#include <QJsonObject>
#include <cstdio>
#include <optional>

namespace pelmor::toolbar {

class Client;

// The largest request accepted; browsers send far smaller ones.
inline constexpr quint32 kMaxRequestBytes = 1024 * 1024;

// Reads one framed message; nullopt at the end of the input or on a broken frame.
std::optional<QByteArray> ReadMessage(std::FILE* in);
// Writes one framed message and flushes.
bool WriteMessage(std::FILE* out, const QByteArray& json);

// The answer to one request.
QJsonObject Answer(Client& client, const QByteArray& request);

// Serves requests until the browser closes the input; the exit code.
int ServeNativeMessaging(Client& client, std::FILE* in, std::FILE* out);

}  // namespace pelmor::toolbar
