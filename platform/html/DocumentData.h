// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The inside of a document: the node records, their arena, and the tree operations every
// other file of the module builds on. Nothing here is visible to users of the module.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/html/Arena.h"
#include "platform/html/Tags.h"

namespace pelmor::html {
class Document;
}

namespace pelmor::html::detail {

enum class Kind : uint8_t { Document = 9, Element = 1, Text = 3, Comment = 8 };
enum class Namespace : uint8_t { Html, Svg, MathMl };

struct Attr {
    std::string_view name;  // as written by the parser (lower case) or by setAttribute
    std::string_view value;
};

// The attributes of an element: a count and a capacity, followed by the attributes.
struct AttrList {
    uint32_t count;
    uint32_t capacity;
    Attr* Items() { return reinterpret_cast<Attr*>(this + 1); }
};

// One node of the tree, kept small: a page can hold a million of them. Elements point to
// names they share with every element of that name, and hold their attributes in a block
// of their own only when they have some.
struct NodeData {
    NodeData* parent = nullptr;
    NodeData* first = nullptr;
    NodeData* last = nullptr;
    NodeData* prev = nullptr;
    NodeData* next = nullptr;
    // Text and comments: the first of their characters; elements: their ElementName.
    const void* ref = nullptr;
    AttrList* attrList = nullptr;  // elements with attributes
    uint32_t size = 0;             // text and comments: length of their text; others: number of children
    uint32_t id = 0;               // creation order within the document, for side tables
    Tag tag = Tag::Other;
    uint16_t flags = 0;
    Kind kind = Kind::Element;
    Namespace ns = Namespace::Html;

    bool IsElement() const { return kind == Kind::Element; }
    bool Is(Tag t) const { return kind == Kind::Element && tag == t; }
    bool HoldsText() const { return kind == Kind::Text || kind == Kind::Comment; }
    // Text and comments: their data; elements: the name as serialised; the document: "".
    std::string_view Text() const {
        if (HoldsText()) return {static_cast<const char*>(ref), size};
        if (kind == Kind::Element) return static_cast<const ElementName*>(ref)->name;
        return {};
    }
    // The node name: "DIV", "#text", "#comment", "#document".
    std::string_view Upper() const {
        switch (kind) {
            case Kind::Element: return static_cast<const ElementName*>(ref)->upper;
            case Kind::Text: return "#text";
            case Kind::Comment: return "#comment";
            default: return "#document";
        }
    }
    // Points a text or comment at characters that live as long as the document.
    void SetData(std::string_view text) {
        ref = text.data();
        size = uint32_t(text.size());
    }
    uint32_t ChildCount() const { return HoldsText() ? 0 : size; }
    uint32_t AttrCount() const { return attrList ? attrList->count : 0; }
    Attr* Attrs() const { return attrList ? attrList->Items() : nullptr; }
};
static_assert(sizeof(NodeData) <= 72, "every byte of a node counts a million times on a big page");

// The deepest level an element can reach: the root element is level 1; elements the
// parser would put deeper are attached to their ancestor at this level, in document order.
inline constexpr int kMaxDepth = 512;

// A page's text is parsed up to the tag that takes it past this many nodes (elements,
// texts and comments, as written); the rest is dropped, so one document stays within a
// few hundred megabytes whatever the page holds.
inline constexpr size_t kMaxNodes = 1000000;

struct FrameState {
    std::shared_ptr<Document> document;
    bool accessible = true;
};

// One piece of the rendered text and where it came from.
struct Segment {
    uint32_t outStart = 0;
    uint32_t outLength = 0;
    NodeData* node = nullptr;  // the text node; null for line breaks and tabs
    uint32_t srcStart = 0;
    uint32_t srcLength = 0;    // equals outLength for verbatim text; a blank stands for a run
};

// The rendered text of the body with its source map, rebuilt after tree changes.
struct Layout {
    uint64_t version = ~uint64_t{0};
    NodeData* root = nullptr;
    std::string text;
    std::vector<Segment> segments;
    std::vector<uint32_t> start;  // by node id: first offset of an element's text
    std::vector<uint32_t> end;    // by node id: end offset of an element's text
};

inline constexpr uint32_t kNoOffset = ~uint32_t{0};

class DocumentData {
public:
    DocumentData();

