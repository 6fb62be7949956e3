// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/Renderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <signal.h>

#include <algorithm>

#include "loader/UrlRule.h"

namespace pelmor::render {

using quillon::render::LoadAnswer;
using quillon::render::LoadRequest;
using quillon::render::Outcome;
using quillon::render::RenderedDocument;

namespace {

// After the load event a document counts as settled once no request it started is still
// open, no short timer is pending and its DOM has not changed for this long. One that
// never settles is taken as it stands at the load's deadline.
constexpr int kQuietMs = 25;
// Timers up to this delay hold the document unsettled; longer ones are left to run.
constexpr int kShortTimerMs = 1000;
// The answer leaves this long before the caller's time-out, so it arrives in time.
constexpr int kAnswerMarginMs = 250;
// A page that never settles is read this long before its answer is due.
constexpr int kSerialiseMs = 400;
// Frames inside frames are serialised this many levels deep, and this many per load (as
// the loader's direct road loads them).
constexpr int kMaxFrameDepth = 4;
constexpr int kMaxFrames = 32;

// Runs in the page's own world from the start of every document: empties the page's
// storage, hides service workers, and watches the DOM, open requests (fetch,
// XMLHttpRequest, scripts and frames added later, messages to workers not yet answered)
// and short timers, in the page and in its frames of the same origin (those that come
// back readable); once all is settled after the page's load event it writes the job's
// secret token to the console (which only we read). The frames share the page's state
// through a property named by the token.
const char* const kSettleScript = R"JS(
(function () {
  var token = '%1', quiet = %2, shortTimer = %3;
  // Every load starts with empty storage and without service workers.
  try { window.localStorage.clear(); } catch (e) {}
  try { window.sessionStorage.clear(); } catch (e) {}
  try { Object.defineProperty(Navigator.prototype, 'serviceWorker', {get: function () { return undefined; }}); } catch (e) {}
  var setT = window.setTimeout, clearT = window.clearTimeout, log = console.log;
  var clock = function () { return performance.timeOrigin + performance.now(); };
  var state, isTop = window.top === window;
  if (isTop) {
    state = {last: clock(), open: 0, timers: 0};
    Object.defineProperty(window, token, {value: state});
    // Empties the storage of the page's origin at the end of the load, with what the page
    // cannot have replaced yet: its own database connections first, which would hold a
    // deletion up.
    var connections = [], idb = window.indexedDB, P = Promise;
    if (idb) {
      var openDb = IDBFactory.prototype.open, databases = IDBFactory.prototype.databases;
      var deleteDb = IDBFactory.prototype.deleteDatabase, close = IDBDatabase.prototype.close;
      IDBFactory.prototype.open = function () {
        var request = openDb.apply(this, arguments);
        request.addEventListener('success', function () { connections.push(request.result); });
        return request;
      };
    }
    var cachesNow = window.caches;
    Object.defineProperty(state, 'clean', {value: function (done) {
      var work = [];
      try { window.localStorage.clear(); window.sessionStorage.clear(); } catch (e) {}
      connections.forEach(function (c) { try { close.call(c); } catch (e) {} });
      connections = [];
      try {
        if (idb) work.push(databases.call(idb).then(function (list) {
          return P.all(list.map(function (d) {
            return new P(function (ended) {
              var r = deleteDb.call(idb, d.name);
              r.onsuccess = r.onerror = r.onblocked = ended;
            });
          }));
        }));
      } catch (e) {}
      try { if (cachesNow) work.push(cachesNow.keys().then(function (k) { return P.all(k.map(function (n) { return cachesNow.delete(n); })); })); } catch (e) {}
      P.all(work).then(function () { log.call(console, done); }, function () { log.call(console, done); });
    }});
    // A new window is never opened: where it would have gone is told to the helper (after
    // the token, on the console), which reports it as a navigation the page asked for.
    var base = function () { return document.baseURI; };
    window.open = function (url) {
      try { if (url !== undefined && String(url) !== '') log.call(console, token + ' ' + new URL(String(url), base()).href); } catch (e) {}
      return null;
    };
  } else {
    // A frame of another origin is never read, so it is not waited for.
    try { state = window.top[token]; } catch (e) { return; }
    if (!state) return;
  }
  var timers = new Set(), openHere = 0, running = null;
  var touch = function () { state.last = clock(); };
  var opened = function () { state.open++; openHere++; touch(); };
  var closed = function () { if (openHere > 0) { state.open--; openHere--; } touch(); };
  // Requests the page starts by adding elements: scripts (a search index, say) and frames.
  var watch = function (node) {
    if (node.nodeType !== 1 || node.__pelmorWatched) return;
    var tag = node.tagName;
    if (!((tag === 'SCRIPT' && node.src && /^$|javascript|module/i.test(node.type || '')) || tag === 'IFRAME')) return;
    node.__pelmorWatched = true;
    opened();
    var done = function () { node.removeEventListener('load', done); node.removeEventListener('error', done); closed(); };
    node.addEventListener('load', done);
    node.addEventListener('error', done);
  };
  new MutationObserver(function (records) {
    touch();
    for (var i = 0; i < records.length; i++) {
      var added = records[i].addedNodes;
      for (var j = 0; j < added.length; j++) watch(added[j]);
    }
  }).observe(document, {subtree: true, childList: true, attributes: true, characterData: true});
  // A timer is work until it runs, unless it only re-arms the callback that set it (a
  // spinner, a poll): such a chain never ends by itself and is not waited for.
  window.setTimeout = function (callback, delay) {
    var args = Array.prototype.slice.call(arguments, 2), id;
    var wrapped = function () {
      if (timers.delete(id)) state.timers--;
      var outer = running;
      running = callback;
      try { if (typeof callback === 'function') return callback.apply(this, args); } finally { running = outer; }
    };
    id = setT.call(window, wrapped, delay);
    if (!(Number(delay) > shortTimer) && callback !== running) { timers.add(id); state.timers++; }
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
    // An answer's body is read after its headers came: that is work too.
    ['text', 'json', 'arrayBuffer', 'blob', 'formData'].forEach(function (name) {
      var read = Response.prototype[name];
      if (!read) return;
      Response.prototype[name] = function () {
        opened();
        var promise = read.apply(this, arguments);
        promise.then(closed, closed);
        return promise;
      };
    });
  }
  var send = XMLHttpRequest.prototype.send;
  XMLHttpRequest.prototype.send = function () {
    opened();
    this.addEventListener('loadend', closed);
    return send.apply(this, arguments);
  };
  // A worker is at work from a message posted to it until it posts one back.
  if (window.Worker) {
    var post = Worker.prototype.postMessage;
    Worker.prototype.postMessage = function () {
      var worker = this;
      if (!worker.__pelmorAsked) {
        worker.__pelmorAsked = 0;
        worker.addEventListener('message', function () {
          if (worker.__pelmorAsked > 0) { worker.__pelmorAsked--; closed(); } else touch();
        });
        worker.addEventListener('error', function () {
          while (worker.__pelmorAsked > 0) { worker.__pelmorAsked--; closed(); }
        });
      }
      worker.__pelmorAsked++;
      opened();
      return post.apply(this, arguments);
    };
  }
  if (!isTop) {
    // A frame that goes away takes its timers and requests with it.
    window.addEventListener('pagehide', function () {
      state.timers -= timers.size; timers.clear();
      state.open -= openHere; openHere = 0; touch();
    });
    return;
  }
  // Each document the page's text is written into (see state.reopen) is a new round: the
  // checks of an earlier round stop.
  var done = false, round = 0;
  var check = function (r) {
    if (done || r !== round) return;
    if (state.open <= 0 && state.timers <= 0 && clock() - state.last >= quiet) {
      done = true; log.call(console, token);
    } else setT.call(window, function () { check(r); }, 15);
  };
  var loaded = function () { touch(); var r = round; setT.call(window, function () { check(r); }, quiet); };
  window.addEventListener('load', loaded);
  // Called right after document.open(), which drops the listeners: the written document
  // counts as loaded once its parser has ended and its load event has come.
  Object.defineProperty(state, 'reopen', {value: function () {
    round++; done = false;
    var once = false;
    var end = function () { if (!once) { once = true; loaded(); } };
    window.addEventListener('load', end);
    document.addEventListener('readystatechange', function () { if (document.readyState === 'complete') end(); });
  }});
})();
)JS";

// Runs in a world of its own, out of the page's reach: the settled DOM of the page and of
// its frames (FRAME and IFRAME) of the same origin, in the order the loader expects. A
// frame the page cannot read (another origin, a sandbox) comes back inaccessible, as do
// frames nested too deep and those past the number a load reads.
const char* const kSerialiseScript = R"JS(
(function (withFrames, maxDepth, maxFrames, failed) {
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
      if (!withFrames || !inner || depth >= maxDepth || read >= maxFrames || failed.indexOf(inner.URL) >= 0) {
        out.push({p: index, s: j, a: false, t: tag, r: src});
      } else {
        read++;
        walk(inner, index, j, depth + 1, tag, src);
      }
    }
  };
  walk(document, -1, 0, 0, '', '');
  return out;
})(%1, %2, %3, %4)
)JS";

