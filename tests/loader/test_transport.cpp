// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "loader/Charset.h"
#include "loader/Transport.h"
#include "platform/core/Deadline.h"
#include "platform/log/Log.h"
#include "support/HttpServer.h"
#include "support/Programs.h"
#include "support/TempHome.h"

using namespace pelmor::quillon;
using pelmor::test::Gzip;
using pelmor::test::HttpServer;
using pelmor::test::ReadFile;
using pelmor::test::TempHome;
using pelmor::test::WriteFile;

namespace {

std::string Utf16LeWithBom(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

}  // namespace

TEST(Charset, ChoosesBomThenHeaderThenMetaThenContent) {
    const std::string latin = "<html><head><meta charset=\"utf-8\"></head><body>caf\xE9</body></html>";
    // The header wins over the META tag.
    EXPECT_EQ(DecodePage(latin, "ISO-8859-1", true).find("caf\xC3\xA9") != std::string::npos, true);
    // The META tag decides when the header is silent; both forms of the tag count.
    const std::string meta = "<html><head><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=iso-8859-1'>"
                             "</head><body>\xE0 la</body></html>";
    EXPECT_EQ(DetectCharset(meta, "", true), "WINDOWS-1252");
    EXPECT_NE(DecodePage(meta, "", true).find("\xC3\xA0 la"), std::string::npos);
    // Unless META charsets are switched off: then invalid UTF-8 reads as Windows-1252 anyway,
    // and valid UTF-8 as UTF-8.
    EXPECT_EQ(DetectCharset(meta, "", false), "WINDOWS-1252");
    EXPECT_EQ(DetectCharset("<p>\xC3\xA9</p><meta charset=koi8-r>", "", false), "UTF-8");
    EXPECT_EQ(DetectCharset("<p>\xC3\xA9</p><meta charset=koi8-r>", "", true), "KOI8-R");
    // A BOM beats a header that says otherwise, and is dropped from the text.
    std::string bom = Utf16LeWithBom(u"<p>\u00e9\u4e2d</p>");
    EXPECT_EQ(DetectCharset(bom, "iso-8859-1", true), "UTF-16LE");
    EXPECT_EQ(DecodePage(bom, "iso-8859-1", true), "<p>\xC3\xA9\xE4\xB8\xAD</p>");
    EXPECT_EQ(DecodePage("\xEF\xBB\xBFok", "", true), "ok");
    // A label nobody knows falls through to the content.
    EXPECT_EQ(DetectCharset("plain", "no-such-charset", true), "UTF-8");
}

TEST(Charset, LegacyLabelsReadAsTheSupersetsBrowsersUse) {
    // GBK-only characters under "gb2312", Hangul outside KS X 1001 under "euc-kr" and its
    // old Windows label, and the NEC circled digit and fullwidth tilde under "Shift_JIS".
    EXPECT_EQ(DecodePage("\x81\x40", "gb2312", true), "\xE4\xB8\x82");      // U+4E02
    EXPECT_EQ(DecodePage("\x81\x41", "EUC-KR", true), "\xEA\xB0\x82");      // U+AC02
    EXPECT_EQ(DecodePage("\x81\x41", "ks_c_5601-1987", true), "\xEA\xB0\x82");
    EXPECT_EQ(DecodePage("\x87\x40\x81\x60", "Shift_JIS", true), "\xE2\x91\xA0\xEF\xBD\x9E");
    EXPECT_EQ(DecodePage("\x80", "iso-8859-1", true), "\xE2\x82\xAC");  // the euro sign of windows-1252
    EXPECT_EQ(DecodePage("<p>\x1B$)C\x0E</p>", "iso-2022-kr", true), "\xEF\xBF\xBD");
}

TEST(Charset, BrokenBytesBecomeReplacementCharacters) {
    EXPECT_EQ(ToUtf8("a\xC3(b", "UTF-8"), "a\xEF\xBF\xBD(b");
    // An odd byte at the end of UTF-16 text is replaced, not dropped silently or overread.
    EXPECT_EQ(ToUtf8(std::string("\0a\0bc", 5), "UTF-16BE"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8("\x93quoted\x94", "WINDOWS-1252"), "\xE2\x80\x9Cquoted\xE2\x80\x9D");
}

TEST(Transport, FollowsRedirectChainsAndDecodesGzip) {
    HttpServer server;
    server.Routes().Get("/old", [](const httplib::Request&, httplib::Response& res) {
        res.status = 301;
        res.set_header("Location", "/older");
    });
    server.Routes().Get("/older", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/zipped");
    });
    const std::string page = "<html><body>" + std::string(5000, 'z') + "</body></html>";
    server.Routes().Get("/zipped", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Encoding", "gzip");
        res.set_content(Gzip(page), "text/html; charset=utf-8");
    });
    FetchResult result = FetchUrl(server.Url("/old"), {});
    ASSERT_EQ(result.outcome, FetchOutcome::Loaded) << result.error;
    EXPECT_EQ(result.url, server.Url("/zipped"));
    EXPECT_EQ(result.text, page);
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_NE(server.LastHeader("/zipped", "Accept-Encoding").find("gzip"), std::string::npos);
}

