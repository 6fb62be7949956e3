// SPDX-License-Identifier: GPL-3.0-or-later
// The one place that knows the HTML parser: input is cleaned and guarded here, handed to
// gumbo, and gumbo's tree is copied into our nodes. Replacing the parser means replacing
// this file only; the rest of the module sees nothing but DocumentData's builders.

#include <gumbo.h>
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/Deadline.h"
#include "platform/html/DocumentData.h"

namespace pelmor::html::detail {

namespace {

// ---- Input cleaning ------------------------------------------------------------------

// Length of the valid UTF-8 sequence at `p`, or 0 when the bytes there are not one.
size_t ValidSequence(const unsigned char* p, const unsigned char* end) {
    unsigned char c = p[0];
    if (c < 0x80) return 1;
    auto cont = [&](size_t i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2)) return 0;
        if (c == 0xE0 && p[1] < 0xA0) return 0;  // overlong
        if (c == 0xED && p[1] > 0x9F) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if (c == 0xF0 && p[1] < 0x90) return 0;
        if (c == 0xF4 && p[1] > 0x8F) return 0;
        return 4;
    }
    return 0;
}

// Replaces every byte that does not start a valid UTF-8 sequence by U+FFFD. Returns false
// (and leaves `out` alone) when the text is valid already.
bool RepairUtf8(std::string_view in, std::string& out) {
    auto* p = reinterpret_cast<const unsigned char*>(in.data());
    auto* end = p + in.size();
    auto* scan = p;
    while (scan < end) {
        if (*scan < 0x80) {
            ++scan;
            continue;
        }
        size_t n = ValidSequence(scan, end);
        if (n == 0) break;
        scan += n;
    }
    if (scan == end) return false;
    out.reserve(in.size() + 16);
    out.assign(in.data(), scan - p);
    while (scan < end) {
        size_t n = ValidSequence(scan, end);
        if (n == 0) {
            out.append("\xEF\xBF\xBD");
            ++scan;
        } else {
            out.append(reinterpret_cast<const char*>(scan), n);
            scan += n;
        }
    }
    return true;
}

// ---- Input guard ----------------------------------------------------------------------
//
// gumbo looks through its whole stack of open elements for many tags, and through all the
// attributes of a tag for each new one, so a page of a hundred thousand nested DIVs or one
// tag with a hundred thousand attributes would take minutes; and it keeps several hundred
// bytes per node. One quick pass over the input, before gumbo sees it, keeps all of that
// linear and bounded:
//
// - it follows the open elements the way the tree builder does (end tags close what they
//   would close there; elements that close themselves are left out) and past kGuardDepth
//   gives each further start tag its end tag right after it, so the element holds nothing
//   and what would have been its content follows it. The tree keeps no deeper levels, so
//   the result is the same. Where it cannot tell, it takes the stack as the deeper one;
// - a tag keeps its first kMaxAttributes attributes;
// - the input ends before the tag that would take the page past kMaxNodes nodes, or where
//   the thread's deadline passed.
//
// Comments, raw text (SCRIPT, STYLE, TEXTAREA and the like) and foreign content (SVG,
// MathML) are read as the tokenizer reads them, so no markup can hide from the pass.

constexpr size_t kGuardDepth = kMaxDepth + 128;
constexpr size_t kMaxAttributes = 64;

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

bool IsOneOf(std::string_view n, std::initializer_list<std::string_view> names) {
    for (std::string_view k : names)
        if (n == k) return true;
    return false;
}

// Elements that never hold other elements, or that the parser closes by itself when the
// next one of their kind (or a sibling) starts: they never make the stack grow without
// bound.
bool IsFlatName(std::string_view n) {
    return IsOneOf(n, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "img", "input",
                       "keygen", "link", "meta", "param", "source", "track", "wbr", "p", "li", "dt", "dd", "option",
                       "optgroup", "tr", "td", "th", "tbody", "thead", "tfoot", "rb", "rt", "rp", "rtc", "caption",
                       "colgroup", "body", "html", "head", "image", "a", "nobr", "button", "form", "frameset"});
}

