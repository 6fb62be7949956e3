// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/TextCompare.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <optional>
#include <unordered_map>

#include "platform/core/Deadline.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "platform/text/Recognise.h"
#include "platform/text/Regex.h"
#include "platform/text/Unicode.h"

namespace pelmor::sorrel {
namespace {

constexpr double kLdBudget = 1.0;
// Columns of the distance computation between two readings of the clock.
constexpr size_t kColumnsPerClockCheck = 64;

[[noreturn]] void ThrowOverflow(const char* source) {
    throw Failure(Fault::Overflow, source, "The hash overflows its 32 bits");
}

std::string TrimBlanks(std::string text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string ReplaceChar(std::string_view text, char from, const char* to) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == from)
            out += to;
        else
            out += c;
    }
    return out;
}

const text::Regex& DatePattern() {
    static const text::Regex regex(R"((\d{1,4}/\d{1,2}/\d{1,4})|(\d{1,2}:\d{2})|(\d{1,2}:\d{2}:\d{2}))", true);
    return regex;
}

const text::Regex& DigitPattern() {
    static const text::Regex regex(R"(\d)", true);
    return regex;
}

// Bit masks of the positions where each character occurs in the pattern, 64 positions a
// block. Characters absent from the pattern share an all-zero row.
class PositionMasks {
public:
    PositionMasks(std::u32string_view pattern, size_t blocks) : blocks_(blocks) {
        ascii_.fill(0);
        bits_.assign(blocks, 0);  // row 0: absent characters
        for (size_t i = 0; i < pattern.size(); ++i) {
            size_t row = RowOf(pattern[i], true);
            bits_[row * blocks + i / 64] |= uint64_t{1} << (i % 64);
        }
    }
    const uint64_t* Row(char32_t c) const { return &bits_[RowOf(c) * blocks_]; }

    // Number of distinct characters of a pattern.
    static size_t Distinct(std::u32string_view pattern) {
        std::u32string sorted(pattern);
        std::sort(sorted.begin(), sorted.end());
        return static_cast<size_t>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
    }

private:
    size_t RowOf(char32_t c, bool add = false) {
        uint32_t* slot;
        if (c < 128) {
            slot = &ascii_[c];
        } else {
            auto it = other_.find(c);
            if (it == other_.end()) {
                if (!add) return 0;
                it = other_.emplace(c, 0).first;
            }
            slot = &it->second;
        }
        if (*slot == 0 && add) {
            *slot = static_cast<uint32_t>(bits_.size() / blocks_);
            bits_.resize(bits_.size() + blocks_, 0);
        }
        return *slot;
    }
    size_t RowOf(char32_t c) const {
        if (c < 128) return ascii_[c];
        auto it = other_.find(c);
        return it == other_.end() ? 0 : it->second;
    }

    size_t blocks_;
    std::array<uint32_t, 128> ascii_;
    std::unordered_map<char32_t, uint32_t> other_;
    std::vector<uint64_t> bits_;
};

// One column step of the bit-parallel edit distance for one block of 64 rows: updates the
// block's vertical deltas (`pv`, `mv`) from the text character's match bits and the
// horizontal delta `hin` coming in at the block's top row.
struct BlockStep {
    uint64_t ph, mh;  // horizontal deltas of the column, before the shift
    int hout;         // the horizontal delta leaving the block's bottom row
    // How the value at row `bit` of the block changed in this column.
    int RowEndDelta(int bit) const { return int((ph >> bit) & 1) - int((mh >> bit) & 1); }
};

inline BlockStep AdvanceBlock(uint64_t eq, uint64_t& pv, uint64_t& mv, int hin) {
    const uint64_t p = pv, mneg = mv;
    const uint64_t hinNeg = hin < 0 ? 1 : 0;
    const uint64_t xv = eq | mneg;
    eq |= hinNeg;
    const uint64_t xh = (((eq & p) + p) ^ p) | eq;
    BlockStep step{mneg | ~(xh | p), p & xh, 0};
    step.hout = int(step.ph >> 63) - int(step.mh >> 63);
    const uint64_t ph = (step.ph << 1) | (hin > 0 ? 1 : 0);
    const uint64_t mh = (step.mh << 1) | hinNeg;
    pv = mh | ~(xv | ph);
    mv = ph & xv;
    return step;
}

