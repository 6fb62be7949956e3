// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the model needs to know about element names: an id for the names it treats
// specially, and how each name behaves in serialisation and in rendered text.

#include <cstdint>
#include <string_view>

namespace pelmor::html::detail {

enum class Tag : uint16_t {
    Other,
    A, Base, Body, Br, Caption, Font, Frame, Frameset, Head, Hr, Html, Iframe, Img, Listing,
    Meta, Noscript, Object, Option, P, Plaintext, Pre, Script, Select, Span, Style, Table,
    Tbody, Td, Template, Textarea, Tfoot, Th, Thead, Title, Tr, Xmp,
};

enum TagFlags : uint16_t {
    kVoid = 1 << 0,           // no content and no end tag (BR, IMG, META, ...)
    kRawText = 1 << 1,        // content serialised without escaping (SCRIPT, STYLE, ...)
    kBlock = 1 << 2,          // starts and ends a line in rendered text
    kHidden = 1 << 3,         // content is not rendered (HEAD, SCRIPT, TEXTAREA, ...)
    kPreformatted = 1 << 4,   // white space kept as written (PRE, TEXTAREA, ...)
    kCell = 1 << 5,           // table cell: separated from the next cell by a tab
    kParagraph = 1 << 6,      // a blank line before and after in rendered text
    kLeadingNewline = 1 << 7, // the parser drops a first line feed of the content
};

// The names of one kind of element, shared by every element of that name: the node keeps
// a pointer to them rather than names of its own.
struct ElementName {
    std::string_view name;   // as serialised ("div", "foreignObject")
    std::string_view upper;  // the node name ("DIV", "FOREIGNOBJECT")
};

struct TagInfo {
    Tag id = Tag::Other;
    uint16_t flags = 0;
    // Canonical lower-case name and its upper-case form; empty for names not in the table.
    ElementName names;
};

// Facts about a lower-case element name; names outside the table give Tag::Other, no
// flags and empty names.
const TagInfo& LookupTag(std::string_view lowerName);

}  // namespace pelmor::html::detail
