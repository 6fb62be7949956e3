// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/Renderer.h"

#include "loader/UrlRule.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>
#include <QVariant>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <signal.h>

#include <algorithm>

namespace pelmor::render {

using quillon::render::LoadAnswer;
using quillon::render::LoadRequest;
using quillon::render::Outcome;
using quillon::render::RenderedDocument;

namespace {

// After the load event a document counts as settled once no request it started with
// fetch or XMLHttpRequest is still open, no short timer is pending and its DOM has not
// changed for this long.
constexpr int kQuietMs = 25;
// Timers up to this delay hold the document unsettled; longer ones are left to run.
constexpr int kShortTimerMs = 1000;
// A document that keeps changing is taken as it is this long after the load event.
constexpr int kSettleCapMs = 2500;
// The answer leaves this long before the caller's time-out, so it arrives in time.
constexpr int kAnswerMarginMs = 250;
// A page handed over by the loader travels to the page process as a data address, which
// holds at most 2 MB; a bigger page is fetched again.
constexpr std::size_t kMaxHandedOverBytes = 1 << 20;
// Frames inside frames are serialised this many levels deep, and this many per load (as
// the loader's direct road loads them).
constexpr int kMaxFrameDepth = 4;
constexpr int kMaxFrames = 32;

// Runs in the page's own world from the start of every document: watches the DOM, open
// requests made with fetch or XMLHttpRequest and short timers, in the page and in its
// frames of the same origin (those that come back readable), and once all is settled
// after the page's load event writes the job's secret token to the console (which only
// we read). The frames share the page's state through a property named by the token.
const char* const kSettleScript = R"JS(
(function () {
  var token = '%1', quiet = %2, shortTimer = %3;
  var setT = window.setTimeout, clearT = window.clearTimeout, log = console.log;
  var clock = function () { return performance.timeOrigin + performance.now(); };
  var state, isTop = window.top === window;
  if (isTop) {
    state = {last: clock(), open: 0, timers: 0};
    Object.defineProperty(window, token, {value: state});
  } else {
    // A frame of another origin is never read, so it is not waited for.
    try { state = window.top[token]; } catch (e) { return; }
    if (!state) return;
  }
  var timers = new Set(), openHere = 0;
  var touch = function () { state.last = clock(); };
  var opened = function () { state.open++; openHere++; touch(); };
  var closed = function () { if (openHere > 0) { state.open--; openHere--; } touch(); };
  new MutationObserver(touch).observe(document,
      {subtree: true, childList: true, attributes: true, characterData: true});
  window.setTimeout = function (callback, delay) {
    var args = Array.prototype.slice.call(arguments, 2), id;
    var wrapped = function () {
      if (timers.delete(id)) state.timers--;
      if (typeof callback === 'function') return callback.apply(this, args);
    };
    id = setT.call(window, wrapped, delay);
    if (!(Number(delay) > shortTimer)) { timers.add(id); state.timers++; }
    return id;
  };
  window.clearTimeout = function (id) {
    if (timers.delete(id)) state.timers--;
    return clearT.call(window, id);
  };
  if (window.fetch) {
    var fetchOriginal = window.fetch;
    window.fetch = function () {
      opened();
      var promise = fetchOriginal.apply(this, arguments);
      promise.then(closed, closed);
      return promise;
    };
  }
  var send = XMLHttpRequest.prototype.send;
  XMLHttpRequest.prototype.send = function () {
    opened();
    this.addEventListener('loadend', closed);
    return send.apply(this, arguments);
  };
  if (!isTop) {
    // A frame that goes away takes its timers and requests with it.
    window.addEventListener('pagehide', function () {
      state.timers -= timers.size; timers.clear();
      state.open -= openHere; openHere = 0; touch();
    });
    return;
  }
  var done = false;
  var check = function () {
    if (done) return;
    if (state.open <= 0 && state.timers <= 0 && clock() - state.last >= quiet) {
      done = true; log.call(console, token);
    } else setT.call(window, check, 15);
  };
  window.addEventListener('load', function () { touch(); setT.call(window, check, quiet); });
})();
)JS";

// Runs in a world of its own, out of the page's reach: the settled DOM of the page and of
// its frames (FRAME and IFRAME) of the same origin, in the order the loader expects. A
// frame the page cannot read (another origin, a sandbox) comes back inaccessible, as do
// frames nested too deep and those past the number a load reads.
const char* const kSerialiseScript = R"JS(
(function (withFrames, maxDepth, maxFrames) {
  var out = [], read = 0;
  var doctype = function (d) {
    var t = d.doctype;
    if (!t) return '';
    var s = '<!DOCTYPE ' + t.name;
    if (t.publicId) s += ' PUBLIC "' + t.publicId + '"';
    if (t.systemId) s += (t.publicId ? '' : ' SYSTEM') + ' "' + t.systemId + '"';
    return s + '>';
  };
  var walk = function (d, parent, slot, depth, tag, src) {
    var index = out.length;
    // With scripts running, NOSCRIPT content is never part of the page.
    var hidden = d.getElementsByTagName('noscript');
    for (var i = 0; i < hidden.length; i++) hidden[i].textContent = '';
    out.push({p: parent, s: slot, a: true, t: tag, r: src, u: d.URL,
              h: doctype(d) + (d.documentElement ? d.documentElement.outerHTML : '')});
    var frames = d.querySelectorAll('frame, iframe');
    for (var j = 0; j < frames.length; j++) {
      var inner = null, element = frames[j];
      try { inner = element.contentDocument; } catch (e) { inner = null; }
      var tag = element.tagName.toUpperCase(), src = element.getAttribute('src') || '';
      if (!withFrames || !inner || depth >= maxDepth || read >= maxFrames) {
        out.push({p: index, s: j, a: false, t: tag, r: src});
      } else {
        read++;
        walk(inner, index, j, depth + 1, tag, src);
      }
    }
  };
  walk(document, -1, 0, 0, '', '');
  return out;
})(%1, %2, %3)
)JS";

