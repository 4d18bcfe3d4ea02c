// Speed of the annotation engine and of the whole page pipeline, as ratios against raw
// MeCab parsing the same text in the same run.
//
//   engine_bench [SHARED_DIR]
//
// Three measurements:
// - The whole pipeline: the largest bundled page (read, detect + decode, parse the HTML for
//   the readable text, annotate, rewrite links + head charset, write), time per stage, the
//   ratio to raw MeCab on the same text, and peak memory.
// - The engine in bulk: a large Japanese text (the bundled real Japanese pages, decoded:
//   about 4.5 MB) is annotated by the engine over MeCab, and parsed once by MeCab directly
//   (every node's reading touched). Reports pages/s, MB/s and the ratio engine / raw MeCab.
// - The HTML parse: every bundled page, its parse against its annotation: the parse's share
//   of the annotation time over all pages and on the worst page.
#include <mecab.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/FileIO.h"
#include "base/Text.h"
#include "pipeline/HtmlRanges.h"
#include "pipeline/LinkRewrite.h"
#include "pipeline/PageDecode.h"
#include "pipeline/RubiRequest.h"
#include "ruby/MecabReading.h"
#include "ruby/RubiEngine.h"

namespace fs = std::filesystem;
using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

// CPU time of this thread: steadier than the wall clock on a busy machine.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

std::vector<std::u16string> LoadCorpus(const fs::path& pages, size_t& bytes, int& count) {
    std::vector<std::u16string> lines;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(pages))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        std::string raw;
        if (ReadFileBytes(f, raw) != FileRead::Ok) continue;
        auto page = DecodePage(raw);
        size_t kanji = 0;
        for (const auto& l : page.lines) {
            for (char16_t c : l)
                kanji += IsKanji(c, 0) ? 1 : 0;
        }
        if (kanji < 200) continue;  // Japanese pages only
        ++count;
        for (auto& l : page.lines) {
            bytes += ToUtf8(l).size() + 1;
            lines.push_back(std::move(l));
        }
    }
    return lines;
}

double RawMecab(const std::vector<std::string>& utf8Lines) {
    std::string args = "-r /dev/null -d " + MecabDictionary();
    MeCab::Model* model = MeCab::createModel(args.c_str());
    MeCab::Tagger* tagger = model->createTagger();
    MeCab::Lattice* lattice = model->createLattice();
    size_t touched = 0;
    auto t0 = Clock::now();
    for (const auto& line : utf8Lines) {
        lattice->set_sentence(line.data(), line.size());
        tagger->parse(lattice);
        for (const MeCab::Node* n = lattice->bos_node(); n; n = n->next) {
            touched += n->feature ? static_cast<unsigned char>(n->feature[0]) : 0;
        }
    }
    auto t1 = Clock::now();
    delete lattice;
    delete tagger;
    delete model;
    if (touched == 0) std::puts("");
    return Seconds(t0, t1);
}

