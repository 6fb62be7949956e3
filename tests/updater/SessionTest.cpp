// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>

#include "platform/log/Log.h"
#include "tests/support/TempHome.h"
#include "tests/updater/EventLog.h"
#include "updater/Session.h"

namespace pelmor::updater {
namespace {

TEST(Session, MalformedLinesAreLoggedAndSkippedAndTheRestIsServed) {
    test::TempHome home;
    test::EventLog log;
    std::vector<PageSnapshot> checked;
    std::mutex mutex;
    Session session(
        [&](const PageSnapshot& page) {
            std::lock_guard lock(mutex);
            checked.push_back(page);
            return CheckResult{page.URL.ends_with("changed"), DateTime(46200.5)};
        },
        [&](const std::string& line) {
            auto event = DecodeEvent(line, nullptr);
            ASSERT_TRUE(event) << line;
            log.Add(*event);
        });
    PageSnapshot page;
    page.URL = "http://a.test/changed";
    page.SavedFile = "/s/1.html";
    page.ShowNumbers = true;
    std::string longGarbage(5000, 'x');

    EXPECT_TRUE(session.HandleLine(EncodeRequest({Request::Kind::StartChecking, 0, {}}) + "\r"));
    EXPECT_TRUE(session.HandleLine("{\"request\":\"CheckPage\",\"id\":1"));
    EXPECT_TRUE(session.HandleLine(longGarbage));
    EXPECT_TRUE(session.HandleLine("   "));
    EXPECT_TRUE(session.HandleLine(EncodeRequest({Request::Kind::CheckPage, 2, page})));
    ASSERT_TRUE(log.WaitForUpdated(1));
    EXPECT_FALSE(session.HandleLine(EncodeRequest({Request::Kind::StopChecking, 0, {}})));

    auto events = log.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], (Event{Event::Kind::PageUpdated, 2, true, DateTime(46200.5)}));
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_EQ(checked[0], page);

    auto text = test::ReadFile(log::PathOf(log::File::Program));
    EXPECT_NE(text.find("Request skipped, not JSON"), std::string::npos) << text;
    EXPECT_NE(text.find("{\"request\":\"CheckPage\",\"id\":1"), std::string::npos);
    EXPECT_NE(text.find(std::string(200, 'x') + "..."), std::string::npos);
    EXPECT_EQ(text.find(std::string(201, 'x')), std::string::npos);
}

TEST(Session, OverlongLinesAreSkippedWithoutBeingHeldWhole) {
    test::TempHome home;
    test::EventLog log;
    Session session([](const PageSnapshot&) { return CheckResult{true, DateTime(46200.5)}; },
                    [&](const std::string& line) { log.Add(*DecodeEvent(line, nullptr)); });
    PageSnapshot page;
    page.URL = "http://a.test/";
    std::string overlong = EncodeRequest({Request::Kind::CheckPage, 1, page});
    overlong.insert(overlong.size() - 2, std::string(kMaxRequestBytes, ' '));
    std::istringstream in(EncodeRequest({Request::Kind::StartChecking, 0, {}}) + "\n" + overlong + "\n" +
                          EncodeRequest({Request::Kind::CheckPage, 2, page}) + "\n");
    session.Serve(in);
    ASSERT_TRUE(log.WaitForUpdated(1));
    EXPECT_EQ(log.Events()[0].id, 2u);
    auto text = test::ReadFile(log::PathOf(log::File::Program));
    EXPECT_NE(text.find("Request skipped, longer than"), std::string::npos) << text;
}

}  // namespace
}  // namespace pelmor::updater
