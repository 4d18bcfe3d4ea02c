// A small HTTP/1.1 server on 127.0.0.1 for the download tests and benchmark: one request
// per connection, raw request line and headers for the test to inspect, responses written
// byte for byte by the test's handler, optional TLS with a chosen protocol range.
//
// On Linux TLS is OpenSSL's, in this process. The Windows build (under Wine) has no TLS
// server library: there the server speaks plain HTTP and a native helper,
// tests/pipeline/tls_front.py, stands in front of it with the same certificate and
// protocol range (its control port is in the file VELMORA_TLS_FRONT_FILE names).
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#ifdef _WIN32
// Protocol versions as OpenSSL numbers them, for the tests' TLS ranges.
#define TLS1_VERSION 0x0301
#define TLS1_1_VERSION 0x0302
#define TLS1_2_VERSION 0x0303
#define TLS1_3_VERSION 0x0304
using SSL = void;  // no TLS in the Windows test programs themselves
#endif

namespace velmora::localhttp {

// The few socket calls the servers make, on POSIX sockets or Winsock.
namespace net {
#ifdef _WIN32
using Sock = SOCKET;
constexpr Sock kNone = INVALID_SOCKET;
inline void Init() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
inline void Close(Sock s) {
    closesocket(s);
}
inline void ShutdownBoth(Sock s) {
    shutdown(s, SD_BOTH);
}
inline long Send(Sock s, const char* p, size_t n) {
    return send(s, p, static_cast<int>(std::min<size_t>(n, 1 << 30)), 0);
}
inline long Recv(Sock s, char* p, size_t n) {
    return recv(s, p, static_cast<int>(std::min<size_t>(n, 1 << 30)), 0);
}
inline Sock Accept(Sock s) {
    return accept(s, nullptr, nullptr);
}
inline void SetNonBlocking(Sock s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
// Whether `s` has something to read (or a connection to accept) within `ms`.
inline bool Readable(Sock s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}
#else
using Sock = int;
constexpr Sock kNone = -1;
inline void Init() {
    signal(SIGPIPE, SIG_IGN);  // a TLS write to a closed peer must not end the test
}
inline void Close(Sock s) {
    close(s);
}
inline void ShutdownBoth(Sock s) {
    shutdown(s, SHUT_RDWR);
}
inline long Send(Sock s, const char* p, size_t n) {
    return send(s, p, n, MSG_NOSIGNAL);
}
inline long Recv(Sock s, char* p, size_t n) {
    return recv(s, p, n, 0);
}
inline Sock Accept(Sock s) {
    return accept4(s, nullptr, nullptr, SOCK_CLOEXEC);
}
inline void SetNonBlocking(Sock s) {
    int fl = fcntl(s, F_GETFL);
    fcntl(s, F_SETFL, fl | O_NONBLOCK);
}
inline bool Readable(Sock s, int ms) {
    pollfd p{s, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}
#endif

inline sockaddr_in Loopback(int port = 0) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

// A socket listening on 127.0.0.1 with a port of the system's choice, written to `*port`.
inline Sock Listen(int backlog, int* port) {
    Init();
    Sock s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == kNone) {
        throw std::runtime_error("no socket");
    }
#ifndef _WIN32
    int one = 1;  // (on Windows this would let another socket take the port)
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
    sockaddr_in a = Loopback();
    socklen_t len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(s, backlog) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        Close(s);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    *port = ntohs(a.sin_port);
    return s;
}

// A connection to 127.0.0.1:`port`, or kNone.
inline Sock Connect(int port) {
    Init();
    Sock s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(port);
    if (s != kNone && connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        Close(s);
        return kNone;
    }
    return s;
}

// A port on 127.0.0.1 with no listener.
inline int ClosedPort() {
    Init();
    Sock s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback();
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), len);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    Close(s);
    return ntohs(a.sin_port);
}
}  // namespace net

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
    HttpConnection(net::Sock fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}
    bool Send(std::string_view data) {
        while (!data.empty()) {
            long n = ssl_ ? TlsWrite(data) : net::Send(fd_, data.data(), data.size());
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
    long Recv(char* buf, size_t n) { return ssl_ ? TlsRead(buf, n) : net::Recv(fd_, buf, n); }

private:
#ifdef _WIN32
    long TlsWrite(std::string_view) {
        return -1;
    }
    long TlsRead(char*, size_t) {
        return -1;
    }
#else
    long TlsWrite(std::string_view d) {
        return SSL_write(ssl_, d.data(), static_cast<int>(std::min<size_t>(d.size(), 1 << 30)));
    }
    long TlsRead(char* buf, size_t n) {
        return SSL_read(ssl_, buf, static_cast<int>(n));
    }
#endif
    net::Sock fd_;
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
    int minVersion = 0;  // 0: no limit
    int maxVersion = 0;
};

#ifdef _WIN32
// The native TLS front of the Windows tests (tls_front.py): one TLS server on a port of
// its own that passes each request on to a plain server of this process.
class TlsFront {
public:
    TlsFront(const TlsSetup& tls, int backendPort) {
        std::ifstream state(VELMORA_TLS_FRONT_FILE);
        int control = 0;
        if (!(state >> control) || (ctl_ = net::Connect(control)) == net::kNone) {
            throw std::runtime_error(
                "the TLS front of the Windows tests is not running (ctest starts it; by hand: "
                "python3 tests/pipeline/tls_front.py start " VELMORA_TLS_FRONT_FILE ")");
        }
        const std::string line = "serve " + HostPath(tls.certFile) + " " + HostPath(tls.keyFile) +
                                 " " + std::to_string(tls.minVersion) + " " +
                                 std::to_string(tls.maxVersion) + " " +
                                 std::to_string(backendPort) + "\n";
        net::Send(ctl_, line.data(), line.size());
        const std::string answer = ReadLine(5000);
        if (std::sscanf(answer.c_str(), "%d %d", &port_, &offered_) != 2) {
            net::Close(ctl_);
            throw std::runtime_error("the TLS front refused: " + answer);
        }
    }
    ~TlsFront() { net::Close(ctl_); }  // ends the TLS server
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    int port() const { return port_; }
    int offered() const { return offered_; }
    // The name of the last TLS hello; the front reports it before passing a request on.
    std::string serverName() {
        for (std::string line; !(line = ReadLine(0)).empty();) {
            if (line.rfind("sni ", 0) == 0) {
                name_ = line.substr(4);
            }
        }
        return name_;
    }

private:
    // Z:/work/x -> /work/x: the front runs outside Wine.
    static std::string HostPath(std::string p) {
        if (p.size() > 2 && (p[0] == 'Z' || p[0] == 'z') && p[1] == ':') {
            p.erase(0, 2);
        }
        std::replace(p.begin(), p.end(), '\\', '/');
        return p;
    }
    // One line from the control connection, waiting up to `ms` for it to begin.
    std::string ReadLine(int ms) {
        size_t eol;
        while ((eol = buf_.find('\n')) == std::string::npos) {
            if (!net::Readable(ctl_, ms)) {
                return {};
            }
            char b[512];
            const long n = net::Recv(ctl_, b, sizeof b);
            if (n <= 0) {
                return {};
            }
            buf_.append(b, static_cast<size_t>(n));
            ms = 5000;  // the rest of a line that has begun
        }
        std::string line = buf_.substr(0, eol);
        buf_.erase(0, eol + 1);
        return line;
    }

    net::Sock ctl_ = net::kNone;
    int port_ = 0, offered_ = 0;
    std::string buf_, name_;
};
#endif

class LocalHttpServer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpConnection&)>;

    explicit LocalHttpServer(Handler handler, const TlsSetup* tls = nullptr)
        : handler_(std::move(handler)) {
        listen_ = net::Listen(64, &port_);
#ifdef _WIN32
        if (tls) {
            try {
                front_ = std::make_unique<TlsFront>(*tls, port_);
            } catch (...) {
                net::Close(listen_);
                throw;
            }
        }
#else
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
                net::Close(listen_);
                throw std::runtime_error("cannot load " + tls->certFile);
            }
        }
