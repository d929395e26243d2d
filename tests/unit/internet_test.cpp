#include <gtest/gtest.h>

#include <future>
#include <string>

#include "platform/internet.h"
#include "tests/support/http_server.h"

namespace {

using platform::InternetPage;
using platform::InternetSession;
using testsupport::CannedResponse;
using testsupport::HttpServer;

constexpr const char* kPageUrl = "http://www.site.example/page.htm";

// Reads a page to its end in reads of `size` bytes.
std::string ReadAll(InternetPage& page, std::size_t size) {
    std::string body;
    std::string buffer(size, '\0');
    while (const std::size_t n = platform::InternetReadFile(page, buffer.data(), size)) {
        EXPECT_LE(n, size);
        body.append(buffer, 0, n);
    }
    return body;
}

// The code of the NetworkError that `action` raises, or 0 when it raises none.
template <class F>
int NetworkErrorCode(F action, std::string* text = nullptr) {
    try {
        action();
    } catch (const platform::NetworkError& e) {
        if (text != nullptr) *text = e.text();
        return e.code();
    }
    return 0;
}

class InternetTest : public ::testing::Test {
protected:
    HttpServer server;
    testsupport::ScopedProxy proxy{server.url()};
};

TEST_F(InternetTest, SendsTheFullUrlAndUserAgentThroughTheProxy) {
    server.Respond(kPageUrl, {.body = "hello"});
    InternetSession session = platform::InternetOpenA("Brindle");
    InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
    EXPECT_EQ(ReadAll(page, 100), "hello");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].line, std::string("GET ") + kPageUrl + " HTTP/1.1");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Brindle");
}

TEST_F(InternetTest, OpenReturnsOnceTheHeadersHaveArrived) {
    // The body is held back until the page is open; an open that waited for
    // it would run into the receive timeout.
    platform::ScopedInternetTimeouts timeouts({std::chrono::seconds(30), std::chrono::seconds(5)});
    std::promise<void> opened;
    std::shared_future<void> gate = opened.get_future().share();
    server.Respond("/page.htm", {.body = "body bytes", .beforeBody = [gate] { gate.wait(); }});

    InternetSession session = platform::InternetOpenA("Brindle");
    InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
    opened.set_value();
    EXPECT_EQ(ReadAll(page, 4), "body bytes");
}

