#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "platform/edit_box.h"
#include "platform/file.h"
#include "platform/file_dialog.h"
#include "tests/support/file_fixtures.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/open_things.h"
#include "tests/support/trace_dlg_access.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ModalWatcher;
using testsupport::WriteBytes;

const char kCrLfMessage[] =
    "Received: from relay.example (relay.example [10.1.1.1])\r\n"
    "Received: from sender.example ([192.0.2.7])\r\n"
    "Subject: \xE9t\xE9\t\xA0offer\r\n"
    "\r\n"
    "body with a bare CR\rand the end\r\n";
const QStringList kCrLfRoute = {"[1] - [192.0.2.7]", "[2] - [10.1.1.1]"};

const auto TypePath = &ModalWatcher::TypePath;

class OpenTest : public ::testing::Test {
protected:
    // The state an earlier message and lookup left behind, with text the
    // user typed into the source box since.
    void SetEarlierState() {
        dlg.m_strSource = "Received: from old ([198.51.100.9])\r\n";
        dlg.RefreshRoute(dlg.m_strSource);
        dlg.m_strResults = "earlier results";
        dlg.m_strContact = "earlier.example";
        dlg.UpdateData(false);
        QTest::keyClicks(dlg.edit(IDC_SOURCE_TEXT), "typed");
        before_ = Snapshot();
    }

    struct State {
        std::string source, results, contact, sourceBox, resultsBox;
        QStringList entries;
        int selected;
        fs::path cwd;
        bool operator==(const State&) const = default;
    };
    State Snapshot() {
        return {dlg.m_strSource,
                dlg.m_strResults,
                dlg.m_strContact,
                Box(IDC_SOURCE_TEXT),
                Box(IDC_RESULTS_TEXT),
                dlg.entries(),
                dlg.combo()->currentIndex(),
                fs::current_path()};
    }
    std::string Box(int id) { return static_cast<platform::EditBox*>(dlg.edit(id))->GetBytes(); }

    // Runs Open, answering its file dialog with `answer`.
    void Open(ModalWatcher::Answer answer) {
        watcher.Then(std::move(answer));
        dlg.click(IDC_OPEN);
    }
    // The message boxes shown, after the file dialog.
    std::vector<testsupport::SeenModal> Messages() const {
        std::vector<testsupport::SeenModal> boxes;
        for (const auto& seen : watcher.seen()) {
            if (seen.className != QLatin1String("QFileDialog")) boxes.push_back(seen);
        }
        return boxes;
    }

    testsupport::TempDir dir;
    testsupport::CurrentDir here{dir.path()};
    testsupport::TestTraceDlg dlg;
    ModalWatcher watcher;
    State before_;
};

