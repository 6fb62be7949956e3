// SPDX-License-Identifier: GPL-3.0-or-later
#include "updater/Session.h"

#include "platform/core/Failure.h"
#include "platform/log/Log.h"

namespace pelmor::updater {

namespace {
constexpr size_t kExcerpt = 200;
}

std::string MalformedLineText(std::string_view reason, std::string_view line) {
    std::string text = "Request skipped, ";
    text += reason;
    text += ": ";
    text += line.substr(0, kExcerpt);
    if (line.size() > kExcerpt) text += "...";
    return text;
}

Session::Session(CheckFunction check, std::function<void(const std::string&)> writeLine, PoolOptions options)
    : pool_(std::move(check), [writeLine = std::move(writeLine)](const Event& event) { writeLine(EncodeEvent(event)); },
            std::move(options)) {}

bool Session::HandleLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) return true;
    std::string reason;
    auto request = DecodeRequest(line, &reason);
    if (!request) {
        log::LogProgramError(Failure(Fault::InvalidArgument, "pelmor-updater", MalformedLineText(reason, line)),
                             "ReadRequest");
        return true;
    }
    switch (request->kind) {
    case Request::Kind::StartChecking: pool_.Start(); break;
    case Request::Kind::CheckPage: pool_.Submit(request->id, std::move(request->page)); break;
    case Request::Kind::StopChecking: pool_.Stop(); return false;
    }
    return true;
}

}  // namespace pelmor::updater

namespace pelmor::updater {

void Session::Serve(std::istream& in) {
    std::string line;
    for (;;) {
        line.clear();
        bool tooLong = false;
        std::streambuf* buffer = in.rdbuf();
        int c = std::char_traits<char>::eof();
        while ((c = buffer->sbumpc()) != std::char_traits<char>::eof() && c != '\n') {
            if (line.size() < kMaxRequestBytes)
                line += static_cast<char>(c);
            else
                tooLong = true;
        }
        bool atEnd = c == std::char_traits<char>::eof();
        if (tooLong) {
            log::LogProgramError(
                Failure(Fault::InvalidArgument, "pelmor-updater",
                        MalformedLineText("longer than " + std::to_string(kMaxRequestBytes) + " bytes", line)),
                "ReadRequest");
        } else if ((!atEnd || !line.empty()) && !HandleLine(line)) {
            return;
        }
        if (atEnd) return;
    }
}

}  // namespace pelmor::updater