TEST_F(InternetTest, ReadsTheWholeBodyWhateverTheChunksAndReadSizes) {
    std::string body;
    for (int i = 0; body.size() < 200'000; ++i) body += "line " + std::to_string(i) + "\r\n";
    for (const bool withLength : {true, false}) {
        for (const std::size_t chunk : {std::size_t{0}, std::size_t{7}, std::size_t{5000}}) {
            server.Respond(kPageUrl, {.body = body, .withLength = withLength, .chunkSize = chunk});
            for (const std::size_t readSize :
                 {std::size_t{1}, std::size_t{4096}, std::size_t{1 << 20}}) {
                if (readSize == 1 && chunk == 7) continue;  // slow and adds nothing
                InternetSession session = platform::InternetOpenA("Brindle");
                InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
                EXPECT_EQ(ReadAll(page, readSize), body)
                    << "length " << withLength << ", chunks " << chunk << ", reads " << readSize;
            }
        }
    }
}

TEST_F(InternetTest, AnyStatusGivesAPageAndRedirectsAreFollowed) {
    server.Respond("/missing.htm", {.status = "404 Not Found", .body = "not here"});
    server.Respond("/empty.htm", {.body = ""});
    server.Respond("/moved.htm", {.status = "302 Found",
                                  .headers = {"Location: http://www.site.example/target.htm"},
                                  .body = "moved"});
    server.Respond("/target.htm", {.body = "arrived"});

    InternetSession session = platform::InternetOpenA("Brindle");
    const struct {
        const char* url;
        const char* body;
    } cases[] = {
        {"http://www.site.example/missing.htm", "not here"},
        {"http://www.site.example/empty.htm", ""},
        {"http://www.site.example/moved.htm", "arrived"},
    };
    for (const auto& c : cases) {
        InternetPage page = platform::InternetOpenUrlA(session, c.url);
        EXPECT_EQ(ReadAll(page, 64), c.body) << c.url;
    }
}

TEST_F(InternetTest, BytesBeforeAFailureAreReadBeforeItIsRaised) {
    server.Respond(
        kPageUrl,
        {.body = std::string(5000, 'x'), .cut = CannedResponse::Cut::kClose, .cutAt = 1000});
    InternetSession session = platform::InternetOpenA("Brindle");
    InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
    std::string body;
    const int code = NetworkErrorCode([&] {
        char buffer[300];
        while (const std::size_t n = platform::InternetReadFile(page, buffer, sizeof buffer)) {
            body.append(buffer, n);
        }
    });
    EXPECT_EQ(code, 18);
    EXPECT_EQ(body, std::string(1000, 'x'));
}

TEST_F(InternetTest, ClosingAPageLeavesTheRestUnread) {
    // The server stalls after the first bytes; closing must not wait for it.
    server.Respond(
        kPageUrl,
        {.body = std::string(1000, 'x'), .cut = CannedResponse::Cut::kStall, .cutAt = 10});
    InternetSession session = platform::InternetOpenA("Brindle");
    InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
    char buffer[10];
    EXPECT_GT(platform::InternetReadFile(page, buffer, sizeof buffer), 0u);
    platform::InternetCloseHandle(page);
    EXPECT_FALSE(page.IsOpen());
    EXPECT_TRUE(server.WaitUntilIdle());  // the connection is gone
}

TEST_F(InternetTest, HandlesMoveAndCloseTheirResources) {
    server.Respond(kPageUrl, {.body = "abc"});
    InternetSession session = platform::InternetOpenA("Brindle");
    InternetSession moved = std::move(session);
    EXPECT_FALSE(session.IsOpen());
    ASSERT_TRUE(moved.IsOpen());

    InternetPage first = platform::InternetOpenUrlA(moved, kPageUrl);
    InternetPage second;
    second = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    platform::InternetCloseHandle(moved);  // pages outlive their session
    EXPECT_EQ(ReadAll(second, 8), "abc");

    char byte;
    EXPECT_NE(NetworkErrorCode([&] { platform::InternetReadFile(first, &byte, 1); }), 0);
    EXPECT_NE(NetworkErrorCode([&] { platform::InternetOpenUrlA(session, kPageUrl); }), 0);
}

TEST(InternetErrors, RaiseNetworkErrorsWithTheLayersText) {
    HttpServer server;
    server.Respond(
        "/mid-body.htm",
        {.body = std::string(5000, 'x'), .cut = CannedResponse::Cut::kClose, .cutAt = 1000});
    server.Respond("/hang-up.htm", {.hangUp = true});
    server.Respond("/silent.htm", {.silent = true});
    server.Respond(
        "/stall.htm",
        {.body = std::string(5000, 'x'), .cut = CannedResponse::Cut::kStall, .cutAt = 100});
    testsupport::RefusingPort refusing;
    platform::ScopedInternetTimeouts timeouts(
        {std::chrono::seconds(30), std::chrono::milliseconds(300)});

    const struct {
        const char* name;
        std::string proxy;
        const char* url;
        int code;
        const char* text;
    } cases[] = {
        {"refused", refusing.url(), kPageUrl, 7, "Couldn't connect to server"},
        {"closed mid-body", server.url(), "http://x.example/mid-body.htm", 18,
         "Transferred a partial file"},
        {"closed without answer", server.url(), "http://x.example/hang-up.htm", 52,
         "Server returned nothing (no headers, no data)"},
        {"no answer", server.url(), "http://x.example/silent.htm", 28, "Timeout was reached"},
        {"body stalls", server.url(), "http://x.example/stall.htm", 28, "Timeout was reached"},
        {"bad URL", server.url(), "http://", 3, "URL using bad/illegal format or missing URL"},
        {"other scheme", server.url(), "ftp://x.example/a", 1, "Unsupported protocol"},
    };
    for (const auto& c : cases) {
        testsupport::ScopedProxy proxy(c.proxy);
        std::string text;
        const int code = NetworkErrorCode(
            [&] {
                InternetSession session = platform::InternetOpenA("Brindle");
                InternetPage page = platform::InternetOpenUrlA(session, c.url);
                ReadAll(page, 4096);
            },
            &text);
        EXPECT_EQ(code, c.code) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
    EXPECT_TRUE(server.WaitUntilIdle());
}

TEST_F(InternetTest, APageThatNeverEndsIsStoppedByThePageTimeout) {
    // Bytes keep coming, so the wait for the next ones never runs out.
    server.Respond(kPageUrl, {.body = "one more line\n", .withLength = false, .endless = true});
    platform::ScopedInternetTimeouts timeouts(
        {std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::milliseconds(500)});
    InternetSession session = platform::InternetOpenA("Brindle");
    InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
    std::size_t received = 0;
    std::string text;
    const int code = NetworkErrorCode(
        [&] {
            char buffer[4096];
            while (const std::size_t n = platform::InternetReadFile(page, buffer, sizeof buffer)) {
                received += n;
            }
        },
        &text);
    EXPECT_EQ(code, 28);
    EXPECT_EQ(text, "Timeout was reached");
    EXPECT_GT(received, 0u);
    platform::InternetCloseHandle(page);
    EXPECT_TRUE(server.WaitUntilIdle());
}

TEST_F(InternetTest, InjectedFaultsFailEachOperationAndLeaveNoHandleOpen) {
    using platform::InternetOp;
    server.Respond(kPageUrl, {.body = "abc"});
    const int before = platform::InternetHandleCount();
    const struct {
        const char* name;
        InternetOp op;
        int code;
        const char* text;
    } cases[] = {
        {"open", InternetOp::kOpen, 2, "Failed initialization"},
        {"open URL", InternetOp::kOpenUrl, 6, "Couldn't resolve host name"},
        {"read", InternetOp::kRead, 56, "Failure when receiving data from the peer"},
    };
    for (const auto& c : cases) {
        platform::ScopedInternetFault fault(c.op, c.code);
        std::string text;
        const int code = NetworkErrorCode(
            [&] {
                InternetSession session = platform::InternetOpenA("Brindle");
                EXPECT_EQ(platform::InternetHandleCount(), before + 1) << c.name;
                InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
                EXPECT_EQ(platform::InternetHandleCount(), before + 2) << c.name;
                ReadAll(page, 64);
            },
            &text);
        EXPECT_EQ(code, c.code) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
        EXPECT_EQ(fault.failures(), 1) << c.name;
        EXPECT_EQ(platform::InternetHandleCount(), before) << c.name;
    }

    // A close that fails still releases the handle.
    platform::ScopedInternetFault fault(InternetOp::kClose, 55, 1);
    InternetSession session = platform::InternetOpenA("Brindle");
    InternetPage page = platform::InternetOpenUrlA(session, kPageUrl);
    EXPECT_EQ(ReadAll(page, 64), "abc");
    EXPECT_TRUE(platform::InternetCloseHandle(page));
    EXPECT_FALSE(platform::InternetCloseHandle(session));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_TRUE(platform::InternetCloseHandle(session)) << "closing a closed handle does nothing";
    EXPECT_EQ(fault.failures(), 1);
    EXPECT_EQ(platform::InternetHandleCount(), before);
    EXPECT_TRUE(server.WaitUntilIdle());
}

}  // namespace
