// SPDX-License-Identifier: GPL-3.0-or-later
#include "loader/RenderProtocol.h"

#include <time.h>

#include <charconv>

namespace pelmor::quillon::render {
namespace {

// A non-negative decimal number that fits `out`; false for anything else.
template <typename T>
bool Number(std::string_view text, T& out) {
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && out >= 0;
}

bool SignedNumber(std::string_view text, int& out) {
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

const char* OutcomeWord(Outcome outcome) {
    switch (outcome) {
        case Outcome::Ok: return "ok";
        case Outcome::TimedOut: return "timeout";
        default: return "failed";
    }
}

// Limits that keep a damaged stream from asking for absurd allocations.
constexpr long long kMaxBody = 1ll << 31;

}  // namespace

bool ParseHeader(std::string_view line, Header& header) {
    header = Header();
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t space = line.find(' ', start);
        if (space == std::string_view::npos) space = line.size();
        std::string_view word = line.substr(start, space - start);
        if (word.empty()) return false;
        if (header.kind.empty())
            header.kind = std::string(word);
        else
            header.fields.emplace_back(word);
        start = space + 1;
    }
    return !header.kind.empty();
}

long long BodyLength(const Header& header) {
    long long total = 0;
    if (header.kind == "LOAD" && header.fields.size() == 6) {
        long long url = 0, jar = 0, html = 0;
        if (!Number(header.fields[3], url) || !Number(header.fields[4], jar) || !Number(header.fields[5], html))
            return -1;
        total = url + jar + html;
    } else if (header.kind == "DONE" && (header.fields.size() == 4 || header.fields.size() == 5)) {
        long long navigation = 0;
        if (!Number(header.fields[3], total)) return -1;
        if (header.fields.size() == 5 && !Number(header.fields[4], navigation)) return -1;
        total += navigation;
    } else {
        return -1;
    }
    return total <= kMaxBody ? total : -1;
}

long long MonotonicMs() {
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string EncodeRequest(const LoadRequest& request) {
    std::string flags;
    if (request.images) flags += 'i';
    if (request.frames) flags += 'f';
    if (request.noCache) flags += 'n';
    if (flags.empty()) flags = "-";
    return "LOAD " + std::to_string(request.id) + " " + std::to_string(request.deadlineMs) + " " + flags + " " +
           std::to_string(request.url.size()) + " " + std::to_string(request.cookieJar.size()) + " " +
           std::to_string(request.html.size()) + "\n" + request.url + request.cookieJar + request.html;
}

bool DecodeRequest(const Header& header, std::string_view body, LoadRequest& request) {
    request = LoadRequest();
    std::size_t url = 0, jar = 0, html = 0;
    if (header.kind != "LOAD" || header.fields.size() != 6) return false;
    if (!Number(header.fields[0], request.id) || !Number(header.fields[1], request.deadlineMs) ||
        !Number(header.fields[3], url) || !Number(header.fields[4], jar) || !Number(header.fields[5], html) ||
        url > body.size() || jar > body.size() - url || html != body.size() - url - jar)
        return false;
    const std::string& flags = header.fields[2];
    request.images = flags.find('i') != std::string::npos;
    request.frames = flags.find('f') != std::string::npos;
    request.noCache = flags.find('n') != std::string::npos;
    request.url = std::string(body.substr(0, url));
    request.cookieJar = std::string(body.substr(url, jar));
    request.html = std::string(body.substr(url + jar));
    return true;
}

std::string EncodeAnswer(const LoadAnswer& answer) {
    std::string payload;
    if (answer.outcome == Outcome::Ok) {
        for (const RenderedDocument& document : answer.documents) {
            payload += std::to_string(document.parent) + " " + std::to_string(document.slot) + " " +
                       (document.accessible ? "1 " : "0 ") + (document.element.empty() ? "-" : document.element) +
                       " " + std::to_string(document.src.size()) + " " + std::to_string(document.url.size()) + " " +
                       std::to_string(document.html.size()) + "\n";
            payload += document.src;
            payload += document.url;
            payload += document.html;
        }
    } else {
        payload = answer.error;
    }
    std::string header = "DONE " + std::to_string(answer.id) + " " + OutcomeWord(answer.outcome) + " " +
                         std::to_string(answer.httpStatus) + " " + std::to_string(payload.size());
    if (!answer.navigation.empty()) header += " " + std::to_string(answer.navigation.size());
    return header + "\n" + payload + answer.navigation;
}

bool DecodeAnswer(const Header& header, std::string_view body, LoadAnswer& answer) {
    answer = LoadAnswer();
    if (header.kind != "DONE" || (header.fields.size() != 4 && header.fields.size() != 5)) return false;
    if (!Number(header.fields[0], answer.id) || !Number(header.fields[2], answer.httpStatus)) return false;
    std::size_t navigation = 0;
    if (header.fields.size() == 5 && (!Number(header.fields[4], navigation) || navigation > body.size()))
        return false;
    answer.navigation = std::string(body.substr(body.size() - navigation));
    body.remove_suffix(navigation);
    const std::string& outcome = header.fields[1];
    if (outcome == "ok")
        answer.outcome = Outcome::Ok;
    else if (outcome == "timeout")
        answer.outcome = Outcome::TimedOut;
    else
        answer.outcome = Outcome::Failed;
    if (answer.outcome != Outcome::Ok) {
        answer.error = std::string(body);
        return true;
    }
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t end = body.find('\n', at);
        if (end == std::string_view::npos) return false;
        Header line;
        line.kind = "DOC";
        if (!ParseHeader("DOC " + std::string(body.substr(at, end - at)), line) || line.fields.size() != 7)
            return false;
        RenderedDocument document;
        std::size_t src = 0, url = 0, html = 0;
        if (!SignedNumber(line.fields[0], document.parent) || !Number(line.fields[1], document.slot) ||
            !Number(line.fields[4], src) || !Number(line.fields[5], url) || !Number(line.fields[6], html))
            return false;
        document.accessible = line.fields[2] == "1";
        if (line.fields[3] != "-") document.element = line.fields[3];
        at = end + 1;
        if (src > body.size() - at || url > body.size() - at - src || html > body.size() - at - src - url)
            return false;
        document.src = std::string(body.substr(at, src));
        document.url = std::string(body.substr(at + src, url));
        document.html = std::string(body.substr(at + src + url, html));
        at += src + url + html;
        // Parents come before their frames.
        if (document.parent >= static_cast<int>(answer.documents.size()) || (answer.documents.empty()) != (document.parent < 0))
            return false;
        answer.documents.push_back(std::move(document));
    }
    return !answer.documents.empty();
}

}  // namespace pelmor::quillon::render
