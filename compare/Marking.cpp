// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>

#include "compare/Compare.h"
#include "compare/Internal.h"
#include "platform/core/Deadline.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "platform/text/Unicode.h"

namespace pelmor::sorrel {
namespace {

constexpr const char* kRemovalColour = "#FF0000";
// Time one marking operation may take, walk and painting together; past it the changes
// found so far are painted and the rest is only counted in the log.
constexpr std::chrono::seconds kMarkingBudget{10};

void CheckSet(bool done, std::string_view value) {
    if (!done && !value.empty())
        throw Failure(Fault::InvalidArgument, kSource, "Cannot set the colour " + std::string(value));
}

void AddBorder(html::Element element, std::string_view colour) {
    html::Style style = element.style();
    CheckSet(style.SetBorderColor(colour), colour);
    style.SetBorderWidth("3");
    style.SetBorderStyle("solid");
}

bool KeepsWhiteSpace(html::Node node) {
    for (html::Node n = node.parentNode(); n; n = n.parentNode()) {
        std::string_view name = n.nodeName();
        if (name == "PRE" || name == "LISTING" || name == "PLAINTEXT" || name == "XMP" || name == "TEXTAREA")
            return true;
    }
    return false;
}

// A node's text as the page shows it: runs of white space (outside preformatted text)
// read as one blank, no-break spaces as blanks, and no leading blanks.
std::string ShownText(std::string_view raw, bool keepWhiteSpace) {
    std::string out;
    out.reserve(raw.size());
    bool inRun = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\xC2' && i + 1 < raw.size() && raw[i + 1] == '\xA0') {
            out += ' ';
            ++i;
            inRun = false;
        } else if (!keepWhiteSpace && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f')) {
            if (!inRun) out += ' ';
            inRun = true;
        } else {
            out += c;
            inRun = false;
        }
    }
    size_t first = out.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : out.substr(first);
}

std::vector<std::string> SplitAtBlanks(const std::string& text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (true) {
        size_t blank = text.find(' ', start);
        words.push_back(text.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
        if (blank == std::string::npos) break;
        start = blank + 1;
    }
    return words;
}

std::string Hex(long value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%lX", static_cast<unsigned long>(static_cast<uint32_t>(value)));
    return buffer;
}

int HexValue(std::string_view text) {
    int value = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c - 'a' + 10;
        value = value * 16 + digit;
    }
    return value;
}

// The inverse of the text colour under the range, or the given colour when the inverse
// would not show against the background.
std::string InverseColour(const html::TextRange& range, std::string_view colour) {
    std::string fore = Hex(range.queryCommandValue("ForeColor"));
    std::string back = Hex(range.queryCommandValue("BackColor"));
    std::string_view f = fore;
    std::string_view groups[3] = {f.substr(0, 2), f.size() > 2 ? f.substr(2, 2) : std::string_view(),
                                  f.substr(f.size() > 2 ? f.size() - 2 : 0)};
    std::string inverse;
    for (std::string_view group : groups) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%02X", 255 - HexValue(group));
        inverse += buffer;
    }
    if (EqualsNoCase(inverse, back)) return std::string(colour);
    return inverse;
}

// Word pairs beyond which an updated text that is not similar as a whole is shown as a
// whole (its old text struck through before it) rather than word by word.
constexpr size_t kMaxShownWordCells = size_t{1} << 22;

// Largest distance that still counts as "at most `share` of `length`".
long LimitOf(double share, size_t length) { return long(share * double(length)); }