// Elements an end tag of another name does not close across.
bool IsSpecialName(std::string_view n) {
    return IsOneOf(n, {"address", "applet", "area", "article", "aside", "base", "basefont", "bgsound", "blockquote",
                       "body", "br", "button", "caption", "center", "col", "colgroup", "dd", "details", "dir", "div",
                       "dl", "dt", "embed", "fieldset", "figcaption", "figure", "footer", "form", "frame", "frameset",
                       "h1", "h2", "h3", "h4", "h5", "h6", "head", "header", "hgroup", "hr", "html", "iframe", "img",
                       "input", "isindex", "li", "link", "listing", "main", "marquee", "menu", "menuitem", "meta",
                       "nav", "noembed", "noframes", "noscript", "object", "ol", "p", "param", "plaintext", "pre",
                       "script", "section", "select", "source", "style", "summary", "table", "tbody", "td", "template",
                       "textarea", "tfoot", "th", "thead", "title", "tr", "track", "ul", "wbr", "xmp"});
}

// Elements that end the search of an end tag for an element "in scope".
bool IsScopeName(std::string_view n) {
    return IsOneOf(n, {"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template"});
}

// Start tags that take the parser out of SVG or MathML back into HTML.
bool IsBreakoutName(std::string_view n) {
    return IsOneOf(n, {"b", "big", "blockquote", "body", "br", "center", "code", "dd", "div", "dl", "dt", "em",
                       "embed", "h1", "h2", "h3", "h4", "h5", "h6", "head", "hr", "i", "img", "li", "listing", "menu",
                       "meta", "nobr", "ol", "p", "pre", "ruby", "s", "small", "span", "strong", "strike", "sub",
                       "sup", "table", "tt", "u", "ul", "var"});
}

// Foreign elements whose content is read as HTML again.
bool IsIntegrationPoint(std::string_view n) {
    return IsOneOf(n, {"foreignobject", "desc", "title", "mi", "mo", "mn", "ms", "mtext", "annotation-xml"});
}

enum class TextKind { None, Raw, Script };

TextKind TextKindOf(std::string_view n) {
    if (n == "script") return TextKind::Script;
    if (IsOneOf(n, {"style", "textarea", "title", "xmp", "iframe", "noembed", "noframes"})) return TextKind::Raw;
    return TextKind::None;
}

