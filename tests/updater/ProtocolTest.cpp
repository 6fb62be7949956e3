// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "updater/Protocol.h"

namespace pelmor::updater {
namespace {

PageSnapshot SamplePage() {
    PageSnapshot page;
    page.URL = "http://example.test/a?x=\"1\"";
    page.SavedFile = "/data/Files/123.html";
    page.ElementPath = "TABLE(0),TBODY(0),TR(2)";
    page.ShowPics = true;
    page.UseInverse = true;
    page.LastCheckDate = DateTime(46000.123456789012);
    FrameSnapshot inner{"http://example.test/inner", "/data/Files/125.html", "DIV(1)", {}};
    page.Frames = {{"http://example.test/f1", "/data/Files/124.html", "", {inner}},
                   {"http://example.test/f2", "/data/Files/126.html", "", {}}};
    return page;
}

TEST(Protocol, CheckPageRequestCarriesWholePageExactly) {
    Request request{Request::Kind::CheckPage, 9007199254740991ull, SamplePage()};
    auto line = EncodeRequest(request);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    std::string error;
    auto decoded = DecodeRequest(line, &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->kind, Request::Kind::CheckPage);
    EXPECT_EQ(decoded->id, request.id);
    EXPECT_EQ(decoded->page, request.page);
}

TEST(Protocol, PageSurvivesSnapshotAndRebuild) {
    auto snapshot = SamplePage();
    auto page = RebuildPage(snapshot);
    ASSERT_EQ(page->FramesCount(), 2);
    EXPECT_EQ(page->FrameAt(0)->FrameAt(0)->ElementPath(), "DIV(1)");
    EXPECT_EQ(SnapshotOf(*page), snapshot);
}

TEST(Protocol, EventsRoundTrip) {
    for (auto event : {Event{Event::Kind::PageStartCheck, 3, false, {}},
                       Event{Event::Kind::PageUpdated, 4, true, DateTime(46001.5)},
                       Event{Event::Kind::PageUpdated, 5, false, DateTime(46001.000694444)},
                       Event{Event::Kind::PageUpdated, 6, false, DateTime(46001.5), "HTTP status 404"}}) {
        std::string error;
        auto decoded = DecodeEvent(EncodeEvent(event), &error);
        ASSERT_TRUE(decoded) << error;
        EXPECT_EQ(*decoded, event);
    }
}

TEST(Protocol, MalformedLinesAreRefusedWithAReason) {
    std::string deep = R"({"request":"CheckPage","id":1,"page":{"URL":"u","SavedFile":"s")";
    std::string frames;
    for (int i = 0; i <= kMaxFrameDepth + 1; ++i) frames += R"(,"Frames":[{"URL":"u","SavedFile":"s")";
    for (int i = 0; i <= kMaxFrameDepth + 1; ++i) frames += "}]";
    deep += frames + "}}";
    const char* lines[] = {
        "",
        "not json",
        "[1,2]",
        R"({"request":"Explode"})",
        R"({"request":7})",
        R"({"request":"CheckPage","page":{"URL":"u","SavedFile":"s"}})",
        R"({"request":"CheckPage","id":-1,"page":{"URL":"u","SavedFile":"s"}})",
        R"({"request":"CheckPage","id":1.5,"page":{"URL":"u","SavedFile":"s"}})",
        R"({"request":"CheckPage","id":1})",
        R"({"request":"CheckPage","id":1,"page":{"URL":3,"SavedFile":"s"}})",
        R"({"request":"CheckPage","id":1,"page":{"URL":"u","SavedFile":"s","ShowPics":"yes"}})",
        R"({"request":"CheckPage","id":1,"page":{"URL":"u","SavedFile":"s","Frames":{}}})",
        R"({"request":"CheckPage","id":1,"page":{"URL":"u","SavedFile":"s","Frames":[1]}})",
        R"({"request":"StartChecking"} trailing)",
    };
    for (const char* line : lines) {
        std::string error;
        EXPECT_FALSE(DecodeRequest(line, &error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
    std::string error;
    EXPECT_FALSE(DecodeRequest(deep, &error));
    EXPECT_NE(error.find("deep"), std::string::npos) << error;
    EXPECT_FALSE(DecodeEvent(R"({"event":"PageUpdated","id":1,"updated":1})", &error));
    EXPECT_FALSE(DecodeEvent(R"({"event":"PageGone","id":1})", &error));
    // A date the profile could not store back never enters.
    for (const char* date : {"1e300", "-1e9", "3000000"})
        EXPECT_FALSE(DecodeEvent(std::string(R"({"event":"PageUpdated","id":1,"updated":true,"LastCheckDate":)") +
                                     date + "}",
                                 &error))
            << date;
}

TEST(Protocol, HostOfUrl) {
    EXPECT_EQ(HostOf("http://Example.TEST/a/b"), "example.test");
    EXPECT_EQ(HostOf("https://user:pw@host.test:8080?q"), "host.test");
    EXPECT_EQ(HostOf("http://127.0.0.1:4321/x"), "127.0.0.1");
    EXPECT_EQ(HostOf("http://[::1]:80/"), "[::1]");
    EXPECT_EQ(HostOf("http://h.test#frag"), "h.test");
    EXPECT_EQ(HostOf("/local/file.html"), "");
}

}  // namespace
}  // namespace pelmor::updater
