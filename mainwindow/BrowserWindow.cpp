// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/BrowserWindow.h"

#include <QAction>
#include <QEventLoop>
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

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return pinned_ ? nullptr : this; }
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
        } catch (...) {
        }
        return true;
    }();
    Q_UNUSED(rootNoted);
    setObjectName(QStringLiteral("frmBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(shell::AppIcon());
    setWindowTitle(QStringLiteral("Pelmor"));

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
    QWebEngineSettings* settings = page->settings();
    if (savedCopy) {
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    }
    setCentralWidget(view_);

    auto* bar = addToolBar(QStringLiteral("Navigation"));
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
        setWindowTitle(title.isEmpty() ? QStringLiteral("Pelmor") : title + QStringLiteral(" - Pelmor"));
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

QVariant BrowserWindow::RunScript(const QString& script, int timeoutMs) {
    struct Answer {
        bool done = false;
        QVariant value;
        QPointer<QEventLoop> loop;
    };
    if (!view_) return {};
    auto answer = std::make_shared<Answer>();
    QPointer<BrowserWindow> self(this);
    QEventLoop loop;
    answer->loop = &loop;
    view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [answer](const QVariant& value) {
        answer->value = value;
        answer->done = true;
        if (answer->loop) answer->loop->quit();
    });
    if (!answer->done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    answer->loop = nullptr;
    if (!self || !answer->done) return {};
    return answer->value;
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

QVariant BrowserDocument::Evaluate(const QString& body) const {
    if (!window_) return {};
    const QString script =
        QStringLiteral("(function(){try{var d=%1;%2}catch(e){return null;}})()").arg(expression_, body);
    return window_->RunScript(script);
}

QString BrowserDocument::FrameElement(int index) const {
    return QStringLiteral("d.getElementsByTagName('frame')[%1]").arg(index);
}

QString BrowserDocument::readyState() const {
    return Evaluate(QStringLiteral("return String(d.readyState);")).toString();
}

QString BrowserDocument::URL() const { return Evaluate(QStringLiteral("return String(d.URL);")).toString(); }

int BrowserDocument::FramesCount() const {
    return Evaluate(QStringLiteral("return d.getElementsByTagName('frame').length;")).toInt();
}

QString BrowserDocument::FrameSource(int index) const {
    return Evaluate(QStringLiteral("return %1.getAttribute('src')||'';").arg(FrameElement(index))).toString();
}

bool BrowserDocument::SetFrameSource(int index, const QString& url) const {
    // The old document is tagged first, so that the caller can tell when it has gone.
    return Evaluate(QStringLiteral("var e=%1;try{e.contentWindow.document.pelmorLeaving=true;}catch(x){}"
                                   "e.src=%2;return true;")
                        .arg(FrameElement(index), BrowserWindow::ScriptString(url)))
        .toBool();
}

bool BrowserDocument::FrameReplaced(int index) const {
    return Evaluate(QStringLiteral("var e=%1;try{return !e.contentWindow.document.pelmorLeaving;}catch(x){return true;}")
                        .arg(FrameElement(index)))
        .toBool();
}

bool BrowserDocument::FrameDocumentAccessible(int index) const {
    return Evaluate(QStringLiteral("return %1.contentWindow.document!=null;").arg(FrameElement(index))).toBool();
}

BrowserDocument BrowserDocument::FrameDocument(int index) const {
    return BrowserDocument(
        window_, QStringLiteral("%1.getElementsByTagName('frame')[%2].contentWindow.document").arg(expression_).arg(index));
}

bool BrowserDocument::SetBodyInnerHTML(const QString& html) const {
    return Evaluate(QStringLiteral("if(!d.body)return false;d.body.innerHTML=%1;return true;")
                        .arg(BrowserWindow::ScriptString(html)))
        .toBool();
}

QString BrowserDocument::BodyInnerHTML() const {
    return Evaluate(QStringLiteral("return d.body?d.body.innerHTML:'';")).toString();
}

}  // namespace pelmor::mainwindow