// Bit-parallel distance (Myers, in Hyyrö's block form): one column of the table per text
// character, 64 cells a machine word. Returns -1 when the budget runs out.
int BitParallelDistance(std::u32string_view pattern, std::u32string_view text, const Clock& clock, double start) {
    size_t m = pattern.size();
    size_t blocks = (m + 63) / 64;
    PositionMasks masks(pattern, blocks);
    std::vector<uint64_t> pv(blocks, ~uint64_t{0}), mv(blocks, 0);
    int lastBit = static_cast<int>((m - 1) % 64);
    int score = static_cast<int>(m);
    for (size_t j = 0; j < text.size(); ++j) {
        if (j % kColumnsPerClockCheck == kColumnsPerClockCheck - 1 && (clock() - start > kLdBudget || DeadlinePassed()))
            return -1;
        const uint64_t* eqRow = masks.Row(text[j]);
        int hin = 1;  // the top row grows by one per column
        for (size_t b = 0; b < blocks; ++b) {
            BlockStep step = AdvanceBlock(eqRow[b], pv[b], mv[b], hin);
            if (b == blocks - 1) score += step.RowEndDelta(lastBit);
            hin = step.hout;
        }
    }
    return score;
}

// The classic table, two rows at a time. Returns -1 when the budget runs out.
int TwoRowDistance(std::u32string_view s, std::u32string_view t, const Clock& clock, double start) {
    std::vector<int> previous(t.size() + 1), current(t.size() + 1);
    for (size_t j = 0; j <= t.size(); ++j) previous[j] = static_cast<int>(j);
    for (size_t i = 1; i <= s.size(); ++i) {
        if (clock() - start > kLdBudget || DeadlinePassed()) return -1;
        current[0] = static_cast<int>(i);
        for (size_t j = 1; j <= t.size(); ++j) {
            int cost = s[i - 1] == t[j - 1] ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
        }
        std::swap(previous, current);
    }
    return previous[t.size()];
}

// Ones in the bits [from, to) of a 64-bit word.
uint64_t BitsBetween(int from, int to) {
    uint64_t upTo = to >= 64 ? ~uint64_t{0} : (uint64_t{1} << to) - 1;
    return upTo & ~((uint64_t{1} << from) - 1);
}

// The bit-parallel distance restricted to a band of rows around the diagonal (Ukkonen's
// cut-off): the exact distance when it is at most `limit`, otherwise limit + 1. Rows more
// than `limit` away from the diagonal cannot lie on a path of cost `limit` or less, so only
// the blocks of the band are computed; a block leaving the band at the top freezes its last
// row as a boundary above the band. Every 64 columns the cell on the final diagonal is read:
// a value past `limit` there settles the answer, as values never fall along a diagonal.
// Returns -1 when the budget runs out. The pattern is the shorter text.
int BandedDistance(std::u32string_view pattern, std::u32string_view text, int limit, const Clock& clock, double start) {
    const long m = long(pattern.size()), n = long(text.size());
    if (n - m > limit) return limit + 1;
    const long band = long(limit) + 1;
    const long blocks = (m + 63) / 64;
    PositionMasks masks(pattern, size_t(blocks));
    std::vector<uint64_t> pv(size_t(blocks), ~uint64_t{0}), mv(size_t(blocks), 0);
    auto rowEnd = [&](long b) { return std::min(m, 64 * (b + 1)); };
    long lo = 0, hi = 0;
    long score = rowEnd(0);  // the value at the last row of block hi, column 0
    for (long j = 1; j <= n; ++j) {
        if (j % long(kColumnsPerClockCheck) == 0 && (clock() - start > kLdBudget || DeadlinePassed())) return -1;
        const long rowHi = std::min(m, j + band);
        while ((rowHi - 1) / 64 > hi) {
            ++hi;  // a block entering the band: its rows still rise by one each
            score += rowEnd(hi) - rowEnd(hi - 1);
        }
        while (64 * (lo + 1) < j - band && lo < hi) ++lo;
        const uint64_t* eqRow = masks.Row(text[size_t(j - 1)]);
        int hin = lo == 0 ? 1 : 0;
        for (long b = lo; b <= hi; ++b) {
            BlockStep step = AdvanceBlock(eqRow[b], pv[size_t(b)], mv[size_t(b)], hin);
            if (b == hi) score += step.RowEndDelta(int((rowEnd(b) - 1) % 64));
            hin = step.hout;
        }
        const long row = j - (n - m);  // the final diagonal
        if (j % 64 == 0 && row >= 1 && row < rowEnd(hi)) {
            long value = score;  // walk back up from the band's last row
            for (long r = rowEnd(hi); r > row;) {
                long b = (r - 1) / 64, first = std::max(row, 64 * b);
                uint64_t mask = BitsBetween(int(first - 64 * b), int(r - 64 * b));
                value -=
                    long(__builtin_popcountll(pv[size_t(b)] & mask)) - long(__builtin_popcountll(mv[size_t(b)] & mask));
                r = first;
            }
            if (value > limit) return limit + 1;
        }
    }
    return score <= limit ? int(score) : limit + 1;
}

