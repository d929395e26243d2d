#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "lookup/lookup_download.h"
#include "platform/busy_cursor.h"
#include "platform/edit_box.h"
#include "platform/file.h"
#include "platform/internet.h"
#include "tests/support/file_fixtures.h"
#include "tests/support/http_server.h"
#include "tests/support/lookup_pages.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/open_things.h"
#include "tests/support/trace_dlg_access.h"

namespace {

namespace fs = std::filesystem;
using testsupport::CannedResponse;
using testsupport::ModalWatcher;
using Targets = std::vector<std::string>;

const std::string kOwnDomain = BRINDLE_SERVICE_DOMAIN_FOR_TESTS;
const char kQueryPath[] = "/cgi-bin/checkdomain.pl";

// Three hops; the list shows the one nearest the sender, the last in the
// text, first: [1] 192.0.2.1, [2] 198.51.100.2, [3] 203.0.113.3.
const std::string kMessage =
    "Received: from c.example [203.0.113.3]\r\n"
    "Received: from b.example [198.51.100.2]\r\n"
    "Received: from a.example [192.0.2.1]\r\n"
    "\r\nBuy now\r\n";

std::string RecordedPageBody() {
    return testsupport::JoinLines(testsupport::RecordedPageLines(kOwnDomain), "\n") +
           "</BODY></HTML>\nnot saved\n";
}

std::string Bytes(const QPlainTextEdit* edit) {
    return static_cast<const platform::EditBox*>(edit)->GetBytes();
}

class CheckIpTest : public ::testing::Test {
protected:
    CheckIpTest() {
        server.Respond(kQueryPath, {.body = RecordedPageBody()});
        dlg.m_strSource = kMessage;
        dlg.RefreshRoute(kMessage);
    }

    // Presses "Check this IP" and returns the message boxes it showed.
    std::vector<testsupport::SeenModal> Check() {
        ModalWatcher watcher;
        dlg.click(IDC_CHECK_IP);
        return watcher.seen();
    }

    // What every command must leave behind, whatever happened.
    void ExpectCleanEnd() {
        EXPECT_EQ(platform::BusyCursorCount(), 0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(server.WaitUntilIdle()) << "a connection is still open";
        if (fs::is_regular_file(kResultsFileName)) {
            platform::File file;
            EXPECT_TRUE(file.Open(kResultsFileName, platform::File::Mode::kRead))
                << "the results file is still open";
        }
    }

    // The outcome of a failed lookup: nothing shown, and the next lookup works.
    void ExpectFailedThenNextWorks() {
        EXPECT_EQ(dlg.m_strResults, "");
        EXPECT_EQ(dlg.m_strContact, "");
        EXPECT_EQ(Bytes(dlg.edit(IDC_RESULTS_TEXT)), "");
        ExpectCleanEnd();

        testsupport::ScopedProxy working(server.url());
        server.Respond(web::UpgradeNoticeUrl(), {.status = "404 Not Found", .body = "gone\n"});
        server.Respond(kQueryPath, {.body = RecordedPageBody()});
        fs::remove(kResultsFileName);
        EXPECT_TRUE(Check().empty());
        EXPECT_EQ(dlg.m_strResults, testsupport::RecordedResultsText(kOwnDomain));
        ExpectCleanEnd();
    }

    testsupport::TempDir dir;
    testsupport::CurrentDir cwd{dir.path()};
    testsupport::HttpServer server;
    testsupport::ScopedProxy proxy{server.url()};
    testsupport::TestTraceDlg dlg;
};

TEST_F(CheckIpTest, LooksUpTheSelectedEntryAfterTheProbe) {
    dlg.combo()->setCurrentIndex(2);  // [3] - [203.0.113.3]
    dlg.m_strContact = "@old.example";
    // Typed into the source box but not taken with Update: the command puts
    // the loaded message back.
    dlg.edit(IDC_SOURCE_TEXT)->setPlainText("typed");

    EXPECT_TRUE(Check().empty());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].line, "GET " + web::UpgradeNoticeUrl() + " HTTP/1.1");
    EXPECT_EQ(requests[1].line, "GET " + BuildLookupUrl("203.0.113.3") + " HTTP/1.1");
    for (const auto& request : requests) EXPECT_EQ(request.Header("User-Agent"), "Brindle");

