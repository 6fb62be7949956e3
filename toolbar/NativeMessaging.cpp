// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbar/NativeMessaging.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>

#include "toolbar/Client.h"

namespace pelmor::toolbar {
namespace {

QJsonObject Failure(const QString& message) { return {{"ok", false}, {"error", message}}; }

QJsonObject FromOutcome(const Outcome& outcome) {
    if (outcome.ok()) return {{"ok", true}};
    QJsonObject answer = Failure(outcome.message);
    answer.insert("running", outcome.kind != Outcome::NotRunning);
    return answer;
}

}  // namespace

std::optional<QByteArray> ReadMessage(std::FILE* in) {
    quint32 length = 0;
    if (std::fread(&length, sizeof length, 1, in) != 1) return std::nullopt;
    if (length > kMaxRequestBytes) return std::nullopt;
    QByteArray body(static_cast<qsizetype>(length), Qt::Uninitialized);
    if (length > 0 && std::fread(body.data(), 1, length, in) != length) return std::nullopt;
    return body;
}

bool WriteMessage(std::FILE* out, const QByteArray& json) {
    const quint32 length = static_cast<quint32>(json.size());
    return std::fwrite(&length, sizeof length, 1, out) == 1 &&
           std::fwrite(json.constData(), 1, json.size(), out) == static_cast<size_t>(json.size()) &&
           std::fflush(out) == 0;
}

QJsonObject Answer(Client& client, const QByteArray& request) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request, &error);
    if (!document.isObject()) return Failure(QStringLiteral("The request is not a JSON object"));
    const QJsonObject message = document.object();
    const QString command = message.value("command").toString();

    if (command == QLatin1String("running")) {
        const Outcome outcome = client.Running();
        return {{"ok", true}, {"running", outcome.ok()}};
    }
    if (command == QLatin1String("open")) {
        Outcome outcome = client.Running();
        outcome = outcome.ok() ? client.Open() : client.Start();
        return FromOutcome(outcome);
    }
    if (command == QLatin1String("folders")) {
        QList<QVariantMap> items;
        const Outcome outcome = client.List(items);
        if (!outcome.ok()) return FromOutcome(outcome);
        QJsonArray folders{QJsonObject{{"key", ""}, {"name", "URL List"}, {"level", 0}}};
        for (const QVariantMap& item : items) {
            if (item.value("Kind").toString() != QLatin1String("Folder")) continue;
            folders.append(QJsonObject{{"key", item.value("Key").toString()},
                                       {"name", item.value("Name").toString()},
                                       {"level", item.value("Level").toInt() + 1}});
        }
        return {{"ok", true}, {"folders", folders}};
    }
    if (command == QLatin1String("add")) {
        const QString url = message.value("url").toString();
        if (url.trimmed().isEmpty()) return Failure(QStringLiteral("The tab has no address"));
        QString key;
        const Outcome outcome =
            client.Add(url, message.value("folder").toString(), message.value("title").toString().trimmed(), key);
        if (!outcome.ok()) return FromOutcome(outcome);
        return {{"ok", true}, {"key", key}};
    }
    return Failure(QStringLiteral("Unknown command: %1").arg(command));
}

int ServeNativeMessaging(Client& client, std::FILE* in, std::FILE* out) {
    while (std::optional<QByteArray> request = ReadMessage(in)) {
        const QByteArray answer = QJsonDocument(Answer(client, *request)).toJson(QJsonDocument::Compact);
        if (!WriteMessage(out, answer)) return 1;
    }
    return 0;
}

}  // namespace pelmor::toolbar
