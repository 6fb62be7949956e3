// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "platform/html/Html.h"

namespace pelmor::html {
namespace {

constexpr long kBlack = 0x000000;
constexpr long kWhite = 0xFFFFFF;

TEST(HtmlTextRange, FindTextIgnoresCaseAndMatchesWhiteSpaceRuns) {
    auto doc = Document::Parse("<p>Alpha <b>beta</b>\n\n gamma</p><div>ALPHA&nbsp;Beta</div>");
    TextRange r = doc->body().createTextRange();
    ASSERT_TRUE(r);
    EXPECT_EQ(r.text(), "Alpha beta gamma\n\nALPHA\u00A0Beta");
    TextRange all = r.duplicate();
    EXPECT_TRUE(r.findText("alpha   BETA"));
    EXPECT_EQ(r.text(), "Alpha beta");
    EXPECT_EQ(r.StartPosition(), 0);
    // The next search starts after the first match, across the block break and the
    // no-break space.
    r.setEndPoint("EndToEnd", all);
    r.moveStart("character", 1);
    EXPECT_TRUE(r.findText("alpha beta"));
    EXPECT_EQ(r.text(), "ALPHA\u00A0Beta");
    EXPECT_TRUE(all.duplicate().findText("gamma alpha"));
    // White space around the text is not part of what is found.
    TextRange g = all.duplicate();
    EXPECT_TRUE(g.findText("\n  gamma "));
    EXPECT_EQ(g.text(), "gamma");
    // A miss leaves the range as it was.
    TextRange miss = all.duplicate();
    EXPECT_FALSE(miss.findText("delta"));
    EXPECT_FALSE(miss.findText("   "));
    EXPECT_EQ(miss.text(), all.text());
}

TEST(HtmlTextRange, FindTextStaysInsideTheElement) {
    auto doc = Document::Parse("<p id=a>one two</p><p id=b>two</p>");
    TextRange r = doc->body().createTextRange();
    Element second = doc->getElementsByTagName("P").item(1);
    ASSERT_TRUE(r.moveToElementText(second));
    EXPECT_EQ(r.text(), "two");
    EXPECT_EQ(r.StartPosition(), 9);
    Element first = doc->getElementsByTagName("P").item(0);
    r.moveToElementText(first);
    EXPECT_FALSE(r.findText("one two two"));
    EXPECT_TRUE(r.findText("two"));
    EXPECT_EQ(r.StartPosition(), 4);
    // The blank between two words belongs to neither element.
    auto words = Document::Parse("<p>one <b> two </b> three</p>");
    TextRange w = words->body().createTextRange();
    ASSERT_TRUE(w.moveToElementText(words->getElementsByTagName("B").item(0)));
    EXPECT_EQ(w.text(), "two");
    // An element outside the body has no text here.
    EXPECT_FALSE(r.moveToElementText(doc->getElementsByTagName("HEAD").item(0)));
}

TEST(HtmlTextRange, MovesCountCharactersNotBytes) {
    auto doc = Document::Parse("<p>é€x𝄞y</p>");
    TextRange r = doc->body().createTextRange();
    EXPECT_EQ(TextLength(r.text()), 5u);
    EXPECT_EQ(r.moveStart("character", 3), 3);
    EXPECT_EQ(r.text(), "𝄞y");
    EXPECT_EQ(r.moveEnd("character", -1), -1);
    EXPECT_EQ(r.text(), "𝄞");
    EXPECT_EQ(r.moveEnd("character", 10), 1);
    EXPECT_EQ(r.moveStart("character", -10), -3);
    EXPECT_EQ(r.moveStart("word", 1), 0);
    // A start moved past the end drags the end along.
    TextRange c = r.duplicate();
    c.moveEnd("character", -4);
    c.moveStart("character", 2);
    EXPECT_EQ(c.StartPosition(), 2);
    EXPECT_EQ(c.EndPosition(), 2);
    EXPECT_EQ(c.text(), "");
}

// The marking walk: find a text, then paint single words by moving along it.
TEST(HtmlTextRange, WordByWordPaintingLandsOnExactCharacters) {
    auto doc = Document::Parse(
        "<p>Open <b>Monday</b> to <a href='x'>Fri&amp;day</a>&nbsp;and <span>Sat</span>urday</p>");
    Element p = doc->getElementsByTagName("P").item(0);
    TextRange work = doc->body().createTextRange();
    work.moveToElementText(p);
    ASSERT_TRUE(work.findText("Open Monday to Fri&day and Saturday"));
    TextRange full = work.duplicate();
    // Skip "Open " and "Monday ".
    work.moveStart("character", 5);
    work.moveStart("character", 7);
    // Paint "to " (the word and its blank).
    TextRange word = work.duplicate();
    word.setEndPoint("EndToStart", word);
    word.moveEnd("character", 3);
    EXPECT_EQ(word.text(), "to ");
    EXPECT_TRUE(word.execCommand("BackColor", true, "#FFFF00"));
    work.moveStart("character", 3);
    // Paint "Fri&day" and its no-break space.
    word = work.duplicate();
    word.setEndPoint("EndToStart", word);
    word.moveEnd("character", 8);
    EXPECT_EQ(word.text(), "Fri&day\u00A0");
    EXPECT_TRUE(word.execCommand("BackColor", true, "FFFF00"));
    work.moveStart("character", 8 + 4);
    // The rest, across the SPAN boundary inside "Saturday".
    TextRange rest = work.duplicate();
    rest.setEndPoint("EndToStart", rest);
    rest.setEndPoint("EndToEnd", full);
    EXPECT_EQ(rest.text(), "Saturday");
    EXPECT_TRUE(rest.execCommand("BackColor", true, "lime"));

    EXPECT_EQ(p.innerHTML(),
              "Open <b>Monday</b> <span style=\"background-color: #FFFF00\">to </span>"
              "<a href=\"x\"><span style=\"background-color: #FFFF00\">Fri&amp;day</span></a>"
              "<span style=\"background-color: #FFFF00\">&nbsp;</span>and "
              "<span><span style=\"background-color: lime\">Sat</span></span>"
              "<span style=\"background-color: lime\">urday</span>");
    // Painting changes no text.
    EXPECT_EQ(p.innerText(), "Open Monday to Fri&day\u00A0and Saturday");
    // The painted page parses back to the same tree.
    auto again = Document::Parse(doc->body().outerHTML());
    EXPECT_EQ(again->body().outerHTML(), doc->body().outerHTML());
}

TEST(HtmlTextRange, PaintingSplitsOnlyTheCoveredText) {
    auto doc = Document::Parse("<div>one two three</div>");
    TextRange r = doc->body().createTextRange();
    ASSERT_TRUE(r.findText("two"));
    EXPECT_EQ(r.queryCommandValue("BackColor"), kWhite);
    ASSERT_TRUE(r.execCommand("backcolor", false, "#00ff00"));
    Element div = doc->getElementsByTagName("DIV").item(0);
    EXPECT_EQ(div.innerHTML(), "one <span style=\"background-color: #00FF00\">two</span> three");
    EXPECT_EQ(div.childNodes().length(), 3u);
    // The range still covers the same characters, now painted.
    EXPECT_EQ(r.text(), "two");
    EXPECT_EQ(r.queryCommandValue("BackColor"), 0x00FF00);
    // Unreadable colours and other commands change nothing.
    TextRange s = doc->body().createTextRange();
    EXPECT_FALSE(s.execCommand("BackColor", true, ""));
    EXPECT_FALSE(s.execCommand("BackColor", true, "#12345"));
    EXPECT_FALSE(s.execCommand("ForeColor", true, "#000000"));
    TextRange empty = s.duplicate();
    empty.setEndPoint("EndToStart", empty);
    EXPECT_FALSE(empty.execCommand("BackColor", true, "red"));
    EXPECT_EQ(div.childNodes().length(), 3u);
}

TEST(HtmlTextRange, ColoursComeFromStylesAttributesAndAncestors) {
    auto doc = Document::Parse(
        "<body text='#102030'>plain"
        "<font color='red'><i>red</i></font>"
        "<div style='color: #00f; background: url(x.png) #ffff00'><b>blue</b></div>"
        "<table bgcolor='00FF00'><tr><td>cell<span style='background-color: transparent'>t</span></td></tr></table>"
        "<a href='#'>link</a><p style='COLOR:Teal !important'>teal</p></body>");
    auto at = [&](const char* text) {
        TextRange r = doc->body().createTextRange();
        EXPECT_TRUE(r.findText(text)) << text;
        return r;
    };
    EXPECT_EQ(at("plain").queryCommandValue("ForeColor"), 0x302010);
    EXPECT_EQ(at("plain").queryCommandValue("BackColor"), kWhite);
    EXPECT_EQ(at("red").queryCommandValue("ForeColor"), 0x0000FF);
    EXPECT_EQ(at("blue").queryCommandValue("ForeColor"), 0xFF0000);
    EXPECT_EQ(at("blue").queryCommandValue("BackColor"), 0x00FFFF);  // yellow
    EXPECT_EQ(at("cell").queryCommandValue("BackColor"), 0x00FF00);
    EXPECT_EQ(at("t").queryCommandValue("BackColor"), 0x00FF00);
    EXPECT_EQ(at("link").queryCommandValue("ForeColor"), 0xEE0000);
    EXPECT_EQ(at("teal").queryCommandValue("ForeColor"), 0x808000);
    EXPECT_EQ(at("plain").queryCommandValue("Bold"), -1);
    auto bare = Document::Parse("<p>x</p>");
    TextRange r = bare->body().createTextRange();
    EXPECT_EQ(r.queryCommandValue("ForeColor"), kBlack);
    EXPECT_EQ(r.queryCommandValue("BackColor"), kWhite);
}

TEST(HtmlTextRange, PaintingLeavesForeignAndSelectContentAlone) {
    auto doc = Document::Parse("<p>a<svg><text>b</text></svg>c</p>");
    TextRange r = doc->body().createTextRange();
    ASSERT_TRUE(r.execCommand("BackColor", true, "red"));
    std::string html = doc->body().innerHTML();
    EXPECT_NE(html.find("<text>b</text>"), std::string::npos) << html;
    auto again = Document::Parse(html);
    EXPECT_EQ(again->body().innerHTML(), html);
}

}  // namespace
}  // namespace pelmor::html

