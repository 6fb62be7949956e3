// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BusObjects.h"

#include <QDBusConnection>
#include <QPointer>
#include <QRegularExpression>
#include <QUrl>
#include <optional>
#include <vector>

#include "items/Application.h"
#include "items/NewItems.h"
#include "mainwindow/frmMain.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "retrieval/InternetHandler.h"
#include "preferences/Settings.h"
#include "retrieval/Versions.h"
#include "app/AddThroughWindow.h"
#include "app/BusLimits.h"
#include "shell/ErrorReport.h"
#include "app/ToolbarConnection.h"

namespace pelmor::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString DateText(DateTime date) { return date.IsZero() ? QString() : Q(date.FormatDateTime()); }

// The item under a full key anywhere below `list`; null when there is none.
std::shared_ptr<Item> FindItem(const ItemList& list, std::string_view key) {
    for (const std::shared_ptr<Item>& item : list.Items()) {
        if (EqualsNoCase(item->Key(), key)) return item;
        if (item->IsFolder()) {
            // Keys below a folder start with the folder's key and a backslash.
            const std::string& prefix = item->Key();
            if (key.size() > prefix.size() && key[prefix.size()] == '\\' &&
                EqualsNoCase(key.substr(0, prefix.size()), prefix))
                if (auto found = FindItem(*std::static_pointer_cast<Folder>(item), key)) return found;
        }
    }
    return nullptr;
}

void ListInto(const ItemList& list, const QString& parentKey, int level, QList<QVariantMap>& out) {
    for (const std::shared_ptr<Item>& item : list.Items()) {
        QVariantMap entry{{"Key", Q(item->Key())},
                          {"ParentKey", parentKey},
                          {"Level", level},
                          {"Kind", item->IsFolder() ? QStringLiteral("Folder") : QStringLiteral("Page")},
                          {"Description", Q(item->Description())},
                          {"Active", item->Active()},
                          {"PeriodTime", int(item->PeriodTime())},
                          {"PeriodUnit", int(item->PeriodUnit())}};
        if (item->IsFolder()) {
            auto folder = std::static_pointer_cast<Folder>(item);
            entry.insert("Name", Q(folder->Name()));
            out.append(entry);
            ListInto(*folder, Q(folder->Key()), level + 1, out);
            continue;
        }
        auto page = std::static_pointer_cast<Page>(item);
        entry.insert("URL", Q(page->URL()));
        entry.insert("SavedFile", Q(page->SavedFile()));
        entry.insert("SavedDate", DateText(page->SavedDate()));
        entry.insert("StartDate", page->StartDate().IsZero() ? QString() : Q(page->StartDate().FormatDate()));
        entry.insert("EndDate", page->EndDate().IsZero() ? QString() : Q(page->EndDate().FormatDate()));
        entry.insert("LastCheckDate", DateText(page->LastCheckDate()));
        entry.insert("Updated", page->Updated());
        entry.insert("DeleteAtEnd", page->DeleteAtEnd());
        entry.insert("ShowTimeDiff", page->ShowTimeDiff());
        entry.insert("ShowPics", page->ShowPics());
        entry.insert("ShowNumbers", page->ShowNumbers());
        entry.insert("UseInverse", page->UseInverse());
        entry.insert("ElementPath", Q(page->ElementPath()));
        entry.insert("InsertColor", Q(page->InsertColor()));
        entry.insert("UpdateColor", Q(page->UpdateColor()));
        entry.insert("FramesCount", int(page->FramesCount()));
        out.append(entry);
    }
}

// Every item's key and its stored properties as one text, to tell what changed. Check
// times move with every check: they are no change of the item.
std::map<QString, QString> Snapshot(const std::shared_ptr<Application>& application) {
    std::map<QString, QString> out;
    if (!application) return out;
    QList<QVariantMap> items;
    ListInto(*application, QString(), 0, items);
    for (QVariantMap& item : items) {
        item.remove(QStringLiteral("LastCheckDate"));
        item.remove(QStringLiteral("SavedDate"));
        QString fingerprint;
        for (auto it = item.cbegin(); it != item.cend(); ++it)
            fingerprint += it.key() + QLatin1Char('=') + it.value().toString() + QLatin1Char('\n');
        out.emplace(item.value(QStringLiteral("Key")).toString(), std::move(fingerprint));
    }
    return out;
}

