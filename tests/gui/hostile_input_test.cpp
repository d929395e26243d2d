// Hostile inputs on the real dialog: huge messages, endless and huge pages.
// After each, the dialog must answer the next command, have used memory in
// proportion to the input, and have kept what the user had.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lookup/lookup_download.h"
#include "lookup/results_page.h"
#include "platform/edit_box.h"
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
using testsupport::SeenModal;

constexpr std::uint64_t kMiB = 1 << 20;

#ifdef BRINDLE_SANITIZER_BUILD
constexpr bool kSanitizerBuild = true;
#else
constexpr bool kSanitizerBuild = false;
#endif

const std::string kOwnDomain = BRINDLE_SERVICE_DOMAIN_FOR_TESTS;
const char kQueryPath[] = "/cgi-bin/checkdomain.pl";
const char kNoSender[] = "No information about message sender";

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM"), or 0.
std::uint64_t StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) return std::stoull(line.substr(key.size() + 1)) * 1024;
    }
    return 0;
}

// How much the process's peak resident memory grows from now on. The peak is
// reset where the system allows it; elsewhere the peak since the start
// stands in, which can only make the growth look larger.
class PeakMemory {
public:
    PeakMemory() {
        std::ofstream("/proc/self/clear_refs") << "5";
        base_ = StatusBytes("VmRSS");
    }
    std::uint64_t Growth() const {
        const std::uint64_t peak = StatusBytes("VmHWM");
        return peak > base_ ? peak - base_ : 0;
    }

private:
    std::uint64_t base_ = 0;
};

// Memory in proportion to the input: a few copies of it (the file's bytes,
// the text, the box's own copy in two-byte characters, its line table), and
// a fixed allowance for the toolkit. The sanitizers keep freed memory in
// quarantine and add their shadow, hence more room there.
void ExpectMemoryInProportion(const PeakMemory& peak, std::uint64_t input, const char* what) {
    const std::uint64_t allowance = (kSanitizerBuild ? 512 : 96) * kMiB;
    const std::uint64_t growth = peak.Growth();
    EXPECT_LT(growth, 8 * input + allowance) << what << ": peak grew by " << growth / kMiB
                                             << " MiB for " << input / kMiB << " MiB of input";
    ::testing::Test::RecordProperty(std::string(what) + " peak growth MiB",
                                    static_cast<int>(growth / kMiB));
}

std::string Bytes(const QPlainTextEdit* edit) {
    return static_cast<const platform::EditBox*>(edit)->GetBytes();
}

// A message of about `size` bytes: the same 1 KiB block of trace lines and
// body over and over, each block naming a relay of its own.
std::string LargeMessage(std::uint64_t size) {
    std::string message;
    message.reserve(size + 1024);
    for (unsigned n = 0; message.size() < size; ++n) {
        message += "Received: from relay.example (relay.example [10." +
                   std::to_string(n >> 16 & 255) + "." + std::to_string(n >> 8 & 255) + "." +
                   std::to_string(n & 255) + "])\r\n\tby mx.example with SMTP id " +
                   std::to_string(n) + "\r\n";
        while (message.size() % 1024 != 1022) message += message.size() % 64 == 0 ? '\n' : 'y';
        message += "\r\n";
    }
    return message;
}

// The route list for a text whose first twenty qualifying addresses are
// 10.0.0.0 to 10.0.0.19: the table keeps the first twenty, nearest the
// sender first.
QStringList FirstTwentyRoute() {
    QStringList route;
    for (int i = 0; i < 20; ++i) {
        route << QString("[%1] - [10.0.0.%2]").arg(i + 1).arg(19 - i);
    }
    return route;
}

class HostileInput : public ::testing::Test {
protected:
    // Presses `id` and returns the modal windows shown meanwhile; a file
    // dialog is answered with `path`.
    std::vector<SeenModal> Press(int id, const std::string& path = "") {
        ModalWatcher watcher;
        if (!path.empty()) watcher.Then(ModalWatcher::TypePath(path));
        dlg.click(id);
        std::vector<SeenModal> seen;
        for (const SeenModal& s : watcher.seen()) {
            if (s.className != QLatin1String("QFileDialog")) seen.push_back(s);
        }
        return seen;
    }

