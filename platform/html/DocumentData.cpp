#include "platform/html/DocumentData.h"

#include <algorithm>

namespace pelmor::html::detail {

namespace {
constexpr std::string_view kTextName = "#text";
constexpr std::string_view kCommentName = "#comment";
constexpr std::string_view kDocumentName = "#document";
}  // namespace

DocumentData::DocumentData() { root = NewNode(Kind::Document); }

NodeData* DocumentData::NewNode(Kind kind) {
    NodeData* node = arena.New<NodeData>();
    node->kind = kind;
    node->id = nextId_++;
    switch (kind) {
        case Kind::Text: node->upper = kTextName; break;
        case Kind::Comment: node->upper = kCommentName; break;
        case Kind::Document: node->upper = kDocumentName; break;
        default: break;
    }
    return node;
}

NodeData* DocumentData::NewElement(std::string_view name, Namespace ns) {
    std::string lower = AsciiLower(name);
    const TagInfo& info = LookupTag(lower);
    if (info.lower.empty()) return NewElementWith(arena.Copy(name), arena.Copy(AsciiUpper(name)), info, ns);
    // Foreign elements keep their own spelling ("foreignObject").
    return NewElementWith(lower == name ? info.lower : arena.Copy(name), info.upper, info, ns);
}

NodeData* DocumentData::NewElementWith(std::string_view name, std::string_view upper, const TagInfo& info,
                                       Namespace ns) {
    NodeData* node = NewNode(Kind::Element);
    node->ns = ns;
    node->text = name;
    node->upper = upper;
    if (ns == Namespace::Html) {
        // Only HTML elements behave as their names say; an SVG "title" or "style" is foreign.
        node->tag = info.id;
        node->flags = info.flags;
    }
    return node;
}

NodeData* DocumentData::NewText(std::string_view text) {
    NodeData* node = NewNode(Kind::Text);
    node->text = text;
    return node;
}

NodeData* DocumentData::NewComment(std::string_view text) {
    NodeData* node = NewNode(Kind::Comment);
    node->text = text;
    return node;
}

void DocumentData::AddAttribute(NodeData* element, std::string_view name, std::string_view value) {
    if (element->attrCount == element->attrCapacity) {
        uint32_t capacity = element->attrCapacity ? element->attrCapacity * 2 : 4;
        auto* attrs = static_cast<Attr*>(arena.Allocate(sizeof(Attr) * capacity, alignof(Attr)));
        std::copy(element->attrs, element->attrs + element->attrCount, attrs);
        element->attrs = attrs;
        element->attrCapacity = capacity;
    }
    element->attrs[element->attrCount++] = Attr{name, value};
}

void DocumentData::SetAttribute(NodeData* element, std::string_view name, std::string_view value) {
    for (uint32_t i = 0; i < element->attrCount; ++i) {
        if (EqualsAsciiNoCase(element->attrs[i].name, name)) {
            if (element->attrs[i].value != value) element->attrs[i].value = arena.Copy(value);
            return;
        }
    }
    AddAttribute(element, arena.Copy(name), arena.Copy(value));
}

void DocumentData::SetText(NodeData* node, std::string_view text) {
    node->text = arena.Copy(text);
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
    ++parent->childCount;
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
    --parent->childCount;
    ++version;
}

void DocumentData::RemoveChildren(NodeData* parent) {
    for (NodeData* c = parent->first; c;) {
        NodeData* next = c->next;
        c->parent = c->prev = c->next = nullptr;
        c = next;
    }
    parent->first = parent->last = nullptr;
    parent->childCount = 0;
    ++version;
}

NodeData* DocumentData::ChildAt(const NodeData* parent, uint32_t index) {
    if (!parent || index >= parent->childCount) return nullptr;
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
    if (index > at && parent->childCount - 1 - index < index - at) {
        node = parent->last;
        at = parent->childCount - 1;
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
    for (uint32_t i = 0; i < element->attrCount; ++i)
        if (EqualsAsciiNoCase(element->attrs[i].name, name)) return &element->attrs[i];
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
