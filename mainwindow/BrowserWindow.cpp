// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/BrowserWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <memory>
#include <unistd.h>

#include "platform/log/Log.h"
#include "render/CookieBridge.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

// A page whose new windows (links with a target, window.open) open in itself. A pinned
// page (a saved copy) stays on the address it was sent to: it follows no refresh, link
// or redirection of its own.
class SameWindowPage : public QWebEnginePage {
public:
    SameWindowPage(QWebEngineProfile* profile, bool pinned, QObject* parent)
        : QWebEnginePage(profile, parent), pinned_(pinned) {}

    void Pin(const QUrl& url) { target_ = url.adjusted(QUrl::RemoveFragment); }

    std::function<void(const QString&)> onMessage;

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return pinned_ ? nullptr : this; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override {
        if (onMessage) onMessage(message);
    }
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (!pinned_) return true;
        if (type == NavigationTypeRedirect) return false;
        return !isMainFrame || url.adjusted(QUrl::RemoveFragment) == target_;
    }

private:
    bool pinned_;
    QUrl target_;
};

// Lets through only the listed local files; every other request is refused.
class AllowListInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    AllowListInterceptor(const QStringList& files, QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {
        for (const QString& file : files)
            if (!file.isEmpty()) allowed_.insert(QFileInfo(file).absoluteFilePath());
    }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        const bool allowed = url.isLocalFile() && allowed_.contains(QFileInfo(url.toLocalFile()).absoluteFilePath());
        if (!allowed) info.block(true);
    }

private:
    QSet<QString> allowed_;
};

QUrl TargetUrl(const QString& target) {
    if (target.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(target);
    QUrl url(target);
    return url.scheme().isEmpty() ? QUrl::fromUserInput(target) : url;
}

}  // namespace

BrowserWindow::BrowserWindow(Content content, const QStringList& allowedFiles, QWidget* parent)
    : QMainWindow(parent), content_(content) {
    static const bool rootNoted = [] {
        try {
            if (::geteuid() == 0)
                log::WriteLog("Running as root: the browser window shows pages without Chromium's sandbox, "
                              "which cannot run as root");
        } catch (const std::exception&) {
        }
        return true;
    }();
    Q_UNUSED(rootNoted);
    setObjectName(QStringLiteral("frmBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(shell::AppIcon());
    setWindowTitle(tr("Pelmor"));

    const bool savedCopy = content_ == Content::SavedCopy;
    if (savedCopy) {
        // A profile of its own, kept in memory only, through which nothing but the
        // allowed files passes.
        profile_ = new QWebEngineProfile(this);
        profile_->setUrlRequestInterceptor(new AllowListInterceptor(allowedFiles, profile_));
    } else {
        profile_ = QWebEngineProfile::defaultProfile();
        // A consent or log-in done here reaches the checks through the program's cookie jar.
        render::ShareCookieJar(profile_);
    }
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("ctlBrowser"));
    auto* page = new SameWindowPage(profile_, savedCopy, view_);
    view_->setPage(page);
    page->onMessage = [this](const QString& text) { emit ScriptMessage(text); };
    QWebEngineSettings* settings = page->settings();
    if (savedCopy) {
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    }
    setCentralWidget(view_);

    auto* bar = addToolBar(tr("Navigation"));
    bar->setObjectName(QStringLiteral("ctlNavigation"));
    bar->setMovable(false);
    bar->addAction(view_->pageAction(QWebEnginePage::Back));
    bar->addAction(view_->pageAction(QWebEnginePage::Forward));
    bar->addAction(view_->pageAction(QWebEnginePage::Reload));
    bar->addAction(view_->pageAction(QWebEnginePage::Stop));
    txtAddress_ = new QLineEdit(bar);
    txtAddress_->setObjectName(QStringLiteral("txtAddress"));
    txtAddress_->setReadOnly(savedCopy);
    bar->addWidget(txtAddress_);
    connect(txtAddress_, &QLineEdit::returnPressed, this, [this] {
        if (!txtAddress_->isReadOnly() && !txtAddress_->text().trimmed().isEmpty())
            Navigate(txtAddress_->text().trimmed());
    });

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(lblStatus_, 1);

    connect(page, &QWebEnginePage::loadStarted, this, [this] { loading_ = true; });
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        loading_ = false;
        emit LoadEnded(ok);
    });
    connect(page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        txtAddress_->setText(url.toDisplayString());
    });
    connect(page, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title.isEmpty() ? tr("Pelmor") : tr("%1 - Pelmor").arg(title));
    });
    connect(page, &QWebEnginePage::linkHovered, this,
            [this](const QString& url) { statusBar()->showMessage(url, url.isEmpty() ? 1 : 0); });
    resize(1000, 700);
}

