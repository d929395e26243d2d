// From a saved message to a complaint the desktop opens, on the real dialog:
// only the lookup service (a loopback server named as proxy) and the desktop
// (a fake xdg-open) stand in for the outside world.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "lookup/lookup_download.h"
#include "platform/edit_box.h"
#include "tests/support/complaint_file.h"
#include "tests/support/fake_programs.h"
#include "tests/support/file_fixtures.h"
#include "tests/support/http_server.h"
#include "tests/support/lookup_pages.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/trace_dlg_access.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ModalWatcher;

TEST(WholeRoad, MessageFileToComplaintOpenedByTheDesktop) {
    // Bare LF lines and a byte above 127 must reach the complaint unchanged.
    const std::string message =
        "Received: from mx.example.org ([198.51.100.20])\n"
        "Received: from spammer.example ([203.0.113.66])\n"
        "Subject: Caf\xE9 deals\n"
        "\n"
        "Buy now.\n";
    const std::string ownDomain = BRINDLE_SERVICE_DOMAIN_FOR_TESTS;

    testsupport::TempDir work;
    testsupport::CurrentDir cd(work.path());
    testsupport::WriteBytes(work / "mail.eml", message);
    testsupport::HttpServer server;
    server.Respond(
        "/cgi-bin/checkdomain.pl",
        {.body = testsupport::JoinLines(testsupport::RecordedPageLines(ownDomain), "\n") +
                 "</BODY></HTML>\n"});
    testsupport::ScopedProxy proxy(server.url());
    testsupport::FakePrograms desktop;
    testsupport::TestTraceDlg dlg;
    dlg.show();
    ModalWatcher watcher;

    watcher.Then(ModalWatcher::TypePath("mail.eml"));
    dlg.click(IDC_OPEN);
    dlg.click(IDC_UPDATE);
    EXPECT_EQ(dlg.entries(), (QStringList{"[1] - [203.0.113.66]", "[2] - [198.51.100.20]"}));

    dlg.click(IDC_CHECK_IP);
    const std::vector<std::string> targets = server.targets();
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets.back(), BuildLookupUrl("203.0.113.66"));
    EXPECT_EQ(static_cast<platform::EditBox*>(dlg.edit(IDC_RESULTS_TEXT))->GetBytes(),
              testsupport::RecordedResultsText(ownDomain));

    dlg.click(IDC_SEND_COMPLAINT);
    // Only the file dialog was shown: no message box on the way.
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].className, "QFileDialog");

    const std::optional<testsupport::FakeLaunch> launch = desktop.WaitForLaunch();
    ASSERT_TRUE(launch.has_value());
    EXPECT_EQ(launch->program, "xdg-open");
    EXPECT_EQ(launch->args, std::vector<std::string>{"abuse000.eml"});
    EXPECT_EQ(launch->directory, fs::canonical(work.path()).string());

    EXPECT_EQ(testsupport::ReadBytes(work / "abuse000.eml"),
              testsupport::ExpectedComplaintFile("@example-isp.test", message));
    EXPECT_FALSE(fs::exists(work / "results.htm"));
}

}  // namespace
