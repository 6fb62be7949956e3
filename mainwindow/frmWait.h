// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The wait window shown while a page is added: a small window owned by the main window
// that says what is being added while the download runs on another thread. The window
// thread never waits for the download: its end is reported to a callback.

#include <QWidget>
#include <atomic>
#include <functional>
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

    // How a download ended: saved (with the page's title), failed, or cancelled.
    enum class Outcome { Saved, Failed, Cancelled };
    // Called once, on the window thread, when a download ends.
    using Downloaded = std::function<void(Outcome outcome, const std::string& title)>;

    explicit frmWait(QWidget* owner);
    // A download still running is cancelled (its callback is not called any more).
    ~frmWait() override;

    QLabel* Label() const { return lblMessage_; }
    // The busy indicator; hidden while a page is added.
    QProgressBar* Animation() const { return ctlAnimation_; }
    // Sets the label's text; the window takes the label's width (at least kWidth).
    void SetMessage(const QString& text);
    // No message box on failure: the caller reports it.
    void SetQuiet(bool quiet) { quiet_ = quiet; }

    // Shows the window and starts saving the page at `url` with its frames into
    // `fileName` (recording the frames under `page`) on another thread, then returns.
    // `done` follows on the window thread with the page's title; on failure a message box
    // says so first (unless quiet). Nothing of `page` may be touched until then. One
    // download per window.
    void DownloadURL(const std::shared_ptr<Page>& page, const std::string& url, const std::string& fileName,
                     Downloaded done);
    // True from DownloadURL until its callback has been called.
    bool Running() const { return run_ != nullptr; }
    // Ends a running download at once: `done` is called with Cancelled, and the copies
    // the download saves are removed on its own thread when it stops.
    void Cancel();

    // The text that tells that a page could not be added.
    static QString UnableText(const QString& what);
    // "Unable to add <what>: the page was fetched but could not be saved." and the cause.
    static QString SaveFailureText(const QString& what, const QString& why);
    // Why the last download failed although its page was fetched: the cause of the
    // failed save. "" when it did not fail so.
    const std::string& SaveFailure() const { return saveFailure_; }

protected:
    // The window goes when the download has ended, not before.
    void closeEvent(QCloseEvent* event) override;

private:
    struct Run;
    void Finished(bool saved, const std::string& title, const std::string& saveFailure, const std::string& url);

    QLabel* lblMessage_ = nullptr;
    QProgressBar* ctlAnimation_ = nullptr;
    bool quiet_ = false;
    std::string saveFailure_;
    std::shared_ptr<Run> run_;
};

}  // namespace pelmor::mainwindow
