// SPDX-License-Identifier: GPL-3.0-or-later
// Text ranges over the body's rendered text: finding, moving, colour queries and painting.
// Positions are byte offsets into the rendered text, always on character boundaries;
// callers count in characters.

#include <algorithm>
#include <vector>

#include "platform/html/Colors.h"
#include "platform/html/DocumentData.h"
#include "platform/html/Html.h"

namespace pelmor::html {

Node MakeNode(detail::DocumentData* doc, detail::NodeData* node);

using detail::Kind;
using detail::Layout;
using detail::NodeData;
using detail::Segment;
using detail::Tag;

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Code point at `p` (the text is valid UTF-8) and its length.
uint32_t Decode(std::string_view t, size_t p, size_t& length) {
    auto c = static_cast<unsigned char>(t[p]);
    if (c < 0x80 || p + 1 >= t.size()) {
        length = 1;
        return c;
    }
    if (c < 0xE0) {
        length = 2;
        return ((c & 0x1Fu) << 6) | (t[p + 1] & 0x3Fu);
    }
    if (c < 0xF0) {
        length = 3;
        if (p + 2 >= t.size()) return length = 1, c;
        return ((c & 0x0Fu) << 12) | ((t[p + 1] & 0x3Fu) << 6) | (t[p + 2] & 0x3Fu);
    }
    length = 4;
    if (p + 3 >= t.size()) return length = 1, c;
    return ((c & 0x07u) << 18) | ((t[p + 1] & 0x3Fu) << 12) | ((t[p + 2] & 0x3Fu) << 6) | (t[p + 3] & 0x3Fu);
}

// Lower-case partner of a letter from the Latin, Greek and Cyrillic alphabets.
uint32_t Fold(uint32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        bool evenUpper = (c < 0x138) || (c > 0x148 && c < 0x178);
        if (evenUpper ? (c % 2 == 0) : (c % 2 == 1 && c != 0x178)) return c + 1;
    }
    return c;
}

bool IsWhite(uint32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0xA0; }

size_t Forward(std::string_view t, size_t p, long count, long& moved) {
    moved = 0;
    while (moved < count && p < t.size()) {
        ++p;
        while (p < t.size() && IsContinuation(t[p])) ++p;
        ++moved;
    }
    return p;
}

size_t Backward(std::string_view t, size_t p, long count, long& moved) {
    moved = 0;
    while (moved < count && p > 0) {
        --p;
        while (p > 0 && IsContinuation(t[p])) --p;
        ++moved;
    }
    return p;
}

bool InsideBody(const NodeData* node, const NodeData* body) {
    for (; node; node = node->parent)
        if (node == body) return true;
    return false;
}

// ---- Colours under a range -----------------------------------------------------------

// The element whose colours the text at `position` shows.
const NodeData* ElementAt(const Layout& layout, uint32_t position) {
    const auto& segs = layout.segments;
    auto it = std::upper_bound(segs.begin(), segs.end(), position,
                               [](uint32_t p, const Segment& s) { return p < s.outStart + s.outLength; });
    for (auto f = it; f != segs.end(); ++f)
        if (f->node) return f->node->parent;
    for (auto b = it; b != segs.begin();) {
        --b;
        if (b->node) return b->node->parent;
    }
    return layout.root;
}

// A colour property of the inline style, without any "!important".
std::string StyleValue(const NodeData* e, std::string_view property) {
    std::string value = detail::StyleProperty(e, property);
    size_t bang = value.find('!');
    if (bang != std::string::npos) value.resize(bang);
    return value;
}

std::optional<uint32_t> BackgroundOf(const NodeData* e) {
    if (auto c = detail::ParseColor(StyleValue(e, "background-color"))) return c;
    std::string shorthand = StyleValue(e, "background");
    size_t i = 0;
    while (i < shorthand.size()) {
        while (i < shorthand.size() && shorthand[i] == ' ') ++i;
        size_t j = i;
        int depth = 0;
        while (j < shorthand.size() && (depth > 0 || shorthand[j] != ' ')) {
            if (shorthand[j] == '(') ++depth;
            if (shorthand[j] == ')') --depth;
            ++j;
        }
        if (j > i)
            if (auto c = detail::ParseColor(std::string_view(shorthand).substr(i, j - i))) return c;
        i = j + 1;
    }
    if (const detail::Attr* a = detail::FindAttribute(e, "bgcolor")) return detail::ParseColor(a->value);
    return std::nullopt;
}

const NodeData* BodyOf(const NodeData* e) {
    for (; e; e = e->parent)
        if (e->Is(Tag::Body)) return e;
    return nullptr;
}

