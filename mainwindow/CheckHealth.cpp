// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/CheckHealth.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "mainwindow/PageCollection.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

namespace pelmor::mainwindow {

namespace {
// A file larger than this is no file of ours.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

std::string CheckHealthFile(const std::string& xmlFile) { return xmlFile + ".checks"; }

bool SaveCheckHealth(const std::string& file, const std::vector<std::shared_ptr<Page>>& pages) {
    QJsonArray records;
    for (const auto& page : pages) {
        if (!page || page->LastFailure().empty()) continue;
        records.append(QJsonObject{{"Key", Q(page->Key())},
                                   {"URL", Q(page->URL())},
                                   {"Failing", page->Failing()},
                                   {"Reason", Q(page->LastFailure())},
                                   {"Date", page->LastFailureDate().Days()},
                                   {"FailedChecks", page->FailedChecks()}});
    }
    try {
        WriteFileAtomically(
            file, QJsonDocument(QJsonObject{{"pages", records}}).toJson(QJsonDocument::Compact).toStdString());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int LoadCheckHealth(const std::string& file, const PageCollection& pages) {
    QFile in(Q(file));
    if (!in.open(QIODevice::ReadOnly) || in.size() > kMaxFileBytes) return 0;
    const QJsonArray records = QJsonDocument::fromJson(in.readAll()).object().value("pages").toArray();
    int restored = 0;
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        std::shared_ptr<Page> page = pages.Find(record.value("Key").toString().toStdString());
        // A key now used by another page is not that page's record.
        if (!page || !EqualsNoCase(page->URL(), record.value("URL").toString().toStdString())) continue;
        const std::string reason = record.value("Reason").toString().toStdString();
        if (reason.empty()) continue;
        page->RestoreCheckOutcome(record.value("Failing").toBool(), reason, DateTime(record.value("Date").toDouble()),
                                  record.value("FailedChecks").toInt());
        ++restored;
    }
    return restored;
}

}  // namespace pelmor::mainwindow
