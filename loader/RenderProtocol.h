// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The messages between the loader and its script-running helper program pelmor-render,
// over the helper's standard input and output. Every message is one header line of
// space-separated fields, followed by raw bytes whose lengths the header gives, so
// addresses and pages travel unescaped.
//
//   request:  LOAD <id> <deadline> <flags> <url bytes> <jar bytes> <html bytes>\n<url><cookie jar path><html>
//   answer:   DONE <id> <outcome> <http status> <payload bytes>\n<payload>
//   (or)      DONE <id> <outcome> <http status> <payload bytes> <navigation bytes>\n<payload><navigation>
//
// The deadline is a time on the system's monotonic clock (CLOCK_MONOTONIC, which both
// processes share) in milliseconds: the answer is due by then, however long the helper
// took to start or to read the request. Flags are letters, "-" for none: "i" images, media and fonts may be fetched, "f" frames
// are loaded, "n" caches are bypassed. The HTML, when there is any, is the page as the
// loader already fetched it from that (final) address, in UTF-8: the helper runs it
// there instead of fetching it again. The outcome is "ok", "timeout" or "failed"; the
// payload of "ok" is the list of documents below, that of the others an error text. The
// helper follows no navigation of its own accord (a refresh, a script that sets the
// location after the load, a new window): the first one the page asked for travels as the
// navigation, for the loader to judge by its own rule.
//
//   document: <parent> <slot> <accessible> <element> <src bytes> <url bytes> <html bytes>\n<src><url><html>
//
// The first document is the page itself (parent -1, element "-"); each frame follows with
// the index of its parent document in the list, its position among that document's FRAME
// and IFRAME elements as the browser holds them, the name of its element ("FRAME" or
// "IFRAME") and that element's src attribute as written, by which the loader finds the
// element again in the parsed parent. An inaccessible frame (another origin, or frames
// not loaded) has accessible 0 and no URL or HTML.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmor::quillon::render {

struct LoadRequest {
    uint64_t id = 0;
    long long deadlineMs = 0;  // on the monotonic clock
    bool images = false;
    bool frames = true;
    bool noCache = false;
    std::string url;
    std::string cookieJar;  // path of the program's cookie jar; "" for none
    std::string html;       // the page as fetched, UTF-8; "" when the helper fetches it
};

struct RenderedDocument {
    int parent = -1;
    int slot = 0;
    bool accessible = true;
    std::string element;  // "FRAME" or "IFRAME"; "" for the page
    std::string src;      // the element's src attribute
    std::string url;
    std::string html;
};

enum class Outcome { Ok, TimedOut, Failed };

struct LoadAnswer {
    uint64_t id = 0;
    Outcome outcome = Outcome::Failed;
    int httpStatus = 0;
    std::vector<RenderedDocument> documents;  // with Ok
    std::string error;                        // otherwise
    std::string navigation;                   // where the page asked to go; "" for nowhere
};

// The biggest page the helper hands to WebEngine whole; a bigger one is written into the
// document in parts.
inline constexpr std::size_t kMaxHandedOverBytes = 1u << 20;

// Parsed header line (without its line end): the kind word and the numbers and words
// after it; false when the line is not a header of that kind.
struct Header {
    std::string kind;
    std::vector<std::string> fields;
};
bool ParseHeader(std::string_view line, Header& header);

// Now on the monotonic clock that deadlines are given in, in milliseconds.
long long MonotonicMs();

std::string EncodeRequest(const LoadRequest& request);
// Reads a request from its header and the bytes after it (exactly the lengths it names).
bool DecodeRequest(const Header& header, std::string_view body, LoadRequest& request);
// Number of body bytes that follow the header; -1 for a malformed header.
long long BodyLength(const Header& header);

std::string EncodeAnswer(const LoadAnswer& answer);
bool DecodeAnswer(const Header& header, std::string_view body, LoadAnswer& answer);

}  // namespace pelmor::quillon::render
