// The ruby request from address to written page, without the window.
#include "pipeline/RubiRequest.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "TestFiles.h"
#include "base/Text.h"
#include "pipeline/Download.h"
#include "ruby/FakeReading.h"
#include "ruby/MecabReading.h"
#include "ruby/RubiEngine.h"

namespace fs = std::filesystem;

namespace velmora {
namespace {

using test::ReadAll;
using test::WriteAll;

std::u16string FileUrl(const fs::path& p) {
    return u"file://" + FromUtf8(p.string());
}

class RubiRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("velmora-request-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "data");
        env_.DataFolda = FromUtf8((root_ / "data").string());
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
    EXPECT_EQ(r.pagePath, env_.DataFolda + u"/Rubi1.html");
    EXPECT_EQ(count_, 1);
    std::string expected = ReadAll(site / "expected-Rubi1.html");
    const std::string marker = "@SITE@";
    for (size_t at; (at = expected.find(marker)) != std::string::npos;) {
        expected.replace(at, marker.size(), site.lexically_normal().string());
    }
    EXPECT_EQ(ReadAll(ToUtf8(r.pagePath)), expected);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(RubiRequestTest, PagesAreNumberedAndRewritten) {
    WriteAll(root_ / "a.html", "<p>漢字</p>\r<p>東京</p>\n");
    RubiResult first = Run(root_ / "a.html");
    RubiResult second = Run(root_ / "a.html");
    ASSERT_EQ(second.outcome, RubiOutcome::Written);
    EXPECT_EQ(first.pagePath, env_.DataFolda + u"/Rubi1.html");
    EXPECT_EQ(second.pagePath, env_.DataFolda + u"/Rubi2.html");
    EXPECT_EQ(ReadAll(ToUtf8(second.pagePath)),
              "\xEF\xBB\xBF<p>漢字(かんじ)</p>\r\n<p>東京(とうきょう)</p>\r\n");
    // A page of an earlier run with the same number is replaced.
    count_ = 0;
    WriteAll(root_ / "b.html", "b");
    ASSERT_EQ(Run(root_ / "b.html").outcome, RubiOutcome::Written);
    EXPECT_EQ(ReadAll(root_ / "data" / "Rubi1.html"),
              "\xEF\xBB\xBF"
              "b\r\n");
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
            EXPECT_NE(r.errorText.find(FromUtf8((root_ / c.name).string())), std::u16string::npos);
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
    env_.DataFolda = FromUtf8((root_ / "notafolder").string());
    RubiResult r = Run(root_ / "a.html");
    EXPECT_EQ(r.outcome, RubiOutcome::Error);
    EXPECT_EQ(r.pagePath, env_.DataFolda + u"/Rubi1.html");
    EXPECT_NE(r.errorText.find(r.pagePath), std::u16string::npos);
    // The number is used up: the next page gets the next one.
    EXPECT_EQ(count_, 1);
}

TEST(FileUrlToPath, Table) {
    struct Case {
        std::u16string url, path;
    } cases[] = {
        {u"file:///home/u/a.html", u"/home/u/a.html"},
        {u"FILE:///home/u/a.html", u"/home/u/a.html"},
        {u"file://localhost/home/u/a.html", u"/home/u/a.html"},
        {u"file:///home/u/My%20Pages/%E6%BC%A2.html", u"/home/u/My Pages/漢.html"},
        {u"file:///home/u/100%.html", u"/home/u/100%.html"},
        {u"file:///home/u/%zz%4", u"/home/u/%zz%4"},
        {u"/home/u/a.html", u"/home/u/a.html"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileUrlToPath(c.url), c.path) << ToUtf8(c.url);
}

TEST(IsOwnRubiPage, OnlyThisRunsPages) {
    const std::u16string folder = u"/home/u/Documents/Quorrin/Velmora Data";
    struct Case {
        std::u16string url;
        int count;
        bool own;
    } cases[] = {
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/Rubi2.html", 2, true},
        {u"file:///home/u/Documents/Quorrin/Velmora Data/Rubi1.html", 2, true},
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/Rubi3.html", 2, false},
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/Rubi1.html", 0, false},
        {u"file:///home/u/Documents/Quorrin/Velmora%20Data/rubi1.html", 2, false},
        {u"http://home/u/Documents/Quorrin/Velmora%20Data/Rubi1.html", 2, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOwnRubiPage(c.url, folder, c.count), c.own) << ToUtf8(c.url);
    }
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
        const std::string written = ReadAll(ToUtf8(r.pagePath));
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
        fs::remove(ToUtf8(r.pagePath));
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace velmora