// Folded texts without their common prefix and suffix, which never change the distance;
// the shorter one first.
std::pair<std::u32string, std::u32string> Trimmed(std::u32string_view s, std::u32string_view t) {
    std::u32string a = text::FoldU32(s), b = text::FoldU32(t);
    size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    a = a.substr(prefix, a.size() - prefix - suffix);
    b = b.substr(prefix, b.size() - prefix - suffix);
    if (a.size() > b.size()) std::swap(a, b);
    return {std::move(a), std::move(b)};
}

}  // namespace

Clock DefaultClock() {
    return [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };
}

int32_t AddReduced(int32_t a, int32_t b) {
    int64_t sum = int64_t{a} + b;
    if (sum > std::numeric_limits<int32_t>::max() || sum < std::numeric_limits<int32_t>::min()) {
        sum = int64_t{a % 100000} + b;
        if (sum > std::numeric_limits<int32_t>::max() || sum < std::numeric_limits<int32_t>::min())
            ThrowOverflow("StringHash");
    }
    return static_cast<int32_t>(sum);
}

int32_t StringHash(std::string_view textUtf8) {
    int32_t h = 0;
    int64_t position = 0;
    auto add = [&](char32_t c) {
        if (c == 32 || c == 160) return;
        ++position;
        int64_t term = int64_t{c < 0x80 ? static_cast<uint8_t>(c) : text::Windows1252Code(c)} * (position + 1);
        if (term > std::numeric_limits<int32_t>::max()) ThrowOverflow("StringHash");
        int64_t sum = h + term;
        h = sum <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(sum)
                                                       : AddReduced(h, static_cast<int32_t>(term));
    };
    // Plain ASCII is taken byte by byte; anything else goes through the decoder.
    size_t i = 0;
    while (i < textUtf8.size()) {
        auto c = static_cast<unsigned char>(textUtf8[i]);
        if (c < 0x80) {
            add(c);
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < textUtf8.size() && static_cast<unsigned char>(textUtf8[end]) >= 0x80) ++end;
        for (char32_t cp : text::ToU32(textUtf8.substr(i, end - i))) add(cp);
        i = end;
    }
    return h;
}

int LevenshteinDistance(std::u32string_view s, std::u32string_view t, const Clock& clock, double& startTime) {
    startTime = clock();
    if (s.empty()) return static_cast<int>(t.size());
    if (t.empty()) return static_cast<int>(s.size());
    auto [x, y] = Trimmed(s, t);
    if (x.empty()) return static_cast<int>(y.size());
    size_t blocks = (x.size() + 63) / 64;
    // The masks cost one word per block and distinct character; a pattern of thousands of
    // distinct characters (ideographs) would ask for too much, so it takes the plain table.
    constexpr size_t kMaxMaskWords = size_t{1} << 21;
    int distance = blocks == 1 || blocks * (PositionMasks::Distinct(x) + 1) <= kMaxMaskWords
                       ? BitParallelDistance(x, y, clock, startTime)
                       : TwoRowDistance(x, y, clock, startTime);
    return distance < 0 ? 0 : distance;
}

