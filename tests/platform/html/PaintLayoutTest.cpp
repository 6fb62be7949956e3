// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/html/Html.h"

namespace pelmor::html {
namespace {

// Pages with the shapes painting has to cut through: inline markup, entities, runs of
// white space inside and across elements, preformatted text, tables, line breaks.
const char* const kPages[] = {
    "<p>Alpha  <b> beta </b>\n\n gamma&amp;delta <i>eps<u>il</u>on</i>  </p>"
    "<div>caf\xC3\xA9 &nbsp; na\xC3\xAFve<br>next   line<br><br> <span>  </span> tail</div>",
    "<pre>\n  keep   the\n\tspaces <b>and  tabs</b>\n</pre>after <em>pre</em>  text"
    "<ul><li>one  two</li><li> <a href=x>three</a> four </li></ul>",
    "<table><tr><td> cell  one </td><td>cell<br>two</td></tr><tr><td></td><td><i>x</i> y</td></tr></table>"
    "<p>a<script>hidden()</script> b <!-- note --> c<textarea> t  a </textarea>d</p>   e  f",
};

// The range over characters [from, to) of the body's text.
TextRange RangeOf(const Document& doc, long from, long to) {
    TextRange r = doc.body().createTextRange();
    r.setEndPoint("EndToStart", r);
    r.moveEnd("character", to);
    r.moveStart("character", from);
    return r;
}

std::string Html(const Document& doc) { return doc.documentElement().outerHTML(); }

// Every question a text range answers must come out the same on `doc` as on `fresh`.
void ExpectSameAnswers(const Document& doc, const Document& fresh, std::mt19937& random) {
    TextRange all = doc.body().createTextRange(), freshAll = fresh.body().createTextRange();
    ASSERT_EQ(all.text(), freshAll.text());
    ElementList elements = doc.getElementsByTagName("*"), freshElements = fresh.getElementsByTagName("*");
    ASSERT_EQ(elements.length(), freshElements.length());
    for (size_t i = 0; i < elements.length(); ++i) {
        TextRange a = all.duplicate(), b = freshAll.duplicate();
        ASSERT_EQ(a.moveToElementText(elements.item(i)), b.moveToElementText(freshElements.item(i)));
        EXPECT_EQ(a.StartPosition(), b.StartPosition()) << elements.item(i).outerHTML();
        EXPECT_EQ(a.EndPosition(), b.EndPosition()) << elements.item(i).outerHTML();
    }
    long length = all.EndPosition();
    for (int i = 0; i < 8 && length > 0; ++i) {
        long at = long(random() % length), size = 1 + long(random() % 6);
        std::string needle = RangeOf(fresh, at, at + size).text();
        long from = long(random() % length);
        TextRange a = RangeOf(doc, from, length), b = RangeOf(fresh, from, length);
        ASSERT_EQ(a.findText(needle), b.findText(needle)) << needle;
        EXPECT_EQ(a.StartPosition(), b.StartPosition()) << needle;
        EXPECT_EQ(a.EndPosition(), b.EndPosition()) << needle;
        EXPECT_EQ(a.text(), b.text());
    }
}

TEST(HtmlPaintLayout, PaintingManyRangesAnswersAsAFreshlyParsedPage) {
    std::mt19937 random(20261208);
    for (const char* page : kPages) {
        auto doc = Document::Parse(page);
        const long length = doc->body().createTextRange().EndPosition();
        ASSERT_GT(length, 10);
        for (int step = 0; step < 60; ++step) {
            long from = long(random() % length), to = from + 1 + long(random() % (step % 3 == 0 ? length : 5));
            // The same paint on a page read from scratch must cut the same text.
            auto fresh = Document::Parse(Html(*doc));
            bool painted = RangeOf(*doc, from, to).execCommand("BackColor", false, step % 2 ? "#ffff00" : "red");
            ASSERT_EQ(painted, RangeOf(*fresh, from, to).execCommand("BackColor", false, step % 2 ? "#ffff00" : "red"));
            ASSERT_EQ(Html(*doc), Html(*fresh)) << "step " << step << " [" << from << ", " << to << ")";
            auto reread = Document::Parse(Html(*doc));
            ExpectSameAnswers(*doc, *reread, random);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(HtmlPaintLayout, TextChangesAfterPaintingAreSeen) {
    auto doc = Document::Parse("<p>one two three</p><p>four</p>");
    ASSERT_TRUE(RangeOf(*doc, 4, 7).execCommand("BackColor", false, "red"));
    EXPECT_EQ(doc->body().createTextRange().text(), "one two three\n\nfour");
    // An edit that is not a paint still makes the text be read again.
    ASSERT_TRUE(doc->getElementsByTagName("span").item(0).SetInnerText("2"));
    EXPECT_EQ(doc->body().createTextRange().text(), "one 2 three\n\nfour");
    TextRange r = doc->body().createTextRange();
    EXPECT_TRUE(r.findText("2 three"));
    EXPECT_EQ(r.StartPosition(), 4);
}

}  // namespace
}  // namespace pelmor::html
