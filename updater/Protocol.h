// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The line protocol between the main window and the checker program: one JSON object per
// line, requests on the checker's standard input and events on its standard output.
//
//   {"request":"StartChecking"}
//   {"request":"CheckPage","id":7,"page":{"URL":...,"SavedFile":...,"ElementPath":...,
//       "ShowTimeDiff":false,"ShowPics":false,"ShowNumbers":false,"UseInverse":false,
//       "LastCheckDate":46000.5,"Frames":[{"URL":...,"SavedFile":...,"ElementPath":...,
//       "Frames":[...]}]}}
//   {"request":"StopChecking"}
//
//   {"event":"PageStartCheck","id":7}
//   {"event":"PageUpdated","id":7,"updated":true,"LastCheckDate":46000.51}
//   {"event":"PageUpdated","id":8,"updated":false,"LastCheckDate":46000.52,"failure":"HTTP status 404"}
//
// "failure" is present only when the check could not compare the page (or one of its
// frames): the page or its saved copy did not load, the check timed out or broke off.
// Ids are chosen by the main window, one per hand-over; dates are day numbers (see
// platform/core/DateTime.h), carried exactly.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/Page.h"
#include "platform/core/DateTime.h"

namespace pelmor::updater {

// A frame as a check sees it: where it lives, where its copy is, and its own frames.
struct FrameSnapshot {
    std::string URL;
    std::string SavedFile;
    std::string ElementPath;
    std::vector<FrameSnapshot> Frames;
    bool operator==(const FrameSnapshot&) const = default;
};

// Everything a check of a page reads, copied out of the item tree.
struct PageSnapshot {
    std::string URL;
    std::string SavedFile;
    std::string ElementPath;
    bool ShowTimeDiff = false;
    bool ShowPics = false;
    bool ShowNumbers = false;
    bool UseInverse = false;
    DateTime LastCheckDate;
    std::vector<FrameSnapshot> Frames;
    bool operator==(const PageSnapshot&) const = default;
};

// Frames nested deeper than this are refused by the decoder.
inline constexpr int kMaxFrameDepth = 64;

PageSnapshot SnapshotOf(const Page& page);
// A free-standing page (no parent, no key) holding the snapshot's fields and frames.
std::shared_ptr<Page> RebuildPage(const PageSnapshot& snapshot);

struct Request {
    enum class Kind { StartChecking, CheckPage, StopChecking };
    Kind kind = Kind::StartChecking;
    uint64_t id = 0;
    PageSnapshot page;
};

struct Event {
    enum class Kind { PageStartCheck, PageUpdated };
    Kind kind = Kind::PageStartCheck;
    uint64_t id = 0;
    bool updated = false;
    DateTime lastCheckDate;
    // Why the check could not compare the page; "" when it did.
    std::string failure{};
    bool operator==(const Event&) const = default;
};

// One line each, without the line feed.
std::string EncodeRequest(const Request& request);
std::string EncodeEvent(const Event& event);

// The request or event on one line; nullopt with the reason in `error` when the line is
// not one (bad JSON, unknown name, missing or mistyped field, frames nested too deep).
std::optional<Request> DecodeRequest(std::string_view line, std::string* error);
std::optional<Event> DecodeEvent(std::string_view line, std::string* error);

// Lower-case host of a URL, without user info and port; "" when it names none.
std::string HostOf(std::string_view url);

}  // namespace pelmor::updater
