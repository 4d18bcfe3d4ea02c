// From the ruby key's release in Firefox's address bar to Firefox showing the ruby page,
// for a page of about 100 KB served on 127.0.0.1, with Firefox already running. Runs the
// real tool window, the real desktop services and Firefox ESR on a private X display,
// ten times, and prints the median of each stage:
//   copy       release -> the copied address reaches the tool (the trigger's fixed waits:
//              half a second, then Ctrl+A, Ctrl+C and the click 100 ms apart, and the
//              clipboard's 100 ms)
//   download   -> the page is downloaded and decoded
//   annotate   -> readings written, links rewritten, Rubi<N>.html written
//   browser    -> Firefox's title is the ruby page's (started again with the page, loaded)
// Usage: ruby_key_firefox [runs]
#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "AppFixture.h"
#include "FirefoxSession.h"
#include "XvfbSession.h"
#include "pipeline/LocalHttpServer.h"
#include "platform/VirtualKeys.h"

using namespace velmora;
using namespace velmora::localhttp;

namespace {

std::string HundredKilobytePage() {
    std::string page =
        "<html><head><meta charset=\"utf-8\"><title>漢字の練習</title></head><body>\n";
    const char* lines[] = {
        "<p>私は毎日学校で新しい漢字を勉強します。先生は黒板に大きな字を書きました。</p>\n",
        "<p>図書館で本を読むのが好きです。昨日は友達と一緒に公園へ行きました。</p>\n",
        "<p>日本の春には桜が咲き、多くの人が花見を楽しみます。</p>\n",
    };
    for (int i = 0; page.size() < 100 * 1024; ++i)
        page += lines[i % 3];
    return page + "</body></html>\n";
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    XvfbSession session;
    QString why;
    if (!session.Start(&why, QStringLiteral("1366x768x24"))) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication qapp(argc, argv);
    if (!FirefoxSession::Installed()) {
        std::fprintf(stderr, "firefox-esr is not installed\n");
        return 1;
    }
    const std::string body = HundredKilobytePage();
    LocalHttpServer server([&](const HttpRequest&, HttpConnection& conn) {
        conn.Send(HttpReply(200, body, "Content-Type: text/html; charset=utf-8\r\n"));
    });
    auto url = [&](int i) {
        return QStringLiteral("http://127.0.0.1:%1/page%2.html").arg(server.port()).arg(i);
    };

    // The services outlive the Firefox they started.
    PlatformServices services = CreatePlatformServices();
    FirefoxSession firefox;
    if (!firefox.Prepare(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    const WindowId window = firefox.Start(services, url(0), &why);
    if (!window) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    auto title = [&] { return QString::fromStdU16String(services.windows->Title(window)); };
    const QString plain = QStringLiteral("漢字の練習 — Mozilla Firefox");
    if (!QTest::qWaitFor([&] { return title() == plain; }, 60000)) {
        std::fprintf(stderr, "Firefox does not show the page\n");
        return 1;
    }

    AppFixture app;
    app.desktop = &services;
    app.realReading = true;
    app.WriteConfig(std::string("[BrowserExeName]\nValue=") + kFirefoxEsr +
                    "\n[HotKey]\nValue=16\nName=Shift\n");
    if (!app.Start()) {
        std::fprintf(stderr, "the tool did not start\n");
        return 1;
    }
    TVelmoraForm& f = *app.logic;

    std::vector<double> copy, download, annotate, browser, total;
    for (int i = 1; i <= runs; ++i) {
        // Firefox shows the plain page at a new address; its address bar has the focus.
        services.launcher->Launch(QString::fromLatin1(kFirefoxEsr).toStdU16String(),
                                  std::vector<std::u16string>{url(i).toStdU16String()});
        if (!QTest::qWaitFor([&] { return title() == plain; }, 60000)) return 1;
        services.placement->Activate(window);
        (void)QTest::qWaitFor([&] { return services.windows->Foreground() == window; }, 5000);
        for (int k = 0; k < 2; ++k) {
            QTest::qWait(700);
            services.input->SendKeys(
                {{vk::Control, false}, {'L', false}, {'L', true}, {vk::Control, true}});
        }
        QTest::qWait(300);

        // The stages, seen from the event loop every millisecond (it runs inside the
        // tool's waits too).
        qint64 tCopy = -1, tDownload = -1, tWritten = -1;
        QElapsedTimer clock;
        QTimer probe;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (tCopy < 0 && f.ClipBoardRubiing) tCopy = now;
            if (tDownload < 0 && f.ProgressBar1.Visible()) tDownload = now;
            if (tWritten < 0 && f.RubiHTMLCount == i) tWritten = now;
        });
        const int before = f.RubiHTMLCount;
        clock.start();
        probe.start();
        services.input->SendKeys({{vk::Shift, false}, {vk::Shift, true}});
        QString ruby;
        const bool shown = QTest::qWaitFor(
            [&] {
                if (f.RubiHTMLCount == before) return false;
                if (ruby.isEmpty()) {
                    const auto m = QRegularExpression(QStringLiteral("<title>([^<]*)</title>"))
                                       .match(QString::fromStdString(ReadAll(app.Page(i))));
                    ruby = m.captured(1) + QStringLiteral(" — Mozilla Firefox");
                }
                return title() == ruby;
            },
            60000);
        const qint64 tShown = clock.elapsed();
        probe.stop();
        if (!shown || tCopy < 0 || tDownload < 0 || tWritten < 0) {
            std::fprintf(stderr, "run %d: the ruby page did not come (%lld %lld %lld)\n", i,
                         static_cast<long long>(tCopy), static_cast<long long>(tDownload),
                         static_cast<long long>(tWritten));
            return 1;
        }
        copy.push_back(static_cast<double>(tCopy));
        download.push_back(static_cast<double>(tDownload - tCopy));
        annotate.push_back(static_cast<double>(tWritten - tDownload));
        browser.push_back(static_cast<double>(tShown - tWritten));
        total.push_back(static_cast<double>(tShown));
        std::printf("run %2d: %5lld ms\n", i, static_cast<long long>(tShown));
        (void)QTest::qWaitFor([&] { return !f.ClipBoardRubiing && !f.IsURLCopyed; }, 10000);
    }
    std::printf("page %zu bytes, %d runs, medians in ms:\n", body.size(), runs);
    std::printf("  copy round trip    %7.1f\n", Median(copy));
    std::printf("  download + decode  %7.1f\n", Median(download));
    std::printf("  annotate + write   %7.1f\n", Median(annotate));
    std::printf("  browser load       %7.1f\n", Median(browser));
    std::printf("  total              %7.1f\n", Median(total));
    return 0;
}
