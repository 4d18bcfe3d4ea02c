// The page download on Windows: WinHTTP, one GET per worker thread, synchronous calls that
// the cancel button and closing the app end by closing the request's handle. The session
// lives as long as the Downloader and keeps the run's cookies in memory; TLS is the
// system's own (1.2 or newer, certificates checked against the system's store).
#include <windows.h>
// after windows.h:
#include <wincrypt.h>
#include <winhttp.h>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "base/Text.h"
#include "pipeline/Download.h"
#include "pipeline/DownloadText.h"

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

namespace velmora {

namespace {

constexpr wchar_t kAccept[] =
    L"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr wchar_t kUserAgent[] = L"Mozilla/3.0 (compatible; Indy Library)";

std::u16string FromWide(const wchar_t* s, size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

struct Handle {
    HINTERNET h = nullptr;
    Handle() = default;
    explicit Handle(HINTERNET x) : h(x) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (h) WinHttpCloseHandle(h);
    }
};

// The parts of a URL as WinHTTP reads them.
struct UrlParts {
    std::wstring scheme, host, pathAndQuery;
    INTERNET_PORT port = 0;
    bool https = false;
};

bool Crack(const std::string& wireUrl, UrlParts& parts) {
    const std::wstring url(wireUrl.begin(), wireUrl.end());  // ASCII but for the host
    URL_COMPONENTS c{};
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = static_cast<DWORD>(-1);
    c.dwHostNameLength = static_cast<DWORD>(-1);
    c.dwUrlPathLength = static_cast<DWORD>(-1);
    c.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &c)) return false;
    if (c.nScheme != INTERNET_SCHEME_HTTP && c.nScheme != INTERNET_SCHEME_HTTPS) return false;
    parts.scheme.assign(c.lpszScheme, c.dwSchemeLength);
    parts.host.assign(c.lpszHostName, c.dwHostNameLength);
    parts.pathAndQuery.assign(c.lpszUrlPath, c.dwUrlPathLength);
    if (c.lpszExtraInfo) {
        std::wstring extra(c.lpszExtraInfo, c.dwExtraInfoLength);
        extra = extra.substr(0, extra.find(L'#'));  // the fragment is not sent
        parts.pathAndQuery += extra;
    }
    if (parts.pathAndQuery.empty()) parts.pathAndQuery = L"/";
    parts.port = c.nPort;
    parts.https = c.nScheme == INTERNET_SCHEME_HTTPS;
    return !parts.host.empty();
}

std::u16string Text(const char* utf8) {
    return FromUtf8(utf8);
}

}  // namespace

struct Downloader::Impl {
    explicit Impl(Downloader& o) : owner(o) {
        session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0);
        if (session) {
            DWORD protocols =
                WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
            if (!WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                                  sizeof protocols)) {
                protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;  // a system without TLS 1.3
                WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                                 sizeof protocols);
            }
            DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
            WinHttpSetOption(session, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
            WinHttpSetStatusCallback(
                session, &Impl::Callback,
                WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER | WINHTTP_CALLBACK_FLAG_CLOSE_CONNECTION,
                0);
        }
    }
    ~Impl() {
        if (session) WinHttpCloseHandle(session);
    }

    Downloader& owner;
    HINTERNET session = nullptr;  // the cookies of the whole run
    std::thread worker;

    struct News {
        bool end = false;
        std::u16string text;
    };
    std::mutex newsMu;
    std::condition_variable newsCv;
    std::deque<News> news;
    // Held while the callback runs, so that replacing it (the window closing) waits for a
    // call in progress instead of leaving it to run into a destroyed window.
    std::mutex callbackMu;
    std::function<void()> newsCallback;

    // The running GET's request handle, for cancel; the connection state its callbacks report.
    std::mutex reqMu;
    HINTERNET request = nullptr;
    bool closedByUi = false;
    std::atomic<bool> connected{false};
    std::atomic<bool> stop{false};

    void Post(News n) {
        {
            std::lock_guard<std::mutex> lk(newsMu);
            news.push_back(std::move(n));
        }
        newsCv.notify_all();
        std::lock_guard<std::mutex> lk(callbackMu);
        if (newsCallback) newsCallback();
    }
    void PostStatus(std::u16string text) { Post(News{false, std::move(text)}); }

    static void CALLBACK Callback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                  DWORD infoLength) {
        auto* self = reinterpret_cast<Impl*>(context);
        if (!self) return;
        switch (status) {
            case WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER: {
                const auto* ip = static_cast<const wchar_t*>(info);
                size_t n = ip ? wcsnlen(ip, infoLength ? infoLength : 64) : 0;
                self->PostStatus(FromWide(ip, n) + Text(" に接続しています。"));
                break;
            }
            case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER:
                self->connected = true;
                self->PostStatus(Text("接続しました。"));
                break;
            case WINHTTP_CALLBACK_STATUS_CLOSING_CONNECTION:
                if (self->connected) self->PostStatus(Text("接続解除しています。"));
                break;
            case WINHTTP_CALLBACK_STATUS_CONNECTION_CLOSED:
                if (self->connected) self->PostStatus(Text("接続解除されました。"));
                self->connected = false;
                break;
            default:
                break;
        }
    }

    // From the UI thread: ends the running GET at once.
    void StopLocked() {
        stop = true;
        if (request && !closedByUi) {
            closedByUi = true;
            WinHttpCloseHandle(request);
        }
    }

    bool Get(const UrlParts& parts);
    std::string charset;  // of the running GET's answer
    void Run(const std::u16string& url);
};

