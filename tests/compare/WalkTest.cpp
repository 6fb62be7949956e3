// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "compare/Compare.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "tests/compare/Pages.h"
#include "tests/support/TempHome.h"

namespace pelmor::sorrel {
namespace {

using test::Page;
using test::Tag;

class Walk : public ::testing::Test {
protected:
    std::string CompareLog() { return pelmor::test::ReadFile(home.Data() / "PelmorCompare.log"); }

    // Hashes both bodies and walks them into a fresh edit script.
    std::vector<EditScript> Records(const Document& updated, const Document& original) {
        engine.GetMarkedHTML(updated, original);
        auto changes = engine.GetChanges();
        return changes ? std::vector<EditScript>(changes->begin(), changes->end()) : std::vector<EditScript>{};
    }

    pelmor::test::TempHome home;
    Compare engine;
};

TEST_F(Walk, FingerprintsIgnoreBlanksAndAttributesButNotCase) {
    auto a = Page("<div class='x'><p>a b</p></div>");
    auto b = Page("<div id='y'><p style='color:red'>a&nbsp;b</p></div>");
    auto c = Page("<div><p>A B</p></div>");
    int32_t ha = engine.NodeHash(a->body());
    EXPECT_EQ(ha, 97 * 2 + 98 * 3);
    EXPECT_EQ(engine.NodeHash(b->body()), ha);
    EXPECT_NE(engine.NodeHash(c->body()), ha);
    // Every hashed element carries its subtree's fingerprint.
    EXPECT_EQ(Tag(a, "P").getAttribute("PelmorID"), "488");
    EXPECT_EQ(Tag(a, "DIV").getAttribute("PelmorID"), "488");
    EXPECT_EQ(a->body().getAttribute("PelmorID"), "488");
    EXPECT_TRUE(Records(b, a).empty());
}

TEST_F(Walk, WhiteSpaceChildrenDoNotCountInTheHashButDoInTheWalk) {
    auto tight = Page("<ul><li>one</li><li>two</li></ul>");
    auto loose = Page("<ul>\n  <li>one</li>\n  <li>two</li>\n</ul>");
    EXPECT_EQ(engine.NodeHash(tight->body()), engine.NodeHash(loose->body()));
    // The bodies hash equal, so the walk stops at once.
    EXPECT_TRUE(Records(loose, tight).empty());
}

TEST_F(Walk, NumbersAndPicturesCountOnlyWhenShown) {
    auto a = Page("<p>42</p><img src='pics/a.png'>");
    auto b = Page("<p>43</p><img src='other/b.png'>");
    EXPECT_EQ(engine.NodeHash(a->body()), 0);
    EXPECT_TRUE(Records(b, a).empty());
    engine.SetShowNumbers(true);
    EXPECT_EQ(engine.NodeHash(a->body()), StringHash("42"));
    auto records = Records(Page("<p>43</p>"), Page("<p>42</p>"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ActionType(), dfUpdateNode);
    EXPECT_EQ(records[0].NewNode().nodeValue(), "43");
    EXPECT_EQ(records[0].OriginalNode().nodeValue(), "42");
    engine.SetShowNumbers(false);
    engine.SetShowPics(true);
    EXPECT_EQ(engine.NodeHash(b->body()), StringHash("b.png"));
    records = Records(Page("<img src='x/b.png'>"), Page("<img src='y/a.png'>"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0].NewNode().AsElement().IsImage());
}

TEST_F(Walk, HashingStopsWhenItsBudgetRunsOut) {
    double now = 0;
    Compare slow([&] { return now += 1.0; });  // every reading one second later
    auto page = Page("<div><p>1</p><p>2</p><p>3</p><p>4</p><p>5</p><p>6</p><p>7</p><p>8</p><p>9</p></div>");
    slow.SetShowTimeDiff(true);
    slow.SetShowNumbers(true);
    EXPECT_FALSE(slow.IsChange(page, Page("<p>x</p>")));
    EXPECT_TRUE(slow.TimedOut());
    EXPECT_TRUE(Tag(page, "P", 0).hasAttribute("PelmorID"));
    // The last paragraphs were never reached, so they carry no fingerprint.
    EXPECT_FALSE(Tag(page, "P", 8).hasAttribute("PelmorID"));
}

TEST_F(Walk, RemovalBeforeAMatchingChild) {
    auto original = Page("<div><h2>Alpha</h2><p>Xylophone text</p></div>");
    auto updated = Page("<div><p>Xylophone text</p></div>");
    auto records = Records(updated, original);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ActionType(), dfRemoveNode);
    EXPECT_EQ(records[0].Position(), 0);
    EXPECT_EQ(records[0].NewNode(), html::Node(Tag(updated, "DIV")));
    EXPECT_EQ(records[0].OriginalNode(), html::Node(Tag(original, "H2")));
}

TEST_F(Walk, RemovalsCountPositionsInTheOriginal) {
    auto original = Page("<ul><li>one</li><li>two</li><li>three</li><li>four</li></ul>");
    auto updated = Page("<ul><li>one</li><li>four</li></ul>");
    auto records = Records(updated, original);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Position(), 1);
    EXPECT_EQ(records[0].OriginalNode().AsElement().innerText(), "two");
    EXPECT_EQ(records[1].Position(), 2);
    EXPECT_EQ(records[1].OriginalNode().AsElement().innerText(), "three");
}

TEST_F(Walk, InsertionsCountPositionsInTheNewPage) {
    auto original = Page("<ul><li>one</li><li>two</li></ul>");
    auto updated = Page("<ul><li>one</li><li>a brand new item</li><li>two</li><li>extra</li></ul>");
    auto records = Records(updated, original);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].ActionType(), dfInsertNode);
    EXPECT_EQ(records[0].Position(), 1);
    EXPECT_EQ(records[0].NewNode().AsElement().innerText(), "a brand new item");
    EXPECT_FALSE(records[0].OriginalNode());
    EXPECT_EQ(records[1].Position(), 3);
    EXPECT_EQ(records[1].NewNode().AsElement().innerText(), "extra");
}

