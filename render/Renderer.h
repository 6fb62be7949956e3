// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The heart of pelmor-render: loads pages in Qt WebEngine with their scripts run, waits
// until each has finished loading and its document has settled, and answers the settled
// DOM of the page and of its same-origin frames (see loader/RenderProtocol.h).
//
// A load takes an idle page or a new one; a page serves a few loads in turn, frozen in
// between, and is then released with its renderer process, as is a page whose load failed
// or hung, so memory does not grow with the number of pages rendered. All pages share one off-the-record profile
// whose cookies are kept in step with the program's cookie jar file.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loader/RenderProtocol.h"
#include "render/CookieBridge.h"

class QWebEngineProfile;

namespace pelmor::render {

class QuietPage;
class RenderJob;

class Renderer : public QObject {
public:
    // `answer` receives every encoded answer, in the order loads end.
    explicit Renderer(std::function<void(const std::string&)> answer);
    ~Renderer() override;

    // Starts (or queues) a load; its answer comes later through `answer`.
    void Load(const quillon::render::LoadRequest& request);

    // Loads rendered at once: one per core. More wait in a queue (the loader paces its
    // requests the same way, so they seldom do).
    const int maxConcurrent_;
    // A page (and its renderer process) is released after this many loads.
    static constexpr int kLoadsPerPage = 25;

private:
    friend class RenderJob;
    void Finished(RenderJob* job, const quillon::render::LoadAnswer& answer);
    // Takes back a page after a load: emptied of what its origin stored and parked for the
    // next load, or released.
    void ReturnPage(QuietPage* page, bool reusable);
    // Ends the renderer process of `page` unless a load other than `job` uses it.
    void EndRendererOf(QuietPage* page, RenderJob* job);
    void StartQueued();

    std::function<void(const std::string&)> answer_;
    QWebEngineProfile* profile_ = nullptr;
    std::unique_ptr<CookieBridge> cookies_;
    std::deque<QPointer<RenderJob>> queue_;
    QSet<RenderJob*> running_;
    std::vector<QuietPage*> idle_;
};

}  // namespace pelmor::render
