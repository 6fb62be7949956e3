// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The HTML document model: a parsed page as a tree of nodes, with the operations the
// comparison engine, the loader and the page cache read and write.
//
// Overview
//   auto doc = Document::Parse(html, url);   // any bytes; invalid UTF-8 becomes U+FFFD
//   Element body = doc->body();
//   for (Node n = body.firstChild(); n; n = n.nextSibling()) ... n.nodeName(), n.nodeValue()
//   body.getElementsByTagName("IMG").length(); body.innerText(); body.innerHTML();
//   TextRange r = body.createTextRange(); r.findText("word"); r.execCommand("BackColor", true, "#FFFF00");
//   doc->frames().item(0).SetDocument(frameDoc);   // the loader fills in frame documents
//
// Lifetime rule: a Document owns all its nodes, names and texts. Node, Element, NodeList,
// Style, TextRange, FrameWindow handles and every std::string_view these classes return
// are cheap non-owning values that stay valid exactly as long as their Document lives,
// also after the node has been taken out of the tree (it is then detached, not freed).
// A view shows the value at the time of the call. An empty handle is safe to use: it
// answers empty text, empty nodes, zero counts and false, so walks chain without tests.
// A document and its handles belong to one thread at a time.
//
// Names: element names are upper case in nodeName ("TABLE"); text nodes are "#text",
// comments "#comment". Tag and attribute names are matched without regard to letter case.
// Serialisation (innerHTML, outerHTML) is HTML5 style and parses back to the same tree.
//
// Rendered text (innerText, and the text every TextRange works on) is built this way:
//   - text of SCRIPT, STYLE, HEAD, TITLE, NOSCRIPT, TEMPLATE, TEXTAREA, OBJECT, IFRAME,
//     FRAME, AUDIO, VIDEO, CANVAS and the like gives nothing; comments give nothing; the
//     OPTIONs of a SELECT give their text, one line each;
//   - runs of blanks, tabs, carriage returns and line feeds collapse to one blank; blanks
//     at the start and end of a line disappear; no-break spaces (U+00A0) stay as they are;
//     inside PRE, LISTING, PLAINTEXT and XMP white space is kept as written;
//   - block elements (DIV, P, H1, LI, TABLE, TR, ...) start and end a line: "\n" between
//     them, and a blank line ("\n\n") around a P; line breaks do not pile up, and none
//     lead or trail the text;
//   - BR gives "\n" wherever it stands; a table cell that is not the last of its row is
//     followed by "\t";
//   - everything else (B, A, SPAN, FONT, ...) is inline and adds only its text.
// Lengths and moves of text ranges count characters (Unicode code points), not bytes:
// use TextLength() for the length of a text in those units.
//
// Colours (queryCommandValue) are numbers with red in the low byte: red | green << 8 |
// blue << 16, so black is 0 and white 0xFFFFFF.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pelmor::html {

namespace detail {
struct NodeData;
class DocumentData;
}  // namespace detail

class Document;
class Element;
class ElementList;
class NodeList;
class Style;
class TextRange;

enum NodeType : int { kNoNode = 0, kElementNode = 1, kTextNode = 3, kCommentNode = 8, kDocumentNode = 9 };

class Node {
public:
    Node() = default;

    explicit operator bool() const { return node_ != nullptr; }
    bool operator==(const Node& other) const { return node_ == other.node_; }
    // The node's identity: the same for every handle to the node while its document
    // lives, and different from that of every other live node of any document.
    const void* Identity() const { return node_; }

    // 1 element, 3 text, 8 comment, 9 document; 0 for an empty handle.
    int nodeType() const;
    // "TABLE", "#text", "#comment", "#document"; "" for an empty handle.
    std::string_view nodeName() const;
    // Text of a text or comment node; "" for elements and empty handles.
    std::string_view nodeValue() const;
    std::string_view data() const { return nodeValue(); }
    // Replaces the text of a text or comment node; false for other nodes.
    bool SetData(std::string_view text);

    // Relatives; empty handles where there is none.
    Node parentNode() const;
    Node firstChild() const;
    Node lastChild() const;
    Node nextSibling() const;
    Node previousSibling() const;
    // Live list of all children, white-space-only text included.
    NodeList childNodes() const;

