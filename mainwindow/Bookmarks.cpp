// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Bookmarks.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "platform/core/Failure.h"

namespace pelmor::mainwindow {
namespace {

constexpr int kMaxDepth = 200;
// SQLite's memory in use beyond which a reading is stopped (a query that grows without end).
constexpr sqlite3_int64 kMaxSqliteMemory = 256LL * 1024 * 1024;

std::string S(const QString& text) { return text.toStdString(); }

// A text the user reads (marked with QT_TRANSLATE_NOOP for the translators), in the
// user's language; safe on the reading's own thread.
QString Tr(const char* text) { return QCoreApplication::translate("Bookmarks", text); }

[[noreturn]] void Fail(Fault kind, const QString& description) {
    throw Failure(kind, "Pelmor", S(description));
}

// Fails with the reason when the reading of `file` went past its bounds.
void Check(const ReadLimits& limits, const QString& file) {
    if (QString reason = limits.Exceeded(); !reason.isEmpty())
        Fail(Fault::InvalidArgument,
             Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot read the bookmarks in %1: %2.")).arg(file, reason));
}

// Counts one entry read, failing past the cap.
void Count(std::size_t& entries, const ReadLimits& limits, const QString& file) {
    if (++entries > limits.maxEntries)
        Fail(Fault::InvalidArgument,
             Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot read the bookmarks in %1: it holds more than %2 entries."))
                 .arg(file)
                 .arg(limits.maxEntries));
    if (entries % 1024 == 0) Check(limits, file);
}

// The whole of a text file, refusing one too large to be a bookmarks file.
QByteArray ReadSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(Fault::FileNotFound, Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot read %1")).arg(path));
    if (file.size() > ReadLimits::kMaxFileBytes)
        Fail(Fault::InvalidArgument,
             Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot read the bookmarks in %1: the file is larger than %2 MB."))
                 .arg(path)
                 .arg(ReadLimits::kMaxFileBytes / (1024 * 1024)));
    return file.readAll();
}

// SQLite's progress callback: a non-zero answer interrupts the query.
int StopQuery(void* limits) {
    return static_cast<const ReadLimits*>(limits)->Over() || sqlite3_memory_used() > kMaxSqliteMemory ? 1 : 0;
}

QStringList ProfileFolders(const QString& parent) {
    QStringList folders;
    for (const QFileInfo& info : QDir(parent).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        folders << info.absoluteFilePath();
    return folders;
}

// ---- Firefox ----------------------------------------------------------------------------

struct PlacesRow {
    int type = 0;
    long long parent = 0;
    long long position = 0;
    QString title;
    QString url;
    QString pageTitle;
    QString guid;
};

QString Column(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

// The names Firefox shows for its built-in folders, by their fixed identifiers.
QString RootFolderTitle(const QString& guid, const QString& title) {
    if (guid == QLatin1String("menu________")) return Tr(QT_TRANSLATE_NOOP("Bookmarks", "Bookmarks Menu"));
    if (guid == QLatin1String("toolbar_____")) return Tr(QT_TRANSLATE_NOOP("Bookmarks", "Bookmarks Toolbar"));
    if (guid == QLatin1String("unfiled_____")) return Tr(QT_TRANSLATE_NOOP("Bookmarks", "Other Bookmarks"));
    if (guid == QLatin1String("mobile______")) return Tr(QT_TRANSLATE_NOOP("Bookmarks", "Mobile Bookmarks"));
    return title;
}

void FillPlaces(BookmarkNode& node, long long id, const std::map<long long, PlacesRow>& rows,
                const std::multimap<long long, long long>& children, std::set<long long>& seen, int depth) {
    if (depth > kMaxDepth) return;
    auto [first, last] = children.equal_range(id);
    for (auto it = first; it != last; ++it) {
        long long childId = it->second;
        if (!seen.insert(childId).second) continue;
        const PlacesRow& row = rows.at(childId);
        if (row.type == 2) {
            // The tags live in a folder of their own; they are no bookmarks.
            if (row.guid == QLatin1String("tags________")) continue;
            BookmarkNode folder{RootFolderTitle(row.guid, row.title), {}, true, {}};
            FillPlaces(folder, childId, rows, children, seen, depth + 1);
            node.Children.push_back(std::move(folder));
        } else if (row.type == 1 && IsWatchableURL(row.url)) {
            QString title = !row.title.isEmpty() ? row.title : !row.pageTitle.isEmpty() ? row.pageTitle : row.url;
            node.Children.push_back({title, row.url, false, {}});
        }
    }
}

struct Database {
    sqlite3* db = nullptr;
    ~Database() { sqlite3_close(db); }
};

struct Statement {
    sqlite3_stmt* statement = nullptr;
    ~Statement() { sqlite3_finalize(statement); }
};

// ---- bookmarks HTML -----------------------------------------------------------------------

QString DecodeEntities(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            result += text[i];
            continue;
        }
        qsizetype end = text.indexOf(QLatin1Char(';'), i);
        if (end < 0 || end - i > 10) {
            result += text[i];
            continue;
        }
        QString name = text.mid(i + 1, end - i - 1);
        QString decoded;
        if (name == QLatin1String("amp")) decoded = QStringLiteral("&");
        else if (name == QLatin1String("lt")) decoded = QStringLiteral("<");
        else if (name == QLatin1String("gt")) decoded = QStringLiteral(">");
        else if (name == QLatin1String("quot")) decoded = QStringLiteral("\"");
        else if (name == QLatin1String("apos")) decoded = QStringLiteral("'");
        else if (name == QLatin1String("nbsp")) decoded = QStringLiteral(" ");
        else if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            uint code = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive) ? name.mid(2).toUInt(&ok, 16)
                                                                                   : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF) {
                char32_t c = code;
                decoded = QString::fromUcs4(&c, 1);
            }
        }
        if (decoded.isEmpty()) {
            result += text[i];
            continue;
        }
        result += decoded;
        i = end;
    }
    return result;
}

