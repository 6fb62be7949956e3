// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The text-level pieces of the comparison engine: the blank-insensitive string hash, the
// Levenshtein distance with its time budget, date-insensitive text equality, the masks
// applied before hashing, and the word matching used to paint single words.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmor::sorrel {

// Reading of the budget clock, in seconds (monotonic, so a budget never spans a jump).
using Clock = std::function<double()>;
// The monotonic clock the engine uses unless a test gives another.
Clock DefaultClock();

// Start time that switches the hashing budget off: no clock reading reaches it.
inline constexpr double kBudgetOff = 100000.0;

// Sum of Windows-1252 codes weighted by 1-based position + 1, blanks and no-break spaces
// left out; a sum that would overflow is first reduced modulo 100000. Throws Failure
// (overflow) only for a single term beyond 32 bits (texts of millions of characters).
int32_t StringHash(std::string_view text);
// a + b in 32 bits, reducing a modulo 100000 first when the sum would overflow.
int32_t AddReduced(int32_t a, int32_t b);

// Exact Levenshtein distance between two texts, ignoring letter case. Sets `startTime`
// to the clock, and returns 0 when more than one second passes before the answer is
// known.
int LevenshteinDistance(std::u32string_view s, std::u32string_view t, const Clock& clock, double& startTime);
// The same distance when it is at most `limit`, otherwise limit + 1; the work stays in a
// band of `limit` characters around the diagonal and stops once the distance is past it.
// 0 when the one-second budget runs out, as LevenshteinDistance.
int BoundedDistance(std::u32string_view s, std::u32string_view t, int limit, const Clock& clock, double& startTime);

// True when both texts are dates, or when they are equal once every date and clock time in
// them is replaced by "00/00/00" ("." is read as "/" and blanks around are trimmed first).
bool IsSameDateText(std::string_view newText, std::string_view originalText);

// Text with every date written with "/" and every clock time replaced by "00/00/00".
std::string MaskDatesInText(std::string_view text);
// Text with every decimal digit replaced by "0".
std::string MaskDigitsInText(std::string_view text);

// True when `ShowTimeDiff` is off and both words are dates once "." reads as "/", ","
// is dropped and blanks are trimmed.
bool IsDatePair(std::string_view x, std::string_view y, bool showTimeDiff);
// True when `ShowNumbers` is off and both words are numbers once "," is dropped and blanks
// are trimmed.
bool IsNumberPair(std::string_view x, std::string_view y, bool showNumbers);

struct WordPair {
    int newIndex;
    int originalIndex;
};

// Size in bytes of the direction table above which word matching switches to a method
// whose memory grows linearly with the number of words.
inline constexpr size_t kMaxDirectionTableBytes = 64u << 20;

// Longest common subsequence of two word lists (equal ignoring case), with dates and
// numbers accepted as pairs while tracing; pairs in increasing order. Lists whose
// direction table would pass
// `maxTableBytes` are matched in linear memory (Hirschberg's method) instead: a longest
// common subsequence as well, though among equally long ones not always the same.
std::vector<WordPair> MatchWords(const std::vector<std::string>& newWords,
                                 const std::vector<std::string>& originalWords, bool showTimeDiff, bool showNumbers,
                                 size_t maxTableBytes = kMaxDirectionTableBytes);

// A longest common subsequence of two lists of ids that differ by at most `maxEdits`
// insertions and deletions (Myers' method: time and memory grow with the edits, not with
// the lengths); none when they differ by more.
std::optional<std::vector<WordPair>> FewEditsSubsequence(const std::vector<int>& newIds,
                                                         const std::vector<int>& originalIds, int maxEdits);
// A longest common subsequence of two lists of ids, in linear memory: equal ends are
// matched first, the rest by Hirschberg's method. Pairs in increasing order.
std::vector<WordPair> CommonSubsequence(const std::vector<int>& newIds, const std::vector<int>& originalIds);

}  // namespace pelmor::sorrel
