// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "History": the versions the checker kept of one page, newest first, with the date of
// each and the size of its change against the version before it (places inserted,
// updated and removed). "Show" opens the chosen version in a browser window with its
// changes marked against the version before it, or against the other chosen version when
// two are chosen; "Open" shows a version alone. The versions are shown as saved copies
// are: no scripts run, and nothing is loaded but the copies themselves.
//
// The comparisons run off the window thread; a closed window drops their answers.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "mainwindow/BrowserWindow.h"
#include "retrieval/Versions.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace pelmor {
class Page;
}

namespace pelmor::mainwindow {

class frmHistory : public QWidget {
    Q_OBJECT
public:
    // A window for the versions of `page`, filled at once; the counts follow.
    explicit frmHistory(const std::shared_ptr<Page>& page, QWidget* parent = nullptr);
    ~frmHistory() override;

    // Reads the page's versions again.
    void Refresh();
    // The version a row shows ("" for none) and the one it is compared with by default:
    // the version before it, or for the oldest the saved copy when that is older.
    std::string VersionOfRow(int row) const;
    std::string BaseOfRow(int row) const;

    void btnShow_Click();
    void btnOpen_Click();

    // The browser window the last Show or Open opened (null before, or once closed).
    BrowserWindow* LastBrowser() const { return browser_; }

signals:
    // The window's counts are all filled in.
    void CountsReady();
    // A browser window shows a version; `marked` is false for Open.
    void VersionShown(bool marked);

private:
    // Opens `shown` in a saved-copy window, marked against `base` unless it is "".
    void ShowVersion(const std::string& shown, const std::string& base);

    std::shared_ptr<Page> page_;
    MarkOptions options_;
    std::vector<PageVersion> versions_;  // oldest first
    std::string savedFile_;
    QTreeWidget* lstVersions_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QPushButton* btnShow_ = nullptr;
    QPushButton* btnOpen_ = nullptr;
    QPointer<BrowserWindow> browser_;
    // Answers of off-thread work for an older Refresh are dropped.
    int generation_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace pelmor::mainwindow