// Text between the end of a start tag at `from` and the closing tag `closing`, without
// the tags inside it, entities decoded and white space simplified.
QString ElementText(const QString& html, qsizetype from, const QString& closing, qsizetype* end) {
    qsizetype stop = html.indexOf(closing, from, Qt::CaseInsensitive);
    if (stop < 0) stop = html.size();
    *end = stop;
    QString inner = html.mid(from, stop - from);
    QString text;
    bool inTag = false;
    for (QChar c : inner) {
        if (c == QLatin1Char('<')) inTag = true;
        else if (c == QLatin1Char('>')) inTag = false;
        else if (!inTag) text += c;
    }
    return DecodeEntities(text).simplified();
}

QString Attribute(const QString& tag, const QString& name) {
    qsizetype at = 0;
    while ((at = tag.indexOf(name, at, Qt::CaseInsensitive)) >= 0) {
        qsizetype after = at + name.size();
        bool starts = at > 0 && tag[at - 1].isSpace();
        qsizetype eq = after;
        while (eq < tag.size() && tag[eq].isSpace()) ++eq;
        if (!starts || eq >= tag.size() || tag[eq] != QLatin1Char('=')) {
            at = after;
            continue;
        }
        qsizetype value = eq + 1;
        while (value < tag.size() && tag[value].isSpace()) ++value;
        if (value >= tag.size()) return {};
        QChar quote = tag[value];
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            qsizetype close = tag.indexOf(quote, value + 1);
            return DecodeEntities(tag.mid(value + 1, (close < 0 ? tag.size() : close) - value - 1));
        }
        qsizetype close = value;
        while (close < tag.size() && !tag[close].isSpace() && tag[close] != QLatin1Char('>')) ++close;
        return DecodeEntities(tag.mid(value, close - value));
    }
    return {};
}

// ---- Chromium -----------------------------------------------------------------------------

