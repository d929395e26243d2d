#include "platform/internet.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <string_view>
#include <utility>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

InternetTimeouts g_timeouts;

// Open sessions and pages, counted by their states.
std::atomic<int> g_liveHandles{0};

struct LiveHandle {
    LiveHandle() noexcept { ++g_liveHandles; }
    ~LiveHandle() { --g_liveHandles; }
    LiveHandle(const LiveHandle&) = delete;
    LiveHandle& operator=(const LiveHandle&) = delete;
};

// The innermost live fault; faults link to the one they hide.
ScopedInternetFault* g_innermostFault = nullptr;

[[noreturn]] void Raise(CURLcode code) {
    const char* text = curl_easy_strerror(code);
    throw NetworkError(static_cast<int>(code), text != nullptr ? text : "");
}

// Errors of the multi interface are reported apart from those of transfers.
constexpr int kMultiCodeBase = 1000;

[[noreturn]] void Raise(CURLMcode code) {
    const char* text = curl_multi_strerror(code);
    throw NetworkError(kMultiCodeBase + static_cast<int>(code), text != nullptr ? text : "");
}

void GlobalInit() {
    static std::once_flag once;
    // A failed initialisation raises and is tried again by the next session.
    std::call_once(once, [] {
        const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (code != CURLE_OK) Raise(code);
    });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char a =
            text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (a != prefix[i]) return false;
    }
    return true;
}

}  // namespace

struct InternetSession::State {
    LiveHandle live;
    std::string userAgent;
    InternetTimeouts timeouts;
};

struct InternetPage::State {
    LiveHandle live;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    bool added = false;
    InternetTimeouts timeouts;

    std::string body;  // bytes received and not yet read, from readPos
    std::size_t readPos = 0;
    bool sawLocation = false;  // the current response names a redirect target
    bool headersDone = false;  // the final response's headers have all arrived
    bool done = false;
    CURLcode result = CURLE_OK;
    Clock::time_point started;  // when the request was made
    Clock::time_point lastActivity;
    std::exception_ptr callbackError;  // raised inside a callback, rethrown outside

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (added) curl_multi_remove_handle(multi, easy);
        if (easy != nullptr) curl_easy_cleanup(easy);
        if (multi != nullptr) curl_multi_cleanup(multi);
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto* self = static_cast<State*>(user);
        const std::size_t length = size * count;
        self->lastActivity = Clock::now();
        const std::string_view line(data, length);
        if (StartsWithNoCase(line, "http/")) {
            self->sawLocation = false;  // a new response begins
        } else if (StartsWithNoCase(line, "location:")) {
            self->sawLocation = true;
        } else if (line == "\r\n" || line == "\n") {
            // Informational responses and redirects that will be followed
            // are not the page.
            long status = 0;
            curl_easy_getinfo(self->easy, CURLINFO_RESPONSE_CODE, &status);
            const bool redirect = status >= 300 && status < 400 && self->sawLocation;
            if (status >= 200 && !redirect) self->headersDone = true;
        }
        return length;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto* self = static_cast<State*>(user);
        const std::size_t length = size * count;
        try {
            self->body.append(data, length);
        } catch (...) {
            self->callbackError = std::current_exception();
            return 0;  // ends the transfer
        }
        self->headersDone = true;
        self->lastActivity = Clock::now();
        return length;
    }

    bool RequestSent() const {
        long bytes = 0;
        return curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &bytes) == CURLE_OK && bytes > 0;
    }

    // Runs the transfer until `ready` holds or the transfer has ended. Raises
    // a timeout when nothing arrives for `idle`, or when the page has taken
    // longer than its timeouts allow since its request; while connecting,
    // libcurl's connect timeout applies instead of `idle`.
    void Drive(const std::function<bool()>& ready, std::chrono::milliseconds idle) {
        lastActivity = Clock::now();
        while (!ready() && !done) {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
            if (elapsed >= timeouts.page) Raise(CURLE_OPERATION_TIMEDOUT);
            if (!RequestSent()) lastActivity = Clock::now();
            int running = 0;
            CURLMcode mc = curl_multi_perform(multi, &running);
            if (callbackError) std::rethrow_exception(std::exchange(callbackError, nullptr));
            if (mc != CURLM_OK) Raise(mc);
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE) {
                    done = true;
                    result = message->data.result;
                }
            }
            if (ready() || done) break;
            const auto waited =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastActivity);
            if (waited >= idle) Raise(CURLE_OPERATION_TIMEDOUT);
            const auto left = std::min(idle - waited, timeouts.page - elapsed);
            const auto wait = std::clamp<long long>(left.count(), 1, 1000);
            mc = curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait), nullptr);
            if (mc != CURLM_OK) Raise(mc);
        }
    }
};

// ---- InternetSession --------------------------------------------------------

InternetSession::InternetSession() noexcept = default;
InternetSession::~InternetSession() = default;
InternetSession::InternetSession(InternetSession&& other) noexcept = default;
InternetSession& InternetSession::operator=(InternetSession&& other) noexcept = default;

InternetSession InternetOpenA(const std::string& userAgent) {
    if (const int fault = ScopedInternetFault::Take(InternetOp::kOpen)) {
        Raise(static_cast<CURLcode>(fault));
    }
    GlobalInit();
    InternetSession session;
    session.state_ = std::make_unique<InternetSession::State>();
    session.state_->userAgent = userAgent;
    session.state_->timeouts = g_timeouts;
    return session;
}