// The loader's rule for where a page may lead (loader/UrlRule.h), plus the page's own
// inline data, blobs and blank frames.
bool AllowedScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return quillon::IsWebUrl(url.toString(QUrl::FullyEncoded).toStdString()) || scheme == "data" ||
           scheme == "blob" || scheme == "about";
}

}  // namespace

// Blocks what the load's options leave out: pictures, media and fonts unless wanted,
// frames unless wanted, and every address that is not on the web (file: above all).
class Interceptor : public QWebEngineUrlRequestInterceptor {
public:
    explicit Interceptor(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}
    void SetRequest(const LoadRequest& request) { request_ = request; }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (!AllowedScheme(info.requestUrl())) {
            info.block(true);
            return;
        }
        switch (info.resourceType()) {
            case QWebEngineUrlRequestInfo::ResourceTypeImage:
            case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
            case QWebEngineUrlRequestInfo::ResourceTypeMedia:
            case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
            case QWebEngineUrlRequestInfo::ResourceTypeObject:
            case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
                if (!request_.images) {
                    info.block(true);
                    return;
                }
                break;
            case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
                if (!request_.frames) {
                    info.block(true);
                    return;
                }
                break;
            default:
                break;
        }
        if (request_.noCache && (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
                                 info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeSubFrame)) {
            info.setHttpHeader("Cache-Control", "no-cache");
            info.setHttpHeader("Pragma", "no-cache");
        }
    }

private:
    LoadRequest request_;
};

// A page with no one to talk to: dialogs answer no, new windows are refused, and the
// console is read only for the settle token of the load in hand. One page serves a few
// loads in turn (a fresh page costs a renderer process start), frozen in between.
class QuietPage : public QWebEnginePage {
public:
    explicit QuietPage(QWebEngineProfile* profile) : QWebEnginePage(profile), interceptor_(new Interceptor(this)) {
        setUrlRequestInterceptor(interceptor_);
    }

