// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/text/Unicode.h"
#include "platform/text/Utf16.h"

namespace pelmor::text {
namespace {

TEST(Windows1252, AsciiAndLatin1KeepTheirCodes) {
    EXPECT_EQ(Windows1252Code(U'a'), 97);
    EXPECT_EQ(Windows1252Code(U' '), 32);
    EXPECT_EQ(Windows1252Code(0xA0), 160);
    EXPECT_EQ(Windows1252Code(U'é'), 0xE9);
    EXPECT_EQ(Windows1252Code(U'ÿ'), 0xFF);
}

TEST(Windows1252, TypographicRowMapsToItsCodes) {
    EXPECT_EQ(Windows1252Code(U'€'), 0x80);
    EXPECT_EQ(Windows1252Code(U'…'), 0x85);
    EXPECT_EQ(Windows1252Code(U'’'), 0x92);
    EXPECT_EQ(Windows1252Code(U'—'), 0x97);
    EXPECT_EQ(Windows1252Code(U'Ÿ'), 0x9F);
}

TEST(Windows1252, CharactersOutsideTheCodePageCountAsQuestionMark) {
    EXPECT_EQ(Windows1252Code(U'ā'), 63);
    EXPECT_EQ(Windows1252Code(U'中'), 63);
    EXPECT_EQ(Windows1252Code(0x1F600), 63);
    EXPECT_EQ(Windows1252Code(0x81), 63);  // a C1 control, not a typographic character
}

TEST(CodePoints, RoundTripAndInvalidBytes) {
    std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(ToU32(text), std::u32string(U"aé€\U0001F600"));
    EXPECT_EQ(ToUtf8(ToU32(text)), text);
    EXPECT_EQ(CodePointCount(text), 4u);
    // A lone continuation byte and an overlong encoding each become one replacement.
    EXPECT_EQ(ToU32("x\x80y"), std::u32string(U"x\uFFFDy"));
    EXPECT_EQ(ToU32("\xC0\xAF"), std::u32string(U"\uFFFD\uFFFD"));
    EXPECT_EQ(CodePointCount("x\x80y"), 3u);
}

TEST(CodePoints, FoldingLowersLettersBeyondAscii) {
    EXPECT_EQ(FoldChar(U'A'), U'a');
    EXPECT_EQ(FoldChar(U'É'), U'é');
    EXPECT_EQ(FoldChar(U'Ж'), U'ж');
    EXPECT_EQ(FoldChar(U'7'), U'7');
}

TEST(Utf16, EncodesWithBomAndDecodesBack) {
    std::string bytes = EncodeUtf16LeWithBom("A\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(bytes, std::string("\xFF\xFE" "A\0" "\xAC\x20" "\x3D\xD8\x00\xDE", 10));
    EXPECT_EQ(DecodeFileText(bytes), "A\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(Utf16, BadInputDecodesWithoutLoss) {
    // An unpaired high surrogate and a trailing odd byte.
    EXPECT_EQ(DecodeUtf16Le(std::string("\x3D\xD8" "B\0" "x", 5)), "\xEF\xBF\xBD" "B");
    EXPECT_EQ(DecodeUtf16Le(""), "");
}

TEST(FileText, BomDecidesTheEncoding) {
    EXPECT_EQ(DecodeFileText(std::string("\xFE\xFF\0A", 4)), "A");
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBFhi"), "hi");
    EXPECT_EQ(DecodeFileText("<p>plain</p>"), "<p>plain</p>");
}

}  // namespace
}  // namespace pelmor::text
