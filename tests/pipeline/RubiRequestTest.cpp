// The ruby request from address to written page, without the window.
#include "pipeline/RubiRequest.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "TestFiles.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "pipeline/Download.h"
#include "pipeline/LocalHttpServer.h"
#include "ruby/FakeReading.h"
#include "ruby/MecabReading.h"
#include "ruby/RubiEngine.h"

namespace fs = std::filesystem;

namespace velmora {
namespace {

using test::ReadAll;
using test::WriteAll;

#ifdef _WIN32
constexpr char16_t kSep[] = u"\\";
#else
constexpr char16_t kSep[] = u"/";
#endif

std::u16string Text(const fs::path& p) {
    return PathText(p);
}

std::u16string FileUrl(const fs::path& p) {
    return FromUtf8(test::FileUrl(p));
}

using test::ThisProcess;

class RubiRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("velmora-request-" + std::to_string(ThisProcess()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "data");
        env_.DataFolda = Text(root_ / "data");
        env_.RubiHTMLCount = &count_;
        env_.ExceptRubiLevel = &level_;
        env_.dic = &dic_;
        env_.reading = MecabReadingFactory();
        env_.downloader = &downloader_;
        env_.hooks.message = [this](const std::u16string& m) { messages_.push_back(m); };
        env_.hooks.stillWanted = [this] { return wanted_; };
    }
    void TearDown() override { fs::remove_all(root_); }

    RubiResult Run(const fs::path& page) { return RunRubiRequest(FileUrl(page), env_); }

