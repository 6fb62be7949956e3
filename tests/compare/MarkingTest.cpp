// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "compare/Compare.h"
#include "platform/core/Deadline.h"
#include "platform/core/Strings.h"
#include "tests/compare/Pages.h"
#include "tests/support/TempHome.h"

namespace pelmor::sorrel {
namespace {

using test::Count;
using test::Page;
using test::Tag;

constexpr const char* kInsert = "#00FF00";
constexpr const char* kUpdate = "#FFFF00";

struct Painted {
    std::string text;
    std::string colour;
    bool operator==(const Painted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Painted& p) { return out << "'" << p.text << "' " << p.colour; }

std::string TextUnder(html::Node node) {
    if (node.nodeType() == html::kTextNode) return std::string(node.nodeValue());
    std::string text;
    for (html::Node child = node.firstChild(); child; child = child.nextSibling()) text += TextUnder(child);
    return text;
}

// The painted stretches of text of a page, in document order, as written in the page.
std::vector<Painted> PaintedText(const Document& page) {
    std::vector<Painted> out;
    for (const html::Element& span : page->getElementsByTagName("SPAN")) {
        std::string colour = span.style().backgroundColor();
        if (!colour.empty()) out.push_back({TextUnder(span), colour});
    }
    return out;
}

class Marking : public ::testing::Test {
protected:
    std::string Mark(const Document& updated, const Document& original) {
        return engine.GetMarkedHTML(updated, original, kInsert, kUpdate);
    }
    pelmor::test::TempHome home;
    Compare engine;
};

TEST_F(Marking, OnlyTheChangedWordIsPainted) {
    auto updated = Page("<p>Open Monday to Saturday</p>");
    std::string html = Mark(updated, Page("<p>Open Monday to Friday</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Saturday", kUpdate}}));
    EXPECT_NE(html.find("Saturday</span>"), std::string::npos);
    EXPECT_NE(html.find("PelmorID"), std::string::npos);
}

TEST_F(Marking, WordInTheMiddleTakesItsBlank) {
    auto updated = Page("<p>We are open Monday to Friday</p>");
    Mark(updated, Page("<p>We were open Monday to Friday</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"are ", kUpdate}}));
}

TEST_F(Marking, WordsFollowTheRenderedText) {
    // Line breaks and indentation in the source read as single blanks.
    auto updated = Page("<p>\n    Open Monday\n    to   Saturday\n  </p>");
    Mark(updated, Page("<p>Open Monday to Friday</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Saturday", kUpdate}}));
}

TEST_F(Marking, TextChangedThroughoutIsPaintedWhole) {
    auto updated = Page("<p>Completely different words</p>");
    Mark(updated, Page("<p>Nothing alike here</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Completely different words", kUpdate}}));
}

