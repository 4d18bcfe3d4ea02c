// The page download: libcurl with OpenSSL, one GET per worker thread, driven through a
// multi handle so that the cancel button and closing the app can end it at once.
#include "pipeline/Download.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Text.h"
#include "pipeline/DownloadText.h"
#include "pipeline/UserAgent.h"

namespace velmora {

namespace {

constexpr char kAccept[] =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool HasPeer(int fd) {
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    return getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0;
}

std::string AddressText(const sockaddr* addr) {
    char buf[INET6_ADDRSTRLEN] = {};
    if (addr->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(addr)->sin_addr, buf, sizeof buf);
    } else if (addr->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(addr)->sin6_addr, buf,
                  sizeof buf);
    }
    return buf;
}

struct UrlHandle {
    CURLU* u = curl_url();
    ~UrlHandle() { curl_url_cleanup(u); }
    std::string Get(CURLUPart part) const {
        char* s = nullptr;
        if (curl_url_get(u, part, &s, 0) != CURLUE_OK || s == nullptr) {
            return {};
        }
        std::string out = s;
        curl_free(s);
        return out;
    }
};

}  // namespace

struct Downloader::Impl {
    explicit Impl(Downloader& o) : owner(o) {
        GlobalInit();
        share = curl_share_init();
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Impl::ShareLock);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Impl::ShareUnlock);
        curl_share_setopt(share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    ~Impl() { curl_share_cleanup(share); }

    Downloader& owner;

    // The cookie engine of the whole run.
    CURLSH* share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;

    std::thread worker;
    std::string extraCaFile;

    // News from the worker for the UI thread.
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

    // The worker's sockets and the multi handle of the running GET, for cancel.
    struct Sock {
        int fd;
        bool connected;
    };
    mutable std::mutex sockMu;
    mutable std::vector<Sock> socks;
    CURLM* multi = nullptr;
    bool connectedReported = false;  // worker thread only
    std::atomic<bool> stop{false};   // cancel or abandon: the worker's GET ends now

    static void ShareLock(CURL*, curl_lock_data data, curl_lock_access, void* p) {
        static_cast<Impl*>(p)->shareLocks[static_cast<size_t>(data)].lock();
    }
    static void ShareUnlock(CURL*, curl_lock_data data, void* p) {
        static_cast<Impl*>(p)->shareLocks[static_cast<size_t>(data)].unlock();
    }

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

    // Under sockMu: whether any socket of the worker has its TCP connection up.
    bool AnyConnectedLocked() const {
        bool any = false;
        for (auto& s : socks) {
            if (!s.connected && HasPeer(s.fd)) {
                s.connected = true;
            }
            any = any || s.connected;
        }
        return any;
    }

    // Worker: reports "connected" once, when the connection first comes up.
    void ReportConnected() {
        if (connectedReported) {
            return;
        }
        {
            std::lock_guard<std::mutex> lk(sockMu);
            if (!AnyConnectedLocked()) {
                return;
            }
        }
        connectedReported = true;
        PostStatus(u"接続しました。");
    }

    // Stops the GET from the UI thread. Sockets are shut down, not closed: the worker
    // still owns them and closes them through curl.
    void StopLocked() {
        stop = true;
        for (auto& s : socks) {
            shutdown(s.fd, SHUT_RDWR);
        }
        if (multi != nullptr) {
            curl_multi_wakeup(multi);
        }
    }

    static curl_socket_t OpenSocket(void* p, curlsocktype, curl_sockaddr* address) {
        auto* self = static_cast<Impl*>(p);
        int fd = socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd < 0) {
            return CURL_SOCKET_BAD;
        }
        {
            std::lock_guard<std::mutex> lk(self->sockMu);
            self->socks.push_back(Sock{fd, false});
        }
        self->PostStatus(FromUtf8(AddressText(&address->addr)) + u" に接続しています。");
        return fd;
    }

    static int CloseSocket(void* p, curl_socket_t fd) {
        auto* self = static_cast<Impl*>(p);
        bool wasConnected = false;
        {
            std::lock_guard<std::mutex> lk(self->sockMu);
            for (auto it = self->socks.begin(); it != self->socks.end(); ++it) {
                if (it->fd == fd) {
                    wasConnected = it->connected || HasPeer(fd);
                    self->socks.erase(it);
                    break;
                }
            }
        }
        // A socket whose connection never came up (refused, or the losing address of
        // the two families) closes without the disconnect texts.
        if (!wasConnected) {
            return close(fd);
        }
        if (!self->connectedReported) {
            self->connectedReported = true;
            self->PostStatus(u"接続しました。");
        }
        self->PostStatus(u"接続解除しています。");
        int rc = close(fd);
        self->PostStatus(u"接続解除されました。");
        return rc;
    }

    static int XferInfo(void* p, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<Impl*>(p)->stop ? 1 : 0;
    }

    static size_t Write(char* data, size_t, size_t n, void* p) {
        auto* self = static_cast<Impl*>(p);
        std::string& ms = self->owner.MS;
        long status = 0;
        curl_easy_getinfo(self->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status < 200 || status >= 300) {
            return 0;  // the GET has failed already; its body is not wanted
        }
        if (n > kMaxBody - ms.size()) {
            return 0;  // over the cap: the transfer fails with a write error
        }
        if (ms.empty()) {
            curl_off_t length = -1;
            curl_easy_getinfo(self->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            if (length > 0 && static_cast<size_t>(length) <= kMaxBody) {
                ms.reserve(static_cast<size_t>(length));
            }
        }
        ms.append(data, n);
        return n;
    }

    static CURLcode SslContext(CURL*, void* ctx, void* p) {
        auto* self = static_cast<Impl*>(p);
        if (self->runCaFile.empty()) {
            return CURLE_OK;
        }
        BIO* bio = BIO_new_file(self->runCaFile.c_str(), "r");
        if (bio == nullptr) {
            return CURLE_SSL_CACERT_BADFILE;
        }
        X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(ctx));
        int added = 0;
        while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
            X509_STORE_add_cert(store, cert);  // a certificate already there is no error
            X509_free(cert);
            ++added;
        }
        ERR_clear_error();
        BIO_free(bio);
        return added > 0 ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
    }

    // Per download, set before the worker starts.
    CURL* easy = nullptr;
    std::string runCaFile;
    std::string charset;  // of the answer's Content-Type, worker thread only

    void Run(const std::u16string& url);
    bool Get(const std::string& url);
};