// A removed node's text as the page showed it: an image gives its file name, an element
// without text the file names of its images.
std::string RemovedText(html::Node node) {
    std::string text;
    if (node.nodeType() == html::kTextNode) {
        text = ShownText(node.nodeValue(), false);
    } else if (html::Element element = node.AsElement()) {
        if (element.IsImage()) return std::string(element.nameProp());
        text = ShownText(element.innerText(), false);
        if (IsBlankText(text)) {
            text.clear();
            for (const html::Element& image : element.getElementsByTagName("IMG")) {
                if (image.nameProp().empty()) continue;
                if (!text.empty()) text += ' ';
                text += image.nameProp();
            }
        }
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

html::Element NewDel(html::Document& document, const std::string& text) {
    html::Element del = document.createElement("del");
    del.setAttribute("style", std::string("color: ") + kRemovalColour + "; text-decoration: line-through");
    del.setAttribute(kMarkAttribute, "remove");
    del.appendChild(document.createTextNode(text));
    return del;
}

bool NameIn(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view candidate : names)
        if (name == candidate) return true;
    return false;
}

// The DEL as `parent` can hold it: inside a list item, a cell or a row where the parent
// takes only those, so that the page parsed again keeps it in place. None where nothing
// shown can stand (a SELECT, raw text, the head).
html::Node FitForParent(html::Document& document, html::Node parent, html::Node removed, html::Element del) {
    std::string_view p = parent.nodeName(), r = removed.nodeName();
    if (NameIn(p, {"SELECT", "OPTGROUP", "OPTION", "DATALIST", "HTML", "HEAD", "FRAMESET", "COLGROUP", "SCRIPT",
                   "STYLE", "TEXTAREA", "TITLE", "NOSCRIPT", "TEMPLATE", "IFRAME", "OBJECT", "svg", "math"}))
        return {};
    auto wrap = [&](std::string_view tag, html::Node content) {
        html::Element outer = document.createElement(tag);
        outer.appendChild(content);
        return outer;
    };
    if (NameIn(r, {"LI", "DT", "DD"}) && NameIn(p, {"UL", "OL", "DL", "MENU"})) return wrap(r, del);
    if (p == "TR") return wrap(r == "TH" ? "TH" : "TD", del);
    if (NameIn(p, {"TABLE", "TBODY", "THEAD", "TFOOT"})) {
        html::Element cell = wrap("TD", del);
        if (r == "TR") {
            size_t cells = removed.AsElement().children().length();
            if (cells > 1) cell.setAttribute("colspan", std::to_string(cells));
        }
        return wrap("TR", cell);
    }
    return del;
}

// A SPAN the painting made: its only attributes are its background and the mark.
bool IsPaintSpan(html::Node node) {
    html::Element span = node.AsElement();
    return span.nodeName() == "SPAN" && span.attributeCount() <= 2 &&
           span.getAttribute("style").substr(0, 17) == "background-color:";
}

// Lost words put at a place in a text node: split where needed, and out of the painted
// SPANs that start or end right there, so that the words keep their own colours.
void InsertWords(html::Document& document, const html::TextPoint& point, bool atEnd, const std::string& words) {
    html::Node text = point.node;
    html::Node parent = text.parentNode();
    if (!parent || NameIn(parent.nodeName(), {"TABLE", "TBODY", "THEAD", "TFOOT", "TR", "SELECT", "OPTION"})) return;
    const std::string data(text.nodeValue());
    html::Node before;
    if (point.offset == 0) {
        before = text;
        while (IsPaintSpan(before.parentNode()) && before.parentNode().firstChild() == before) before = before.parentNode();
    } else if (point.offset >= data.size()) {
        html::Node after = text;
        while (IsPaintSpan(after.parentNode()) && after.parentNode().lastChild() == after) after = after.parentNode();
        before = after.nextSibling();
        parent = after.parentNode();
    } else {
        html::Node rest = document.createTextNode(data.substr(point.offset));
        text.SetData(data.substr(0, point.offset));
        parent.insertBefore(rest, text.nextSibling());
        before = rest;
    }
    if (before) parent = before.parentNode();
    html::Node blank = document.createTextNode(" ");
    html::Element del = NewDel(document, words);
    parent.insertBefore(atEnd ? blank : html::Node(del), before);
    parent.insertBefore(atEnd ? html::Node(del) : blank, before);
}

}  // namespace

void Compare::Paint(html::TextRange& range, std::string_view colour) {
    if (!range.execCommand("BackColor", true, colour)) return;
    html::Element span = range.parentElement();
    if (IsPaintSpan(span)) span.setAttribute(kMarkAttribute, markKind_);
}