// Runs in the same world before the page is read: asks again for every frame document
// the page can read and keeps, in window.pelmorFailedFrames, the addresses that answer an
// HTTP error, whose documents are only the server's error page (the loader's direct road
// never reads those either). The answer's body is not waited for.
const char* const kFrameStatusScript = R"JS(
(function (maxDepth) {
  var urls = [];
  var walk = function (d, depth) {
    var frames = d.querySelectorAll('frame, iframe');
    for (var j = 0; j < frames.length; j++) {
      var inner = null;
      try { inner = frames[j].contentDocument; } catch (e) { inner = null; }
      if (!inner || depth >= maxDepth) continue;
      if (/^https?:/i.test(inner.URL) && urls.indexOf(inner.URL) < 0) urls.push(inner.URL);
      walk(inner, depth + 1);
    }
  };
  walk(document, 0);
  window.pelmorFailedFrames = null;
  Promise.all(urls.map(function (url) {
    var stop = new AbortController();
    return fetch(url, {cache: 'no-store', credentials: 'include', signal: stop.signal}).then(
        function (answer) { stop.abort(); return answer.status >= 400 ? url : null; },
        function () { return null; });
  })).then(function (failed) { window.pelmorFailedFrames = failed.filter(Boolean); });
  return urls.length;
})(%1)
)JS";