    // Prepares the page for one load: its options, and the token whose console message
    // calls `settled`.
    void Prepare(const LoadRequest& request, QString token, std::function<void()> settled) {
        interceptor_->SetRequest(request);
        settings()->setAttribute(QWebEngineSettings::AutoLoadImages, request.images);
        token_ = token;
        settled_ = std::move(settled);
        for (const QWebEngineScript& old : scripts().find(QStringLiteral("pelmor-settle"))) scripts().remove(old);
        QWebEngineScript settle;
        settle.setName(QStringLiteral("pelmor-settle"));
        settle.setInjectionPoint(QWebEngineScript::DocumentCreation);
        settle.setWorldId(QWebEngineScript::MainWorld);
        settle.setRunsOnSubFrames(true);
        settle.setSourceCode(QString::fromUtf8(kSettleScript).arg(token).arg(kQuietMs).arg(kShortTimerMs));
        scripts().insert(settle);
        if (lifecycleState() != LifecycleState::Active) setLifecycleState(LifecycleState::Active);
        ++loads_;
    }
    // Ends the page's part in a load: nothing of it runs until the next one.
    void Park() {
        settled_ = nullptr;
        token_.clear();
        triggerAction(Stop);
        setLifecycleState(LifecycleState::Frozen);
    }
    int Loads() const { return loads_; }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override {
        if (!token_.isEmpty() && message == token_ && settled_) settled_();
    }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override { return AllowedScheme(url); }

private:
    Interceptor* interceptor_;
    QString token_;
    std::function<void()> settled_;
    int loads_ = 0;
};

// ---- RenderJob --------------------------------------------------------------------------

class RenderJob : public QObject {
public:
    RenderJob(Renderer& renderer, LoadRequest request) : renderer_(renderer), request_(std::move(request)) {
        clock_.start();
        deadline_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] { Fail(Outcome::TimedOut, "timed out"); });
        deadline_.start(static_cast<int>(std::clamp<long long>(Left() - kAnswerMarginMs, 0, 24 * 3600 * 1000ll)));
        cap_.setSingleShot(true);
        connect(&cap_, &QTimer::timeout, this, [this] { Serialise(); });
    }

    ~RenderJob() override {
        if (page_) renderer_.ReturnPage(page_, false);
    }

    const LoadRequest& request() const { return request_; }
    // Milliseconds until the load's deadline.
    long long Left() const { return request_.deadlineMs - quillon::render::MonotonicMs(); }
    QuietPage* page() const { return page_; }

    void Start(QuietPage* page) {
        if (finished_) {
            renderer_.ReturnPage(page, false);
            return;
        }
        const QString token = QString::number(QRandomGenerator::global()->generate64(), 36) +
                              QString::number(QRandomGenerator::global()->generate64(), 36);
        QPointer<RenderJob> self(this);
        page_ = page;
        page_->Prepare(request_, token, [self] {
            if (!self) return;
            if (qEnvironmentVariableIsSet("PELMOR_RENDER_VERBOSE"))
                qWarning("load %llu settled after %lld ms", static_cast<unsigned long long>(self->request_.id),
                         static_cast<long long>(self->clock_.elapsed()));
            self->settled_ = true;
            if (self->loaded_) self->Serialise();
        });
        connect(page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) { Loading(info); });
        connect(page_, &QWebEnginePage::renderProcessTerminated, this,
                [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
                    Fail(Outcome::Failed, "the page's renderer process ended");
                });
        const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(request_.url));
        // A page the loader has fetched already runs at its address without a second
        // request; one too big to be handed over that way is fetched again.
        if (!request_.html.empty() && request_.html.size() <= kMaxHandedOverBytes)
            page_->setContent(QByteArray::fromStdString(request_.html), QStringLiteral("text/html;charset=utf-8"), url);
        else
            page_->load(url);
    }

    // Ends the job with a failure or a time-out, unless it has ended already.
    void Fail(Outcome outcome, const std::string& error) {
        LoadAnswer answer;
        answer.id = request_.id;
        answer.outcome = outcome;
        answer.httpStatus = status_;
        answer.error = error;
        Finish(answer);
    }