namespace pelmor::html {
namespace {

TEST(HtmlTextRange, PaintingAcrossBlocksWrapsEachPieceInItsOwnParent) {
    auto doc = Document::Parse("<p>one <b>two</b></p><p>three <i>four</i></p><table><tr><td>five</td></tr></table>");
    TextRange r = doc->body().createTextRange();
    ASSERT_TRUE(r.findText("two three four five"));
    ASSERT_TRUE(r.execCommand("BackColor", true, "#ff0000"));
    EXPECT_EQ(doc->body().innerHTML(),
              "<p>one <b><span style=\"background-color: #FF0000\">two</span></b></p>"
              "<p><span style=\"background-color: #FF0000\">three </span>"
              "<i><span style=\"background-color: #FF0000\">four</span></i></p>"
              "<table><tbody><tr><td><span style=\"background-color: #FF0000\">five</span></td></tr></tbody></table>");
    // Painting again over part of it nests the newer colour inside.
    TextRange f = doc->body().createTextRange();
    ASSERT_TRUE(f.findText("our"));
    ASSERT_TRUE(f.execCommand("BackColor", true, "blue"));
    EXPECT_EQ(f.queryCommandValue("BackColor"), 0xFF0000);  // blue, red in the low byte
    TextRange four = doc->body().createTextRange();
    ASSERT_TRUE(four.findText("four"));
    EXPECT_EQ(four.queryCommandValue("BackColor"), 0x0000FF);
}

TEST(HtmlTextRange, PaintingCollapsedWhiteSpaceAndPreformattedText) {
    auto doc = Document::Parse("<div>a  \n <b> b</b></div><pre>x  y\n z</pre>");
    TextRange r = doc->body().createTextRange();
    ASSERT_TRUE(r.findText("a b"));
    ASSERT_TRUE(r.execCommand("BackColor", true, "lime"));
    Element div = doc->getElementsByTagName("DIV").item(0);
    // The blank stands for the whole run of the first text node; the second node's own
    // leading blank was collapsed away and stays outside.
    EXPECT_EQ(div.innerHTML(),
              "<span style=\"background-color: lime\">a  \n </span><b> <span style=\"background-color: lime\">b</span></b>");
    TextRange p = doc->body().createTextRange();
    ASSERT_TRUE(p.findText("y z"));
    EXPECT_EQ(p.text(), "y\n z");
    ASSERT_TRUE(p.execCommand("BackColor", true, "lime"));
    EXPECT_EQ(doc->getElementsByTagName("PRE").item(0).innerHTML(),
              "x  <span style=\"background-color: lime\">y\n z</span>");
    EXPECT_EQ(doc->body().innerText(), "a b\nx  y\n z");
}

TEST(HtmlTextRange, EmptyElementsAndChangedDocuments) {
    auto doc = Document::Parse("<p>ab<span></span>cd<img src=x>ef</p>");
    TextRange r = doc->body().createTextRange();
    ASSERT_TRUE(r.moveToElementText(doc->getElementsByTagName("SPAN").item(0)));
    EXPECT_EQ(r.text(), "");
    EXPECT_TRUE(r.moveToElementText(doc->getElementsByTagName("IMG").item(0)));
    EXPECT_EQ(r.text(), "");
    // A collapsed range searches as far as the count allows.
    TextRange c = doc->body().createTextRange();
    c.setEndPoint("EndToStart", c);
    EXPECT_FALSE(c.findText("ef", 4));
    EXPECT_TRUE(c.findText("ef", 6));
    EXPECT_TRUE(c.setEndPoint("StartToEnd", c));
    EXPECT_EQ(c.StartPosition(), 6);
    EXPECT_FALSE(c.setEndPoint("Sideways", c));
    // After the text shrinks, old ranges are held inside it.
    TextRange all = doc->body().createTextRange();
    doc->body().SetInnerText("xy");
    EXPECT_EQ(all.text(), "xy");
    EXPECT_EQ(all.EndPosition(), 2);
    // Empty bodies and empty handles give empty ranges.
    auto empty = Document::Create();
    TextRange e = empty->body().createTextRange();
    EXPECT_EQ(e.text(), "");
    EXPECT_FALSE(e.findText("a"));
    EXPECT_EQ(e.queryCommandValue("BackColor"), 0xFFFFFF);
    EXPECT_FALSE(TextRange().findText("a"));
    EXPECT_EQ(TextRange().queryCommandValue("ForeColor"), -1);
    EXPECT_FALSE(Element().createTextRange());
    EXPECT_FALSE(empty->getElementsByTagName("HEAD").item(0).createTextRange());
}

TEST(HtmlTextRange, FindTextFoldsAccentedCapitals) {
    auto doc = Document::Parse("<p>ÉTÉ à Ωmega Ñandú ПРИВЕТ</p>");
    TextRange r = doc->body().createTextRange();
    EXPECT_TRUE(r.duplicate().findText("été À ωMEGA ñANDÚ привет"));
}

}  // namespace
}  // namespace pelmor::html
