// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "compare/TextCompare.h"
#include "platform/core/Failure.h"
#include "platform/text/Unicode.h"

namespace pelmor::sorrel {
namespace {

int Ld(std::string_view s, std::string_view t) {
    double start = 0;
    return LevenshteinDistance(text::ToU32(s), text::ToU32(t), DefaultClock(), start);
}

// The textbook full table, ignoring case of ASCII letters: the reference for the fast one.
int ReferenceDistance(const std::u32string& s, const std::u32string& t) {
    std::vector<std::vector<int>> d(s.size() + 1, std::vector<int>(t.size() + 1));
    for (size_t i = 0; i <= s.size(); ++i) d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= t.size(); ++j) d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= s.size(); ++i)
        for (size_t j = 1; j <= t.size(); ++j)
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (text::FoldChar(s[i - 1]) == text::FoldChar(t[j - 1]) ? 0 : 1)});
    return d[s.size()][t.size()];
}

TEST(StringHash, WeightsWindows1252CodesByPosition) {
    EXPECT_EQ(StringHash("ab"), 97 * 2 + 98 * 3);
    EXPECT_EQ(StringHash(""), 0);
    EXPECT_EQ(StringHash("\xE2\x82\xAC"), 0x80 * 2);  // euro sign
    EXPECT_EQ(StringHash("\xC4\x81"), 63 * 2);        // outside the code page: "?"
}

TEST(StringHash, IgnoresBlanksAndNoBreakSpacesButNotCase) {
    EXPECT_EQ(StringHash("a b"), 488);
    EXPECT_EQ(StringHash(" a\xC2\xA0\xC2\xA0" "b "), 488);
    EXPECT_NE(StringHash("ab"), StringHash("AB"));
    EXPECT_NE(StringHash("a\nb"), StringHash("ab"));  // only blanks and no-break spaces go
}

TEST(StringHash, OverflowReducesModulo100000AndRetries) {
    EXPECT_EQ(AddReduced(2147483000, 1000), 83000 + 1000);
    EXPECT_EQ(AddReduced(5, 7), 12);
    // A long text goes through many reductions and stays positive and deterministic.
    std::string longText(100000, 'z');
    int32_t h = StringHash(longText);
    EXPECT_GT(h, 0);
    EXPECT_EQ(h, StringHash(longText));
}

TEST(LD, KnownDistances) {
    EXPECT_EQ(Ld("flaw", "lawn"), 2);
    EXPECT_EQ(Ld("ABC", "abc"), 0);
    EXPECT_EQ(Ld("", "abc"), 3);
    EXPECT_EQ(Ld("abc", ""), 3);
    EXPECT_EQ(Ld("kitten", "sitting"), 3);
    EXPECT_EQ(Ld("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\xA9"), 0);  // case folding beyond ASCII
}

TEST(LD, FastDistanceEqualsTheFullTable) {
    std::mt19937 random(7);
    const std::u32string alphabet = U"abcAB \u00e9\u4e2d";
    for (int round = 0; round < 300; ++round) {
        auto make = [&](size_t maxLength) {
            std::u32string s(random() % maxLength, U'a');
            for (char32_t& c : s) c = alphabet[random() % alphabet.size()];
            return s;
        };
        // Lengths around the 64-character block boundary and well beyond it.
        size_t maxLength = round < 100 ? 20 : round < 200 ? 140 : 400;
        std::u32string s = make(maxLength), t = make(maxLength);
        if (round % 3 == 0) t = s.substr(0, s.size() / 2) + U"xyz" + s.substr(s.size() / 2);
        double start = 0;
        ASSERT_EQ(LevenshteinDistance(s, t, DefaultClock(), start), ReferenceDistance(s, t))
            << text::ToUtf8(s) << " / " << text::ToUtf8(t);
    }
}

