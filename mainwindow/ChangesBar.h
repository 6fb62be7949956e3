// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The slim bar above a page shown with its changes: how many places were inserted,
// updated and removed, a legend of the three colours, and Previous/Next change
// (Shift+F3 / F3), which scroll the page to each mark in turn.
//
// The marks are the elements the comparison engine labelled with "PelmorMark"; the bar
// finds them through scripts run in the browser window's own script world, and never
// waits for an answer: each arrives as a callback.

#include <QPointer>
#include <QToolBar>

class QAction;
class QLabel;

namespace pelmor::mainwindow {

class BrowserWindow;

class ChangesBar : public QToolBar {
    Q_OBJECT
public:
    // A bar for `window`, whose legend shows the page's two mark colours ("" for the
    // default colours) beside the red of removals.
    ChangesBar(BrowserWindow* window, const QString& insertColour, const QString& updateColour);

    // Counts the marks of the shown page again; the counts appear when the page answers.
    void Refresh();
    // The counts as the bar shows them ("3 inserted, 1 updated, 2 removed").
    QString CountsText() const;
    void NextChange() { Step(1); }
    void PreviousChange() { Step(-1); }

signals:
    // The page answered a Refresh.
    void Counted();
    // The page scrolled to mark `index` (1-based) of `total`; 0 of 0 when it has none.
    void Stepped(int index, int total);

private:
    void SetCounts(int inserted, int updated, int removed);
    void Step(int direction);

    QPointer<BrowserWindow> window_;
    QLabel* lblChanges_ = nullptr;
    QLabel* lblPlace_ = nullptr;
    QAction* menuPreviousChange_ = nullptr;
    QAction* menuNextChange_ = nullptr;
};

// Puts a changes bar under the window's navigation bar and counts the marks.
ChangesBar* AddChangesBar(BrowserWindow* window, const QString& insertColour, const QString& updateColour);

}  // namespace pelmor::mainwindow