    // The same node as an element; an empty handle when it is not one.
    Element AsElement() const;
    bool IsElement() const;

    // Tree edits. A node inserted elsewhere leaves its old place first; a node cannot go
    // into its own subtree or into another document. Each returns the moved node, or an
    // empty handle (and changes nothing) when the edit is not possible.
    Node appendChild(Node child);
    Node insertBefore(Node child, Node before);
    Node removeChild(Node child);

protected:
    Node(detail::DocumentData* doc, detail::NodeData* node) : doc_(doc), node_(node) {}
    detail::DocumentData* doc_ = nullptr;
    detail::NodeData* node_ = nullptr;

    friend class Document;
    friend class Element;
    friend class NodeList;
    friend class TextRange;
    friend class FrameWindow;
    friend class FrameCollection;
    friend Node MakeNode(detail::DocumentData*, detail::NodeData*);
};

// Live view of a node's children.
class NodeList {
public:
    NodeList() = default;
    // Number of children now; 0 for an empty list.
    size_t length() const;
    // Child at a zero-based index; empty beyond the end. Walking the indices in order
    // costs one step each.
    Node item(size_t index) const;

private:
    friend class Node;
    NodeList(detail::DocumentData* doc, detail::NodeData* parent) : doc_(doc), parent_(parent) {}
    detail::DocumentData* doc_ = nullptr;
    detail::NodeData* parent_ = nullptr;
};

// Inline style of an element, read from and written into its "style" attribute.
class Style {
public:
    Style() = default;
    // Value of a property in the style attribute ("" when not set).
    std::string getPropertyValue(std::string_view property) const;
    // Sets a property (an empty value removes it); false when there is no element.
    bool setProperty(std::string_view property, std::string_view value);

    // Colours accept "#RRGGBB", "#RGB", "RRGGBB", "rgb(r, g, b)" and colour names, and are
    // stored as a valid CSS colour ("#RRGGBB", or the name in lower case); widths accept a CSS length or a bare number of pixels; styles
    // accept the CSS border styles. A value that is none of these changes nothing and
    // gives false; an empty value removes the property.
    std::string backgroundColor() const { return getPropertyValue("background-color"); }
    bool SetBackgroundColor(std::string_view value);
    std::string borderColor() const { return getPropertyValue("border-color"); }
    bool SetBorderColor(std::string_view value);
    std::string borderWidth() const { return getPropertyValue("border-width"); }
    bool SetBorderWidth(std::string_view value);
    std::string borderStyle() const { return getPropertyValue("border-style"); }
    bool SetBorderStyle(std::string_view value);

private:
    friend class Element;
    Style(detail::DocumentData* doc, detail::NodeData* element) : doc_(doc), element_(element) {}
    detail::DocumentData* doc_ = nullptr;
    detail::NodeData* element_ = nullptr;
};

class Element : public Node {
public:
    Element() = default;

    // Upper-case tag name, as nodeName.
    std::string_view tagName() const { return nodeName(); }

    // Attribute value ("" when absent); names compare without regard to letter case.
    std::string_view getAttribute(std::string_view name) const;
    bool hasAttribute(std::string_view name) const;
    // Sets an attribute, keeping the letter case of a new name; false for empty handles
    // and empty names.
    bool setAttribute(std::string_view name, std::string_view value);
    bool removeAttribute(std::string_view name);
    // Attributes in document order, for walks; out-of-range indices give "".
    size_t attributeCount() const;
    std::string_view attributeName(size_t index) const;
    std::string_view attributeValue(size_t index) const;

    // Rendered text of the element (rules at the top of this header); "" when empty.
    std::string innerText() const;
    // Replaces all content by one text node holding `text` (none for an empty text).
    bool SetInnerText(std::string_view text);
    // HTML of the content, and of the element with its content.
    std::string innerHTML() const;
    std::string outerHTML() const;
    // Replaces all content by the parsed `html`, as a browser parses it inside this
    // element; false for empty handles.
    bool SetInnerHTML(std::string_view html);

