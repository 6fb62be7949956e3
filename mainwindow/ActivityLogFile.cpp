// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ActivityLogFile.h"

#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"
#include "platform/log/Log.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

constexpr int kColumns = 3;

// The picture key of a row: rows show either a page or a folder.
QString PictureOf(const QTreeWidgetItem& row) {
    static const QImage folder = shell::TreePicture(QStringLiteral("Folder")).toImage();
    const QIcon icon = row.icon(0);
    if (icon.isNull()) return {};
    return icon.pixmap(folder.size()).toImage() == folder ? QStringLiteral("Folder") : QStringLiteral("Page");
}

}  // namespace

ActivityLogFile::ActivityLogFile(QTreeWidget* log, QString path, QObject* parent)
    : QObject(parent), log_(log), path_(std::move(path)), timer_(new QTimer(this)) {
    Load(*log_, path_);
    timer_->setSingleShot(true);
    timer_->setInterval(kSaveDelayMs);
    connect(timer_, &QTimer::timeout, this, [this] { Save(*log_, path_); });
    auto later = [this] { timer_->start(); };
    QAbstractItemModel* model = log_->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, later);
    connect(model, &QAbstractItemModel::rowsRemoved, this, later);
    connect(model, &QAbstractItemModel::dataChanged, this, later);
}

void ActivityLogFile::Flush() {
    if (!timer_->isActive()) return;
    timer_->stop();
    Save(*log_, path_);
}

bool ActivityLogFile::Save(const QTreeWidget& log, const QString& path) {
    QJsonArray rows;
    const int count = log.topLevelItemCount();
    for (int i = std::max(0, count - kMaxRows); i < count; ++i) {
        const QTreeWidgetItem* row = log.topLevelItem(i);
        QJsonArray texts;
        for (int column = 0; column < kColumns; ++column) texts.append(row->text(column));
        QJsonObject entry{{"texts", texts}, {"picture", PictureOf(*row)}};
        if (row->foreground(0).style() != Qt::NoBrush) entry["color"] = row->foreground(0).color().name();
        if (row->font(0).bold()) entry["bold"] = true;
        if (!row->toolTip(1).isEmpty()) entry["tip"] = row->toolTip(1);
        rows.append(entry);
    }
    try {
        const std::string file = path.toStdString();
        EnsureFolder(std::filesystem::path(file).parent_path().string());
        WriteFileAtomically(file, QJsonDocument(rows).toJson(QJsonDocument::Compact).toStdString());
        return true;
    } catch (...) {
        log::LogProgramError(CurrentFailure("Pelmor"), "ActivityLogFile");
        return false;
    }
}

void ActivityLogFile::Load(QTreeWidget& log, const QString& path) {
    std::string bytes;
    try {
        bytes = ReadWholeFile(path.toStdString());
    } catch (...) {
        return;
    }
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(bytes)).array();
    for (qsizetype i = std::max<qsizetype>(0, rows.size() - kMaxRows); i < rows.size(); ++i) {
        const QJsonObject entry = rows[i].toObject();
        const QJsonArray texts = entry["texts"].toArray();
        if (texts.size() != kColumns) continue;
        auto* row = new QTreeWidgetItem(&log);
        for (int column = 0; column < kColumns; ++column) row->setText(column, texts[column].toString());
        const QString picture = entry["picture"].toString();
        if (!picture.isEmpty()) row->setIcon(0, shell::TreePicture(picture));
        const QColor color(entry["color"].toString());
        for (int column = 0; column < kColumns; ++column) {
            if (color.isValid()) row->setForeground(column, color);
            if (entry["bold"].toBool()) {
                QFont font = row->font(column);
                font.setBold(true);
                row->setFont(column, font);
            }
        }
        if (entry.contains("tip")) row->setToolTip(1, entry["tip"].toString());
    }
    if (log.topLevelItemCount() > 0) log.scrollToItem(log.topLevelItem(log.topLevelItemCount() - 1));
}

QString ActivityLogFile::DefaultPath() { return QString::fromStdString(DataFolder() + "/Activity.json"); }

}  // namespace pelmor::mainwindow
