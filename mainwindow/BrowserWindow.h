// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The web browser window in which a page is shown: a window of our own on Qt WebEngine
// with an address bar, back, forward, reload and a status bar. Each display creates a new
// window; once shown it belongs to the user and deletes itself when closed.
//
// The program reads and writes the loaded document only through scripts that run in a
// world of their own: the page's scripts cannot see or replace what those scripts use,
// and nothing of the program is exposed to the page. Links and new windows a shown page
// opens stay in the same window.
//
// A window for a saved copy (Content::SavedCopy) runs no scripts at all, and loads only
// the files it was allowed (the copy and its frame copies): no other local file and
// nothing from the network.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class QLineEdit;
class QLabel;
class QWebEngineProfile;
class QWebEngineView;

namespace pelmor::mainwindow {

class BrowserWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class Content { Live, SavedCopy };
    // Ready states as the browser reports them.
    static constexpr int kReadyLoading = 1;
    static constexpr int kReadyComplete = 4;

    // A new, hidden window. For a saved copy, `allowedFiles` are the local files (absolute
    // paths) it may load.
    explicit BrowserWindow(Content content = Content::Live, const QStringList& allowedFiles = {},
                           QWidget* parent = nullptr);
    ~BrowserWindow() override;

    // Starts loading a URL, or a local file given by its path.
    void Navigate(const QString& target);
    // kReadyLoading from Navigate until the load ends (well or not), kReadyComplete after.
    int ReadyState() const { return loading_ ? kReadyLoading : kReadyComplete; }
    // Runs `script` on the top document; `done` gets its value later (an invalid value when
    // the script throws or gives nothing). `done` is never called once the window has gone,
    // so a caller that must end in any case also watches the window's destroyed().
    void RunScript(const QString& script, std::function<void(const QVariant&)> done);
    void Stop();
    void SetStatusText(const QString& text);
    QString StatusText() const;
    void ShowMaximized();
    // Closes and releases the window.
    void Quit();

    QWebEngineView* View() const { return view_; }

    // `text` as a JavaScript string literal: safe to place into a script whatever it holds.
    static QString ScriptString(const QString& text);

signals:
    // The last load ended; `ok` is false when it failed.
    void LoadEnded(bool ok);
    // A script of the program's own world wrote `text` to the console.
    void ScriptMessage(const QString& text);

private:
    Content content_;
    bool loading_ = false;
    QWebEngineProfile* profile_ = nullptr;
    QWebEngineView* view_ = nullptr;
    QLineEdit* txtAddress_ = nullptr;
    QLabel* lblStatus_ = nullptr;
};

// A document loaded in a browser window, the top one or that of a frame at any depth,
// read and written through scripts whose answers arrive later. A handle whose window went
// away never answers.
class BrowserDocument {
public:
    BrowserDocument() = default;
    explicit BrowserDocument(BrowserWindow* window) : window_(window), expression_(QStringLiteral("document")) {}

    BrowserWindow* Window() const { return window_; }
    bool IsValid() const { return !window_.isNull(); }
    // The script expression that names this document in its window.
    const QString& Expression() const { return expression_; }
    // The document of FRAME element `index` (0-based).
    BrowserDocument FrameDocument(int index) const;
    // Runs `body` as a function with `d` bound to this document and `f` to its FRAME
    // elements; `done` gets its value, or null when it throws.
    void Evaluate(const QString& body, std::function<void(const QVariant&)> done) const;
    // Replaces the body's content; `done` gets false when there is no body.
    void SetBodyInnerHTML(const QString& html, std::function<void(bool)> done) const;
    // The body's content; "" when there is none.
    void BodyInnerHTML(std::function<void(const QString&)> done) const;

private:
    BrowserDocument(BrowserWindow* window, QString expression) : window_(window), expression_(std::move(expression)) {}

    QPointer<BrowserWindow> window_;
    QString expression_;
};

}  // namespace pelmor::mainwindow
