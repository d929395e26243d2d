#include "platform/internet.h"

#include <curl/curl.h>

#include <algorithm>
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
    std::string userAgent;
    InternetTimeouts timeouts;
};

struct InternetPage::State {
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
    // a timeout when nothing arrives for `idle`; while connecting, libcurl's
    // connect timeout applies instead.
    void Drive(const std::function<bool()>& ready, std::chrono::milliseconds idle) {
        lastActivity = Clock::now();
        while (!ready() && !done) {
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
            const auto wait = std::clamp<long long>((idle - waited).count(), 1, 1000);
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
    GlobalInit();
    InternetSession session;
    session.state_ = std::make_unique<InternetSession::State>();
    session.state_->userAgent = userAgent;
    session.state_->timeouts = g_timeouts;
    return session;
}

void InternetCloseHandle(InternetSession& session) noexcept {
    session.state_.reset();
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
    const InternetSession::State& settings = *session.state_;

    auto state = std::make_unique<InternetPage::State>();
    state->timeouts = settings.timeouts;
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

void InternetCloseHandle(InternetPage& page) noexcept {
    page.state_.reset();
}

// ---- ScopedInternetTimeouts --------------------------------------------------

ScopedInternetTimeouts::ScopedInternetTimeouts(InternetTimeouts timeouts) : previous_(g_timeouts) {
    g_timeouts = timeouts;
}

ScopedInternetTimeouts::~ScopedInternetTimeouts() {
    g_timeouts = previous_;
}

}  // namespace platform
