#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "complaint/complaint_message.h"
#include "platform/file.h"
#include "platform/shell.h"
#include "tests/support/fake_programs.h"
#include "tests/support/file_fixtures.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/open_things.h"
#include "tests/support/trace_dlg_access.h"
#include "tests/support/user_permissions.h"

namespace {

using testsupport::CurrentDir;
using testsupport::ModalWatcher;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::TestTraceDlg;
using testsupport::WriteBytes;

const char kNoContact[] = "No contact information! Try to check IP first.";
const char kNoEmail[] =
    "There is no e-mail contact information. Try to contact this ISP via phone, fax or postal "
    "mail address.";
const std::string kMessage =
    "Received: from relay.example [192.0.2.1]\r\nSubject: Buy\r\n\r\nCheap!\r\n";

std::string Joined(const std::vector<std::string>& pieces) {
    std::string all;
    for (const std::string& piece : pieces) all += piece;
    return all;
}

// The main dialog in a fresh current directory, with the shell's requests
// recorded instead of carried out and every modal window answered.
class SendComplaint : public ::testing::Test {
protected:
    // As "Open" leaves the dialog: the message in the source box.
    void LoadMessage(const std::string& text) {
        dlg.m_strSource = text;
        dlg.UpdateData(false);
    }
    // As a lookup leaves the dialog.
    void LookUp(const std::string& contact, const std::string& results) {
        dlg.m_strContact = contact;
        dlg.m_strResults = results;
        dlg.UpdateData(false);
    }
    void Press() { dlg.click(IDC_SEND_COMPLAINT); }
    // The complaint file's bytes, or nothing when there is no such file.
    std::optional<std::string> ComplaintFile() const {
        const std::string file = work / "abuse000.eml";
        if (!std::filesystem::exists(std::filesystem::symlink_status(file))) return std::nullopt;
        return ReadBytes(file);
    }

    TempDir work;
    CurrentDir cd{work.path()};
    std::vector<platform::ShellRequest> launches;
    bool launchWorks = true;
    platform::ScopedShellLauncher launcher{[this](const platform::ShellRequest& request) {
        launches.push_back(request);
        return launchWorks;
    }};
    TestTraceDlg dlg;
    ModalWatcher watcher;
};

TEST_F(SendComplaint, WithoutContactDomainTellsWhyAndWritesNothing) {
    struct Case {
        const char* name;
        std::function<void()> before;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"fresh start", [] {}, kNoContact},
        {"after Update",
         [this] {
             LoadMessage(kMessage);
             LookUp("@example.net", "Owner\r\n");
             dlg.click(IDC_UPDATE);
         },
         kNoContact},
        {"after Clear text",
         [this] {
             LoadMessage(kMessage);
             LookUp("@example.net", "Owner\r\n");
             dlg.click(IDC_CLEAR_TEXT);
         },
         kNoContact},
        {"lookup without contact domain",
         [this] {
             LoadMessage(kMessage);
             LookUp("", "Owner: Example Networks\r\nPhone: 555\r\n");
         },
         kNoEmail},
        {"results of one space", [this] { LookUp("", " "); }, kNoEmail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LookUp("", "");
        c.before();
        const size_t seenBefore = watcher.seen().size();
        Press();
        ASSERT_EQ(watcher.seen().size(), seenBefore + 1);
        const testsupport::SeenModal& box = watcher.seen().back();
        EXPECT_EQ(box.caption, "Brindle");
        EXPECT_EQ(box.text.toStdString(), c.message);
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_FALSE(ComplaintFile().has_value());
        EXPECT_TRUE(launches.empty());
    }
}

TEST_F(SendComplaint, WritesTheEditedMessageAndAsksTheShellToOpenIt) {
    LoadMessage(kMessage);
    // A contact domain is enough; the results box may be empty.
    LookUp("@example.net", "");
    QPlainTextEdit* source = dlg.edit(IDC_SOURCE_TEXT);
    source->setFocus();
    source->moveCursor(QTextCursor::End);
    QTest::keyClicks(source, "Sent by X");

    const std::string expected = Joined(ComplaintPieces("@example.net", kMessage + "Sent by X"));
    Press();
    EXPECT_TRUE(watcher.seen().empty());
    EXPECT_EQ(ComplaintFile(), expected);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].operation, "open");
    EXPECT_EQ(launches[0].file, "abuse000.eml");
    EXPECT_EQ(launches[0].parameters, "");
    EXPECT_EQ(launches[0].directory, "");
    EXPECT_EQ(launches[0].showCommand, 1);

    // Pressing again replaces the file with the same bytes.
    Press();
    EXPECT_EQ(ComplaintFile(), expected);
    EXPECT_EQ(launches.size(), 2u);
    EXPECT_EQ(dlg.m_strContact, "@example.net");
}

