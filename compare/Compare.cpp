// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/Compare.h"

#include "compare/Internal.h"

#include <optional>
#include "platform/core/Deadline.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "platform/text/Recognise.h"
#include "platform/text/Unicode.h"

namespace pelmor::sorrel {

constexpr double kHashBudget = 7.0;

void LogFailure(const std::exception& error) {
    log::LogLibraryError(log::File::Compare, FailureOf(error, kSource), "");
}

html::Element BodyOf(const Document& document) {
    if (!document) throw Failure(Fault::Missing, kSource, "No document given");
    html::Element body = document->body();
    if (!body) throw Failure(Fault::Missing, kSource, "The document has no body");
    return body;
}

size_t ChildCount(html::Node node) { return node.childNodes().length(); }

std::vector<html::Node> ChildrenOf(html::Node node) {
    std::vector<html::Node> children;
    for (html::Node child = node.firstChild(); child; child = child.nextSibling()) children.push_back(child);
    return children;
}

bool IsBlankText(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
    return true;
}

EditScript& EditScriptCollection::Item(size_t index) {
    if (index >= records_.size())
        throw Failure(Fault::OutOfRange, kSource,
                      "No edit script record " + std::to_string(index) + " among " + std::to_string(records_.size()));
    return records_[index];
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
    } catch (const Failure&) {  // a hash too big for its 32 bits
        sum = 0;
    }
    try {
        for (html::Node child = node.firstChild(); child; child = child.nextSibling()) {
            if (child.nodeType() == html::kTextNode && IsBlankText(child.nodeValue())) continue;
            sum = AddReduced(sum, NodeHash(child));
        }
    } catch (const Failure&) {  // the sum of the children overflowed: the hash so far stands
    }
    if (node.nodeType() == html::kElementNode) node.AsElement().setAttribute(kIdAttribute, std::to_string(sum));
    return sum;
}

// ---- change detection ----