// The loader's rule for where a page may lead (loader/UrlRule.h), plus the page's own
// inline data, blobs and blank frames.
bool AllowedScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return quillon::IsWebUrl(url.toString(QUrl::FullyEncoded).toStdString()) || scheme == "data" || scheme == "blob" ||
           scheme == "about";
}

}  // namespace

// Blocks what the load's options leave out: pictures, media and fonts unless wanted,
// frames unless wanted, and every address that is not on the web (file: above all).
class Interceptor : public QWebEngineUrlRequestInterceptor {
public:
    explicit Interceptor(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}
    void SetRequest(const LoadRequest& request) {
        request_ = request;
        origins_.clear();
    }
    // The web origins documents of the load came from (the page, its redirections, its
    // frames): what can have stored anything.
    int Origins() const { return static_cast<int>(origins_.size()); }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (!AllowedScheme(info.requestUrl())) {
            info.block(true);
            return;
        }
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
            info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeSubFrame) {
            const QUrl& url = info.requestUrl();
            origins_.insert(url.scheme().toLower() + "://" + url.host().toLower() + ":" +
                            QString::number(url.port(-1)));
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
    QSet<QString> origins_;
};

// Empties the storage the page's origin kept (through the function the settle script left
// under the load's token) and writes the clean-up's token to the console once that is
// done; a document without that function (it failed early) only answers.
const char* const kCleanScript = R"JS(
(function (load, token) {
  var state = window[load];
  if (state && state.clean) state.clean(token); else console.log(token);
})('%1', '%2')
)JS";

// The token that marks one load's (or one clean-up's) console message.
QString NewToken() {
    return QString::number(QRandomGenerator::global()->generate64(), 36) +
           QString::number(QRandomGenerator::global()->generate64(), 36);
}

// A page with no one to talk to: dialogs answer no, new windows are refused, and the
// console is read only for the token of the load in hand. It follows no navigation after
// its load's own (and the redirections of that load before it ended): the first one asked
// for is kept, for the loader to judge. Every page has a profile of its own, which goes
// with it. A page serves a few loads in turn (a fresh page costs a renderer process
// start), frozen in between, but only while what its loads stored is all within reach of
// the clean-up after each: a load that failed, or whose documents came from more than one
// origin (a frame of another site), leaves with its page and profile.
class QuietPage : public QWebEnginePage {
public:
    QuietPage(QWebEngineProfile* profile, CookieBridge* cookies)
        : QWebEnginePage(profile), interceptor_(new Interceptor(this)), cookies_(cookies) {
        setUrlRequestInterceptor(interceptor_);
        // The profile outlives its page only until the page is gone.
        connect(this, &QObject::destroyed, profile, &QObject::deleteLater);
    }
    CookieBridge* Cookies() const { return cookies_; }
    // True when the last load's documents all came from one origin.
    bool OneOrigin() const { return interceptor_->Origins() <= 1; }

