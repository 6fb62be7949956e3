// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's preferences and item tree as objects on the session bus, for the browser
// toolbar: /Settings reads every preference; /Application lists the tree and changes it
// the way the main window's own commands do, saving the profile at once. Items are named
// by their keys (a folder's key names a folder, "" the root). Bad arguments are answered
// with a bus error and change nothing; texts have size limits (app/BusLimits.h). A call
// that arrives while the main window is starting is answered once it can serve. No call
// ever opens a dialog: a failure goes back to the caller as a bus error.

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QDBusMessage>
#include <QVariantMap>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace pelmor {
class Item;
class ItemList;
}  // namespace pelmor

namespace pelmor::mainwindow {
class frmMain;
}

namespace pelmor::shell {

class ToolbarHost;
class QuietErrors;

class SettingsObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.pelmor.Pelmor.Settings")
    Q_PROPERTY(QString SoundFile READ SoundFile)
    Q_PROPERTY(QString DefaultSoundFile READ DefaultSoundFile)
    Q_PROPERTY(bool DisplayOld READ DisplayOld)
    Q_PROPERTY(bool StatusBar READ StatusBar)
    Q_PROPERTY(bool Toolbar READ Toolbar)
    Q_PROPERTY(bool AlertPopup READ AlertPopup)
    Q_PROPERTY(bool AlertSound READ AlertSound)
    Q_PROPERTY(bool DefaultSound READ DefaultSound)
    Q_PROPERTY(bool AutoCheck READ AutoCheck)
    Q_PROPERTY(bool SoftwareUpdate READ SoftwareUpdate)
    Q_PROPERTY(bool WindowsStart READ WindowsStart)
    Q_PROPERTY(QString FontName READ FontName)
    Q_PROPERTY(double FontSize READ FontSize)
    Q_PROPERTY(bool FontBold READ FontBold)
    Q_PROPERTY(bool FontItalic READ FontItalic)
    Q_PROPERTY(bool FontUnderline READ FontUnderline)
    Q_PROPERTY(bool FontStrikethrough READ FontStrikethrough)
    Q_PROPERTY(QString XMLFile READ XMLFile)
    Q_PROPERTY(QString CacheFolder READ CacheFolder)
    Q_PROPERTY(QString AppPath READ AppPath)
    Q_PROPERTY(QString INIFile READ INIFile)
    Q_PROPERTY(double FormTop READ FormTop)
    Q_PROPERTY(double FormLeft READ FormLeft)
    Q_PROPERTY(double FormHeight READ FormHeight)
    Q_PROPERTY(double FormWidth READ FormWidth)
    Q_PROPERTY(int FormWindowState READ FormWindowState)
public:
    explicit SettingsObject(ToolbarHost& host) : host_(host) {}

    QString SoundFile() const;
    QString DefaultSoundFile() const;
    bool DisplayOld() const;
    bool StatusBar() const;
    bool Toolbar() const;
    bool AlertPopup() const;
    bool AlertSound() const;
    bool DefaultSound() const;
    bool AutoCheck() const;
    bool SoftwareUpdate() const;
    bool WindowsStart() const;
    QString FontName() const;
    double FontSize() const;
    bool FontBold() const;
    bool FontItalic() const;
    bool FontUnderline() const;
    bool FontStrikethrough() const;
    QString XMLFile() const;
    QString CacheFolder() const;
    QString AppPath() const;
    QString INIFile() const;
    double FormTop() const;
    double FormLeft() const;
    double FormHeight() const;
    double FormWidth() const;
    int FormWindowState() const;

signals:
    void Used();

private:
    template <typename T, typename F>
    T Read(F&& read) const;

    ToolbarHost& host_;
};

class ApplicationObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.pelmor.Pelmor.Application")
    Q_PROPERTY(bool Active READ Active)
    Q_PROPERTY(int PeriodTime READ PeriodTime)
    Q_PROPERTY(int PeriodUnit READ PeriodUnit)
    Q_PROPERTY(int ItemsCount READ ItemsCount)
