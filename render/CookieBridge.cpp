// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/CookieBridge.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QSet>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <sys/stat.h>

namespace pelmor::render {
namespace {

// Identity of the jar's current content: it is always replaced whole, so a new file, a
// new time of change or a new size means new content; 0 when there is no jar.
long long FileStamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    unsigned long long h = static_cast<unsigned long long>(st.st_ino);
    for (unsigned long long part : {static_cast<unsigned long long>(st.st_mtim.tv_sec),
                                    static_cast<unsigned long long>(st.st_mtim.tv_nsec),
                                    static_cast<unsigned long long>(st.st_size)})
        h = h * 1000003ull ^ part;
    return static_cast<long long>(h | 1);
}

quillon::Cookie FromQt(const QNetworkCookie& cookie) {
    quillon::Cookie out;
    out.domain = cookie.domain().toStdString();
    out.includeSubdomains = out.domain.size() > 0 && out.domain[0] == '.';
    out.path = cookie.path().isEmpty() ? "/" : cookie.path().toStdString();
    out.secure = cookie.isSecure();
    out.expires = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
    if (!cookie.isSessionCookie() && out.expires == 0) out.expires = 1;  // expired at the epoch
    out.name = cookie.name().toStdString();
    out.value = cookie.value().toStdString();
    out.httpOnly = cookie.isHttpOnly();
    return out;
}

QString LineOf(const quillon::Cookie& cookie) { return QString::fromStdString(quillon::CookieLine(cookie)); }
QString KeyOf(const quillon::Cookie& cookie) { return QString::fromStdString(cookie.Key()); }

}  // namespace



CookieBridge::CookieBridge(QWebEngineCookieStore* store, QObject* parent) : QObject(parent), store_(store) {
    connect(store_, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie& c) { Added(c); });
    connect(store_, &QWebEngineCookieStore::cookieRemoved, this, [this](const QNetworkCookie& c) { Removed(c); });
    store_->loadAllCookies();
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(300);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { Flush(); });
}

void CookieBridge::Sync(const std::string& path) {
    Flush();
    if (path != jar_) {
        // Cookies of another jar go; those the store had of its own before it followed
        // any jar stay (and reach the jar as they change).
        if (!jar_.empty()) store_->deleteAllCookies();
        known_.clear();
        jar_ = path;
        stamp_ = -1;
    }
    if (jar_.empty()) return;
    long long stamp = FileStamp(jar_);
    if (stamp == stamp_) return;
    stamp_ = stamp;
    std::vector<quillon::Cookie> cookies = quillon::ReadCookieJar(jar_);
    QSet<QString> present;
    for (const quillon::Cookie& cookie : cookies) {
        const QString key = KeyOf(cookie), line = LineOf(cookie);
        present.insert(key);
        if (known_.value(key) == line) continue;
        known_.insert(key, line);
        QNetworkCookie qt(QByteArray::fromStdString(cookie.name), QByteArray::fromStdString(cookie.value));
        qt.setPath(QString::fromStdString(cookie.path));
        qt.setSecure(cookie.secure);
        qt.setHttpOnly(cookie.httpOnly);
        if (cookie.expires != 0) qt.setExpirationDate(QDateTime::fromSecsSinceEpoch(cookie.expires));
        QString host = QString::fromStdString(cookie.domain);
        if (cookie.includeSubdomains) {
            qt.setDomain(host);
            store_->setCookie(qt);
        } else {
            // A cookie of one host only is set through an address of that host.
            store_->setCookie(qt, QUrl((cookie.secure ? "https://" : "http://") + host + "/"));
        }
    }
    for (auto it = known_.begin(); it != known_.end();) {
        if (present.contains(it.key())) {
            ++it;
            continue;
        }
        quillon::Cookie gone;
        ParseCookieLine(it.value().toStdString(), gone);
        QNetworkCookie qt(QByteArray::fromStdString(gone.name));
        qt.setPath(QString::fromStdString(gone.path));
        if (gone.includeSubdomains) qt.setDomain(QString::fromStdString(gone.domain));
        store_->deleteCookie(qt, gone.includeSubdomains ? QUrl() : QUrl("http://" + QString::fromStdString(gone.domain) + "/"));
        it = known_.erase(it);
    }
}

void CookieBridge::Added(const QNetworkCookie& cookie) {
    quillon::Cookie ours = FromQt(cookie);
    const QString key = KeyOf(ours), line = LineOf(ours);
    if (known_.value(key) == line) return;  // the echo of a cookie taken from the jar
    known_.insert(key, line);
    if (jar_.empty()) return;
    pending_.push_back({false, std::move(ours)});
    flushTimer_.start();
}

void CookieBridge::Removed(const QNetworkCookie& cookie) {
    quillon::Cookie ours = FromQt(cookie);
    const QString key = KeyOf(ours);
    auto it = known_.find(key);
    // A removal of a value the store no longer holds is the old half of a replacement.
    if (it == known_.end() || it.value() != LineOf(ours)) return;
    known_.erase(it);
    if (jar_.empty()) return;
    pending_.push_back({true, std::move(ours)});
    flushTimer_.start();
}

void CookieBridge::Flush() {
    flushTimer_.stop();
    if (pending_.empty() || jar_.empty()) return;
    quillon::MergeIntoCookieJar(jar_, pending_);
    pending_.clear();
}

CookieBridge* ShareCookieJar(QWebEngineProfile* profile) {
    static const QString name = QStringLiteral("pelmorCookieBridge");
    auto* bridge = static_cast<CookieBridge*>(profile->findChild<QObject*>(name, Qt::FindDirectChildrenOnly));
    if (!bridge) {
        bridge = new CookieBridge(profile->cookieStore(), profile);
        bridge->setObjectName(name);
    }
    bridge->Sync(quillon::CookieJarPath());
    return bridge;
}

}  // namespace pelmor::render