TEST(Transport, EndlessRedirectsAndErrorStatusesFail) {
    HttpServer server;
    server.Routes().Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/loop");
    });
    server.Routes().Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "file:///etc/passwd");
    });
    server.Page("/here", "<p>here</p>");
    FetchResult loop = FetchUrl(server.Url("/loop"), {});
    EXPECT_EQ(loop.outcome, FetchOutcome::Failed);
    EXPECT_LE(server.Hits("/loop"), kMaxRedirects + 1);
    // A redirection to a local file is refused.
    FetchResult local = FetchUrl(server.Url("/to-file"), {});
    EXPECT_EQ(local.outcome, FetchOutcome::Failed);
    EXPECT_EQ(local.text, "");
    // Nor is any protocol but http, https and ftp spoken: a listening local service never
    // even sees a connection.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string service = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    for (const std::string& url : {"gopher://" + service + "/_SET%20owned%201", "dict://" + service + "/x",
                                   "telnet://" + service + "/"}) {
        FetchOptions quick;
        quick.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        EXPECT_EQ(FetchUrl(url, quick).outcome, FetchOutcome::Failed) << url;
    }
    pollfd waiting{listener, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 0), 0) << "a connection reached the local service";
    ::close(listener);
    FetchResult missing = FetchUrl(server.Url("/nothing"), {});
    EXPECT_EQ(missing.outcome, FetchOutcome::Failed);
    EXPECT_EQ(missing.httpStatus, 404);
    // Nothing listens on the port of a stopped server.
    int port = 0;
    {
        HttpServer gone;
        port = gone.Port();
    }
    EXPECT_EQ(FetchUrl("http://127.0.0.1:" + std::to_string(port) + "/", {}).outcome, FetchOutcome::Failed);
}

TEST(Transport, SendsOwnAgentAndNoCacheHeadersOnlyWhenAsked) {
    HttpServer server;
    server.Page("/p", "<p>x</p>");
    FetchOptions plain;
    ASSERT_EQ(FetchUrl(server.Url("/p"), plain).outcome, FetchOutcome::Loaded);
    EXPECT_EQ(server.LastHeader("/p", "User-Agent"), kUserAgent);
    EXPECT_EQ(server.LastHeader("/p", "Accept-Language"), AcceptLanguage());
    EXPECT_EQ(server.LastHeader("/p", "Pragma"), "");
    FetchOptions fresh;
    fresh.noCache = true;
    ASSERT_EQ(FetchUrl(server.Url("/p"), fresh).outcome, FetchOutcome::Loaded);
    EXPECT_EQ(server.LastHeader("/p", "Pragma"), "no-cache");
    EXPECT_EQ(server.LastHeader("/p", "Cache-Control"), "no-cache");
    FetchOptions offline;
    offline.offline = true;
    EXPECT_EQ(FetchUrl(server.Url("/p"), offline).outcome, FetchOutcome::Failed);
    EXPECT_EQ(server.Hits("/p"), 2);
}

TEST(Transport, ReadsLatin1AndUtf8PagesFromHeaderOrMeta) {
    HttpServer server;
    server.Page("/latin", "<p>Gr\xFC\xDF" "e</p>", "text/html; charset=ISO-8859-1");
    server.Page("/meta", "<meta charset=windows-1252><p>\x80</p>", "text/html");
    server.Page("/utf8", "<p>\xE2\x82\xAC</p>", "text/html; charset=UTF-8");
    EXPECT_EQ(FetchUrl(server.Url("/latin"), {}).text, "<p>Gr\xC3\xBC\xC3\x9F" "e</p>");
    EXPECT_EQ(FetchUrl(server.Url("/meta"), {}).text, "<meta charset=windows-1252><p>\xE2\x82\xAC</p>");
    FetchResult utf8 = FetchUrl(server.Url("/utf8"), {});
    EXPECT_EQ(utf8.text, "<p>\xE2\x82\xAC</p>");
    EXPECT_EQ(utf8.charset, "UTF-8");
}