TEST(NameFilters, KeepTheDescriptionWholeAndMatchExactlyThePatterns) {
    struct Row {
        const char* filter;
        QStringList filters;
    };
    const Row rows[] = {
        {"E-mail messages (*.eml,*.msg)|*.eml; *.msg|",
         {"E-mail messages (*.eml,*.msg) (*.eml *.msg)"}},
        {"Text|*.txt|All|*|", {"Text (*.txt)", "All (*)"}},
        {"Text|*.txt|Half", {"Text (*.txt)"}},
        {"Text|*.txt", {}},
        {"", {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(platform::NameFiltersFromFilterSpec(row.filter), row.filters) << row.filter;
    }
}

TEST_F(OpenTest, FileDialogOffersMessageFilesOnlyAndTakesATypedName) {
    for (const char* name : {"a.eml", "b.msg", "c.txt", "eml", "d.eml.bak"}) {
        WriteBytes(dir / name, kCrLfMessage);
    }
    std::set<QString> offered;
    Open([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->parentWidget(), &dlg);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile) << "one file, which need not exist";
        EXPECT_TRUE(dialog->isSizeGripEnabled());
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(types->count(), 1) << "no entry for all files";
        EXPECT_EQ(types->itemText(0), "E-mail messages (*.eml,*.msg)");
        // The files the dialog lists, once it has read the folder.
        auto* model = dialog->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        const QModelIndex folder = model->index(QString::fromStdString(dir.path().string()));
        const auto listed = [&] {
            offered.clear();
            for (int row = 0; row < model->rowCount(folder); ++row) {
                const QModelIndex file = model->index(row, 0, folder);
                if (model->flags(file) & Qt::ItemIsEnabled) offered.insert(file.data().toString());
            }
            return offered.size() >= 2;
        };
        EXPECT_TRUE(QTest::qWaitFor(listed)) << "the folder was never listed";
        TypePath("b.msg")(modal);
    });
    EXPECT_EQ(offered, (std::set<QString>{"a.eml", "b.msg"}));
    EXPECT_EQ(dlg.m_strSource, kCrLfMessage);
    EXPECT_EQ(dlg.entries(), kCrLfRoute);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(OpenTest, LoadsTheMessageListsItsRouteAndMovesToItsFolder) {
    SetEarlierState();
    fs::create_directory(dir / "mail");
    const std::string lf = "Received: from x ([203.0.113.5])\nReceived: by y [10.9.8.7]\n\nhi\n";
    WriteBytes(dir / "mail/crlf.eml", kCrLfMessage);
    WriteBytes(dir / "mail/lf.eml", lf);
    struct Row {
        const char* name;
        std::string bytes;
        QStringList route;
    };
    const Row rows[] = {
        {"crlf.eml", kCrLfMessage, kCrLfRoute},
        {"lf.eml", lf, {"[1] - [10.9.8.7]", "[2] - [203.0.113.5]"}},
    };
    for (const Row& row : rows) {
        fs::current_path(dir.path());
        Open(TypePath(dir / (std::string("mail/") + row.name)));
        EXPECT_EQ(dlg.m_strSource, row.bytes) << row.name;
        EXPECT_EQ(dlg.entries(), row.route) << row.name;
        EXPECT_EQ(dlg.combo()->currentIndex(), 0) << row.name;
        EXPECT_EQ(dlg.m_strResults, "") << row.name;
        EXPECT_EQ(dlg.m_strContact, "") << row.name;
        EXPECT_EQ(Box(IDC_RESULTS_TEXT), "") << row.name;
        EXPECT_EQ(fs::current_path(), dir.path() / "mail") << row.name;
        // The unedited source box gives back exactly the file's bytes.
        dlg.m_strSource.clear();
        dlg.click(IDC_UPDATE);
        EXPECT_EQ(dlg.m_strSource, row.bytes) << row.name;
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(OpenTest, LoadedTextEndsAtTheFirstZeroByte) {
    const std::string compound = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) +
                                 std::string(24, '\0') + "Received: [10.0.0.1]";
    struct Row {
        const char* name;
        std::string bytes;
        std::string source;
        QStringList route;
        bool noSenderMessage;
    };
    const Row rows[] = {
        {"empty.eml", "", "", {}, true},
        {"zero.eml",
         std::string("Received: [10.0.0.1]\r\n\0Received: [10.0.0.2]\r\n", 46),
         "Received: [10.0.0.1]\r\n",
         {"[1] - [10.0.0.1]"},
         false},
        {"compound.msg", compound, compound.substr(0, 8), {}, true},
    };
    for (const Row& row : rows) {
        SetEarlierState();
        const std::size_t boxesBefore = Messages().size();
        WriteBytes(dir / row.name, row.bytes);
        Open(TypePath(dir / row.name));
        EXPECT_EQ(dlg.m_strSource, row.source) << row.name;
        EXPECT_EQ(Box(IDC_SOURCE_TEXT), row.source) << row.name;
        EXPECT_EQ(dlg.entries(), row.route) << row.name;
        EXPECT_EQ(dlg.m_strResults, "") << row.name;
        const auto boxes = Messages();
        ASSERT_EQ(boxes.size(), boxesBefore + (row.noSenderMessage ? 1 : 0)) << row.name;
        if (row.noSenderMessage) {
            EXPECT_EQ(boxes.back().text, "No information about message sender") << row.name;
            EXPECT_EQ(boxes.back().icon, QMessageBox::Warning) << row.name;
        }
    }
}

TEST_F(OpenTest, NothingHappensWhenTheDialogIsCancelledOrTheFileCannotBeOpened) {
    WriteBytes(dir / "locked.eml", kCrLfMessage);
    fs::create_directory(dir / "folder.eml");
    const int holder = ::open((dir / "locked.eml").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    SetEarlierState();
    struct Row {
        const char* what;
        ModalWatcher::Answer answer;
    };
    const Row rows[] = {
        {"cancel", [](QWidget* modal) { ModalWatcher::PressOk(modal); }},
        {"missing", TypePath(dir / "missing.eml")},
        {"locked", TypePath(dir / "locked.eml")},
        {"folder", TypePath(dir / "folder.eml")},
    };
    for (const Row& row : rows) {
        Open(row.answer);
        EXPECT_TRUE(Snapshot() == before_) << row.what;
        EXPECT_EQ(Box(IDC_SOURCE_TEXT), before_.sourceBox) << row.what;
    }
    EXPECT_EQ(watcher.seen().size(), std::size(rows)) << "only the file dialogs, no message";
    ::close(holder);
}

TEST_F(OpenTest, APathLongerThan259CharactersCountsAsTheDialogFailing) {
    // A folder and a name that make the full path exactly 259 characters.
    const std::string folder = dir / std::string(100, 'f');
    const std::size_t used = folder.size() + 1 + 4;
    ASSERT_LT(used, 259u - 1) << "the temporary folder's path is too long for this test";
    fs::create_directory(folder);
    const std::string fits = folder + "/" + std::string(259 - used, 'n') + ".eml";
    const std::string tooLong = folder + "/" + std::string(260 - used, 'n') + ".eml";
    ASSERT_EQ(fits.size(), 259u);
    WriteBytes(fits, kCrLfMessage);
    WriteBytes(tooLong, kCrLfMessage);
    SetEarlierState();

    Open(TypePath(tooLong));
    EXPECT_TRUE(Snapshot() == before_) << "nothing changes, the current directory included";
    Open(TypePath(fits));
    EXPECT_EQ(dlg.m_strSource, kCrLfMessage);
    EXPECT_EQ(fs::current_path(), fs::path(folder));
}

// Every operation of the command that can fail, made to fail in turn. A
// failed open ends the command silently; every later failure is reported.
TEST_F(OpenTest, EachFailingOperationEndsTheCommandAndLeavesNothingOpen) {
    WriteBytes(dir / "m.eml", kCrLfMessage);
    const std::string ioError =
        "A hardware I/O error was reported while accessing " + (dir / "m.eml") + ".";
    struct Row {
        const char* name;
        platform::FileOp op;
        int error;
        std::string text;  // empty: no message
        int icon;
        bool sourceShown;  // the text was loaded and shown before the failure
    };
    const Row rows[] = {
        {"open", platform::FileOp::kOpen, EACCES, "", 0, false},
        {"length", platform::FileOp::kLength, EIO, ioError, QMessageBox::Critical, false},
        {"buffer", platform::FileOp::kAllocateBuffer, ENOMEM, "Out of memory.",
         QMessageBox::Warning, false},
        {"read", platform::FileOp::kRead, EIO, ioError, QMessageBox::Critical, false},
        {"close", platform::FileOp::kClose, EIO,
         "A hardware I/O error was reported while accessing an unnamed file.",
         QMessageBox::Critical, true},
    };
    // One whole run first, so that what the file dialog keeps for later is
    // already there.
    Open(TypePath("m.eml"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetEarlierState();
        const std::size_t boxesBefore = Messages().size();
        const testsupport::OpenThings open = testsupport::CountOpenThings();
        {
            platform::ScopedFileFault fault(row.op, row.error);
            Open(TypePath("m.eml"));
            EXPECT_EQ(fault.failures(), 1);
        }
        const auto boxes = Messages();
        if (row.text.empty()) {
            EXPECT_EQ(boxes.size(), boxesBefore);
        } else {
            ASSERT_EQ(boxes.size(), boxesBefore + 1);
            EXPECT_EQ(boxes.back().caption, "Brindle");
            EXPECT_EQ(boxes.back().icon, row.icon);
            EXPECT_EQ(boxes.back().text.toStdString(), row.text);
        }
        State expected = before_;
        if (row.sourceShown) expected.source = expected.sourceBox = kCrLfMessage;
        EXPECT_TRUE(Snapshot() == expected);
        EXPECT_EQ(testsupport::CountOpenThings(), open);
        EXPECT_EQ(testsupport::ReadBytes(dir / "m.eml"), kCrLfMessage);
        // The file was closed and unlocked on the way out.
        platform::File file;
        EXPECT_TRUE(file.Open(dir / "m.eml", platform::File::Mode::kRead));
    }
}

}  // namespace
