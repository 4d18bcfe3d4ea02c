// The page download against servers on 127.0.0.1 that the tests start themselves.
#include "pipeline/Download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LocalHttpServer.h"
#include "Wine.h"
#include "base/Text.h"
#include "pipeline/UserAgent.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using velmora::localhttp::HttpChunkedHead;
using velmora::localhttp::HttpConnection;
using velmora::localhttp::HttpReply;
using velmora::localhttp::HttpRequest;
using velmora::localhttp::LocalHttpServer;
using velmora::localhttp::SilentListener;
using velmora::localhttp::StuckListener;
using velmora::localhttp::TlsSetup;
using Clock = std::chrono::steady_clock;

std::string TlsFile(const char* name) {
    return std::string(VELMORA_SOURCE_DIR) + "/tests/fixtures/tls/" + name;
}

std::string Origin(const LocalHttpServer& s, const char* host = "127.0.0.1",
                   const char* scheme = "http") {
    return std::string(scheme) + "://" + host + ":" + std::to_string(s.port());
}

struct Driven {
    bool ended = false;
    std::vector<std::u16string> statuses;
};

// Waits for the download the way the UI's wait loop does, with `each` run on every turn.
Driven Drive(Downloader& d, const std::function<void()>& each = {},
             std::chrono::milliseconds limit = 10s) {
    Driven r;
    JobHooks hooks;
    hooks.status = [&](const std::u16string& text) { r.statuses.push_back(text); };
    const auto deadline = Clock::now() + limit;
    while (d.IsDownLoading && Clock::now() < deadline) {
        d.DeliverPending(hooks);
        if (each) {
            each();
        }
        d.WaitForNews(1ms);
    }
    r.ended = !d.IsDownLoading;
    return r;
}

Driven Fetch(Downloader& d, const std::string& url) {
    d.Start(FromUtf8(url));
    return Drive(d);
}

using localhttp::net::ClosedPort;

void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

// Serves fixed responses by request target and counts the hits per target.
class RouteServer {
public:
    explicit RouteServer(std::map<std::string, std::string> routes)
        : routes_(std::move(routes)), server_([this](const HttpRequest& req, HttpConnection& c) {
              {
                  std::lock_guard<std::mutex> lk(mu_);
                  ++hits_[req.target];
                  last_ = req;
              }
              auto it = routes_.find(req.target);
              c.Send(it != routes_.end() ? it->second : HttpReply(404, "no route"));
          }) {}
    int Hits(const std::string& target) {
        std::lock_guard<std::mutex> lk(mu_);
        return hits_[target];
    }
    HttpRequest Last() {
        std::lock_guard<std::mutex> lk(mu_);
        return last_;
    }
    const LocalHttpServer& server() const { return server_; }

private:
    std::map<std::string, std::string> routes_;
    std::mutex mu_;
    std::map<std::string, int> hits_;
    HttpRequest last_;
    LocalHttpServer server_;
};

// "日本語のページ" in Shift_JIS, with a NUL and a 0xFF byte that must survive as they are.
const std::string kSjisBody =
    std::string("<html><body>\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x79\x81\x5b\x83\x57</body>") +
    std::string("\0\xff\r\n", 4);

struct OutcomeCase {
    const char* name;
    const char* target;
    bool ok;
    std::string body;  // MS after the download
};

