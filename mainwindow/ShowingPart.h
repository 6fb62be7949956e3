// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Showing pages with their changes marked. A display opens the live page in a new browser
// window, makes the marked HTML off the window thread, writes it into the page and into
// each of its frames, and shows the window; on success the page counts as seen. Every step
// goes on from a signal (the load ended, a script answered, the marked HTML is ready, a
// frame loaded) or from a time limit; nothing waits. Pages asked for while one is shown
// are shown after it, one after another.
//
// A closed browser window, or Cancel (the main window closes), ends a display at any step:
// its saved copies are put back as they were and the window is given back.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <memory>

#include "items/ItemList.h"
#include "items/Page.h"

class QWidget;

namespace pelmor {
class Settings;
}

namespace pelmor::mainwindow {

class BrowserWindow;
class ShowRun;

// What the showing part asks of the window.
class ShowingWindow {
public:
    virtual ~ShowingWindow() = default;
    // A display begins: the window takes no input and the check timer stops. ShowEnds
    // undoes both; every display that began ends once.
    virtual void ShowBegins() = 0;
    virtual void ShowEnds() = 0;
    // The status bar's text; "" clears it.
    virtual void StatusText(const QString& text) = 0;
    // The page was shown with its marks: it turns plain with its folders, the activity log
    // says "Displayed", the tray icon is restored when nothing is updated, the profile is written.
    virtual void PageShown(const std::shared_ptr<Page>& page) = 0;
    // The browser showing the page is on screen; the window may add its commands to it.
    virtual void BrowserShown(BrowserWindow* browser, const std::shared_ptr<Page>& page) = 0;
    // The parent of the messages a failed display gives.
    virtual QWidget* MessageParent() = 0;
};

class ShowingPart : public QObject {
    Q_OBJECT
public:
    ShowingPart(ShowingWindow& window, Settings& settings, QObject* parent = nullptr);
    ~ShowingPart() override;

    // Shows the page now, or after the display in progress.
    void ShowPage(const std::shared_ptr<Page>& page);
    // Shows every updated active page below the list, skipping inactive folders.
    void ShowFolder(const ItemList& folder);
    // Ends the display in progress and drops the pages waiting.
    void Cancel();
    // True while a display runs or pages wait.
    bool Busy() const { return run_ != nullptr || !waiting_.empty(); }

    // How long a display waits for the browser and for each frame (15 s and 10 s).
    void SetLimits(int browserMs, int frameMs) {
        browserMs_ = browserMs;
        frameMs_ = frameMs;
    }
    int BrowserLimit() const { return browserMs_; }
    int FrameLimit() const { return frameMs_; }
    // The browser windows opened by displays, oldest first; closed ones drop out.
    QList<QWidget*> BrowserWindows() const;

signals:
    // A display ended, with the page shown (`shown`) or not (after its message was closed).
    void Finished(std::shared_ptr<pelmor::Page> page, bool shown);

private:
    friend class ShowRun;
    void StartNext();
    void RunEnded(const std::shared_ptr<Page>& page, bool shown);
    void KeepBrowser(QWidget* browser);

    ShowingWindow& window_;
    Settings& settings_;
    std::deque<std::shared_ptr<Page>> waiting_;
    ShowRun* run_ = nullptr;
    int browserMs_ = 15000;
    int frameMs_ = 10000;
    QList<QPointer<QWidget>> browsers_;
};

}  // namespace pelmor::mainwindow