uint32_t HashName(std::string_view n) {
    uint32_t h = 2166136261u;
    for (char c : n) h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

// True when "</name" (any case) followed by white space, "/" or ">" starts at `at`: the
// only end tag that ends raw text.
bool IsEndTagAt(std::string_view in, size_t at, std::string_view name) {
    if (in.compare(at, 2, "</") != 0) return false;
    size_t i = at + 2;
    for (char c : name) {
        if (i >= in.size() || LowerAscii(in[i]) != c) return false;
        ++i;
    }
    return i < in.size() && (IsHtmlSpace(in[i]) || in[i] == '/' || in[i] == '>');
}

// Where the raw text of `name` that starts at `from` ends (the "<" of its end tag), or
// the end of the input.
size_t EndOfRawText(std::string_view in, size_t from, std::string_view name) {
    for (size_t at = from;; ++at) {
        at = in.find("</", at);
        if (at == std::string_view::npos) return in.size();
        if (IsEndTagAt(in, at, name)) return at;
    }
}

// The same for a script, whose text may hold "<!--" ... "-->" sections in which a
// "<script" makes the next "</script>" part of the text.
size_t EndOfScript(std::string_view in, size_t from) {
    enum { Data, Escaped, DoubleEscaped } state = Data;
    for (size_t at = from; at < in.size(); ++at) {
        char c = in[at];
        if (c == '-' && state != Data && in.compare(at, 3, "-->") == 0) {
            state = Data;
            at += 2;
        } else if (c == '<') {
            if (state == Data && in.compare(at, 4, "<!--") == 0) {
                state = Escaped;
                at += 1;  // "-->" may share the dashes: "<!-->" ends the section at once
            } else if (IsEndTagAt(in, at, "script")) {
                if (state != DoubleEscaped) return at;
                state = Escaped;
            } else if (state == Escaped && in.compare(at, 7, "<script") == 0 && at + 7 < in.size() &&
                       (IsHtmlSpace(in[at + 7]) || in[at + 7] == '/' || in[at + 7] == '>')) {
                state = DoubleEscaped;
            }
        }
    }
    return in.size();
}

// End of a comment whose "<!--" starts at `lt`: past "-->" or "--!>", or the end of the
// input; "<!-->" and "<!--->" are whole comments.
size_t EndOfComment(std::string_view in, size_t lt) {
    size_t body = lt + 4;
    if (in.compare(body, 1, ">") == 0) return body + 1;
    if (in.compare(body, 2, "->") == 0) return body + 2;
    for (size_t at = body;; ++at) {
        at = in.find("--", at);
        if (at == std::string_view::npos) return in.size();
        if (in.compare(at + 2, 1, ">") == 0) return at + 3;
        if (in.compare(at + 2, 2, "!>") == 0) return at + 4;
    }
}

struct GuardResult {
    bool changed = false;   // the text to parse is the guard's rewrite
    bool cut = false;       // the input ends early: past the node budget
    bool timedOut = false;  // the input ends early: the deadline passed
};

struct Open {
    uint32_t hash;
    bool special;      // an end tag of another name does not close across it
    bool scope;        // an end tag of a special name does not close across it
    bool foreign;      // its content is SVG or MathML
    bool foreignElement;
};

struct Guard {
    std::string_view in;
    std::string& out;
    GuardResult result;
    std::vector<Open> stack;
    std::vector<uint16_t> counts = std::vector<uint16_t>(4096, 0);
    size_t copied = 0;
    size_t nodes = 0;

    bool Foreign() const { return !stack.empty() && stack.back().foreign; }

    void Push(const Open& open) {
        stack.push_back(open);
        if (counts[open.hash & 4095] < 0xFFFF) ++counts[open.hash & 4095];
    }
    void PopTo(size_t size) {
        for (size_t j = size; j < stack.size(); ++j) --counts[stack[j].hash & 4095];
        stack.resize(size);
    }
    // Copies the input up to `to` and starts the rewritten text when it is the first change.
    void CopyTo(size_t to) {
        if (!result.changed) {
            out.reserve(in.size() + in.size() / 8);
            result.changed = true;
        }
        out.append(in.data() + copied, to - copied);
        copied = to;
    }

    void EndTag(std::string_view name) {
        uint32_t h = HashName(name);
        if (counts[h & 4095] == 0) return;
        bool special = IsSpecialName(name);
        for (size_t k = stack.size(); k-- > 0;) {
            const Open& open = stack[k];
            if (open.hash == h) {
                PopTo(k);
                return;
            }
            if (open.foreignElement && !open.scope) continue;
            if (special ? open.scope : open.special) return;
        }
    }

    void StartTag(std::string_view name, bool selfClosing, bool fontBreakout, size_t tagEnd) {
        bool foreign = Foreign();
        if (foreign && (IsBreakoutName(name) || fontBreakout)) {
            while (!stack.empty() && stack.back().foreignElement && stack.back().foreign) PopTo(stack.size() - 1);
            foreign = Foreign();
        }
        if (!foreign && IsFlatName(name)) return;
        if (foreign && selfClosing) return;
        Open open{HashName(name), false, false, false, false};
        if (foreign || name == "svg" || name == "math") {
            open.foreignElement = true;
            open.foreign = !IsIntegrationPoint(name);
            open.special = open.scope = !open.foreign;
        } else {
            open.special = IsSpecialName(name);
            open.scope = IsScopeName(name);
        }
        if (stack.size() < kGuardDepth) {
            Push(open);
            return;
        }
        CopyTo(tagEnd);
        out.append("</").append(name).append(">");
    }

    // The input ends before `at`.
    void Cut(size_t at) {
        CopyTo(at);
        copied = in.size();
    }

    void Run();
};

void Guard::Run() {
    std::string name;
    size_t pos = 0, tags = 0;
    const size_t n = in.size();
    while (pos < n) {
        const void* found = std::memchr(in.data() + pos, '<', n - pos);
        if (!found) break;
        size_t lt = static_cast<const char*>(found) - in.data();
        if (lt > pos) ++nodes;  // the text before it
        pos = lt + 1;
        if (pos >= n) break;
        if ((++tags & 4095) == 0 && DeadlinePassed()) {
            result.timedOut = true;
            Cut(lt);
            return;
        }
        if (nodes >= kMaxNodes) {
            result.cut = true;
            Cut(lt);
            return;
        }
        char c = in[pos];
        if (c == '!') {
            ++nodes;
            if (in.compare(pos, 3, "!--") == 0) {
                pos = EndOfComment(in, lt);
            } else {
                size_t e = in.find('>', pos);
                pos = e == std::string_view::npos ? n : e + 1;
            }
            continue;
        }
        bool endTag = false;
        if (c == '/') {
            endTag = true;
            ++pos;
            if (pos >= n) break;
            c = in[pos];
        }
        if (!IsAsciiAlpha(c)) continue;
        name.clear();
        while (pos < n && !IsHtmlSpace(in[pos]) && in[pos] != '/' && in[pos] != '>') name += LowerAscii(in[pos++]);
        // The attributes, read as the tokenizer reads them.
        bool selfClosing = false, fontBreakout = false;
        size_t attributes = 0, dropFrom = std::string_view::npos;
        while (pos < n && in[pos] != '>') {
            char d = in[pos];
            if (IsHtmlSpace(d)) {
                ++pos;
                continue;
            }
            if (d == '/') {
                selfClosing = pos + 1 < n && in[pos + 1] == '>';
                ++pos;
                continue;
            }
            // An attribute name: up to white space, "/", ">" or "=" (a leading "=" is part of it).
            size_t nameStart = pos++;
            while (pos < n && !IsHtmlSpace(in[pos]) && in[pos] != '/' && in[pos] != '>' && in[pos] != '=') ++pos;
            if (++attributes == kMaxAttributes + 1) dropFrom = nameStart;
            if (name == "font" && (pos - nameStart == 4 || pos - nameStart == 5)) {
                std::string attr;
                for (size_t i = nameStart; i < pos; ++i) attr += LowerAscii(in[i]);
                fontBreakout = fontBreakout || attr == "color" || attr == "face" || attr == "size";
            }
            while (pos < n && IsHtmlSpace(in[pos])) ++pos;
            if (pos >= n || in[pos] != '=') continue;
            ++pos;
            while (pos < n && IsHtmlSpace(in[pos])) ++pos;
            if (pos < n && (in[pos] == '"' || in[pos] == '\'')) {
                size_t e = in.find(in[pos], pos + 1);
                pos = e == std::string_view::npos ? n : e + 1;
            } else {
                while (pos < n && !IsHtmlSpace(in[pos]) && in[pos] != '>') ++pos;
            }
        }
        if (dropFrom != std::string_view::npos) {
            CopyTo(dropFrom);
            copied = pos;  // the tag goes on at its ">" (or the input ends inside it)
        }
        if (pos >= n) break;
        ++pos;  // past '>'
        if (endTag) {
            EndTag(name);
            continue;
        }
        ++nodes;
        bool foreign = Foreign() && !IsBreakoutName(name) && !fontBreakout;
        if (!foreign && name == "plaintext") break;
        TextKind text = foreign ? TextKind::None : TextKindOf(name);
        if (text != TextKind::None) {
            ++nodes;
            pos = text == TextKind::Script ? EndOfScript(in, pos) : EndOfRawText(in, pos, name);
            continue;
        }
        StartTag(name, selfClosing, fontBreakout, pos);
    }
}

// Runs the guard over `in`; when it changed anything, the text to parse is in `out`.
GuardResult GuardInput(std::string_view in, std::string& out) {
    Guard guard{in, out, {}, {}};
    guard.Run();
    if (guard.result.changed) out.append(in.data() + guard.copied, in.size() - guard.copied);
    return guard.result;
}

// ---- gumbo's memory ------------------------------------------------------------------
//
// gumbo allocates and frees a block for nearly every character run and token, and keeps
// a node and two or three small blocks for every node it builds. Its blocks come from
// size classes eight bytes apart, carved out of 64 KiB slabs that carry their class in
// their first bytes, so a block needs no header of its own. Slabs and large blocks are
// mapped straight from the system; while the tree is copied, each slab goes back as soon
// as its last block is copied, and the rest when the parse ends, so gumbo's own
// (recursive) tree destruction never runs and a big parse leaves no freed memory behind.
// The first megabyte of slabs stays with the thread for its next parse: small pages, the
// common case, then reuse memory that is already mapped.

// A thread's first chunk of parser memory between its parses; unmapped when the thread ends.
struct SpareChunk {
    static constexpr size_t kSize = 16 * 64 * 1024;
    char* chunk = nullptr;
    ~SpareChunk() {
        if (chunk) munmap(chunk, kSize);
    }
};

class ParserHeap {
public:
    ParserHeap() = default;
    ParserHeap(const ParserHeap&) = delete;
    ParserHeap& operator=(const ParserHeap&) = delete;
    ~ParserHeap() {
        while (large_) {
            Large* next = large_->next;
            munmap(large_, large_->mapped);
            large_ = next;
        }
        for (size_t i = 0; i < chunks_.size(); ++i) {
            // The first chunk stays with the thread for its next parse, resident and warm.
            if (i == 0 && !spare_.chunk) spare_.chunk = chunks_[0];
            else munmap(chunks_[i], i == 0 ? kFirstChunk : kChunk);
        }
    }

    static void* Allocate(void* self, size_t size) { return static_cast<ParserHeap*>(self)->Get(size); }
    static void Deallocate(void* self, void* p) { static_cast<ParserHeap*>(self)->Put(p); }

    // From here on the parse is over and its tree is being copied: a freed block is not
    // kept for reuse, and a slab whose last block is freed goes back to the system at once,
    // so the copy grows while gumbo's tree shrinks.
    void BeginRelease() {
        releasing_ = true;
        for (int cls = 0; cls < kClasses; ++cls) free_[cls] = nullptr, next_[cls] = end_[cls] = nullptr;
    }
    // Frees a block of gumbo's (null is fine).
    void Release(const void* p) { Put(const_cast<void*>(p)); }

private:
    static constexpr size_t kSlab = 64 * 1024;
    static constexpr size_t kFirstChunk = SpareChunk::kSize;  // enough for a page of a few hundred KiB
    static constexpr size_t kChunk = 32 * kSlab;       // further slabs are mapped 32 at a time
    static constexpr size_t kHeader = 64;         // a slab's class, or a large block's links
    static constexpr uint32_t kLarge = ~uint32_t{0};
    // Classes: 8 to 256 bytes in steps of 8, then 384, 512, 768, ... 16 KiB.
    static constexpr int kSmall = 32;
    static constexpr int kClasses = kSmall + 12;

    struct Slab {
        uint32_t sizeClass;
        uint32_t live;  // blocks handed out and not freed
    };
    struct Large {
        uint32_t sizeClass;  // kLarge, where a slab has its class
        size_t mapped;
        Large* prev;
        Large* next;
    };
    struct FreeBlock {
        FreeBlock* next;
    };

    static size_t ClassSize(int cls) {
        if (cls < kSmall) return size_t(cls + 1) * 8;
        int step = cls - kSmall;  // 384, 512, 768, 1024, ...
        return (step % 2 ? size_t{512} : size_t{384}) << (step / 2);
    }
    static int ClassOf(size_t size) {
        if (size <= 256) return size == 0 ? 0 : int((size - 1) / 8);
        int cls = kSmall;
        while (cls < kClasses && ClassSize(cls) < size) ++cls;
        return cls;
    }
    // `size` bytes of fresh memory starting on a slab boundary.
    static char* MapAligned(size_t size) {
        size_t length = size + kSlab;
        void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        auto at = reinterpret_cast<uintptr_t>(p);
        uintptr_t aligned = (at + kSlab - 1) & ~uintptr_t(kSlab - 1);
        if (aligned > at) munmap(p, aligned - at);
        size_t tail = (at + length) - (aligned + size);
        if (tail) munmap(reinterpret_cast<void*>(aligned + size), tail);
        return reinterpret_cast<char*>(aligned);
    }

    void* Get(size_t size) {
        int cls = ClassOf(size);
        if (cls == kClasses) {
            size_t mapped = (kHeader + size + 4095) & ~size_t{4095};
            auto* block = reinterpret_cast<Large*>(MapAligned(mapped));
            *block = Large{kLarge, mapped, nullptr, large_};
            if (large_) large_->prev = block;
            large_ = block;
            return reinterpret_cast<char*>(block) + kHeader;
        }
        void* p;
        if (FreeBlock* f = free_[cls]) {
            free_[cls] = f->next;
            p = f;
        } else {
            size_t blockSize = ClassSize(cls);
            if (!next_[cls] || next_[cls] + blockSize > end_[cls]) {
                char* slab = NewSlab();
                *reinterpret_cast<Slab*>(slab) = Slab{uint32_t(cls), 0};
                next_[cls] = slab + kHeader;
                end_[cls] = slab + kSlab;
            }
            p = next_[cls];
            next_[cls] += blockSize;
        }
        ++SlabOf(p)->live;
        return p;
    }

    static Slab* SlabOf(void* p) {
        return reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t(kSlab - 1));
    }

    void Put(void* p) {
        if (!p) return;
        Slab* slab = SlabOf(p);
        uint32_t cls = slab->sizeClass;
        if (cls == kLarge) {
            auto* block = reinterpret_cast<Large*>(slab);
            if (block->prev) block->prev->next = block->next;
            else large_ = block->next;
            if (block->next) block->next->prev = block->prev;
            munmap(block, block->mapped);
            return;
        }
        --slab->live;
        if (releasing_) {
            // The pages stay mapped (the chunk is unmapped whole at the end) but hold nothing.
            // The first chunk is kept as it is, for the thread's next parse.
            if (slab->live == 0 && !InFirstChunk(slab)) madvise(slab, kSlab, MADV_DONTNEED);
            return;
        }
        auto* f = static_cast<FreeBlock*>(p);
        f->next = free_[cls];
        free_[cls] = f;
    }

    char* NewSlab() {
        if (chunkNext_ == chunkEnd_) {
            size_t size = chunks_.empty() ? kFirstChunk : kChunk;
            if (chunks_.empty() && spare_.chunk) {
                chunkNext_ = spare_.chunk;
                spare_.chunk = nullptr;
            } else {
                chunkNext_ = MapAligned(size);
            }
            chunkEnd_ = chunkNext_ + size;
            chunks_.push_back(chunkNext_);
        }
        char* slab = chunkNext_;
        chunkNext_ += kSlab;
        return slab;
    }

    bool InFirstChunk(const void* p) const {
        auto* c = static_cast<const char*>(p);
        return !chunks_.empty() && c >= chunks_[0] && c < chunks_[0] + kFirstChunk;
    }

    static inline thread_local SpareChunk spare_;

    std::vector<char*> chunks_;
    char* chunkNext_ = nullptr;
    char* chunkEnd_ = nullptr;
    FreeBlock* free_[kClasses] = {};
    char* next_[kClasses] = {};
    char* end_[kClasses] = {};
    Large* large_ = nullptr;
    bool releasing_ = false;
};

