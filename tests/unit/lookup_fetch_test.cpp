#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lookup/lookup_download.h"
#include "lookup/lookup_fetch.h"
#include "platform/internet.h"
#include "tests/support/file_fixtures.h"
#include "tests/support/http_server.h"

namespace {

namespace fs = std::filesystem;
using testsupport::CannedResponse;
using testsupport::ReadBytes;

constexpr const char* kUrl = "http://www.site.example/result.htm";

class LookupFetchTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::CurrentDir cwd{dir.path()};
    testsupport::HttpServer server;
    testsupport::ScopedProxy proxy{server.url()};
    // Reading past what a test expects runs into this instead of hanging.
    platform::ScopedInternetTimeouts timeouts{{std::chrono::seconds(30), std::chrono::seconds(3)}};
    platform::InternetSession internet = platform::InternetOpenA("Brindle");
};

TEST_F(LookupFetchTest, SavesThePageLinesUpToTheEndMarker) {
    const std::string longLine(10'000, 'w');  // longer than the largest read
    const struct {
        const char* name;
        std::string body;
        std::string file;
    } cases[] = {
        {"LF ends", "<HTML>\n<P>a\n\nb\n</HTML>\nafter\n", "<HTML>\r\n<P>a\r\n\r\nb\r\n"},
        {"CR LF ends", "<HTML>\r\n<P>a\r\n\r\nb\r\n</HTML>\r\n", "<HTML>\r\n<P>a\r\n\r\nb\r\n"},
        {"CR ends make one line", "a\rb\r\rc\r", "abc\r\n"},
        {"empty body", "", ""},
        {"last line without LF", "a\nb", "a\r\nb\r\n"},
        {"long line", "a\n" + longLine + "\nb\n", "a\r\n" + longLine + "\r\nb\r\n"},
        {"end marker in mid-line", "a\nx </HTML> y\nb\n", "a\r\n"},
        {"end marker in lower case", "a\n</html>\nb", "a\r\n</html>\r\nb\r\n"},
        {"end marker on the first line", "<HEAD></HEAD></HTML>\nb\n", ""},
    };
    for (const auto& c : cases) {
        for (const std::size_t chunk : {std::size_t{0}, std::size_t{3}}) {
            testsupport::WriteBytes(kResultsFileName, "old content\r\n");
            server.Respond(kUrl, {.body = c.body, .chunkSize = chunk});
            FetchResults(internet, kUrl);
            EXPECT_EQ(ReadBytes(kResultsFileName), c.file) << c.name << ", chunks of " << chunk;
        }
    }
}

TEST_F(LookupFetchTest, ReadsNothingAfterTheEndMarkerLine) {
    // The server sends no more after the end marker line and keeps the
    // connection open; the download must end without waiting for more.
    const std::string head = "a\n</HTML>\n";
    server.Respond(
        kUrl,
        {.body = head + "never sent\n", .cut = CannedResponse::Cut::kStall, .cutAt = head.size()});
    FetchResults(internet, kUrl);
    EXPECT_EQ(ReadBytes(kResultsFileName), "a\r\n");
    EXPECT_TRUE(server.WaitUntilIdle());
}

TEST_F(LookupFetchTest, ClosesThePageUnreadWhenTheFileCannotBeCreated) {
    server.Respond(kUrl, {.body = "a\nb\n", .cut = CannedResponse::Cut::kStall, .cutAt = 2});
    fs::create_directory(kResultsFileName);
    FetchResults(internet, kUrl);
    EXPECT_TRUE(fs::is_directory(kResultsFileName));
    EXPECT_EQ(server.targets(), std::vector<std::string>{kUrl}) << "the page was opened";
    EXPECT_TRUE(server.WaitUntilIdle());
}

TEST_F(LookupFetchTest, NeverWritesThroughASymbolicLink) {
    testsupport::WriteBytes("victim.txt", "keep me");
    fs::create_symlink("victim.txt", kResultsFileName);
    server.Respond(kUrl, {.body = "a\nb\n"});
    FetchResults(internet, kUrl);
    EXPECT_EQ(ReadBytes("victim.txt"), "keep me");
    EXPECT_TRUE(fs::is_symlink(kResultsFileName));
}

TEST_F(LookupFetchTest, ProbeMatchesOnlyTheExactMarkerLine) {
    const std::string marker(kUpgradeMarker);
    const std::string rest = "<BODY>A new version is out.</BODY></HTML>\n";
    const struct {
        const char* name;
        std::string body;
        bool expected;
    } cases[] = {
        {"LF", marker + "\n" + rest, true},
        {"CR LF", marker + "\r\n" + rest, true},
        {"no line end", marker, true},
        {"leading space", " " + marker + "\n" + rest, false},
        {"lower case", "<html><head><title>Upgrade available!</title>\n" + rest, false},
        {"more on the line", marker + "</HEAD>\n" + rest, false},
        {"marker on the second line", "\n" + marker + "\n", false},
        {"empty page", "", false},
        {"first line far longer than any read", marker + std::string(100'000, ' ') + "\n", false},
    };
    for (const auto& c : cases) {
        server.Respond("/upgrade.htm", {.body = c.body});
        EXPECT_EQ(ProbeUpgradeNotice(internet), c.expected) << c.name;
    }
    server.Respond("/upgrade.htm", {.status = "404 Not Found", .body = marker + "\n"});
    EXPECT_TRUE(ProbeUpgradeNotice(internet)) << "the status is not looked at";

    const auto targets = server.targets();
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets.front(), web::UpgradeNoticeUrl());
}

TEST_F(LookupFetchTest, ProbeReadsOnlyWhatItNeeds) {
    const std::string marker(kUpgradeMarker);
    // A marker line followed by a stall, and a first line that never ends:
    // neither may wait for more of the page.
    server.Respond("/upgrade.htm", {.body = marker + "\nmore",
                                    .cut = CannedResponse::Cut::kStall,
                                    .cutAt = marker.size() + 1});
    EXPECT_TRUE(ProbeUpgradeNotice(internet));
    server.Respond(
        "/upgrade.htm",
        {.body = std::string(1'000'000, 'x'), .cut = CannedResponse::Cut::kStall, .cutAt = 100});
    EXPECT_FALSE(ProbeUpgradeNotice(internet));
    EXPECT_TRUE(server.WaitUntilIdle());
}

}  // namespace