int BoundedDistance(std::u32string_view s, std::u32string_view t, int limit, const Clock& clock, double& startTime) {
    startTime = clock();
    if (limit < 0) limit = 0;
    auto [x, y] = Trimmed(s, t);
    if (y.size() - x.size() > size_t(limit)) return limit + 1;
    if (x.empty()) return static_cast<int>(y.size());
    constexpr size_t kMaxMaskWords = size_t{1} << 21;
    if (((x.size() + 63) / 64) * (PositionMasks::Distinct(x) + 1) > kMaxMaskWords) {
        int distance = TwoRowDistance(x, y, clock, startTime);
        return distance < 0 ? 0 : std::min(distance, limit + 1);
    }
    // A narrow band first, widened while the distance may lie beyond it: texts a few edits
    // apart cost a few blocks a column, however long they are.
    for (int width = std::max(64, int(y.size() - x.size()));; width = std::min(limit, 2 * width)) {
        width = std::min(width, limit);
        int distance = BandedDistance(x, y, width, clock, startTime);
        if (distance < 0) return 0;
        if (distance <= width || width >= limit) return distance;
    }
}

std::string MaskDatesInText(std::string_view text) { return DatePattern().ReplaceAll(text, "00/00/00"); }

std::string MaskDigitsInText(std::string_view text) { return DigitPattern().ReplaceAll(text, "0"); }

bool IsSameDateText(std::string_view newText, std::string_view originalText) {
    std::string a = TrimBlanks(ReplaceChar(newText, '.', "/"));
    std::string b = TrimBlanks(ReplaceChar(originalText, '.', "/"));
    if (text::IsDate(a) && text::IsDate(b)) return true;
    return EqualsNoCase(MaskDatesInText(a), MaskDatesInText(b));
}

bool IsDatePair(std::string_view x, std::string_view y, bool showTimeDiff) {
    if (showTimeDiff) return false;
    auto clean = [](std::string_view word) { return TrimBlanks(ReplaceChar(ReplaceChar(word, '.', "/"), ',', "")); };
    return text::IsDate(clean(x)) && text::IsDate(clean(y));
}

bool IsNumberPair(std::string_view x, std::string_view y, bool showNumbers) {
    if (showNumbers) return false;
    auto clean = [](std::string_view word) { return TrimBlanks(ReplaceChar(word, ',', "")); };
    return text::IsNumeric(clean(x)) && text::IsNumeric(clean(y));
}

namespace {

// Hirschberg's longest common subsequence of new words a and original words b (as ids),
// appending the matched pairs, in increasing order, offset by `a0` and `b0`. Memory: two
// rows of counts as long as b, and the recursion, log2 of a levels deep.
class LinearMatcher {
public:
    LinearMatcher(const std::vector<int>& a, const std::vector<int>& b, std::vector<WordPair>& out)
        : a_(a), b_(b), out_(out), forward_(b.size() + 1), backward_(b.size() + 1) {}