class DownloadOutcome : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(DownloadOutcome, StatusDecidesSuccessAndBodyIsKeptExactly) {
    RouteServer routes({
        {"/sjis", HttpReply(200, kSjisBody, "Content-Type: text/html; charset=Shift_JIS\r\n")},
        {"/empty", HttpReply(200, "")},
        {"/moved", HttpReply(301, "moved", "Location: /target\r\n")},
        {"/found", HttpReply(302, "found", "Location: /target\r\n")},
        {"/missing", HttpReply(404, "missing")},
        {"/broken", HttpReply(500, "broken")},
        {"/target", HttpReply(200, "redirect target")},
    });
    const OutcomeCase& c = GetParam();
    Downloader d;
    ASSERT_TRUE(Fetch(d, Origin(routes.server()) + c.target).ended);
    EXPECT_EQ(d.FDownLoadError, !c.ok);
    EXPECT_FALSE(d.FIsDLCancel);
    EXPECT_EQ(d.MS, c.body);
    EXPECT_EQ(routes.Hits("/target"), 0) << "a redirect was followed";
    EXPECT_EQ(routes.Hits(c.target), 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, DownloadOutcome,
                         ::testing::Values(OutcomeCase{"ShiftJisPage", "/sjis", true, kSjisBody},
                                           OutcomeCase{"EmptyBody", "/empty", true, ""},
                                           OutcomeCase{"MovedPermanently", "/moved", false, ""},
                                           OutcomeCase{"Found", "/found", false, ""},
                                           OutcomeCase{"NotFound", "/missing", false, ""},
                                           OutcomeCase{"ServerError", "/broken", false, ""}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Download, ConnectionRefusedFailsWithoutDisconnectTexts) {
    Downloader d;
    auto r = Fetch(d, "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/");
    ASSERT_TRUE(r.ended);
    EXPECT_TRUE(d.FDownLoadError);
    EXPECT_THAT(r.statuses, ElementsAre(u"ホスト名 127.0.0.1 を解決しています。",
                                        u"127.0.0.1 に接続しています。"));
}

TEST(Download, StatusTextsArriveInOrderOnTheCallersThread) {
    RouteServer routes({{"/", HttpReply(200, "page")}});
    std::atomic<int> wakeups{0};
    std::atomic<bool> onCaller{false};
    const auto caller = std::this_thread::get_id();
    {
        Downloader d;
        d.SetNewsCallback([&] {
            ++wakeups;
            if (std::this_thread::get_id() == caller) {
                onCaller = true;
            }
        });
        auto r = Fetch(d, Origin(routes.server()) + "/");
        ASSERT_TRUE(r.ended);
        EXPECT_FALSE(d.FDownLoadError);
        EXPECT_THAT(r.statuses, ElementsAre(u"ホスト名 127.0.0.1 を解決しています。",
                                            u"127.0.0.1 に接続しています。", u"接続しました。",
                                            u"接続解除しています。", u"接続解除されました。"));
    }                       // joins the worker, which may still be in the callback of the end
    EXPECT_EQ(wakeups, 6);  // five texts and the end
    EXPECT_FALSE(onCaller) << "the news callback runs on the worker";
}

TEST(Download, ReplacedNewsCallbackIsNeverRunningAfterwards) {
    // The window clears the callback as it closes and is gone right after: a call of the
    // old callback that is still under way then would reach a window that no longer exists.
    RouteServer routes({{"/", HttpReply(200, "page")}});
    Downloader d;
    std::atomic<bool> inside{false};
    std::atomic<bool> entered{false};
    d.SetNewsCallback([&] {
        inside = true;
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        inside = false;
    });
    d.Start(FromUtf8(Origin(routes.server()) + "/"));
    while (!entered)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    d.SetNewsCallback({});
    EXPECT_FALSE(inside) << "the old callback was still running";
}

TEST(Download, SendsTheFixedRequestHeadersDirectlyDespiteProxyEnvironment) {
    RouteServer routes({{"/page", HttpReply(200, "page")}});
    // Proxies from the environment must not be used: these point at a closed port.
    const std::string bogus = "http://127.0.0.1:" + std::to_string(ClosedPort());
    const char* vars[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy", "ALL_PROXY"};
    for (auto* v : vars) {
        SetEnv(v, bogus.c_str());
    }
    Downloader d;
    auto r = Fetch(d, Origin(routes.server()) + "/page");
    for (auto* v : vars) {
        SetEnv(v, nullptr);
    }
    ASSERT_TRUE(r.ended);
    EXPECT_FALSE(d.FDownLoadError);
    HttpRequest req = routes.Last();
    EXPECT_EQ(req.method, "GET");
    EXPECT_EQ(req.target, "/page");
    EXPECT_EQ(req.version, "HTTP/1.1");
    EXPECT_EQ(req.Header("Accept"),
              "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    EXPECT_EQ(req.Header("User-Agent"), UserAgent());
    EXPECT_EQ(req.Header("Host"), "127.0.0.1:" + std::to_string(routes.server().port()));
    EXPECT_EQ(req.Find("Accept-Encoding"), nullptr);
    EXPECT_EQ(req.Find("Authorization"), nullptr);
    EXPECT_EQ(req.Find("Proxy-Connection"), nullptr);
}

TEST(Download, UserAgentIsABrowsersNamingTheTool) {
    // Servers refuse old and library-like agents as bots; a browser's form passes.
    const std::string agent = UserAgent();
    EXPECT_EQ(agent.rfind("Mozilla/5.0 (", 0), 0u) << agent;
    const size_t tool = agent.find(") Velmora/");
    ASSERT_NE(tool, std::string::npos) << agent;
    const std::string version = agent.substr(tool + 10);
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos) << agent;
    EXPECT_EQ(agent.find("Indy"), std::string::npos);
}

TEST(Download, CredentialsInTheAddressAreNeverSent) {
    RouteServer routes({{"/page", HttpReply(200, "page")}});
    Downloader d;
    const std::string port = std::to_string(routes.server().port());
    for (const char* userinfo : {"user:secret@", "user@", ":secret@", "a%40b:c@d@"}) {
        ASSERT_TRUE(
            Fetch(d, std::string("http://") + userinfo + "127.0.0.1:" + port + "/page").ended)
            << userinfo;
        EXPECT_FALSE(d.FDownLoadError) << userinfo;
        const HttpRequest req = routes.Last();
        EXPECT_EQ(req.Find("Authorization"), nullptr) << userinfo;
        EXPECT_EQ(req.Header("Host"), "127.0.0.1:" + port) << userinfo;
        EXPECT_EQ(d.LHomeDirectory, u"http://127.0.0.1/") << userinfo;
    }
    EXPECT_EQ(Downloader::StripUserInfo(u"https://u:p@host:8/a@b?c=d@e"),
              u"https://host:8/a@b?c=d@e");
    EXPECT_EQ(Downloader::StripUserInfo(u"https://host/a@b"), u"https://host/a@b");
    EXPECT_EQ(Downloader::StripUserInfo(u"no address"), u"no address");
}

TEST(Download, CharsetOfTheAnswerIsKept) {
    const char* const head = "Content-Type: ";
    RouteServer routes({
        {"/plain", HttpReply(200, "a", std::string(head) + "text/html; charset=UTF-8\r\n")},
        {"/quoted", HttpReply(200, "a", std::string(head) + "text/html;charset=\"Shift_JIS\"\r\n")},
        {"/more",
         HttpReply(200, "a", std::string(head) + "text/html; q=1; Charset = EUC-JP ; x=y\r\n")},
        {"/none", HttpReply(200, "a", std::string(head) + "text/html\r\n")},
        {"/inname", HttpReply(200, "a", std::string(head) + "text/x-charset=utf-8\r\n")},
        {"/missing", HttpReply(404, "a", std::string(head) + "text/html; charset=utf-8\r\n")},
    });
    const std::pair<const char*, const char*> cases[] = {
        {"/plain", "utf-8"}, {"/quoted", "shift_jis"}, {"/more", "euc-jp"},
        {"/none", ""},       {"/inname", ""},          {"/missing", ""},
    };
    Downloader d;
    for (const auto& [target, charset] : cases) {
        ASSERT_TRUE(Fetch(d, Origin(routes.server()) + target).ended);
        EXPECT_EQ(d.ContentCharset, charset) << target;
    }
}

TEST(Download, NonAsciiPathArrivesPercentEncodedAsUtf8) {
    RouteServer routes({});
    Downloader d;
    d.Start(FromUtf8(Origin(routes.server())) + u"/ページ 1.html?q=漢字");
    ASSERT_TRUE(Drive(d).ended);
    EXPECT_EQ(routes.Last().target, "/%E3%83%9A%E3%83%BC%E3%82%B8%201.html?q=%E6%BC%A2%E5%AD%97");
}

TEST(Download, EncodeUrlLeavesAsciiAndTheHostAlone) {
    struct Case {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"http://example.jp/a/b.html?x=1&y=%41#top", "http://example.jp/a/b.html?x=1&y=%41#top"},
        {u"http://example.jp/a b\tc", "http://example.jp/a%20b%09c"},
        {u"https://例え.jp/漢字", "https://\xe4\xbe\x8b\xe3\x81\x88.jp/%E6%BC%A2%E5%AD%97"},
        {u"http://example.jp?q=é", "http://example.jp?q=%C3%A9"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(Downloader::EncodeUrl(c.in), c.out) << c.out;
    }
}

TEST(Download, CookieOfOneAnswerGoesWithLaterRequestsToTheSameSiteOnly) {
    LocalHttpServer server([](const HttpRequest& req, HttpConnection& c) {
        if (req.target == "/set") {
            c.Send(HttpReply(200, "set", "Set-Cookie: sid=abc123; Path=/\r\n"));
        } else {
            c.Send(HttpReply(200, req.Header("Cookie")));
        }
    });
    Downloader d;
    ASSERT_TRUE(Fetch(d, Origin(server) + "/set").ended);
    ASSERT_FALSE(d.FDownLoadError);
    ASSERT_TRUE(Fetch(d, Origin(server) + "/echo").ended);
    EXPECT_EQ(d.MS, "sid=abc123");
    ASSERT_TRUE(Fetch(d, Origin(server, "localhost") + "/echo").ended);
    ASSERT_FALSE(d.FDownLoadError);
    EXPECT_EQ(d.MS, "") << "127.0.0.1's cookie went to localhost";
}

TEST(Download, SplitHomeKeepsSchemeAndHostOnly) {
    struct Case {
        std::u16string url, protocol, home;
    } cases[] = {
        {u"https://host:8080/dir/page.html", u"https:", u"https://host/"},
        {u"http://example.jp/a/b?q=1#f", u"http:", u"http://example.jp/"},
        {u"http://example.jp?q=1", u"http:", u"http://example.jp/"},
        {u"HTTP://user:pw@example.jp:80/", u"http:", u"http://example.jp/"},
        {u"http://[::1]:8080/x", u"http:", u"http://[::1]/"},
        {u"https://例え.jp:8443/パス?q=1", u"https:", u"https://例え.jp/"},
    };
    for (auto& c : cases) {
        std::u16string protocol, home;
        ASSERT_TRUE(Downloader::SplitHome(c.url, &protocol, &home)) << ToUtf8(c.url);
        EXPECT_EQ(protocol, c.protocol) << ToUtf8(c.url);
        EXPECT_EQ(home, c.home) << ToUtf8(c.url);
    }
    std::u16string protocol = u"kept", home = u"kept";
    EXPECT_FALSE(Downloader::SplitHome(u"no address", &protocol, &home));
    EXPECT_EQ(home, u"kept");
}

TEST(Download, HomeIsWrittenOnlyBySuccessfulDownloads) {
    RouteServer routes({{"/dir/page.html?x=1", HttpReply(200, "page")}});
    Downloader d;
    ASSERT_TRUE(Fetch(d, Origin(routes.server()) + "/dir/page.html?x=1").ended);
    ASSERT_FALSE(d.FDownLoadError);
    EXPECT_EQ(d.LProtocol, u"http:");
    EXPECT_EQ(d.LHomeDirectory, u"http://127.0.0.1/");

    ASSERT_TRUE(Fetch(d, Origin(routes.server(), "localhost") + "/missing").ended);
    ASSERT_TRUE(d.FDownLoadError);
    EXPECT_EQ(d.LHomeDirectory, u"http://127.0.0.1/") << "a failed download moved the home";
}

// What a client that accepts every version from TLS 1.0 negotiates with the server: shows
// that a refused server really offers the version its row names.
int OfferedVersion(const LocalHttpServer& server) {
#ifdef _WIN32
    return server.offeredTlsVersion();  // the TLS front tried it
#else
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_security_level(ctx, 0);
    SSL_CTX_set_cipher_list(ctx, "DEFAULT:@SECLEVEL=0");
    SSL_CTX_set_min_proto_version(ctx, TLS1_VERSION);
    int version = 0;
    const auto fd = localhttp::net::Connect(server.port());
    if (fd != localhttp::net::kNone) {
        SSL* ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_connect(ssl) == 1) {
            version = SSL_version(ssl);
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        localhttp::net::Close(fd);
    }
    SSL_CTX_free(ctx);
    return version;
#endif
}

struct TlsCase {
    const char* name;
    const char* cert;
    const char* key;
    int minVersion, maxVersion;
    int offered;  // the version a permissive client gets
    bool ok;
};

class DownloadTls : public ::testing::TestWithParam<TlsCase> {};

TEST_P(DownloadTls, NeedsTrustedCertificateAndTls12OrNewer) {
    const TlsCase& c = GetParam();
    if (test::UnderWine() && c.minVersion == TLS1_3_VERSION) {
        // Windows 11 speaks TLS 1.3; Wine 8's TLS client (schannel) takes the setting but
        // offers TLS 1.2 at most.
        GTEST_SKIP() << "Wine's TLS client has no TLS 1.3";
    }
    TlsSetup tls{TlsFile(c.cert), TlsFile(c.key), c.minVersion, c.maxVersion};
    LocalHttpServer server(
        [](const HttpRequest&, HttpConnection& conn) { conn.Send(HttpReply(200, "secure")); },
        &tls);
    ASSERT_EQ(OfferedVersion(server), c.offered);

    Downloader d;
    d.SetExtraCaFile(TlsFile("ca.pem"));
    ASSERT_TRUE(Fetch(d, Origin(server, "localhost", "https") + "/dir/page.html").ended);
    EXPECT_EQ(d.FDownLoadError, !c.ok);
    EXPECT_EQ(d.MS, c.ok ? "secure" : "");
    EXPECT_EQ(d.LHomeDirectory, c.ok ? u"https://localhost/" : u"");
    EXPECT_EQ(d.LProtocol, c.ok ? u"https:" : u"");
    if (c.ok) {
        EXPECT_EQ(server.serverName(), "localhost") << "no SNI";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, DownloadTls,
    ::testing::Values(TlsCase{"Trusted", "server.pem", "server.key", 0, 0, TLS1_3_VERSION, true},
                      TlsCase{"OnlyTls13", "server.pem", "server.key", TLS1_3_VERSION,
                              TLS1_3_VERSION, TLS1_3_VERSION, true},
                      TlsCase{"OnlyTls12", "server.pem", "server.key", TLS1_2_VERSION,
                              TLS1_2_VERSION, TLS1_2_VERSION, true},
                      TlsCase{"OnlyTls11", "server.pem", "server.key", TLS1_1_VERSION,
                              TLS1_1_VERSION, TLS1_1_VERSION, false},
                      TlsCase{"OnlyTls10", "server.pem", "server.key", TLS1_VERSION, TLS1_VERSION,
                              TLS1_VERSION, false},
                      TlsCase{"UntrustedSelfSigned", "untrusted.pem", "untrusted.key", 0, 0,
                              TLS1_3_VERSION, false}),
    [](const auto& row) { return std::string(row.param.name); });

// A body that trickles in 1 KiB chunks until the client goes or the server stops.
class SlowServer {
public:
    SlowServer()
        : server_([this](const HttpRequest&, HttpConnection& c) {
              c.Send(HttpChunkedHead());
              const std::string chunk(1024, 'a');
              const auto end = Clock::now() + 10s;
              while (!server_.stopping() && Clock::now() < end) {
                  if (!c.SendChunk(chunk)) {
                      clientGone = true;
                      return;
                  }
                  ++chunks;
                  std::this_thread::sleep_for(20ms);
              }
              c.EndChunks();
          }) {}
    std::string Url() const { return Origin(server_) + "/slow"; }

    std::atomic<int> chunks{0};
    std::atomic<bool> clientGone{false};

private:
    LocalHttpServer server_;
};

TEST(Download, CancelDuringTheBodyEndsTheDownloadAtOnce) {
    SlowServer slow;
    Downloader d;
    d.Start(FromUtf8(slow.Url()));
    Clock::time_point cancelledAt{};
    auto r = Drive(d, [&] {
        if (cancelledAt == Clock::time_point{} && slow.chunks >= 2) {
            EXPECT_TRUE(d.IsConnected());
            d.BtnCancelClick();
            cancelledAt = Clock::now();
        }
    });
    ASSERT_TRUE(r.ended);
    ASSERT_NE(cancelledAt, Clock::time_point{});
    EXPECT_LT(Clock::now() - cancelledAt, 500ms);
    EXPECT_TRUE(d.FIsDLCancel);
    EXPECT_TRUE(d.FDownLoadError);
    EXPECT_EQ(d.MS, "");
    EXPECT_EQ(d.LHomeDirectory, u"");
    EXPECT_FALSE(d.IsConnected());
    EXPECT_THAT(r.statuses,
                ::testing::IsSupersetOf({u"接続解除しています。", u"接続解除されました。"}));
    EXPECT_EQ(r.statuses.back(), u"接続解除されました。");
}

TEST(Download, DestroyingDuringASlowBodyReturnsPromptly) {
    SlowServer slow;
    auto d = std::make_unique<Downloader>();
    d->Start(FromUtf8(slow.Url()));
    Drive(*d, {}, 200ms);
    ASSERT_GE(slow.chunks, 1);
    const auto t0 = Clock::now();
    d.reset();
    EXPECT_LT(Clock::now() - t0, 500ms);
}

// Cancel ends a download at once in every stage, the ones before the connection is open
// included, and so does destroying the downloader (closing the app).
struct StageCase {
    const char* name;
    bool tls;     // the server takes the connection and never answers the TLS hello
    bool cancel;  // the cancel button; otherwise the downloader is destroyed
};

class DownloadStage : public ::testing::TestWithParam<StageCase> {};

TEST_P(DownloadStage, EndsAtOnce) {
    const StageCase& c = GetParam();
    StuckListener stuck;
    SilentListener silent;
    auto d = std::make_unique<Downloader>();
    d->Start(FromUtf8(c.tls ? silent.Url() : stuck.Url()));
    auto r = Drive(*d, {}, 300ms);
    ASSERT_FALSE(r.ended) << "the download was not held before its answer";
    // Windows reports the connection once TCP is up; Wine only after the TLS handshake.
    if (!(c.tls && test::UnderWine())) {
        EXPECT_EQ(d->IsConnected(), c.tls);
    }
    const auto t0 = Clock::now();
    if (c.cancel) {
        d->BtnCancelClick();
        EXPECT_TRUE(d->FIsDLCancel);
        EXPECT_TRUE(Drive(*d, {}, 2s).ended);
        EXPECT_LT(Clock::now() - t0, 500ms);
        EXPECT_TRUE(d->FDownLoadError);
        EXPECT_EQ(d->MS, "");
    } else {
        d.reset();
        EXPECT_LT(Clock::now() - t0, 500ms);
    }
}

INSTANTIATE_TEST_SUITE_P(Stages, DownloadStage,
                         ::testing::Values(StageCase{"CancelWhileConnecting", false, true},
                                           StageCase{"CancelDuringTlsHandshake", true, true},
                                           StageCase{"CloseWhileConnecting", false, false},
                                           StageCase{"CloseDuringTlsHandshake", true, false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Download, StartNeverWaitsForTheNetwork) {
    // A new download while an earlier one still hangs in its connection abandons that one.
    StuckListener stuck;
    RouteServer routes({{"/page", HttpReply(200, "page")}});
    Downloader d;
    d.Start(FromUtf8(stuck.Url()));
    ASSERT_FALSE(Drive(d, {}, 200ms).ended);
    const auto t0 = Clock::now();
    d.Start(FromUtf8(Origin(routes.server()) + "/page"));
    EXPECT_LT(Clock::now() - t0, 500ms);
    ASSERT_TRUE(Drive(d).ended);
    EXPECT_FALSE(d.FDownLoadError);
    EXPECT_EQ(d.MS, "page");
}

TEST(Download, CancelWhenIdleChangesNothing) {
    Downloader d;
    d.BtnCancelClick();
    EXPECT_FALSE(d.FIsDLCancel);
    EXPECT_FALSE(d.IsDownLoading);
}

struct CapCase {
    const char* name;
    size_t size;
    bool announced;  // Content-Length instead of chunks
    bool ok;
};

class DownloadCap : public ::testing::TestWithParam<CapCase> {};

TEST_P(DownloadCap, BodyAboveTheCapFails) {
    const CapCase& c = GetParam();
    std::atomic<size_t> sent{0};
    LocalHttpServer server([&](const HttpRequest&, HttpConnection& conn) {
        const std::string mib(1 << 20, '\0');
        if (c.announced) {
            conn.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(c.size) +
                      "\r\nConnection: close\r\n\r\n");
        } else {
            conn.Send(HttpChunkedHead());
        }
        for (size_t left = c.size; left > 0;) {
            const size_t n = std::min(left, mib.size());
            if (!(c.announced ? conn.Send({mib.data(), n}) : conn.SendChunk({mib.data(), n}))) {
                return;
            }
            sent += n;
            left -= n;
        }
        if (!c.announced) {
            conn.EndChunks();
        }
    });
    Downloader d;
    ASSERT_TRUE(Fetch(d, Origin(server) + "/big").ended);
    EXPECT_EQ(d.FDownLoadError, !c.ok);
    if (c.ok) {
        EXPECT_EQ(d.MS.size(), c.size);
    } else {
        EXPECT_EQ(d.MS.capacity(), std::string().capacity()) << "the failed body is still held";
        if (c.announced) {
            EXPECT_LT(sent, Downloader::kMaxBody / 2) << "the announced size did not stop it";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DownloadCap,
    ::testing::Values(CapCase{"ExactlyTheCap", Downloader::kMaxBody, false, true},
                      CapCase{"StreamedPastTheCap", Downloader::kMaxBody + (1 << 20), false, false},
                      CapCase{"AnnouncedPastTheCap", Downloader::kMaxBody + (1 << 20), true,
                              false}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace velmora