// ---- Names ---------------------------------------------------------------------------

struct NameInfo {
    const ElementName* names;
    const TagInfo* info;
};

// Names and facts for every tag gumbo knows, computed once.
struct GumboNameTable {
    GumboNameTable() {
        for (int t = 0; t < GUMBO_TAG_UNKNOWN; ++t) {
            std::string_view lower = gumbo_normalized_tagname(GumboTag(t));
            const TagInfo& info = LookupTag(lower);
            if (!info.names.name.empty()) {
                names.push_back({&info.names, &info});
            } else {
                uppers.push_back(AsciiUpper(lower));
                others.push_back({lower, uppers.back()});
                names.push_back({&others.back(), &LookupTag("")});
            }
        }
    }
    std::deque<std::string> uppers;  // a deque never moves its elements
    std::deque<ElementName> others;
    std::vector<NameInfo> names;
};

const std::vector<NameInfo>& GumboNames() {
    static const GumboNameTable table;
    return table.names;
}

// Name of an element as written: the text after the first "<" that starts a tag, up to
// white space, "/" or ">". gumbo's original text of a tag can carry a bogus "</>" in
// front of it, so its own extraction is not used.
std::string_view OriginalName(const GumboElement& e) {
    std::string_view text(e.original_tag.data ? e.original_tag.data : "", e.original_tag.length);
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '<' || !IsAsciiAlpha(text[i + 1])) continue;
        size_t j = i + 1;
        while (j < text.size() && !IsHtmlSpace(text[j]) && text[j] != '/' && text[j] != '>') ++j;
        return text.substr(i + 1, j - i - 1);
    }
    return {};
}

