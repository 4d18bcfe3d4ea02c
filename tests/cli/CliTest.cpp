// velmora-rubi as people and scripts call it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TestFiles.h"
#include "pipeline/LocalHttpServer.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

using velmora::test::ReadAll;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("velmora-cli-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the command with `args` (shell words), `input` on standard input.
    Outcome Rubi(const std::string& args, const std::string& input = "") {
        const fs::path in = dir_ / "stdin", out = dir_ / "stdout", err = dir_ / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        std::string cmd = "HOME='" + dir_.string() + "' '" VELMORA_BIN_DIR "/velmora-rubi' " +
                          args + " <'" + in.string() + "' >'" + out.string() + "' 2>'" +
                          err.string() + "'";
        Outcome r;
        int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        return r;
    }

    fs::path dir_;
};

TEST_F(CliTest, AnnotatesText) {
    Outcome r = Rubi("--text", "東京へ行った。\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "東京(とうきょう)へ行(い)った。\n");
    // The level leaves known kanji alone; the last line keeps having no line break.
    r = Rubi("--text --level 1", "学校と学問\nab");
    EXPECT_EQ(r.out, "学校と学問(がくもん)\nab");
}

TEST_F(CliTest, DictionaryFileShapesTheText) {
    // Dictionary.ini as the desktop tool saves it: UTF-16LE with BOM, CR LF.
    std::u16string ini = u"\uFEFF[RubiDic]\r\n行った=行<いっ>た\r\n\r\n";
    std::string bytes;
    for (char16_t c : ini) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    std::ofstream(dir_ / "Dictionary.ini", std::ios::binary) << bytes;
    Outcome r =
        Rubi("--text --dictionary '" + (dir_ / "Dictionary.ini").string() + "'", "東京へ行った\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "東京(とうきょう)へ行(いっ)た\n");
}

TEST_F(CliTest, BadArgumentsAreOneClearLine) {
    struct Case {
        std::string args, says;
    } cases[] = {
        {"--text --level 7", "--level takes a number from 0 to 6"},
        {"--text --level -1", "--level takes a number from 0 to 6"},
        {"--text --level x", "--level takes a number from 0 to 6"},
        {"--text --dictionary /nonexistent/Dictionary.ini", "/nonexistent/Dictionary.ini"},
        {"--text --mecab-dic /nonexistent/dic", "mecab-ipadic-utf8"},
        {"--bogus", "unknown option --bogus"},
        {"", "no address given"},
    };
    for (const auto& c : cases) {
        Outcome r = Rubi(c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
    }
}

TEST_F(CliTest, AddressesBecomeNumberedPages) {
    const fs::path data = dir_ / "data";
    std::ofstream(dir_ / "a.html", std::ios::binary) << "<p>漢字</p>\n";
    std::ofstream(dir_ / "empty.html", std::ios::binary) << "";
    fs::create_directories(data);
    // The level comes from the data folder's Config.ini unless --level says otherwise.
    std::ofstream(data / "Config.ini") << "[ExceptRubi]\nValue=1\n";
    std::ofstream(dir_ / "b.html", std::ios::binary) << "学校\n";
    Outcome r = Rubi("--data-folder '" + data.string() + "' '" + (dir_ / "a.html").string() +
                     "' '" + (dir_ / "empty.html").string() + "' missing.html 'file://" +
                     (dir_ / "b.html").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, data.string() + "/Rubi1.html\n" + data.string() + "/Rubi2.html\n");
    EXPECT_NE(r.err.find("ルビふりにしっぱいしました。"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.html: No such file or directory"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"), "\xEF\xBB\xBF<p>漢字(かんじ)</p>\r\n");
    EXPECT_EQ(ReadAll(data / "Rubi2.html"), "\xEF\xBB\xBF学校\r\n");
    // A ruby page of this run is refused.
    r = Rubi("--data-folder '" + data.string() + "' '" + (dir_ / "a.html").string() + "' 'file://" +
             data.string() + "/Rubi1.html'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("すでにルビがふられています。"), std::string::npos) << r.err;
}

TEST_F(CliTest, RubyMarkupFromTheOptionOrConfig) {
    const fs::path data = dir_ / "data";
    fs::create_directories(data);
    std::ofstream(dir_ / "a.html", std::ios::binary)
        << "<title>漢字</title><a href=\"#漢字\">漢字</a>\n";
    const std::string ruby =
        "\xEF\xBB\xBF<title>漢字(かんじ)</title><a href=\"#漢字\"><ruby>漢字<rp>(</rp>"
        "<rt>かんじ</rt><rp>)</rp></ruby></a>\r\n";
    const std::string page = "'" + (dir_ / "a.html").string() + "'";
    Outcome r = Rubi("--ruby-tags --data-folder '" + data.string() + "' " + page);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"), ruby);

    std::ofstream(data / "Config.ini") << "[RubiStyle]\nValue=1\n";
    r = Rubi("--data-folder '" + data.string() + "' " + page);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"), ruby);

    r = Rubi("--text --ruby-tags", "漢字を\n");
    EXPECT_EQ(r.out, "<ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>を\n");
}

TEST_F(CliTest, DownloadsFromALocalServer) {
    using namespace velmora::localhttp;
    LocalHttpServer server([](const HttpRequest& req, HttpConnection& c) {
        if (req.target == "/dir/page.html") {
            // Shift_JIS (漢字) with relative links of every kind.
            c.Send(HttpReply(200,
                             "<html><head><meta charset=\"Shift_JIS\"></head>\r\n"
                             "<img src=\"img/a.png\"><a href=\"../b.html\">\x8a\xbf\x8e\x9a</a>"
                             "<script src=\"/c.js\"></script>\r\n",
                             "Content-Type: text/html\r\n"));
        } else {
            c.Send(HttpReply(404, "no"));
        }
    });
    const std::string site = "http://127.0.0.1:" + std::to_string(server.port());
    const fs::path data = dir_ / "data";
    Outcome r = Rubi("--data-folder '" + data.string() + "' " + site + "/dir/page.html " + site +
                     "/missing.html");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, data.string() + "/Rubi1.html\n");
    EXPECT_NE(r.err.find("missing.html: ルビふりにしっぱいしました。"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"),
              "\xEF\xBB\xBF<html><head><meta charset=\"utf-8\"></head>\r\n<img src=\"" + site +
                  "/dir/img/a.png\"><a href=\"" + site +
                  "/b.html\">漢字(かんじ)</a><script src=\"" + site + "/c.js\"></script>\r\n");
}

TEST_F(CliTest, OnlyRegularFilesAreRead) {
    // A device never ends and a pipe never starts: both are refused at once with the reason.
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path data = dir_ / "data";
    Outcome r = Rubi("--data-folder '" + data.string() + "' /dev/zero '" + fifo.string() + "' '" +
                     dir_.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("/dev/zero: Not a regular file (a character device)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(fifo.string() + ": Not a regular file (a named pipe)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(dir_.string() + ": Is a directory"), std::string::npos) << r.err;
}

TEST_F(CliTest, DefaultDataFolderIsUnderDocuments) {
    std::ofstream(dir_ / "a.html", std::ios::binary) << "a\n";
    Outcome r = Rubi("'" + (dir_ / "a.html").string() + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              (dir_ / "Documents" / "Quorrin" / "VelmoraData" / "Rubi1.html").string() + "\n");
}

}  // namespace