    // Opens a message of `bytes`, rescans it with Update and clears it: each
    // step works, the boxes give back every byte, and memory stays in
    // proportion.
    void OpenUpdateClear(const std::string& bytes, const QStringList& route) {
        testsupport::WriteBytes(dir / "hostile.eml", bytes);
        const auto expectBoxes = [&](const std::vector<SeenModal>& seen) {
            if (route.isEmpty()) {
                ASSERT_EQ(seen.size(), 1u);
                EXPECT_EQ(seen[0].text, kNoSender);
                EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
            } else {
                EXPECT_TRUE(seen.empty());
            }
        };
        {
            const PeakMemory peak;
            expectBoxes(Press(IDC_OPEN, dir / "hostile.eml"));
            ExpectMemoryInProportion(peak, bytes.size(), "Open");
        }
        EXPECT_TRUE(dlg.m_strSource == bytes);
        EXPECT_EQ(dlg.entries(), route);
        {
            // Update reads the text back from the source box.
            const PeakMemory peak;
            dlg.m_strSource.clear();
            expectBoxes(Press(IDC_UPDATE));
            ExpectMemoryInProportion(peak, bytes.size(), "Update");
        }
        EXPECT_TRUE(dlg.m_strSource == bytes) << "the source box lost or changed bytes";
        EXPECT_EQ(dlg.entries(), route);
        EXPECT_TRUE(Press(IDC_CLEAR_TEXT).empty());
        EXPECT_EQ(dlg.m_strSource, "");
        EXPECT_EQ(Bytes(dlg.edit(IDC_SOURCE_TEXT)), "");
        EXPECT_EQ(dlg.combo()->count(), 0);
    }

    // Loads a small message, as a user would before a lookup.
    void LoadMessage() {
        dlg.m_strSource = kMessage;
        dlg.RefreshRoute(kMessage);
    }

    // After a lookup of a hostile page: the message and route are as they
    // were, nothing is left open, and the next lookup of an ordinary page
    // works.
    void ExpectMessageKeptAndNextLookupWorks(const testsupport::OpenThings& open) {
        EXPECT_EQ(dlg.m_strSource, kMessage);
        EXPECT_EQ(Bytes(dlg.edit(IDC_SOURCE_TEXT)), kMessage);
        EXPECT_EQ(dlg.entries(), QStringList{"[1] - [192.0.2.1]"});
        EXPECT_TRUE(server.WaitUntilIdle());
        EXPECT_EQ(testsupport::CountOpenThings(), open);

        server.Respond(kQueryPath, {.body = testsupport::JoinLines(
                                        testsupport::RecordedPageLines(kOwnDomain), "\n")});
        EXPECT_TRUE(Press(IDC_CHECK_IP).empty());
        EXPECT_EQ(dlg.m_strResults, testsupport::RecordedResultsText(kOwnDomain));
        EXPECT_EQ(dlg.m_strContact, testsupport::kRecordedContact);
        EXPECT_FALSE(fs::exists(kResultsFileName));
    }

    const std::string kMessage = "Received: from a.example [192.0.2.1]\r\n\r\nBuy now\r\n";

    testsupport::TempDir dir;
    testsupport::CurrentDir cwd{dir.path()};
    testsupport::HttpServer server;
    testsupport::ScopedProxy proxy{server.url()};
    testsupport::TestTraceDlg dlg;
};

TEST_F(HostileInput, MessageOf256MiB) {
    if (kSanitizerBuild) {
        GTEST_SKIP() << "takes minutes under the sanitizers; MessageOf16MiB runs there";
    }
    OpenUpdateClear(LargeMessage(256 * kMiB), FirstTwentyRoute());
}

TEST_F(HostileInput, MessageOf16MiB) {
    OpenUpdateClear(LargeMessage(16 * kMiB), FirstTwentyRoute());
}

