// Requests of web pages through the main window's logic: the download worker's news
// reaches the window through its message loop, and the cancel button stops a download that
// is under way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "FormFixture.h"
#include "pipeline/LocalHttpServer.h"
#include "platform/VirtualKeys.h"

using namespace velmora;
using namespace velmora::localhttp;

namespace {

class FormHttp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new LocalHttpServer([](const HttpRequest& req, HttpConnection& conn) {
            if (req.target == "/page") {
                conn.Send(
                    HttpReply(200, SamplePage(4), "Content-Type: text/html; charset=utf-8\r\n"));
            } else if (req.target == "/slow") {
                slowEntered_ = true;
                for (int i = 0; i < 300 && !release_ && !server_->stopping(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                conn.Send(HttpReply(200, SamplePage(), "Content-Type: text/html\r\n"));
            } else {
                conn.Send(HttpReply(404, "not here", "Content-Type: text/plain\r\n"));
            }
        });
        port_ = server_->port();
    }
    static void TearDownTestSuite() {
        release_ = true;
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_GT(port_, 0);
        slowEntered_ = false;
        release_ = false;
    }
    void TearDown() override { release_ = true; }

    static std::u16string Url(const char* path) {
        return FromUtf8("http://127.0.0.1:" + std::to_string(port_) + path);
    }

    static inline LocalHttpServer* server_ = nullptr;
    static inline int port_ = 0;
    static inline std::atomic<bool> slowEntered_{false};
    static inline std::atomic<bool> release_{false};
};

using Steady = std::chrono::steady_clock;

}  // namespace

TEST_F(FormHttp, DownloadedPageIsWritten) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    app.messages.Clear();
    ASSERT_TRUE(app.Request(Url("/page")));
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_EQ(app.form->RubiHTMLCount, 1);
    EXPECT_NE(ReadAll(app.Page(1)).find("漢字(かんじ)"), std::string::npos);
    EXPECT_TRUE(app.form->LProtocol == u"http:");
    EXPECT_EQ(app.form->ComboBoxRubiTitle.Count(), 2);
    EXPECT_FALSE(app.form->IsDownLoading);
    // The news came through the message loop.
    EXPECT_GT(app.pump.processed, 0);
}

TEST_F(FormHttp, CancelDuringTheDownload) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    app.messages.Clear();
    bool busyWhileWaiting = false;
    bool clicked = false;
    // The user clicks cancel while the page is still coming.
    app.pump.onProcess = [&] {
        if (!slowEntered_ || clicked) return;
        clicked = true;
        busyWhileWaiting = f.BtnCancel.Visible() && f.LblRubiing.Visible() &&
                           !f.BtnRubi.Visible() && f.IsDownLoading;
        f.BtnCancel.Click();
    };
    const auto start = Steady::now();
    ASSERT_TRUE(app.Request(Url("/slow")));
    // Ended by the cancel, not by the server's late answer.
    EXPECT_LT(Steady::now() - start, std::chrono::milliseconds(2500));
    release_ = true;
    EXPECT_TRUE(busyWhileWaiting);
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_EQ(f.RubiHTMLCount, 0);
    EXPECT_FALSE(std::filesystem::exists(app.Page(1)));
    EXPECT_FALSE(f.Rubiing);
    EXPECT_EQ(ToUtf8(f.BtnRubi.Text()), "ルビふりおわり");
}

TEST_F(FormHttp, ServerErrorIsAFailure) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    app.messages.Clear();
    ASSERT_TRUE(app.Request(Url("/missing")));
    ASSERT_EQ(app.messages.history.size(), 1u);
    EXPECT_EQ(ToUtf8(app.messages.history[0].text), "ルビふりにしっぱいしました。");
    EXPECT_EQ(app.form->RubiHTMLCount, 0);
    EXPECT_FALSE(app.form->BtnCancel.Visible());
}

TEST_F(FormHttp, CloseDuringTheDownload) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    app.messages.Clear();
    bool closed = false;
    app.pump.onProcess = [&] {
        if (slowEntered_ && !closed) closed = app.Close();
    };
    const auto start = Steady::now();
    ASSERT_TRUE(app.Request(Url("/slow")));
    EXPECT_LT(Steady::now() - start, std::chrono::milliseconds(2500));
    release_ = true;
    EXPECT_TRUE(closed);
    EXPECT_FALSE(app.view.shown);
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_FALSE(std::filesystem::exists(app.Page(1)));
}

// Cancel while the connection is still being made: the request ends at once without a
// message, and Enter pressed right after the cancel, before the request has unwound,
// starts no second request inside it.
TEST_F(FormHttp, CancelWhileConnecting) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    app.messages.Clear();
    StuckListener stuck;
    const auto start = Steady::now();
    Steady::time_point cancelledAt{};
    app.pump.onProcess = [&] {
        if (cancelledAt != Steady::time_point{} ||
            !f.LblRubiing.Text().ends_with(u"に接続しています。") ||
            Steady::now() - start < std::chrono::milliseconds(200))
            return;
        f.BtnCancel.Click();
        cancelledAt = Steady::now();
        f.LEURLKeyDown(vk::Return);
    };
    ASSERT_TRUE(app.Request(FromUtf8(stuck.Url())));
    ASSERT_NE(cancelledAt, Steady::time_point{});
    EXPECT_LT(Steady::now() - cancelledAt, std::chrono::milliseconds(1000))
        << "the request outlived its cancel";
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_EQ(f.RubiHTMLCount, 0);
    EXPECT_FALSE(f.BtnCancel.Visible());
    EXPECT_EQ(ToUtf8(f.BtnRubi.Text()), "ルビふりおわり");
    // Nothing is left running: the next request goes through at once.
    app.pump.onProcess = nullptr;
    const auto next = Steady::now();
    ASSERT_TRUE(app.Request(Url("/page")));
    EXPECT_LT(Steady::now() - next, std::chrono::milliseconds(2000));
    EXPECT_EQ(f.RubiHTMLCount, 1);
    EXPECT_TRUE(app.messages.history.empty());
}

// Closing before the server has answered, in the stages before any body: the request ends
// at once, so the message loop (and with it the process) can end; no message follows.
class FormCloseBeforeTheAnswer : public FormHttp, public ::testing::WithParamInterface<bool> {};

TEST_P(FormCloseBeforeTheAnswer, EndsTheRequestAtOnce) {
    const bool tls = GetParam();
    FormFixture app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Request(Url("/page")));
    ASSERT_TRUE(std::filesystem::exists(app.Page(1)));
    app.messages.Clear();
    StuckListener stuck;
    SilentListener silent;
    const auto start = Steady::now();
    Steady::time_point closedAt{};
    app.pump.onProcess = [&] {
        if (closedAt != Steady::time_point{} ||
            Steady::now() - start < std::chrono::milliseconds(300))
            return;
        closedAt = Steady::now();
        EXPECT_TRUE(app.Close());
    };
    ASSERT_TRUE(app.Request(FromUtf8(tls ? silent.Url() : stuck.Url())));
    ASSERT_NE(closedAt, Steady::time_point{});
    EXPECT_LT(Steady::now() - closedAt, std::chrono::milliseconds(1000))
        << "the request outlived the close";
    EXPECT_FALSE(app.view.shown);
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_FALSE(std::filesystem::exists(app.Page(1)));
    EXPECT_FALSE(std::filesystem::exists(app.Page(2)));
}

INSTANTIATE_TEST_SUITE_P(Stages, FormCloseBeforeTheAnswer, ::testing::Values(false, true),
                         [](const auto& row) {
                             return std::string(row.param ? "TlsHandshake" : "Connecting");
                         });