private:
    void Loading(const QWebEngineLoadingInfo& info) {
        if (finished_) return;
        const bool statusDomain = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
        switch (info.status()) {
            case QWebEngineLoadingInfo::LoadStartedStatus:
                // A new document (a redirection by script, say) starts over.
                loaded_ = false;
                settled_ = false;
                cap_.stop();
                break;
            case QWebEngineLoadingInfo::LoadSucceededStatus: {
                if (qEnvironmentVariableIsSet("PELMOR_RENDER_VERBOSE"))
                    qWarning("load %llu loaded after %lld ms", static_cast<unsigned long long>(request_.id),
                             static_cast<long long>(clock_.elapsed()));
                status_ = statusDomain && info.errorCode() > 0 ? info.errorCode() : 200;
                if (status_ >= 400) {
                    Fail(Outcome::Failed, "HTTP status " + std::to_string(status_));
                    return;
                }
                loaded_ = true;
                const long long left = Left() - kAnswerMarginMs;
                cap_.start(static_cast<int>(std::clamp<long long>(left - 100, 0, kSettleCapMs)));
                if (settled_) Serialise();
                break;
            }
            case QWebEngineLoadingInfo::LoadFailedStatus:
                if (statusDomain) {
                    status_ = info.errorCode();
                    Fail(Outcome::Failed, "HTTP status " + std::to_string(status_));
                } else if (info.errorCode() != -3) {  // -3: aborted for another navigation
                    Fail(Outcome::Failed, info.errorString().toStdString());
                }
                break;
            case QWebEngineLoadingInfo::LoadStoppedStatus:
                break;
        }
    }

    void Serialise() {
        if (finished_ || serialising_ || !loaded_) return;
        serialising_ = true;
        cap_.stop();
        QPointer<RenderJob> self(this);
        const QString script =
            QString::fromUtf8(kSerialiseScript)
                .arg(request_.frames ? "true" : "false")
                .arg(kMaxFrameDepth)
                .arg(kMaxFrames);
        page_->runJavaScript(script, QWebEngineScript::ApplicationWorld, [self](const QVariant& result) {
            if (self) self->Serialised(result);
        });
    }

    void Serialised(const QVariant& result) {
        if (finished_) return;
        LoadAnswer answer;
        answer.id = request_.id;
        answer.outcome = Outcome::Ok;
        answer.httpStatus = status_;
        const QVariantList list = result.toList();
        for (const QVariant& item : list) {
            const QVariantMap map = item.toMap();
            RenderedDocument document;
            document.parent = map.value("p").toInt();
            document.slot = map.value("s").toInt();
            document.accessible = map.value("a").toBool();
            document.element = map.value("t").toString().toStdString();
            document.src = map.value("r").toString().toStdString();
            if (document.accessible) {
                document.url = map.value("u").toString().toStdString();
                document.html = map.value("h").toString().toStdString();
            }
            answer.documents.push_back(std::move(document));
        }
        if (answer.documents.empty()) {
            Fail(Outcome::Failed, "the page could not be read");
            return;
        }
        // The page's address after redirections, by the server or by script (a page
        // handed over keeps the address the document reports).
        if (page_->url().scheme() != QLatin1String("data"))
            answer.documents[0].url = page_->url().toString(QUrl::FullyEncoded).toStdString();
        Finish(answer);
    }

    void Finish(const LoadAnswer& answer) {
        if (finished_) return;
        if (qEnvironmentVariableIsSet("PELMOR_RENDER_VERBOSE"))
            qWarning("load %llu ended after %lld ms (loaded %d settled %d): %s", static_cast<unsigned long long>(request_.id),
                     static_cast<long long>(clock_.elapsed()), loaded_, settled_,
                     answer.outcome == Outcome::Ok ? "ok" : answer.error.c_str());
        finished_ = true;
        deadline_.stop();
        cap_.stop();
        if (page_) {
            page_->disconnect(this);
            // A page still busy at its deadline may be stuck in a script; its renderer
            // process is ended, unless another load in hand uses it too, so that no later
            // page is given to a stuck process.
            if (answer.outcome == Outcome::TimedOut) renderer_.EndRendererOf(page_, this);
            // Only a page that answered in time serves again; one that failed or hung goes
            // at once.
            renderer_.ReturnPage(page_, answer.outcome == Outcome::Ok);
            page_ = nullptr;
        }
        renderer_.Finished(this, answer);
    }

    Renderer& renderer_;
    LoadRequest request_;
    QuietPage* page_ = nullptr;
    QElapsedTimer clock_;
    QTimer deadline_;
    QTimer cap_;
    int status_ = 0;
    bool loaded_ = false;
    bool settled_ = false;
    bool serialising_ = false;
    bool finished_ = false;
};