TEST(Transport, CutsBodiesAtTheCapAndLogsIt) {
    TempHome home;
    HttpServer server;
    server.Page("/big", std::string(300000, 'a'));
    FetchOptions options;
    options.maxBytes = 100000;
    FetchResult result = FetchUrl(server.Url("/big"), options);
    ASSERT_EQ(result.outcome, FetchOutcome::Loaded) << result.error;
    EXPECT_TRUE(result.truncated);
    EXPECT_EQ(result.text.size(), 100000u);
    std::string log = ReadFile(pelmor::log::PathOf(pelmor::log::File::Helper));
    EXPECT_NE(log.find("Page cut at 100000 bytes: " + server.Url("/big")), std::string::npos);

    // A saved copy of a page read up to the cap is UTF-16, twice its size: it reads whole.
    WriteFile(home.Root() / "copy.html", Utf16LeWithBom(std::u16string(100000, u'b')));
    FetchResult copy = ReadLocalFile((home.Root() / "copy.html").string(), options);
    EXPECT_FALSE(copy.truncated);
    EXPECT_EQ(copy.text.size(), 100000u);
    WriteFile(home.Root() / "big.html", std::string(300000, 'b'));
    FetchResult file = ReadLocalFile((home.Root() / "big.html").string(), options);
    EXPECT_TRUE(file.truncated);
    EXPECT_EQ(file.text.size(), pelmor::quillon::LocalFileCap(100000));
}

TEST(Transport, GivesUpAtTheDeadline) {
    HttpServer server;
    server.Routes().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        res.set_content("<p>late</p>", "text/html");
    });
    FetchOptions options;
    options.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    auto start = std::chrono::steady_clock::now();
    FetchResult result = FetchUrl(server.Url("/slow"), options);
    EXPECT_EQ(result.outcome, FetchOutcome::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400));
    options.deadline = std::chrono::steady_clock::now() - std::chrono::milliseconds(1);
    EXPECT_EQ(FetchUrl(server.Url("/slow"), options).outcome, FetchOutcome::TimedOut);
    // Less than a millisecond left is still a limit, not "no limit".
    options.deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(900);
    EXPECT_EQ(FetchUrl(server.Url("/slow"), options).outcome, FetchOutcome::TimedOut);

    // The thread's own deadline holds too, and its stop flag ends a transfer early.
    options.deadline = std::chrono::steady_clock::time_point::max();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    pelmor::ScopedDeadline scope(std::chrono::steady_clock::now() + std::chrono::hours(1), stop);
    std::thread raiser([stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        *stop = true;
    });
    EXPECT_EQ(FetchUrl(server.Url("/slow"), options).outcome, FetchOutcome::TimedOut);
    raiser.join();
}

TEST(Transport, ReadsLocalFilesAndFileUrls) {
    TempHome home;
    auto saved = home.Root() / "saved copy.html";
    WriteFile(saved, Utf16LeWithBom(u"<html><body>\u00e9t\u00e9</body></html>"));
    FetchResult result = ReadLocalFile(saved.string(), {});
    ASSERT_EQ(result.outcome, FetchOutcome::Loaded);
    EXPECT_EQ(result.text, "<html><body>\xC3\xA9t\xC3\xA9</body></html>");
    EXPECT_EQ(result.url, "file://" + home.Root().string() + "/saved%20copy.html");
    EXPECT_EQ(PathFromFileUrl(result.url), saved.string());
    EXPECT_EQ(PathFromFileUrl("file://localhost/tmp/x"), "/tmp/x");
    EXPECT_EQ(PathFromFileUrl("file://elsewhere/tmp/x"), "");
    EXPECT_EQ(PathFromFileUrl("http://host/tmp/x"), "");

    FetchResult missing = ReadLocalFile((home.Root() / "none.html").string(), {});
    EXPECT_EQ(missing.outcome, FetchOutcome::Failed);
    EXPECT_TRUE(missing.notFound);
    FetchResult folder = ReadLocalFile(home.Root().string(), {});
    EXPECT_EQ(folder.outcome, FetchOutcome::Failed);
    EXPECT_FALSE(folder.notFound);
}
