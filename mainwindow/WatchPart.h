// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Watch only a part...": in a browser window showing a page, the user points at the part
// to watch. While pointing, the element under the pointer is outlined and the page's own
// reactions to clicks are held back; a click chooses the element and its element path
// (as the comparison engine reads it, "TABLE(0),TBODY(0),TR(2)") goes out through
// Chosen; the marks painted into a shown page count as the element they are in. Escape,
// or a click on nothing but the page's body, ends pointing without a choice.
//
// The outline and the path are made by scripts in the program's own script world: the
// page's scripts neither see nor change them.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>

class QAction;

namespace pelmor::mainwindow {

class BrowserWindow;

class WatchPart : public QObject {
    Q_OBJECT
public:
    // Adds "Watch only a part..." to the window's navigation bar; lives as long as the
    // window.
    explicit WatchPart(BrowserWindow* browser);

    // Starts pointing (PointingStarted once the outline is ready).
    void Start();
    // Ends pointing without a choice.
    void Cancel();
    // Chooses the element at a point of the browser view, in view pixels.
    void ChooseAt(const QPoint& viewPoint);
    bool Pointing() const { return pointing_; }
    QAction* Action() const { return action_; }

signals:
    void PointingStarted();
    // The chosen element's path; "" when the point held no element below the body.
    void Chosen(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunScript(const QString& script, std::function<void(const QVariant&)> done = {});
    void Watch(QObject* target);

    QPointer<BrowserWindow> browser_;
    QAction* action_ = nullptr;
    bool pointing_ = false;
    bool releasePending_ = false;
};

}  // namespace pelmor::mainwindow