Downloader::Downloader() : impl_(std::make_unique<Impl>(*this)) {}

Downloader::~Downloader() {
    BtnCancelClick();
    if (impl_->worker.joinable()) {
        impl_->worker.join();
    }
}

bool Downloader::SplitHome(const std::u16string& url, std::u16string* protocol,
                           std::u16string* home) {
    UrlHandle h;
    if (h.u == nullptr ||
        curl_url_set(h.u, CURLUPART_URL, EncodeUrl(url).c_str(), 0) != CURLUE_OK) {
        return false;
    }
    const std::string scheme = h.Get(CURLUPART_SCHEME);
    const std::string host = h.Get(CURLUPART_HOST);
    if (scheme.empty() || host.empty()) {
        return false;
    }
    *protocol = FromUtf8(scheme) + u":";
    *home = *protocol + u"//" + FromUtf8(host) + u"/";
    return true;
}

bool Downloader::Impl::Get(const std::string& url) {
    easy = curl_easy_init();
    if (easy == nullptr) {
        return false;
    }
    curl_slist* headers = curl_slist_append(nullptr, kAccept);

    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, UserAgent());
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Closing the app must not wait for a slow name lookup.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    // Every GET gets its own connection, closed when it ends (the disconnect texts).
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_SHARE, share);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // in-memory cookies, never saved
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBody));

    curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &Impl::SslContext);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, this);

    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &Impl::OpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &Impl::CloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Impl::XferInfo);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::Write);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);

    CURLM* m = curl_multi_init();
    CURLcode result = CURLE_FAILED_INIT;
    if (m != nullptr && curl_multi_add_handle(m, easy) == CURLM_OK) {
        {
            std::lock_guard<std::mutex> lk(sockMu);
            multi = m;
        }
        int running = 1;
        while (!stop) {
            if (curl_multi_perform(m, &running) != CURLM_OK) {
                break;
            }
            ReportConnected();
            if (running == 0 || stop) {
                break;
            }
            if (curl_multi_poll(m, nullptr, 0, 1000, nullptr) != CURLM_OK) {
                break;
            }
        }
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(m, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                result = msg->data.result;
            }
        }
        {
            std::lock_guard<std::mutex> lk(sockMu);
            multi = nullptr;
        }
        curl_multi_remove_handle(m, easy);  // closes a connection still open
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    const char* contentType = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &contentType);
    charset = contentType ? ContentTypeCharset(contentType) : std::string();
    curl_easy_cleanup(easy);
    easy = nullptr;
    if (m != nullptr) {
        curl_multi_cleanup(m);
    }
    curl_slist_free_all(headers);
    // Redirects and every other answer that is not a success are failures.
    return !stop && result == CURLE_OK && status >= 200 && status < 300;
}

void Downloader::Impl::Run(const std::u16string& url) {
    // The tool sends no credentials: a user name and password in the address stay here.
    const std::string wire = EncodeUrl(StripUserInfo(url));
    UrlHandle h;
    bool ok = false;
    if (h.u != nullptr && curl_url_set(h.u, CURLUPART_URL, wire.c_str(), 0) == CURLUE_OK) {
        PostStatus(u"ホスト名 " + FromUtf8(h.Get(CURLUPART_HOST)) + u" を解決しています。");
        ok = Get(wire);
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

void Downloader::Start(const std::u16string& url) {
    if (impl_->worker.joinable()) {
        // A download still under way is abandoned: its GET ends at once.
        {
            std::lock_guard<std::mutex> lk(impl_->sockMu);
            impl_->StopLocked();
        }
        impl_->worker.join();
    }
    {
        std::lock_guard<std::mutex> lk(impl_->newsMu);
        impl_->news.clear();
    }
    {
        std::lock_guard<std::mutex> lk(impl_->sockMu);
        impl_->socks.clear();
        impl_->stop = false;
    }
    impl_->connectedReported = false;
    impl_->runCaFile = impl_->extraCaFile;
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
    // The end notification may have been delivered just before: nothing more will come.
    std::unique_lock<std::mutex> lk(impl_->newsMu);
    impl_->newsCv.wait_for(lk, timeout, [this] { return !impl_->news.empty() || !IsDownLoading; });
}

void Downloader::SetNewsCallback(std::function<void()> callback) {
    std::lock_guard<std::mutex> lk(impl_->callbackMu);
    impl_->newsCallback = std::move(callback);
}

void Downloader::BtnCancelClick() {
    if (!IsDownLoading) {
        return;
    }
    // In every stage, the name lookup and the connection included: the worker's GET ends
    // at once and the wait for it ends with it.
    std::lock_guard<std::mutex> lk(impl_->sockMu);
    FIsDLCancel = true;
    impl_->StopLocked();
}

bool Downloader::IsConnected() const {
    std::lock_guard<std::mutex> lk(impl_->sockMu);
    return impl_->AnyConnectedLocked();
}

void Downloader::SetExtraCaFile(const std::string& path) {
    impl_->extraCaFile = path;
}

}  // namespace velmora