void Compare::KeepRemovedWords(const html::TextRange& place, bool atEnd, std::string words) {
    if (IsBlankText(words)) return;
    removedWords_.push_back({place, atEnd, std::move(words)});
}

// Shows what went once everything else is painted: painting never changes the page's
// text, so the places kept on the way still hold until the first DEL goes in.
void Compare::ShowRemovedContent(const std::vector<const EditScript*>& removals) {
    struct WordPlace {
        html::TextPoint point;
        bool atEnd;
        std::string words;
    };
    std::vector<WordPlace> places;
    for (RemovedWords& lost : removedWords_) {
        html::TextPoint point = lost.atEnd ? lost.place.EndPoint() : lost.place.StartPoint();
        if (point.node) places.push_back({point, lost.atEnd, std::move(lost.words)});
    }
    removedWords_.clear();
    html::Document& document = *newDocument_;
    for (const EditScript* record : removals) {
        try {
            std::string text = RemovedText(record->OriginalNode());
            if (text.empty()) continue;
            html::Node parent = record->NewNode();
            html::Node content = FitForParent(document, parent, record->OriginalNode(), NewDel(document, text));
            if (!content) continue;
            html::Node before = record->place_;
            while (before && before.parentNode() != parent) before = before.parentNode();
            parent.insertBefore(content, before);
        } catch (const std::exception& error) {
            LogFailure(error);
        }
    }
    // The last place in a text node first, so that the offsets before it still hold.
    std::stable_sort(places.begin(), places.end(), [](const WordPlace& a, const WordPlace& b) {
        if (a.point.node.Identity() != b.point.node.Identity())
            return std::less<const void*>()(a.point.node.Identity(), b.point.node.Identity());
        return a.point.offset > b.point.offset;
    });
    for (const WordPlace& place : places) {
        try {
            InsertWords(document, place.point, place.atEnd, place.words);
        } catch (const std::exception& error) {
            LogFailure(error);
        }
    }
}

void Compare::MarkImage(html::Element image, std::string_view colour) { AddBorder(image, colour); }

void Compare::MarkNode(html::Node node, html::Node originalNode, std::string_view colour) {
    MarkNodeWith(node, originalNode, colour, false);
}

void Compare::MarkText(html::Node textNode, html::Node originalNode, std::string_view colour) {
    try {
        PaintText(textNode, originalNode, colour, false);
    } catch (const std::exception& error) {
        LogFailure(error);
    }
}

void Compare::MarkNodeWith(html::Node node, html::Node originalNode, std::string_view colour, bool inResult) {
    try {
        if (inResult) node = FindElementByPath(BodyOf(resultDocument_), GetElementPath(node));
        int type = node.nodeType();
        if (type == html::kCommentNode) return;
        if (type == html::kTextNode) {
            PaintText(node, originalNode, colour, inResult);
            return;
        }
        html::Element element = node.AsElement();
        if (!element) throw Failure(Fault::Missing, kSource, "The node to mark is neither text nor an element");
        if (element.IsImage()) {
            MarkImage(element, colour);
            if (!colour.empty()) element.setAttribute(kMarkAttribute, markKind_);
            return;
        }
        if (element.IsObject() || element.getElementsByTagName("IMG").length() >= 1) AddBorder(element, colour);
        CheckSet(element.style().SetBackgroundColor(colour), colour);
        if (!colour.empty()) element.setAttribute(kMarkAttribute, markKind_);
        if (element.IsTableRow()) {
            html::Element first = element.children().item(0);
            if (first) CheckSet(first.style().SetBackgroundColor(colour), colour);
        }
    } catch (const std::exception& error) {
        LogFailure(error);
    }
}

