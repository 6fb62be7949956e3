// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The heart of pelmor-render: loads pages in Qt WebEngine with their scripts run, waits
// until each has finished loading and its document has settled, and answers the settled
// DOM of the page and of its same-origin frames (see loader/RenderProtocol.h).
//
// Every page has an off-the-record profile of its own. A load takes an idle page or a new
// one; a page serves a few loads in turn, its origin's storage emptied after each, and is
// then released with its profile and renderer process, as is at once a page whose load
// failed or hung or whose documents came from more than one origin. So each load starts
// with empty storage (no IndexedDB, local or session storage, caches) whatever earlier
// loads did, and memory does not grow with the number of pages rendered. The cookies are
// kept in step with the program's cookie jar file, which all loads share.

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
    // A page (with its profile and renderer process) is released after this many loads.
    static constexpr int kLoadsPerPage = 25;

private:
    friend class RenderJob;
    void Finished(RenderJob* job, const quillon::render::LoadAnswer& answer);
    // A fresh page, in a fresh profile sharing the cookie jar at `cookieJar`.
    QuietPage* NewPage(const std::string& cookieJar);
    // Takes back a page after a load: its cookies go to the jar; then it is emptied of what
    // its origin stored and parked for the next load, or released with its profile.
    void ReturnPage(QuietPage* page, bool reusable);
    void StartQueued();

    std::function<void(const std::string&)> answer_;
    std::deque<QPointer<RenderJob>> queue_;
    QSet<RenderJob*> running_;
    std::vector<QuietPage*> idle_;
};

}  // namespace pelmor::render