std::optional<uint32_t> ColorAttribute(const NodeData* e, std::string_view name) {
    if (!e) return std::nullopt;
    const detail::Attr* a = detail::FindAttribute(e, name);
    return a ? detail::ParseColor(a->value) : std::nullopt;
}

uint32_t ForegroundOf(const NodeData* start) {
    for (const NodeData* e = start; e; e = e->parent) {
        if (e->kind != Kind::Element) continue;
        if (auto c = detail::ParseColor(StyleValue(e, "color"))) return *c;
        if (e->Is(Tag::Font))
            if (auto c = ColorAttribute(e, "color")) return *c;
        if (e->Is(Tag::A) && detail::FindAttribute(e, "href")) {
            // Links have the colour the body's "link" attribute names, blue by default.
            return ColorAttribute(BodyOf(e), "link").value_or(0x0000EE);
        }
        if (e->Is(Tag::Body))
            if (auto c = ColorAttribute(e, "text")) return *c;
    }
    return 0x000000;
}

uint32_t BackgroundOfAncestors(const NodeData* start) {
    for (const NodeData* e = start; e; e = e->parent)
        if (e->kind == Kind::Element)
            if (auto c = BackgroundOf(e)) return *c;
    return 0xFFFFFF;
}

// ---- Painting ------------------------------------------------------------------------

struct Piece {
    NodeData* node;
    uint32_t from;
    uint32_t to;
    size_t segment;  // index of the piece's first segment in the layout
};

// Text nodes where a SPAN can stand: HTML content that is neither raw text nor a table
// part that would throw the span out when the page is parsed again, and not at the depth
// cap, where the parser would put the span beside its parent instead of inside.
bool CanWrap(const NodeData* text) {
    const NodeData* parent = text->parent;
    if (!parent || parent->kind != Kind::Element || parent->ns != detail::Namespace::Html) return false;
    if (parent->flags & (detail::kRawText | detail::kVoid)) return false;
    switch (parent->tag) {
        case Tag::Table: case Tag::Tbody: case Tag::Thead: case Tag::Tfoot: case Tag::Tr:
        case Tag::Select: case Tag::Option: case Tag::Html: case Tag::Head: case Tag::Frameset:
            return false;
        default: return detail::DepthOf(parent) < detail::kMaxDepth;
    }
}

std::vector<Piece> PiecesOf(const Layout& layout, uint32_t start, uint32_t end) {
    std::vector<Piece> pieces;
    const auto& segs = layout.segments;
    auto it = std::upper_bound(segs.begin(), segs.end(), start,
                               [](uint32_t p, const Segment& s) { return p < s.outStart + s.outLength; });
    for (; it != segs.end() && it->outStart < end; ++it) {
        const Segment& s = *it;
        if (!s.node || !CanWrap(s.node)) continue;
        uint32_t a = std::max(start, s.outStart), b = std::min(end, s.outStart + s.outLength);
        if (a >= b) continue;
        Piece p{s.node, s.srcStart, s.srcStart + s.srcLength, size_t(it - segs.begin())};
        if (s.srcLength == s.outLength) {
            p.from = s.srcStart + (a - s.outStart);
            p.to = s.srcStart + (b - s.outStart);
        }
        if (!pieces.empty() && pieces.back().node == p.node && pieces.back().to == p.from) pieces.back().to = p.to;
        else pieces.push_back(p);
    }
    return pieces;
}

// A painted piece: its text node cut at `from` and `to`, the middle part in a new SPAN.
struct Cut {
    NodeData* node;    // keeps the text before `from` (or the middle when `from` is 0)
    uint32_t from;
    uint32_t to;
    NodeData* middle;
    NodeData* tail;    // the text after `to`; null when there is none
    NodeData* span;
    size_t segment;
};

bool InsidePre(const NodeData* node) {
    for (const NodeData* a = node->parent; a; a = a->parent)
        if (a->flags & detail::kPreformatted) return true;
    return false;
}