#endif
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~LocalHttpServer() {
#ifdef _WIN32
        front_.reset();
#endif
        stopping_ = true;
        acceptor_.join();
        {
            std::lock_guard<std::mutex> lk(mu_);
            for (net::Sock fd : open_) {
                net::ShutdownBoth(fd);
            }
        }
        for (auto& t : workers_) {
            t.join();
        }
        net::Close(listen_);
#ifndef _WIN32
        if (ctx_) {
            SSL_CTX_free(ctx_);
        }
#endif
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

#ifdef _WIN32
    int port() const {
        return front_ ? front_->port() : port_;
    }
    // The version a client that takes any version gets from the TLS server.
    int offeredTlsVersion() const {
        return front_ ? front_->offered() : 0;
    }
#else
    int port() const {
        return port_;
    }
#endif
    // Handlers that stream slowly end when this turns true.
    bool stopping() const {
        return stopping_;
    }
    // Requests whose head was read and handed to the handler.
    int requests() const {
        return requests_;
    }
    // The host name the last TLS client sent in its hello (SNI).
    std::string serverName() {
        std::lock_guard<std::mutex> lk(mu_);
#ifdef _WIN32
        if (front_) {
            serverName_ = front_->serverName();
        }
#endif
        return serverName_;
    }

private:
    void AcceptLoop() {
        while (!stopping_) {
            if (!net::Readable(listen_, 20)) {
                continue;
            }
            net::Sock fd = net::Accept(listen_);
            if (fd == net::kNone) {
                continue;
            }
            std::lock_guard<std::mutex> lk(mu_);
            open_.push_back(fd);
            workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    void Serve(net::Sock fd) {
        SSL* ssl = nullptr;
        bool ok = true;
#ifndef _WIN32
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
#endif
        HttpConnection conn(fd, ssl);
        HttpRequest req;
        if (ok && ReadHead(conn, req)) {
            ++requests_;
            handler_(req, conn);
        }
#ifndef _WIN32
        if (ssl) {
            SSL_shutdown(ssl);
            SSL_free(ssl);
            ERR_clear_error();
        }
#endif
        {
            std::lock_guard<std::mutex> lk(mu_);
            std::erase(open_, fd);
            net::Close(fd);
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
#ifdef _WIN32
    std::unique_ptr<TlsFront> front_;
#else
    SSL_CTX* ctx_ = nullptr;
#endif
    net::Sock listen_ = net::kNone;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::mutex mu_;
    std::vector<net::Sock> open_;
    std::string serverName_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

// A listener whose accept queue is full: a new connection hangs in its TCP handshake, so a
// download stays in its connecting stage until it gives up (minutes).
class StuckListener {
public:
    StuckListener() {
        fd_ = net::Listen(0, &port_);
        for (int i = 0; i < 2; ++i) {
            net::Sock f = socket(AF_INET, SOCK_STREAM, 0);
            net::SetNonBlocking(f);
            sockaddr_in a = net::Loopback(port_);
            connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
            fillers_.push_back(f);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~StuckListener() {
        for (net::Sock f : fillers_) {
            net::Close(f);
        }
        net::Close(fd_);
    }
    StuckListener(const StuckListener&) = delete;
    StuckListener& operator=(const StuckListener&) = delete;

    int port() const { return port_; }
    std::string Url(const char* scheme = "http") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + "/";
    }

private:
    net::Sock fd_ = net::kNone;
    int port_ = 0;
    std::vector<net::Sock> fillers_;
};

// A listener that takes every connection and never says a word: an https download waits
// for the server's TLS answer until it gives up.
class SilentListener {
public:
    SilentListener() {
        fd_ = net::Listen(16, &port_);
        acceptor_ = std::thread([this] {
            while (!stopping_) {
                if (!net::Readable(fd_, 20)) {
                    continue;
                }
                const net::Sock c = net::Accept(fd_);
                if (c != net::kNone) {
                    held_.push_back(c);
                    ++accepted;
                }
            }
        });
    }
    ~SilentListener() {
        stopping_ = true;
        acceptor_.join();
        for (net::Sock c : held_) {
            net::Close(c);
        }
        net::Close(fd_);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    std::string Url(const char* scheme = "https") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + "/";
    }

    std::atomic<int> accepted{0};

private:
    net::Sock fd_ = net::kNone;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::vector<net::Sock> held_;  // acceptor thread only, then the destructor
    std::thread acceptor_;
};

}  // namespace velmora::localhttp
