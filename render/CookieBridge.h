// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keeps the cookie store of a WebEngine profile in step with the program's cookie jar
// file (loader/CookieFile.h): the store takes what changed in the file whenever Sync is
// called, and the cookies that pages set or remove go back into the file shortly after,
// or at once with Flush. Used by the script-running helper and by any browser window of
// the program, so that a consent or log-in done in one carries over to the others.

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <string>
#include <vector>

#include "loader/CookieFile.h"

class QNetworkCookie;
class QWebEngineCookieStore;
class QWebEngineProfile;

namespace pelmor::render {

class CookieBridge : public QObject {
public:
    explicit CookieBridge(QWebEngineCookieStore* store, QObject* parent = nullptr);
    // Makes the store hold the cookies of the jar at `path` ("" for no jar); a store that
    // followed another jar before forgets that one's cookies.
    void Sync(const std::string& path);
    // Writes the changes the pages made into the jar.
    void Flush();

private:
    void Added(const QNetworkCookie& cookie);
    void Removed(const QNetworkCookie& cookie);

    QWebEngineCookieStore* store_;
    std::string jar_;
    long long stamp_ = -1;           // modification time and size of the jar when last read
    QHash<QString, QString> known_;  // key: line of each cookie the store holds, as far as we know
    std::vector<quillon::CookieChange> pending_;
    QTimer flushTimer_;
};

// Makes `profile` share the program's cookie jar from now on and takes in the jar's
// newest content; one bridge per profile, which belongs to the profile.
CookieBridge* ShareCookieJar(QWebEngineProfile* profile);

}  // namespace pelmor::render