void FillChromium(BookmarkNode& node, const QJsonArray& children, int depth, std::size_t& entries,
                  const ReadLimits& limits, const QString& file) {
    if (depth > kMaxDepth) return;
    for (const QJsonValue& value : children) {
        Count(entries, limits, file);
        QJsonObject entry = value.toObject();
        QString type = entry.value(QStringLiteral("type")).toString();
        QString name = entry.value(QStringLiteral("name")).toString();
        if (type == QLatin1String("folder")) {
            BookmarkNode folder{name, {}, true, {}};
            FillChromium(folder, entry.value(QStringLiteral("children")).toArray(), depth + 1, entries, limits, file);
            node.Children.push_back(std::move(folder));
        } else if (type == QLatin1String("url")) {
            QString url = entry.value(QStringLiteral("url")).toString();
            if (IsWatchableURL(url)) node.Children.push_back({name.isEmpty() ? url : name, url, false, {}});
        }
    }
}

}  // namespace

ReadLimits ReadLimits::For(std::chrono::milliseconds limit, std::shared_ptr<const std::atomic<bool>> cancelled) {
    ReadLimits limits;
    limits.time = limit;
    limits.deadline = std::chrono::steady_clock::now() + limit;
    limits.cancelled = std::move(cancelled);
    return limits;
}

bool ReadLimits::Over() const {
    return (cancelled && cancelled->load()) || std::chrono::steady_clock::now() > deadline;
}

QString ReadLimits::Exceeded() const {
    if (cancelled && cancelled->load()) return Tr(QT_TRANSLATE_NOOP("Bookmarks", "the reading was stopped"));
    if (std::chrono::steady_clock::now() > deadline)
        return Tr(QT_TRANSLATE_NOOP("Bookmarks", "reading took longer than %1 seconds and was stopped"))
            .arg(std::max<long long>(1, std::chrono::duration_cast<std::chrono::seconds>(time).count()));
    return {};
}

bool IsWatchableURL(const QString& url) {
    QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty()) return false;
    QString scheme = parsed.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp");
}