TEST_F(HostileInput, MessageOfOneLineOf64MiB) {
    OpenUpdateClear(std::string((kSanitizerBuild ? 16 : 64) * kMiB, 'x'), {});
}

TEST_F(HostileInput, MessageOf100000BracketPairs) {
    // Qualifying addresses, empty pairs, spoilt pairs and nested brackets on
    // one line.
    std::string text;
    for (int n = 0; n < 100'000; ++n) {
        switch (n % 4) {
            case 0:
                text += "[10.0." + std::to_string(n / 4 / 256) + "." + std::to_string(n / 4 % 256) +
                        "]";
                break;
            case 1:
                text += "[]";
                break;
            case 2:
                text += "[1.2.3]";
                break;
            default:
                text += "[[x]";
                break;
        }
    }
    OpenUpdateClear(text, FirstTwentyRoute());
}

TEST_F(HostileInput, LookupPageThatNeverEnds) {
    LoadMessage();
    ASSERT_TRUE(Press(IDC_CHECK_IP).empty());  // a first lookup, to set up the layers
    const std::string line = "<DD>more and more";
    server.Respond(kQueryPath, {.body = line + "\n", .withLength = false, .endless = true});
    // The page's time limit stops it; the default would take ten minutes.
    platform::ScopedInternetTimeouts shortLimit(
        {std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::seconds(2)});
    ASSERT_TRUE(server.WaitUntilIdle());
    const testsupport::OpenThings open = testsupport::CountOpenThings();
    const PeakMemory peak;
    const auto seen = Press(IDC_CHECK_IP);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Timeout was reached");
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    // What came is on disk, whole lines only; memory holds no more than a line.
    const std::string saved = testsupport::ReadBytes(kResultsFileName);
    EXPECT_GT(saved.size(), 0u);
    EXPECT_EQ(saved.size() % (line.size() + 2), 0u);
    EXPECT_EQ(saved.substr(0, line.size() + 2), line + "\r\n");
    ExpectMemoryInProportion(peak, 0, "endless page");
    RecordProperty("endless page KiB saved", static_cast<int>(saved.size() / 1024));
    EXPECT_EQ(dlg.m_strResults, "");
    EXPECT_EQ(dlg.m_strContact, "");
    ExpectMessageKeptAndNextLookupWorks(open);
}

TEST_F(HostileInput, LookupPagesOfOneHugeLineOrFullOfMarkers) {
    const std::uint64_t size = (kSanitizerBuild ? 16 : 64) * kMiB;
    std::string markers;
    while (markers.size() < 16 * kMiB) markers += markers.size() % 4096 == 0 ? "\n" : "mailto:<";
    std::string addresses;
    while (addresses.size() < 16 * kMiB) addresses += "<mailto:@<";
    const struct {
        const char* name;
        std::string body;
    } cases[] = {
        {"one line", std::string(size, 'x')},
        {"mailto: and <", markers},
        {"mailto: and < and @", addresses},
    };
    LoadMessage();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // What the reader makes of the page, worked out beside the dialog.
        const std::string pageText = ResultsFileContent(c.body);
        const std::string results = ExtractResultsText(pageText);
        const std::string contact = ExtractContactDomain(pageText);
        server.Respond(kQueryPath, {.body = c.body});
        ASSERT_TRUE(server.WaitUntilIdle());
        const testsupport::OpenThings open = testsupport::CountOpenThings();
        {
            const PeakMemory peak;
            EXPECT_TRUE(Press(IDC_CHECK_IP).empty());
            // The results text can be twice the page: the title and the
            // record body both run to the end of a page without markers.
            ExpectMemoryInProportion(peak, c.body.size() + results.size(), c.name);
        }
        EXPECT_TRUE(dlg.m_strResults == results);
        EXPECT_TRUE(Bytes(dlg.edit(IDC_RESULTS_TEXT)) == results);
        EXPECT_TRUE(dlg.m_strContact == contact);
        EXPECT_FALSE(fs::exists(kResultsFileName));
        ExpectMessageKeptAndNextLookupWorks(open);
    }
}

}  // namespace