TEST_F(Walk, RecordsFollowTheTreeDepthFirst) {
    auto original = Page("<div><p>first old</p></div><div><p>second old</p></div>");
    auto updated = Page("<div><p>first new</p></div><div><span>second new</span></div>");
    auto records = Records(updated, original);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].NewNode().nodeValue(), "first new");  // text nodes differ
    EXPECT_EQ(records[1].NewNode().nodeName(), "SPAN");       // different node names
    EXPECT_EQ(records[1].OriginalNode().nodeName(), "P");
}

TEST_F(Walk, DatesAndCommentsAreNotChanges) {
    auto records = Records(Page("<p>Updated 14/12/2004 10:15</p><!--b-->"), Page("<p>Updated 13/12/2004 09:00</p><!--a-->"));
    EXPECT_TRUE(records.empty());
    engine.SetShowTimeDiff(true);
    records = Records(Page("<p>Updated 14/12/2004 10:15</p>"), Page("<p>Updated 13/12/2004 09:00</p>"));
    EXPECT_EQ(records.size(), 1u);
}

TEST_F(Walk, SimilarityThresholdIsStrict) {
    auto a = Page("<p>abcdefghij</p><p>abcdefghXY</p><p>abcdefgXYZ</p><span>abcdefghij</span><p>100</p><p>2,000,000</p>");
    html::Element p0 = Tag(a, "P", 0), p1 = Tag(a, "P", 1), p2 = Tag(a, "P", 2);
    EXPECT_TRUE(engine.IsSimilar(p1, p0));   // distance 2 < 3
    EXPECT_FALSE(engine.IsSimilar(p2, p0));  // distance 3 is not below 3
    EXPECT_FALSE(engine.IsSimilar(Tag(a, "SPAN"), p0));
    EXPECT_TRUE(engine.IsSimilar(Tag(a, "P", 3), Tag(a, "P", 4)));  // both numbers
    engine.SetShowNumbers(true);
    EXPECT_TRUE(engine.IsSimilar(Tag(a, "P", 3), Tag(a, "P", 4)));
}

TEST_F(Walk, LongTextsAreComparedWithoutOverflow) {
    // A clock that stands still: the answer must come from the bounded distance itself.
    Compare patient([] { return 0.0; });
    std::mt19937 random(7);
    auto text = [&](size_t length) {
        std::string out;
        for (size_t i = 0; i < length; ++i) out += char('a' + random() % 26);
        return out;
    };
    std::string first = text(100000), other = text(100000), edited = first;
    for (size_t i = 500; i < edited.size(); i += 2000) edited[i] = '#';  // 50 scattered edits
    auto page = Page("<p>" + first + "</p><p>" + edited + "</p><p>" + other + "</p>");
    EXPECT_TRUE(patient.IsSimilar(Tag(page, "P", 1), Tag(page, "P", 0)));
    EXPECT_FALSE(patient.IsSimilar(Tag(page, "P", 2), Tag(page, "P", 0)));
    auto flat = Page("<p>" + std::string(40000, 'a') + "</p><p>" + std::string(40000, 'b') + "</p>");
    EXPECT_FALSE(engine.IsSimilar(Tag(flat, "P", 0), Tag(flat, "P", 1)));
    EXPECT_EQ(engine.LD(std::string(32768, 'a'), "b"), 32768);
    EXPECT_EQ(CompareLog().find("Number: 6"), std::string::npos);
}