    // Prepares the page for one load: its options, and the token whose console message
    // calls `settled`.
    void Prepare(const LoadRequest& request, QString token, std::function<void()> settled) {
        interceptor_->SetRequest(request);
        settings()->setAttribute(QWebEngineSettings::AutoLoadImages, request.images);
        token_ = token;
        settled_ = std::move(settled);
        address_ = QUrl::fromEncoded(QByteArray::fromStdString(request.url));
        navigation_.clear();
        refused_.clear();
        started_ = loadEnded_ = false;
        redirects_ = 0;
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
    // Empties what the page's origin stored, then calls `done` (true) once that is done,
    // or (false) when it does not end soon.
    void Clean(std::function<void(bool)> done) {
        const QString load = token_;
        token_ = NewToken();
        auto once = std::make_shared<std::function<void(bool)>>(std::move(done));
        settled_ = [once] {
            if (*once) std::exchange(*once, nullptr)(true);
        };
        QTimer::singleShot(kCleanMs, this, [once] {
            if (*once) std::exchange(*once, nullptr)(false);
        });
        runJavaScript(QString::fromUtf8(kCleanScript).arg(load, token_), QWebEngineScript::MainWorld);
    }
    // Ends the page's part in a load: nothing of it runs until the next one.
    void Park() {
        settled_ = nullptr;
        token_.clear();
        triggerAction(Stop);
        setLifecycleState(LifecycleState::Frozen);
    }
    int Loads() const { return loads_; }
    // The load's own document has loaded (or failed): every navigation from now on is the page's.
    void LoadEnded() { loadEnded_ = true; }
    // The address the page was loaded from, after the redirections of its load.
    const QUrl& Address() const { return address_; }
    // The first navigation the page asked for and did not get; empty for none.
    const QUrl& Navigation() const { return navigation_; }
    // True for a navigation the page asked for and did not get.
    bool Refused(const QUrl& url) const { return refused_.contains(url); }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override {
        if (token_.isEmpty() || !message.startsWith(token_)) return;
        if (message.size() == token_.size()) {
            if (settled_) settled_();
        } else if (message.at(token_.size()) == QLatin1Char(' ')) {
            Refuse(QUrl(message.mid(token_.size() + 1), QUrl::StrictMode));  // a new window
        }
    }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (!AllowedScheme(url)) return false;
        if (!isMainFrame) return true;
        if (token_.isEmpty()) return false;  // between loads nothing moves
        if (!started_) {
            started_ = true;  // the load itself
            return true;
        }
        const bool data = url.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0;
        if (!loadEnded_ && type == NavigationTypeRedirect && !data && url != address_ && redirects_ < kMaxRedirects) {
            ++redirects_;
            address_ = url;
            return true;
        }
        Refuse(url);
        return false;
    }

private:
    // Keeps a navigation the page asked for and did not get (a new window, too): the first
    // one, but for the page's own inline data, is the one reported.
    void Refuse(const QUrl& url) {
        if (!url.isValid()) return;
        if (navigation_.isEmpty() && url.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) != 0)
            navigation_ = url;
        refused_.insert(url);
    }

    static constexpr int kCleanMs = 1000;
    static constexpr int kMaxRedirects = 10;
    Interceptor* interceptor_;
    CookieBridge* cookies_;
    QString token_;
    std::function<void()> settled_;
    int loads_ = 0;
    QUrl address_;
    QUrl navigation_;
    QSet<QUrl> refused_;
    bool started_ = false;
    bool loadEnded_ = false;
    int redirects_ = 0;
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
        const QString token = NewToken();
        QPointer<RenderJob> self(this);
        page_ = page;
        page_->Prepare(request_, token, [self] {
            if (!self) return;
            if (qEnvironmentVariableIsSet("PELMOR_RENDER_VERBOSE"))
                qWarning("load %llu settled after %lld ms", static_cast<unsigned long long>(self->request_.id),
                         static_cast<long long>(self->clock_.elapsed()));
            if (self->feed_ == Feed::Writing) return;
            self->settled_ = true;
            if (self->loaded_) self->Serialise();
        });
        connect(page_, &QWebEnginePage::loadingChanged, this,
                [this](const QWebEngineLoadingInfo& info) { Loading(info); });
        connect(page_, &QWebEnginePage::renderProcessTerminated, this,
                [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
                    Fail(Outcome::Failed, "the page's renderer process ended");
                });
        token_ = token;
        const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(request_.url));
        // A page the loader has fetched already runs at its address without a second
        // request. WebEngine takes a document of limited size that way; a bigger one is
        // written, in parts, into an empty document set up at its address.
        if (request_.html.empty()) {
            page_->load(url);
        } else if (request_.html.size() <= quillon::render::kMaxHandedOverBytes) {
            page_->setContent(QByteArray::fromStdString(request_.html), QStringLiteral("text/html;charset=utf-8"), url);
        } else {
            feed_ = Feed::Waiting;
            page_->setContent(QByteArrayLiteral("<!DOCTYPE html><html><head></head><body></body></html>"),
                              QStringLiteral("text/html;charset=utf-8"), url);
        }
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
                if (feed_ == Feed::Writing) break;
                // A new document (a redirection by script, say) starts over; a refused
                // navigation or a download leaves the document as it was.
                if (page_->Refused(info.url())) break;
                before_ = {loaded_, settled_};
                loaded_ = false;
                settled_ = false;
                cap_.stop();
                break;
            case QWebEngineLoadingInfo::LoadSucceededStatus: {
                if (feed_ == Feed::Writing) break;
                if (feed_ == Feed::Waiting) {
                    // The empty document stands at the page's address: the page's text goes in.
                    page_->LoadEnded();
                    status_ = 200;
                    Write();
                    break;
                }
                if (qEnvironmentVariableIsSet("PELMOR_RENDER_VERBOSE"))
                    qWarning("load %llu loaded after %lld ms", static_cast<unsigned long long>(request_.id),
                             static_cast<long long>(clock_.elapsed()));
                page_->LoadEnded();
                status_ = statusDomain && info.errorCode() > 0 ? info.errorCode() : 200;
                if (status_ >= 400) {
                    Fail(Outcome::Failed, "HTTP status " + std::to_string(status_));
                    return;
                }
                loaded_ = true;
                cap_.start(static_cast<int>(
                    std::clamp<long long>(Left() - kAnswerMarginMs - kSerialiseMs, 0, 24 * 3600 * 1000ll)));
                if (settled_) Serialise();
                break;
            }
            case QWebEngineLoadingInfo::LoadFailedStatus:
                if (info.errorCode() == -3 && !loaded_ && before_.first) {
                    // A navigation that never became a document: the page stands.
                    DownloadIgnored();
                    break;
                }
                if (info.errorCode() != -3) page_->LoadEnded();
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

    // Writes the page's text into the document in parts, through document.open(), write()
    // and close(), as a parser would read it from the network: its scripts run as they come,
    // and the document keeps its address and origin. The settling starts over for the
    // written document; word from the empty one before it does not count.
    void Write() {
        feed_ = Feed::Writing;
        settled_ = false;
        const QString text = QString::fromStdString(request_.html);
        QStringList parts;
        for (qsizetype at = 0; at < text.size();) {
            qsizetype length = std::min<qsizetype>(kWritePartChars, text.size() - at);
            // A part never ends between the two halves of a surrogate pair.
            if (at + length < text.size() && text.at(at + length - 1).isHighSurrogate()) --length;
            parts.append(QStringLiteral("document.write(%1)").arg(JsString(QStringView(text).mid(at, length))));
            at += length;
        }
        parts.append(QStringLiteral("document.close()"));
        page_->runJavaScript(
            QStringLiteral("(function () { document.open(); var s = window['%1']; if (s && s.reopen) s.reopen(); })()")
                .arg(token_),
            QWebEngineScript::MainWorld);
        WritePart(std::move(parts), 0);
    }

    void WritePart(QStringList parts, int index) {
        QPointer<RenderJob> self(this);
        const QString script = parts.at(index);
        // Written from a world of its own: the page's scripts cannot replace document.write.
        page_->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                             [self, parts = std::move(parts), index](const QVariant&) mutable {
                                 if (!self || self->finished_) return;
                                 if (index + 1 < parts.size()) {
                                     self->WritePart(std::move(parts), index + 1);
                                     return;
                                 }
                                 self->feed_ = Feed::Written;
                                 self->loaded_ = true;
                                 self->cap_.start(static_cast<int>(std::clamp<long long>(
                                     self->Left() - kAnswerMarginMs - kSerialiseMs, 0, 24 * 3600 * 1000ll)));
                                 if (self->settled_) self->Serialise();
                             });
    }

    // The text as a JavaScript string literal.
    static QString JsString(QStringView text) {
        QString out;
        out.reserve(text.size() + text.size() / 8 + 2);
        out += QLatin1Char('"');
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (u == '"' || u == '\\') {
                out += QLatin1Char('\\');
                out += c;
            } else if (u < 0x20 || u == 0x2028 || u == 0x2029 || (u >= 0xD800 && u <= 0xDFFF)) {
                out += QStringLiteral("\\u%1").arg(static_cast<unsigned>(u), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
        out += QLatin1Char('"');
        return out;
    }

    void Serialise() {
        if (finished_ || serialising_ || !loaded_) return;
        serialising_ = true;
        cap_.stop();
        QPointer<RenderJob> self(this);
        if (!request_.frames) {
            Read("[]");
            return;
        }
        page_->runJavaScript(QString::fromUtf8(kFrameStatusScript).arg(kMaxFrameDepth),
                             QWebEngineScript::ApplicationWorld, [self](const QVariant& frames) {
                                 // A page that goes answers what it still owed, empty.
                                 if (!self || self->finished_) return;
                                 if (frames.toInt() == 0)
                                     self->Read("[]");
                                 else
                                     self->AwaitFrameStatus();
                             });
    }

    // Asks every few milliseconds whether the frames' answers are in; reads the page when
    // they are, or when the answer is due.
    void AwaitFrameStatus() {
        QPointer<RenderJob> self(this);
        page_->runJavaScript(
            QStringLiteral("window.pelmorFailedFrames ? JSON.stringify(window.pelmorFailedFrames) : ''"),
            QWebEngineScript::ApplicationWorld, [self](const QVariant& failed) {
                if (!self || self->finished_) return;
                const QString list = failed.toString();
                if (!list.isEmpty() || self->Left() < kAnswerMarginMs + kSerialiseMs / 2)
                    self->Read(list.isEmpty() ? QStringLiteral("[]") : list);
                else
                    QTimer::singleShot(15, self, [self] {
                        if (self && !self->finished_) self->AwaitFrameStatus();
                    });
            });
    }

    // Reads the page and its frames, but for the frame documents listed (a JSON array).
    void Read(const QString& failedFrames) {
        QPointer<RenderJob> self(this);
        const QString script = QString::fromUtf8(kSerialiseScript)
                                   .arg(request_.frames ? "true" : "false")
                                   .arg(kMaxFrameDepth)
                                   .arg(kMaxFrames)
                                   .arg(failedFrames);
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
        // The page's address is the one it was loaded from, whatever its script did to
        // its history since.
        answer.documents[0].url = page_->Address().toString(QUrl::FullyEncoded).toStdString();
        Finish(answer);
    }

    void Finish(const LoadAnswer& answer) {
        if (finished_) return;
        if (qEnvironmentVariableIsSet("PELMOR_RENDER_VERBOSE"))
            qWarning("load %llu ended after %lld ms (loaded %d settled %d): %s",
                     static_cast<unsigned long long>(request_.id), static_cast<long long>(clock_.elapsed()), loaded_,
                     settled_, answer.outcome == Outcome::Ok ? "ok" : answer.error.c_str());
        finished_ = true;
        deadline_.stop();
        cap_.stop();
        LoadAnswer sent = answer;
        if (page_ && !page_->Navigation().isEmpty())
            sent.navigation = page_->Navigation().toString(QUrl::FullyEncoded).toStdString();
        if (page_) {
            page_->disconnect(this);
            // A page still busy at its deadline may be stuck in a script: its renderer
            // process, which serves no other page, is ended at once.
            if (answer.outcome == Outcome::TimedOut && page_->renderProcessPid() > 0)
                ::kill(static_cast<pid_t>(page_->renderProcessPid()), SIGKILL);
            // Only a page that answered in time serves again.
            renderer_.ReturnPage(page_, answer.outcome == Outcome::Ok);
            page_ = nullptr;
        }
        renderer_.Finished(this, sent);
    }

public:
    // A download the page started was refused: the page stays as it stood before.
    void DownloadIgnored() {
        if (finished_) return;
        settled_ = settled_ || before_.second;
        // A download started while the page loaded may have ended its loading: the page
        // is taken as it stands once it has been quiet a moment.
        const bool wasLoaded = loaded_ || before_.first;
        loaded_ = true;
        page_->LoadEnded();
        if (settled_)
            Serialise();
        else if (!wasLoaded)
            cap_.start(kQuietMs * 8);
    }

private:
    Renderer& renderer_;
    LoadRequest request_;
    QuietPage* page_ = nullptr;
    QElapsedTimer clock_;
    QTimer deadline_;
    QTimer cap_;
    int status_ = 0;
    bool loaded_ = false;
    bool settled_ = false;
    std::pair<bool, bool> before_{false, false};  // loaded and settled before the last new load began
    bool serialising_ = false;
    bool finished_ = false;
    QString token_;
    // Where a page too big to be handed over whole stands in being written.
    enum class Feed { None, Waiting, Writing, Written };
    Feed feed_ = Feed::None;
    static constexpr qsizetype kWritePartChars = 256 * 1024;
};

// ---- Renderer ---------------------------------------------------------------------------

Renderer::Renderer(std::function<void(const std::string&)> answer)
    : maxConcurrent_(std::max(1, QThread::idealThreadCount())), answer_(std::move(answer)) {}

Renderer::~Renderer() {
    for (RenderJob* job : running_) delete job;
    running_.clear();
    for (QuietPage* page : idle_) page->deleteLater();
    idle_.clear();
    // The pages go before the profiles they use.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QuietPage* Renderer::NewPage(const std::string& cookieJar) {
    auto* profile = new QWebEngineProfile(this);  // off the record: kept in memory, and only for one page
    profile->setHttpCacheType(QWebEngineProfile::NoCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // Pages see an ordinary browser.
    QString agent = profile->httpUserAgent();
    agent.remove(QRegularExpression(QStringLiteral("QtWebEngine/\\S+ ")));
    profile->setHttpUserAgent(agent);
    QWebEngineSettings* settings = profile->settings();
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
    // The cookies are the one thing loads share: through the program's jar.
    auto* cookies = new CookieBridge(profile->cookieStore(), profile);
    cookies->Sync(cookieJar);
    auto* page = new QuietPage(profile, cookies);
    // A download a page starts is refused; the page stays as it stands.
    connect(profile, &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest* download) {
        download->cancel();
        for (RenderJob* job : running_)
            if (job->page() && job->page() == download->page()) job->DownloadIgnored();
    });
    return page;
}

void Renderer::Load(const LoadRequest& request) {
    auto* job = new RenderJob(*this, request);
    queue_.push_back(job);
    StartQueued();
}

void Renderer::StartQueued() {
    while (running_.size() < maxConcurrent_ && !queue_.empty()) {
        QPointer<RenderJob> job = queue_.front();
        queue_.pop_front();
        if (!job) continue;  // ended (timed out) while it waited
        running_.insert(job);
        QuietPage* page = nullptr;
        if (!idle_.empty()) {
            page = idle_.back();
            idle_.pop_back();
            page->Cookies()->Sync(job->request().cookieJar);
        } else {
            page = NewPage(job->request().cookieJar);
        }
        job->Start(page);
    }
}

void Renderer::ReturnPage(QuietPage* page, bool reusable) {
    // Cookies the page set are in the jar before its answer leaves. A page that failed or
    // hung may be stuck, and one whose frames came from other sites holds what the
    // clean-up cannot reach: it goes at once, with its profile and all they stored; its
    // renderer process serves no other page. One that answered empties its origin's
    // storage first, also when it has served its last load.
    page->Cookies()->Flush();
    if (!reusable || !page->OneOrigin()) {
        page->deleteLater();
        return;
    }
    QPointer<QuietPage> guard(page);
    page->Clean([this, guard](bool cleaned) {
        if (!guard) return;
        if (cleaned && guard->Loads() < kLoadsPerPage && static_cast<int>(idle_.size()) < maxConcurrent_) {
            guard->Park();
            idle_.push_back(guard);
        } else {
            guard->deleteLater();
        }
    });
}

void Renderer::Finished(RenderJob* job, const LoadAnswer& answer) {
    answer_(quillon::render::EncodeAnswer(answer));
    running_.remove(job);
    job->deleteLater();
    StartQueued();
}

}  // namespace pelmor::render
