// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The wait window shown while a page is added: a small window owned by the main window
// that says what is being added while the download runs on another thread.

#include <QWidget>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;

namespace pelmor {
class Page;
}

namespace pelmor::mainwindow {

class frmWait : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 75;

    explicit frmWait(QWidget* owner);

    QLabel* Label() const { return lblMessage_; }
    // The busy indicator; hidden while a page is added.
    QProgressBar* Animation() const { return ctlAnimation_; }
    // Sets the label's text; the window takes the label's width (at least kWidth).
    void SetMessage(const QString& text);
    // No message box on failure: the caller reports it.
    void SetQuiet(bool quiet) { quiet_ = quiet; }

    // Shows the window and saves the page at `strURL` with its frames into `strFileName`
    // (recording the frames under `oPage`) on another thread, pumping the window
    // thread's events meanwhile. `strTitle` receives the page's title. On failure a
    // message box says so (unless quiet) and `blResult` is false.
    void DownloadURL(const std::shared_ptr<Page>& oPage, const std::string& strURL, const std::string& strFileName,
                     std::string& strTitle, bool& blResult);

    // The text that tells that a page could not be added.
    static QString UnableText(const QString& what);
    // "Unable to add <what>: the page was fetched but could not be saved." and the cause.
    static QString SaveFailureText(const QString& what, const QString& why);
    // Why the last DownloadURL failed although its page was fetched: the cause of the
    // failed save. "" when it did not fail so.
    const std::string& SaveFailure() const { return saveFailure_; }

protected:
    // The window goes when the download has ended, not before.
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* lblMessage_ = nullptr;
    QProgressBar* ctlAnimation_ = nullptr;
    bool quiet_ = false;
    std::string saveFailure_;
};

}  // namespace pelmor::mainwindow