namespace {

html::Element NeedElement(html::Node node) {
    html::Element element = node.AsElement();
    if (!element) throw Failure(Fault::Unsupported, kSource, "The node is not an element");
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
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

bool Compare::MaskDigits(html::Element a, html::Element b) {
    try {
        MaskElement(a, MaskDigitsInText);
        MaskElement(b, MaskDigitsInText);
        return true;
    } catch (const std::exception& error) {
        LogFailure(error);
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

bool Compare::IsChange(const Document& originalHTML, const Document& newHTML) {
    try {
        html::Element original = BodyOf(originalHTML);
        html::Element updated = BodyOf(newHTML);
        return HashesDiffer(original, updated);
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

bool Compare::IsElementChange(const Document& originalHTML, const Document& newHTML,
                              std::string_view elementPath) {
    try {
        html::Element originalBody = BodyOf(originalHTML);
        html::Element newBody = BodyOf(newHTML);
        newElement_ = FindElementByPath(newBody, elementPath);
        originalElement_ = FindElementByPath(originalBody, GetElementPath(newElement_));
        if (!originalElement_)
            throw Failure(Fault::Missing, kSource,
                          "The original page has no element at " + std::string(elementPath));
        return HashesDiffer(originalElement_, newElement_);
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

// ---- the walk ----

void Compare::AddRecord(dfEditType type, html::Node newNode, html::Node originalNode, long position,
                        html::Node place) {
    EditScript record;
    record.SetPosition(static_cast<int32_t>(position));
    record.SetActionType(type);
    record.SetNewNode(newNode);
    record.SetOriginalNode(originalNode);
    record.place_ = place;
    if (!editScript_) editScript_ = std::make_shared<EditScriptCollection>();
    editScript_->Add(record);
}

bool Compare::HaveSameID(html::Node newNode, html::Node originalNode) {
    try {
        if (!newNode.IsElement() || !originalNode.IsElement()) return false;
        return newNode.AsElement().getAttribute(kIdAttribute) == originalNode.AsElement().getAttribute(kIdAttribute);
    } catch (const std::exception& error) {
        LogFailure(error);
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
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

bool Compare::CompareImages(html::Node newNode, html::Node originalNode) {
    try {
        html::Element a = newNode.AsElement(), b = originalNode.AsElement();
        if (!a.IsImage() || !b.IsImage()) return false;
        if (showPics_ && !EqualsNoCase(a.nameProp(), b.nameProp())) AddRecord(dfUpdateNode, newNode, originalNode, 0);
        return true;
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

// One step of matching two lists of children: a pair walked further, a new child
// inserted, or an original child removed (standing before new child `n`).
struct Compare::Step {
    enum Kind { Pair, Insert, Remove } kind;
    size_t n;
    size_t o;
    bool same = false;  // a pair of elements with equal fingerprints: nothing to walk
};

// The pairing of the children as the walk has always made it: in order when the counts
// are equal, else the insertions or removals found by similarity from the first child on.
std::vector<Compare::Step> Compare::PlanInOrder(const std::vector<html::Node>& n, const std::vector<html::Node>& o) {
    std::vector<Step> plan;
    size_t i = 0, j = 0;
    if (n.size() == o.size()) {
        for (; i < n.size(); ++i) plan.push_back({Step::Pair, i, i});
    } else if (n.size() > o.size()) {
        size_t inserted = 0;
        while (i < n.size() && o.size() + inserted < n.size()) {
            if (j >= o.size() || !IsSimilar(n[i], o[j])) {
                plan.push_back({Step::Insert, i++, j});
                ++inserted;
            } else {
                plan.push_back({Step::Pair, i++, j++});
            }
        }
        for (; i < n.size() && j < o.size(); ++i, ++j) plan.push_back({Step::Pair, i, j});
    } else {
        // New children left over when the original ones run out are not visited.
        while (j < o.size()) {
            if (i >= n.size() || !IsSimilar(n[i], o[j]))
                plan.push_back({Step::Remove, i, j++});
            else
                plan.push_back({Step::Pair, i++, j++});
        }
    }
    return plan;
}

namespace {

// A child's content as one key: equal keys mean a pair of children the walk records
// nothing for (equal fingerprints of elements of one name, equal texts, comments); 0 for
// white-space text, which shows nothing.
uint64_t ContentKey(html::Node node) {
    std::hash<std::string_view> hash;
    uint64_t key;
    switch (node.nodeType()) {
        case html::kElementNode:
            key = hash(node.nodeName()) ^ (hash(node.AsElement().getAttribute(kIdAttribute)) * 0x9E3779B97F4A7C15ull);
            break;
        case html::kTextNode:
            if (IsBlankText(node.nodeValue())) return 0;
            key = hash(FoldCase(node.nodeValue())) * 0xC2B2AE3D27D4EB4Full;
            break;
        default:
            key = hash(node.nodeName()) + 7;
    }
    return key == 0 ? 1 : key;
}

// True when two children have equal keys, found without making the keys.
bool SameContent(html::Node a, html::Node b) {
    const int type = a.nodeType();
    if (type != b.nodeType()) return false;
    if (type == html::kElementNode)
        return a.nodeName() == b.nodeName() &&
               a.AsElement().getAttribute(kIdAttribute) == b.AsElement().getAttribute(kIdAttribute);
    if (type == html::kTextNode) {
        const bool blank = IsBlankText(a.nodeValue());
        return blank == IsBlankText(b.nodeValue()) && (blank || EqualsNoCase(a.nodeValue(), b.nodeValue()));
    }
    return a.nodeName() == b.nodeName();
}

// Insertions and deletions up to which children are aligned in time that grows with them;
// and the cells of the widest stretch of differing children aligned beyond that (the word
// matching keeps the same bound). Past both the children keep their pairing in order.
constexpr int kMaxContentEdits = 1000;
constexpr size_t kMaxContentCells = kMaxDirectionTableBytes / 2;

}  // namespace

// The pairing by content: children aligned by a longest common subsequence of their keys
// (found in time that grows with the differences, or within the bound of the word
// matching); between its pairs, similar children (or children of one name, when the next
// ones are not similar instead) are walked further and the rest inserted or removed.
// White-space text, which shows nothing, is left out. None (empty) when the children
// differ too much to be aligned within the bounds.
std::vector<Compare::Step> Compare::PlanByContent(const std::vector<html::Node>& n, const std::vector<html::Node>& o) {
    std::unordered_map<uint64_t, int> ids;
    std::vector<int> nk, ok;     // keys of the children that show something
    std::vector<size_t> ni, oi;  // and their places among all children
    auto keys = [&](const std::vector<html::Node>& nodes, std::vector<int>& out, std::vector<size_t>& at) {
        for (size_t k = 0; k < nodes.size(); ++k) {
            uint64_t key = ContentKey(nodes[k]);
            if (key == 0) continue;
            out.push_back(ids.emplace(key, int(ids.size())).first->second);
            at.push_back(k);
        }
    };
    keys(n, nk, ni);
    keys(o, ok, oi);
    std::optional<std::vector<WordPair>> found = FewEditsSubsequence(nk, ok, kMaxContentEdits);
    if (!found) {
        size_t head = 0, tail = 0;
        while (head < nk.size() && head < ok.size() && nk[head] == ok[head]) ++head;
        while (tail < nk.size() - head && tail < ok.size() - head &&
               nk[nk.size() - 1 - tail] == ok[ok.size() - 1 - tail])
            ++tail;
        if ((nk.size() - head - tail) * (ok.size() - head - tail) > kMaxContentCells) return {};
        found = CommonSubsequence(nk, ok);
    }

    std::vector<Step> plan;
    size_t i = 0, j = 0;  // indices into the shown children
    auto newAt = [&](size_t k) { return k < ni.size() ? ni[k] : n.size(); };
    auto pair = [&] { plan.push_back({Step::Pair, ni[i++], oi[j++]}); };
    auto between = [&](size_t iEnd, size_t jEnd) {
        while (i < iEnd && j < jEnd) {
            const size_t restNew = iEnd - i, restOriginal = jEnd - j;
            const bool sameName = EqualsNoCase(n[ni[i]].nodeName(), o[oi[j]].nodeName());
            if (restNew == restOriginal || IsSimilar(n[ni[i]], o[oi[j]]))
                pair();
            else if (restNew > restOriginal && (!sameName || IsSimilar(n[ni[i + 1]], o[oi[j]])))
                plan.push_back({Step::Insert, ni[i++], 0});
            else if (restOriginal > restNew && (!sameName || IsSimilar(n[ni[i]], o[oi[j + 1]])))
                plan.push_back({Step::Remove, newAt(i), oi[j++]});
            else
                pair();
        }
        for (; i < iEnd; ++i) plan.push_back({Step::Insert, ni[i], 0});
        for (; j < jEnd; ++j) plan.push_back({Step::Remove, newAt(i), oi[j]});
    };
    for (const WordPair& match : *found) {
        between(size_t(match.newIndex), size_t(match.originalIndex));
        plan.push_back({Step::Pair, ni[i++], oi[j++], true});  // equal content: nothing to walk
    }
    between(ni.size(), oi.size());
    return plan;
}

void Compare::RunPlan(const std::vector<Step>& plan, html::Node newNode, const std::vector<html::Node>& n,
                      const std::vector<html::Node>& o) {
    for (const Step& step : plan) {
        switch (step.kind) {
            case Step::Pair:
                if (!step.same) CompareNodes(n[step.n], o[step.o]);
                break;
            case Step::Insert:
                AddRecord(dfInsertNode, n[step.n], html::Node(), long(step.n));
                break;
            case Step::Remove:
                AddRecord(dfRemoveNode, newNode, o[step.o], long(step.o), step.n < n.size() ? n[step.n] : html::Node());
                break;
        }
    }
}

bool Compare::CompareChildren(html::Node newNode, html::Node originalNode) {
    try {
        std::vector<html::Node> n = ChildrenOf(newNode), o = ChildrenOf(originalNode);
        // Where every child pairs in order with one of equal content, the pairing in order
        // stands; elsewhere the children are matched by content.
        bool allSame = n.size() == o.size();
        for (size_t k = 0; allSame && k < n.size(); ++k) allSame = SameContent(n[k], o[k]);
        std::vector<Step> plan;
        if (!allSame) plan = PlanByContent(n, o);
        if (plan.empty()) {
            plan = PlanInOrder(n, o);
            for (Step& step : plan)
                step.same = allSame && step.kind == Step::Pair && n[step.n].IsElement();
        }
        RunPlan(plan, newNode, n, o);
        return true;
    } catch (const std::exception& error) {
        LogFailure(error);
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
        return CompareChildren(newNode, originalNode);
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

bool Compare::FindInsertions(html::Node newNode, html::Node originalNode) {
    try {
        if (ChildCount(newNode) <= ChildCount(originalNode)) return false;
        std::vector<html::Node> n = ChildrenOf(newNode), o = ChildrenOf(originalNode);
        RunPlan(PlanInOrder(n, o), newNode, n, o);
        return true;
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

bool Compare::FindRemovals(html::Node newNode, html::Node originalNode) {
    try {
        if (ChildCount(newNode) >= ChildCount(originalNode)) return false;
        std::vector<html::Node> n = ChildrenOf(newNode), o = ChildrenOf(originalNode);
        RunPlan(PlanInOrder(n, o), newNode, n, o);
        return true;
    } catch (const std::exception& error) {
        LogFailure(error);
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
        // Similar when the distance stays below 0.3 x the longer length: the distance is
        // only worked out up to the largest value that passes.
        const double bound = 0.3 * double(std::max(a->size(), b->size()));
        long limit = long(bound);
        while (limit >= 0 && !(bound > double(limit))) --limit;
        if (limit < 0) return false;
        return BoundedDistance(*a, *b, int(std::min<long>(limit, INT32_MAX - 1)), clock_, startTime_) <= limit;
    } catch (const std::exception& error) {
        LogFailure(error);
        return false;
    }
}

int32_t Compare::LD(std::string_view s, std::string_view t) {
    try {
        return static_cast<int32_t>(LevenshteinDistance(text::ToU32(s), text::ToU32(t), clock_, startTime_));
    } catch (const std::exception& error) {
        LogFailure(error);
        return 0;
    }
}

// ---- element paths ----

std::string Compare::GetElementPath(html::Node node) {
    std::vector<std::string> segments;
    for (html::Node current = node;;) {
        if (!current) throw Failure(Fault::Missing, kSource, "No node given for an element path");
        if (current.AsElement().IsBody()) break;
        html::Node parent = current.parentNode();
        if (!parent) throw Failure(Fault::Missing, kSource, "The node does not lie inside the body");
        long index = -1;
        for (html::Node child = parent.firstChild(); child; child = child.nextSibling()) {
            if (EqualsNoCase(child.nodeName(), current.nodeName())) ++index;
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
                throw Failure(Fault::InvalidArgument, kSource, "Malformed element path step: " + std::string(segment));
            std::string_view name = segment.substr(0, open);
            long long wanted = 0;
            if (!ParseInteger(segment.substr(open + 1, segment.size() - open - 2), wanted))
                throw Failure(Fault::WrongType, kSource,
                              "The element path step " + std::string(segment) + " has no number");
            if (wanted < 0) return current;
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
    } catch (const std::exception& error) {
        LogFailure(error);
        return html::Node();
    }
}

}  // namespace pelmor::sorrel