void Compare::PaintText(html::Node textNode, html::Node originalNode, std::string_view colour, bool inResult) {
    html::Element body = BodyOf(inResult ? resultDocument_ : newDocument_);
    html::Element parent = textNode.parentNode().AsElement();
    if (!parent) throw Failure(Fault::Missing, kSource, "The text to paint has no parent element");
    html::TextRange range = body.createTextRange();
    if (!range.moveToElementText(parent))
        throw Failure(Fault::Failed, kSource, "The text of the element to paint is not shown");

    std::string newText = ShownText(textNode.nodeValue(), KeepsWhiteSpace(textNode));
    if (!newText.empty()) {
        range.findText(newText, 1073741823, 0);
        for (std::string shown = range.text(); !shown.empty() && (shown[0] == ' ' || shown[0] == '\r' ||
                                                                   shown[0] == '\n');
             shown = range.text()) {
            if (range.moveStart("character", 1) == 0) break;
        }
    }
    html::TextRange full = range.duplicate();
    if (IsBlankText(newText)) return;

    std::string mark(colour);
    if (useInverse_ && !inResult && !EqualsNoCase(colour, insertColor_)) mark = InverseColour(range, colour);
    if (!originalNode) {
        Paint(range, mark);
        return;
    }
    std::string originalText;
    if (originalNode.nodeType() == html::kElementNode)
        originalText = ShownText(originalNode.AsElement().innerText(), false);
    else if (originalNode.nodeType() == html::kTextNode)
        originalText = ShownText(originalNode.nodeValue(), KeepsWhiteSpace(originalNode));
    if (EqualsNoCase(originalText, newText) || (originalText.empty() && !newText.empty())) {
        Paint(range, mark);
        return;
    }
    std::u32string a = text::ToU32(newText), b = text::ToU32(originalText);
    const long limit = LimitOf(0.3, std::max(a.size(), b.size()));
    std::vector<std::string> newWords = SplitAtBlanks(newText);
    std::vector<std::string> originalWords = SplitAtBlanks(originalText);
    if (showRemoved_ && !inResult) {
        // Word by word whenever that stays cheap, so that what went shows beside what stayed.
        if (newWords.size() * originalWords.size() <= kMaxShownWordCells ||
            (BoundedDistance(a, b, int(std::min<long>(limit, INT32_MAX - 1)), clock_, startTime_) <= limit &&
             !DeadlinePassed())) {
            PaintWordsShowingRemoved(range, full, newWords, originalWords, mark);
        } else {
            html::TextRange start = range.duplicate();
            start.setEndPoint("EndToStart", start);
            KeepRemovedWords(start, false, originalText);
            Paint(range, mark);
        }
        return;
    }
    int distance = BoundedDistance(a, b, int(std::min<long>(limit, INT32_MAX - 1)), clock_, startTime_);
    if (distance > limit || DeadlinePassed()) {
        Paint(range, mark);
        return;
    }
    std::vector<WordPair> pairs = MatchWords(newWords, originalWords, showTimeDiff_, showNumbers_);
    size_t n = 0, o = 0;
    auto step = [&](size_t word) { return static_cast<long>(html::TextLength(newWords[word]) + 1); };
    for (const WordPair& pair : pairs) {
        size_t wantedNew = static_cast<size_t>(pair.newIndex), wantedOriginal = static_cast<size_t>(pair.originalIndex);
        while (n < newWords.size() && wantedNew >= n && wantedOriginal >= o) {
            if (wantedNew == n && wantedOriginal == o) {
                range.moveStart("character", step(n));
                ++n;
                ++o;
                break;
            }
            if (wantedNew != n) {
                html::TextRange word = range.duplicate();
                word.setEndPoint("EndToStart", word);
                word.moveEnd("character", step(n));
                Paint(word, mark);
                range.moveStart("character", step(n));
                ++n;
                if (wantedOriginal != o) ++o;
            } else {
                ++o;
            }
        }
    }
    if (n < newWords.size()) {
        html::TextRange rest = range.duplicate();
        rest.setEndPoint("EndToStart", rest);
        rest.setEndPoint("EndToEnd", full);
        Paint(rest, mark);
    }
}