// ---- Renderer ---------------------------------------------------------------------------

Renderer::Renderer(std::function<void(const std::string&)> answer) : answer_(std::move(answer)) {
    profile_ = new QWebEngineProfile(this);  // off the record: nothing of it is written to disk
    profile_->setHttpCacheType(QWebEngineProfile::NoCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // Pages see an ordinary browser.
    QString agent = profile_->httpUserAgent();
    agent.remove(QRegularExpression(QStringLiteral("QtWebEngine/\\S+ ")));
    profile_->setHttpUserAgent(agent);
    QWebEngineSettings* settings = profile_->settings();
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    settings->setAttribute(QWebEngineSettings::Accelerated2dCanvasEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    cookies_ = std::make_unique<CookieBridge>(profile_->cookieStore());
}

Renderer::~Renderer() {
    cookies_->Flush();
    for (RenderJob* job : running_) delete job;
    running_.clear();
    for (QuietPage* page : idle_) delete page;
    idle_.clear();
}

void Renderer::Load(const LoadRequest& request) {
    auto* job = new RenderJob(*this, request);
    queue_.push_back(job);
    StartQueued();
}

void Renderer::StartQueued() {
    while (running_.size() < kMaxConcurrent && !queue_.empty()) {
        QPointer<RenderJob> job = queue_.front();
        queue_.pop_front();
        if (!job) continue;  // ended (timed out) while it waited
        running_.insert(job);
        cookies_->Sync(job->request().cookieJar);
        QuietPage* page = nullptr;
        if (!idle_.empty()) {
            page = idle_.back();
            idle_.pop_back();
        } else {
            page = new QuietPage(profile_);
        }
        job->Start(page);
    }
}

void Renderer::EndRendererOf(QuietPage* page, RenderJob* job) {
    const qint64 pid = page->renderProcessPid();
    if (pid <= 0) return;
    for (RenderJob* other : running_)
        if (other != job && other->page() && other->page()->renderProcessPid() == pid) return;
    ::kill(static_cast<pid_t>(pid), SIGKILL);
}

void Renderer::ReturnPage(QuietPage* page, bool reusable) {
    if (reusable && page->Loads() < kLoadsPerPage && static_cast<int>(idle_.size()) < kMaxConcurrent) {
        page->Park();
        idle_.push_back(page);
    } else {
        page->deleteLater();
    }
}

void Renderer::Finished(RenderJob* job, const LoadAnswer& answer) {
    // Cookies the page set are in the jar before the caller can start its next load.
    cookies_->Flush();
    answer_(quillon::render::EncodeAnswer(answer));
    running_.remove(job);
    job->deleteLater();
    StartQueued();
}

}  // namespace pelmor::render