public:
    explicit ApplicationObject(ToolbarHost& host);

    bool Active() const;
    int PeriodTime() const;
    int PeriodUnit() const;
    int ItemsCount() const;

public slots:
    // Every folder and page, parents before their children, each a dictionary of its
    // properties ("Key", "ParentKey", "Kind" = "Folder" or "Page", "Level", and the
    // item's own properties; dates as "dd/mm/yyyy hh:MM" text, "" for none).
    Q_SCRIPTABLE QList<QVariantMap> ListItems();
    // Downloads the page into the cache and adds it to the folder (key "" for the root)
    // as the window's add command does; an empty description is taken from the page's
    // title. Answers the new page's key.
    Q_SCRIPTABLE QString AddPage(const QString& folderKey, const QString& url, const QString& description);
    // Adds a folder with the parent's period and active flag; answers its key.
    Q_SCRIPTABLE QString AddFolder(const QString& parentKey, const QString& name, const QString& description);
    // Changes the named properties of a page: Description, URL, Active, Updated,
    // PeriodTime, PeriodUnit, StartDate, EndDate ("dd/mm/yyyy" or ""), DeleteAtEnd,
    // ShowTimeDiff, ShowPics, ShowNumbers, UseInverse, ElementPath, InsertColor,
    // UpdateColor ("#RRGGBB").
    Q_SCRIPTABLE void SetPageProperties(const QString& key, const QVariantMap& properties);
    // Removes a page or a folder with everything below it, and their saved copies.
    Q_SCRIPTABLE void RemoveItem(const QString& key);
    // Writes the tree to the profile file.
    Q_SCRIPTABLE void SaveItems();

    // The main window can serve now: calls put off while it was starting are run and
    // answered, and the tree's changes are announced from here on.
    void ServeWaitingCalls();

signals:
    void Used();
    // A folder or page (by its key) came into the tree, left it, or had one of its stored
    // properties changed, by a client or in the window; a check found a page updated.
    Q_SCRIPTABLE void ItemAdded(const QString& key);
    Q_SCRIPTABLE void ItemRemoved(const QString& key);
    Q_SCRIPTABLE void ItemChanged(const QString& key);
    Q_SCRIPTABLE void PageUpdated(const QString& key);

private:
    // One bus call from start to answer: reports made through ReportError meanwhile open
    // no dialog, and the first one answers the caller as an error when nothing else did.
    class BusCall {
    public:
        explicit BusCall(ApplicationObject& object);
        ~BusCall();

    private:
        ApplicationObject& object_;
        std::unique_ptr<QuietErrors> quiet_;
    };

    // The main window when it can serve. Otherwise null, and the caller has been answered
    // with an error, or, while the window is starting, `again` runs once it is up and its
    // result answers the caller.
    mainwindow::frmMain* Window(std::function<QVariant()> again);
    // One text argument and its limit; Refused answers the caller with an error naming the
    // first that is too long, and says whether there was one.
    struct Limit {
        QString what;
        const QString* value;
        qsizetype maxBytes;
    };
    bool Refused(std::initializer_list<Limit> limits);
    // Compares the tree with the one last seen and sends ItemAdded, ItemRemoved and
    // ItemChanged for the differences.
    void AnnounceChanges();
    std::shared_ptr<ItemList> ListOrError(const QString& key);
    std::shared_ptr<Item> ItemOrError(const QString& key);
    bool SaveOrError(mainwindow::frmMain* window);
    void Error(const char* name, const QString& message);

    ToolbarHost& host_;
    bool busy_ = false;
    // The call being run again once the window is up; its answer goes out by hand.
    std::optional<QDBusMessage> replaying_;
    bool answered_ = false;
    std::vector<std::pair<QDBusMessage, std::function<QVariant()>>> waiting_;
    bool serving_ = false;
    std::map<QString, QString> seen_;  // key -> the stored properties, as last announced
};

}  // namespace pelmor::shell
