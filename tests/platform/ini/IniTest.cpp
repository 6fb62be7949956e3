// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/core/Failure.h"
#include "platform/ini/Ini.h"
#include "support/TempHome.h"

namespace pelmor::ini {
namespace {

class IniFileTest : public ::testing::Test {
protected:
    std::string Path() const { return (home_.Root() / "test.ini").string(); }
    void Write(const std::string& bytes) { test::WriteFile(Path(), bytes); }
    std::string Read() const { return test::ReadFile(Path()); }
    std::string Get(std::string_view section, std::string_view key, std::string_view def = "<none>",
                    size_t size = 2048) const {
        return GetPrivateProfileString(section, key, def, Path(), size);
    }

    test::TempHome home_;
};

TEST_F(IniFileTest, LookupIgnoresCaseAndCleansValues) {
    Write(
        "[Prefs]\n"
        "  Plain =  some text  \n"
        "Quoted=\"  kept inside  \"\n"
        "Single=' x '\n"
        "Mismatched=\"half'\n"
        "Twice=\"\"a\"\"\n"
        "Empty=\n"
        "Path=C:\\a=b\n"
        "[Other]\n"
        "Plain=other\n");
    EXPECT_EQ(Get("prefs", "PLAIN"), "some text");
    EXPECT_EQ(Get("PREFS", "quoted"), "  kept inside  ");
    EXPECT_EQ(Get("Prefs", "Single"), " x ");
    EXPECT_EQ(Get("Prefs", "Mismatched"), "\"half'");
    EXPECT_EQ(Get("Prefs", "Twice"), "\"a\"");
    EXPECT_EQ(Get("Prefs", "Empty"), "");
    EXPECT_EQ(Get("Prefs", "Path"), "C:\\a=b");
    EXPECT_EQ(Get("other", "plain"), "other");
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesDefault) {
    EXPECT_EQ(Get("Prefs", "Plain", "fallback"), "fallback");
    Write("; Plain=commented\n[Prefs]\n;Missing=no\nPlain=1\n[Next]\nMissing=elsewhere\n");
    EXPECT_EQ(Get("Prefs", "Missing", "fallback"), "fallback");
    EXPECT_EQ(Get("Nowhere", "Plain", "fallback"), "fallback");
    EXPECT_EQ(Get("Prefs", "Plain", "fallback"), "1");
}

TEST_F(IniFileTest, ResultIsCutToBufferSizeMinusOne) {
    std::string longValue(5000, 'x');
    Write("[A]\nLong=" + longValue + "\nWide=\xC3\xA9\xC3\xA9\xC3\xA9\n");
    EXPECT_EQ(Get("A", "Long").size(), 2047u);
    EXPECT_EQ(Get("A", "Long", "", 10), "xxxxxxxxx");
    EXPECT_EQ(Get("A", "Long", "", 1), "");
    EXPECT_EQ(Get("A", "Long", "", 0), "");
    EXPECT_EQ(Get("A", "Missing", "defaultvalue", 5), "defa");
    // Characters, not bytes: two accented letters stay whole.
    EXPECT_EQ(Get("A", "Wide", "", 3), "\xC3\xA9\xC3\xA9");
}

TEST_F(IniFileTest, ReplacingAValueKeepsEveryOtherLine) {
    const std::string before =
        "; Pelmor settings\n"
        "\n"
        "[Unknown]\n"
        "Foo = bar ; not a comment\n"
        "\n"
        "[preferences]\n"
        "# hash comment\n"
        "  AutoCheck = False\n"
        "Toolbar=True\n"
        "\n"
        "[Form]\n"
        "Top=0";
    Write(before);
    WritePrivateProfileString("Preferences", "AUTOCHECK", "True", Path());
    std::string expected = before;
    expected.replace(expected.find("  AutoCheck = False"), 19, "  AutoCheck=True");
    EXPECT_EQ(Read(), expected);

    // A new key goes after the section's last key, before the blank separator; a new
    // section goes at the end, after one blank line.
    WritePrivateProfileString("Preferences", "StatusBar", "False", Path());
    WritePrivateProfileString("Font", "Name", "MS Sans Serif", Path());
    expected.replace(expected.find("Toolbar=True\n"), 13, "Toolbar=True\nStatusBar=False\n");
    expected += "\n\n[Font]\nName=MS Sans Serif\n";
    EXPECT_EQ(Read(), expected);
    EXPECT_EQ(Get("Form", "Top"), "0");
    EXPECT_EQ(Get("Unknown", "Foo"), "bar ; not a comment");
}

TEST_F(IniFileTest, CrlfFilesStayCrlfAndByteOrderMarkIsKept) {
    Write("\xEF\xBB\xBF[A]\r\nX=1\r\n");
    WritePrivateProfileString("a", "x", "2", Path());
    WritePrivateProfileString("a", "y", "3", Path());
    WritePrivateProfileString("B", "z", "4", Path());
    EXPECT_EQ(Read(), "\xEF\xBB\xBF[A]\r\nX=2\r\ny=3\r\n\r\n[B]\r\nz=4\r\n");
    EXPECT_EQ(Get("A", "X"), "2");
}

TEST_F(IniFileTest, WritingCreatesFileAndSection) {
    WritePrivateProfileString("Locations", "XMLFile", "/home/u/Files.XML", Path());
    EXPECT_EQ(Read(), "[Locations]\nXMLFile=/home/u/Files.XML\n");
    WritePrivateProfileString("Locations", "Empty", "", Path());
    EXPECT_EQ(Get("Locations", "Empty"), "");
}

TEST_F(IniFileTest, DeletingKeysAndSections) {
    Write("[A]\nx=1\ny=2\n\n[B]\n; about B\nz=3\n\n[C]\nw=4\n");
    WritePrivateProfileString("a", "X", std::nullopt, Path());
    EXPECT_EQ(Read(), "[A]\ny=2\n\n[B]\n; about B\nz=3\n\n[C]\nw=4\n");
    WritePrivateProfileString("b", std::nullopt, std::nullopt, Path());
    EXPECT_EQ(Read(), "[A]\ny=2\n\n[C]\nw=4\n");
    EXPECT_EQ(Get("B", "z", "gone"), "gone");

    // Deleting what is not there leaves the file alone and creates nothing.
    auto stamp = std::filesystem::last_write_time(Path());
    WritePrivateProfileString("Nowhere", "k", std::nullopt, Path());
    WritePrivateProfileString("Nowhere", std::nullopt, std::nullopt, Path());
    EXPECT_EQ(std::filesystem::last_write_time(Path()), stamp);
    std::string missing = (home_.Root() / "none.ini").string();
    WritePrivateProfileString("A", std::nullopt, std::nullopt, missing);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(IniFileTest, TextsThatWouldBreakTheFileAreRefused) {
    Write("[A]\nx=1\n");
    const std::string before = Read();
    EXPECT_THROW(WritePrivateProfileString("A", "x", "1\n[Evil]\ny=2", Path()), Failure);
    EXPECT_THROW(WritePrivateProfileString("A", "k=v", "1", Path()), Failure);
    EXPECT_THROW(WritePrivateProfileString("A]", "k", "1", Path()), Failure);
    EXPECT_THROW(WritePrivateProfileString("A", ";k", "1", Path()), Failure);
    EXPECT_EQ(Read(), before);
}

TEST_F(IniFileTest, WriteIntoMissingFolderFailsWithoutLeftovers) {
    std::string path = (home_.Root() / "no" / "such" / "test.ini").string();
    EXPECT_THROW(WritePrivateProfileString("A", "x", "1", path), Failure);
    EXPECT_FALSE(std::filesystem::exists(home_.Root() / "no"));
}

TEST_F(IniFileTest, UnreadableFileIsAnErrorNotADefault) {
    // A folder where the file should be cannot be read as a file.
    std::filesystem::create_directory(Path());
    EXPECT_THROW(Get("A", "x"), Failure);
    EXPECT_THROW(WritePrivateProfileString("A", "x", "1", Path()), Failure);
}

}  // namespace
}  // namespace pelmor::ini
