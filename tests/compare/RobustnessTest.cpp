// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "compare/Compare.h"
#include "tests/compare/Pages.h"
#include "tests/support/TempHome.h"

namespace pelmor::sorrel {
namespace {

using test::Page;

// Random markup from a small vocabulary: nested blocks, tables, lists, images, dates,
// numbers, no-break spaces, comments and stray end tags.
std::string RandomBody(std::mt19937& random, int depth = 0) {
    static const char* kTexts[] = {"Open Monday to Friday", "Total 12 items", "13/12/2004 10:15", "42", "",
                                   "  ", "caf\xC3\xA9 &nbsp; bar", "a  b", "\n\t", "Price $1,000.50", "x"};
    static const char* kBlocks[] = {"div", "p", "span", "b", "li", "ul", "td", "tr", "table", "pre", "font"};
    std::string out;
    int children = static_cast<int>(random() % 5);
    for (int i = 0; i < children; ++i) {
        switch (random() % 6) {
            case 0:
            case 1:
                out += kTexts[random() % std::size(kTexts)];
                break;
            case 2:
                out += "<img src='p/" + std::to_string(random() % 3) + ".png'>";
                break;
            case 3:
                out += random() % 2 ? "<!-- note -->" : "</div>";
                break;
            default: {
                if (depth > 6) break;
                const char* tag = kBlocks[random() % std::size(kBlocks)];
                out += std::string("<") + tag + ">" + RandomBody(random, depth + 1) + "</" + tag + ">";
            }
        }
    }
    return out;
}

TEST(Robustness, RandomPagePairsAreComparedAndMarkedWithoutFault) {
    pelmor::test::TempHome home;
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round) {
        std::string a = RandomBody(random), b = RandomBody(random);
        Compare engine;
        engine.SetShowNumbers(round % 2 == 0);
        engine.SetShowTimeDiff(round % 3 == 0);
        engine.SetShowPics(round % 5 == 0);
        engine.SetUseInverse(round % 7 == 0);
        engine.SetShowRemoved(round % 2 == 1);
        EXPECT_FALSE(engine.IsChange(Page(a), Page(a))) << a;
        engine.IsChange(Page(a), Page(b));
        auto updated = Page(b);
        std::string marked = engine.GetMarkedHTML(updated, Page(a), "#00FF00", "#FFFF00");
        EXPECT_EQ(marked, updated->body().innerHTML());
        EXPECT_EQ(engine.GetMarkedHTML(Page(b), Page(b), "#00FF00", "#FFFF00").find("background-color"),
                  std::string::npos);
        auto result = Page(b);
        engine.SetMarkedHTML(result, Page(b), Page(a));
        engine.GetMarkedElement(Page(b), Page(a), "DIV(0),P(1)", "#00FF00", "#FFFF00");
    }
}

}  // namespace
}  // namespace pelmor::sorrel
