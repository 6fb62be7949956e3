// SPDX-License-Identifier: GPL-3.0-or-later
// Document, node and element handles over the records of DocumentData.

#include <algorithm>

#include "platform/core/Failure.h"
#include "platform/core/MemoryBudget.h"
#include "platform/html/DocumentData.h"
#include "platform/html/Html.h"

namespace pelmor::html {

using detail::DocumentData;
using detail::Kind;
using detail::NodeData;
using detail::Tag;

Node MakeNode(DocumentData* doc, NodeData* node) { return node ? Node(doc, node) : Node(); }

// ---- Node ----------------------------------------------------------------------------

int Node::nodeType() const { return node_ ? int(node_->kind) : kNoNode; }

std::string_view Node::nodeName() const { return node_ ? node_->Upper() : std::string_view(); }

std::string_view Node::nodeValue() const {
    return node_ && (node_->kind == Kind::Text || node_->kind == Kind::Comment) ? node_->Text() : std::string_view();
}

bool Node::SetData(std::string_view text) {
    if (!node_ || (node_->kind != Kind::Text && node_->kind != Kind::Comment)) return false;
    doc_->SetText(node_, text);
    return true;
}

Node Node::parentNode() const { return node_ ? MakeNode(doc_, node_->parent) : Node(); }
Node Node::firstChild() const { return node_ ? MakeNode(doc_, node_->first) : Node(); }
Node Node::lastChild() const { return node_ ? MakeNode(doc_, node_->last) : Node(); }
Node Node::nextSibling() const { return node_ ? MakeNode(doc_, node_->next) : Node(); }
Node Node::previousSibling() const { return node_ ? MakeNode(doc_, node_->prev) : Node(); }
NodeList Node::childNodes() const { return NodeList(doc_, node_); }

bool Node::IsElement() const { return node_ && node_->kind == Kind::Element; }
Element Node::AsElement() const { return IsElement() ? Element(doc_, node_) : Element(); }

Node Node::appendChild(Node child) { return insertBefore(child, Node()); }

Node Node::insertBefore(Node child, Node before) {
    if (!node_ || !child.node_ || child.doc_ != doc_ || (before.node_ && before.doc_ != doc_)) return Node();
    return doc_->InsertBefore(node_, child.node_, before.node_) ? child : Node();
}

Node Node::removeChild(Node child) {
    if (!node_ || !child.node_ || child.node_->parent != node_) return Node();
    doc_->Detach(child.node_);
    return child;
}

size_t NodeList::length() const { return parent_ ? parent_->ChildCount() : 0; }

Node NodeList::item(size_t index) const {
    if (!parent_ || index >= parent_->ChildCount()) return Node();
    return MakeNode(doc_, doc_->ChildAt(parent_, uint32_t(index)));
}

// ---- Element -------------------------------------------------------------------------

std::string_view Element::getAttribute(std::string_view name) const {
    if (!node_) return {};
    const detail::Attr* a = detail::FindAttribute(node_, name);
    return a ? a->value : std::string_view();
}

bool Element::hasAttribute(std::string_view name) const { return node_ && detail::FindAttribute(node_, name); }

bool Element::setAttribute(std::string_view name, std::string_view value) {
    if (!node_ || name.empty()) return false;
    doc_->SetAttribute(node_, name, value);
    return true;
}

bool Element::removeAttribute(std::string_view name) {
    if (!node_) return false;
    detail::Attr* attrs = node_->Attrs();
    for (uint32_t i = 0; i < node_->AttrCount(); ++i) {
        if (detail::EqualsAsciiNoCase(attrs[i].name, name)) {
            for (uint32_t j = i + 1; j < node_->AttrCount(); ++j) attrs[j - 1] = attrs[j];
            --node_->attrList->count;
            return true;
        }
    }
    return false;
}

size_t Element::attributeCount() const { return node_ ? node_->AttrCount() : 0; }
std::string_view Element::attributeName(size_t i) const {
    return node_ && i < node_->AttrCount() ? node_->Attrs()[i].name : std::string_view();
}
std::string_view Element::attributeValue(size_t i) const {
    return node_ && i < node_->AttrCount() ? node_->Attrs()[i].value : std::string_view();
}

std::string Element::innerText() const {
    std::string out;
    if (node_) detail::RenderText(node_, out, nullptr);
    return out;
}

bool Element::SetInnerText(std::string_view text) {
    if (!node_) return false;
    doc_->RemoveChildren(node_);
    if (!text.empty()) {
        std::string clean;
        detail::RepairText(text, clean);
        doc_->InsertBefore(node_, doc_->NewText(doc_->arena.Copy(clean)), nullptr);
    }
    return true;
}

std::string Element::innerHTML() const {
    std::string out;
    if (node_) detail::Serialize(node_, false, out);
    return out;
}

std::string Element::outerHTML() const {
    std::string out;
    if (node_) detail::Serialize(node_, true, out);
    return out;
}

bool Element::SetInnerHTML(std::string_view html) {
    if (!node_) return false;
    doc_->RemoveChildren(node_);
    detail::ParseFragment(*doc_, node_, html);
    return true;
}

ElementList Element::children() const {
    ElementList list;
    if (node_)
        for (NodeData* c = node_->first; c; c = c->next)
            if (c->kind == Kind::Element) list.items_.push_back(Element(doc_, c));
    return list;
}

ElementList Element::getElementsByTagName(std::string_view tagName) const {
    ElementList list;
    if (!node_) return list;
    bool all = tagName == "*";
    for (NodeData* n = node_->first; n; n = detail::NextInScope(n, node_))
        if (n->kind == Kind::Element && (all || detail::EqualsAsciiNoCase(n->Upper(), tagName)))
            list.items_.push_back(Element(doc_, n));
    return list;
}

std::string_view Element::nameProp() const {
    std::string_view s = src();
    size_t slash = s.rfind('/');
    return slash == std::string_view::npos ? s : s.substr(slash + 1);
}

bool Element::IsBody() const { return node_ && node_->Is(Tag::Body); }
bool Element::IsImage() const { return node_ && node_->Is(Tag::Img); }
bool Element::IsObject() const { return node_ && node_->Is(Tag::Object); }
bool Element::IsTableRow() const { return node_ && node_->Is(Tag::Tr); }

// ---- Frames --------------------------------------------------------------------------

Element FrameWindow::frameElement() const { return element_ ? Element(doc_, element_) : Element(); }

std::shared_ptr<Document> FrameWindow::document() const {
    if (!element_) return nullptr;
    auto it = doc_->frames.find(element_);
    if (it == doc_->frames.end()) return nullptr;
    if (!it->second.accessible) throw Failure(Fault::PermissionDenied, "Document", "Permission denied");
    return it->second.document;
}

bool FrameWindow::accessible() const {
    if (!element_) return false;
    auto it = doc_->frames.find(element_);
    return it == doc_->frames.end() || it->second.accessible;
}

void FrameWindow::SetDocument(std::shared_ptr<Document> document) {
    if (element_) doc_->frames[element_].document = std::move(document);
}

void FrameWindow::SetAccessible(bool accessible) {
    if (element_) doc_->frames[element_].accessible = accessible;
}

FrameWindow FrameCollection::item(size_t index) const {
    return index < elements_.size() ? FrameWindow(doc_, elements_[index]) : FrameWindow();
}

// ---- Document ------------------------------------------------------------------------

Document::Document() : data_(std::make_unique<DocumentData>()) {}
Document::~Document() = default;

std::shared_ptr<Document> Document::Create(std::string_view url) { return Parse("", url); }

std::shared_ptr<Document> Document::Parse(std::string_view html, std::string_view url) {
    // The work on this thread (a page check, say) may stand under a memory budget.
    ChargeMemory(MemoryEstimate(html.size()));
    std::shared_ptr<Document> doc(new Document());
    doc->data_->url = std::string(url);
    detail::ParseDocument(*doc->data_, html);
    return doc;
}

bool Document::NodeCapReached() const { return data_->nodeCapReached; }

size_t Document::MaxNodes() { return detail::kMaxNodes; }

size_t Document::MemoryEstimate(size_t bytes) {
    // A node takes up to about 230 bytes while the parser's tree and ours both exist, and
    // about 120 once parsed and stamped by a comparison (bench_html_memory); one of the two
    // documents of a comparison is parsed at a time, so 200 bytes a node covers both. A
    // node takes at least two bytes of the page; the page and its cleaned copy count too.
    constexpr size_t kBytesPerNode = 200;
    size_t nodes = std::min(bytes / 2, detail::kMaxNodes) + 16;
    return nodes * kBytesPerNode + 2 * bytes;
}

Element Document::body() const {
    NodeData* b = data_->Body();
    return b ? Element(data_.get(), b) : Element();
}

Element Document::documentElement() const {
    NodeData* e = data_->DocumentElement();
    return e ? Element(data_.get(), e) : Element();
}

Node Document::documentNode() const { return Node(data_.get(), data_->root); }

std::string_view Document::URL() const { return data_->url; }
void Document::SetURL(std::string_view url) { data_->url = std::string(url); }

std::string Document::title() const {
    for (NodeData* n = data_->root->first; n; n = detail::NextInScope(n, data_->root)) {
        if (!n->Is(Tag::Title)) continue;
        std::string out;
        for (NodeData* t = n->first; t; t = t->next) {
            if (t->kind != Kind::Text) continue;
            for (char c : t->Text()) {
                if (!detail::IsHtmlSpace(c)) out += c;
                else if (!out.empty() && out.back() != ' ') out += ' ';
            }
        }
        if (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    }
    return {};
}

ElementList Document::getElementsByTagName(std::string_view tagName) const {
    return Element(data_.get(), data_->root).getElementsByTagName(tagName);
}

FrameCollection Document::frames() const {
    FrameCollection frames;
    frames.doc_ = data_.get();
    for (NodeData* n = data_->root->first; n; n = detail::NextInScope(n, data_->root))
        if (n->Is(Tag::Frame) || n->Is(Tag::Iframe)) frames.elements_.push_back(n);
    return frames;
}

Element Document::createElement(std::string_view tagName) {
    if (tagName.empty()) return Element();
    for (char c : tagName) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                  c == '_' || c == ':' || c == '.' || (unsigned char)c >= 0x80;
        if (!ok) return Element();
    }
    if (!((tagName[0] >= 'a' && tagName[0] <= 'z') || (tagName[0] >= 'A' && tagName[0] <= 'Z'))) return Element();
    std::string name;
    detail::RepairText(detail::AsciiLower(tagName), name);
    return Element(data_.get(), data_->NewElement(name));
}

Node Document::createTextNode(std::string_view text) {
    std::string clean;
    detail::RepairText(text, clean);
    return Node(data_.get(), data_->NewText(data_->arena.Copy(clean)));
}

size_t TextLength(std::string_view text) {
    size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

}  // namespace pelmor::html
