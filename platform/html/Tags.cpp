// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/html/Tags.h"

#include <string>
#include <unordered_map>

namespace pelmor::html::detail {

namespace {

struct Entry {
    const char* lower;
    const char* upper;
    Tag id;
    uint16_t flags;
};

constexpr uint16_t B = kBlock;

// Every HTML element name of the living standard plus the obsolete ones browsers still
// render, with their default rendering as far as text extraction cares.
const Entry kEntries[] = {
    {"a", "A", Tag::A, 0},
    {"abbr", "ABBR", Tag::Other, 0},
    {"address", "ADDRESS", Tag::Other, B},
    {"area", "AREA", Tag::Other, kVoid},
    {"article", "ARTICLE", Tag::Other, B},
    {"aside", "ASIDE", Tag::Other, B},
    {"audio", "AUDIO", Tag::Other, kHidden},
    {"b", "B", Tag::Other, 0},
    {"base", "BASE", Tag::Base, kVoid | kHidden},
    {"basefont", "BASEFONT", Tag::Other, kVoid},
    {"bdi", "BDI", Tag::Other, 0},
    {"bdo", "BDO", Tag::Other, 0},
    {"bgsound", "BGSOUND", Tag::Other, kVoid},
    {"big", "BIG", Tag::Other, 0},
    {"blockquote", "BLOCKQUOTE", Tag::Other, B},
    {"body", "BODY", Tag::Body, B},
    {"br", "BR", Tag::Br, kVoid},
    {"button", "BUTTON", Tag::Other, 0},
    {"canvas", "CANVAS", Tag::Other, kHidden},
    {"caption", "CAPTION", Tag::Caption, B},
    {"center", "CENTER", Tag::Other, B},
    {"cite", "CITE", Tag::Other, 0},
    {"code", "CODE", Tag::Other, 0},
    {"col", "COL", Tag::Other, kVoid},
    {"colgroup", "COLGROUP", Tag::Other, kHidden},
    {"data", "DATA", Tag::Other, 0},
    {"datalist", "DATALIST", Tag::Other, kHidden},
    {"dd", "DD", Tag::Other, B},
    {"del", "DEL", Tag::Other, 0},
    {"details", "DETAILS", Tag::Other, B},
    {"dfn", "DFN", Tag::Other, 0},
    {"dialog", "DIALOG", Tag::Other, kHidden},
    {"dir", "DIR", Tag::Other, B},
    {"div", "DIV", Tag::Other, B},
    {"dl", "DL", Tag::Other, B},
    {"dt", "DT", Tag::Other, B},
    {"em", "EM", Tag::Other, 0},
    {"embed", "EMBED", Tag::Other, kVoid},
    {"fieldset", "FIELDSET", Tag::Other, B},
    {"figcaption", "FIGCAPTION", Tag::Other, B},
    {"figure", "FIGURE", Tag::Other, B},
    {"font", "FONT", Tag::Font, 0},
    {"footer", "FOOTER", Tag::Other, B},
    {"form", "FORM", Tag::Other, B},
    {"frame", "FRAME", Tag::Frame, kVoid | kHidden},
    {"frameset", "FRAMESET", Tag::Frameset, kHidden},
    {"h1", "H1", Tag::Other, B},
    {"h2", "H2", Tag::Other, B},
    {"h3", "H3", Tag::Other, B},
    {"h4", "H4", Tag::Other, B},
    {"h5", "H5", Tag::Other, B},
    {"h6", "H6", Tag::Other, B},
    {"head", "HEAD", Tag::Head, kHidden},
    {"header", "HEADER", Tag::Other, B},
    {"hgroup", "HGROUP", Tag::Other, B},
    {"hr", "HR", Tag::Other, kVoid | B},
    {"html", "HTML", Tag::Html, B},
    {"i", "I", Tag::Other, 0},
    {"iframe", "IFRAME", Tag::Iframe, kRawText | kHidden},
    {"img", "IMG", Tag::Img, kVoid},
    {"input", "INPUT", Tag::Other, kVoid},
    {"ins", "INS", Tag::Other, 0},
    {"kbd", "KBD", Tag::Other, 0},
    {"keygen", "KEYGEN", Tag::Other, kVoid},
    {"label", "LABEL", Tag::Other, 0},
    {"legend", "LEGEND", Tag::Other, B},
    {"li", "LI", Tag::Other, B},
    {"link", "LINK", Tag::Other, kVoid | kHidden},
    {"listing", "LISTING", Tag::Listing, B | kPreformatted | kLeadingNewline},
    {"main", "MAIN", Tag::Other, B},
    {"map", "MAP", Tag::Other, 0},
    {"mark", "MARK", Tag::Other, 0},
    {"marquee", "MARQUEE", Tag::Other, B},
    {"math", "MATH", Tag::Other, 0},
    {"menu", "MENU", Tag::Other, B},
    {"menuitem", "MENUITEM", Tag::Other, 0},
    {"meta", "META", Tag::Meta, kVoid | kHidden},
    {"meter", "METER", Tag::Other, kHidden},
    {"nav", "NAV", Tag::Other, B},
    {"nobr", "NOBR", Tag::Other, 0},
    {"noembed", "NOEMBED", Tag::Other, kRawText | kHidden},
    {"noframes", "NOFRAMES", Tag::Other, kRawText | kHidden},
    {"noscript", "NOSCRIPT", Tag::Noscript, kHidden},
    {"object", "OBJECT", Tag::Object, kHidden},
    {"ol", "OL", Tag::Other, B},
    {"optgroup", "OPTGROUP", Tag::Other, B},
    {"option", "OPTION", Tag::Option, B},
    {"output", "OUTPUT", Tag::Other, 0},
    {"p", "P", Tag::P, B | kParagraph},
    {"param", "PARAM", Tag::Other, kVoid},
    {"picture", "PICTURE", Tag::Other, 0},
    {"plaintext", "PLAINTEXT", Tag::Plaintext, B | kRawText | kPreformatted},
    {"pre", "PRE", Tag::Pre, B | kPreformatted | kLeadingNewline},
    {"progress", "PROGRESS", Tag::Other, kHidden},
    {"q", "Q", Tag::Other, 0},
    {"rp", "RP", Tag::Other, 0},
    {"rt", "RT", Tag::Other, 0},
    {"ruby", "RUBY", Tag::Other, 0},
    {"s", "S", Tag::Other, 0},
    {"samp", "SAMP", Tag::Other, 0},
    {"script", "SCRIPT", Tag::Script, kRawText | kHidden},
    {"section", "SECTION", Tag::Other, B},
    {"select", "SELECT", Tag::Select, 0},
    {"slot", "SLOT", Tag::Other, 0},
    {"small", "SMALL", Tag::Other, 0},
    {"source", "SOURCE", Tag::Other, kVoid},
    {"span", "SPAN", Tag::Span, 0},
    {"strike", "STRIKE", Tag::Other, 0},
    {"strong", "STRONG", Tag::Other, 0},
    {"style", "STYLE", Tag::Style, kRawText | kHidden},
    {"sub", "SUB", Tag::Other, 0},
    {"summary", "SUMMARY", Tag::Other, B},
    {"sup", "SUP", Tag::Other, 0},
    {"svg", "SVG", Tag::Other, 0},
    {"table", "TABLE", Tag::Table, B},
    {"tbody", "TBODY", Tag::Tbody, 0},
    {"td", "TD", Tag::Td, kCell},
    {"template", "TEMPLATE", Tag::Template, kHidden},
    {"textarea", "TEXTAREA", Tag::Textarea, kHidden | kPreformatted | kLeadingNewline},
    {"tfoot", "TFOOT", Tag::Tfoot, 0},
    {"th", "TH", Tag::Th, kCell},
    {"thead", "THEAD", Tag::Thead, 0},
    {"time", "TIME", Tag::Other, 0},
    {"title", "TITLE", Tag::Title, kHidden},
    {"tr", "TR", Tag::Tr, B},
    {"track", "TRACK", Tag::Other, kVoid},
    {"tt", "TT", Tag::Other, 0},
    {"u", "U", Tag::Other, 0},
    {"ul", "UL", Tag::Other, B},
    {"var", "VAR", Tag::Other, 0},
    {"video", "VIDEO", Tag::Other, kHidden},
    {"wbr", "WBR", Tag::Other, kVoid},
    {"xmp", "XMP", Tag::Xmp, B | kRawText | kPreformatted},
};

const std::unordered_map<std::string_view, TagInfo>& Table() {
    static const auto* table = [] {
        auto* map = new std::unordered_map<std::string_view, TagInfo>();
        for (const Entry& e : kEntries) map->emplace(e.lower, TagInfo{e.id, e.flags, {e.lower, e.upper}});
        return map;
    }();
    return *table;
}

}  // namespace

const TagInfo& LookupTag(std::string_view lowerName) {
    static const TagInfo kNone;
    const auto& table = Table();
    auto it = table.find(lowerName);
    return it == table.end() ? kNone : it->second;
}

}  // namespace pelmor::html::detail