void Compare::PaintWordsShowingRemoved(html::TextRange range, const html::TextRange& full,
                                       const std::vector<std::string>& newWords,
                                       const std::vector<std::string>& originalWords, std::string_view colour) {
    std::vector<WordPair> pairs = MatchWords(newWords, originalWords, showTimeDiff_, showNumbers_);
    pairs.push_back({int(newWords.size()), int(originalWords.size())});  // the end of both texts
    size_t n = 0, o = 0;
    for (const WordPair& pair : pairs) {
        const size_t wantedNew = size_t(pair.newIndex), wantedOriginal = size_t(pair.originalIndex);
        const bool end = wantedNew >= newWords.size();
        if (o < wantedOriginal) {
            std::string lost;
            for (size_t k = o; k < wantedOriginal; ++k) {
                if (originalWords[k].empty()) continue;
                if (!lost.empty()) lost += ' ';
                lost += originalWords[k];
            }
            html::TextRange place = (n < newWords.size() ? range : full).duplicate();
            if (n < newWords.size())
                place.setEndPoint("EndToStart", place);
            else
                place.setEndPoint("StartToEnd", full);
            KeepRemovedWords(place, n >= newWords.size(), std::move(lost));
        }
        // The new words without a partner, painted as one stretch with their blanks.
        if (n < wantedNew) {
            long chars = 0;
            for (size_t k = n; k < wantedNew; ++k) chars += long(html::TextLength(newWords[k]) + 1);
            html::TextRange run = range.duplicate();
            run.setEndPoint("EndToStart", run);
            if (end)
                run.setEndPoint("EndToEnd", full);
            else
                run.moveEnd("character", chars);
            Paint(run, colour);
            range.moveStart("character", chars);
        }
        if (!end) range.moveStart("character", long(html::TextLength(newWords[wantedNew]) + 1));
        n = wantedNew + 1;
        o = wantedOriginal + 1;
    }
}

void Compare::MarkChanges() {
    removedWords_.clear();
    std::vector<const EditScript*> removals;
    try {
        if (!editScript_) return;
        const auto& records = editScript_->records_;
        bool onlyRemovals = !records.empty();
        for (const EditScript& record : records)
            if (record.ActionType() != dfRemoveNode) onlyRemovals = false;
        for (size_t i = 0; i < records.size(); ++i) {
            const EditScript& record = records[i];
            if (DeadlinePassed()) {
                unmarked_ = records.size() - i;
                break;
            }
            switch (record.ActionType()) {
                case dfUpdateNode:
                    markKind_ = "update";
                    MarkNode(record.NewNode(), record.OriginalNode(), updateColor_);
                    break;
                case dfInsertNode:
                    markKind_ = "insert";
                    MarkNode(record.NewNode(), html::Node(), insertColor_);
                    break;
                case dfRemoveNode:
                    if (showRemoved_) {
                        removals.push_back(&record);
                    } else if (onlyRemovals) {
                        html::Node parent = record.NewNode().parentNode();
                        html::Node originalParent = record.OriginalNode().parentNode();
                        if (!parent || !originalParent)
                            throw Failure(Fault::Missing, kSource, "A removed node has no parent");
                        markKind_ = "remove";
                        MarkNode(parent, originalParent, kRemovalColour);
                    }
                    break;
            }
        }
    } catch (const std::exception& error) {
        LogFailure(error);
    }
    if (showRemoved_) ShowRemovedContent(removals);
}

void Compare::MarkChangesInResult() {
    try {
        if (!editScript_) return;
        const auto& records = editScript_->records_;
        for (size_t i = 0; i < records.size(); ++i) {
            const EditScript& record = records[i];
            if (DeadlinePassed()) {
                unmarked_ = records.size() - i;
                break;
            }
            switch (record.ActionType()) {
                case dfUpdateNode:
                    markKind_ = "update";
                    MarkNodeWith(record.NewNode(), record.OriginalNode(), updateColor_, true);
                    break;
                case dfInsertNode:
                    markKind_ = "insert";
                    MarkNodeWith(record.NewNode(), record.OriginalNode(), insertColor_, true);
                    break;
                case dfRemoveNode:
                    break;
            }
        }
    } catch (const std::exception& error) {
        LogFailure(error);
    }
}

// ---- the marking operations ----