// Every page at or below an item.
void PagesBelow(const std::shared_ptr<Item>& item, std::vector<std::shared_ptr<Page>>& pages) {
    if (item->IsPage()) {
        pages.push_back(std::static_pointer_cast<Page>(item));
        return;
    }
    auto folder = std::static_pointer_cast<Folder>(item);
    for (const std::shared_ptr<Item>& child : folder->Items()) PagesBelow(child, pages);
}

// The address as a page may hold it: "http://" added when it names no protocol, and
// only web addresses with a host. Empty when it is none.
std::string WebAddress(const QString& text) {
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return {};
    InternetHandler handler;
    std::string valid = handler.GetValidURL(trimmed.toStdString());
    QUrl url(Q(valid), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https" && scheme != "ftp"))
        return {};
    return valid;
}

bool IsBool(const QVariant& v) { return v.metaType().id() == QMetaType::Bool; }

std::optional<long long> Integer(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toLongLong();
    default:
        return std::nullopt;
    }
}

}  // namespace

// ---- /Settings ----------------------------------------------------------------------

template <typename T, typename F>
T SettingsObject::Read(F&& read) const {
    emit const_cast<SettingsObject*>(this)->Used();
    std::shared_ptr<Settings> settings = host_.SharedSettings();
    return settings ? T(read(*settings)) : T();
}

QString SettingsObject::SoundFile() const { return Read<QString>([](Settings& s) { return Q(s.SoundFile()); }); }
QString SettingsObject::DefaultSoundFile() const {
    return Read<QString>([](Settings& s) { return Q(s.DefaultSoundFile()); });
}
bool SettingsObject::DisplayOld() const { return Read<bool>([](Settings& s) { return s.DisplayOld(); }); }
bool SettingsObject::StatusBar() const { return Read<bool>([](Settings& s) { return s.StatusBar(); }); }
bool SettingsObject::Toolbar() const { return Read<bool>([](Settings& s) { return s.Toolbar(); }); }
bool SettingsObject::AlertPopup() const { return Read<bool>([](Settings& s) { return s.AlertPopup(); }); }
bool SettingsObject::AlertSound() const { return Read<bool>([](Settings& s) { return s.AlertSound(); }); }
bool SettingsObject::DefaultSound() const { return Read<bool>([](Settings& s) { return s.DefaultSound(); }); }
bool SettingsObject::AutoCheck() const { return Read<bool>([](Settings& s) { return s.AutoCheck(); }); }
bool SettingsObject::SoftwareUpdate() const { return Read<bool>([](Settings& s) { return s.SoftwareUpdate(); }); }
bool SettingsObject::WindowsStart() const { return Read<bool>([](Settings& s) { return s.WindowsStart(); }); }
QString SettingsObject::FontName() const { return Read<QString>([](Settings& s) { return Q(s.TreeFont().Name); }); }
double SettingsObject::FontSize() const { return Read<double>([](Settings& s) { return s.TreeFont().Size; }); }
bool SettingsObject::FontBold() const { return Read<bool>([](Settings& s) { return s.TreeFont().Bold; }); }
bool SettingsObject::FontItalic() const { return Read<bool>([](Settings& s) { return s.TreeFont().Italic; }); }
bool SettingsObject::FontUnderline() const { return Read<bool>([](Settings& s) { return s.TreeFont().Underline; }); }
bool SettingsObject::FontStrikethrough() const {
    return Read<bool>([](Settings& s) { return s.TreeFont().Strikethrough; });
}
QString SettingsObject::XMLFile() const { return Read<QString>([](Settings& s) { return Q(s.XMLFile()); }); }
QString SettingsObject::CacheFolder() const { return Read<QString>([](Settings& s) { return Q(s.CacheFolder()); }); }
QString SettingsObject::AppPath() const { return Read<QString>([](Settings& s) { return Q(s.AppPath()); }); }
QString SettingsObject::INIFile() const { return Read<QString>([](Settings& s) { return Q(s.INIFile()); }); }
double SettingsObject::FormTop() const { return Read<double>([](Settings& s) { return s.FormTop(); }); }
double SettingsObject::FormLeft() const { return Read<double>([](Settings& s) { return s.FormLeft(); }); }
double SettingsObject::FormHeight() const { return Read<double>([](Settings& s) { return s.FormHeight(); }); }
double SettingsObject::FormWidth() const { return Read<double>([](Settings& s) { return s.FormWidth(); }); }
int SettingsObject::FormWindowState() const { return Read<int>([](Settings& s) { return s.FormWindowState(); }); }

