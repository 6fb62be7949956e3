// SPDX-License-Identifier: GPL-3.0-or-later
#include "updater/Protocol.h"

#include <cmath>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>

namespace pelmor::updater {

namespace {

// Largest id a JSON number carries exactly.
constexpr double kMaxId = 9007199254740992.0;

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

struct DecodeError {
    std::string reason;
};

void Frames(std::vector<FrameSnapshot>& out, const FrameList& list) {
    out.reserve(list.Frames().size());
    for (const std::shared_ptr<Frame>& frame : list.Frames()) {
        FrameSnapshot snapshot{frame->URL(), frame->SavedFile(), frame->ElementPath(), {}};
        Frames(snapshot.Frames, *frame);
        out.push_back(std::move(snapshot));
    }
}

void AddFrames(FrameList& list, const std::vector<FrameSnapshot>& frames) {
    for (const auto& snapshot : frames) {
        auto frame = list.AddFrame(snapshot.URL, snapshot.SavedFile);
        frame->SetElementPath(snapshot.ElementPath);
        AddFrames(*frame, snapshot.Frames);
    }
}

QJsonArray EncodeFrames(const std::vector<FrameSnapshot>& frames) {
    QJsonArray array;
    for (const auto& frame : frames) {
        QJsonObject object;
        object["URL"] = Q(frame.URL);
        object["SavedFile"] = Q(frame.SavedFile);
        object["ElementPath"] = Q(frame.ElementPath);
        if (!frame.Frames.empty()) object["Frames"] = EncodeFrames(frame.Frames);
        array.append(object);
    }
    return array;
}

std::string Line(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject ParseObject(std::string_view line) {
    QJsonParseError parseError;
    auto document = QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw DecodeError{"not JSON (" + parseError.errorString().toStdString() + ")"};
    if (!document.isObject()) throw DecodeError{"not a JSON object"};
    return document.object();
}

std::string Text(const QJsonObject& object, const char* name, bool required) {
    auto value = object.value(name);
    if (value.isUndefined() && !required) return {};
    if (!value.isString()) throw DecodeError{std::string("\"") + name + "\" is not text"};
    return value.toString().toStdString();
}

bool Flag(const QJsonObject& object, const char* name) {
    auto value = object.value(name);
    if (value.isUndefined()) return false;
    if (!value.isBool()) throw DecodeError{std::string("\"") + name + "\" is not true or false"};
    return value.toBool();
}

DateTime Date(const QJsonObject& object, const char* name) {
    auto value = object.value(name);
    if (value.isUndefined()) return {};
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        throw DecodeError{std::string("\"") + name + "\" is not a number"};
    // A date the profile could not store back is no date at all.
    if (!DateTime(value.toDouble()).IsStorable())
        throw DecodeError{std::string("\"") + name + "\" is not a date between the years 100 and 9999"};
    return DateTime(value.toDouble());
}

uint64_t Id(const QJsonObject& object) {
    auto value = object.value("id");
    double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > kMaxId || std::floor(number) != number)
        throw DecodeError{"\"id\" is not a whole number"};
    return static_cast<uint64_t>(number);
}

std::vector<FrameSnapshot> DecodeFrames(const QJsonObject& owner, int depth) {
    auto value = owner.value("Frames");
    if (value.isUndefined()) return {};
    if (!value.isArray()) throw DecodeError{"\"Frames\" is not a list"};
    if (depth > kMaxFrameDepth) throw DecodeError{"frames nested too deep"};
    std::vector<FrameSnapshot> frames;
    for (const auto& entry : value.toArray()) {
        if (!entry.isObject()) throw DecodeError{"a frame is not an object"};
        auto object = entry.toObject();
        FrameSnapshot frame{Text(object, "URL", true), Text(object, "SavedFile", true),
                            Text(object, "ElementPath", false), DecodeFrames(object, depth + 1)};
        frames.push_back(std::move(frame));
    }
    return frames;
}

PageSnapshot DecodePage(const QJsonObject& request) {
    auto value = request.value("page");
    if (!value.isObject()) throw DecodeError{"\"page\" is missing"};
    auto object = value.toObject();
    PageSnapshot page;
    page.URL = Text(object, "URL", true);
    page.SavedFile = Text(object, "SavedFile", true);
    page.ElementPath = Text(object, "ElementPath", false);
    page.ShowTimeDiff = Flag(object, "ShowTimeDiff");
    page.ShowPics = Flag(object, "ShowPics");
    page.ShowNumbers = Flag(object, "ShowNumbers");
    page.UseInverse = Flag(object, "UseInverse");
    page.LastCheckDate = Date(object, "LastCheckDate");
    page.Frames = DecodeFrames(object, 1);
    return page;
}

}  // namespace

PageSnapshot SnapshotOf(const Page& page) {
    PageSnapshot snapshot;
    snapshot.URL = page.URL();
    snapshot.SavedFile = page.SavedFile();
    snapshot.ElementPath = page.ElementPath();
    snapshot.ShowTimeDiff = page.ShowTimeDiff();
    snapshot.ShowPics = page.ShowPics();
    snapshot.ShowNumbers = page.ShowNumbers();
    snapshot.UseInverse = page.UseInverse();
    snapshot.LastCheckDate = page.LastCheckDate();
    Frames(snapshot.Frames, page);
    return snapshot;
}

std::shared_ptr<Page> RebuildPage(const PageSnapshot& snapshot) {
    auto page = Page::Create();
    page->SetURL(snapshot.URL);
    page->SetSavedFile(snapshot.SavedFile);
    page->SetElementPath(snapshot.ElementPath);
    page->SetShowTimeDiff(snapshot.ShowTimeDiff);
    page->SetShowPics(snapshot.ShowPics);
    page->SetShowNumbers(snapshot.ShowNumbers);
    page->SetUseInverse(snapshot.UseInverse);
    page->SetLastCheckDate(snapshot.LastCheckDate);
    AddFrames(*page, snapshot.Frames);
    return page;
}

std::string EncodeRequest(const Request& request) {
    QJsonObject object;
    switch (request.kind) {
    case Request::Kind::StartChecking: object["request"] = "StartChecking"; break;
    case Request::Kind::StopChecking: object["request"] = "StopChecking"; break;
    case Request::Kind::CheckPage: {
        object["request"] = "CheckPage";
        object["id"] = static_cast<double>(request.id);
        const auto& page = request.page;
        QJsonObject body;
        body["URL"] = Q(page.URL);
        body["SavedFile"] = Q(page.SavedFile);
        body["ElementPath"] = Q(page.ElementPath);
        body["ShowTimeDiff"] = page.ShowTimeDiff;
        body["ShowPics"] = page.ShowPics;
        body["ShowNumbers"] = page.ShowNumbers;
        body["UseInverse"] = page.UseInverse;
        body["LastCheckDate"] = page.LastCheckDate.Days();
        if (!page.Frames.empty()) body["Frames"] = EncodeFrames(page.Frames);
        object["page"] = body;
        break;
    }
    }
    return Line(object);
}

std::string EncodeEvent(const Event& event) {
    QJsonObject object;
    object["id"] = static_cast<double>(event.id);
    if (event.kind == Event::Kind::PageStartCheck) {
        object["event"] = "PageStartCheck";
    } else {
        object["event"] = "PageUpdated";
        object["updated"] = event.updated;
        object["LastCheckDate"] = event.lastCheckDate.Days();
        if (!event.failure.empty()) object["failure"] = QString::fromStdString(event.failure);
    }
    return Line(object);
}

std::optional<Request> DecodeRequest(std::string_view line, std::string* error) {
    try {
        auto object = ParseObject(line);
        auto name = Text(object, "request", true);
        Request request;
        if (name == "StartChecking") {
            request.kind = Request::Kind::StartChecking;
        } else if (name == "StopChecking") {
            request.kind = Request::Kind::StopChecking;
        } else if (name == "CheckPage") {
            request.kind = Request::Kind::CheckPage;
            request.id = Id(object);
            request.page = DecodePage(object);
        } else {
            throw DecodeError{"unknown request \"" + name + "\""};
        }
        return request;
    } catch (const DecodeError& failure) {
        if (error) *error = failure.reason;
        return std::nullopt;
    }
}

std::optional<Event> DecodeEvent(std::string_view line, std::string* error) {
    try {
        auto object = ParseObject(line);
        auto name = Text(object, "event", true);
        Event event;
        event.id = Id(object);
        if (name == "PageStartCheck") {
            event.kind = Event::Kind::PageStartCheck;
        } else if (name == "PageUpdated") {
            event.kind = Event::Kind::PageUpdated;
            event.updated = Flag(object, "updated");
            event.lastCheckDate = Date(object, "LastCheckDate");
            event.failure = Text(object, "failure", false);
        } else {
            throw DecodeError{"unknown event \"" + name + "\""};
        }
        return event;
    } catch (const DecodeError& failure) {
        if (error) *error = failure.reason;
        return std::nullopt;
    }
}

std::string HostOf(std::string_view url) {
    auto scheme = url.find("://");
    if (scheme == std::string_view::npos) return {};
    auto rest = url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    auto at = rest.rfind('@');
    if (at != std::string_view::npos) rest = rest.substr(at + 1);
    if (!rest.empty() && rest.front() == '[') {
        auto close = rest.find(']');
        rest = rest.substr(0, close == std::string_view::npos ? rest.size() : close + 1);
    } else {
        rest = rest.substr(0, rest.find(':'));
    }
    std::string host(rest);
    for (auto& c : host)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return host;
}

}  // namespace pelmor::updater
