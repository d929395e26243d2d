#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// What the server sends for one request.
struct CannedResponse {
    std::string status = "200 OK";
    std::vector<std::string> headers{};  // further header lines, without line ends
    std::string body{};
    // Sends a Content-Length header; without it the close ends the body.
    bool withLength = true;
    // Sends the body in pieces of this many bytes, each sent on its own (0:
    // all at once).
    std::size_t chunkSize = 0;
    // After `cutAt` bytes of the body: close the connection, or stall (send
    // nothing more, waiting until the client goes).
    enum class Cut { kNone, kClose, kStall };
    Cut cut = Cut::kNone;
    std::size_t cutAt = 0;
    // Sends the body again and again, without end, until the client goes
    // (use without a Content-Length).
    bool endless = false;
    // Reads the request and never answers, waiting until the client goes.
    bool silent = false;
    // Closes the connection without answering.
    bool hangUp = false;
    // Runs on the server's thread between the headers and the body.
    std::function<void()> beforeBody{};
};

// One request as the server received it.
struct RecordedRequest {
    std::string line;                  // "GET http://host/path HTTP/1.1"
    std::string target;                // "http://host/path"
    std::vector<std::string> headers;  // "Name: value", in order
    // The value of the first header called `name` (any case), or "" if none.
    std::string Header(const std::string& name) const;
};

// A loopback HTTP server on 127.0.0.1 and a port of the system's choosing,
// served by a thread of the test process, one connection at a time. Named in
// http_proxy it receives absolute request URLs, as a proxy would. A request is
// answered by the response given for its exact target, else for its path
// (the target without scheme, host and query), else with 404 Not Found.
// Every response says "Connection: close".
class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string url() const;

    // Answers requests for `target` (a full URL or a path) with `response`.
    void Respond(const std::string& target, CannedResponse response);

    std::vector<RecordedRequest> requests() const;
    std::vector<std::string> targets() const;

    // Waits until the server holds no connection open (every client has gone
    // or been answered); returns false when that takes longer than ten seconds.
    bool WaitUntilIdle() const;

private:
    void Serve();
    void Handle(int client);

    int listen_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable idleChanged_;
    bool busy_ = false;
    std::map<std::string, CannedResponse> responses_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};

// A loopback port that refuses connections: bound for the object's lifetime,
// never listening.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::string url() const;

private:
    int fd_ = -1;
    int port_ = 0;
};

// Names `proxyUrl` in http_proxy and clears no_proxy while it lives; restores
// the earlier values afterwards.
class ScopedProxy {
public:
    explicit ScopedProxy(const std::string& proxyUrl);
    ~ScopedProxy();
    ScopedProxy(const ScopedProxy&) = delete;
    ScopedProxy& operator=(const ScopedProxy&) = delete;

private:
    struct Saved {
        const char* name;
        bool set;
        std::string value;
    };
    std::vector<Saved> saved_;
};

}  // namespace testsupport
