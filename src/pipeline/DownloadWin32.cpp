// The page download on Windows: WinHTTP, one GET per worker thread in synchronous calls.
// The session lives as long as the Downloader and keeps the run's cookies in memory; TLS
// is the system's own (1.2 or newer, certificates checked against the system's store).
//
// A GET that is cancelled, replaced by a new one, or still running when the Downloader
// goes is abandoned at once: its request handle is closed (which ends the GET as soon as
// WinHTTP notices) and its worker is left to finish on its own, holding everything it
// touches, while its news no longer reaches anybody. A synchronous WinHTTP call does not
// always end when its handle is closed (a connection that never completes its TLS
// handshake can hold it for the receive timeout), and the user must not wait for that.
#include <windows.h>
// after windows.h:
#include <wincrypt.h>
#include <winhttp.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "base/Text.h"
#include "pipeline/Download.h"
#include "pipeline/DownloadText.h"
#include "pipeline/UserAgent.h"

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

namespace velmora {

namespace {

constexpr wchar_t kAccept[] =
    L"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

const wchar_t* Wide(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

std::u16string FromWide(const wchar_t* s, size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

// The host as WinHTTP connects to it: an international name in its ASCII form.
std::u16string ConnectHost(const std::u16string& host) {
    for (char16_t c : host) {
        if (c >= 0x80) {
            wchar_t ascii[256];
            const int n = IdnToAscii(0, Wide(host), static_cast<int>(host.size()), ascii, 256);
            return n > 0 ? FromWide(ascii, static_cast<size_t>(n)) : host;
        }
    }
    return host;
}

// The WinHTTP session: the cookies of the run. Shared with abandoned workers.
struct Session {
    HINTERNET h = nullptr;
    Session();
    ~Session() {
        if (h) WinHttpCloseHandle(h);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

struct News {
    enum Kind { Status, End } kind = Status;
    std::u16string text;
};

// News for the UI thread, from the worker of the current GET only.
struct Channel {
    std::mutex mu;
    std::condition_variable cv;
    std::deque<News> news;
    uint64_t current = 0;  // the GET whose news is wanted; 0 for none
    // Held while the callback runs, so that replacing it (the window closing) waits for a
    // call in progress instead of leaving it to run into a destroyed window.
    std::mutex callbackMu;
    std::function<void()> callback;

    // False when `job` is no longer the current GET: its news goes nowhere.
    bool Post(uint64_t job, News n) {
        {
            std::lock_guard<std::mutex> lk(mu);
            if (job != current) return false;
            news.push_back(std::move(n));
        }
        cv.notify_all();
        std::lock_guard<std::mutex> lk(callbackMu);
        if (callback) callback();
        return true;
    }
};

// One GET: what its worker needs and what it found.
struct Job {
    uint64_t id = 0;
    std::u16string url;
    std::shared_ptr<Session> session;
    std::shared_ptr<Channel> channel;

    std::mutex mu;  // the request handle, for closing it from the UI thread
    HINTERNET request = nullptr;
    bool closed = false;
    std::atomic<bool> stop{false};
    std::atomic<bool> connected{false};

    // Written by the worker before it posts the end; read by the UI thread after that.
    bool succeeded = false;
    std::string body, charset;

    void PostStatus(const std::u16string& text) { channel->Post(id, News{News::Status, text}); }

    // Ends the GET at once (from the UI thread).
    void Stop() {
        std::lock_guard<std::mutex> lk(mu);
        stop = true;
        if (request && !closed) {
            closed = true;
            WinHttpCloseHandle(request);
        }
    }

    void Run();
    bool Get(const UrlParts& parts);
};

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                             DWORD infoLength) {
    auto* job = reinterpret_cast<Job*>(context);
    if (!job) return;
    switch (status) {
        case WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER: {
            const auto* ip = static_cast<const wchar_t*>(info);
            const size_t n = ip ? wcsnlen(ip, infoLength ? infoLength : 64) : 0;
            job->PostStatus(FromWide(ip, n) + u" に接続しています。");
            break;
        }
        case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER:
            job->connected = true;
            job->PostStatus(u"接続しました。");
            break;
        default:
            break;
    }
}

Session::Session() {
    const std::u16string agent = FromUtf8(UserAgent());
    h = WinHttpOpen(Wide(agent), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, 0);
    if (!h) return;
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!WinHttpSetOption(h, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;  // a system without TLS 1.3
        WinHttpSetOption(h, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    }
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(h, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
    WinHttpSetStatusCallback(h, &StatusCallback, WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER, 0);
}

bool Job::Get(const UrlParts& parts) {
    if (!session->h) return false;
    const std::u16string host = ConnectHost(parts.host);
    HINTERNET connect =
        WinHttpConnect(session->h, Wide(host), static_cast<INTERNET_PORT>(parts.port), 0);
    if (!connect) return false;
    const std::string path = ToUtf8(parts.pathAndQuery);  // ASCII: EncodeUrl saw to that
    const std::wstring widePath(path.begin(), path.end());
    HINTERNET req = WinHttpOpenRequest(connect, L"GET", widePath.c_str(), L"HTTP/1.1",
                                       WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                       parts.scheme == u"https" ? WINHTTP_FLAG_SECURE : 0);
    if (!req) {
        WinHttpCloseHandle(connect);
        return false;
    }
    {
        std::lock_guard<std::mutex> lk(mu);
        request = req;
    }
    // Every GET gets its own connection, closed when it ends.
    DWORD noKeepAlive = WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(req, WINHTTP_OPTION_DISABLE_FEATURE, &noKeepAlive, sizeof noKeepAlive);
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(req, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);

    bool ok = !stop &&
              WinHttpSendRequest(req, kAccept, static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0,
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
            if (length > Downloader::kMaxBody)
                ok = false;
            else
                body.reserve(length);
        }
    }
    char buf[65536];
    while (ok && !stop) {
        DWORD got = 0;
        if (!WinHttpReadData(req, buf, sizeof buf, &got)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (got > Downloader::kMaxBody - body.size()) {
            ok = false;  // over the cap
            break;
        }
        body.append(buf, got);
    }
    {
        std::lock_guard<std::mutex> lk(mu);
        if (!closed) {
            closed = true;
            WinHttpCloseHandle(req);
        }
        request = nullptr;
    }
    WinHttpCloseHandle(connect);
    if (connected.exchange(false)) {
        // The connection goes with its request (no keep-alive).
        PostStatus(u"接続解除しています。");
        PostStatus(u"接続解除されました。");
    }
    return ok && !stop;
}

void Job::Run() {
    // The tool sends no credentials: a user name and password in the address stay here.
    const std::string wire = Downloader::EncodeUrl(Downloader::StripUserInfo(url));
    UrlParts parts;
    succeeded = false;
    if (SplitUrl(FromUtf8(wire), &parts)) {
        PostStatus(u"ホスト名 " + parts.host + u" を解決しています。");
        succeeded = Get(parts);
    }
    if (!succeeded) std::string().swap(body);
    channel->Post(id, News{News::End, {}});
}

}  // namespace

struct Downloader::Impl {
    std::shared_ptr<Session> session = std::make_shared<Session>();
    std::shared_ptr<Channel> channel = std::make_shared<Channel>();
    std::shared_ptr<Job> job;  // the current or last GET
    uint64_t lastId = 0;

    // Under channel->mu: the current GET's news stops here, and what it posted is dropped.
    void AbandonLocked() {
        channel->current = 0;
        channel->news.clear();
    }
};

Downloader::Downloader() : impl_(std::make_unique<Impl>()) {}

Downloader::~Downloader() {
    if (impl_->job) {
        impl_->job->Stop();
        {
            std::lock_guard<std::mutex> lk(impl_->channel->mu);
            impl_->AbandonLocked();
        }
        // A worker that posts right now may still be calling back; none does after this.
        std::lock_guard<std::mutex> lk(impl_->channel->callbackMu);
        impl_->channel->callback = nullptr;
    }
}

bool Downloader::SplitHome(const std::u16string& url, std::u16string* protocol,
                           std::u16string* home) {
    UrlParts parts;
    if (!SplitUrl(FromUtf8(EncodeUrl(url)), &parts)) return false;
    *protocol = parts.scheme + u":";
    *home = *protocol + u"//" + (parts.ipv6 ? u"[" + parts.host + u"]" : parts.host) + u"/";
    return true;
}

void Downloader::Start(const std::u16string& url) {
    if (impl_->job) {
        // A download still under way is abandoned; its worker ends by itself.
        impl_->job->Stop();
    }
    auto job = std::make_shared<Job>();
    job->id = ++impl_->lastId;
    job->url = url;
    job->session = impl_->session;
    job->channel = impl_->channel;
    {
        std::lock_guard<std::mutex> lk(impl_->channel->mu);
        impl_->AbandonLocked();
        impl_->channel->current = job->id;
    }
    impl_->job = job;
    FDownLoadError = false;
    FIsDLCancel = false;
    MS.clear();
    ContentCharset.clear();
    IsDownLoading = true;
    std::thread([job] { job->Run(); }).detach();
}

void Downloader::DeliverPending(const JobHooks& hooks) {
    std::deque<News> pending;
    {
        std::lock_guard<std::mutex> lk(impl_->channel->mu);
        pending.swap(impl_->channel->news);
    }
    for (auto& n : pending) {
        if (n.kind == News::Status) {
            hooks.Status(n.text);
            continue;
        }
        Job& job = *impl_->job;
        // An end after Stop is the UI's own (the worker may still be writing): a failure.
        const bool ok = !job.stop && job.succeeded;
        if (ok) {
            MS = std::move(job.body);
            std::u16string protocol, home;
            if (SplitHome(job.url, &protocol, &home)) {
                LProtocol = protocol;
                LHomeDirectory = home;
            }
            ContentCharset = job.charset;
        } else {
            std::string().swap(MS);
            FDownLoadError = true;
        }
        IsDownLoading = false;
    }
}

void Downloader::WaitForNews(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lk(impl_->channel->mu);
    impl_->channel->cv.wait_for(lk, timeout,
                                [this] { return !impl_->channel->news.empty() || !IsDownLoading; });
}

void Downloader::SetNewsCallback(std::function<void()> callback) {
    std::lock_guard<std::mutex> lk(impl_->channel->callbackMu);
    impl_->channel->callback = std::move(callback);
}

void Downloader::BtnCancelClick() {
    if (!IsDownLoading || !impl_->job) return;
    // In every stage, name lookup, connecting, TLS and the body: the GET is abandoned and
    // the request ends now, with the texts of a closed connection when one was open.
    FIsDLCancel = true;
    Job& job = *impl_->job;
    job.Stop();
    const bool wasConnected = job.connected.exchange(false);
    {
        std::lock_guard<std::mutex> lk(impl_->channel->mu);
        if (impl_->channel->current != job.id) return;  // it has ended already
        // Its texts so far are still shown; its own end, if posted, gives way to ours.
        impl_->channel->current = 0;
        std::erase_if(impl_->channel->news, [](const News& n) { return n.kind == News::End; });
        if (wasConnected) {
            impl_->channel->news.push_back({News::Status, u"接続解除しています。"});
            impl_->channel->news.push_back({News::Status, u"接続解除されました。"});
        }
        impl_->channel->news.push_back({News::End, {}});
    }
    impl_->channel->cv.notify_all();
}

bool Downloader::IsConnected() const {
    return impl_->job && impl_->job->connected;
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