// ---- /Application -------------------------------------------------------------------

ApplicationObject::ApplicationObject(ToolbarHost& host) : host_(host) {}

bool ApplicationObject::Active() const {
    auto application = host_.SharedApplication();
    return application && application->Active();
}
int ApplicationObject::PeriodTime() const {
    auto application = host_.SharedApplication();
    return application ? application->PeriodTime() : 0;
}
int ApplicationObject::PeriodUnit() const {
    auto application = host_.SharedApplication();
    return application ? application->PeriodUnit() : 0;
}
int ApplicationObject::ItemsCount() const {
    auto application = host_.SharedApplication();
    return application ? application->ItemsCount() : 0;
}

void ApplicationObject::Error(const char* name, const QString& message) {
    if (answered_) return;
    answered_ = true;
    if (replaying_)
        QDBusConnection::sessionBus().send(replaying_->createErrorReply(QString::fromLatin1(name), message));
    else if (calledFromDBus())
        sendErrorReply(QString::fromLatin1(name), message);
}

ApplicationObject::BusCall::BusCall(ApplicationObject& object)
    : object_(object), quiet_(std::make_unique<QuietErrors>()) {
    object_.answered_ = false;
}

ApplicationObject::BusCall::~BusCall() {
    if (quiet_->Reported()) object_.Error(kErrorFailed, QString::fromStdString(quiet_->Description()));
}

bool ApplicationObject::Refused(std::initializer_list<Limit> limits) {
    for (const Limit& limit : limits) {
        if (auto problem = TooLong(limit.what, *limit.value, limit.maxBytes)) {
            Error(kErrorInvalidArgument, *problem);
            return true;
        }
    }
    return false;
}

mainwindow::frmMain* ApplicationObject::Window(std::function<QVariant()> again) {
    emit Used();
    mainwindow::frmMain* window = host_.MainWindow();
    if (serving_ && window && host_.SharedApplication() && host_.SharedSettings()) {
        if (busy_) {
            Error(kErrorBusy, QStringLiteral("Pelmor is busy with another change; try again"));
            return nullptr;
        }
        return window;
    }
    // Started, but the window is not up yet: the caller waits (within its own time-out).
    if (host_.AppRunning() && !serving_ && calledFromDBus() && !replaying_) {
        setDelayedReply(true);
        waiting_.emplace_back(message(), std::move(again));
        answered_ = true;
        return nullptr;
    }
    Error(kErrorNotRunning, QStringLiteral("Pelmor's main window is not running yet"));
    return nullptr;
}

void ApplicationObject::ServeWaitingCalls() {
    if (serving_) return;
    serving_ = true;
    if (mainwindow::frmMain* window = host_.MainWindow()) {
        connect(window, &mainwindow::frmMain::ItemsSaved, this, &ApplicationObject::AnnounceChanges);
        connect(window, &mainwindow::frmMain::PageFoundUpdated, this, &ApplicationObject::PageUpdated);
    }
    seen_ = Snapshot(host_.SharedApplication());  // what the window loaded is no news
    auto waiting = std::move(waiting_);
    waiting_.clear();
    for (auto& [call, again] : waiting) {
        replaying_ = call;
        const QVariant result = again();
        if (!answered_)
            QDBusConnection::sessionBus().send(result.isValid() ? call.createReply(result) : call.createReply());
        replaying_.reset();
        answered_ = false;
    }
}

void ApplicationObject::AnnounceChanges() {
    std::map<QString, QString> now = Snapshot(host_.SharedApplication());
    std::swap(seen_, now);
    for (const auto& [key, fingerprint] : now)
        if (!seen_.count(key)) emit ItemRemoved(key);
    for (const auto& [key, fingerprint] : seen_) {
        auto before = now.find(key);
        if (before == now.end())
            emit ItemAdded(key);
        else if (before->second != fingerprint)
            emit ItemChanged(key);
    }
}

std::shared_ptr<ItemList> ApplicationObject::ListOrError(const QString& key) {
    std::shared_ptr<Application> application = host_.SharedApplication();
    if (key.isEmpty()) return application;
    std::shared_ptr<Item> item = FindItem(*application, key.toStdString());
    if (item && item->IsFolder()) return std::static_pointer_cast<Folder>(item);
    Error(kErrorUnknownItem, item ? QStringLiteral("Not a folder: %1").arg(Quoted(key))
                                  : QStringLiteral("No folder has the key %1").arg(Quoted(key)));
    return nullptr;
}