    const std::string results = testsupport::RecordedResultsText(kOwnDomain);
    EXPECT_EQ(dlg.m_strResults, results);
    EXPECT_EQ(Bytes(dlg.edit(IDC_RESULTS_TEXT)), results);
    EXPECT_EQ(dlg.m_strContact, testsupport::kRecordedContact);
    EXPECT_EQ(Bytes(dlg.edit(IDC_SOURCE_TEXT)), kMessage);
    EXPECT_FALSE(fs::exists(kResultsFileName));
    EXPECT_EQ(dlg.combo()->currentIndex(), 2);
    ExpectCleanEnd();

    // Every lookup probes again first.
    dlg.combo()->setCurrentIndex(0);
    EXPECT_TRUE(Check().empty());
    EXPECT_EQ(server.targets(), (Targets{web::UpgradeNoticeUrl(), BuildLookupUrl("203.0.113.3"),
                                         web::UpgradeNoticeUrl(), BuildLookupUrl("192.0.2.1")}));
}

TEST_F(CheckIpTest, UpgradeMarkerTakesTheLookupToTheUpgradePage) {
    const std::string marker(kUpgradeMarker);
    const std::string upgradeRest =
        "<BODY><FONT SIZE=\"+1\">Brindle 2.0</FONT><DL>Get it from the "
        "maker</DL>\n</BODY></HTML>\n";
    const struct {
        const char* name;
        std::string firstLine;
        bool upgrade;
    } cases[] = {
        {"LF", marker + "\n", true},
        {"CR LF", marker + "\r\n", true},
        {"leading space", " " + marker + "\n", false},
        {"other case", "<HTML><HEAD><TITLE>UPGRADE AVAILABLE!</TITLE>\n", false},
        {"more text on the line", marker + "</HEAD>\n", false},
    };
    for (const auto& c : cases) {
        testsupport::HttpServer upgradeServer;
        testsupport::ScopedProxy named(upgradeServer.url());
        upgradeServer.Respond(web::UpgradeNoticeUrl(), {.body = c.firstLine + upgradeRest});
        upgradeServer.Respond(kQueryPath, {.body = RecordedPageBody()});

        EXPECT_TRUE(Check().empty()) << c.name;
        const std::string second =
            c.upgrade ? web::UpgradeNoticeUrl() : BuildLookupUrl("192.0.2.1");
        EXPECT_EQ(upgradeServer.targets(), (Targets{web::UpgradeNoticeUrl(), second})) << c.name;
        EXPECT_EQ(dlg.m_strResults, c.upgrade ? "Brindle 2.0\r\nGet it from the maker"
                                              : testsupport::RecordedResultsText(kOwnDomain))
            << c.name;
        EXPECT_FALSE(fs::exists(kResultsFileName)) << c.name;
    }
}

TEST_F(CheckIpTest, EmptyListShowsTheMessageThenRunsOpen) {
    dlg.click(IDC_CLEAR_TEXT);
    const auto seen = Check();
    ASSERT_GE(seen.size(), 1u);
    EXPECT_EQ(seen[0].className, "QMessageBox");
    EXPECT_EQ(seen[0].caption, "Brindle");
    EXPECT_EQ(seen[0].text, "There are no items to check. Open mail message and try again");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    ASSERT_EQ(seen.size(), 2u) << "the Open command follows";
    EXPECT_EQ(seen[1].className, "QFileDialog");
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(fs::exists(kResultsFileName));
    ExpectCleanEnd();
}

// A network error ends the command with the stop icon and the layer's text.
void ExpectNetworkError(const std::vector<testsupport::SeenModal>& seen, const char* text) {
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Brindle");
    EXPECT_EQ(seen[0].text, text);
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
}

void ExpectFileError(const std::vector<testsupport::SeenModal>& seen, const std::string& text,
                     int icon = QMessageBox::Critical) {
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Brindle");
    EXPECT_EQ(seen[0].text.toStdString(), text);
    EXPECT_EQ(seen[0].icon, icon);
}