TEST(LD, ManyDistinctCharactersTakeThePlainTableWithTheSameResult) {
    std::u32string s, t;
    for (char32_t c = 0x4E00; c < 0x4E00 + 6000; ++c) s += c;
    t = s;
    t[10] = U'x';
    t.erase(3000, 5);
    double start = 0;
    EXPECT_EQ(LevenshteinDistance(s, t, DefaultClock(), start), 6);
}

TEST(LD, LongestTextsStayInReach) {
    std::u32string s(32767, U'a'), t(32767, U'b');
    double start = 0;
    EXPECT_EQ(LevenshteinDistance(s, t, DefaultClock(), start), 32767);
    EXPECT_EQ(LevenshteinDistance(std::u32string(32768, U'a'), U"b", DefaultClock(), start), 32768);
}

TEST(LD, RunningOutOfTimeGivesZero) {
    double now = 500.0;
    Clock clock = [&] { return now += 0.25; };  // every reading is 250 ms later
    std::u32string s(3000, U'a'), t(3000, U'b');
    double start = 0;
    EXPECT_EQ(LevenshteinDistance(s, t, clock, start), 0);
    EXPECT_EQ(start, 500.25);
    // A fast answer never looks at the budget.
    EXPECT_EQ(LevenshteinDistance(U"abc", U"abd", clock, start), 1);
}

TEST(Masks, DatesTimesAndDigits) {
    EXPECT_EQ(MaskDatesInText("12:34:56"), "00/00/00:56");
    EXPECT_EQ(MaskDatesInText("Updated 13/12/2004 at 9:05"), "Updated 00/00/00 at 00/00/00");
    EXPECT_EQ(MaskDatesInText("13.12.2004"), "13.12.2004");  // only "/" dates
    EXPECT_EQ(MaskDigitsInText("Price 10, 2 items"), "Price 00, 0 items");
}

TEST(IsSameDateText, DatesAndTimesDoNotCount) {
    EXPECT_TRUE(IsSameDateText("13/12/2004", "14/12/2004"));
    EXPECT_TRUE(IsSameDateText(" 13.12.2004 ", "1 January 2005"));
    EXPECT_TRUE(IsSameDateText("Updated 13/12/2004 10:15", "updated 14/12/2004 11:20"));
    EXPECT_TRUE(IsSameDateText("at 12:34:56", "at 12:40:56"));
    EXPECT_FALSE(IsSameDateText("at 12:34:56", "at 12:34:57"));  // only hours and minutes are masked
    EXPECT_FALSE(IsSameDateText("Updated 13/12/2004", "Changed 13/12/2004"));
}

TEST(WordPairs, DatesAndNumbersPairUnlessShown) {
    EXPECT_TRUE(IsDatePair("13.12.2004", "14/12/2004,", false));
    EXPECT_FALSE(IsDatePair("13.12.2004", "14/12/2004", true));
    EXPECT_FALSE(IsDatePair("13.12.2004", "soon", false));
    EXPECT_TRUE(IsNumberPair("1,000", "12", false));
    EXPECT_FALSE(IsNumberPair("10", "12", true));
    EXPECT_FALSE(IsNumberPair("10", "ten", false));
}

std::vector<std::string> Words(std::initializer_list<const char*> words) { return {words.begin(), words.end()}; }

std::vector<std::pair<int, int>> Pairs(const std::vector<WordPair>& pairs) {
    std::vector<std::pair<int, int>> out;
    for (const WordPair& p : pairs) out.emplace_back(p.newIndex, p.originalIndex);
    return out;
}

TEST(MatchWords, ChangedWordIsLeftOut) {
    auto pairs = MatchWords(Words({"Open", "Monday", "to", "Saturday"}), Words({"open", "Monday", "to", "Friday"}),
                            false, false);
    EXPECT_EQ(Pairs(pairs), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}}));
}