bool Downloader::Impl::Get(const UrlParts& parts) {
    if (!session) return false;
    Handle connect(WinHttpConnect(session, parts.host.c_str(), parts.port, 0));
    if (!connect.h) return false;
    HINTERNET req = WinHttpOpenRequest(connect.h, L"GET", parts.pathAndQuery.c_str(), L"HTTP/1.1",
                                       WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                       parts.https ? WINHTTP_FLAG_SECURE : 0);
    if (!req) return false;
    {
        std::lock_guard<std::mutex> lk(reqMu);
        request = req;
        closedByUi = false;
        if (stop) StopLocked();
    }
    // Every GET gets its own connection, closed when it ends (the disconnect texts).
    DWORD noKeepAlive = WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(req, WINHTTP_OPTION_DISABLE_FEATURE, &noKeepAlive, sizeof noKeepAlive);
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(req, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);

    bool ok = WinHttpSendRequest(req, kAccept, static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0,
                                 0, reinterpret_cast<DWORD_PTR>(this)) &&
              WinHttpReceiveResponse(req, nullptr);
    DWORD status = 0;
    DWORD size = sizeof status;
    if (ok) {
        ok = WinHttpQueryHeaders(req, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                 WINHTTP_NO_HEADER_INDEX) &&
             status >= 200 && status < 300;
    }
    if (ok) {
        DWORD bytes = 0;
        WinHttpQueryHeaders(req, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX,
                            WINHTTP_NO_OUTPUT_BUFFER, &bytes, WINHTTP_NO_HEADER_INDEX);
        if (bytes > 0) {
            std::wstring type(bytes / sizeof(wchar_t) + 1, L'\0');
            if (WinHttpQueryHeaders(req, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX,
                                    type.data(), &bytes, WINHTTP_NO_HEADER_INDEX)) {
                type.resize(bytes / sizeof(wchar_t));
                charset = ContentTypeCharset(ToUtf8(FromWide(type.data(), type.size())));
            }
        }
        DWORD length = 0;
        size = sizeof length;
        if (WinHttpQueryHeaders(req, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &length, &size,
                                WINHTTP_NO_HEADER_INDEX)) {
            if (length > kMaxBody)
                ok = false;
            else
                owner.MS.reserve(length);
        }
    }
    std::string& ms = owner.MS;
    char buf[65536];
    while (ok && !stop) {
        DWORD got = 0;
        if (!WinHttpReadData(req, buf, sizeof buf, &got)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (got > kMaxBody - ms.size()) {
            ok = false;  // over the cap
            break;
        }
        ms.append(buf, got);
    }
    {
        std::lock_guard<std::mutex> lk(reqMu);
        if (!closedByUi) WinHttpCloseHandle(req);
        request = nullptr;
    }
    return ok && !stop;
}

void Downloader::Impl::Run(const std::u16string& url) {
    charset.clear();
    const std::string wire = EncodeUrl(StripUserInfo(url));
    UrlParts parts;
    bool ok = false;
    if (Crack(wire, parts)) {
        PostStatus(Text("ホスト名 ") + FromWide(parts.host.data(), parts.host.size()) +
                   Text(" を解決しています。"));
        ok = Get(parts);
    }
    if (ok) {
        std::u16string protocol, home;
        if (SplitHome(url, &protocol, &home)) {
            owner.LProtocol = protocol;
            owner.LHomeDirectory = home;
        }
        owner.ContentCharset = charset;
    } else {
        std::string().swap(owner.MS);
        owner.FDownLoadError = true;
    }
    Post(News{true, {}});
}

Downloader::Downloader() : impl_(std::make_unique<Impl>(*this)) {}

Downloader::~Downloader() {
    {
        std::lock_guard<std::mutex> lk(impl_->reqMu);
        if (IsDownLoading) FIsDLCancel = true;
        impl_->StopLocked();
    }
    if (impl_->worker.joinable()) impl_->worker.join();
}

bool Downloader::SplitHome(const std::u16string& url, std::u16string* protocol,
                           std::u16string* home) {
    UrlParts parts;
    if (!Crack(EncodeUrl(url), parts) || parts.scheme.empty()) return false;
    std::u16string scheme = LowerAscii(FromWide(parts.scheme.data(), parts.scheme.size()));
    std::u16string host = FromWide(parts.host.data(), parts.host.size());
    if (host.find(u':') != std::u16string::npos) host = u"[" + host + u"]";  // IPv6
    *protocol = scheme + u":";
    *home = *protocol + u"//" + host + u"/";
    return true;
}

void Downloader::Start(const std::u16string& url) {
    if (impl_->worker.joinable()) impl_->worker.join();  // the previous download has ended
    {
        std::lock_guard<std::mutex> lk(impl_->newsMu);
        impl_->news.clear();
    }
    {
        std::lock_guard<std::mutex> lk(impl_->reqMu);
        impl_->stop = false;
        impl_->connected = false;
    }
    FDownLoadError = false;
    FIsDLCancel = false;
    MS.clear();
    ContentCharset.clear();
    IsDownLoading = true;
    impl_->worker = std::thread([this, url] { impl_->Run(url); });
}

void Downloader::DeliverPending(const JobHooks& hooks) {
    std::deque<Impl::News> pending;
    {
        std::lock_guard<std::mutex> lk(impl_->newsMu);
        pending.swap(impl_->news);
    }
    for (auto& n : pending) {
        if (n.end) {
            IsDownLoading = false;
        } else {
            hooks.Status(n.text);
        }
    }
}

void Downloader::WaitForNews(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lk(impl_->newsMu);
    impl_->newsCv.wait_for(lk, timeout, [this] { return !impl_->news.empty() || !IsDownLoading; });
}

void Downloader::SetNewsCallback(std::function<void()> callback) {
    std::lock_guard<std::mutex> lk(impl_->callbackMu);
    impl_->newsCallback = std::move(callback);
}

void Downloader::BtnCancelClick() {
    std::lock_guard<std::mutex> lk(impl_->reqMu);
    if (!IsDownLoading) return;
    // In every stage: closing the request's handle ends name lookup, connecting, TLS and
    // the body at once.
    FIsDLCancel = true;
    impl_->StopLocked();
}

bool Downloader::IsConnected() const {
    return impl_->connected;
}

// The certificate authorities of a PEM file join the user's root store, which WinHTTP
// trusts (for tests: under Wine nothing asks; Windows itself asks the user first).
void Downloader::SetExtraCaFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string pem = ss.str();
    HCERTSTORE root =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"ROOT");
    if (!root) return;
    const std::string begin = "-----BEGIN CERTIFICATE-----";
    const std::string end = "-----END CERTIFICATE-----";
    for (size_t at = pem.find(begin); at != std::string::npos; at = pem.find(begin, at + 1)) {
        const size_t stop = pem.find(end, at);
        if (stop == std::string::npos) break;
        const std::string block = pem.substr(at, stop + end.size() - at);
        DWORD derSize = 0;
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()),
                                  CRYPT_STRING_BASE64HEADER, nullptr, &derSize, nullptr, nullptr))
            continue;
        std::string der(derSize, '\0');
        if (CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()),
                                 CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()),
                                 &derSize, nullptr, nullptr)) {
            CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING,
                                             reinterpret_cast<const BYTE*>(der.data()), derSize,
                                             CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        }
    }
    CertCloseStore(root, 0);
}

}  // namespace velmora