TEST_F(Walk, DistanceBudgetMakesTextsSimilar) {
    double now = 0;
    Compare slow([&] { return now += 0.5; });
    auto a = Page("<p>" + std::string(5000, 'a') + "</p><p>" + std::string(5000, 'b') + "</p>");
    EXPECT_TRUE(slow.IsSimilar(Tag(a, "P", 0), Tag(a, "P", 1)));
    EXPECT_FALSE(engine.IsSimilar(Tag(a, "P", 0), Tag(a, "P", 1)));
}

TEST_F(Walk, NodeTextAddsImageNames) {
    auto a = Page("<p>Hi <b>there</b></p><img src='/x/y/pic.gif'>");
    EXPECT_EQ(engine.GetNodeText(Tag(a, "P")), "Hi there");
    EXPECT_EQ(engine.GetNodeText(Tag(a, "IMG")), "pic.gif");
    EXPECT_EQ(engine.GetNodeText(Tag(a, "B").firstChild()), "there");
}

TEST_F(Walk, ElementPathsNameOneElement) {
    auto page = Page("<p>x</p><table><tbody><tr><td>a</td></tr><tr><td>b</td></tr><tr><td>c</td><td>d</td></tr>"
                     "</tbody></table>");
    html::Element row = Tag(page, "TR", 2);
    EXPECT_EQ(engine.GetElementPath(row), "TABLE(0),TBODY(0),TR(2)");
    EXPECT_EQ(engine.GetElementPath(Tag(page, "TD", 3)), "TABLE(0),TBODY(0),TR(2),TD(1)");
    EXPECT_EQ(engine.GetElementPath(Tag(page, "TD", 3).firstChild()), "TABLE(0),TBODY(0),TR(2),TD(1),#text(0)");
    EXPECT_EQ(engine.GetElementPath(page->body()), "");
    html::Element body = page->body();
    EXPECT_EQ(engine.FindElementByPath(body, "TABLE(0),TBODY(0),TR(2)"), html::Node(row));
    EXPECT_EQ(engine.FindElementByPath(body, "table(0),tbody(0),tr(2)"), html::Node(row));
    EXPECT_EQ(engine.FindElementByPath(body, ""), html::Node(body));
    // A missing child: the deepest element reached.
    EXPECT_EQ(engine.FindElementByPath(body, "TABLE(0),THEAD(0),TR(0)"), html::Node(Tag(page, "TABLE")));
    EXPECT_EQ(engine.FindElementByPath(body, "DIV(0)"), html::Node(body));
    EXPECT_EQ(engine.FindElementByPath(body, "TABLE(0),TBODY(0),TR(7)"), html::Node(Tag(page, "TBODY")));
}

TEST_F(Walk, MalformedPathsFailCleanly) {
    auto page = Page("<table><tbody><tr><td>a</td></tr></tbody></table>");
    EXPECT_FALSE(engine.FindElementByPath(page->body(), "TABLE(0),TBODY"));
    EXPECT_FALSE(engine.FindElementByPath(page->body(), "TABLE(x)"));
    EXPECT_NE(CompareLog().find("Error:"), std::string::npos);
    // A path of a hundred thousand segments is walked without deep recursion.
    std::string deep = "TABLE(0)";
    for (int i = 0; i < 100000; ++i) deep += ",TBODY(0)";
    EXPECT_EQ(engine.FindElementByPath(page->body(), deep), html::Node(Tag(page, "TBODY")));
}

TEST_F(Walk, EditScriptCollectionIsIndexedFromZeroAndKeptByItsHolder) {
    auto first = Page("<p>one</p>");
    engine.GetMarkedHTML(Page("<p>two</p>"), first);
    auto kept = engine.GetChanges();
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->Count(), 1u);
    EXPECT_EQ(kept->Item(0).NewNode().nodeValue(), "two");
    EXPECT_THROW(kept->Item(1), Failure);
    engine.GetMarkedHTML(Page("<p>same</p>"), Page("<p>same</p>"));
    EXPECT_EQ(engine.GetChanges()->Count(), 0u);
    EXPECT_EQ(kept->Count(), 1u);
    EXPECT_EQ(kept->Item(0).NewNode().nodeValue(), "two");  // its documents are still alive
    EXPECT_FALSE(Compare().GetChanges());
}

}  // namespace
}  // namespace pelmor::sorrel
