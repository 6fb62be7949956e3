// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The client side of Pelmor's toolbar connection on the D-Bus session bus, as a browser
// toolbar uses it: is Pelmor running, its item tree, adding a page, reloading the tree and
// bringing the window up. Calls never start Pelmor by themselves.

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace pelmor::toolbar {

// How a call ended: Ok, or why not, with a message for the user.
struct Outcome {
    enum Kind { Ok, NotRunning, Failed } kind = Ok;
    QString message;
    bool ok() const { return kind == Ok; }
};

class Client {
public:
    explicit Client(QDBusConnection connection = QDBusConnection::sessionBus());

    // Ok when the program runs with its window; NotRunning when nobody serves the
    // connection, or only a start for the toolbar does.
    Outcome Running();
    // Brings the running program's window up, passing on the activation token this
    // process was started with.
    Outcome Open();
    // Checks every active page now ("" ), or the page or folder of `key`.
    Outcome Check(const QString& key);
    // Starts the program (the `pelmor` beside this client, else the one on PATH) and
    // waits up to `timeoutMs` until it runs.
    Outcome Start(int timeoutMs = 30000);
    // The tree as /Application's ListItems gives it.
    Outcome List(QList<QVariantMap>& items);
    // Adds a page to the folder of `folderKey` ("" for the root); `key` gets its key.
    Outcome Add(const QString& url, const QString& folderKey, const QString& description, QString& key);
    // Makes the window reload its tree from the profile.
    Outcome Reload();

private:
    Outcome Call(const QString& path, const QString& interface, const QString& method, const QVariantList& args,
                 QList<QVariant>* results = nullptr, int timeoutMs = 25000);

    QDBusConnection connection_;
};

}  // namespace pelmor::toolbar