// Brings the layout up to date after painting without rendering the body again: wrapping
// text in spans leaves the rendered text as it was, so only the segments of the cut nodes
// change, and the spans get their offsets. `cuts` are in document order. False when the
// layout could not be patched and must be rendered again.
bool PatchLayout(detail::DocumentData& doc, const std::vector<Cut>& cuts) {
    Layout& layout = doc.layout;
    auto& segs = layout.segments;
    for (size_t i = 1; i < cuts.size(); ++i)
        if (cuts[i].node == cuts[i - 1].node) return false;
    // The segments of one text node stand together; take those of every cut node.
    size_t begin = cuts.front().segment, end = cuts.back().segment;
    if (end >= segs.size()) return false;
    while (begin > 0 && segs[begin - 1].node == cuts.front().node) --begin;
    while (end < segs.size() && segs[end].node == cuts.back().node) ++end;

    std::vector<Segment> patched;
    patched.reserve(end - begin + 2 * cuts.size());
    size_t c = 0;
    for (size_t i = begin; i < end; ++i) {
        const Segment& s = segs[i];
        if (c + 1 < cuts.size() && s.node == cuts[c + 1].node) ++c;
        if (!s.node || c >= cuts.size() || s.node != cuts[c].node) {
            patched.push_back(s);
            continue;
        }
        const Cut& cut = cuts[c];
        const uint32_t first = s.srcStart, last = s.srcStart + s.srcLength;
        // Parts of the node: [0, from) stays, [from, to) is the middle, [to, ...) the tail.
        NodeData* nodes[3] = {cut.node, cut.middle, cut.tail};
        const uint32_t bounds[4] = {0, cut.from, cut.to, ~uint32_t{0}};
        if (s.srcLength != s.outLength) {
            // A collapsed blank run belongs to the part where it begins, up to that part's end.
            int k = first < cut.from ? 0 : first < cut.to ? 1 : 2;
            if (!nodes[k]) return false;
            uint32_t stop = std::min(last, bounds[k + 1]);
            patched.push_back(Segment{s.outStart, s.outLength, nodes[k], first - bounds[k], stop - first});
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            uint32_t a = std::max(first, bounds[k]), b = std::min(last, bounds[k + 1]);
            if (a >= b) continue;
            if (!nodes[k]) return false;
            patched.push_back(Segment{s.outStart + (a - first), b - a, nodes[k], a - bounds[k], b - a});
        }
    }

    layout.start.resize(doc.NodeCount(), detail::kNoOffset);
    layout.end.resize(doc.NodeCount(), detail::kNoOffset);
    // A span starts at its first rendered character other than a collapsed blank and ends
    // after its last; one that holds only a blank run stands where that blank is put.
    c = 0;
    for (const Cut& cut : cuts) {
        bool pre = InsidePre(cut.middle);
        uint32_t start = detail::kNoOffset, stop = 0, blank = detail::kNoOffset;
        for (; c < patched.size() && patched[c].node != cut.middle; ++c) {
        }
        for (; c < patched.size() && patched[c].node == cut.middle; ++c) {
            const Segment& s = patched[c];
            for (uint32_t p = s.outStart; p < s.outStart + s.outLength; ++p) {
                if (!pre && layout.text[p] == ' ') {
                    if (blank == detail::kNoOffset) blank = p;
                    continue;
                }
                if (start == detail::kNoOffset) start = p;
                stop = p + 1;
            }
        }
        if (start == detail::kNoOffset) {
            if (blank == detail::kNoOffset) return false;
            start = stop = blank;
        }
        layout.start[cut.span->id] = start;
        layout.end[cut.span->id] = stop;
    }
    segs.erase(segs.begin() + long(begin), segs.begin() + long(end));
    segs.insert(segs.begin() + long(begin), patched.begin(), patched.end());
    layout.version = doc.version;
    return true;
}

}  // namespace

// ---- TextRange -----------------------------------------------------------------------

void TextRange::Clamp() const {
    const std::string& t = doc_->BodyLayout().text;
    auto fix = [&](uint32_t& p) {
        if (p > t.size()) p = uint32_t(t.size());
        while (p > 0 && p < t.size() && IsContinuation(t[p])) --p;
    };
    fix(start_);
    fix(end_);
    if (end_ < start_) end_ = start_;
}

TextRange Element::createTextRange() const {
    if (!node_) return TextRange();
    const Layout& layout = doc_->BodyLayout();
    if (!layout.root || !InsideBody(node_, layout.root)) return TextRange();
    TextRange range(doc_, 0, uint32_t(layout.text.size()));
    range.moveToElementText(*this);
    return range;
}