NodeData* NewElementFromGumbo(DocumentData& doc, const GumboElement& e) {
    Namespace ns = e.tag_namespace == GUMBO_NAMESPACE_SVG      ? Namespace::Svg
                   : e.tag_namespace == GUMBO_NAMESPACE_MATHML ? Namespace::MathMl
                                                               : Namespace::Html;
    if (ns == Namespace::Svg) {
        std::string_view name = OriginalName(e);
        if (!name.empty()) {
            GumboStringPiece piece{name.data(), name.size()};
            if (const char* fixed = gumbo_normalize_svg_tagname(&piece)) {
                return doc.NewElementWith(doc.InternName(fixed), LookupTag(""), ns);
            }
        }
    }
    if (e.tag < GUMBO_TAG_UNKNOWN) {
        const NameInfo& n = GumboNames()[e.tag];
        return doc.NewElementWith(n.names, *n.info, ns);
    }
    std::string lower = AsciiLower(OriginalName(e));
    if (lower.empty()) lower = "unknown";
    return doc.NewElement(lower, ns);
}

// A text of gumbo's kept in the document. gumbo can produce invalid UTF-8 of its own (a
// numeric character reference that overflows), so its output is checked like input.
std::string_view Keep(DocumentData& doc, std::string_view text) {
    std::string repaired;
    return doc.arena.Copy(RepairUtf8(text, repaired) ? std::string_view(repaired) : text);
}