    fs::path root_;
    int count_ = 0;
    int level_ = 0;
    bool wanted_ = true;
    UserDictionary dic_;
    Downloader downloader_;
    RubiRequestEnv env_;
    std::vector<std::u16string> messages_;
};

TEST_F(RubiRequestTest, FixtureSiteBecomesTheExpectedPage) {
    const fs::path site = fs::path(VELMORA_SOURCE_DIR) / "tests" / "fixtures" / "site";
    RubiResult r = Run(site / "sub" / "page.html");
    ASSERT_EQ(r.outcome, RubiOutcome::Written) << ToUtf8(r.errorText);
    EXPECT_EQ(r.pagePath, env_.DataFolda + kSep + u"Rubi1.html");
    EXPECT_EQ(count_, 1);
    std::string expected = ReadAll(site / "expected-Rubi1.html");
    // file://@SITE@/x is the file URL of the site's x: file:///C:/... on Windows, and
    // file://@ROOT@/x that of x at the root of the site's file system (a drive on Windows).
    std::string sitePath = ToUtf8(Text(site.lexically_normal().generic_u8string()));
    std::string rootPath;
    if (!sitePath.starts_with("/")) {
        rootPath = "/" + sitePath.substr(0, sitePath.find('/'));
        sitePath = "/" + sitePath;
    }
    for (const auto& [marker, value] :
         {std::pair{std::string("@SITE@"), sitePath}, std::pair{std::string("@ROOT@"), rootPath}}) {
        for (size_t at; (at = expected.find(marker)) != std::string::npos;) {
            expected.replace(at, marker.size(), value);
        }
    }
    EXPECT_EQ(ReadAll(PathFromText(r.pagePath)), expected);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(RubiRequestTest, PagesAreNumberedAndRewritten) {
    WriteAll(root_ / "a.html", "<p>漢字</p>\r<p>東京</p>\n");
    RubiResult first = Run(root_ / "a.html");
    RubiResult second = Run(root_ / "a.html");
    ASSERT_EQ(second.outcome, RubiOutcome::Written);
    EXPECT_EQ(first.pagePath, env_.DataFolda + kSep + u"Rubi1.html");
    EXPECT_EQ(second.pagePath, env_.DataFolda + kSep + u"Rubi2.html");
    EXPECT_EQ(ReadAll(PathFromText(second.pagePath)),
              "\xEF\xBB\xBF<p>漢字(かんじ)</p>\r\n<p>東京(とうきょう)</p>\r\n");
    // A page of an earlier run with the same number is replaced.
    count_ = 0;
    WriteAll(root_ / "b.html", "b");
    ASSERT_EQ(Run(root_ / "b.html").outcome, RubiOutcome::Written);
    EXPECT_EQ(ReadAll(root_ / "data" / "Rubi1.html"),
              "\xEF\xBB\xBF"
              "b\r\n");
}

TEST_F(RubiRequestTest, NamesBeyondAsciiAreReadAndWritten) {
    // Japanese folder and file names, in the page's address and in the data folder: every
    // path goes to the system as it is spelt (UTF-16 on Windows), never through a code page.
    const fs::path folder = root_ / fs::path(u8"ページ 一覧");
    const fs::path page = folder / fs::path(u8"日本語.html");
    fs::create_directories(folder);
    WriteAll(page, "<p>漢字</p>\n");
    fs::create_directories(root_ / fs::path(u8"データ"));
    env_.DataFolda = Text(root_ / fs::path(u8"データ"));
    const std::u16string urls[] = {
        FileUrl(page),
        Text(page),
        FileUrl(folder) + u"/%E6%97%A5%E6%9C%AC%E8%AA%9E.html",
    };
    for (const auto& url : urls) {
        count_ = 0;
        RubiResult r = RunRubiRequest(url, env_);
        ASSERT_EQ(r.outcome, RubiOutcome::Written) << ToUtf8(url) << ": " << ToUtf8(r.errorText);
        EXPECT_EQ(r.pagePath, env_.DataFolda + kSep + u"Rubi1.html");
        EXPECT_EQ(ReadAll(PathFromText(r.pagePath)), "\xEF\xBB\xBF<p>漢字(かんじ)</p>\r\n");
    }
}

TEST_F(RubiRequestTest, FailuresLeaveNoPage) {
    FakeReadingScript script;
    env_.reading = FakeReadingFactory(script);
    struct Case {
        const char* name;
        std::string bytes;  // empty: no file at all
        bool create;
        RubiOutcome outcome;
        size_t messages;
    } cases[] = {
        {"empty.html", "", true, RubiOutcome::Failed, 1},
        {"bom-only.html", "\xEF\xBB\xBF", true, RubiOutcome::Failed, 1},
        {"missing.html", "", false, RubiOutcome::Error, 0},
    };
    for (const auto& c : cases) {
        messages_.clear();
        if (c.create) WriteAll(root_ / c.name, c.bytes);
        RubiResult r = Run(root_ / c.name);
        EXPECT_EQ(r.outcome, c.outcome) << c.name;
        EXPECT_EQ(messages_.size(), c.messages) << c.name;
        if (c.messages) {
            EXPECT_EQ(messages_[0], kRubiFailed);
        }
        if (c.outcome == RubiOutcome::Error) {
            EXPECT_NE(r.errorText.find(FileUrlToPath(FileUrl(root_ / c.name))),
                      std::u16string::npos);
            EXPECT_NE(r.errorText.find(u"No such file"), std::u16string::npos);
        }
    }
    EXPECT_EQ(count_, 0);
    EXPECT_FALSE(fs::exists(root_ / "data" / "Rubi1.html"));

    // The reading service cannot be opened: no page, no number used.
    script.failOpen = true;
    WriteAll(root_ / "k.html", "漢字");
    EXPECT_EQ(Run(root_ / "k.html").outcome, RubiOutcome::Failed);
    EXPECT_EQ(count_, 0);
}

TEST_F(RubiRequestTest, CancelWhileAnnotatingWritesNothing) {
    FakeReadingScript script;
    env_.reading = FakeReadingFactory(script);
    int pumps = 0;
    env_.hooks.pump = [&] {
        if (++pumps == 3) wanted_ = false;
    };
    int annotatingLines = -1;
    env_.annotating = [&](int lines) { annotatingLines = lines; };
    std::string page;
    for (int i = 0; i < 50; ++i)
        page += "<p>漢字と漢字</p>\n";
    WriteAll(root_ / "long.html", page);
    RubiResult r = Run(root_ / "long.html");
    EXPECT_EQ(r.outcome, RubiOutcome::Cancelled);
    EXPECT_EQ(annotatingLines, 50);
    EXPECT_EQ(count_, 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(fs::is_empty(root_ / "data"));
}

TEST_F(RubiRequestTest, UnwritablePageIsAnErrorWithItsPath) {
    WriteAll(root_ / "a.html", "<p>a</p>");
    // A regular file where the data folder should be: nothing can be written there.
    WriteAll(root_ / "notafolder", "x");
    env_.DataFolda = Text(root_ / "notafolder");
    RubiResult r = Run(root_ / "a.html");
    EXPECT_EQ(r.outcome, RubiOutcome::Error);
    EXPECT_EQ(r.pagePath, env_.DataFolda + kSep + u"Rubi1.html");
    EXPECT_NE(r.errorText.find(r.pagePath), std::u16string::npos);
    // The number is used up: the next page gets the next one.
    EXPECT_EQ(count_, 1);
}

TEST(FileUrlToPath, Table) {
    struct Case {
        std::u16string url, path;
    } cases[] = {
#ifdef _WIN32
        {u"file:///C:/Users/u/a.html", u"C:/Users/u/a.html"},
        {u"FILE:///C:/Users/u/a.html", u"C:/Users/u/a.html"},
        {u"file:///C:/Users/u/My%20Pages/%E6%BC%A2.html", u"C:/Users/u/My Pages/漢.html"},
        {u"file:///C:/Users/u/100%.html", u"C:/Users/u/100%.html"},
        {u"C:/Users/u/a.html", u"C:/Users/u/a.html"},
#else
        {u"file:///home/u/a.html", u"/home/u/a.html"},
        {u"FILE:///home/u/a.html", u"/home/u/a.html"},
        {u"file://localhost/home/u/a.html", u"/home/u/a.html"},
        {u"file://LocalHost/home/u/a.html", u"/home/u/a.html"},
        {u"file:/home/u/a.html", u"/home/u/a.html"},
        {u"file:///home/u/My%20Pages/%E6%BC%A2.html", u"/home/u/My Pages/漢.html"},
        {u"file:///home/u/100%.html", u"/home/u/100%.html"},
        {u"file:///home/u/%zz%4", u"/home/u/%zz%4"},
        {u"file:///home/u/a.html#top", u"/home/u/a.html"},
        {u"file:///home/u/a.html?x=1", u"/home/u/a.html"},
        {u"file:///home/u/C%23.html", u"/home/u/C#.html"},
        {u"/home/u/a.html", u"/home/u/a.html"},
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileUrlToPath(c.url), c.path) << ToUtf8(c.url);
}

TEST(FileUrlToPath, OnlyThisComputersAbsolutePaths) {
    // Another host's share, or a relative path, would be read from the current folder.
    const std::pair<std::u16string, std::u16string> refused[] = {
        {u"file://host/share/x.html", u"host"},
        {u"file://192.168.0.2/x.html", u"192.168.0.2"},
        {u"file://host", u"host"},
        {u"file:x.html", u"absolute"},
        {u"host/share/x.html", u"absolute"},
        {u"filex.html", u"absolute"},
    };
    for (const auto& [url, why] : refused) {
        std::u16string reason;
        EXPECT_EQ(FileUrlToPath(url, &reason), u"") << ToUtf8(url);
        EXPECT_NE(reason.find(why), std::u16string::npos) << ToUtf8(url) << ": " << ToUtf8(reason);
    }
}

TEST(IsOwnRubiPage, OnlyThisRunsPages) {
#ifdef _WIN32
    const std::u16string folder = u"C:\\Users\\u\\Documents\\Quorrin\\Velmora Data";
#else
    const std::u16string folder = u"/home/u/Documents/Quorrin/Velmora Data";
#endif
    struct Case {
        std::u16string url;
        int count;
        bool own;
    } cases[] = {
#ifdef _WIN32
        {u"file:///C:/Users/u/Documents/Quorrin/Velmora%20Data/Rubi2.html", 2, true},
        {u"file:///C:/Users/u/Documents/Quorrin/Velmora Data/Rubi1.html", 2, true},
        {u"file:///C:/Users/u/Documents/Quorrin/Velmora%20Data/Rubi3.html", 2, false},
        {u"file:///C:/Users/u/Documents/Quorrin/Velmora%20Data/Rubi1.html", 0, false},
        {u"http://C:/Users/u/Documents/Quorrin/Velmora%20Data/Rubi1.html", 2, false},
#else
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/Rubi2.html", 2, true},
        {u"file:///home/u/Documents/Quorrin/Velmora Data/Rubi1.html", 2, true},
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/Rubi3.html", 2, false},
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/Rubi1.html", 0, false},
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/rubi1.html", 2, false},
        {u"http://home/u/Documents/Quorrin/Velmora%20Data/Rubi1.html", 2, false},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOwnRubiPage(c.url, folder, c.count), c.own) << ToUtf8(c.url);
    }
}

TEST_F(RubiRequestTest, OwnPagesAreRecognisedHoweverTheirPathIsWritten) {
    count_ = 2;
    WriteAll(root_ / "data" / "Rubi1.html", "x");
    // file:///home/u/... or file:///C:/...
    const std::string data = ToUtf8(FileUrl(root_ / "data"));
    std::vector<std::pair<std::string, bool>> cases = {
        {data + "/Rubi1.html", true},     {data + "/./Rubi1.html", true},
        {data + "//Rubi1.html", true},    {data + "/../data/Rubi2.html", true},
        {data + "/Rubi1.html#top", true}, {data + "/Rubi01.html", false},
        {data + "/Rubi3.html", false},    {data + "/sub/../../data2/Rubi1.html", false},
    };
#ifndef _WIN32
    fs::create_symlink(root_ / "data", root_ / "link");
    const std::string root = root_.string();
    cases.insert(cases.end(), {
                                  {"file://" + root + "/link/Rubi1.html", true},
                                  {"file://localhost" + root + "/data/Rubi1.html", true},
                                  {"file://other" + root + "/data/Rubi1.html", false},
                              });
#endif
    for (const auto& [url, own] : cases) {
        EXPECT_EQ(IsOwnRubiPage(FromUtf8(url), env_.DataFolda, count_), own) << url;
    }
}

TEST_F(RubiRequestTest, FileUrlOfAnotherComputerIsRefused) {
    WriteAll(root_ / "host" / "share" / "x.html", "<p>漢字</p>");
    const fs::path cwd = fs::current_path();
    fs::current_path(root_);
    RubiResult r = RunRubiRequest(u"file://host/share/x.html", env_);
    fs::current_path(cwd);
    EXPECT_EQ(r.outcome, RubiOutcome::Error);
    EXPECT_NE(r.errorText.find(u"another computer (host)"), std::u16string::npos)
        << ToUtf8(r.errorText);
    EXPECT_EQ(count_, 0);
}

// Only regular files (or links to them) are pages: a device never ends, a pipe never
// starts, and both are refused before anything is read.
TEST_F(RubiRequestTest, SpecialFilesAreRefusedWithTheReason) {
    fs::create_directories(root_ / "folder.html");
    WriteAll(root_ / "page.html", "<p>漢字</p>");
    std::vector<std::pair<fs::path, const char16_t*>> refused = {
        {root_ / "folder.html", u"Is a directory"},
    };
#ifndef _WIN32
    ASSERT_EQ(mkfifo((root_ / "fifo").c_str(), 0600), 0);
    fs::create_symlink(root_ / "fifo", root_ / "to-fifo.html");
    fs::create_symlink(root_ / "page.html", root_ / "to-page.html");
    refused.insert(refused.end(), {
                                      {"/dev/zero", u"character device"},
                                      {root_ / "fifo", u"named pipe"},
                                      {root_ / "to-fifo.html", u"named pipe"},
                                  });
#endif
    for (const auto& [path, why] : refused) {
        RubiResult r = RunRubiRequest(Text(path), env_);
        EXPECT_EQ(r.outcome, RubiOutcome::Error) << path;
        EXPECT_NE(r.errorText.find(why), std::u16string::npos) << ToUtf8(r.errorText);
        EXPECT_NE(r.errorText.find(Text(path)), std::u16string::npos) << ToUtf8(r.errorText);
    }
    EXPECT_EQ(count_, 0);
#ifndef _WIN32
    EXPECT_EQ(Run(root_ / "to-page.html").outcome, RubiOutcome::Written);
#endif
}

TEST_F(RubiRequestTest, LocalPageAboveTheCapIsRefused) {
    {
        std::ofstream big(root_ / "big.html", std::ios::binary);
        big.seekp(static_cast<std::streamoff>(Downloader::kMaxBody));
        big.put('x');  // sparse: one byte past the cap
    }
    RubiResult r = Run(root_ / "big.html");
    EXPECT_EQ(r.outcome, RubiOutcome::Error);
    EXPECT_NE(r.errorText.find(u"too large"), std::u16string::npos) << ToUtf8(r.errorText);
    fs::resize_file(root_ / "big.html", Downloader::kMaxBody);
    WriteAll(root_ / "small.html", "a");
    FakeReadingScript script;
    env_.reading = FakeReadingFactory(script);
    EXPECT_EQ(Run(root_ / "small.html").outcome, RubiOutcome::Written);
}

TEST_F(RubiRequestTest, CancelWhileReadingALocalFile) {
    std::string page;
    while (page.size() < (3u << 20))
        page += "<p>漢字</p>\n";
    WriteAll(root_ / "large.html", page);
    env_.hooks.pump = [this] { wanted_ = false; };
    RubiResult r = Run(root_ / "large.html");
    EXPECT_EQ(r.outcome, RubiOutcome::Cancelled);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(count_, 0);
}

// Pages from a web server on 127.0.0.1.
class WebRequestTest : public RubiRequestTest {
protected:
    std::u16string Url(const std::string& userinfo, const std::string& path) const {
        return FromUtf8("http://" + userinfo + "127.0.0.1:" + std::to_string(server_.port()) +
                        path);
    }
    // Pages by address: the charset of the answer's Content-Type (none when empty), and the
    // body. Every body holds the UTF-8 bytes of 漢字.
    struct Answer {
        const char* charset;
        const char* body;
    };
    std::map<std::string, Answer> answers_{
        {"/short.html", {"UTF-8", "<p>漢字</p>\n"}},
        {"/declared.html", {"utf8", "<meta charset=\"shift_jis\"><p>漢字</p>\n"}},
        {"/bom.html", {"Shift_JIS", "\xEF\xBB\xBF<p>漢字</p>\n"}},
        {"/unknown.html", {"x-unknown", "<meta charset=\"shift_jis\"><p>漢字</p>\n"}},
        {"/dir/links.html",
         {"", "<a href=\"a.html\">a</a><img src=\"/i.png\"><a href=\"?q=1\">q</a>\n"}},
    };
    localhttp::LocalHttpServer server_{
        [this](const localhttp::HttpRequest& req, localhttp::HttpConnection& conn) {
            const auto it = answers_.find(req.target);
            if (it == answers_.end()) {
                conn.Send(localhttp::HttpReply(404, "none"));
                return;
            }
            std::string type = "Content-Type: text/html";
            if (*it->second.charset) type += std::string("; charset=") + it->second.charset;
            conn.Send(localhttp::HttpReply(200, it->second.body, type + "\r\n"));
        }};
};

TEST_F(WebRequestTest, CharsetOfTheAnswerComesAfterTheMarkAndBeforeThePage) {
    FakeReadingScript script;
    script.chars = {{u'漢', u"かん"}, {u'字', u"じ"}};
    env_.reading = FakeReadingFactory(script);
    // The UTF-8 bytes of 漢字, in every row; only the header or the mark can tell.
    const std::pair<const char*, bool> cases[] = {
        {"/short.html", true},     // short UTF-8 that detection takes for Shift_JIS
        {"/declared.html", true},  // the header wins over the page's own declaration
        {"/bom.html", true},       // the byte-order mark wins over the header
        {"/unknown.html", false},  // a label the tool does not decode: the page's word
    };
    for (const auto& [path, utf8] : cases) {
        RubiResult r = RunRubiRequest(Url("", path), env_);
        ASSERT_EQ(r.outcome, RubiOutcome::Written) << path;
        const std::string page = ReadAll(ToUtf8(r.pagePath));
        EXPECT_EQ(page.find("漢(かん)字(じ)") != std::string::npos ||
                      page.find("漢字(かんじ)") != std::string::npos,
                  utf8)
            << path << ": " << page;
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(WebRequestTest, CredentialsNeverReachThePagesLinks) {
    FakeReadingScript script;
    env_.reading = FakeReadingFactory(script);
    RubiResult r = RunRubiRequest(Url("user:secret@", "/dir/links.html"), env_);
    ASSERT_EQ(r.outcome, RubiOutcome::Written);
    const std::string page = ReadAll(ToUtf8(r.pagePath));
    const std::string site = "http://127.0.0.1:" + std::to_string(server_.port());
    EXPECT_EQ(page.find("secret"), std::string::npos) << page;
    EXPECT_EQ(page.find("user"), std::string::npos) << page;
    EXPECT_NE(page.find("href=\"" + site + "/dir/a.html\""), std::string::npos) << page;
    EXPECT_NE(page.find("src=\"" + site + "/i.png\""), std::string::npos) << page;
    EXPECT_NE(page.find("href=\"" + site + "/dir/links.html?q=1\""), std::string::npos) << page;
}

TEST_F(RubiRequestTest, CancelWhileConnectingEndsTheRequestSilently) {
    localhttp::StuckListener stuck;
    const auto start = std::chrono::steady_clock::now();
    env_.hooks.pump = [&] {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(200)) {
            wanted_ = false;
            downloader_.BtnCancelClick();
        }
    };
    RubiResult r = RunRubiRequest(FromUtf8(stuck.Url()), env_);
    EXPECT_EQ(r.outcome, RubiOutcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(count_, 0);
}

// Counts the line breaks of a page in an ASCII-compatible encoding or UTF-16BE: CR LF,
// CR and LF each end a line; text after the last break is a line too.
size_t CountLines(const std::string& bytes, bool utf16be) {
    size_t lines = 0, step = utf16be ? 2 : 1, start = utf16be ? 2 : 0;
    bool pending = false;
    for (size_t i = start; i + step - 1 < bytes.size(); i += step) {
        unsigned char c = static_cast<unsigned char>(bytes[i + step - 1]);
        bool high = utf16be && bytes[i] != 0;
        if (!high && (c == '\n' || c == '\r')) {
            ++lines;
            pending = false;
            if (c == '\r' && i + 2 * step - 1 < bytes.size() && bytes[i + 2 * step - 1] == '\n' &&
                (!utf16be || bytes[i + step] == 0)) {
                i += step;
            }
        } else {
            pending = true;
        }
    }
    return lines + (pending ? 1 : 0);
}

TEST_F(RubiRequestTest, RealPagesAllBecomeRubyPages) {
    const fs::path pages = fs::path(VELMORA_SHARED_DIR) / "pages" / "pages";
    if (!fs::exists(pages)) GTEST_SKIP() << "no real pages at " << pages;
    std::map<std::string, std::string> encodingOf;
    std::ifstream index(fs::path(VELMORA_SHARED_DIR) / "pages" / "INDEX.tsv");
    for (std::string line; std::getline(index, line);) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        for (std::string col; std::getline(ss, col, '\t');)
            cols.push_back(col);
        if (cols.size() > 9) encodingOf[fs::path(cols[0]).filename().string()] = cols[9];
    }
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(pages)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const std::string raw = ReadAll(entry.path());
        RubiResult r = Run(entry.path());
        ASSERT_EQ(r.outcome, RubiOutcome::Written) << ToUtf8(r.errorText);
        const std::string written = ReadAll(PathFromText(r.pagePath));
        ASSERT_EQ(written.rfind("\xEF\xBB\xBF", 0), 0u);
        ASSERT_GE(written.size(), 5u);
        EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
        // Valid pages decode without a substitute character.
        if (raw.find("\xEF\xBF\xBD") == std::string::npos) {
            EXPECT_EQ(written.find("\xEF\xBF\xBD"), std::string::npos);
        }
        // Every line of the page is kept, each ended by CR LF.
        size_t crlf = 0;
        for (size_t at = 0; (at = written.find("\r\n", at)) != std::string::npos; at += 2)
            ++crlf;
        const bool utf16be = encodingOf[name].rfind("UTF-16BE", 0) == 0;
        EXPECT_EQ(crlf, CountLines(raw, utf16be));
        fs::remove(PathFromText(r.pagePath));
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace velmora
