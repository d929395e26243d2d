#include "tests/support/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace testsupport {

namespace {

int BoundLoopbackSocket(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    *port = ntohs(address.sin_port);
    return fd;
}

// Waits until `fd` is ready for `events` or the wake pipe is readable.
// Returns false when woken (the server is stopping) or on an error.
bool WaitFor(int fd, short events, int wake) {
    pollfd fds[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (fds[1].revents & POLLIN)) return false;
        if (fds[0].revents != 0) return true;
    }
}

bool SendAll(int fd, std::string_view data, int wake) {
    while (!data.empty()) {
        if (!WaitFor(fd, POLLOUT, wake)) return false;
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads and drops whatever comes until the client closes its end.
void WaitForClientToGo(int fd, int wake) {
    char buffer[4096];
    while (WaitFor(fd, POLLIN, wake)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return;
    }
}

std::string PathOf(const std::string& target) {
    std::string_view rest = target;
    if (const auto scheme = rest.find("://"); scheme != std::string_view::npos) {
        rest.remove_prefix(scheme + 3);
        const auto slash = rest.find('/');
        rest = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    }
    return std::string(rest.substr(0, rest.find('?')));
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    for (const std::string& header : headers) {
        const auto colon = header.find(':');
        if (colon == std::string::npos || colon != name.size()) continue;
        if (!std::equal(name.begin(), name.end(), header.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            continue;
        }
        std::string value = header.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        return value;
    }
    return {};
}

HttpServer::HttpServer() {
    listen_ = BoundLoopbackSocket(&port_);
    if (::listen(listen_, 16) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(listen_);
        throw std::runtime_error("listen failed");
    }
    thread_ = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
    const char byte = 0;
    (void)!::write(wake_[1], &byte, 1);
    thread_.join();
    ::close(listen_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

std::string HttpServer::url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void HttpServer::Respond(const std::string& target, CannedResponse response) {
    std::lock_guard lock(mutex_);
    responses_[target] = std::move(response);
}

std::vector<RecordedRequest> HttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> HttpServer::targets() const {
    std::vector<std::string> out;
    for (const RecordedRequest& request : requests()) out.push_back(request.target);
    return out;
}

bool HttpServer::WaitUntilIdle() const {
    std::unique_lock lock(mutex_);
    return idleChanged_.wait_for(lock, std::chrono::seconds(10), [this] { return !busy_; });
}

void HttpServer::Serve() {
    while (WaitFor(listen_, POLLIN, wake_[0])) {
        const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        {
            std::lock_guard lock(mutex_);
            busy_ = true;
        }
        const int one = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Handle(client);
        ::close(client);
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        idleChanged_.notify_all();
    }
}

void HttpServer::Handle(int client) {
    // The request head, up to the empty line.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!WaitFor(client, POLLIN, wake_[0])) return;
        const ssize_t n = ::recv(client, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    head.resize(head.find("\r\n\r\n"));

    RecordedRequest request;
    std::size_t at = 0;
    for (bool first = true; at <= head.size(); first = false) {
        const std::size_t end = std::min(head.find("\r\n", at), head.size());
        std::string line = head.substr(at, end - at);
        if (first) {
            request.line = line;
        } else {
            request.headers.push_back(line);
        }
        at = end + 2;
    }
    const auto sp1 = request.line.find(' ');
    const auto sp2 = request.line.find(' ', sp1 == std::string::npos ? 0 : sp1 + 1);
    if (sp1 != std::string::npos && sp2 != std::string::npos) {
        request.target = request.line.substr(sp1 + 1, sp2 - sp1 - 1);
    }

    CannedResponse response;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        auto found = responses_.find(request.target);
        if (found == responses_.end()) found = responses_.find(PathOf(request.target));
        if (found != responses_.end()) {
            response = found->second;
        } else {
            response.status = "404 Not Found";
            response.body = "<HTML><HEAD><TITLE>404 Not Found</TITLE></HEAD></HTML>\r\n";
        }
    }

    if (response.hangUp) return;
    if (response.silent) {
        WaitForClientToGo(client, wake_[0]);
        return;
    }

    std::string out = "HTTP/1.1 " + response.status + "\r\n";
    for (const std::string& header : response.headers) out += header + "\r\n";
    if (response.withLength)
        out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (!SendAll(client, out, wake_[0])) return;
    if (response.beforeBody) response.beforeBody();

    std::string_view body = response.body;
    if (response.cut != CannedResponse::Cut::kNone) body = body.substr(0, response.cutAt);
    const std::size_t piece =
        response.chunkSize == 0 ? std::max<std::size_t>(body.size(), 1) : response.chunkSize;
    do {
        for (std::size_t sent = 0; sent < body.size(); sent += piece) {
            if (!SendAll(client, body.substr(sent, piece), wake_[0])) return;
        }
    } while (response.endless && !body.empty());
    if (response.cut == CannedResponse::Cut::kStall) {
        WaitForClientToGo(client, wake_[0]);
        return;
    }
    // Let the client read everything before the connection goes.
    ::shutdown(client, SHUT_WR);
    if (response.cut == CannedResponse::Cut::kNone) WaitForClientToGo(client, wake_[0]);
}

RefusingPort::RefusingPort() {
    fd_ = BoundLoopbackSocket(&port_);
}

RefusingPort::~RefusingPort() {
    ::close(fd_);
}

std::string RefusingPort::url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

ScopedProxy::ScopedProxy(const std::string& proxyUrl) {
    for (const char* name : {"http_proxy", "no_proxy", "NO_PROXY"}) {
        const char* value = std::getenv(name);
        saved_.push_back({name, value != nullptr, value != nullptr ? value : ""});
    }
    ::setenv("http_proxy", proxyUrl.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
}

ScopedProxy::~ScopedProxy() {
    for (const Saved& s : saved_) {
        if (s.set) {
            ::setenv(s.name, s.value.c_str(), 1);
        } else {
            ::unsetenv(s.name);
        }
    }
}

}  // namespace testsupport