QString BookmarkHome() {
    QString home = qEnvironmentVariable("PELMOR_HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

std::vector<BookmarkStore> FindBookmarkStores(const QString& home) {
    std::vector<BookmarkStore> stores;
    for (const char* base : {"/.mozilla/firefox", "/snap/firefox/common/.mozilla/firefox",
                             "/.var/app/org.mozilla.firefox/.mozilla/firefox"})
        for (const QString& profile : ProfileFolders(home + QLatin1String(base))) {
            QString places = profile + QStringLiteral("/places.sqlite");
            if (!QFileInfo(places).isFile()) continue;
            QString name = QFileInfo(profile).fileName();
            // Profile folders are named "<salt>.<profile name>".
            if (qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0) name = name.mid(dot + 1);
            stores.push_back({BookmarkStore::Kind::Firefox, QStringLiteral("Firefox (%1)").arg(name), places});
        }
    for (auto [folder, browser] : {std::pair{"/.config/chromium", "Chromium"}, std::pair{"/.config/google-chrome", "Chrome"}})
        for (const QString& profile : ProfileFolders(home + QLatin1String(folder))) {
            QString file = profile + QStringLiteral("/Bookmarks");
            if (!QFileInfo(file).isFile()) continue;
            stores.push_back({BookmarkStore::Kind::Chromium,
                              QStringLiteral("%1 (%2)").arg(QLatin1String(browser), QFileInfo(profile).fileName()),
                              file});
        }
    return stores;
}

BookmarkNode ReadBookmarkStore(const BookmarkStore& store, const ReadLimits& limits) {
    BookmarkNode node;
    switch (store.StoreKind) {
        case BookmarkStore::Kind::Firefox:
            node = ReadFirefoxBookmarks(store.Path, limits);
            break;
        case BookmarkStore::Kind::Chromium:
            node = ReadChromiumBookmarks(store.Path, limits);
            break;
        case BookmarkStore::Kind::Html:
            node = ReadBookmarksHtml(store.Path, limits);
            break;
    }
    node.Title = store.Name;
    return node;
}

BookmarkNode ReadFirefoxBookmarks(const QString& placesFile, const ReadLimits& limits) {
    if (!QFileInfo(placesFile).isFile())
        Fail(Fault::FileNotFound, Tr(QT_TRANSLATE_NOOP("Bookmarks", "File not found: %1")).arg(placesFile));
    // Firefox holds its database locked while it runs, and recent changes may still sit
    // in the write-ahead log beside it: both are read from copies.
    QTemporaryDir copy;
    if (!copy.isValid())
        Fail(Fault::FileAccess, Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot create a temporary folder")));
    QString copied = copy.filePath(QStringLiteral("places.sqlite"));
    if (!QFile::copy(placesFile, copied))
        Fail(Fault::FileAccess,
             Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot copy the Firefox bookmarks %1")).arg(placesFile));
    if (QFileInfo::exists(placesFile + QStringLiteral("-wal")))
        QFile::copy(placesFile + QStringLiteral("-wal"), copied + QStringLiteral("-wal"));

    Database db;
    if (sqlite3_open_v2(copied.toUtf8().constData(), &db.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        Fail(Fault::FileAccess,
             Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot open the Firefox bookmarks %1")).arg(placesFile));
    // A damaged or hostile file may hold a query that never ends (a view over itself):
    // the query is interrupted past the reading's bounds, and rows are taken as they come,
    // in no order, so that the cap on entries holds as well.
    sqlite3_progress_handler(db.db, 1000, StopQuery, const_cast<ReadLimits*>(&limits));
    Statement query;
    const char* sql =
        "SELECT b.id, b.type, b.parent, b.title, p.url, p.title, b.guid, b.position FROM moz_bookmarks b "
        "LEFT JOIN moz_places p ON b.fk = p.id";
    if (sqlite3_prepare_v2(db.db, sql, -1, &query.statement, nullptr) != SQLITE_OK)
        Fail(Fault::InvalidArgument, Tr(QT_TRANSLATE_NOOP("Bookmarks", "%1 holds no Firefox bookmarks: %2"))
                                             .arg(placesFile, QString::fromUtf8(sqlite3_errmsg(db.db))));

    std::map<long long, PlacesRow> rows;
    std::size_t entries = 0;
    int step;
    while ((step = sqlite3_step(query.statement)) == SQLITE_ROW) {
        Count(entries, limits, placesFile);
        long long id = sqlite3_column_int64(query.statement, 0);
        PlacesRow row{sqlite3_column_int(query.statement, 1),
                      sqlite3_column_int64(query.statement, 2),
                      sqlite3_column_int64(query.statement, 7),
                      Column(query.statement, 3),
                      Column(query.statement, 4),
                      Column(query.statement, 5),
                      Column(query.statement, 6)};
        rows.emplace(id, std::move(row));
    }
    if (step == SQLITE_INTERRUPT) {
        Check(limits, placesFile);
        Fail(Fault::InvalidArgument,
             Tr(QT_TRANSLATE_NOOP("Bookmarks",
                                  "Cannot read the bookmarks in %1: reading needed too much memory and was stopped."))
                 .arg(placesFile));
    }
    if (step != SQLITE_DONE)
        Fail(Fault::FileAccess, Tr(QT_TRANSLATE_NOOP("Bookmarks", "Cannot read the Firefox bookmarks %1: %2"))
                                       .arg(placesFile, QString::fromUtf8(sqlite3_errmsg(db.db))));
    // The children of each folder in order of position.
    std::vector<std::tuple<long long, long long, long long>> order;  // parent, position, id
    order.reserve(rows.size());
    for (const auto& [id, row] : rows) order.emplace_back(row.parent, row.position, id);
    std::sort(order.begin(), order.end());
    std::multimap<long long, long long> children;
    long long root = -1;
    for (const auto& [parent, position, id] : order) {
        const PlacesRow& row = rows.at(id);
        if (row.guid == QLatin1String("root________") || (root < 0 && row.parent == 0)) root = id;
        children.emplace_hint(children.end(), parent, id);
    }
    BookmarkNode node{QFileInfo(placesFile).fileName(), {}, true, {}};
    if (root < 0) return node;
    std::set<long long> seen{root};
    FillPlaces(node, root, rows, children, seen, 0);
    return node;
}

BookmarkNode ReadChromiumBookmarks(const QString& bookmarksFile, const ReadLimits& limits) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(ReadSmallFile(bookmarksFile), &error);
    Check(limits, bookmarksFile);
    std::size_t entries = 0;
    QJsonObject roots = document.object().value(QStringLiteral("roots")).toObject();
    if (error.error != QJsonParseError::NoError || roots.isEmpty())
        Fail(Fault::InvalidArgument,
             Tr(QT_TRANSLATE_NOOP("Bookmarks", "%1 holds no Chromium bookmarks")).arg(bookmarksFile));
    BookmarkNode node{QFileInfo(bookmarksFile).fileName(), {}, true, {}};
    const std::pair<const char*, const char*> known[] = {
        {"bookmark_bar", "Bookmarks bar"}, {"other", "Other bookmarks"}, {"synced", "Mobile bookmarks"}};
    for (auto [key, fallback] : known) {
        QJsonObject root = roots.value(QLatin1String(key)).toObject();
        if (root.isEmpty()) continue;
        QString name = root.value(QStringLiteral("name")).toString();
        BookmarkNode folder{name.isEmpty() ? QLatin1String(fallback) : name, {}, true, {}};
        FillChromium(folder, root.value(QStringLiteral("children")).toArray(), 0, entries, limits, bookmarksFile);
        node.Children.push_back(std::move(folder));
    }
    return node;
}

BookmarkNode ReadBookmarksHtml(const QString& htmlFile, const ReadLimits& limits) {
    const QString html = QString::fromUtf8(ReadSmallFile(htmlFile));
    std::size_t entries = 0;
    std::size_t tags = 0;
    BookmarkNode node{QFileInfo(htmlFile).fileName(), {}, true, {}};
    // Folders are a heading (H3) followed by a list (DL) of entries; each entry's link
    // (A HREF) is a bookmark. The tags are followed in order, whatever their nesting.
    std::vector<BookmarkNode*> open{&node};
    std::vector<bool> pushed;  // per DL start: whether it opened a folder
    BookmarkNode* lastFolder = nullptr;
    bool found = false;
    qsizetype at = 0;
    while ((at = html.indexOf(QLatin1Char('<'), at)) >= 0) {
        qsizetype close = html.indexOf(QLatin1Char('>'), at);
        if (close < 0) break;
        if (++tags % 1024 == 0) Check(limits, htmlFile);
        QString tag = html.mid(at + 1, close - at - 1);
        bool ending = tag.startsWith(QLatin1Char('/'));
        QString name = tag.mid(ending ? 1 : 0).section(QRegularExpression(QStringLiteral("[\\s/]")), 0, 0).toUpper();
        at = close + 1;
        if (name == QLatin1String("H3") && !ending) {
            Count(entries, limits, htmlFile);
            qsizetype end = 0;
            QString title = ElementText(html, at, QStringLiteral("</H3"), &end);
            open.back()->Children.push_back({title, {}, true, {}});
            lastFolder = &open.back()->Children.back();
            found = true;
            at = end;
        } else if (name == QLatin1String("DL") && !ending) {
            if (open.size() < static_cast<size_t>(kMaxDepth)) {
                bool opens = lastFolder != nullptr;
                if (opens) open.push_back(lastFolder);
                pushed.push_back(opens);
            }
            lastFolder = nullptr;
        } else if (name == QLatin1String("DL") && ending) {
            if (!pushed.empty()) {
                if (pushed.back() && open.size() > 1) open.pop_back();
                pushed.pop_back();
            }
            lastFolder = nullptr;
        } else if (name == QLatin1String("A") && !ending) {
            Count(entries, limits, htmlFile);
            QString url = Attribute(tag, QStringLiteral("href"));
            qsizetype end = 0;
            QString title = ElementText(html, at, QStringLiteral("</A"), &end);
            at = end;
            lastFolder = nullptr;
            found = true;
            if (IsWatchableURL(url)) open.back()->Children.push_back({title.isEmpty() ? url : title, url, false, {}});
        }
    }
    if (!found) Fail(Fault::InvalidArgument, htmlFile + QStringLiteral(" holds no bookmarks"));
    return node;
}

}  // namespace pelmor::mainwindow
