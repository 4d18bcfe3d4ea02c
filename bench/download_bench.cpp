// Page download figures: the time to fetch a 1 MB page from a local server, the download's
// share of a whole ruby request for a 1 MB Japanese page, and the CPU the UI's wait loop
// uses while a slow server trickles a body for about a second.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../tests/pipeline/LocalHttpServer.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "pipeline/Download.h"
#include "pipeline/RubiRequest.h"
#include "ruby/MecabReading.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using velmora::Downloader;
using velmora::JobHooks;
using velmora::localhttp::HttpChunkedHead;
using velmora::localhttp::HttpConnection;
using velmora::localhttp::HttpReply;
using velmora::localhttp::HttpRequest;
using velmora::localhttp::LocalHttpServer;

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The UI's wait loop: deliver news, then sleep until there is more (at most `tick`).
void Wait(Downloader& d, std::chrono::milliseconds tick = 1ms) {
    JobHooks hooks;
    hooks.status = [](const std::u16string&) {};
    while (d.IsDownLoading) {
        d.DeliverPending(hooks);
        d.WaitForNews(tick);
    }
}

}  // namespace

int main() {
    const std::string page(1000 * 1000, 'x');
    LocalHttpServer big(
        [&](const HttpRequest&, HttpConnection& c) { c.Send(HttpReply(200, page)); });
    const std::u16string bigUrl =
        u"http://127.0.0.1:" + velmora::FromUtf8(std::to_string(big.port())) + u"/page";

    Downloader d;
    std::vector<double> ms;
    for (int i = 0; i < 30; ++i) {
        const auto t0 = Clock::now();
        d.Start(bigUrl);
        Wait(d);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (d.FDownLoadError || d.MS.size() != page.size()) {
            std::fprintf(stderr, "download of the 1 MB page failed\n");
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "1 MB page from 127.0.0.1: median %.2f ms, best %.2f ms, worst %.2f ms (%zu runs)\n",
        ms[ms.size() / 2], ms.front(), ms.back(), ms.size());

    // A real Japanese page (EUC-JP), repeated to about 1 MB, through the whole request.
    {
        namespace fs = std::filesystem;
        std::string one;
        const fs::path pages = fs::path(VELMORA_SOURCE_DIR) / ".." / "shared" / "pages" / "pages";
        if (velmora::ReadFileBytes(pages / "mcpp-doc__mcpp-manual-jp.html", one) !=
            velmora::FileRead::Ok) {
            std::fprintf(stderr, "no real page in %s\n", pages.c_str());
            return 1;
        }
        std::string japanese;
        while (japanese.size() < 1000 * 1000)
            japanese += one;
        LocalHttpServer site(
            [&](const HttpRequest&, HttpConnection& c) { c.Send(HttpReply(200, japanese)); });
        const std::u16string url =
            u"http://127.0.0.1:" + velmora::FromUtf8(std::to_string(site.port())) + u"/manual.html";
        const fs::path folder = fs::temp_directory_path() / "velmora-download-bench";
        fs::create_directories(folder);
        int count = 0, level = 0;
        velmora::UserDictionary dic;
        double fetch = 1e9, whole = 1e9;
        for (int round = 0; round < 3; ++round) {
            auto t0 = Clock::now();
            d.Start(url);
            Wait(d);
            fetch = std::min(fetch, std::chrono::duration<double>(Clock::now() - t0).count());
            velmora::RubiRequestEnv env;
            env.DataFolda = velmora::PathText(folder);
            env.RubiHTMLCount = &count;
            env.ExceptRubiLevel = &level;
            env.dic = &dic;
            env.reading = velmora::MecabReadingFactory();
            env.downloader = &d;
            t0 = Clock::now();
            auto r = velmora::RunRubiRequest(url, env);
            whole = std::min(whole, std::chrono::duration<double>(Clock::now() - t0).count());
            if (r.outcome != velmora::RubiOutcome::Written) {
                std::fprintf(stderr, "the request failed\n");
                return 1;
            }
        }
        fs::remove_all(folder);
        std::printf(
            "%.2f MB Japanese page: download %.2f ms of a whole request of %.1f ms (%.1f%%)\n",
            static_cast<double>(japanese.size()) / 1e6, fetch * 1e3, whole * 1e3,
            100 * fetch / whole);
    }

    // About one second of body in 50 chunks, 20 ms apart.
    LocalHttpServer slow([](const HttpRequest&, HttpConnection& c) {
        c.Send(HttpChunkedHead());
        for (int i = 0; i < 50; ++i) {
            if (!c.SendChunk(std::string(1024, 'a'))) {
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
        c.EndChunks();
    });
    const std::u16string slowUrl =
        u"http://127.0.0.1:" + velmora::FromUtf8(std::to_string(slow.port())) + u"/slow";
    for (auto tick : {1ms, 100ms}) {
        const double thread0 = CpuSeconds(RUSAGE_THREAD);
        const double process0 = CpuSeconds(RUSAGE_SELF);
        const auto t0 = Clock::now();
        d.Start(slowUrl);
        Wait(d, tick);
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double waitCpu = CpuSeconds(RUSAGE_THREAD) - thread0;
        const double processCpu = CpuSeconds(RUSAGE_SELF) - process0;
        std::printf(
            "slow body, %3d ms wait tick, over %.3f s: wait loop CPU %.1f ms (%.2f%% of "
            "one core), whole process incl. worker and server %.1f ms (%.2f%%)\n",
            static_cast<int>(tick.count()), wall, waitCpu * 1e3, 100 * waitCpu / wall,
            processCpu * 1e3, 100 * processCpu / wall);
        if (d.FDownLoadError) {
            return 1;
        }
    }
    return 0;
}
