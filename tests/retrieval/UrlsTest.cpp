// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <limits>

#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Urls.h"
#include "support/TempHome.h"

using pelmor::InternetHandler;
using pelmor::test::ReadFile;
using pelmor::test::TempHome;

namespace {

std::string HelperLog() { return ReadFile(pelmor::log::PathOf(pelmor::log::File::Helper)); }

int32_t Number(const std::string& url, int salt) {
    int32_t sum = 0;
    return pelmor::tamsin::FileNumber(url, [salt] { return salt; }, sum);
}

}  // namespace

TEST(Urls, GuessesMissingProtocolsOnly) {
    TempHome home;
    InternetHandler handler;
    EXPECT_EQ(handler.GetValidURL("www.example.com"), "http://www.example.com/");
    EXPECT_EQ(handler.GetValidURL("ftp.example.org/pub/a.txt"), "ftp://ftp.example.org/pub/a.txt");
    EXPECT_EQ(handler.GetValidURL("localhost:8080/x"), "http://localhost:8080/x");
    EXPECT_EQ(handler.GetValidURL("127.0.0.1:8080/x"), "http://127.0.0.1:8080/x");
    EXPECT_EQ(handler.GetValidURL("HTTPS://Example.com/A"), "HTTPS://Example.com/A");
    EXPECT_EQ(handler.GetValidURL("about:blank"), "about:blank");
    EXPECT_EQ(handler.GetValidURL("/home/me/data/Files/123.html"), "/home/me/data/Files/123.html");
    EXPECT_EQ(handler.GetValidURL(""), "");
    EXPECT_EQ(handler.GetValidURL("not a url"), "not a url");
    EXPECT_EQ(HelperLog(), "");
}

TEST(Urls, WebAddressesOnly) {
    using pelmor::tamsin::WebAddress;
    EXPECT_EQ(WebAddress("  www.example.com "), "http://www.example.com/");
    EXPECT_EQ(WebAddress("127.0.0.1:8080/x"), "http://127.0.0.1:8080/x");
    EXPECT_EQ(WebAddress("HTTPS://Example.com/A"), "HTTPS://Example.com/A");
    for (const char* refused : {"zzz not valid", "", "about:blank", "file:///etc/passwd", "/home/me/a.html",
                                "javascript:alert(1)", "http://", "http://a.example/\tb"})
        EXPECT_EQ(WebAddress(refused), "") << refused;
}

TEST(Urls, HostDropsOnlyALeadingWwwDot) {
    TempHome home;
    InternetHandler handler;
    EXPECT_EQ(handler.GetHostFromURL("WWW.Example.com/a/b"), "Example.com");
    EXPECT_EQ(handler.GetHostFromURL("http://www.www.example.com:81/"), "www.example.com");
    EXPECT_EQ(handler.GetHostFromURL("www2.example.com"), "www2.example.com");
    EXPECT_EQ(handler.GetHostFromURL("http://wwwexample.com/"), "wwwexample.com");
    // No host to take: the validated URL comes back whole, without a log record.
    EXPECT_EQ(handler.GetHostFromURL("file:///tmp/a.html"), "file:///tmp/a.html");
    EXPECT_EQ(handler.GetHostFromURL("about:blank"), "about:blank");
    EXPECT_EQ(HelperLog(), "");
}

