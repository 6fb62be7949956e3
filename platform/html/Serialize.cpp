// SPDX-License-Identifier: GPL-3.0-or-later
// HTML5 serialisation of a subtree, as browsers give innerHTML and outerHTML. The walk
// follows parent and sibling links, so any depth is fine.

#include "platform/html/DocumentData.h"

namespace pelmor::html::detail {

namespace {

// Control characters as numeric references: the parser would turn them (and a bare
// carriage return) into something else when it reads the page again.
const char* ControlReference(char c) {
    static const char* const kRefs[32] = {
        nullptr,  "&#1;",  "&#2;",  "&#3;",  "&#4;",  "&#5;",  "&#6;",  "&#7;",  "&#8;",  nullptr, nullptr,
        "&#11;",  nullptr, "&#13;", "&#14;", "&#15;", "&#16;", "&#17;", "&#18;", "&#19;", "&#20;", "&#21;",
        "&#22;",  "&#23;", "&#24;", "&#25;", "&#26;", "&#27;", "&#28;", "&#29;", "&#30;", "&#31;"};
    auto u = static_cast<unsigned char>(c);
    if (u < 32) return kRefs[u];
    return u == 0x7F ? "&#127;" : nullptr;
}

// Appends `text` with &, the no-break space, control characters, and < > (text) or "
// (attribute) escaped.
void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    const char* p = text.data();
    const char* end = p + text.size();
    const char* run = p;
    while (p < end) {
        const char* replacement = nullptr;
        size_t length = 1;
        switch (*p) {
            case '&': replacement = "&amp;"; break;
            case '<': replacement = attribute ? nullptr : "&lt;"; break;
            case '>': replacement = attribute ? nullptr : "&gt;"; break;
            case '"': replacement = attribute ? "&quot;" : nullptr; break;
            case '\xC2':
                if (p + 1 < end && p[1] == '\xA0') {
                    replacement = "&nbsp;";
                    length = 2;
                }
                break;
            default: replacement = ControlReference(*p); break;
        }
        if (replacement) {
            out.append(run, p - run);
            out.append(replacement);
            p += length;
            run = p;
        } else {
            ++p;
        }
    }
    out.append(run, end - run);
}

// Start of a node; true when its children follow.
bool Open(const NodeData* n, std::string& out) {
    switch (n->kind) {
        case Kind::Element: {
            out += '<';
            out.append(n->Text());
            const Attr* attrs = n->Attrs();
            for (uint32_t i = 0; i < n->AttrCount(); ++i) {
                out += ' ';
                out.append(attrs[i].name);
                out.append("=\"");
                AppendEscaped(out, attrs[i].value, true);
                out += '"';
            }
            out += '>';
            if (n->flags & kVoid) return false;
            // The parser drops a line feed right after <pre>; write one more to keep it.
            if ((n->flags & kLeadingNewline) && n->first && n->first->kind == Kind::Text &&
                !n->first->Text().empty() && n->first->Text()[0] == '\n')
                out += '\n';
            return true;
        }
        case Kind::Text: {
            const NodeData* parent = n->parent;
            if (parent && (parent->flags & kRawText)) out.append(n->Text());
            else AppendEscaped(out, n->Text(), false);
            return false;
        }
        case Kind::Comment:
            out.append("<!--");
            out.append(n->Text());
            out.append("-->");
            return false;
        default: return true;
    }
}

void Close(const NodeData* n, std::string& out) {
    if (n->kind != Kind::Element || (n->flags & kVoid)) return;
    out.append("</");
    out.append(n->Text());
    out += '>';
}

void SerializeChildren(const NodeData* scope, std::string& out) {
    const NodeData* n = scope->first;
    while (n) {
        if (Open(n, out) && n->first) {
            n = n->first;
            continue;
        }
        Close(n, out);
        while (!n->next) {
            n = n->parent;
            if (n == scope || !n) return;
            Close(n, out);
        }
        n = n->next;
    }
}

}  // namespace

void Serialize(const NodeData* node, bool outer, std::string& out) {
    if (!node) return;
    if (!outer || node->kind == Kind::Document) {
        SerializeChildren(node, out);
        return;
    }
    if (Open(node, out)) SerializeChildren(node, out);
    Close(node, out);
}

}  // namespace pelmor::html::detail