// Attribute names kept in the document, so that a name many elements carry is kept once.
class AttributeNames {
public:
    std::string_view Keep(DocumentData& doc, std::string_view name) {
        auto it = kept_.find(name);
        if (it != kept_.end()) return it->second;
        std::string_view copy = pelmor::html::detail::Keep(doc, name);
        if (kept_.size() < kMaxNames) kept_.emplace(copy, copy);
        return copy;
    }

private:
    static constexpr size_t kMaxNames = 4096;  // a page of made-up names does not grow the table
    std::unordered_map<std::string_view, std::string_view> kept_;
};

void CopyAttributes(DocumentData& doc, AttributeNames& names, NodeData* node, const GumboVector& attrs) {
    if (attrs.length == 0) return;
    // One spare place: the comparison gives every element an attribute of its own.
    doc.ReserveAttributes(node, attrs.length + 1);
    std::string prefixed;
    for (unsigned i = 0; i < attrs.length; ++i) {
        auto* a = static_cast<const GumboAttribute*>(attrs.data[i]);
        std::string_view name = a->name;
        switch (a->attr_namespace) {
            case GUMBO_ATTR_NAMESPACE_XLINK: prefixed = "xlink:" + std::string(name); name = prefixed; break;
            case GUMBO_ATTR_NAMESPACE_XML: prefixed = "xml:" + std::string(name); name = prefixed; break;
            case GUMBO_ATTR_NAMESPACE_XMLNS:
                if (name != "xmlns") {
                    prefixed = "xmlns:" + std::string(name);
                    name = prefixed;
                }
                break;
            default: break;
        }
        doc.AddAttribute(node, names.Keep(doc, name), Keep(doc, a->value));
    }
}