// The bytes of the file `name`, or nothing when there is none.
std::optional<std::string> ReadFileIfAny(const std::string& name) {
    if (!fs::exists(fs::symlink_status(name))) return std::nullopt;
    return testsupport::ReadBytes(name);
}

TEST_F(CheckIpTest, ProxyRefusingConnections) {
    dlg.m_strResults = "old results";
    dlg.UpdateData(false);
    {
        testsupport::RefusingPort refusing;
        testsupport::ScopedProxy named(refusing.url());
        ExpectNetworkError(Check(), "Couldn't connect to server");
    }
    EXPECT_TRUE(server.requests().empty());
    ExpectFailedThenNextWorks();
}

TEST_F(CheckIpTest, ProbeFailureEndsTheCommandBeforeTheQuery) {
    server.Respond(web::UpgradeNoticeUrl(), {.hangUp = true});
    ExpectNetworkError(Check(), "Server returned nothing (no headers, no data)");
    EXPECT_EQ(server.targets(), Targets{web::UpgradeNoticeUrl()});
    ExpectFailedThenNextWorks();
}

TEST_F(CheckIpTest, ServerClosingMidBodyLeavesThePartFileBehind) {
    const std::string body = RecordedPageBody();
    const std::string firstLines = "<HTML>\n<HEAD>\n";
    server.Respond(kQueryPath, {.body = firstLines + body,
                                .cut = CannedResponse::Cut::kClose,
                                .cutAt = firstLines.size()});
    ExpectNetworkError(Check(), "Transferred a partial file");
    EXPECT_EQ(testsupport::ReadBytes(kResultsFileName), "<HTML>\r\n<HEAD>\r\n");
    ExpectFailedThenNextWorks();
}

TEST_F(CheckIpTest, ServerNeverAnswering) {
    platform::ScopedInternetTimeouts shortWait(
        {std::chrono::seconds(30), std::chrono::milliseconds(300)});
    server.Respond(kQueryPath, {.silent = true});
    ExpectNetworkError(Check(), "Timeout was reached");
    ExpectFailedThenNextWorks();
}

