// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The activity log kept across starts: its rows (at most the newest kMaxRows) are written
// to "Activity.json" in the data folder a moment after they change, and at unload, and
// read back when the window starts.

#include <QObject>
#include <QString>

class QTimer;
class QTreeWidget;

namespace pelmor::mainwindow {

class ActivityLogFile : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 1000;
    static constexpr int kSaveDelayMs = 1000;

    // Reads the rows of `path` into `log` (after any it holds) and keeps the file up to
    // date with the log from then on. `log` must outlive this object.
    ActivityLogFile(QTreeWidget* log, QString path, QObject* parent = nullptr);

    // Writes a pending change now.
    void Flush();
    // Writes the log's newest kMaxRows rows to `path` atomically; false (logged) when the
    // file cannot be written.
    static bool Save(const QTreeWidget& log, const QString& path);
    // Adds the rows `path` holds to `log`; rows that cannot be read are skipped, a missing
    // or unreadable file adds none.
    static void Load(QTreeWidget& log, const QString& path);
    // "Activity.json" in the data folder.
    static QString DefaultPath();

private:
    QTreeWidget* log_;
    QString path_;
    QTimer* timer_;
};

}  // namespace pelmor::mainwindow