bool TextRange::moveToElementText(const Element& element) {
    if (!doc_ || !element.node_ || element.doc_ != doc_) return false;
    const Layout& layout = doc_->BodyLayout();
    const NodeData* e = element.node_;
    if (!layout.root || !InsideBody(e, layout.root) || e->id >= layout.start.size()) return false;
    // Text that is not shown (or only inside a form control) has no place in the page
    // text: a range put "where it stands" would paint the words around it instead.
    for (const NodeData* a = e; a && a != layout.root; a = a->parent)
        if ((a->flags & detail::kHidden) || a->tag == Tag::Select) return false;
    if (layout.start[e->id] == detail::kNoOffset) {
        // An element with no rendered text of its own: an empty range where it stands.
        const NodeData* n = e;
        while (n && (n->id >= layout.start.size() || layout.start[n->id] == detail::kNoOffset)) n = n->parent;
        if (!n) return false;
        start_ = end_ = layout.start[n->id];
        return true;
    }
    start_ = layout.start[e->id];
    end_ = layout.end[e->id];
    return true;
}

bool TextRange::findText(std::string_view needle, long count, long /*flags*/) {
    if (!doc_) return false;
    Clamp();
    // The text to look for as folded characters, with white-space runs as 0 and none at
    // either end.
    std::vector<uint32_t> pattern;
    std::string clean;
    detail::RepairText(needle, clean);
    for (size_t p = 0, n = 0; p < clean.size(); p += n) {
        uint32_t c = Decode(clean, p, n);
        if (IsWhite(c)) {
            if (!pattern.empty() && pattern.back() != 0) pattern.push_back(0);
        } else {
            pattern.push_back(Fold(c));
        }
    }
    if (!pattern.empty() && pattern.back() == 0) pattern.pop_back();
    if (pattern.empty()) return false;

    const std::string& t = doc_->BodyLayout().text;
    size_t from = 0, limit = t.size();
    if (count >= 0) {
        from = start_;
        long moved;
        limit = start_ < end_ ? end_ : Forward(t, start_, count, moved);
    } else {
        limit = end_ > start_ ? end_ : start_;
        long moved;
        from = start_ < end_ ? start_ : Backward(t, start_, -count, moved);
    }
    auto matchAt = [&](size_t p) -> size_t {
        for (uint32_t want : pattern) {
            if (p >= limit) return std::string::npos;
            size_t n;
            uint32_t c = Decode(t, p, n);
            if (want == 0) {
                if (!IsWhite(c)) return std::string::npos;
                while (p < limit && IsWhite(Decode(t, p, n))) p += n;
            } else {
                if (Fold(c) != want) return std::string::npos;
                p += n;
            }
        }
        return p <= limit ? p : std::string::npos;
    };
    size_t bestStart = std::string::npos, bestEnd = 0;
    for (size_t p = from, n = 0; p < limit; p += n) {
        Decode(t, p, n);
        size_t e = matchAt(p);
        if (e == std::string::npos) continue;
        bestStart = p;
        bestEnd = e;
        if (count >= 0) break;
    }
    if (bestStart == std::string::npos) return false;
    start_ = uint32_t(bestStart);
    end_ = uint32_t(bestEnd);
    return true;
}

std::string TextRange::text() const {
    if (!doc_) return {};
    Clamp();
    return doc_->BodyLayout().text.substr(start_, end_ - start_);
}

long TextRange::moveStart(std::string_view unit, long count) {
    if (!doc_ || !detail::EqualsAsciiNoCase(unit, "character")) return 0;
    Clamp();
    const std::string& t = doc_->BodyLayout().text;
    long moved = 0;
    start_ = uint32_t(count >= 0 ? Forward(t, start_, count, moved) : Backward(t, start_, -count, moved));
    if (end_ < start_) end_ = start_;
    return count >= 0 ? moved : -moved;
}

long TextRange::moveEnd(std::string_view unit, long count) {
    if (!doc_ || !detail::EqualsAsciiNoCase(unit, "character")) return 0;
    Clamp();
    const std::string& t = doc_->BodyLayout().text;
    long moved = 0;
    end_ = uint32_t(count >= 0 ? Forward(t, end_, count, moved) : Backward(t, end_, -count, moved));
    if (start_ > end_) start_ = end_;
    return count >= 0 ? moved : -moved;
}

bool TextRange::setEndPoint(std::string_view how, const TextRange& other) {
    if (!doc_ || other.doc_ != doc_) return false;
    uint32_t otherStart = other.start_, otherEnd = other.end_;
    if (detail::EqualsAsciiNoCase(how, "EndToStart")) end_ = otherStart;
    else if (detail::EqualsAsciiNoCase(how, "EndToEnd")) end_ = otherEnd;
    else if (detail::EqualsAsciiNoCase(how, "StartToStart")) start_ = otherStart;
    else if (detail::EqualsAsciiNoCase(how, "StartToEnd")) start_ = otherEnd;
    else return false;
    // An end placed before the start pulls the start along, and the other way round.
    if (detail::EqualsAsciiNoCase(how.substr(0, 3), "End")) {
        if (start_ > end_) start_ = end_;
    } else if (end_ < start_) {
        end_ = start_;
    }
    Clamp();
    return true;
}