// Every file operation of the command made to fail in turn: the download's
// create, writes and close, and the reader's open, length, buffer, read,
// close and delete. A failed open is no error; every other failure is
// reported and ends the command, leaving what was written on disk.
TEST_F(CheckIpTest, EachFailingFileOperationEndsTheCommandAndLeavesNothingOpen) {
    const std::string path = (dir.path() / kResultsFileName).string();
    const std::string saved = ResultsFileContent(RecordedPageBody());
    const std::string ioError = "A hardware I/O error was reported while accessing " + path + ".";
    // Stands for a part of the page's start, neither empty nor whole.
    const std::string kSomeOfTheStart = "(some of the start)";
    const struct {
        const char* name;
        platform::FileOp op;
        int error;
        int succeedFirst;
        std::string text;  // empty: no message
        int icon;
        std::optional<std::string> fileAfter;  // nothing: no results file
    } cases[] = {
        // The reader's open fails as well, as it would for a folder nobody
        // may write to.
        {"create", platform::FileOp::kOpen, EACCES, 0, "", 0, std::nullopt},
        {"write", platform::FileOp::kWrite, ENOSPC, 0, "Disk full while accessing " + path + ".",
         QMessageBox::Critical, ""},
        // How the page's lines are grouped into writes depends on how it
        // arrives; the file holds a part of the first group.
        {"short write", platform::FileOp::kWrite, platform::kShortWrite, 0,
         "Disk full while accessing " + path + ".", QMessageBox::Critical, kSomeOfTheStart},
        {"close after writing", platform::FileOp::kClose, EIO, 0,
         "A hardware I/O error was reported while accessing an unnamed file.",
         QMessageBox::Critical, saved},
        {"open to read back", platform::FileOp::kOpen, EACCES, 1, "", 0, saved},
        {"length", platform::FileOp::kLength, EIO, 0, ioError, QMessageBox::Critical, saved},
        {"buffer", platform::FileOp::kAllocateBuffer, ENOMEM, 0, "Out of memory.",
         QMessageBox::Warning, saved},
        {"read", platform::FileOp::kRead, EIO, 0, ioError, QMessageBox::Critical, saved},
        {"close after reading", platform::FileOp::kClose, EIO, 1,
         "A hardware I/O error was reported while accessing an unnamed file.",
         QMessageBox::Critical, saved},
        {"delete", platform::FileOp::kRemove, EACCES, 0, "Access to an unnamed file was denied.",
         QMessageBox::Critical, saved},
    };
    // A first lookup, so that what the layers keep for later is already there.
    ASSERT_TRUE(Check().empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dlg.m_strResults = "old results";
        dlg.UpdateData(false);
        dlg.combo()->setCurrentIndex(1);
        const QStringList entries = dlg.entries();
        ASSERT_TRUE(server.WaitUntilIdle());
        const testsupport::OpenThings open = testsupport::CountOpenThings();
        std::vector<testsupport::SeenModal> seen;
        {
            platform::ScopedFileFault fault(c.op, c.error, c.succeedFirst);
            seen = Check();
            EXPECT_EQ(fault.failures(),
                      c.op == platform::FileOp::kOpen && c.succeedFirst == 0 ? 2 : 1);
        }
        if (c.text.empty()) {
            EXPECT_TRUE(seen.empty());
        } else {
            ExpectFileError(seen, c.text, c.icon);
        }
        const std::optional<std::string> fileAfter = ReadFileIfAny(kResultsFileName);
        if (c.fileAfter == kSomeOfTheStart) {
            ASSERT_TRUE(fileAfter.has_value());
            EXPECT_FALSE(fileAfter->empty());
            EXPECT_LT(fileAfter->size(), saved.size());
            EXPECT_TRUE(saved.starts_with(*fileAfter));
        } else {
            EXPECT_EQ(fileAfter, c.fileAfter);
        }
        EXPECT_EQ(dlg.entries(), entries);
        EXPECT_EQ(dlg.combo()->currentIndex(), 1);
        EXPECT_TRUE(server.WaitUntilIdle());
        EXPECT_EQ(testsupport::CountOpenThings(), open);
        ExpectFailedThenNextWorks();
    }
}