    void Match(size_t a0, size_t a1, size_t b0, size_t b1) {
        // Equal ends are matched at once: a text with a few changed words costs little.
        while (a0 < a1 && b0 < b1 && a_[a0] == b_[b0]) out_.push_back({int(a0++), int(b0++)});
        size_t tail = 0;
        while (a1 - tail > a0 && b1 - tail > b0 && a_[a1 - tail - 1] == b_[b1 - tail - 1]) ++tail;
        MatchMiddle(a0, a1 - tail, b0, b1 - tail);
        for (size_t i = tail; i > 0; --i) out_.push_back({int(a1 - i), int(b1 - i)});
    }

private:
    void MatchMiddle(size_t a0, size_t a1, size_t b0, size_t b1) {
        if (a0 >= a1 || b0 >= b1) return;
        if (a1 - a0 == 1) {
            for (size_t j = b0; j < b1; ++j)
                if (b_[j] == a_[a0]) {
                    out_.push_back({int(a0), int(j)});
                    return;
                }
            return;
        }
        const size_t mid = a0 + (a1 - a0) / 2;
        const size_t m = b1 - b0;
        // forward_[j]: LCS of a[a0, mid) and b[b0, b0 + j).
        std::fill(forward_.begin(), forward_.begin() + long(m + 1), 0);
        for (size_t i = a0; i < mid; ++i) {
            int diagonal = 0;
            for (size_t j = 1; j <= m; ++j) {
                int above = forward_[j];
                forward_[j] = a_[i] == b_[b0 + j - 1] ? diagonal + 1 : std::max(above, forward_[j - 1]);
                diagonal = above;
            }
        }
        // backward_[j]: LCS of a[mid, a1) and b[b0 + j, b1).
        std::fill(backward_.begin(), backward_.begin() + long(m + 1), 0);
        for (size_t i = a1; i-- > mid;) {
            int diagonal = 0;
            for (size_t j = m; j-- > 0;) {
                int below = backward_[j];
                backward_[j] = a_[i] == b_[b0 + j] ? diagonal + 1 : std::max(below, backward_[j + 1]);
                diagonal = below;
            }
        }
        size_t split = 0;
        int best = -1;
        for (size_t j = 0; j <= m; ++j) {
            if (forward_[j] + backward_[j] > best) {
                best = forward_[j] + backward_[j];
                split = j;
            }
        }
        MatchMiddle(a0, mid, b0, b0 + split);
        MatchMiddle(mid, a1, b0 + split, b1);
    }

    const std::vector<int>& a_;
    const std::vector<int>& b_;
    std::vector<WordPair>& out_;
    std::vector<int> forward_, backward_;
};

}  // namespace

std::optional<std::vector<WordPair>> FewEditsSubsequence(const std::vector<int>& allNew,
                                                         const std::vector<int>& allOriginal, int maxEdits) {
    // Equal ends are matched first: among equally long matches the one that keeps the
    // ends in place is the one a reader expects.
    size_t head = 0, tail = 0;
    while (head < allNew.size() && head < allOriginal.size() && allNew[head] == allOriginal[head]) ++head;
    while (tail < allNew.size() - head && tail < allOriginal.size() - head &&
           allNew[allNew.size() - 1 - tail] == allOriginal[allOriginal.size() - 1 - tail])
        ++tail;
    const std::vector<int> newIds(allNew.begin() + long(head), allNew.end() - long(tail));
    const std::vector<int> originalIds(allOriginal.begin() + long(head), allOriginal.end() - long(tail));
    // Myers' greedy walk over the edit graph: after step d, v[k] is the furthest point on
    // diagonal k reachable with d insertions and deletions. Each step's row is kept for the
    // way back.
    const long n = long(newIds.size()), m = long(originalIds.size());
    const long most = std::min<long>(n + m, maxEdits);
    const long offset = most + 1;
    std::vector<int> v(size_t(2 * most + 3), 0);
    std::vector<std::vector<int>> rows;
    long last = -1;
    for (long d = 0; d <= most && last < 0; ++d) {
        for (long k = -d; k <= d; k += 2) {
            long x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                         ? v[size_t(offset + k + 1)]
                         : v[size_t(offset + k - 1)] + 1L;
            long y = x - k;
            while (x < n && y < m && newIds[size_t(x)] == originalIds[size_t(y)]) ++x, ++y;
            v[size_t(offset + k)] = int(x);
            if (x >= n && y >= m) last = d;
        }
        rows.push_back(v);
    }
    if (last < 0) return std::nullopt;
    // Back from the end: each step came down or right from the previous row's point, then
    // followed a diagonal of equal ids, which gives the pairs.
    std::vector<WordPair> pairs;
    long x = n, y = m;
    for (long d = last; d > 0; --d) {
        const long k = x - y;
        const std::vector<int>& before = rows[size_t(d - 1)];
        const bool down = k == -d || (k != d && before[size_t(offset + k - 1)] < before[size_t(offset + k + 1)]);
        const long previousK = down ? k + 1 : k - 1;
        const long previousX = before[size_t(offset + previousK)];
        const long snakeX = down ? previousX : previousX + 1;
        while (x > snakeX) {
            --x;
            --y;
            pairs.push_back({int(x), int(y)});
        }
        x = previousX;
        y = previousX - previousK;
    }
    while (x > 0 && y > 0) {
        --x;
        --y;
        pairs.push_back({int(x), int(y)});
    }
    std::reverse(pairs.begin(), pairs.end());
    std::vector<WordPair> all;
    all.reserve(head + pairs.size() + tail);
    for (size_t k = 0; k < head; ++k) all.push_back({int(k), int(k)});
    for (const WordPair& pair : pairs) all.push_back({pair.newIndex + int(head), pair.originalIndex + int(head)});
    for (size_t k = tail; k > 0; --k) all.push_back({int(allNew.size() - k), int(allOriginal.size() - k)});
    return all;
}

