// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/Compare.h"

#include "compare/Internal.h"
#include "platform/core/Deadline.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "platform/text/Recognise.h"
#include "platform/text/Unicode.h"

namespace pelmor::sorrel {

constexpr double kHashBudget = 7.0;

void LogFailure() { log::LogLibraryError(log::File::Compare, CurrentFailure(kSource), ""); }

int Check16(long long value) {
    if (value > kMax16 || value < -kMax16 - 1) throw Failure(err::kOverflow, kSource, "Overflow");
    return static_cast<int>(value);
}

html::Element BodyOf(const Document& document) {
    html::Element body = document ? document->body() : html::Element();
    if (!body) throw Failure(err::kObjectNotSet, kSource, "Object variable or With block variable not set");
    return body;
}

int ChildCount(html::Node node) { return Check16(static_cast<long long>(node.childNodes().length())); }

bool IsBlankText(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
    return true;
}

EditScript& EditScriptCollection::Item(size_t index) {
    if (index < 1 || index > records_.size()) throw Failure(err::kSubscriptOutOfRange, kSource, "Subscript out of range");
    return records_[index - 1];
}

Compare::Compare(Clock clock) : clock_(std::move(clock)) {
    // The first object on a thread opens the log, which keeps it to its size rule.
    thread_local bool opened = false;
    if (!opened) {
        opened = true;
        log::OpenLog(log::File::Compare);
    }
}
Compare::~Compare() = default;

bool Compare::HashBudgetExceeded() const {
    if (DeadlinePassed()) return true;
    if (startTime_ >= kBudgetOff) return false;
    return clock_() - startTime_ > kHashBudget;
}

void Compare::Yield() {
    if (yieldHook_) yieldHook_();
}

// ---- fingerprints ----

int32_t Compare::NodeHash(html::Node node) {
    if (HashBudgetExceeded()) {
        timedOut_ = true;
        return 0;
    }
    int32_t sum = 0;
    try {
        int type = node.nodeType();
        if (type == html::kElementNode) {
            html::Element element = node.AsElement();
            if (showPics_ && element.IsImage()) sum = StringHash(element.nameProp());
        } else if (type == html::kTextNode) {
            std::string_view value = node.nodeValue();
            if (showNumbers_ || !text::IsNumeric(value)) sum = StringHash(value);
        }
    } catch (...) {
        sum = 0;
    }
    try {
        for (html::Node child = node.firstChild(); child; child = child.nextSibling()) {
            if (child.nodeType() == html::kTextNode && IsBlankText(child.nodeValue())) continue;
            sum = AddReduced(sum, NodeHash(child));
        }
    } catch (...) {
    }
    if (node.nodeType() == html::kElementNode) node.AsElement().setAttribute(kIdAttribute, std::to_string(sum));
    return sum;
}

// ---- change detection ----

namespace {

html::Element NeedElement(html::Node node) {
    html::Element element = node.AsElement();
    if (!element) throw Failure(438, kSource, "Object doesn't support this property or method");
    return element;
}

void MaskElement(html::Node node, std::string (*mask)(std::string_view)) {
    html::Element element = NeedElement(node);
    element.SetInnerText(mask(element.innerText()));
}

}  // namespace

bool Compare::MaskDates(html::Element a, html::Element b) {
    try {
        MaskElement(a, MaskDatesInText);
        MaskElement(b, MaskDatesInText);
        return true;
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::MaskDigits(html::Element a, html::Element b) {
    try {
        MaskElement(a, MaskDigitsInText);
        MaskElement(b, MaskDigitsInText);
        return true;
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::HashesDiffer(html::Node original, html::Node updated) {
    if (!showTimeDiff_) {
        MaskElement(original, MaskDatesInText);
        MaskElement(updated, MaskDatesInText);
    }
    if (!showNumbers_) {
        MaskElement(original, MaskDigitsInText);
        MaskElement(updated, MaskDigitsInText);
    }
    startTime_ = clock_();
    timedOut_ = false;
    int32_t originalHash = NodeHash(original);
    if (timedOut_) return false;
    startTime_ = clock_();
    timedOut_ = false;
    int32_t newHash = NodeHash(updated);
    if (timedOut_) return true;
    return originalHash != newHash;
}

bool Compare::IsChange(const Document& oOriginalHTML, const Document& oNewHTML) {
    try {
        html::Element original = BodyOf(oOriginalHTML);
        html::Element updated = BodyOf(oNewHTML);
        return HashesDiffer(original, updated);
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::IsElementChange(const Document& oOriginalHTML, const Document& oNewHTML,
                              std::string_view strElementPath) {
    try {
        html::Element originalBody = BodyOf(oOriginalHTML);
        html::Element newBody = BodyOf(oNewHTML);
        newElement_ = FindElementByPath(newBody, strElementPath);
        originalElement_ = FindElementByPath(originalBody, GetElementPath(newElement_));
        if (!originalElement_) throw Failure(err::kObjectNotSet, kSource, "Object variable or With block variable not set");
        return HashesDiffer(originalElement_, newElement_);
    } catch (...) {
        LogFailure();
        return false;
    }
}

// ---- the walk ----

void Compare::AddRecord(dfEditType type, html::Node newNode, html::Node originalNode, long position) {
    EditScript record;
    record.SetPosition(static_cast<int16_t>(Check16(position)));
    record.SetActionType(type);
    record.SetNewNode(newNode);
    record.SetOriginalNode(originalNode);
    if (!editScript_) editScript_ = std::make_shared<EditScriptCollection>();
    editScript_->Add(record);
}

bool Compare::HaveSameID(html::Node newNode, html::Node originalNode) {
    try {
        if (!newNode.IsElement() || !originalNode.IsElement()) return false;
        return newNode.AsElement().getAttribute(kIdAttribute) == originalNode.AsElement().getAttribute(kIdAttribute);
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::CompareTextNodes(html::Node newNode, html::Node originalNode) {
    try {
        int newType = newNode.nodeType(), originalType = originalNode.nodeType();
        if (newType == html::kCommentNode && originalType == html::kCommentNode) return true;
        if (newType != html::kTextNode || originalType != html::kTextNode) return false;
        std::string_view a = newNode.nodeValue(), b = originalNode.nodeValue();
        if (!EqualsNoCase(a, b)) {
            bool ignored = (!showTimeDiff_ && IsSameDateText(a, b)) ||
                           (!showNumbers_ && text::IsNumeric(a) && text::IsNumeric(b));
            if (!ignored) AddRecord(dfUpdateNode, newNode, originalNode, 0);
        }
        return true;
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::CompareImages(html::Node newNode, html::Node originalNode) {
    try {
        html::Element a = newNode.AsElement(), b = originalNode.AsElement();
        if (!a.IsImage() || !b.IsImage()) return false;
        if (showPics_ && !EqualsNoCase(a.nameProp(), b.nameProp())) AddRecord(dfUpdateNode, newNode, originalNode, 0);
        return true;
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::CompareChildrenInOrder(html::Node newNode, html::Node originalNode) {
    try {
        if (ChildCount(newNode) != ChildCount(originalNode)) return false;
        html::Node n = newNode.firstChild(), o = originalNode.firstChild();
        for (; n && o; n = n.nextSibling(), o = o.nextSibling()) CompareNodes(n, o);
        return true;
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::CompareNodes(html::Node newNode, html::Node originalNode) {
    try {
        // Past the deadline the walk ends: what it found so far is what gets marked.
        if (DeadlinePassed()) {
            walkCut_ = true;
            return true;
        }
        if (HaveSameID(newNode, originalNode)) return true;
        if (CompareTextNodes(newNode, originalNode)) return true;
        if (CompareImages(newNode, originalNode)) return true;
        if (!EqualsNoCase(newNode.nodeName(), originalNode.nodeName())) {
            AddRecord(dfUpdateNode, newNode, originalNode, 0);
            return true;
        }
        if (CompareChildrenInOrder(newNode, originalNode)) return true;
        if (FindInsertions(newNode, originalNode)) return true;
        return FindRemovals(newNode, originalNode);
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::FindInsertions(html::Node newNode, html::Node originalNode) {
    try {
        if (ChildCount(newNode) <= ChildCount(originalNode)) return false;
        html::Node n = newNode.firstChild(), o = originalNode.firstChild();
        int position = 0, inserted = 0;
        while (n && Check16(ChildCount(originalNode) + inserted) < ChildCount(newNode)) {
            if (!o || !IsSimilar(n, o)) {
                AddRecord(dfInsertNode, n, html::Node(), position);
                n = n.nextSibling();
                inserted = Check16(inserted + 1);
            } else {
                CompareNodes(n, o);
                n = n.nextSibling();
                o = o.nextSibling();
            }
            position = Check16(position + 1);
        }
        for (; n && o; n = n.nextSibling(), o = o.nextSibling()) {
            CompareNodes(n, o);
            position = Check16(position + 1);
        }
        return true;
    } catch (...) {
        LogFailure();
        return false;
    }
}

bool Compare::FindRemovals(html::Node newNode, html::Node originalNode) {
    try {
        if (ChildCount(newNode) >= ChildCount(originalNode)) return false;
        html::Node n = newNode.firstChild(), o = originalNode.firstChild();
        int position = 0;
        while (o) {
            if (!n || !IsSimilar(n, o)) {
                AddRecord(dfRemoveNode, newNode, o, position);
                o = o.nextSibling();
            } else {
                CompareNodes(n, o);
                n = n.nextSibling();
                o = o.nextSibling();
            }
            position = Check16(position + 1);
        }
        return true;
    } catch (...) {
        LogFailure();
        return false;
    }
}

std::string Compare::GetNodeText(html::Node node) {
    std::string text;
    int type = node.nodeType();
    if (type == html::kElementNode) {
        html::Element element = node.AsElement();
        text = element.innerText();
        if (element.IsImage()) text += element.nameProp();
    } else if (type == html::kTextNode) {
        text = node.nodeValue();
    }
    return text;
}

const std::u32string& Compare::CachedText(html::Node node) {
    auto [it, added] = walk_->texts.try_emplace(node);
    if (added) it->second.folded = text::FoldU32(text::ToU32(GetNodeText(node)));
    return it->second.folded;
}

bool Compare::IsSimilar(html::Node newNode, html::Node originalNode) {
    try {
        if (!EqualsNoCase(newNode.nodeName(), originalNode.nodeName())) return false;
        std::u32string ownA, ownB;
        const std::u32string* a;
        const std::u32string* b;
        if (walk_) {
            a = &CachedText(newNode);
            b = &CachedText(originalNode);
        } else {
            ownA = text::FoldU32(text::ToU32(GetNodeText(newNode)));
            ownB = text::FoldU32(text::ToU32(GetNodeText(originalNode)));
            a = &ownA;
            b = &ownB;
        }
        if (*a == *b) return true;
        auto numeric = [&](html::Node node, const std::u32string& folded) {
            if (!walk_) return text::IsNumeric(text::ToUtf8(folded));
            Walk::Text& entry = walk_->texts[node];
            if (entry.numeric < 0) entry.numeric = text::IsNumeric(text::ToUtf8(folded)) ? 1 : 0;
            return entry.numeric == 1;
        };
        if (numeric(newNode, *a) && numeric(originalNode, *b)) return true;
        int longest = Check16(static_cast<long long>(std::max(a->size(), b->size())));
        int distance = LevenshteinDistance(*a, *b, clock_, startTime_);
        return 0.3 * longest > distance;
    } catch (...) {
        LogFailure();
        return false;
    }
}

int16_t Compare::LD(std::string_view s, std::string_view t) {
    try {
        return static_cast<int16_t>(LevenshteinDistance(text::ToU32(s), text::ToU32(t), clock_, startTime_));
    } catch (...) {
        LogFailure();
        return 0;
    }
}

// ---- element paths ----

std::string Compare::GetElementPath(html::Node node) {
    std::vector<std::string> segments;
    for (html::Node current = node;;) {
        if (!current) throw Failure(err::kObjectNotSet, kSource, "Object variable or With block variable not set");
        if (current.AsElement().IsBody()) break;
        html::Node parent = current.parentNode();
        if (!parent) throw Failure(err::kObjectNotSet, kSource, "Object variable or With block variable not set");
        int index = -1;
        for (html::Node child = parent.firstChild(); child; child = child.nextSibling()) {
            if (EqualsNoCase(child.nodeName(), current.nodeName())) index = Check16(index + 1);
            if (child == current) break;
        }
        segments.push_back(std::string(current.nodeName()) + "(" + std::to_string(index) + ")");
        current = parent;
    }
    std::string path;
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
        if (!path.empty()) path += ',';
        path += *it;
    }
    return path;
}

html::Node Compare::FindElementByPath(html::Node startNode, std::string_view path) {
    try {
        html::Node current = startNode;
        std::string_view rest = path;
        while (!rest.empty()) {
            size_t comma = rest.find(',');
            std::string_view segment = rest.substr(0, comma);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            size_t open = segment.find('(');
            if (open == std::string_view::npos || segment.size() < open + 2)
                throw Failure(err::kInvalidProcedureCall, kSource, "Invalid procedure call or argument");
            std::string_view name = segment.substr(0, open);
            long long wanted = 0;
            if (!ParseInteger(segment.substr(open + 1, segment.size() - open - 2), wanted))
                throw Failure(err::kTypeMismatch, kSource, "Type mismatch");
            Check16(wanted);
            html::Node found;
            long long number = 0;
            for (html::Node child = current.firstChild(); child; child = child.nextSibling()) {
                if (!EqualsNoCase(child.nodeName(), name)) continue;
                if (number++ == wanted) {
                    found = child;
                    break;
                }
            }
            if (!found) return current;
            current = found;
        }
        return current;
    } catch (...) {
        LogFailure();
        return html::Node();
    }
}

}  // namespace pelmor::sorrel
