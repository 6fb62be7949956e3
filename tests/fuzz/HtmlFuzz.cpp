// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz entry for the HTML document model: any bytes are parsed, read as text, serialised
// and parsed again (keeping its letters), and then walked with random text-range moves,
// finds and paints. Painting must never change the rendered text.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/html/Html.h"

namespace {

using pelmor::html::Document;
using pelmor::html::Element;
using pelmor::html::TextRange;

class Random {
public:
    explicit Random(std::string_view seed) {
        for (char c : seed) state_ = (state_ ^ uint8_t(c)) * 1099511628211ull;
        if (!state_) state_ = 1;
    }
    uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    long Below(long n) { return n > 0 ? long(Next() % uint64_t(n)) : 0; }

private:
    uint64_t state_ = 1469598103934665603ull;
};

// Every letter of every text node under the body, white space left out, sorted. The
// parser may re-nest repaired markup when it reads its own output (a FORM that closed no P
// the first time closes it the second time; content leaves a SELECT; elements flattened
// at the depth cap come after later siblings), but it never loses or invents text.
std::string Letters(const Document& doc) {
    std::string out;
    pelmor::html::Node scope = doc.body();
    pelmor::html::Node n = scope.firstChild();
    while (n) {
        for (char c : n.nodeType() == pelmor::html::kTextNode ? n.nodeValue() : std::string_view())
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r' && c != '\f') out += c;
        if (n.firstChild()) {
            n = n.firstChild();
            continue;
        }
        while (n && !n.nextSibling()) {
            n = n.parentNode();
            if (n == scope) n = pelmor::html::Node();
        }
        if (n) n = n.nextSibling();
    }
    std::sort(out.begin(), out.end());
    return out;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

const char* const kColors[] = {"#FFFF00", "00FF00", "red", "#f00", "bogus", ""};

void WalkRanges(Document& doc, Random& random) {
    Element body = doc.body();
    const std::string before = body.innerText();
    auto elements = body.getElementsByTagName("*");
    TextRange range = body.createTextRange();
    TextRange other = range.duplicate();
    for (int step = 0; step < 24; ++step) {
        switch (random.Below(9)) {
            case 0: range.moveStart("character", random.Below(21) - 10); break;
            case 1: range.moveEnd("character", random.Below(21) - 10); break;
            case 2: {
                std::string text = range.text();
                long from = random.Below(long(text.size()) + 1);
                range.findText(text.substr(size_t(from), size_t(random.Below(12))), 1073741823, 0);
                break;
            }
            case 3: range.execCommand("BackColor", true, kColors[random.Below(6)]); break;
            case 4: range.queryCommandValue(random.Below(2) ? "ForeColor" : "BackColor"); break;
            case 5: other = range.duplicate(); break;
            case 6: range.setEndPoint(random.Below(2) ? "EndToStart" : "EndToEnd", other); break;
            case 7:
                if (elements.length()) range.moveToElementText(elements.item(size_t(random.Below(long(elements.length())))));
                break;
            default: {
                Element e = elements.item(size_t(random.Below(long(elements.length()) + 1)));
                e.style().SetBackgroundColor(kColors[random.Below(6)]);
                e.style().SetBorderWidth("3");
                break;
            }
        }
        Check(range.StartPosition() <= range.EndPosition(), "range ends in order");
    }
    Check(body.innerText() == before, "painting keeps the text");
    auto again = Document::Parse(doc.documentElement().outerHTML());
    if (doc.getElementsByTagName("PLAINTEXT").length() == 0)
        Check(Letters(*again) == Letters(doc), "painted page parses back to the same letters");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto doc = Document::Parse(input, "http://fuzz.example/page.html");
    Element root = doc->documentElement();
    std::string text = doc->body().innerText();
    std::string html = root.outerHTML();
    auto again = Document::Parse(html);
    // The serialised page reads back with the same letters. (The markup itself may settle
    // only after a second round where the parser repaired misnested tags.)
    // (PLAINTEXT has no end tag: whatever is written after it reads back as text.)
    if (doc->getElementsByTagName("PLAINTEXT").length() == 0)
        Check(Letters(*again) == Letters(*doc), "serialised page keeps its letters");
    doc->title();
    doc->frames().length();

    Random random(input);
    WalkRanges(*again, random);

    // Content replaced through innerHTML and innerText.
    auto elements = doc->getElementsByTagName("*");
    if (elements.length()) {
        Element e = elements.item(size_t(random.Below(long(elements.length()))));
        e.SetInnerHTML(input.substr(input.size() / 2));
        e.innerText();
        e.outerHTML();
        e.SetInnerText(text.substr(0, 64));
        Check(e.getElementsByTagName("*").length() == 0, "innerText leaves text only");
    }
    return 0;
}