double Engine(std::vector<std::u16string> lines) {
    int level = 0;
    UserDictionary dic;
    RubiEngine engine(MecabReadingFactory(), level, dic, {});
    auto t0 = Clock::now();
    engine.DoRubi(lines);
    return Seconds(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
    fs::path shared = argc > 1 ? fs::path(argv[1]) : fs::path(VELMORA_SOURCE_DIR) / ".." / "shared";
    fs::path pages = shared / "pages" / "pages";
    if (!MecabAvailable()) {
        std::fprintf(stderr, "MeCab dictionary missing\n");
        return 1;
    }
    // The whole pipeline on the largest page.
    fs::path largest;
    uintmax_t largestSize = 0;
    for (const auto& e : fs::directory_iterator(pages)) {
        if (e.file_size() > largestSize) largestSize = e.file_size(), largest = e.path();
    }
    fs::path out = fs::temp_directory_path() / "velmora-bench-Rubi1.html";
    constexpr int kStages = 6;
    double t[kStages] = {1e9, 1e9, 1e9, 1e9, 1e9, 1e9};
    size_t lineCount = 0;
    for (int round = 0; round < 9; ++round) {
        auto a = Clock::now();
        std::string raw;
        ReadFileBytes(largest, raw);
        auto b = Clock::now();
        auto page = DecodePage(raw);
        std::string().swap(raw);
        auto c = Clock::now();
        const PageRanges ranges = FindAnnotateRanges(page.lines);
        auto c2 = Clock::now();
        int level = 0;
        UserDictionary dic;
        RubiEngine engine(MecabReadingFactory(), level, dic, {});
        AnnotatePage(page.lines, ranges, engine, MecabReadingFactory(), RubyStyle::Parentheses, {});
        auto d = Clock::now();
        LinkOrigin origin{u"file://" + PathText(largest), u"", u""};
        RewriteLinks(page.lines, PathText(largest), origin, {});
        ReplaceHeadCharset(page.lines);
        auto e = Clock::now();
        WriteFileReplacing(out, EncodeRubiPage(page.lines));
        auto f = Clock::now();
        lineCount = page.lines.size();
        double s[kStages] = {Seconds(a, b),  Seconds(b, c), Seconds(c, c2),
                             Seconds(c2, d), Seconds(d, e), Seconds(e, f)};
        for (int i = 0; i < kStages; ++i)
            t[i] = std::min(t[i], s[i]);
    }
    fs::remove(out);
    double total = 0;
    for (double x : t)
        total += x;
    std::printf("pipeline on %s (%ju bytes, %zu lines): %.3f s\n", largest.filename().c_str(),
                largestSize, lineCount, total);
    const char* names[kStages] = {"read",     "detect+decode",   "parse HTML",
                                  "annotate", "rewrite+charset", "write"};
    for (int i = 0; i < kStages; ++i) {
        std::printf("  %-16s %8.2f ms  %5.1f%%\n", names[i], t[i] * 1e3, 100.0 * t[i] / total);
    }
    std::printf("  parse / annotate: %.1f%% (target <= 15%%)\n", 100.0 * t[2] / t[3]);
    std::printf("  everything but annotation: %.1f%% of the total (target < 10%%)\n",
                100.0 * (total - t[3]) / total);
    {
        std::string raw;
        ReadFileBytes(largest, raw);
        std::vector<std::string> pageUtf8;
        for (const auto& l : DecodePage(raw).lines)
            pageUtf8.push_back(ToUtf8(l));
        double rawPage = RawMecab(pageUtf8);
        for (int round = 0; round < 2; ++round)
            rawPage = std::min(rawPage, RawMecab(pageUtf8));
        std::printf("  raw MeCab on the same text: %.2f ms; ratio pipeline / raw MeCab %.2f\n",
                    rawPage * 1e3, total / rawPage);
    }
    std::printf("peak memory after this page (MeCab model included): %.1f MB\n\n",
                static_cast<double>(PeakKb()) / 1024.0);
    size_t bytes = 0;
    int count = 0;
    std::vector<std::u16string> corpus = LoadCorpus(pages, bytes, count);
    std::vector<std::string> utf8;
    for (const auto& l : corpus)
        utf8.push_back(ToUtf8(l));

    // Warm up both (model load, page cache), then take the best of interleaved rounds.
    RawMecab(utf8);
    Engine(corpus);
    double bestRaw = 1e9, bestEngine = 1e9;
    for (int round = 0; round < 5; ++round) {
        bestRaw = std::min(bestRaw, RawMecab(utf8));
        bestEngine = std::min(bestEngine, Engine(corpus));
    }
    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf("text: %d pages, %zu lines, %.2f MB UTF-8\n", count, corpus.size(), mb);
    std::printf("raw MeCab:  %.3f s  %.2f MB/s\n", bestRaw, mb / bestRaw);
    std::printf("engine:     %.3f s  %.2f MB/s  %.1f pages/s\n", bestEngine, mb / bestEngine,
                count / bestEngine);
    std::printf("ratio engine / raw MeCab: %.2f (target <= 1.5)\n", bestEngine / bestRaw);
    std::printf("peak memory: %.1f MB\n", static_cast<double>(PeakKb()) / 1024.0);

    // The parse against the annotation it serves, page by page.
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(pages))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    double parseAll = 0, annotateAll = 0, worst = 0;
    std::string worstName;
    for (const auto& f : files) {
        std::string raw;
        if (ReadFileBytes(f, raw) != FileRead::Ok) continue;
        const std::vector<std::u16string> lines = DecodePage(raw).lines;
        double parse = 1e9, annotate = 1e9;
        for (int round = 0; round < 3; ++round) {
            std::vector<std::u16string> copy = lines;
            const double a = CpuSeconds();
            const PageRanges ranges = FindAnnotateRanges(copy);
            const double b = CpuSeconds();
            int level = 0;
            UserDictionary dic;
            RubiEngine engine(MecabReadingFactory(), level, dic, {});
            AnnotatePage(copy, ranges, engine, MecabReadingFactory(), RubyStyle::Parentheses, {});
            const double c = CpuSeconds();
            parse = std::min(parse, b - a);
            annotate = std::min(annotate, c - b);
        }
        parseAll += parse;
        annotateAll += annotate;
        if (annotate > 1e-3 && parse / annotate > worst) {
            worst = parse / annotate;
            worstName = f.filename().string();
        }
    }
    std::printf(
        "\nHTML parse over %zu pages (thread CPU time): %.1f ms, annotation %.1f ms: parse / "
        "annotate "
        "%.1f%% (target <= 15%%); worst page %s %.1f%%\n",
        files.size(), parseAll * 1e3, annotateAll * 1e3, 100.0 * parseAll / annotateAll,
        worstName.c_str(), 100.0 * worst);

    return 0;
}
