#include <gtest/gtest.h>

#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "lookup/web_addresses.h"
#include "platform/edit_box.h"
#include "platform/shell.h"
#include "tests/support/fake_programs.h"
#include "tests/support/file_fixtures.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/open_things.h"
#include "tests/support/trace_dlg_access.h"

namespace {

using testsupport::ModalWatcher;
using testsupport::TestTraceDlg;
using Args = std::vector<std::string>;

// Constant-initialised, so it is ready before this file's tables.
const std::string kHomePage(web::kHomePage);

struct Row {
    const char* name;
    int button;  // on the main dialog, or IDC_ABOUT_DONATIONWARE in the About box
    std::string file;
    std::string parameters;
    // What the desktop starts with a help viewer on PATH.
    std::string program;
    Args args;
};

const std::vector<Row> kRows = {
    {"Tutorial",
     IDC_TUTORIAL,
     "hh.exe",
     "Brindle.chm::/step1.htm",
     "hh.exe",
     {"Brindle.chm::/step1.htm"}},
    {"Website", IDC_WEBSITE, kHomePage, "", "xdg-open", {kHomePage}},
    {"Help", IDC_HELP_FILE, "Brindle.chm", "", "xdg-open", {"Brindle.chm"}},
    {"Donationware Policy",
     IDC_DONATIONWARE,
     "hh.exe",
     "Brindle.chm::/donationware.htm",
     "hh.exe",
     {"Brindle.chm::/donationware.htm"}},
    {"About box's Donationware...",
     IDC_ABOUT_DONATIONWARE,
     "hh.exe",
     "Brindle.chm::/donationware.htm",
     "hh.exe",
     {"Brindle.chm::/donationware.htm"}},
};

// Everything a launch must leave as it was.
struct DialogState {
    std::string source, results, contact, sourceBox, resultsBox;
    QStringList entries;
    int selected;
    bool operator==(const DialogState&) const = default;
};

class LaunchTest : public ::testing::Test {
protected:
    LaunchTest() {
        platform::SetMainWindow(&dlg);
        dlg.m_strSource = "Received: from a ([192.0.2.1])\r\n";
        dlg.RefreshRoute(dlg.m_strSource);
        dlg.m_strResults = "Owner\r\n";
        dlg.m_strContact = "@example.net";
        dlg.UpdateData(false);
    }
    ~LaunchTest() override { platform::SetMainWindow(nullptr); }

    DialogState State() {
        auto box = [this](int id) {
            return static_cast<platform::EditBox*>(dlg.edit(id))->GetBytes();
        };
        return {dlg.m_strSource,
                dlg.m_strResults,
                dlg.m_strContact,
                box(IDC_SOURCE_TEXT),
                box(IDC_RESULTS_TEXT),
                dlg.entries(),
                dlg.combo()->currentIndex()};
    }

    // Presses the row's button and returns what was shown meanwhile. The
    // About box's button is pressed inside the box, which must stay open.
    std::vector<testsupport::SeenModal> Press(const Row& row) {
        ModalWatcher watcher;
        if (row.button != IDC_ABOUT_DONATIONWARE) {
            dlg.click(row.button);
            return watcher.seen();
        }
        bool stayedOpen = false;
        watcher.Then([&stayedOpen](QWidget* modal) {
            auto* about = qobject_cast<CAboutDlg*>(modal);
            ASSERT_NE(about, nullptr);
            qobject_cast<QPushButton*>(about->GetDlgItem(IDC_ABOUT_DONATIONWARE))->click();
            stayedOpen = about->isVisible();
            qobject_cast<QPushButton*>(about->GetDlgItem(platform::kIdOk))->click();
        });
        dlg.click(IDC_ABOUT);
        EXPECT_TRUE(stayedOpen);
        std::vector<testsupport::SeenModal> seen = watcher.seen();
        EXPECT_EQ(seen.size(), 1u);
        if (!seen.empty()) seen.erase(seen.begin());  // the About box itself
        return seen;
    }

    TestTraceDlg dlg;
};

TEST_F(LaunchTest, EachButtonMakesOneMaximisedOpenRequest) {
    std::vector<platform::ShellRequest> requests;
    platform::ScopedShellLauncher launcher([&requests](const platform::ShellRequest& request) {
        requests.push_back(request);
        return false;  // a failed launch goes unreported
    });
    const DialogState before = State();
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        requests.clear();
        EXPECT_TRUE(Press(row).empty());
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].operation, "open");
        EXPECT_EQ(requests[0].file, row.file);
        EXPECT_EQ(requests[0].parameters, row.parameters);
        EXPECT_EQ(requests[0].directory, "");
        EXPECT_EQ(requests[0].showCommand, 3);
        EXPECT_EQ(State(), before);
    }
}

TEST_F(LaunchTest, TheDesktopStartsTheViewerOrBrowserInTheCurrentFolder) {
    testsupport::TempDir work;
    testsupport::CurrentDir cd(work.path());
    testsupport::FakePrograms desktop;
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const testsupport::OpenThings open = testsupport::CountOpenThings();
        EXPECT_TRUE(Press(row).empty());
        EXPECT_EQ(testsupport::CountOpenThings(), open) << "the launch keeps nothing open";
        const std::optional<testsupport::FakeLaunch> launch = desktop.WaitForLaunch();
        ASSERT_TRUE(launch.has_value());
        EXPECT_EQ(launch->program, row.program);
        EXPECT_EQ(launch->args, row.args);
        EXPECT_EQ(launch->directory, std::filesystem::canonical(work.path()).string());
    }
}

TEST_F(LaunchTest, WithoutViewerOrBrowserNothingIsShownAndNothingChanges) {
    testsupport::TempDir work;
    testsupport::CurrentDir cd(work.path());
    // Only an empty folder on PATH: neither hh.exe nor xdg-open is found.
    testsupport::FakePrograms nothing(std::vector<std::string>{});
    const std::string path = std::getenv("PATH");
    setenv("PATH", nothing.folder().c_str(), 1);
    const DialogState before = State();
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const testsupport::OpenThings open = testsupport::CountOpenThings();
        EXPECT_TRUE(Press(row).empty());
        EXPECT_EQ(State(), before);
        EXPECT_EQ(testsupport::CountOpenThings(), open);
    }
    setenv("PATH", path.c_str(), 1);
}

}  // namespace