std::vector<WordPair> CommonSubsequence(const std::vector<int>& newIds, const std::vector<int>& originalIds) {
    std::vector<WordPair> pairs;
    LinearMatcher(newIds, originalIds, pairs).Match(0, newIds.size(), 0, originalIds.size());
    return pairs;
}

std::vector<WordPair> MatchWords(const std::vector<std::string>& newWords,
                                 const std::vector<std::string>& originalWords, bool showTimeDiff, bool showNumbers,
                                 size_t maxTableBytes) {
    std::vector<WordPair> pairs;
    if (newWords.empty() || originalWords.empty()) return pairs;
    size_t width = newWords.size() + 3;
    size_t height = originalWords.size() + 3;

    // Words become numbers, equal when the words are equal ignoring case.
    std::unordered_map<std::string, int> ids;
    auto idsOf = [&](const std::vector<std::string>& words) {
        std::vector<int> out;
        out.reserve(words.size());
        for (const std::string& word : words) out.push_back(ids.emplace(FoldCase(word), ids.size()).first->second);
        return out;
    };
    std::vector<int> nw = idsOf(newWords), ow = idsOf(originalWords);

    if (width * height * sizeof(int16_t) > maxTableBytes) {
        std::vector<WordPair> common;
        LinearMatcher(nw, ow, common).Match(0, nw.size(), 0, ow.size());
        // The trace between two common words: a date or number pair is taken where the
        // walk meets one; otherwise new words are passed over first, as on a tie.
        size_t j = 0, k = 0;
        auto gap = [&](size_t kEnd, size_t jEnd) {
            while (j < jEnd && k < kEnd) {
                if (IsDatePair(originalWords[j], newWords[k], showTimeDiff) ||
                    IsNumberPair(originalWords[j], newWords[k], showNumbers)) {
                    pairs.push_back({int(k++), int(j++)});
                } else {
                    ++k;
                }
            }
        };
        for (const WordPair& match : common) {
            gap(size_t(match.newIndex), size_t(match.originalIndex));
            pairs.push_back(match);
            k = size_t(match.newIndex) + 1;
            j = size_t(match.originalIndex) + 1;
        }
        gap(nw.size(), ow.size());
        return pairs;
    }

    int a = static_cast<int>(nw.size()) - 1;
    int b = static_cast<int>(ow.size()) - 1;
    std::vector<int16_t> direction(width * height, 0);
    std::vector<int16_t> current(width, 0), next(width, 0);
    for (int j = b; j >= 0; --j) {
        int16_t* row = &direction[static_cast<size_t>(j) * width];
        for (int k = a; k >= 0; --k) {
            if (nw[k] == ow[j]) {
                current[k] = static_cast<int16_t>(next[k + 1] + 1);
            } else if (current[k + 1] < next[k]) {
                row[k] = -1;
                current[k] = next[k];
            } else {
                row[k] = 0;
                current[k] = current[k + 1];
            }
        }
        std::swap(current, next);
    }
    int j = 0, k = 0;
    while (j <= b && k <= a) {
        if (nw[k] == ow[j] || IsDatePair(originalWords[j], newWords[k], showTimeDiff) ||
            IsNumberPair(originalWords[j], newWords[k], showNumbers)) {
            pairs.push_back({k, j});
            ++j;
            ++k;
        } else if (direction[static_cast<size_t>(j) * width + k] == -1) {
            ++j;
        } else {
            ++k;
        }
    }
    return pairs;
}

}  // namespace pelmor::sorrel
