#pragma once

// The Internet layer: an HTTP client that fetches a URL by GET and hands its
// body out in blocking pull reads. Requests go through the proxy that the
// environment names (http_proxy, with no_proxy listing the hosts reached
// directly) and follow redirects. Every failure raises NetworkError with
// libcurl's code (CURLcode; 1000 + CURLMcode for a failure of its multi
// interface) and libcurl's text for that code.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/errors.h"

namespace platform {

// How long an operation waits: to connect to a server, for the next bytes of
// a response once connected, and for a whole page from its request to the end
// of its body (so that a page that never ends cannot hold the program for
// ever).
struct InternetTimeouts {
    std::chrono::milliseconds connect{60'000};
    std::chrono::milliseconds receive{60'000};
    std::chrono::milliseconds page{600'000};
};

class InternetSession;
class InternetPage;

// An open Internet session: the user agent and the timeouts of the pages
// opened through it. A default-constructed session is closed; moving leaves
// the source closed.
class InternetSession {
public:
    InternetSession() noexcept;
    ~InternetSession();
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;
    InternetSession(InternetSession&& other) noexcept;
    InternetSession& operator=(InternetSession&& other) noexcept;

    bool IsOpen() const noexcept { return state_ != nullptr; }

private:
    friend InternetSession InternetOpenA(const std::string& userAgent);
    friend InternetPage InternetOpenUrlA(InternetSession& session, const std::string& url);
    friend bool InternetCloseHandle(InternetSession& session) noexcept;
    struct State;
    std::unique_ptr<State> state_;
};

// An open page: a response whose headers have arrived and whose body is read
// with InternetReadFile. Closing it, or destroying it, drops the rest of the
// body unread. A default-constructed page is closed; moving leaves the source
// closed.
class InternetPage {
public:
    InternetPage() noexcept;
    ~InternetPage();
    InternetPage(const InternetPage&) = delete;
    InternetPage& operator=(const InternetPage&) = delete;
    InternetPage(InternetPage&& other) noexcept;
    InternetPage& operator=(InternetPage&& other) noexcept;

    bool IsOpen() const noexcept { return state_ != nullptr; }

private:
    friend InternetPage InternetOpenUrlA(InternetSession& session, const std::string& url);
    friend std::size_t InternetReadFile(InternetPage& page, void* buffer, std::size_t size);
    friend bool InternetCloseHandle(InternetPage& page) noexcept;
    struct State;
    std::unique_ptr<State> state_;
};

// Opens a session whose requests carry `userAgent` as their User-Agent. The
// timeouts are the defaults, or those of the innermost ScopedInternetTimeouts.
InternetSession InternetOpenA(const std::string& userAgent);

// Sends a GET for the full "http://" (or "https://") `url` and returns once
// the final response's headers have arrived, whatever its status code;
// redirects are followed. Raises NetworkError when the host or proxy cannot
// be resolved or reached, the request cannot be sent, or no response arrives
// within the timeouts. REQUIRES: `session` is open.
InternetPage InternetOpenUrlA(InternetSession& session, const std::string& url);

// Blocks until body bytes are available, copies up to `size` of them to
// `buffer` and returns how many; 0 means the body has ended. Raises
// NetworkError when the transfer fails (a connection closed before the body
// was complete, no bytes within the receive timeout). REQUIRES: `page` is
// open and `size` > 0.
std::size_t InternetReadFile(InternetPage& page, void* buffer, std::size_t size);

// Closes a page or a session; closing a closed one does nothing. The handle
// is released whatever happens; the result says whether the close succeeded
// (only a ScopedInternetFault makes it fail), and callers are free to ignore
// it.
bool InternetCloseHandle(InternetPage& page) noexcept;
bool InternetCloseHandle(InternetSession& session) noexcept;

// How many sessions and pages are open in the process: each open session and
// each open page counts one, until it is closed or destroyed.
int InternetHandleCount() noexcept;

// Sessions opened while an instance lives get `timeouts` instead of the
// defaults. For tests; instances nest and must be destroyed in reverse order.
class ScopedInternetTimeouts {
public:
    explicit ScopedInternetTimeouts(InternetTimeouts timeouts);
    ~ScopedInternetTimeouts();
    ScopedInternetTimeouts(const ScopedInternetTimeouts&) = delete;
    ScopedInternetTimeouts& operator=(const ScopedInternetTimeouts&) = delete;

private:
    InternetTimeouts previous_;
};

// ---- Fault injection for tests ------------------------------------------------

// The operations of the Internet layer that a test can make fail.
enum class InternetOp { kOpen, kOpenUrl, kRead, kClose };

// Makes the Internet layer fail while this object lives, for tests only:
// production code never creates one.
//
//   platform::ScopedInternetFault fault(platform::InternetOp::kRead, 56);
//   // every InternetReadFile now raises NetworkError(56, libcurl's text)
//
// While it lives, each call of `op` after the first `succeedFirst` calls
// fails with the libcurl code `code`: InternetOpenA, InternetOpenUrlA and
// InternetReadFile raise NetworkError with that code and libcurl's text for
// it, before they send or take anything; InternetCloseHandle releases the
// handle and returns false. Faults nest; the one created last decides for
// its op. Create and destroy them on the thread that uses the layer, in stack
// order.
class ScopedInternetFault {
public:
    ScopedInternetFault(InternetOp op, int code, int succeedFirst = 0);
    ~ScopedInternetFault();
    ScopedInternetFault(const ScopedInternetFault&) = delete;
    ScopedInternetFault& operator=(const ScopedInternetFault&) = delete;

    // How many calls of `op` this fault has made fail so far.
    int failures() const { return failures_; }

    // The code that the innermost live fault for `op` injects into this
    // call, or 0 when the call goes ahead.
    static int Take(InternetOp op) noexcept;

private:
    InternetOp op_;
    int code_;
    int passesLeft_;
    int failures_ = 0;
    ScopedInternetFault* outer_;
};

}  // namespace platform
