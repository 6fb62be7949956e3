// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "mainwindow/SoftwareUpdate.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using namespace pelmor::mainwindow;

// The version file is read as text: a script on it neither changes the version read nor
// reaches anything.
TEST(SoftwareUpdate, VersionFileIsReadWithoutItsScripts) {
    pelmor::test::TempHome home;
    pelmor::test::HttpServer server;
    server.Page("/admin/version.txt",
                "<html><body>1.2.3<script>fetch('/probe'); document.body.textContent = '9.9.9';</script></body></html>");
    EXPECT_EQ(CheckServerVersion(server.Url("/"), {1, 2, 3}), UpdateAnswer::Current);
    EXPECT_EQ(CheckServerVersion(server.Url("/"), {1, 2, 2}), UpdateAnswer::Newer);
    EXPECT_EQ(server.Hits("/probe"), 0);
}