struct Pending {
    GumboVector children;  // a copy: the node that holds it may be gone already
    unsigned index;
    NodeData* target;    // where text and, below the cap, elements go
    int depth;           // level of `target`
    NodeData* capTarget; // where elements go once `depth` is at the cap
    const GumboNode* owner;  // gumbo's node, released with its children; null at the top
};

// Frees what gumbo's node holds besides its children, as gumbo's own destruction would.
void ReleaseContent(ParserHeap& heap, const GumboNode* g) {
    if (g->type == GUMBO_NODE_ELEMENT || g->type == GUMBO_NODE_TEMPLATE) {
        const GumboVector& attrs = g->v.element.attributes;
        for (unsigned i = 0; i < attrs.length; ++i) {
            auto* a = static_cast<const GumboAttribute*>(attrs.data[i]);
            heap.Release(a->name);
            heap.Release(a->value);
            heap.Release(a);
        }
        heap.Release(attrs.data);
    } else {
        heap.Release(g->v.text.text);
    }
}

// Copies gumbo's children of one node into `target`, iteratively, capping the depth. Each
// of gumbo's nodes is released as soon as it and its children are copied.
void CopyTree(DocumentData& doc, ParserHeap& heap, const GumboVector& top, NodeData* target, int depth) {
    std::vector<Pending> stack;
    AttributeNames names;
    NodeData* capTarget = depth >= kMaxDepth ? target : (target ? target->parent : nullptr);
    stack.push_back({top, 0, target, depth >= kMaxDepth ? kMaxDepth : depth, capTarget, nullptr});
    size_t copied = 0;
    while (!stack.empty()) {
        // A parse past the deadline keeps what it has; the caller sees the deadline too.
        if ((++copied & 0xFFFF) == 0 && DeadlinePassed()) return;
        Pending& p = stack.back();
        if (p.index >= p.children.length) {
            if (p.owner) {
                heap.Release(p.children.data);
                heap.Release(p.owner);
            }
            stack.pop_back();
            continue;
        }
        auto* g = static_cast<const GumboNode*>(p.children.data[p.index++]);
        switch (g->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE: {
                NodeData* node = NewElementFromGumbo(doc, g->v.element);
                CopyAttributes(doc, names, node, g->v.element.attributes);
                NodeData* parent = p.depth < kMaxDepth ? p.target : p.capTarget;
                doc.AppendNew(parent, node);
                int depth2 = p.depth < kMaxDepth ? p.depth + 1 : kMaxDepth;
                NodeData* cap2 = p.depth < kMaxDepth ? p.target : p.capTarget;
                ReleaseContent(heap, g);
                // `p` is not used past this point: the push may move it.
                stack.push_back({g->v.element.children, 0, node, depth2, cap2, g});
                break;
            }
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                doc.AppendNew(p.target, doc.NewText(Keep(doc, g->v.text.text)));
                ReleaseContent(heap, g);
                heap.Release(g);
                break;
            case GUMBO_NODE_COMMENT:
                doc.AppendNew(p.target, doc.NewComment(Keep(doc, g->v.text.text)));
                ReleaseContent(heap, g);
                heap.Release(g);
                break;
            default: break;
        }
    }
}