// The time limit of one marking operation; when it ends, says in the log what the limit
// left out.
class Compare::MarkingBudget {
public:
    explicit MarkingBudget(Compare& owner)
        : owner_(owner), limit_(DeadlineNow() + kMarkingBudget) {
        owner_.walkCut_ = false;
        owner_.unmarked_ = 0;
    }
    ~MarkingBudget() {
        if (!owner_.walkCut_ && owner_.unmarked_ == 0) return;
        std::string text = "Marking stopped at its time limit:";
        if (owner_.walkCut_) text += " the rest of the page was not compared";
        if (owner_.walkCut_ && owner_.unmarked_) text += ";";
        if (owner_.unmarked_) text += " " + std::to_string(owner_.unmarked_) + " changes were not marked";
        try {
            log::Append(log::File::Compare, log::Kind::Information, text);
        } catch (const std::exception&) {
            // A log that cannot be written loses the note; the marks stand.
        }
    }
    MarkingBudget(const MarkingBudget&) = delete;
    MarkingBudget& operator=(const MarkingBudget&) = delete;

private:
    Compare& owner_;
    ScopedDeadline limit_;
};

void Compare::RunWalk(html::Node newNode, html::Node originalNode, const Document& original) {
    startTime_ = kBudgetOff;
    NodeHash(originalNode);
    NodeHash(newNode);
    editScript_ = std::make_shared<EditScriptCollection>();
    for (const Document& document : {newDocument_, original, resultDocument_})
        if (document) editScript_->documents_.push_back(document);
    walk_ = std::make_unique<Walk>();
    struct DropWalk {
        std::unique_ptr<Walk>& walk;
        ~DropWalk() { walk.reset(); }
    } dropWalk{walk_};
    CompareNodes(newNode, originalNode);
}

html::Element Compare::MarkBodies(const Document& newHTML, const Document& originalHTML) {
    MarkingBudget budget(*this);
    newDocument_ = newHTML;
    originalDocument_ = originalHTML;
    resultDocument_.reset();
    html::Element newBody = BodyOf(newHTML);
    RunWalk(newBody, BodyOf(originalHTML), originalHTML);
    MarkChanges();
    return newBody;
}

std::string Compare::GetMarkedHTML(const Document& newHTML, const Document& originalHTML,
                                   std::string_view insertColor, std::string_view updateColor) {
    try {
        insertColor_ = insertColor;
        updateColor_ = updateColor;
        return MarkBodies(newHTML, originalHTML).innerHTML();
    } catch (const std::exception& error) {
        LogFailure(error);
        return {};
    }
}

std::string Compare::GetMarkedElement(const Document& newHTML, const Document& originalHTML,
                                      std::string_view elementPath, std::string_view insertColor,
                                      std::string_view updateColor) {
    try {
        insertColor_ = insertColor;
        updateColor_ = updateColor;
        newDocument_ = newHTML;
        resultDocument_.reset();
        html::Element newBody = BodyOf(newHTML);
        newElement_ = FindElementByPath(newBody, elementPath);
        originalElement_ = FindElementByPath(BodyOf(originalHTML), GetElementPath(newElement_));
        if (!newElement_ || !originalElement_)
            throw Failure(Fault::Missing, kSource,
                          "No element at " + std::string(elementPath) + " in one of the pages");
        MarkingBudget budget(*this);
        RunWalk(newElement_, originalElement_, originalHTML);
        MarkChanges();
        return newBody.innerHTML();
    } catch (const std::exception& error) {
        LogFailure(error);
        return {};
    }
}

html::Element Compare::GetMarkedBody(const Document& newHTML, const Document& originalHTML) {
    try {
        return MarkBodies(newHTML, originalHTML);
    } catch (const std::exception& error) {
        LogFailure(error);
        return {};
    }
}

std::string Compare::SetMarkedHTML(const Document& resultHTML, const Document& newHTML,
                                   const Document& originalHTML) {
    try {
        resultDocument_ = resultHTML;
        newDocument_ = newHTML;
        originalDocument_ = originalHTML;
        html::Element newBody = BodyOf(newHTML);
        BodyOf(resultHTML);
        MarkingBudget budget(*this);
        RunWalk(newBody, BodyOf(originalHTML), originalHTML);
        MarkChangesInResult();
        return newBody.innerHTML();
    } catch (const std::exception& error) {
        LogFailure(error);
        return {};
    }
}

}  // namespace pelmor::sorrel