TEST_F(Marking, NumbersPairUpUnlessShown) {
    auto updated = Page("<p>Total 12 items</p>");
    Mark(updated, Page("<p>Total 10 items</p>"));
    ASSERT_EQ(engine.GetChanges()->Count(), 1u);  // recorded: the text is not a number
    EXPECT_TRUE(PaintedText(updated).empty());

    engine.SetShowNumbers(true);
    updated = Page("<p>Total 12 items</p>");
    Mark(updated, Page("<p>Total 10 items</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"12 ", kUpdate}}));
}

TEST_F(Marking, InsertedRowAndItsFirstCell) {
    auto updated = Page("<table><tr><td>a</td><td>1</td></tr><tr><td>new row here</td><td>2</td></tr></table>");
    Mark(updated, Page("<table><tr><td>a</td><td>1</td></tr></table>"));
    auto records = engine.GetChanges();
    ASSERT_EQ(records->Count(), 1u);
    EXPECT_EQ(records->Item(0).ActionType(), dfInsertNode);
    EXPECT_EQ(Tag(updated, "TR", 1).style().backgroundColor(), kInsert);
    EXPECT_EQ(Tag(updated, "TD", 2).style().backgroundColor(), kInsert);
    EXPECT_EQ(Tag(updated, "TD", 3).style().backgroundColor(), "");
    EXPECT_EQ(Tag(updated, "TR", 0).style().backgroundColor(), "");
}

TEST_F(Marking, InsertedTextIsPaintedInTheInsertColour) {
    auto updated = Page("<div>Intro <b>bold</b> added tail</div>");
    Mark(updated, Page("<div>Intro <b>bold</b></div>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"added tail", kInsert}}));
}

TEST_F(Marking, RenamedImageGetsABorder) {
    engine.SetShowPics(true);
    auto updated = Page("<p>Logo</p><img src='img/new.png'>");
    Mark(updated, Page("<p>Logo</p><img src='img/old.png'>"));
    html::Style style = Tag(updated, "IMG").style();
    EXPECT_EQ(style.borderColor(), kUpdate);
    EXPECT_EQ(style.borderWidth(), "3px");
    EXPECT_EQ(style.borderStyle(), "solid");
}

TEST_F(Marking, ElementHoldingAnImageGetsBorderAndBackground) {
    auto updated = Page("<div><p>one</p><p>two <img src='a.png'></p></div>");
    Mark(updated, Page("<div><p>one</p></div>"));
    html::Style style = Tag(updated, "P", 1).style();
    EXPECT_EQ(style.backgroundColor(), kInsert);
    EXPECT_EQ(style.borderColor(), kInsert);
}

TEST_F(Marking, LossOnlyPaintsTheGrandparentRed) {
    auto updated = Page("<section><div><p>one</p></div></section>");
    Mark(updated, Page("<section><div><p>one</p><p>two lost</p></div></section>"));
    ASSERT_EQ(engine.GetChanges()->Count(), 1u);
    EXPECT_EQ(Tag(updated, "SECTION").style().backgroundColor(), "#FF0000");
    EXPECT_EQ(Tag(updated, "DIV").style().backgroundColor(), "");
}

TEST_F(Marking, LossBesideAnotherChangeIsNotPainted) {
    auto updated = Page("<section><div><p>one</p></div></section><p>Open Monday to Saturday</p>");
    Mark(updated, Page("<section><div><p>one</p><p>two lost</p></div></section><p>Open Monday to Friday</p>"));
    EXPECT_EQ(Tag(updated, "SECTION").style().backgroundColor(), "");
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Saturday", kUpdate}}));
}

TEST_F(Marking, InverseColourRules) {
    engine.SetUseInverse(true);
    auto onWhite = Page("<p>Completely different words</p>");
    Mark(onWhite, Page("<p>Nothing alike here</p>"));
    EXPECT_EQ(PaintedText(onWhite), (std::vector<Painted>{{"Completely different words", kUpdate}}));

    auto onYellow = Page("<div style='background-color: #FFFF00'><p>Completely different words</p></div>");
    Mark(onYellow, Page("<div style='background-color: #FFFF00'><p>Nothing alike here</p></div>"));
    EXPECT_EQ(PaintedText(onYellow), (std::vector<Painted>{{"Completely different words", "#FFFFFF"}}));

    // The colour number's hexadecimal text is cut into three groups, each inverted.
    auto blue = Page("<p><font color='#123456'>Completely different words</font></p>");
    Mark(blue, Page("<p><font color='#123456'>Nothing alike here</font></p>"));
    EXPECT_EQ(PaintedText(blue), (std::vector<Painted>{{"Completely different words", "#A9CBED"}}));
    // Red is the number FF: a missing middle group reads as 0.
    auto red = Page("<p><font color='#FF0000'>Completely different words</font></p>");
    Mark(red, Page("<p><font color='#FF0000'>Nothing alike here</font></p>"));
    EXPECT_EQ(PaintedText(red), (std::vector<Painted>{{"Completely different words", "#00FF00"}}));

    // Inserts never invert.
    auto inserted = Page("<div style='background-color: #FFFF00'>Intro <b>bold</b> added tail</div>");
    Mark(inserted, Page("<div style='background-color: #FFFF00'>Intro <b>bold</b></div>"));
    EXPECT_EQ(PaintedText(inserted), (std::vector<Painted>{{"added tail", kInsert}}));
}

TEST_F(Marking, MarkedElementLeavesTheRestAlone) {
    const char* before = "<table><tr><td>Open Monday to Friday</td></tr></table><p>Open Monday to Friday</p>";
    const char* after = "<table><tr><td>Open Monday to Saturday</td></tr></table><p>Open Monday to Saturday</p>";
    auto updated = Page(after);
    std::string html = engine.GetMarkedElement(updated, Page(before), "TABLE(0)", kInsert, kUpdate);
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Saturday", kUpdate}}));
    EXPECT_NE(html.find("<p>Open Monday to Saturday</p>"), std::string::npos);
    // A path naming nothing marks the whole body.
    updated = Page(after);
    engine.GetMarkedElement(updated, Page(before), "UL(0),LI(3)", kInsert, kUpdate);
    EXPECT_EQ(PaintedText(updated).size(), 2u);
}

TEST_F(Marking, ResultDocumentTakesThePaint) {
    const char* after = "<p>Open Monday to Saturday</p><ul><li>one</li><li>fresh item</li></ul>";
    auto updated = Page(after);
    auto result = Page(after);
    engine.GetMarkedHTML(Page("<p>x</p>"), Page("<p>y</p>"), kInsert, kUpdate);  // stores the colours
    std::string html = engine.SetMarkedHTML(result, updated, Page("<p>Open Monday to Friday</p><ul><li>one</li></ul>"));
    EXPECT_TRUE(PaintedText(updated).empty());
    EXPECT_EQ(html, updated->body().innerHTML());
    EXPECT_EQ(PaintedText(result), (std::vector<Painted>{{"Saturday", kUpdate}}));
    EXPECT_EQ(Tag(result, "LI", 1).style().backgroundColor(), kInsert);
}

TEST_F(Marking, MarkedBodyUsesStoredColours) {
    auto updated = Page("<p>Open Monday to Saturday</p>");
    html::Element body = engine.GetMarkedBody(updated, Page("<p>Open Monday to Friday</p>"));
    EXPECT_EQ(body, updated->body());
    EXPECT_TRUE(PaintedText(updated).empty());  // a fresh engine holds no colours
    EXPECT_EQ(engine.GetChanges()->Count(), 1u);
}

TEST_F(Marking, ChangesInUnshownTextPaintNothingElsewhere) {
    auto updated = Page("<h1>Welcome to our shop</h1><p>Today only a big sale</p><script>window.cfg={id:\"a1b2c4\"}</script>"
                        "<style>p{color:red}</style><noscript>Enable it</noscript><textarea>new</textarea>"
                        "<select><option>S<option>XL</select>");
    Mark(updated, Page("<h1>Welcome to our shop</h1><p>Today only a sale</p><script>window.cfg={id:\"a1b2c3\"}</script>"
                       "<style>p{color:blue}</style><noscript>Enable</noscript><textarea>old</textarea>"
                       "<select><option>S<option>M</select>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"big ", kUpdate}}));
    EXPECT_NE(
        pelmor::test::ReadFile(home.Data() / "PelmorCompare.log").find("The text of the element to paint is not shown"),
        std::string::npos);
}

TEST_F(Marking, WithoutColoursNothingIsPaintedButChangesAreListed) {
    auto updated = Page("<p>Open Monday to Saturday</p><p>new</p>");
    std::string html = engine.GetMarkedHTML(updated, Page("<p>Open Monday to Friday</p>"));
    EXPECT_EQ(Count(html, "background-color"), 0u);
    EXPECT_EQ(engine.GetChanges()->Count(), 2u);
}

TEST_F(Marking, HugeTextIsPaintedWordByWord) {
    std::string words;
    for (int i = 0; i < 7000; ++i) words += "w" + std::to_string(i) + " ";
    auto updated = Page("<p>" + words + "changed</p>");
    Mark(updated, Page("<p>" + words + "before</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"changed", kUpdate}}));
}

TEST_F(Marking, ManyWordsStillPaintOnlyTheChangedWords) {
    std::string before, after;
    for (int i = 0; i < 6000; ++i) {
        std::string word = "w" + std::to_string(i % 10) + " ";
        before += i == 20 ? "old " : word;
        after += i == 5980 ? word + "new " : word;  // 6001 x 6001 words: beyond the table
    }
    auto updated = Page("<p>" + after + "end</p>");
    Mark(updated, Page("<p>" + before + "end</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"w0 ", kUpdate}, {"new ", kUpdate}}));
}

TEST_F(Marking, DeepTreesDoNotExhaustTheStack) {
    auto nested = [](int depth, const std::string& text) {
        std::string page;
        for (int i = 0; i < depth; ++i) page += "<div>";
        page += text;
        for (int i = 0; i < depth; ++i) page += "</div>";
        return page;
    };
    // Far beyond the depth the parser keeps: the walk still finds the one change.
    auto updated = Page(nested(3000, "Open Monday to Saturday"));
    Mark(updated, Page(nested(3000, "Open Monday to Friday")));
    ASSERT_EQ(engine.GetChanges()->Count(), 1u);
    EXPECT_EQ(engine.GetChanges()->Item(0).NewNode().nodeValue(), "Open Monday to Saturday");
    // Below that depth the word is painted as anywhere else.
    updated = Page(nested(400, "Open Monday to Saturday"));
    Mark(updated, Page(nested(400, "Open Monday to Friday")));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Saturday", kUpdate}}));
}

// Texts struck through by the marking, in document order.
std::vector<std::string> RemovedTexts(const Document& page) {
    std::vector<std::string> out;
    for (const html::Element& del : page->getElementsByTagName("DEL"))
        if (del.getAttribute("PelmorMark") == "remove") out.push_back(TextUnder(del));
    return out;
}

class ShowingRemoved : public Marking {
protected:
    ShowingRemoved() { engine.SetShowRemoved(true); }
};

TEST_F(ShowingRemoved, LostSentenceStandsWhereItWasAndTheRestIsUnpainted) {
    auto updated = Page("<p>The ferry leaves at seven.</p>");
    std::string html = Mark(updated, Page("<p>The ferry leaves at seven. Tickets are sold on board.</p>"));
    EXPECT_TRUE(PaintedText(updated).empty());
    EXPECT_EQ(RemovedTexts(updated), (std::vector<std::string>{"Tickets are sold on board."}));
    EXPECT_EQ(updated->body().innerText(), "The ferry leaves at seven. Tickets are sold on board.");
    // A replaced word: the old one struck through just before the new one.
    updated = Page("<p>Open Monday to Saturday</p>");
    Mark(updated, Page("<p>Open Monday to Friday</p>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Saturday", kUpdate}}));
    EXPECT_EQ(updated->body().innerText(), "Open Monday to Friday Saturday");
}

TEST_F(ShowingRemoved, ListWithOneItemInAndOneOutLeavesTheOthersAlone) {
    auto list = [](std::vector<std::string> items) {
        std::string html = "<ul>\n";
        for (const std::string& item : items) html += "<li>" + item + "</li>\n";
        return Page(html + "</ul>");
    };
    auto updated = list({"alpha", "bravo", "new entry", "charlie", "delta", "foxtrot", "golf"});
    Mark(updated, list({"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf"}));
    auto records = engine.GetChanges();
    ASSERT_EQ(records->Count(), 2u);
    EXPECT_EQ(records->Item(0).ActionType(), dfInsertNode);
    EXPECT_EQ(records->Item(0).NewNode().AsElement().innerText(), "new entry");
    EXPECT_EQ(records->Item(1).ActionType(), dfRemoveNode);
    EXPECT_EQ(records->Item(1).OriginalNode().AsElement().innerText(), "echo");
    EXPECT_EQ(Tag(updated, "LI", 2).style().backgroundColor(), kInsert);
    // The lost item is a list item of its own, between delta and foxtrot.
    EXPECT_EQ(Tag(updated, "LI", 5).innerText(), "echo");
    EXPECT_EQ(RemovedTexts(updated), (std::vector<std::string>{"echo"}));
    for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) EXPECT_EQ(Tag(updated, "LI", i).style().backgroundColor(), "") << i;
}

TEST_F(ShowingRemoved, LostParagraphAndImageShowBesideOtherChanges) {
    auto updated = Page("<div><p>one</p><p>three</p></div><p>Open Monday to Saturday</p>"
                        "<table><tr><td>kept</td></tr></table>");
    Mark(updated, Page("<div><p>one</p><p>two went</p><p>three</p></div><p>Open Monday to Friday</p>"
                       "<table><tr><td>kept</td></tr><tr><td>row</td><td>gone</td></tr></table>"
                       "<img src='/pics/harbour.jpg'>"));
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"Saturday", kUpdate}}));
    EXPECT_EQ(RemovedTexts(updated), (std::vector<std::string>{"two went", "Friday", "row gone", "harbour.jpg"}));
    EXPECT_EQ(Tag(updated, "DIV").innerText(), "one\n\ntwo went\n\nthree");
    // A lost row stays a row, so the page parsed again keeps it inside the table.
    EXPECT_EQ(Tag(updated, "TR", 1).innerText(), "row gone");
    EXPECT_EQ(Tag(updated, "TD", 1).getAttribute("colspan"), "2");
}

TEST_F(ShowingRemoved, ListOfFortyThousandAndOneGetsItsOneInsert) {
    std::string items;
    for (int i = 0; i < 40000; ++i) items += "<li>item " + std::to_string(i) + "</li>";
    auto updated = Page("<ul>" + items + "<li>the new one</li></ul>");
    Mark(updated, Page("<ul>" + items + "</ul>"));
    ASSERT_EQ(engine.GetChanges()->Count(), 1u);
    EXPECT_EQ(engine.GetChanges()->Item(0).Position(), 40000);
    EXPECT_EQ(Tag(updated, "LI", 40000).style().backgroundColor(), kInsert);
}

// The page being marked, watched by the clock below.
const Document* markedPage = nullptr;

// Time stands still until the first change is painted, then jumps an hour ahead.
SteadyTime JumpAfterFirstPaint() {
    static const SteadyTime start = std::chrono::steady_clock::now();
    bool painted = markedPage && (*markedPage)->getElementsByTagName("SPAN").length() > 0;
    return painted ? start + std::chrono::hours(1) : start;
}

TEST_F(Marking, PastItsTimeLimitMarkingKeepsItsPaintAndLogsTheRest) {
    std::string before, after;
    for (int i = 0; i < 5; ++i) {
        before += "<p>old " + std::to_string(i) + "</p>";
        after += "<p>new " + std::to_string(i) + "</p>";
    }
    auto updated = Page(after);
    markedPage = &updated;
    SetDeadlineClock(JumpAfterFirstPaint);
    std::string html = Mark(updated, Page(before));
    SetDeadlineClock(nullptr);
    markedPage = nullptr;
    // The whole page was compared; one change is painted and the page still comes back.
    EXPECT_EQ(engine.GetChanges()->Count(), 5u);
    EXPECT_EQ(PaintedText(updated), (std::vector<Painted>{{"new 0", kUpdate}}));
    EXPECT_EQ(Count(html, "background-color"), 1u);
    EXPECT_NE(html.find("new 4"), std::string::npos);
    EXPECT_NE(pelmor::test::ReadFile(home.Data() / "PelmorCompare.log")
                  .find("Marking stopped at its time limit: 4 changes were not marked"),
              std::string::npos);
}

}  // namespace
}  // namespace pelmor::sorrel