GumboOutput* RunGumbo(ParserHeap& heap, std::string_view html, GumboTag context, GumboNamespaceEnum ns,
                      std::string& repaired, std::string& guarded, GuardResult& guard) {
    if (RepairUtf8(html, repaired)) html = repaired;
    guard = GuardInput(html, guarded);
    if (guard.changed) html = guarded;
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &ParserHeap::Allocate;
    options.deallocator = &ParserHeap::Deallocate;
    options.userdata = &heap;
    options.max_errors = 0;
    options.fragment_context = context;
    options.fragment_namespace = ns;
    return gumbo_parse_with_options(&options, html.data(), html.size());
}

}  // namespace

void RepairText(std::string_view in, std::string& out) {
    if (!RepairUtf8(in, out)) out.assign(in);
}

void ParseDocument(DocumentData& doc, std::string_view html) {
    ParserHeap heap;
    std::string repaired, guarded;
    GuardResult guard;
    GumboOutput* output = RunGumbo(heap, html, GUMBO_TAG_LAST, GUMBO_NAMESPACE_HTML, repaired, guarded, guard);
    doc.nodeCapReached = guard.cut;
    doc.RemoveChildren(doc.root);
    heap.BeginRelease();
    CopyTree(doc, heap, output->document->v.document.children, doc.root, 0);
    ++doc.version;
}

void ParseFragment(DocumentData& doc, NodeData* context, std::string_view html) {
    GumboTag tag = GUMBO_TAG_DIV;
    if (context->kind == Kind::Element) {
        GumboTag known = gumbo_tagn_enum(context->Text().data(), unsigned(context->Text().size()));
        if (known != GUMBO_TAG_UNKNOWN && known != GUMBO_TAG_LAST) tag = known;
    }
    GumboNamespaceEnum ns = context->ns == Namespace::Svg      ? GUMBO_NAMESPACE_SVG
                            : context->ns == Namespace::MathMl ? GUMBO_NAMESPACE_MATHML
                                                               : GUMBO_NAMESPACE_HTML;
    ParserHeap heap;
    std::string repaired, guarded;
    GuardResult guard;
    GumboOutput* output = RunGumbo(heap, html, tag, ns, repaired, guarded, guard);
    if (guard.cut) doc.nodeCapReached = true;
    const GumboNode* root = output->root;
    if (root && (root->type == GUMBO_NODE_ELEMENT || root->type == GUMBO_NODE_TEMPLATE)) {
        heap.BeginRelease();
        CopyTree(doc, heap, root->v.element.children, context, DepthOf(context));
    }
    ++doc.version;
}

}  // namespace pelmor::html::detail