long TextRange::queryCommandValue(std::string_view command) const {
    if (!doc_) return -1;
    Clamp();
    const Layout& layout = doc_->BodyLayout();
    if (!layout.root) return -1;
    const NodeData* e = ElementAt(layout, start_);
    if (detail::EqualsAsciiNoCase(command, "ForeColor")) return detail::ColorNumber(ForegroundOf(e));
    if (detail::EqualsAsciiNoCase(command, "BackColor")) return detail::ColorNumber(BackgroundOfAncestors(e));
    return -1;
}

bool TextRange::execCommand(std::string_view command, bool /*showUI*/, std::string_view value) {
    if (!doc_ || !detail::EqualsAsciiNoCase(command, "BackColor")) return false;
    std::string css = detail::CssColor(value);
    if (css.empty()) return false;
    Clamp();
    std::vector<Piece> pieces = PiecesOf(doc_->BodyLayout(), start_, end_);
    if (pieces.empty()) return false;
    std::string style = "background-color: " + css;
    std::vector<Cut> cuts(pieces.size());
    // Last piece first, so that splitting a node keeps the offsets of earlier pieces.
    for (size_t i = pieces.size(); i-- > 0;) {
        const Piece* it = &pieces[i];
        NodeData* node = it->node;
        std::string_view text = node->Text();
        Cut& cut = cuts[i];
        cut = Cut{node, it->from, it->to, node, nullptr, nullptr, it->segment};
        if (it->to < text.size()) {
            NodeData* tail = doc_->NewText(text.substr(it->to));
            doc_->InsertBefore(node->parent, tail, node->next);
            cut.tail = tail;
        }
        if (it->from > 0) {
            NodeData* middle = doc_->NewText(text.substr(it->from, it->to - it->from));
            doc_->InsertBefore(node->parent, middle, node->next);
            node->SetData(text.substr(0, it->from));
            node = middle;
            cut.middle = middle;
        } else if (it->to < text.size()) {
            node->SetData(text.substr(0, it->to));
        }
        NodeData* span = doc_->NewElement("span");
        doc_->SetAttribute(span, "style", style);
        doc_->InsertBefore(node->parent, span, node);
        doc_->InsertBefore(span, node, nullptr);
        cut.span = span;
    }
    PatchLayout(*doc_, cuts);
    return true;
}

Element TextRange::parentElement() const {
    if (!doc_) return Element();
    Clamp();
    const Layout& layout = doc_->BodyLayout();
    return MakeNode(doc_, const_cast<NodeData*>(ElementAt(layout, start_))).AsElement();
}

namespace {

// The text node and offset of the rendered character at byte `position`; `after` gives the
// place just after that character instead of before it.
TextPoint PointAt(detail::DocumentData* doc, const Layout& layout, uint32_t position, bool after) {
    const auto& segs = layout.segments;
    auto it = std::upper_bound(segs.begin(), segs.end(), position,
                               [](uint32_t p, const Segment& s) { return p < s.outStart + s.outLength; });
    if (it == segs.end() || it->outStart > position || !it->node) return {};
    uint32_t offset = it->srcStart;
    if (it->srcLength == it->outLength) offset += position - it->outStart;
    if (after) {
        size_t length;
        Decode(layout.text, position, length);
        offset = it->srcLength == it->outLength ? offset + uint32_t(length) : it->srcStart + it->srcLength;
    }
    return {MakeNode(doc, it->node), offset};
}

}  // namespace

TextPoint TextRange::StartPoint() const {
    if (!doc_) return {};
    Clamp();
    return PointAt(doc_, doc_->BodyLayout(), start_, false);
}

TextPoint TextRange::EndPoint() const {
    if (!doc_) return {};
    Clamp();
    if (end_ == 0) return {};
    const Layout& layout = doc_->BodyLayout();
    long moved;
    uint32_t last = uint32_t(Backward(layout.text, end_, 1, moved));
    return PointAt(doc_, layout, last, true);
}

long TextRange::StartPosition() const {
    if (!doc_) return 0;
    Clamp();
    return long(TextLength(std::string_view(doc_->BodyLayout().text).substr(0, start_)));
}

long TextRange::EndPosition() const {
    if (!doc_) return 0;
    Clamp();
    return long(TextLength(std::string_view(doc_->BodyLayout().text).substr(0, end_)));
}

}  // namespace pelmor::html
