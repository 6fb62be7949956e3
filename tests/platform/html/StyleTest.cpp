// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/html/Html.h"

namespace pelmor::html {
namespace {

Element FirstOf(const Document& doc, const char* tag) { return doc.getElementsByTagName(tag).item(0); }

TEST(HtmlStyle, SettersWriteValidCssIntoTheStyleAttribute) {
    auto doc = Document::Parse("<img src=a.gif style='margin: 0; BORDER-COLOR: blue'>");
    Element img = FirstOf(*doc, "IMG");
    Style style = img.style();
    EXPECT_EQ(style.borderColor(), "blue");
    EXPECT_TRUE(style.SetBorderColor("FFFF00"));  // no "#", as inverse colours come
    EXPECT_TRUE(style.SetBorderWidth("3"));
    EXPECT_TRUE(style.SetBorderStyle("Solid"));
    EXPECT_TRUE(style.SetBackgroundColor("#0f0"));
    EXPECT_EQ(img.getAttribute("style"),
              "margin: 0; BORDER-COLOR: #FFFF00; border-width: 3px; border-style: solid; "
              "background-color: #00FF00");
    EXPECT_EQ(style.borderWidth(), "3px");
    EXPECT_EQ(style.backgroundColor(), "#00FF00");
    // The page parses back with the same style.
    auto again = Document::Parse(doc->body().innerHTML());
    EXPECT_EQ(FirstOf(*again, "IMG").style().borderColor(), "#FFFF00");
}

TEST(HtmlStyle, ColourFormsAndBadValues) {
    auto doc = Document::Parse("<td style='color: red'>x</td>");
    Element td = doc->body();
    Style s = td.style();
    EXPECT_TRUE(s.SetBackgroundColor("Yellow"));
    EXPECT_EQ(s.backgroundColor(), "yellow");
    EXPECT_TRUE(s.SetBackgroundColor("  #abcdef "));
    EXPECT_EQ(s.backgroundColor(), "#ABCDEF");
    EXPECT_TRUE(s.SetBackgroundColor("rgb(255, 0, 10)"));
    EXPECT_EQ(s.backgroundColor(), "#FF000A");
    // Values that are not colours, widths or styles leave the style as it was.
    EXPECT_FALSE(s.SetBackgroundColor("#GGHHII"));
    EXPECT_FALSE(s.SetBackgroundColor("red; position: fixed"));
    EXPECT_FALSE(s.SetBorderWidth("wide"));
    EXPECT_FALSE(s.SetBorderStyle("wavy"));
    EXPECT_EQ(s.backgroundColor(), "#FF000A");
    EXPECT_TRUE(s.SetBorderWidth("2.5em"));
    EXPECT_EQ(s.borderWidth(), "2.5em");
    // An empty value removes the property.
    EXPECT_TRUE(s.SetBackgroundColor(""));
    EXPECT_EQ(s.backgroundColor(), "");
    EXPECT_EQ(td.getAttribute("style"), "border-width: 2.5em");
    EXPECT_FALSE(Style().SetBackgroundColor("red"));
}

TEST(HtmlStyle, DeclarationsWithSemicolonsInsideValuesSurvive) {
    auto doc = Document::Parse("<p style='background: url(\"a;b.png\"); color: red'>x</p>");
    Style s = FirstOf(*doc, "P").style();
    EXPECT_EQ(s.getPropertyValue("background"), "url(\"a;b.png\")");
    s.SetBackgroundColor("red");
    EXPECT_EQ(FirstOf(*doc, "P").getAttribute("style"),
              "background: url(\"a;b.png\"); color: red; background-color: red");
}

}  // namespace
}  // namespace pelmor::html