// Every network operation of the command made to fail in turn, and the
// timeouts that end a wait. Each is reported with the layer's text and ends
// the command; a failed close is not reported, since the handle is gone
// either way.
TEST_F(CheckIpTest, EachFailingNetworkOperationEndsTheCommandAndLeavesNothingOpen) {
    using platform::InternetOp;
    const std::string firstLines = "<HTML>\n<HEAD>\n";
    const CannedResponse probe{.body = "no upgrade\n"};
    const CannedResponse lookup{.body = RecordedPageBody()};
    const CannedResponse stalling{.body = firstLines + RecordedPageBody(),
                                  .cut = CannedResponse::Cut::kStall,
                                  .cutAt = firstLines.size()};
    const std::string probeUrl = web::UpgradeNoticeUrl();
    const std::string queryUrl = BuildLookupUrl("198.51.100.2");
    const struct {
        const char* name;
        std::optional<InternetOp> op;
        int code;
        int succeedFirst;
        CannedResponse probe, lookup;
        std::string text;  // empty: no message, and the lookup succeeds
        Targets requests;
        std::optional<std::string> fileAfter;  // nothing: no results file
    } cases[] = {
        {"open", InternetOp::kOpen, 2, 0, probe, lookup, "Failed initialization", {}, {}},
        {"open the probe page",
         InternetOp::kOpenUrl,
         7,
         0,
         probe,
         lookup,
         "Couldn't connect to server",
         {},
         {}},
        {"read the probe page",
         InternetOp::kRead,
         56,
         0,
         probe,
         lookup,
         "Failure when receiving data from the peer",
         {probeUrl},
         {}},
        {"probe page times out",
         std::nullopt,
         0,
         0,
         {.silent = true},
         lookup,
         "Timeout was reached",
         {probeUrl},
         {}},
        {"open the lookup page",
         InternetOp::kOpenUrl,
         7,
         1,
         probe,
         lookup,
         "Couldn't connect to server",
         {probeUrl},
         {}},
        {"read the lookup page",
         InternetOp::kRead,
         56,
         1,
         probe,
         lookup,
         "Failure when receiving data from the peer",
         {probeUrl, queryUrl},
         ""},
        {"lookup page times out",
         std::nullopt,
         0,
         0,
         probe,
         stalling,
         "Timeout was reached",
         {probeUrl, queryUrl},
         "<HTML>\r\n<HEAD>\r\n"},
        {"close", InternetOp::kClose, 55, 0, probe, lookup, "", {probeUrl, queryUrl}, {}},
    };
    platform::ScopedInternetTimeouts shortWait(
        {std::chrono::seconds(30), std::chrono::milliseconds(300)});
    ASSERT_TRUE(Check().empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.Respond(probeUrl, c.probe);
        server.Respond(kQueryPath, c.lookup);
        dlg.m_strResults = "old results";
        dlg.UpdateData(false);
        dlg.combo()->setCurrentIndex(1);
        const QStringList entries = dlg.entries();
        const std::size_t requestsBefore = server.targets().size();
        ASSERT_TRUE(server.WaitUntilIdle());
        const testsupport::OpenThings open = testsupport::CountOpenThings();
        std::vector<testsupport::SeenModal> seen;
        {
            std::optional<platform::ScopedInternetFault> fault;
            if (c.op) fault.emplace(*c.op, c.code, c.succeedFirst);
            seen = Check();
            if (fault) {
                EXPECT_GE(fault->failures(), 1);
            }
        }
        const Targets targets = server.targets();
        EXPECT_EQ(
            Targets(targets.begin() + static_cast<std::ptrdiff_t>(requestsBefore), targets.end()),
            c.requests);
        if (c.text.empty()) {
            EXPECT_TRUE(seen.empty());
            EXPECT_EQ(dlg.m_strResults, testsupport::RecordedResultsText(kOwnDomain));
        } else {
            ExpectNetworkError(seen, c.text.c_str());
        }
        EXPECT_EQ(ReadFileIfAny(kResultsFileName), c.fileAfter);
        EXPECT_EQ(dlg.entries(), entries);
        EXPECT_EQ(dlg.combo()->currentIndex(), 1);
        EXPECT_TRUE(server.WaitUntilIdle());
        EXPECT_EQ(testsupport::CountOpenThings(), open);
        if (!c.text.empty()) ExpectFailedThenNextWorks();
    }
}

TEST_F(CheckIpTest, ResultsFileThatCannotBeCreated) {
    fs::create_directory(kResultsFileName);
    EXPECT_TRUE(Check().empty());
    EXPECT_EQ(server.targets(), (Targets{web::UpgradeNoticeUrl(), BuildLookupUrl("192.0.2.1")}));
    EXPECT_TRUE(fs::is_directory(kResultsFileName));
    fs::remove(kResultsFileName);
    ExpectFailedThenNextWorks();
}

TEST_F(CheckIpTest, ResultsFileHeldByAnotherOpener) {
    platform::File holder;
    ASSERT_TRUE(holder.Open(kResultsFileName, platform::File::Mode::kCreateWrite));
    holder.Write("held", 4);
    EXPECT_TRUE(Check().empty());
    EXPECT_EQ(dlg.m_strResults, "");
    holder.Close();
    EXPECT_EQ(testsupport::ReadBytes(kResultsFileName), "held");
    ExpectFailedThenNextWorks();
}

TEST_F(CheckIpTest, SymbolicLinkPlantedAsTheResultsFile) {
    const std::string victim = "<FONT SIZE=\"+1\">secret</FONT><DL>private mailto:x@victim.test\"";
    testsupport::WriteBytes("victim.htm", victim);
    fs::create_symlink("victim.htm", kResultsFileName);
    EXPECT_TRUE(Check().empty());
    EXPECT_EQ(testsupport::ReadBytes("victim.htm"), victim);
    EXPECT_EQ(dlg.m_strResults, "");
    EXPECT_EQ(dlg.m_strContact, "");
    fs::remove(kResultsFileName);
    ExpectFailedThenNextWorks();
}

}  // namespace
