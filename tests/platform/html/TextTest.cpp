// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "platform/html/Html.h"

namespace pelmor::html {
namespace {

std::string BodyText(std::string_view html) { return Document::Parse(html)->body().innerText(); }

TEST(HtmlInnerText, WhiteSpaceCollapsesAcrossInlineElements) {
    EXPECT_EQ(BodyText("  Hello \n\t <b> big </b>  <i>world</i>  "), "Hello big world");
    EXPECT_EQ(BodyText("a<span> </span>b"), "a b");
    EXPECT_EQ(BodyText("a<!-- c -->b"), "ab");
    // No-break spaces are content: they neither collapse nor vanish at line ends.
    EXPECT_EQ(BodyText("&nbsp; a&nbsp;&nbsp;b &nbsp;"), "\u00A0 a\u00A0\u00A0b \u00A0");
}

TEST(HtmlInnerText, BlocksBreaksAndCells) {
    EXPECT_EQ(BodyText("<div>one</div><div>two</div>three"), "one\ntwo\nthree");
    EXPECT_EQ(BodyText("<p>one</p><p>two</p>"), "one\n\ntwo");
    EXPECT_EQ(BodyText("<div><div><p>x</p></div></div>y"), "x\n\ny");
    EXPECT_EQ(BodyText("a<br>b<br><br>c"), "a\nb\n\nc");
    EXPECT_EQ(BodyText("<ul><li>1 </li><li> 2</li></ul>"), "1\n2");
    EXPECT_EQ(BodyText("<table><tr><td>a </td><td> b</td></tr><tr><th>c</th></tr></table>"), "a\tb\nc");
    EXPECT_EQ(BodyText("<h1>T</h1>text<hr>end"), "T\ntext\nend");
}

TEST(HtmlInnerText, HiddenContentGivesNothing) {
    auto doc = Document::Parse(
        "<head><title>T</title><style>p{}</style><script>var a;</script></head>"
        "<body>a<script>x()</script><style>b{}</style><noscript>n</noscript><select><option>o</select>"
        "<textarea>t</textarea><template>q</template>b</body>");
    // The options of a SELECT are the one form content that reads as text, a line each.
    EXPECT_EQ(doc->body().innerText(), "a\no\nb");
    EXPECT_EQ(doc->documentElement().innerText(), "a\no\nb");
    // A hidden element read on its own gives its plain text.
    EXPECT_EQ(doc->getElementsByTagName("SCRIPT").item(1).innerText(), "x()");
}

TEST(HtmlInnerText, PreformattedTextKeepsItsWhiteSpace) {
    EXPECT_EQ(BodyText("<pre>\n  a  b\n c</pre>d"), "  a  b\n c\nd");
    EXPECT_EQ(BodyText("x <pre> y </pre> z"), "x\n y \nz");
    auto doc = Document::Parse("<pre>a<b>  b  </b></pre>");
    EXPECT_EQ(doc->getElementsByTagName("B").item(0).innerText(), "  b  ");
}

}  // namespace
}  // namespace pelmor::html
