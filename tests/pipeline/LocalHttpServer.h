// A small HTTP/1.1 server on 127.0.0.1 for the download tests and benchmark: one request
// per connection, raw request line and headers for the test to inspect, responses written
// byte for byte by the test's handler, optional TLS with a chosen protocol range.
#pragma once

#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace velmora::localhttp {

struct HttpRequest {
    std::string method, target, version;
    std::vector<std::pair<std::string, std::string>> headers;

    const std::string* Find(std::string_view name) const {
        for (auto& [k, v] : headers) {
            if (k.size() == name.size() &&
                std::equal(k.begin(), k.end(), name.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) ==
                           std::tolower(static_cast<unsigned char>(b));
                })) {
                return &v;
            }
        }
        return nullptr;
    }
    std::string Header(std::string_view name) const {
        auto* v = Find(name);
        return v ? *v : std::string();
    }
};

// One accepted connection, plain or TLS. Send returns false once the peer is gone.
class HttpConnection {
public:
    HttpConnection(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}
    bool Send(std::string_view data) {
        while (!data.empty()) {
            long n = ssl_ ? SSL_write(ssl_, data.data(), static_cast<int>(data.size()))
                          : send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            data.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }
    bool SendChunk(std::string_view data) {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", data.size());
        return Send(size) && Send(data) && Send("\r\n");
    }
    bool EndChunks() { return Send("0\r\n\r\n"); }
    long Recv(char* buf, size_t n) {
        return ssl_ ? SSL_read(ssl_, buf, static_cast<int>(n)) : recv(fd_, buf, n, 0);
    }

private:
    int fd_;
    SSL* ssl_;
};

// A whole response with a Content-Length.
inline std::string HttpReply(int status, std::string_view body, std::string_view headers = {}) {
    std::string r = "HTTP/1.1 " + std::to_string(status) +
                    " Status\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\nConnection: close\r\n";
    r += headers;
    r += "\r\n";
    r += body;
    return r;
}

// The head of a chunked response; the body follows through SendChunk and EndChunks.
inline std::string HttpChunkedHead(std::string_view headers = {}) {
    std::string r =
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n"
        "Connection: close\r\n";
    r += headers;
    r += "\r\n";
    return r;
}

struct TlsSetup {
    std::string certFile, keyFile;
    int minVersion = 0;  // 0: OpenSSL's default range
    int maxVersion = 0;
};

class LocalHttpServer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpConnection&)>;

    explicit LocalHttpServer(Handler handler, const TlsSetup* tls = nullptr)
        : handler_(std::move(handler)) {
        signal(SIGPIPE, SIG_IGN);  // a TLS write to a closed peer must not end the test
        if (tls) {
            ctx_ = SSL_CTX_new(TLS_server_method());
            if (tls->maxVersion != 0 && tls->maxVersion < TLS1_2_VERSION) {
                SSL_CTX_set_security_level(ctx_, 0);  // TLS 1.0 and 1.1 need the old ciphers
                SSL_CTX_set_cipher_list(ctx_, "DEFAULT:@SECLEVEL=0");
            }
            if (tls->minVersion) {
                SSL_CTX_set_min_proto_version(ctx_, tls->minVersion);
            }
            if (tls->maxVersion) {
                SSL_CTX_set_max_proto_version(ctx_, tls->maxVersion);
            }
            if (SSL_CTX_use_certificate_chain_file(ctx_, tls->certFile.c_str()) != 1 ||
                SSL_CTX_use_PrivateKey_file(ctx_, tls->keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
                SSL_CTX_free(ctx_);
                throw std::runtime_error("cannot load " + tls->certFile);
            }
        }
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(listen_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            listen(listen_, 64) != 0 ||
            getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            close(listen_);
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~LocalHttpServer() {
        stopping_ = true;
        acceptor_.join();
        {
            std::lock_guard<std::mutex> lk(mu_);
            for (int fd : open_) {
                shutdown(fd, SHUT_RDWR);
            }
        }
        for (auto& t : workers_) {
            t.join();
        }
        close(listen_);
        if (ctx_) {
            SSL_CTX_free(ctx_);
        }
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int port() const { return port_; }
    // Handlers that stream slowly end when this turns true.
    bool stopping() const { return stopping_; }
    // Requests whose head was read and handed to the handler.
    int requests() const { return requests_; }
    // The host name the last TLS client sent in its hello (SNI).
    std::string serverName() {
        std::lock_guard<std::mutex> lk(mu_);
        return serverName_;
    }

private:
    void AcceptLoop() {
        while (!stopping_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) {
                continue;
            }
            int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            std::lock_guard<std::mutex> lk(mu_);
            open_.push_back(fd);
            workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    void Serve(int fd) {
        SSL* ssl = nullptr;
        bool ok = true;
        if (ctx_) {
            ssl = SSL_new(ctx_);
            SSL_set_fd(ssl, fd);
            ok = SSL_accept(ssl) == 1;
            ERR_clear_error();
            if (const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name)) {
                std::lock_guard<std::mutex> lk(mu_);
                serverName_ = name;
            }
        }
        HttpConnection conn(fd, ssl);
        HttpRequest req;
        if (ok && ReadHead(conn, req)) {
            ++requests_;
            handler_(req, conn);
        }
        if (ssl) {
            SSL_shutdown(ssl);
            SSL_free(ssl);
            ERR_clear_error();
        }
        {
            std::lock_guard<std::mutex> lk(mu_);
            std::erase(open_, fd);
            close(fd);
        }
    }

    static bool ReadHead(HttpConnection& conn, HttpRequest& req) {
        std::string head;
        char buf[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            long n = conn.Recv(buf, sizeof buf);
            if (n <= 0 || head.size() > (1 << 16)) {
                return false;
            }
            head.append(buf, static_cast<size_t>(n));
        }
        head.resize(head.find("\r\n\r\n") + 2);
        size_t eol = head.find("\r\n");
        std::string line = head.substr(0, eol);
        size_t s1 = line.find(' '), s2 = line.rfind(' ');
        if (s1 == std::string::npos || s2 == s1) {
            return false;
        }
        req.method = line.substr(0, s1);
        req.target = line.substr(s1 + 1, s2 - s1 - 1);
        req.version = line.substr(s2 + 1);
        for (size_t pos = eol + 2; pos < head.size();) {
            size_t end = head.find("\r\n", pos);
            std::string h = head.substr(pos, end - pos);
            pos = end + 2;
            size_t colon = h.find(':');
            if (colon == std::string::npos) {
                continue;
            }
            size_t v = h.find_first_not_of(' ', colon + 1);
            req.headers.emplace_back(h.substr(0, colon),
                                     v == std::string::npos ? std::string() : h.substr(v));
        }
        return true;
    }

    Handler handler_;
    SSL_CTX* ctx_ = nullptr;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::mutex mu_;
    std::vector<int> open_;
    std::string serverName_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

// A listener whose accept queue is full: a new connection hangs in its TCP handshake, so a
// download stays in its connecting stage until it gives up (minutes).
class StuckListener {
public:
    StuckListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(fd_, reinterpret_cast<sockaddr*>(&a), len);
        listen(fd_, 0);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        for (int i = 0; i < 2; ++i) {
            int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
            fillers_.push_back(f);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~StuckListener() {
        for (int f : fillers_) {
            close(f);
        }
        close(fd_);
    }
    StuckListener(const StuckListener&) = delete;
    StuckListener& operator=(const StuckListener&) = delete;

    int port() const { return port_; }
    std::string Url(const char* scheme = "http") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + "/";
    }

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

// A listener that takes every connection and never says a word: an https download waits
// for the server's TLS answer until it gives up.
class SilentListener {
public:
    SilentListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(fd_, reinterpret_cast<sockaddr*>(&a), len);
        listen(fd_, 16);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] {
            while (!stopping_) {
                pollfd p{fd_, POLLIN, 0};
                if (poll(&p, 1, 20) <= 0) {
                    continue;
                }
                const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) {
                    held_.push_back(c);
                    ++accepted;
                }
            }
        });
    }
    ~SilentListener() {
        stopping_ = true;
        acceptor_.join();
        for (int c : held_) {
            close(c);
        }
        close(fd_);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    std::string Url(const char* scheme = "https") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + "/";
    }

    std::atomic<int> accepted{0};

private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::vector<int> held_;  // acceptor thread only, then the destructor
    std::thread acceptor_;
};

}  // namespace velmora::localhttp