TEST(MatchWords, InsertionsAndRemovalsKeepOrder) {
    auto pairs = MatchWords(Words({"a", "x", "b", "c"}), Words({"a", "b", "y", "c"}), false, false);
    EXPECT_EQ(Pairs(pairs), (std::vector<std::pair<int, int>>{{0, 0}, {2, 1}, {3, 3}}));
    EXPECT_TRUE(MatchWords(Words({"a"}), {}, false, false).empty());
}

TEST(MatchWords, NumbersAndDatesPairWhileTracing) {
    auto total = Words({"Total", "12", "items"});
    auto before = Words({"Total", "10", "items"});
    EXPECT_EQ(Pairs(MatchWords(total, before, false, false)),
              (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(Pairs(MatchWords(total, before, false, true)), (std::vector<std::pair<int, int>>{{0, 0}, {2, 2}}));
    EXPECT_EQ(Pairs(MatchWords(Words({"on", "14/12/2004"}), Words({"on", "13/12/2004"}), false, false)).size(), 2u);
    EXPECT_EQ(Pairs(MatchWords(Words({"on", "14/12/2004"}), Words({"on", "13/12/2004"}), true, false)).size(), 1u);
}

TEST(MatchWords, BeyondTheTableLinearMemoryFindsAsLongAMatch) {
    std::mt19937 random(17);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> a(random() % 40), b(random() % 40);
        for (auto& w : a) w = std::string(1, char('a' + random() % 4));
        for (auto& w : b) w = std::string(1, char('A' + random() % 4));
        auto table = MatchWords(a, b, false, false);
        auto linear = MatchWords(a, b, false, false, 0);
        ASSERT_EQ(linear.size(), table.size()) << round;
        for (size_t i = 0; i < linear.size(); ++i) {
            EXPECT_EQ(a[size_t(linear[i].newIndex)][0], b[size_t(linear[i].originalIndex)][0] + 32);
            if (i > 0) {
                EXPECT_GT(linear[i].newIndex, linear[i - 1].newIndex);
                EXPECT_GT(linear[i].originalIndex, linear[i - 1].originalIndex);
            }
        }
    }
    auto total = Words({"Total", "12", "new", "items"});
    EXPECT_EQ(Pairs(MatchWords(total, Words({"Total", "10", "items"}), false, false, 0)),
              (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {3, 2}}));
    std::vector<std::string> many(6000, "w"), more(6000, "v");
    EXPECT_TRUE(MatchWords(many, more, false, false).empty());  // 6003 x 6003 x 2 bytes > 64 MiB
    EXPECT_EQ(MatchWords(std::vector<std::string>(32768, "w"), Words({"w"}), false, false).size(), 1u);
}

}  // namespace
}  // namespace pelmor::sorrel

namespace pelmor::sorrel {
namespace {

TEST(CommonSubsequence, FewEditsFindsAsLongAMatchInIncreasingOrder) {
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<int> a(random() % 40), b;
        for (int& id : a) id = int(random() % 6);
        b = a;
        for (int edit = int(random() % 8); edit > 0 && !b.empty(); --edit) {
            if (random() % 2) {
                b.erase(b.begin() + long(random() % b.size()));
            } else {
                b.insert(b.begin() + long(random() % (b.size() + 1)), int(random() % 6));
            }
        }
        auto few = FewEditsSubsequence(a, b, 1000);
        ASSERT_TRUE(few);
        EXPECT_EQ(few->size(), CommonSubsequence(a, b).size());
        for (size_t i = 0; i < few->size(); ++i) {
            EXPECT_EQ(a[size_t((*few)[i].newIndex)], b[size_t((*few)[i].originalIndex)]);
            if (i == 0) continue;
            EXPECT_GT((*few)[i].originalIndex, (*few)[i - 1].originalIndex);
            EXPECT_GT((*few)[i].newIndex, (*few)[i - 1].newIndex);
        }
    }
    EXPECT_FALSE(FewEditsSubsequence(std::vector<int>(50, 1), std::vector<int>(50, 2), 20));
}

}  // namespace
}  // namespace pelmor::sorrel