bool InternetCloseHandle(InternetSession& session) noexcept {
    if (!session.IsOpen()) return true;
    session.state_.reset();
    return ScopedInternetFault::Take(InternetOp::kClose) == 0;
}

// ---- InternetPage -----------------------------------------------------------

InternetPage::InternetPage() noexcept = default;
InternetPage::~InternetPage() = default;
InternetPage::InternetPage(InternetPage&& other) noexcept = default;
InternetPage& InternetPage::operator=(InternetPage&& other) noexcept = default;

namespace {

template <class T>
void SetOption(CURL* easy, CURLoption option, T value) {
    const CURLcode code = curl_easy_setopt(easy, option, value);
    if (code != CURLE_OK) Raise(code);
}

}  // namespace

InternetPage InternetOpenUrlA(InternetSession& session, const std::string& url) {
    if (!session.IsOpen()) Raise(CURLE_BAD_FUNCTION_ARGUMENT);
    if (const int fault = ScopedInternetFault::Take(InternetOp::kOpenUrl)) {
        Raise(static_cast<CURLcode>(fault));
    }
    const InternetSession::State& settings = *session.state_;

    auto state = std::make_unique<InternetPage::State>();
    state->timeouts = settings.timeouts;
    state->started = Clock::now();
    state->easy = curl_easy_init();
    state->multi = curl_multi_init();
    if (state->easy == nullptr || state->multi == nullptr) Raise(CURLE_FAILED_INIT);

    CURL* easy = state->easy;
    SetOption(easy, CURLOPT_URL, url.c_str());
    SetOption(easy, CURLOPT_USERAGENT, settings.userAgent.c_str());
    SetOption(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOption(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    SetOption(easy, CURLOPT_FOLLOWLOCATION, 1L);
    SetOption(easy, CURLOPT_MAXREDIRS, 30L);
    SetOption(easy, CURLOPT_CONNECTTIMEOUT_MS,
              static_cast<long>(settings.timeouts.connect.count()));
    SetOption(easy, CURLOPT_NOSIGNAL, 1L);
    SetOption(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    SetOption(easy, CURLOPT_HEADERFUNCTION, &InternetPage::State::OnHeader);
    SetOption(easy, CURLOPT_HEADERDATA, state.get());
    SetOption(easy, CURLOPT_WRITEFUNCTION, &InternetPage::State::OnBody);
    SetOption(easy, CURLOPT_WRITEDATA, state.get());

    const CURLMcode added = curl_multi_add_handle(state->multi, easy);
    if (added != CURLM_OK) Raise(added);
    state->added = true;

    InternetPage::State& s = *state;
    s.Drive([&s] { return s.headersDone; }, settings.timeouts.receive);
    // A failure after the headers, even within the same wait, belongs to
    // the body and is raised by the read that reaches it.
    if (!s.headersDone && s.result != CURLE_OK) Raise(s.result);

    InternetPage page;
    page.state_ = std::move(state);
    return page;
}

std::size_t InternetReadFile(InternetPage& page, void* buffer, std::size_t size) {
    if (!page.IsOpen()) Raise(CURLE_BAD_FUNCTION_ARGUMENT);
    if (const int fault = ScopedInternetFault::Take(InternetOp::kRead)) {
        Raise(static_cast<CURLcode>(fault));
    }
    InternetPage::State& s = *page.state_;
    if (s.readPos == s.body.size()) {
        s.body.clear();
        s.readPos = 0;
        s.Drive([&s] { return !s.body.empty(); }, s.timeouts.receive);
    }
    const std::size_t available = s.body.size() - s.readPos;
    if (available == 0) {
        // The transfer has ended; bytes it delivered were all read first.
        if (s.result != CURLE_OK) Raise(s.result);
        return 0;
    }
    const std::size_t count = std::min(size, available);
    std::memcpy(buffer, s.body.data() + s.readPos, count);
    s.readPos += count;
    return count;
}

bool InternetCloseHandle(InternetPage& page) noexcept {
    if (!page.IsOpen()) return true;
    page.state_.reset();
    return ScopedInternetFault::Take(InternetOp::kClose) == 0;
}

int InternetHandleCount() noexcept {
    return g_liveHandles.load();
}

// ---- ScopedInternetTimeouts --------------------------------------------------

ScopedInternetTimeouts::ScopedInternetTimeouts(InternetTimeouts timeouts) : previous_(g_timeouts) {
    g_timeouts = timeouts;
}

ScopedInternetTimeouts::~ScopedInternetTimeouts() {
    g_timeouts = previous_;
}

// ---- ScopedInternetFault ------------------------------------------------------

ScopedInternetFault::ScopedInternetFault(InternetOp op, int code, int succeedFirst)
    : op_(op), code_(code), passesLeft_(succeedFirst), outer_(g_innermostFault) {
    g_innermostFault = this;
}

ScopedInternetFault::~ScopedInternetFault() {
    g_innermostFault = outer_;
}

int ScopedInternetFault::Take(InternetOp op) noexcept {
    for (ScopedInternetFault* fault = g_innermostFault; fault != nullptr; fault = fault->outer_) {
        if (fault->op_ != op) continue;
        if (fault->passesLeft_ > 0) {
            --fault->passesLeft_;
            return 0;
        }
        ++fault->failures_;
        return fault->code_;
    }
    return 0;
}

}  // namespace platform
