// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/html/DocumentData.h"

#include <algorithm>

namespace pelmor::html::detail {

DocumentData::DocumentData() { root = NewNode(Kind::Document); }

NodeData* DocumentData::NewNode(Kind kind) {
    NodeData* node = arena.New<NodeData>();
    node->kind = kind;
    node->id = nextId_++;
    return node;
}

const ElementName* DocumentData::InternName(std::string_view name) {
    auto it = names_.find(name);
    if (it != names_.end()) return it->second;
    std::string_view kept = arena.Copy(name);
    auto* names = arena.New<ElementName>(ElementName{kept, arena.Copy(AsciiUpper(name))});
    names_.emplace(kept, names);
    return names;
}

NodeData* DocumentData::NewElement(std::string_view name, Namespace ns) {
    std::string lower = AsciiLower(name);
    const TagInfo& info = LookupTag(lower);
    // Known names written in lower case share the table's names; foreign elements keep
    // their own spelling ("foreignObject").
    return NewElementWith(!info.names.name.empty() && lower == name ? &info.names : InternName(name), info, ns);
}

NodeData* DocumentData::NewElementWith(const ElementName* names, const TagInfo& info, Namespace ns) {
    NodeData* node = NewNode(Kind::Element);
    node->ns = ns;
    node->ref = names;
    if (ns == Namespace::Html) {
        // Only HTML elements behave as their names say; an SVG "title" or "style" is foreign.
        node->tag = info.id;
        node->flags = info.flags;
    }
    return node;
}

NodeData* DocumentData::NewText(std::string_view text) {
    NodeData* node = NewNode(Kind::Text);
    node->SetData(text);
    return node;
}

NodeData* DocumentData::NewComment(std::string_view text) {
    NodeData* node = NewNode(Kind::Comment);
    node->SetData(text);
    return node;
}

void DocumentData::ReserveAttributes(NodeData* element, uint32_t count) {
    uint32_t have = element->AttrCount();
    if (element->attrList && element->attrList->capacity - have >= count) return;
    uint32_t capacity = have + count;
    auto* list = static_cast<AttrList*>(arena.Allocate(sizeof(AttrList) + sizeof(Attr) * capacity, alignof(Attr)));
    list->count = have;
    list->capacity = capacity;
    if (have) std::copy(element->Attrs(), element->Attrs() + have, list->Items());
    element->attrList = list;
}

void DocumentData::AddAttribute(NodeData* element, std::string_view name, std::string_view value) {
    uint32_t have = element->AttrCount();
    // Small lists grow one at a time (most elements keep one or two), longer ones double.
    if (!element->attrList || have == element->attrList->capacity) ReserveAttributes(element, have < 4 ? 1 : have);
    element->attrList->Items()[element->attrList->count++] = Attr{name, value};
}

void DocumentData::SetAttribute(NodeData* element, std::string_view name, std::string_view value) {
    Attr* attrs = element->Attrs();
    for (uint32_t i = 0; i < element->AttrCount(); ++i) {
        if (EqualsAsciiNoCase(attrs[i].name, name)) {
            if (attrs[i].value != value) attrs[i].value = arena.Copy(value);
            return;
        }
    }
    // Callers set the same attribute on many elements: its name is kept once.
    if (lastAttributeName_ != name) lastAttributeName_ = arena.Copy(name);
    AddAttribute(element, lastAttributeName_, arena.Copy(value));
}

void DocumentData::SetText(NodeData* node, std::string_view text) {
    node->SetData(arena.Copy(text));
    ++version;
}

bool DocumentData::InsertBefore(NodeData* parent, NodeData* child, NodeData* before) {
    if (!parent || !child || parent == child || child->kind == Kind::Document) return false;
    if (parent->kind != Kind::Element && parent->kind != Kind::Document) return false;
    if (before && before->parent != parent) return false;
    if (before == child) return true;
    for (const NodeData* a = parent; a; a = a->parent)
        if (a == child) return false;
    Detach(child);
    child->parent = parent;
    child->next = before;
    child->prev = before ? before->prev : parent->last;
    if (child->prev) child->prev->next = child;
    else parent->first = child;
    if (before) before->prev = child;
    else parent->last = child;
    ++parent->size;
    ++version;
    return true;
}

void DocumentData::Detach(NodeData* node) {
    NodeData* parent = node->parent;
    if (!parent) return;
    if (node->prev) node->prev->next = node->next;
    else parent->first = node->next;
    if (node->next) node->next->prev = node->prev;
    else parent->last = node->prev;
    node->parent = node->prev = node->next = nullptr;
    --parent->size;
    ++version;
}

void DocumentData::RemoveChildren(NodeData* parent) {
    if (parent->HoldsText()) return;
    for (NodeData* c = parent->first; c;) {
        NodeData* next = c->next;
        c->parent = c->prev = c->next = nullptr;
        c = next;
    }
    parent->first = parent->last = nullptr;
    parent->size = 0;
    ++version;
}

NodeData* DocumentData::ChildAt(const NodeData* parent, uint32_t index) {
    if (!parent || index >= parent->ChildCount()) return nullptr;
    NodeData* node;
    uint32_t at;
    // Start from the cached neighbour, the first or the last child, whichever is nearest.
    if (lastListParent == parent && lastListVersion == version && lastListNode) {
        node = const_cast<NodeData*>(lastListNode);
        at = lastListIndex;
        if (index < at && at - index > index) {
            node = parent->first;
            at = 0;
        }
    } else {
        node = parent->first;
        at = 0;
    }
    if (index > at && parent->size - 1 - index < index - at) {
        node = parent->last;
        at = parent->size - 1;
    }
    while (at < index) node = node->next, ++at;
    while (at > index) node = node->prev, --at;
    lastListParent = parent;
    lastListNode = node;
    lastListIndex = index;
    lastListVersion = version;
    return node;
}

NodeData* DocumentData::DocumentElement() const {
    for (NodeData* c = root->first; c; c = c->next)
        if (c->kind == Kind::Element) return c;
    return nullptr;
}

NodeData* DocumentData::Body() const {
    NodeData* html = DocumentElement();
    if (!html) return nullptr;
    for (NodeData* c = html->first; c; c = c->next)
        if (c->Is(Tag::Body) || c->Is(Tag::Frameset)) return c;
    return nullptr;
}

const Layout& DocumentData::BodyLayout() {
    NodeData* body = Body();
    if (layout.version != version || layout.root != body) {
        layout.text.clear();
        layout.segments.clear();
        layout.start.assign(NodeCount(), kNoOffset);
        layout.end.assign(NodeCount(), kNoOffset);
        layout.root = body;
        if (body) RenderText(body, layout.text, &layout);
        layout.version = version;
    }
    return layout;
}

const Attr* FindAttribute(const NodeData* element, std::string_view name) {
    Attr* attrs = element->Attrs();
    for (uint32_t i = 0; i < element->AttrCount(); ++i)
        if (EqualsAsciiNoCase(attrs[i].name, name)) return &attrs[i];
    return nullptr;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x == y) continue;
        if ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z') return false;
    }
    return true;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return out;
}

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

int DepthOf(const NodeData* node) {
    int depth = 0;
    for (; node && node->kind == Kind::Element; node = node->parent) ++depth;
    return depth;
}

}  // namespace pelmor::html::detail