TEST(Urls, CombinesRelativeAddresses) {
    TempHome home;
    InternetHandler handler;
    const std::string base = "http://example.com/a/b/page.html?x=1#top";
    EXPECT_EQ(handler.GetCombinedURL(base, "../up.html"), "http://example.com/a/up.html");
    EXPECT_EQ(handler.GetCombinedURL(base, "frame.html"), "http://example.com/a/b/frame.html");
    EXPECT_EQ(handler.GetCombinedURL(base, "/root.html"), "http://example.com/root.html");
    EXPECT_EQ(handler.GetCombinedURL(base, "//cdn.example.net/f"), "http://cdn.example.net/f");
    EXPECT_EQ(handler.GetCombinedURL(base, "#part"), "http://example.com/a/b/page.html?x=1#part");
    EXPECT_EQ(handler.GetCombinedURL(base, "?y=2"), "http://example.com/a/b/page.html?y=2");
    EXPECT_EQ(handler.GetCombinedURL(base, ""), "http://example.com/a/b/page.html?x=1");
    EXPECT_EQ(handler.GetCombinedURL(base, "my page.html"), "http://example.com/a/b/my%20page.html");
    // Absolute relative parts come back as they are.
    EXPECT_EQ(handler.GetCombinedURL(base, "HTTP://Other.com/Y"), "HTTP://Other.com/Y");
    EXPECT_EQ(handler.GetCombinedURL(base, "javascript:void(0)"), "javascript:void(0)");
    EXPECT_EQ(handler.GetCombinedURL(base, "https://x.com/a b"), "https://x.com/a%20b");
    // A saved copy's path serves as a base through its file: URL.
    EXPECT_EQ(handler.GetCombinedURL("/data/Files/1.html", "2.html"), "file:///data/Files/2.html");
    EXPECT_EQ(HelperLog(), "");
    // Nothing to resolve against: "" and a record under the operation's name.
    EXPECT_EQ(handler.GetCombinedURL("about:blank", "x.html"), "");
    EXPECT_NE(HelperLog().find("Param: GetCominedURL"), std::string::npos);
}

TEST(Urls, FileNumberWeighsPositionsAndTakesTheClockPerCharacter) {
    EXPECT_EQ(Number("", 42), 0);
    EXPECT_EQ(Number("ab", 0), 97 * 1 + 98 * 2);
    EXPECT_EQ(Number("ab", 7), (97 + 7) + 98 * 2 + 7);
    EXPECT_NE(Number("http://x.com/", 3), Number("http://x.com/", 4));
    EXPECT_EQ(Number("http://x.com/", 3), Number("http://x.com/", 3));
    // Characters count by their Windows-1252 code; those it lacks count as "?".
    EXPECT_EQ(Number("\xC3\xA9", 0), 0xE9);
    EXPECT_EQ(Number("\xE2\x82\xAC", 0), 0x80);
    EXPECT_EQ(Number("a\xE4\xB8\xAD", 0), 97 + 63 * 2);
    // The salt is read once per character.
    int calls = 0;
    int32_t sum = 0;
    pelmor::tamsin::FileNumber("abcde", [&] { return ++calls; }, sum);
    EXPECT_EQ(calls, 5);
}

TEST(Urls, FileNumberReducesOnOverflowAndNeverHangs) {
    // A sum past 2^31 is taken modulo 100000 and the character computed again.
    std::string url(6000, 'z');
    int64_t expected = 0;
    for (int64_t i = 1; i <= 6000; ++i) {
        if (expected + 'z' * i > std::numeric_limits<int32_t>::max()) expected %= 100000;
        expected += 'z' * i;
    }
    EXPECT_EQ(Number(url, 0), expected);
    EXPECT_GT(expected, 0);

    // Past about 8.4 million characters the product alone overflows; no reduction can cure
    // that, so the operation ends with the sum reached so far and a record.
    TempHome home;
    std::string huge;
    huge.reserve(2 * 8500000);
    for (int i = 0; i < 8500000; ++i) huge += "\xC3\xBF";
    InternetHandler handler;
    int32_t result = handler.GetFileNameFromURL(huge);
    EXPECT_GE(result, 0);
    EXPECT_LT(result, 100000 + 255 * 8421505LL);
    std::string log = HelperLog();
    EXPECT_NE(log.find("Number: 6"), std::string::npos);
    EXPECT_NE(log.find("Param: GetFileNameFromURL"), std::string::npos);
}

TEST(Urls, ClockSaltStaysBelowOneHundred) {
    for (int i = 0; i < 3; ++i) {
        int salt = pelmor::tamsin::ClockSalt();
        EXPECT_GE(salt, 0);
        EXPECT_LT(salt, 100);
    }
}