BrowserWindow::~BrowserWindow() {
    // The page goes before the profile it was made with.
    delete view_;
    view_ = nullptr;
}

void BrowserWindow::Navigate(const QString& target) {
    if (!view_) return;
    loading_ = true;
    const QUrl url = TargetUrl(target);
    static_cast<SameWindowPage*>(view_->page())->Pin(url);
    view_->setUrl(url);
}

void BrowserWindow::RunScript(const QString& script, std::function<void(const QVariant&)> done) {
    if (!view_) return;
    QPointer<BrowserWindow> self(this);
    view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                 [self, done = std::move(done)](const QVariant& value) {
                                     if (self && done) done(value);
                                 });
}

void BrowserWindow::Stop() {
    if (view_) view_->page()->triggerAction(QWebEnginePage::Stop);
}

void BrowserWindow::SetStatusText(const QString& text) { lblStatus_->setText(text); }

QString BrowserWindow::StatusText() const { return lblStatus_->text(); }

void BrowserWindow::ShowMaximized() {
    // Without a window manager maximising does nothing: the window takes the work area
    // itself first.
    if (const QScreen* screen = this->screen()) setGeometry(screen->availableGeometry());
    showMaximized();
    raise();
    activateWindow();
}

void BrowserWindow::Quit() {
    hide();
    // The page goes at once, and its renderer with it: a script that keeps running must not
    // burn on while a message about the failure is on screen.
    if (QWebEngineView* view = view_) {
        view_ = nullptr;
        view->page()->triggerAction(QWebEnginePage::Stop);
        delete view;
    }
    deleteLater();
}

QString BrowserWindow::ScriptString(const QString& text) {
    // A JSON string is a JavaScript string literal; the two line separators JSON allows
    // raw are escaped too, for older script engines.
    QString array = QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    QString literal = array.mid(1, array.size() - 2);
    literal.replace(QChar(0x2028), QStringLiteral("\\u2028"));
    literal.replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return literal;
}

}  // namespace pelmor::mainwindow

namespace pelmor::mainwindow {

void BrowserDocument::Evaluate(const QString& body, std::function<void(const QVariant&)> done) const {
    if (!window_) return;
    const QString script =
        QStringLiteral("(function(){try{var d=%1;var f=d.getElementsByTagName('frame');%2}catch(e){return null;}})()")
            .arg(expression_, body);
    window_->RunScript(script, std::move(done));
}

BrowserDocument BrowserDocument::FrameDocument(int index) const {
    return BrowserDocument(
        window_, QStringLiteral("%1.getElementsByTagName('frame')[%2].contentWindow.document").arg(expression_).arg(index));
}

void BrowserDocument::SetBodyInnerHTML(const QString& html, std::function<void(bool)> done) const {
    Evaluate(QStringLiteral("if(!d.body)return false;d.body.innerHTML=%1;return true;").arg(BrowserWindow::ScriptString(html)),
             [done = std::move(done)](const QVariant& value) {
                 if (done) done(value.toBool());
             });
}

void BrowserDocument::BodyInnerHTML(std::function<void(const QString&)> done) const {
    Evaluate(QStringLiteral("return d.body?d.body.innerHTML:'';"), [done = std::move(done)](const QVariant& value) {
        if (done) done(value.toString());
    });
}

}  // namespace pelmor::mainwindow
