// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-toolbar: Pelmor's toolbar connection from the command line, and the
// native-messaging host of the browsers' "Watch this page" button.

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include "platform/core/Version.h"

#include "retrieval/Versions.h"
#include "toolbar/Client.h"
#include "toolbar/NativeMessaging.h"

namespace {

using pelmor::toolbar::Client;
using pelmor::toolbar::Outcome;

// Exit codes.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotRunning = 3;

const char kUsageText[] =
    "Usage: pelmor-toolbar COMMAND\n"
    "  running                          tell whether Pelmor is running\n"
    "  open                             bring Pelmor's window up (starting Pelmor when needed)\n"
    "  list                             list the folders and pages\n"
    "  add URL [--folder KEY] [--description TEXT]\n"
    "                                   watch a page (in the folder with key KEY)\n"
    "  reload                           make Pelmor reload its list from the profile\n"
    "  check [KEY]                      check every active page now, or the page or folder KEY\n"
    "  history KEY                      list the kept versions of the page with key KEY, oldest\n"
    "                                   first: date, a tab and the version's file\n"
    "  --native-messaging               serve a browser's \"Watch this page\" button\n"
    "  --help, --version                show this text, or the version and licence\n"
    "Exit codes: 0 done, 1 the call failed, 2 bad usage, 3 Pelmor is not running.\n";

int Finish(const Outcome& outcome, const QString& success = QString()) {
    if (outcome.ok()) {
        if (!success.isEmpty()) QTextStream(stdout) << success << '\n';
        return kOk;
    }
    QTextStream(stderr) << "pelmor-toolbar: " << outcome.message << '\n';
    return outcome.kind == Outcome::NotRunning ? kNotRunning : kFailed;
}

int Usage(const QString& problem) {
    QTextStream(stderr) << "pelmor-toolbar: " << problem << "\n" << kUsageText;
    return kUsage;
}

// Browsers start the host with the caller's identity: Chromium passes the extension's
// origin, Firefox the path of the host manifest and the extension's id.
bool StartedByBrowser(const QStringList& args) {
    if (args.value(1) == QLatin1String("--native-messaging")) return true;
    return args.value(1).startsWith(QLatin1String("chrome-extension://")) ||
           args.value(1).endsWith(QLatin1String(".json"));
}

int List(Client& client) {
    QList<QVariantMap> items;
    Outcome outcome = client.List(items);
    if (!outcome.ok()) return Finish(outcome);
    QTextStream out(stdout);
    for (const QVariantMap& item : items) {
        out << QString(item.value("Level").toInt() * 2, ' ');
        if (item.value("Kind").toString() == QLatin1String("Folder"))
            out << "+ " << item.value("Name").toString();
        else
            out << "- " << item.value("Description").toString() << " <" << item.value("URL").toString() << '>';
        out << "  [" << item.value("Key").toString() << "]\n";
    }
    return kOk;
}

int Add(Client& client, const QStringList& args) {
    QString url;
    QString folder;
    QString description;
    for (int i = 2; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--folder") || arg == QLatin1String("--description")) {
            if (i + 1 >= args.size()) return Usage(arg + QStringLiteral(" needs a value"));
            (arg == QLatin1String("--folder") ? folder : description) = args[++i];
        } else if (arg.startsWith(QLatin1String("--"))) {
            return Usage(QStringLiteral("unknown option ") + arg);
        } else if (url.isEmpty()) {
            url = arg;
        } else {
            return Usage(QStringLiteral("one address at a time"));
        }
    }
    if (url.trimmed().isEmpty()) return Usage(QStringLiteral("add needs an address"));
    QString key;
    Outcome outcome = client.Add(url, folder, description, key);
    return Finish(outcome, QStringLiteral("Added ") + key);
}

int History(Client& client, const QString& key) {
    if (key.isEmpty()) return Usage(QStringLiteral("history needs a page's key"));
    QList<QVariantMap> items;
    Outcome outcome = client.List(items);
    if (!outcome.ok()) return Finish(outcome);
    for (const QVariantMap& item : items) {
        if (item.value("Key").toString() != key) continue;
        if (item.value("Kind").toString() != QLatin1String("Page"))
            return Finish({Outcome::Failed, key + QStringLiteral(" is no page")});
        QTextStream out(stdout);
        for (const pelmor::PageVersion& version :
             pelmor::ListVersions(item.value("SavedFile").toString().toStdString())) {
            const pelmor::DateTime::Parts d = version.Date.Split();
            out << QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                                     d.second)
                << '\t' << QString::fromStdString(version.File) << '\n';
        }
        return kOk;
    }
    return Finish({Outcome::Failed, QStringLiteral("no item with key ") + key});
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before anything connects to the bus.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsageText, stdout);
        return kOk;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
        std::fputs(pelmor::VersionText("pelmor-toolbar").c_str(), stdout);
        return kOk;
    }
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    Client client;
    if (StartedByBrowser(args)) return pelmor::toolbar::ServeNativeMessaging(client, stdin, stdout);

    const QString command = args.value(1);
    if (command == QLatin1String("add")) return Add(client, args);
    if (command == QLatin1String("check")) {
        if (args.size() > 3) return Usage(QStringLiteral("one key at a time"));
        return Finish(client.Check(args.value(2)), QStringLiteral("Checking"));
    }
    if (command == QLatin1String("history")) {
        if (args.size() > 3) return Usage(QStringLiteral("too many arguments"));
        return History(client, args.value(2));
    }
    if (args.size() > 2) return Usage(QStringLiteral("too many arguments"));
    if (command == QLatin1String("running")) return Finish(client.Running(), QStringLiteral("Pelmor is running"));
    if (command == QLatin1String("list")) return List(client);
    if (command == QLatin1String("reload")) return Finish(client.Reload());
    if (command == QLatin1String("open")) {
        if (client.Running().ok()) return Finish(client.Open());
        return Finish(client.Start(), QStringLiteral("Pelmor started"));
    }
    return Usage(command.isEmpty() ? QStringLiteral("no command") : QStringLiteral("unknown command ") + command);
}
