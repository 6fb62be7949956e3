// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "platform/html/Html.h"

namespace pelmor::html {
namespace {

// Serialising and parsing again gives the same tree, hence the same text again.
void ExpectRoundTrip(std::string_view html) {
    auto doc = Document::Parse(html);
    std::string first = doc->documentElement().outerHTML();
    auto again = Document::Parse(first);
    EXPECT_EQ(again->documentElement().outerHTML(), first) << html;
}

TEST(HtmlSerialize, EscapesTextAndAttributes) {
    auto doc = Document::Parse("<p title='a \"q\" &amp; <b>'>1 &lt; 2 &amp;&nbsp;3 &gt; 0</p>");
    EXPECT_EQ(doc->body().innerHTML(),
              "<p title=\"a &quot;q&quot; &amp; <b>\">1 &lt; 2 &amp;&nbsp;3 &gt; 0</p>");
    EXPECT_EQ(doc->body().children().item(0).outerHTML(), doc->body().innerHTML());
}

TEST(HtmlSerialize, RawTextVoidElementsAndComments) {
    auto doc = Document::Parse(
        "<head><script>if (a < b && c) {}</script><style>p > b {}</style></head>"
        "<body><br><img src=x><input value=v><!-- note --><textarea>&lt;x&gt;</textarea></body>");
    EXPECT_EQ(doc->getElementsByTagName("HEAD").item(0).innerHTML(),
              "<script>if (a < b && c) {}</script><style>p > b {}</style>");
    EXPECT_EQ(doc->body().innerHTML(),
              "<br><img src=\"x\"><input value=\"v\"><!-- note --><textarea>&lt;x&gt;</textarea>");
}

TEST(HtmlSerialize, RoundTrips) {
    ExpectRoundTrip("<p>Hello <b>world</b><br>next &amp; last&nbsp;</p>");
    ExpectRoundTrip("<pre>\n\nleading line feeds</pre><textarea>\nx</textarea><listing>\ny</listing>");
    ExpectRoundTrip("<table><tr><td>1<td>2</table><ul><li>a<li>b</ul>");
    ExpectRoundTrip("<svg viewBox='0 0 1 1'><foreignObject><p>x</p></foreignObject>"
                    "<a xlink:href='#y'>l</a></svg><math><mi>x</mi></math>");
    ExpectRoundTrip("<div><custom-tag data-x='1'>c</custom-tag><!--c--></div><script>a</b></script>");
    ExpectRoundTrip("<p><b><i>misnested</b></i></p><a href=1>x<a href=2>y");
}

TEST(HtmlSerialize, ControlCharactersSurviveTheRoundTrip) {
    auto doc = Document::Parse("<p title='a&#1;b'>x&#x1;y&#13;z\tw</p>");
    Element p = doc->body().children().item(0);
    EXPECT_EQ(p.getAttribute("title"), "a\x01" "b");
    EXPECT_EQ(p.firstChild().nodeValue(), "x\x01y\rz\tw");
    EXPECT_EQ(p.outerHTML(), "<p title=\"a&#1;b\">x&#1;y&#13;z\tw</p>");
    auto again = Document::Parse(p.outerHTML());
    EXPECT_EQ(again->body().children().item(0).firstChild().nodeValue(), "x\x01y\rz\tw");
}

TEST(HtmlSerialize, PelmorIdShowsOnEveryMarkedElement) {
    auto doc = Document::Parse("<div><p>x</p></div>");
    for (Element e : doc->body().getElementsByTagName("*")) e.setAttribute("PelmorID", "7");
    EXPECT_EQ(doc->body().innerHTML(), "<div PelmorID=\"7\"><p PelmorID=\"7\">x</p></div>");
}

// A string literal with any bytes in it, NULs included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

TEST(HtmlParse, AnyBytesParse) {
    // Invalid UTF-8 becomes U+FFFD, in text, attributes and tag names alike.
    auto doc = Document::Parse(Bytes("<p a='\xff'>x\xc3\x28y\xed\xa0\x80z</p><q\xfe>w</q\xfe>\0tail"));
    Element p = doc->body().children().item(0);
    EXPECT_EQ(p.getAttribute("a"), "\uFFFD");
    EXPECT_EQ(p.innerText(), "x\uFFFD(y\uFFFD\uFFFD\uFFFDz");
    EXPECT_EQ(doc->body().children().item(1).nodeName(), "Q\uFFFD");
    ExpectRoundTrip(Bytes("<p>\xc0\xaf</p><\xff>"));
    // Character references that overflow give valid text too.
    const char* overflow = "<p>&#111111111111111111, &#0; &#xD800;</p>";
    EXPECT_EQ(Document::Parse(overflow)->body().innerText(), "\uFFFD, \uFFFD \uFFFD");
    ExpectRoundTrip(overflow);
}

// Element levels from the root element (level 1) down through the body's first children.
int LevelsThroughBody(const Document& doc, Node* deepest = nullptr) {
    int levels = 1;
    for (Node n = doc.body(); n && n.IsElement(); n = n.firstChild()) {
        ++levels;
        if (deepest) *deepest = n;
    }
    return levels;
}

TEST(HtmlParse, DepthIsCappedAndDeepPagesStayFast) {
    const int kLevels = 200000;
    std::string html;
    for (int i = 0; i < kLevels; ++i) html += "<div>";
    html += "deep";
    for (int i = 0; i < 10; ++i) html += "<span>s</span>";
    auto doc = Document::Parse(html);
    EXPECT_EQ(LevelsThroughBody(*doc), 512);
    // Nothing is lost: the text is all there, and serialising, reading the text and
    // tearing down do not recurse.
    std::string text = doc->body().innerText();
    EXPECT_EQ(text.substr(0, 4), "deep");
    EXPECT_EQ(text.size(), 4u + 10u);
    EXPECT_GT(doc->body().outerHTML().size(), 1000u);
}

TEST(HtmlParse, SloppyButShallowPagesKeepTheirShape) {
    // Thousands of unclosed inline and self-closing elements inside closed blocks never
    // make a deep tree, so nothing of them is rearranged.
    std::string html;
    for (int i = 0; i < 3000; ++i) html += "<div><span><font>x</div><p>y<li>z<a href=1>w";
    auto doc = Document::Parse(html);
    ElementList divs = doc->body().children();
    EXPECT_EQ(divs.item(0).innerHTML(), "<span><font>x</font></span>");
    size_t spans = doc->getElementsByTagName("SPAN").length();
    EXPECT_EQ(spans, 3000u);
    for (Element span : doc->getElementsByTagName("SPAN")) ASSERT_EQ(span.parentNode().nodeName(), "DIV");
}

TEST(HtmlParse, ElementsBeyondTheCapAttachAtTheCapInOrder) {
    std::string html;
    for (int i = 0; i < 520; ++i) html += "<div>";
    html += "<b>1</b><i>2</i>";
    auto doc = Document::Parse(html);
    Node last;
    EXPECT_EQ(LevelsThroughBody(*doc, &last), 512);
    EXPECT_EQ(doc->body().innerText(), "12");
    EXPECT_EQ(last.parentNode().lastChild().previousSibling().nodeName(), "B");
    EXPECT_EQ(last.parentNode().lastChild().nodeName(), "I");
}

}  // namespace
}  // namespace pelmor::html