    // Child elements (item 0 is the first child element).
    ElementList children() const;
    // Descendant elements with that tag name (any letter case; "*" for all), in document
    // order; a snapshot, not live.
    ElementList getElementsByTagName(std::string_view tagName) const;

    Style style() const { return Style(doc_, node_); }

    // Attribute shortcuts, as written in the page (not resolved against any base).
    std::string_view src() const { return getAttribute("src"); }
    std::string_view href() const { return getAttribute("href"); }
    std::string_view httpEquiv() const { return getAttribute("http-equiv"); }
    std::string_view content() const { return getAttribute("content"); }
    // File-name part of an image's address: the text after the last "/" of src ("" when
    // there is no src).
    std::string_view nameProp() const;

    bool IsBody() const;
    bool IsImage() const;
    bool IsObject() const;
    bool IsTableRow() const;

    // A range over the body's rendered text covering this element's text; empty when the
    // element is not inside the body of its document.
    TextRange createTextRange() const;

private:
    friend class Node;
    friend class ElementList;
    friend class Document;
    friend class FrameWindow;
    Element(detail::DocumentData* doc, detail::NodeData* node) : Node(doc, node) {}
};

// A fixed list of elements.
class ElementList {
public:
    size_t length() const { return items_.size(); }
    // Element at a zero-based index; empty beyond the end.
    Element item(size_t index) const { return index < items_.size() ? items_[index] : Element(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    friend class Element;
    friend class Document;
    std::vector<Element> items_;
};

// A place between two characters of the body's text: a text node and a byte offset into
// its text. An empty node when the place is not inside the text of a text node.
struct TextPoint {
    Node node;
    size_t offset = 0;
};

// A stretch of the body's rendered text, between two character positions.
class TextRange {
public:
    TextRange() = default;

    explicit operator bool() const { return doc_ != nullptr; }

    // The range becomes the element's text; false (range unchanged) when the element is
    // not in the body, or its text is not shown as page text a range can paint: inside
    // SCRIPT, STYLE, NOSCRIPT, TEXTAREA and the other unrendered elements, or a SELECT.
    // A shown element without text gives an empty range where it stands.
    bool moveToElementText(const Element& element);
    // Moves the range onto the first occurrence of `text` that starts at or after the
    // range's start and lies within the range (or, for a collapsed range, within `count`
    // characters after it). Letter case is ignored; a run of white space in `text`
    // matches any run of white space (line breaks and no-break spaces included) and, at
    // the start or end of `text`, also none. False (range unchanged) when not found or
    // when `text` is empty. `flags` is accepted and ignored.
    bool findText(std::string_view text, long count = 1073741823, long flags = 0);
    // The covered text; "" for an empty range.
    std::string text() const;
    // Moves an end by `count` characters (negative: backwards), within the body's text;
    // the other end follows when they would cross. Returns the number moved; only the
    // unit "character" moves.
    long moveStart(std::string_view unit, long count);
    long moveEnd(std::string_view unit, long count);
    TextRange duplicate() const { return *this; }
    // "EndToStart": end := start of `other`; "EndToEnd": end := end of `other`;
    // "StartToStart" and "StartToEnd" likewise for the start. False for other words.
    bool setEndPoint(std::string_view how, const TextRange& other);
    // "ForeColor" or "BackColor" at the start of the range, as a colour number; -1 for
    // other commands and empty ranges.
    long queryCommandValue(std::string_view command) const;
    // "BackColor": paints every character of the range with the colour by wrapping the
    // covered text in <span style="background-color: C">, splitting text nodes at the
    // range's ends; C is a valid CSS colour made from the colour forms Style accepts.
    // Text in SVG or MathML, in table parts that cannot hold a SPAN, and at the depth cap
    // stays unpainted. False, with nothing changed, for other commands, a colour that
    // cannot be read, or nothing to paint.
    bool execCommand(std::string_view command, bool showUI, std::string_view value);

    // The element holding the range's first character; the body when no element does.
    Element parentElement() const;
    // Where the range's first character stands in the tree; empty when that character is
    // not text of a text node (a line break between blocks, or past the end).
    TextPoint StartPoint() const;
    // Just after the character before the range's end; empty at the start of the body's
    // text and when that character is not text of a text node.
    TextPoint EndPoint() const;

    // Positions in characters from the start of the body's text.
    long StartPosition() const;
    long EndPosition() const;

private:
    friend class Element;
    TextRange(detail::DocumentData* doc, uint32_t start, uint32_t end) : doc_(doc), start_(start), end_(end) {}
    // Holds both ends inside the current text (it may have shrunk since) and on
    // character boundaries.
    void Clamp() const;
    detail::DocumentData* doc_ = nullptr;
    mutable uint32_t start_ = 0;  // byte offsets into the body's rendered text
    mutable uint32_t end_ = 0;
};

// A frame's window: its FRAME or IFRAME element and the document loaded into it.
class FrameWindow {
public:
    FrameWindow() = default;
    explicit operator bool() const { return element_ != nullptr; }

    Element frameElement() const;
    // The frame's document: null until the loader supplies one. Throws
    // a pelmor::Failure PermissionDenied when the frame was marked inaccessible, as
    // reading the document of another site's frame fails.
    std::shared_ptr<Document> document() const;
    // False when reading document() would fail.
    bool accessible() const;
    void SetDocument(std::shared_ptr<Document> document);
    void SetAccessible(bool accessible);

private:
    friend class FrameCollection;
    FrameWindow(detail::DocumentData* doc, detail::NodeData* element) : doc_(doc), element_(element) {}
    detail::DocumentData* doc_ = nullptr;
    detail::NodeData* element_ = nullptr;
};

// The frame windows of a document: one per FRAME and IFRAME element, in document order.
class FrameCollection {
public:
    size_t length() const { return elements_.size(); }
    // Window at a zero-based index; empty beyond the end.
    FrameWindow item(size_t index) const;

private:
    friend class Document;
    detail::DocumentData* doc_ = nullptr;
    std::vector<detail::NodeData*> elements_;
};

class Location {
public:
    explicit Location(std::string_view href) : href_(href) {}
    std::string_view href() const { return href_; }

private:
    std::string_view href_;
};

class Document {
public:
    // An empty page (HTML, HEAD and an empty BODY) with the given address.
    static std::shared_ptr<Document> Create(std::string_view url = "about:blank");
    // A page parsed from any bytes (read as UTF-8; invalid sequences become U+FFFD).
    // Never fails short of running out of memory.
    static std::shared_ptr<Document> Parse(std::string_view html, std::string_view url = "about:blank");
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    Element body() const;
    Element documentElement() const;
    // The document node: the parent of the root element and of comments outside it.
    Node documentNode() const;
    std::string_view URL() const;
    void SetURL(std::string_view url);
    Location location() const { return Location(URL()); }
    // Text of the first TITLE element with white space collapsed and trimmed; "" when none.
    std::string title() const;
    // "complete": a document is handed out only once it is built.
    std::string_view readyState() const { return "complete"; }
    // Elements of the whole document with that tag name (any case; "*" for all), in
    // document order.
    ElementList getElementsByTagName(std::string_view tagName) const;
    FrameCollection frames() const;
    // A new element, not yet in the tree; empty for a name that is not a valid tag name.
    Element createElement(std::string_view tagName);
    // A new text node, not yet in the tree.
    Node createTextNode(std::string_view text);
    // True when the page held more nodes than a document keeps, so that only its beginning
    // was parsed; false for a whole page.
    bool NodeCapReached() const;
    // The most nodes a parsed page keeps.
    static size_t MaxNodes();
    // The most memory a page of `bytes` bytes takes once parsed and compared (an upper
    // estimate; a page past the node cap costs what the cap keeps).
    static size_t MemoryEstimate(size_t bytes);

private:
    Document();
    std::unique_ptr<detail::DocumentData> data_;
};

// Number of characters (Unicode code points) in a UTF-8 text, the unit of text ranges.
size_t TextLength(std::string_view text);

}  // namespace pelmor::html

// Handles hash by node identity, so they can key unordered containers.
template <>
struct std::hash<pelmor::html::Node> {
    size_t operator()(const pelmor::html::Node& node) const noexcept { return std::hash<const void*>()(node.Identity()); }
};