    Arena arena;
    NodeData* root = nullptr;  // the document node
    std::string url;
    uint64_t version = 0;      // bumped by every change to the tree or to text
    bool nodeCapReached = false;  // the parser dropped the end of the page (kMaxNodes)
    std::unordered_map<const NodeData*, FrameState> frames;
    Layout layout;
    // Cache of the last childNodes item lookup, so index walks stay linear.
    const NodeData* lastListParent = nullptr;
    const NodeData* lastListNode = nullptr;
    uint32_t lastListIndex = 0;
    uint64_t lastListVersion = 0;

    // A new element; the name is looked up, and kept once per document when it is not known.
    NodeData* NewElement(std::string_view name, Namespace ns = Namespace::Html);
    // A new element whose names live as long as the document.
    NodeData* NewElementWith(const ElementName* names, const TagInfo& info, Namespace ns);
    // The names of elements called `name` (as serialised), kept once per document.
    const ElementName* InternName(std::string_view name);
    NodeData* NewText(std::string_view text);
    NodeData* NewComment(std::string_view text);
    // Makes room for `count` more attributes in one block (the parser's path).
    void ReserveAttributes(NodeData* element, uint32_t count);
    // Adds an attribute without looking for one of the same name (the parser's path).
    void AddAttribute(NodeData* element, std::string_view name, std::string_view value);
    // Replaces the value of the attribute of that name (any letter case) or adds it.
    void SetAttribute(NodeData* element, std::string_view name, std::string_view value);
    void SetText(NodeData* node, std::string_view text);

    // Tree edits. They never create a cycle: inserting a node into its own subtree fails.
    bool InsertBefore(NodeData* parent, NodeData* child, NodeData* before);
    void Detach(NodeData* node);
    // Appends a node that has never been in a tree (the parser's path: no checks).
    void AppendNew(NodeData* parent, NodeData* child) {
        child->parent = parent;
        child->prev = parent->last;
        if (parent->last) parent->last->next = child;
        else parent->first = child;
        parent->last = child;
        ++parent->size;
    }
    void RemoveChildren(NodeData* parent);

    NodeData* ChildAt(const NodeData* parent, uint32_t index);
    const Layout& BodyLayout();
    NodeData* Body() const;
    NodeData* DocumentElement() const;

    uint32_t NodeCount() const { return nextId_; }

private:
    NodeData* NewNode(Kind kind);
    uint32_t nextId_ = 0;
    std::unordered_map<std::string_view, const ElementName*> names_;  // names outside the tag table
    std::string_view lastAttributeName_;  // the name SetAttribute kept last, shared by the next
};

// The white space of HTML: blank, tab, line feed, form feed, carriage return.
inline bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
// The text without HTML white space at either end.
std::string_view TrimSpace(std::string_view text);
// Value of a property in an element's "style" attribute, the last declaration winning;
// "" when not set.
std::string StyleProperty(const NodeData* element, std::string_view property);

// Attribute of that name, compared without regard to ASCII letter case; null when absent.
const Attr* FindAttribute(const NodeData* element, std::string_view name);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// Next node of a walk in document order that stays inside `scope`; null at the end.
inline NodeData* NextInScope(const NodeData* node, const NodeData* scope, bool skipChildren = false) {
    if (!skipChildren && node->first) return node->first;
    while (node && node != scope) {
        if (node->next) return node->next;
        node = node->parent;
    }
    return nullptr;
}

// Depth of an element counted from the root element (level 1).
int DepthOf(const NodeData* node);

// Parses a whole document into `doc`, replacing its tree (see Parser.cpp).
void ParseDocument(DocumentData& doc, std::string_view html);
// Parses a fragment as the content of `context` and appends the nodes to it.
void ParseFragment(DocumentData& doc, NodeData* context, std::string_view html);

// `in` with every byte that does not start a valid UTF-8 sequence replaced by U+FFFD.
void RepairText(std::string_view in, std::string& out);

// Rendered text of a subtree; with `layout` the source map is recorded as well.
void RenderText(const NodeData* scope, std::string& out, Layout* layout);
// HTML form of a node's content (inner) or of the node itself (outer).
void Serialize(const NodeData* node, bool outer, std::string& out);

}  // namespace pelmor::html::detail
