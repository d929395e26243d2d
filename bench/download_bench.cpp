// The lookup download of a large page from a loopback server, through the
// Internet layer into "results.htm", against the curl program fetching the
// same page through the same proxy into a file.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/bench_inputs.h"
#include "lookup/lookup_download.h"
#include "lookup/lookup_fetch.h"
#include "platform/internet.h"

extern char** environ;

namespace {

constexpr char kUrl[] = "http://www.abuse-lookup.example/cgi-bin/checkdomain.pl?domain=192.0.2.1";

// A loopback HTTP server on a port of the system's choosing that answers
// every request, one connection at a time, with `body` and closes. Named as
// the proxy, it gets every request of both clients.
class PageServer {
public:
    explicit PageServer(const std::string& body) : body_(body) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listen_, 8) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on the loopback interface");
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~PageServer() {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        thread_.join();
        ::close(listen_);
    }
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    void Serve() {
        while (!stop_) {
            const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            // The request ends with an empty line; its content does not matter.
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<std::size_t>(n));
            }
            const std::string head =
                "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n";
            if (Send(client, head)) Send(client, body_);
            ::shutdown(client, SHUT_WR);
            // Wait for the client to close, so its reads never meet a reset.
            while (::recv(client, buffer, sizeof buffer, 0) > 0) {
            }
            ::close(client);
        }
    }

    static bool Send(int socket, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    const std::string& body_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// Names the server as the proxy of both clients while it lives.
class ProxyAt {
public:
    explicit ProxyAt(const std::string& url) {
        ::setenv("http_proxy", url.c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    ~ProxyAt() { ::unsetenv("http_proxy"); }
    ProxyAt(const ProxyAt&) = delete;
    ProxyAt& operator=(const ProxyAt&) = delete;
};

void Download(benchmark::State& state, std::size_t bytes) {
    const std::string& page = benchinput::LookupPage(bytes);
    PageServer server(page);
    ProxyAt proxy(server.url());
    benchinput::TempFolder folder;
    benchinput::InFolder in(folder.path());
    platform::InternetSession internet = platform::InternetOpenA("Brindle");
    FetchResults(internet, kUrl);  // a first round, not measured, warms up both ends
    for (auto _ : state) FetchResults(internet, kUrl);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

void Curl(benchmark::State& state, std::size_t bytes) {
    const std::string& page = benchinput::LookupPage(bytes);
    PageServer server(page);
    ProxyAt proxy(server.url());
    benchinput::TempFolder folder;
    const std::string out = (folder.path() / kResultsFileName).string();
    std::vector<std::string> args = {"curl", "--silent", "--show-error", "--output",
                                     out,    "--proxy",  server.url(),   kUrl};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const auto fetch = [&argv] {
        pid_t child = 0;
        int status = 0;
        return ::posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ) == 0 &&
               ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
               WEXITSTATUS(status) == 0;
    };
    fetch();  // a first round, not measured, as for the download
    for (auto _ : state) {
        if (!fetch()) {
            state.SkipWithError("the curl program failed (is it installed?)");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

}  // namespace

int main(int argc, char** argv) {
    // The download runs in the program beside its window, whose busy cursor
    // it shows while writing.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchinput::RegisterRow("Download", Download, Curl);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
