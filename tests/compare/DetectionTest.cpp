// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "compare/Compare.h"
#include "tests/compare/Pages.h"
#include "tests/support/TempHome.h"

namespace pelmor::sorrel {
namespace {

using test::Page;

struct Options {
    bool timeDiff = false;
    bool pics = false;
    bool numbers = false;
};

class Detection : public ::testing::Test {
protected:
    bool Changed(std::string_view original, std::string_view updated, Options options = {}) {
        Compare engine;
        engine.SetShowTimeDiff(options.timeDiff);
        engine.SetShowPics(options.pics);
        engine.SetShowNumbers(options.numbers);
        return engine.IsChange(Page(original), Page(updated));
    }
    pelmor::test::TempHome home;
};

TEST_F(Detection, DatesCountOnlyWhenShown) {
    EXPECT_FALSE(Changed("<p>Updated 13/12/2004</p>", "<p>Updated 14/12/2004</p>", {.numbers = true}));
    EXPECT_TRUE(Changed("<p>Updated 13/12/2004</p>", "<p>Updated 14/12/2004</p>", {.timeDiff = true, .numbers = true}));
    // Hours and minutes are masked, seconds are not.
    EXPECT_FALSE(Changed("<p>at 10:15:30</p>", "<p>at 11:20:30</p>", {.numbers = true}));
    EXPECT_TRUE(Changed("<p>at 10:15:30</p>", "<p>at 10:15:31</p>", {.numbers = true}));
}

TEST_F(Detection, DigitsCountOnlyWhenShown) {
    EXPECT_FALSE(Changed("<p>Price 10</p>", "<p>Price 12</p>"));
    EXPECT_TRUE(Changed("<p>Price 10</p>", "<p>Price 12</p>", {.numbers = true}));
    EXPECT_TRUE(Changed("<p>Price 10</p>", "<p>Cost 10</p>"));
}

TEST_F(Detection, PicturesCountOnlyWhenShownAndMarkupSurvives) {
    const char* before = "<p>Logo</p><img src='img/old.png'>";
    const char* after = "<p>Logo</p><img src='img/new.png'>";
    EXPECT_FALSE(Changed(before, after, {.timeDiff = true, .numbers = true}));
    EXPECT_TRUE(Changed(before, after, {.timeDiff = true, .pics = true, .numbers = true}));
    // Masking turns the body into plain text, and the images go with it.
    EXPECT_FALSE(Changed(before, after, {.pics = true}));
}

TEST_F(Detection, CaseCountsBlanksDoNot) {
    EXPECT_TRUE(Changed("<p>Hello world</p>", "<p>hello world</p>"));
    EXPECT_FALSE(Changed("<p>Hello world</p>", "<p>Hello&nbsp;&nbsp;world </p>"));
    EXPECT_FALSE(Changed("<p>Hello world</p>", "<p class='new'>Hello world</p>", {.timeDiff = true, .numbers = true}));
}

TEST_F(Detection, SelectOptionsCountAsText) {
    const char* sizes = "<p>Size <select><option>S<option>M<option>L</select></p>";
    EXPECT_TRUE(Changed(sizes, "<p>Size <select><option>S<option>M<option>L<option>XL</select></p>"));
    EXPECT_FALSE(Changed(sizes, "<p>Size <select><option>S<option>M<option>L</select></p><script>x=2</script>"));
}

TEST_F(Detection, MaskingRewritesBothBodies) {
    Compare engine;
    auto original = Page("<p>on 13/12/2004 we had 42 <b>items</b></p>");
    auto updated = Page("<p>on 14/12/2004 we had 43 <b>items</b></p>");
    EXPECT_FALSE(engine.IsChange(original, updated));
    EXPECT_EQ(updated->body().innerText(), "on 00/00/00 we had 00 items");
    EXPECT_EQ(updated->body().getElementsByTagName("B").length(), 0u);
    EXPECT_TRUE(updated->body().hasAttribute("PelmorID"));
}

TEST_F(Detection, OneElementByPath) {
    const char* before = "<table><tbody><tr><td>a</td></tr><tr><td>b</td></tr></tbody></table><p>x</p>";
    const char* after = "<table><tbody><tr><td>a</td></tr><tr><td>B!</td></tr></tbody></table><p>y</p>";
    Compare engine;
    EXPECT_FALSE(engine.IsElementChange(Page(before), Page(after), "TABLE(0),TBODY(0),TR(0)"));
    EXPECT_TRUE(engine.IsElementChange(Page(before), Page(after), "TABLE(0),TBODY(0),TR(1)"));
    // A path naming nothing compares the deepest element reached: here the two bodies.
    EXPECT_TRUE(engine.IsElementChange(Page(before), Page(after), "DIV(3),P(0)"));
    EXPECT_FALSE(engine.IsElementChange(Page(before), Page(before), "DIV(3),P(0)"));
    // A malformed path is a failure: logged, no change.
    EXPECT_FALSE(engine.IsElementChange(Page(before), Page(after), "TABLE"));
    EXPECT_NE(pelmor::test::ReadFile(home.Data() / "PelmorCompare.log").find("Error:"), std::string::npos);
}

TEST_F(Detection, TimeOutOnEitherSide) {
    std::string big;
    for (int i = 0; i < 40; ++i) big += "<p>paragraph</p>";
    double now = 0;
    Compare engine([&] { return now += 1.0; });  // every node costs a second
    engine.SetShowTimeDiff(true);
    engine.SetShowNumbers(true);
    EXPECT_FALSE(engine.IsChange(Page(big), Page("<p>other</p>")));  // original too large
    EXPECT_TRUE(engine.TimedOut());
    EXPECT_TRUE(engine.IsChange(Page("<p>same</p>"), Page("<p>same</p>" + big)));  // new too large
    EXPECT_TRUE(engine.IsChange(Page(big), Page(big)) == false);
}

TEST_F(Detection, MissingDocumentIsAFailureNotACrash) {
    Compare engine;
    EXPECT_FALSE(engine.IsChange(nullptr, Page("<p>x</p>")));
    EXPECT_FALSE(engine.IsElementChange(Page("<p>x</p>"), nullptr, "P(0)"));
    const std::string log = pelmor::test::ReadFile(home.Data() / "PelmorCompare.log");
    EXPECT_NE(log.find("Number: 91\r\nSource: Sorrel\r\nDescription: No document given"), std::string::npos) << log;
}

}  // namespace
}  // namespace pelmor::sorrel