std::shared_ptr<Item> ApplicationObject::ItemOrError(const QString& key) {
    std::shared_ptr<Item> item = FindItem(*host_.SharedApplication(), key.toStdString());
    if (!item) Error(kErrorUnknownItem, QStringLiteral("No item has the key %1").arg(Quoted(key)));
    return item;
}

bool ApplicationObject::SaveOrError(mainwindow::frmMain* window) {
    try {
        window->SaveItems();
        return true;
    } catch (const Failure& failure) {
        Error(kErrorFailed, QStringLiteral("The profile could not be saved: %1").arg(Q(failure.Description())));
    } catch (const std::exception& e) {
        Error(kErrorFailed, QStringLiteral("The profile could not be saved: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    return false;
}

QList<QVariantMap> ApplicationObject::ListItems() {
    emit Used();
    QList<QVariantMap> items;
    if (auto application = host_.SharedApplication()) ListInto(*application, QString(), 0, items);
    return items;
}

QString ApplicationObject::AddPage(const QString& folderKey, const QString& url, const QString& description) {
    BusCall call(*this);
    if (Refused({{QStringLiteral("The folder key"), &folderKey, kMaxKeyBytes},
                 {QStringLiteral("The address"), &url, kMaxAddressBytes},
                 {QStringLiteral("The description"), &description, kMaxTextBytes}}))
        return {};
    mainwindow::frmMain* window = Window([=, this] { return QVariant(AddPage(folderKey, url, description)); });
    if (!window) return {};
    std::shared_ptr<ItemList> list = ListOrError(folderKey);
    if (!list) return {};
    if (url.trimmed().isEmpty()) {
        Error(kErrorInvalidArgument, QStringLiteral("The address is empty"));
        return {};
    }
    const std::string valid = WebAddress(url);
    if (valid.empty()) {
        Error(kErrorInvalidArgument, QStringLiteral("Not a web address: %1").arg(Quoted(url)));
        return {};
    }
    const std::string candidate =
        list->IsApplication() ? valid : std::static_pointer_cast<Folder>(list)->Key() + "\\" + valid;
    if (list->Items(candidate)) {
        Error(kErrorExists, QStringLiteral("Page already exists: %1").arg(Quoted(Q(valid))));
        return {};
    }
    // The answer goes out when the download has ended; the window serves on meanwhile.
    std::optional<QDBusMessage> reply = replaying_;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!reply && calledFromDBus()) {
        setDelayedReply(true);
        reply = message();
        bus = connection();
    }
    answered_ = true;
    busy_ = true;
    QPointer<ApplicationObject> self(this);
    QPointer<mainwindow::frmMain> owner(window);
    AddPageThroughWindow(
        *window, list, valid, description.trimmed().toStdString(),
        [self, owner, reply, bus, valid](const std::shared_ptr<Page>& page) mutable {
            if (self) self->busy_ = false;
            if (!reply) return;
            if (page) {
                bus.send(reply->createReply(Q(page->Key())));
                return;
            }
            const std::string why = owner ? owner->LastAddFailure() : std::string();
            bus.send(reply->createErrorReply(
                QString::fromLatin1(kErrorFailed),
                QStringLiteral("Unable to add %1: %2")
                    .arg(Quoted(Q(valid)), why.empty() ? QStringLiteral("the page could not be downloaded") : Q(why))));
        });
    return {};
}

QString ApplicationObject::AddFolder(const QString& parentKey, const QString& name, const QString& description) {
    BusCall call(*this);
    if (Refused({{QStringLiteral("The folder key"), &parentKey, kMaxKeyBytes},
                 {QStringLiteral("The folder name"), &name, kMaxTextBytes},
                 {QStringLiteral("The description"), &description, kMaxTextBytes}}))
        return {};
    mainwindow::frmMain* window = Window([=, this] { return QVariant(AddFolder(parentKey, name, description)); });
    if (!window) return {};
    std::shared_ptr<ItemList> list = ListOrError(parentKey);
    if (!list) return {};
    const QString trimmed = name.trimmed();
    // A backslash would make the folder's key read as a path of folders.
    if (trimmed.isEmpty() || trimmed.contains('\\')) {
        Error(kErrorInvalidArgument, trimmed.isEmpty() ? QStringLiteral("The folder name is empty")
                                                       : QStringLiteral("A folder name cannot hold a backslash"));
        return {};
    }
    const std::string candidate = list->IsApplication() ? trimmed.toStdString()
                                                        : std::static_pointer_cast<Folder>(list)->Key() + "\\" +
                                                              trimmed.toStdString();
    if (list->Items(candidate)) {
        Error(kErrorExists, QStringLiteral("Folder already exists: %1").arg(Quoted(trimmed)));
        return {};
    }
    std::shared_ptr<Folder> folder =
        AddFolderThroughWindow(*window, list, trimmed.toStdString(), description.toStdString());
    if (!folder) {
        Error(kErrorFailed, QStringLiteral("Unable to add the folder %1").arg(Quoted(trimmed)));
        return {};
    }
    return Q(folder->Key());
}

void ApplicationObject::SetPageProperties(const QString& key, const QVariantMap& properties) {
    BusCall call(*this);
    if (Refused({{QStringLiteral("The key"), &key, kMaxKeyBytes}})) return;
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        const QString name = Quoted(it.key());
        const QString text = it.value().metaType().id() == QMetaType::QString ? it.value().toString() : QString();
        if (Refused({{QStringLiteral("The property name"), &it.key(), kMaxTextBytes},
                     {name, &text, it.key() == QLatin1String("URL") ? kMaxAddressBytes : kMaxTextBytes}}))
            return;
    }
    mainwindow::frmMain* window = Window([=, this] {
        SetPageProperties(key, properties);
        return QVariant();
    });
    if (!window) return;
    std::shared_ptr<Item> item = ItemOrError(key);
    if (!item) return;
    if (!item->IsPage()) {
        Error(kErrorInvalidArgument, QStringLiteral("Not a page: %1").arg(Quoted(key)));
        return;
    }
    auto page = std::static_pointer_cast<Page>(item);

    // Every value is checked before the first one is applied, so a bad one changes nothing.
    static const QRegularExpression color(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    std::vector<std::function<void()>> changes;
    std::optional<std::string> newURL;
    std::optional<long long> periodTime;
    std::optional<long long> periodUnit;
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        auto bad = [&](const QString& why) {
            Error(kErrorInvalidArgument, QStringLiteral("%1: %2").arg(Quoted(name), why));
        };
        using BoolSetter = void (Page::*)(bool);
        static const std::map<QString, BoolSetter> flags = {
            {"Active", &Page::SetActive},
            {"Updated", &Page::SetUpdated},
            {"DeleteAtEnd", &Page::SetDeleteAtEnd},
            {"ShowTimeDiff", &Page::SetShowTimeDiff},
            {"ShowPics", &Page::SetShowPics},
            {"ShowNumbers", &Page::SetShowNumbers},
            {"UseInverse", &Page::SetUseInverse}};
        if (auto flag = flags.find(name); flag != flags.end()) {
            if (!IsBool(value)) return bad(QStringLiteral("a boolean is expected"));
            changes.push_back([page, setter = flag->second, on = value.toBool()] { (page.get()->*setter)(on); });
        } else if (name == "PeriodTime" || name == "PeriodUnit") {
            std::optional<long long> number = Integer(value);
            if (!number) return bad(QStringLiteral("a number is expected"));
            if (name == "PeriodUnit" && (*number < dfMinute || *number > dfDay))
                return bad(QStringLiteral("0 (minutes), 1 (hours) or 2 (days) is expected"));
            if (name == "PeriodTime" && (*number < 0 || *number > 32767))
                return bad(QStringLiteral("a number from 0 to 32767 is expected"));
            (name == "PeriodTime" ? periodTime : periodUnit) = number;
        } else if (value.metaType().id() != QMetaType::QString) {
            static const QStringList texts = {"Description", "URL",         "StartDate",  "EndDate",
                                              "ElementPath", "InsertColor", "UpdateColor"};
            return bad(texts.contains(name) ? QStringLiteral("a text is expected")
                                            : QStringLiteral("no such page property"));
        } else if (name == "Description") {
            changes.push_back([page, text = value.toString().toStdString()] { page->SetDescription(text); });
        } else if (name == "ElementPath") {
            changes.push_back([page, text = value.toString().toStdString()] { page->SetElementPath(text); });
        } else if (name == "InsertColor" || name == "UpdateColor") {
            const QString text = value.toString().trimmed();
            if (!color.match(text).hasMatch()) return bad(QStringLiteral("a colour \"#RRGGBB\" is expected"));
            const std::string upper = text.toUpper().toStdString();
            if (name == "InsertColor")
                changes.push_back([page, upper] { page->SetInsertColor(upper); });
            else
                changes.push_back([page, upper] { page->SetUpdateColor(upper); });
        } else if (name == "StartDate" || name == "EndDate") {
            const QString text = value.toString().trimmed();
            DateTime date;
            if (!text.isEmpty()) {
                std::optional<DateTime> parsed = DateTime::Parse(text.toStdString());
                if (!parsed) return bad(QStringLiteral("a date \"dd/mm/yyyy\" or an empty text is expected"));
                date = parsed->DatePart();
            }
            if (name == "StartDate")
                changes.push_back([page, date] { page->SetStartDate(date); });
            else
                changes.push_back([page, date] { page->SetEndDate(date); });
        } else if (name == "URL") {
            newURL = WebAddress(value.toString());
            if (newURL->empty()) return bad(QStringLiteral("not a web address"));
        } else {
            return bad(QStringLiteral("no such page property"));
        }
    }

    // The period rule of the window's own boxes: at least 5 minutes, 1 hour or 1 day.
    if (periodTime || periodUnit) {
        const auto unit = static_cast<dfUnits>(periodUnit.value_or(page->PeriodUnit()));
        const int16_t time = ValidPeriod(static_cast<double>(periodTime.value_or(page->PeriodTime())), unit);
        changes.push_back([page, unit, time] {
            page->SetPeriodUnit(unit);
            page->SetPeriodTime(time);
        });
    }

    // A new address gives the page a new key in its list, unless another page holds it.
    std::shared_ptr<ItemList> parent = page->Parent();
    int position = 0;
    if (newURL && !EqualsNoCase(*newURL, page->URL())) {
        if (!parent) {
            Error(kErrorFailed, QStringLiteral("The page has no folder"));
            return;
        }
        const std::string oldURL = page->URL();
        page->SetURL(*newURL);
        const std::string signature = PageSignature(*page);
        page->SetURL(oldURL);
        const std::string candidate = parent->IsApplication()
                                          ? signature
                                          : std::static_pointer_cast<Folder>(parent)->Key() + "\\" + signature;
        if (auto other = parent->Items(candidate); other && other != item) {
            Error(kErrorExists, QStringLiteral("Page already exists: %1").arg(Quoted(Q(*newURL))));
            return;
        }
        for (int i = 0; i < parent->ItemsCount(); ++i)
            if (parent->ItemAt(i) == item) position = i;
    } else {
        newURL.reset();
    }

    try {
        for (auto& change : changes) change();
        if (newURL) {
            parent->RemoveItem(page->Key());
            page->SetURL(*newURL);
            if (position < parent->ItemsCount())
                parent->AddItem(page, ItemRef(position));
            else
                parent->AddItem(page);
        }
    } catch (const Failure& failure) {
        Error(kErrorFailed, Q(failure.Description()));
        return;
    }
    // Only the page's row changes in the window.
    window->ItemEdited(page);
    SaveOrError(window);
}

void ApplicationObject::RemoveItem(const QString& key) {
    BusCall call(*this);
    if (Refused({{QStringLiteral("The key"), &key, kMaxKeyBytes}})) return;
    mainwindow::frmMain* window = Window([=, this] {
        RemoveItem(key);
        return QVariant();
    });
    if (!window) return;
    std::shared_ptr<Item> item = ItemOrError(key);
    if (!item) return;
    std::shared_ptr<ItemList> parent = item->Parent();
    if (!parent) {
        Error(kErrorFailed, QStringLiteral("The item has no folder"));
        return;
    }
    // As the window's remove command: the saved copies of every page below go with it.
    std::vector<std::shared_ptr<Page>> pages;
    PagesBelow(item, pages);
    InternetHandler handler;
    for (const auto& page : pages) {
        RemoveVersions(page->SavedFile());
        handler.RemoveFileFromCache(page->SavedFile());
        for (const std::shared_ptr<Frame>& frame : page->Frames()) handler.RemoveFileFromCache(frame->SavedFile());
    }
    try {
        parent->RemoveItem(item->Key());
    } catch (const Failure& failure) {
        Error(kErrorFailed, Q(failure.Description()));
        return;
    }
    window->ItemTakenOut(*item);
    SaveOrError(window);
}

void ApplicationObject::SaveItems() {
    BusCall call(*this);
    mainwindow::frmMain* window = Window([this] {
        SaveItems();
        return QVariant();
    });
    if (window) SaveOrError(window);
}

}  // namespace pelmor::shell