TEST_F(SendComplaint, FileThatCannotBeCreatedEndsTheCommandSilently) {
    const std::string file = work / "abuse000.eml";
    const std::string victim = work / "victim.txt";
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::optional<std::string> fileAfter;  // nothing: no file at all
        bool linkPlanted = false;
    };
    int lockHolder = -1;
    const std::vector<Case> cases = {
        {"read-only folder", [&] { chmod(work.path().c_str(), 0555); }, std::nullopt},
        {"read-only file",
         [&] {
             WriteBytes(file, "earlier complaint");
             chmod(file.c_str(), 0444);
         },
         "earlier complaint"},
        // A lock belongs to the open file description, so a second opening in
        // this process stands for another program holding the file.
        {"locked by another opener",
         [&] {
             WriteBytes(file, "earlier complaint");
             lockHolder = open(file.c_str(), O_RDONLY | O_CLOEXEC);
             ASSERT_EQ(flock(lockHolder, LOCK_EX | LOCK_NB), 0);
         },
         "earlier complaint"},
        {"symbolic link planted",
         [&] {
             WriteBytes(victim, "someone else's file");
             std::filesystem::create_symlink(victim, file);
         },
         std::nullopt, true},
    };
    LoadMessage(kMessage);
    LookUp("@example.net", "Owner\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        {
            testsupport::ScopedUserPermissions asUser;
            Press();
        }
        EXPECT_TRUE(watcher.seen().empty());
        EXPECT_TRUE(launches.empty());
        if (c.linkPlanted) {
            EXPECT_TRUE(std::filesystem::is_symlink(file));
            EXPECT_EQ(ReadBytes(victim), "someone else's file");
        } else {
            EXPECT_EQ(ComplaintFile(), c.fileAfter);
        }

        if (lockHolder >= 0) close(lockHolder);
        lockHolder = -1;
        chmod(work.path().c_str(), 0755);
        std::filesystem::remove(file);
        std::filesystem::remove(victim);
    }
}

// Every operation of the command made to fail in turn: the create, a write,
// a short write, the close and the shell's open. A failed create ends the
// command silently; a failed write or close is reported and leaves the part
// written; the shell's answer is not looked at.
TEST_F(SendComplaint, EachFailingOperationEndsTheCommandAndLeavesNothingOpen) {
    const std::vector<std::string> pieces = ComplaintPieces("@example.net", kMessage);
    const std::string path = (std::filesystem::current_path() / "abuse000.eml").string();
    struct Case {
        const char* name;
        std::optional<platform::FileOp> op;
        int error;
        int succeedFirst;
        std::string text;  // empty: no message
        std::optional<std::string> fileAfter;
        bool shellAsked;
    };
    const std::vector<Case> cases = {
        {"create", platform::FileOp::kOpen, EACCES, 0, "", "earlier complaint", false},
        // Two pieces go whole, the third only half: the disk is full.
        {"short write", platform::FileOp::kWrite, platform::kShortWrite, 2,
         "Disk full while accessing " + path + ".", pieces[0] + pieces[1] + pieces[2].substr(0, 22),
         false},
        {"failed write", platform::FileOp::kWrite, ENOSPC, 0,
         "Disk full while accessing " + path + ".", "", false},
        {"failed close", platform::FileOp::kClose, EIO, 0,
         "A hardware I/O error was reported while accessing an unnamed file.", Joined(pieces),
         false},
        {"shell cannot open it", std::nullopt, 0, 0, "", Joined(pieces), true},
    };
    LoadMessage(kMessage);
    LookUp("@example.net", "Owner\r\n");
    Press();  // a first whole run
    launches.clear();
    launchWorks = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(work / "abuse000.eml", "earlier complaint");
        const size_t seenBefore = watcher.seen().size();
        const testsupport::OpenThings open = testsupport::CountOpenThings();
        {
            std::optional<platform::ScopedFileFault> fault;
            if (c.op) fault.emplace(*c.op, c.error, c.succeedFirst);
            Press();
            if (fault) {
                EXPECT_EQ(fault->failures(), 1);
            }
        }
        if (c.text.empty()) {
            EXPECT_EQ(watcher.seen().size(), seenBefore);
        } else {
            ASSERT_EQ(watcher.seen().size(), seenBefore + 1);
            EXPECT_EQ(watcher.seen().back().caption, "Brindle");
            EXPECT_EQ(watcher.seen().back().text.toStdString(), c.text);
            EXPECT_EQ(watcher.seen().back().icon, QMessageBox::Critical);
        }
        EXPECT_EQ(launches.size(), c.shellAsked ? 1u : 0u);
        launches.clear();
        EXPECT_EQ(ComplaintFile(), c.fileAfter);
        EXPECT_EQ(dlg.m_strContact, "@example.net");
        EXPECT_EQ(dlg.m_strSource, kMessage);
        EXPECT_EQ(dlg.m_strResults, "Owner\r\n");
        EXPECT_EQ(testsupport::CountOpenThings(), open);
    }
    // The failed attempts left the file closed and unlocked.
    launchWorks = true;
    Press();
    EXPECT_EQ(ComplaintFile(), Joined(pieces));
    EXPECT_EQ(launches.size(), 1u);
}

TEST(SendComplaintLaunch, DesktopOpensTheFileInTheCurrentDirectory) {
    TempDir work;
    CurrentDir cd(work.path());
    testsupport::FakePrograms fakes;
    TestTraceDlg dlg;
    dlg.m_strContact = "@example.net";
    dlg.m_strSource = kMessage;
    dlg.UpdateData(false);
    dlg.click(IDC_SEND_COMPLAINT);

    const std::optional<testsupport::FakeLaunch> launch = fakes.WaitForLaunch();
    ASSERT_TRUE(launch.has_value());
    EXPECT_EQ(launch->program, "xdg-open");
    EXPECT_EQ(launch->args, std::vector<std::string>{"abuse000.eml"});
    EXPECT_EQ(launch->directory, std::filesystem::canonical(work.path()).string());
    EXPECT_EQ(ReadBytes(work / "abuse000.eml"), Joined(ComplaintPieces("@example.net", kMessage)));
}

}  // namespace
