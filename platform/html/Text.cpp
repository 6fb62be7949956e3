// SPDX-License-Identifier: GPL-3.0-or-later
// Rendered text of a subtree (the rules are listed in Html.h), optionally with a map from
// every piece of the text back to the text node it came from. The walk is iterative.

#include <algorithm>

#include "platform/html/DocumentData.h"

namespace pelmor::html::detail {

namespace {

inline bool IsCollapsible(char c) { return IsHtmlSpace(c); }

class Renderer {
public:
    Renderer(std::string& out, Layout* layout) : out_(out), layout_(layout) {}

    void Run(const NodeData* scope) {
        // Text inside a PRE keeps its white space also when read from an element below it.
        for (const NodeData* a = scope->parent; a; a = a->parent)
            if (a->flags & kPreformatted) ++pre_;
        const NodeData* n = scope->first;
        while (n) {
            bool entered = Enter(n);
            if (entered && n->first) {
                n = n->first;
                continue;
            }
            if (entered) Exit(n);
            while (!n->next) {
                n = n->parent;
                if (n == scope || !n) return Finish(scope);
                Exit(n);
            }
            n = n->next;
        }
        Finish(scope);
    }

private:
    // True for an element whose content is rendered.
    bool Enter(const NodeData* n) {
        if (n->kind == Kind::Text) {
            Text(n);
            return false;
        }
        if (n->kind != Kind::Element || (n->flags & kHidden)) return false;
        if (layout_) open_.push_back(n);
        if (n->tag == Tag::Br) {
            Forced("\n");
        } else if (n->flags & kBlock) {
            Block(n->flags & kParagraph ? 2 : 1);
        } else if (n->flags & kCell) {
            pendingSpace_ = false;
        }
        if (n->flags & kPreformatted) ++pre_;
        return true;
    }

    void Exit(const NodeData* n) {
        if (n->flags & kPreformatted) --pre_;
        if (n->flags & kBlock) {
            Block(n->flags & kParagraph ? 2 : 1);
        } else if (n->flags & kCell) {
            pendingSpace_ = false;
            for (const NodeData* s = n->next; s; s = s->next) {
                if (s->kind != Kind::Element) continue;
                if (s->flags & kCell) Forced("\t");
                break;
            }
        }
        if (layout_) {
            uint32_t start = layout_->start[n->id];
            if (start == kNoOffset) {
                start = uint32_t(out_.size());
                layout_->start[n->id] = start;
            }
            layout_->end[n->id] = std::max(start, lastContentEnd_);
            open_.pop_back();
            if (firstUnstarted_ > open_.size()) firstUnstarted_ = open_.size();
        }
    }

    void Text(const NodeData* n) {
        std::string_view t = n->Text();
        if (pre_ > 0) {
            if (!t.empty()) Content(n, 0, t.size());
            return;
        }
        size_t i = 0;
        const size_t size = t.size();
        while (i < size) {
            size_t j = i;
            if (IsCollapsible(t[i])) {
                while (j < size && IsCollapsible(t[j])) ++j;
                if (!pendingSpace_) {
                    pendingSpace_ = true;
                    spaceNode_ = n;
                    spaceStart_ = uint32_t(i);
                    spaceLength_ = uint32_t(j - i);
                }
            } else {
                while (j < size && !IsCollapsible(t[j])) ++j;
                Content(n, i, j - i);
            }
            i = j;
        }
    }

    void FlushBreaks() {
        if (pendingBreaks_ > 0) {
            if (!out_.empty()) {
                Synthetic(std::string_view("\n\n", size_t(pendingBreaks_)));
                lineStart_ = true;
            }
            pendingBreaks_ = 0;
            pendingSpace_ = false;
        }
    }

    void Content(const NodeData* n, size_t from, size_t length) {
        FlushBreaks();
        if (pendingSpace_) {
            pendingSpace_ = false;
            if (!lineStart_) {
                // The blank between two words belongs to neither: elements that open
                // here start after it.
                AddSegment(spaceNode_, spaceStart_, spaceLength_, 1);
                out_ += ' ';
            }
        }
        MarkStarted();
        AddSegment(n, uint32_t(from), uint32_t(length), uint32_t(length));
        out_.append(n->Text().data() + from, length);
        lineStart_ = n->Text()[from + length - 1] == '\n';
        lastContentEnd_ = uint32_t(out_.size());
    }

    void Forced(std::string_view text) {
        pendingSpace_ = false;
        FlushBreaks();
        MarkStarted();
        Synthetic(text);
        lineStart_ = true;
        lastContentEnd_ = uint32_t(out_.size());
    }

    void Block(int count) {
        pendingSpace_ = false;
        pendingBreaks_ = std::max(pendingBreaks_, count);
    }

    void Synthetic(std::string_view text) {
        AddSegment(nullptr, 0, 0, uint32_t(text.size()));
        out_.append(text);
    }

    void AddSegment(const NodeData* node, uint32_t srcStart, uint32_t srcLength, uint32_t outLength) {
        if (!layout_) return;
        auto& segs = layout_->segments;
        uint32_t at = uint32_t(out_.size());
        if (!segs.empty()) {
            Segment& last = segs.back();
            bool verbatim = srcLength == outLength;
            bool lastVerbatim = last.srcLength == last.outLength;
            if (last.node == node && last.outStart + last.outLength == at &&
                ((node == nullptr) || (verbatim && lastVerbatim && last.srcStart + last.srcLength == srcStart))) {
                last.outLength += outLength;
                last.srcLength += srcLength;
                return;
            }
        }
        segs.push_back(Segment{at, outLength, const_cast<NodeData*>(node), srcStart, srcLength});
    }

    void MarkStarted() {
        if (!layout_) return;
        uint32_t at = uint32_t(out_.size());
        for (size_t i = firstUnstarted_; i < open_.size(); ++i) layout_->start[open_[i]->id] = at;
        firstUnstarted_ = open_.size();
    }

    void Finish(const NodeData* scope) {
        if (layout_) {
            layout_->start[scope->id] = 0;
            layout_->end[scope->id] = uint32_t(out_.size());
        }
    }

    std::string& out_;
    Layout* layout_;
    std::vector<const NodeData*> open_;
    size_t firstUnstarted_ = 0;
    bool pendingSpace_ = false;
    const NodeData* spaceNode_ = nullptr;
    uint32_t spaceStart_ = 0;
    uint32_t spaceLength_ = 0;
    int pendingBreaks_ = 0;
    bool lineStart_ = true;
    int pre_ = 0;
    uint32_t lastContentEnd_ = 0;
};

}  // namespace

void RenderText(const NodeData* scope, std::string& out, Layout* layout) {
    if (!scope) return;
    if (scope->kind == Kind::Text) {
        out.append(scope->Text());
        return;
    }
    if (scope->flags & kHidden) {
        // Content that is not rendered reads as the plain concatenation of its text.
        for (const NodeData* n = scope->first; n; n = NextInScope(n, scope))
            if (n->kind == Kind::Text) out.append(n->Text());
        return;
    }
    Renderer(out, layout).Run(scope);
}

}  // namespace pelmor::html::detail
