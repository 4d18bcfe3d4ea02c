// velmora-rubi as people and scripts call it.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <winsock2.h>  // before windows.h, for the local test server
// after winsock2.h:
#include <windows.h>
// after windows.h:
#include <knownfolders.h>
#include <shlobj.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "base/Text.h"
#include "pipeline/LocalHttpServer.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

using velmora::test::ReadAll;
using Args = std::vector<std::string>;

using velmora::test::FileUrl;
using velmora::test::ThisProcess;

// A path as the command prints it.
std::string Shown(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

#ifdef _WIN32
// One argument of a Windows command line, quoted the way the C runtime splits it again.
std::wstring Quoted(const std::string& utf8) {
    const std::u16string arg = velmora::FromUtf8(utf8);
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (char16_t c : arg) {
        if (c == u'\\') {
            ++slashes;
            continue;
        }
        out.append(c == u'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += static_cast<wchar_t>(c);
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

HANDLE Inherited(const fs::path& p, bool write) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(p.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &sa,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("velmora-cli-" + std::to_string(ThisProcess()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the command with `args`, `input` on standard input.
    Outcome Rubi(const Args& args, const std::string& input = "") {
        const fs::path in = dir_ / "stdin", out = dir_ / "stdout", err = dir_ / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        Outcome r;
#ifdef _WIN32
        const fs::path program = fs::path(VELMORA_BIN_DIR) / "velmora-rubi.exe";
        std::wstring line = Quoted(Shown(program));
        for (const auto& a : args)
            line += L" " + Quoted(a);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = Inherited(in, false);
        si.hStdOutput = Inherited(out, true);
        si.hStdError = Inherited(err, true);
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           nullptr, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, INFINITE);
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            r.status = static_cast<int>(code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError})
            CloseHandle(h);
#else
        std::string cmd = "HOME='" + dir_.string() + "' '" VELMORA_BIN_DIR "/velmora-rubi'";
        for (const auto& a : args) {
            std::string q = "'";
            for (char c : a)
                q += c == '\'' ? std::string("'\\''") : std::string(1, c);
            cmd += " " + q + "'";
        }
        cmd += " <'" + in.string() + "' >'" + out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        return r;
    }

    fs::path dir_;
};

TEST_F(CliTest, AnnotatesText) {
    Outcome r = Rubi({"--text"}, "東京へ行った。\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "東京(とうきょう)へ行(い)った。\n");
    // The level leaves known kanji alone; the last line keeps having no line break.
    r = Rubi({"--text", "--level", "1"}, "学校と学問\nab");
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
        Rubi({"--text", "--dictionary", (dir_ / "Dictionary.ini").string()}, "東京へ行った\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "東京(とうきょう)へ行(いっ)た\n");
}

TEST_F(CliTest, BadArgumentsAreOneClearLine) {
    struct Case {
        Args args;
        std::string says;
    } cases[] = {
        {{"--text", "--level", "7"}, "--level takes a number from 0 to 6"},
        {{"--text", "--level", "-1"}, "--level takes a number from 0 to 6"},
        {{"--text", "--level", "x"}, "--level takes a number from 0 to 6"},
        {{"--text", "--dictionary", "/nonexistent/Dictionary.ini"}, "/nonexistent/Dictionary.ini"},
        {{"--text", "--mecab-dic", "/nonexistent/dic"}, "mecab-ipadic-utf8"},
        {{"--bogus"}, "unknown option --bogus"},
        {{}, "no address given"},
    };
    for (const auto& c : cases) {
        Outcome r = Rubi(c.args);
        EXPECT_NE(r.status, 0) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.says << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.says << ": " << r.err;
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
    Outcome r = Rubi({"--data-folder", data.string(), (dir_ / "a.html").string(),
                      (dir_ / "empty.html").string(), "missing.html", FileUrl(dir_ / "b.html")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, Shown(data / "Rubi1.html") + "\n" + Shown(data / "Rubi2.html") + "\n");
    EXPECT_NE(r.err.find("ルビふりにしっぱいしました。"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.html: No such file or directory"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"), "\xEF\xBB\xBF<p>漢字(かんじ)</p>\r\n");
    EXPECT_EQ(ReadAll(data / "Rubi2.html"), "\xEF\xBB\xBF学校\r\n");
    // A ruby page of this run is refused.
    r = Rubi(
        {"--data-folder", data.string(), (dir_ / "a.html").string(), FileUrl(data / "Rubi1.html")});
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
    const std::string page = (dir_ / "a.html").string();
    Outcome r = Rubi({"--ruby-tags", "--data-folder", data.string(), page});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"), ruby);

    std::ofstream(data / "Config.ini") << "[RubiStyle]\nValue=1\n";
    r = Rubi({"--data-folder", data.string(), page});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"), ruby);

    r = Rubi({"--text", "--ruby-tags"}, "漢字を\n");
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
    Outcome r =
        Rubi({"--data-folder", data.string(), site + "/dir/page.html", site + "/missing.html"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, Shown(data / "Rubi1.html") + "\n");
    EXPECT_NE(r.err.find("missing.html: ルビふりにしっぱいしました。"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(data / "Rubi1.html"),
              "\xEF\xBB\xBF<html><head><meta charset=\"utf-8\"></head>\r\n<img src=\"" + site +
                  "/dir/img/a.png\"><a href=\"" + site +
                  "/b.html\">漢字(かんじ)</a><script src=\"" + site + "/c.js\"></script>\r\n");
}

#ifndef _WIN32
TEST_F(CliTest, OnlyRegularFilesAreRead) {
    // A device never ends and a pipe never starts: both are refused at once with the reason.
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path data = dir_ / "data";
    Outcome r = Rubi({"--data-folder", data.string(), "/dev/zero", fifo.string(), dir_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("/dev/zero: Not a regular file (a character device)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(fifo.string() + ": Not a regular file (a named pipe)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(dir_.string() + ": Is a directory"), std::string::npos) << r.err;
}

#endif

TEST_F(CliTest, DefaultDataFolderIsUnderDocuments) {
    std::ofstream(dir_ / "a.html", std::ios::binary) << "a\n";
#ifdef _WIN32
    // The user's Documents folder as the system names it (inside Wine's prefix under Wine).
    PWSTR documents = nullptr;
    ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents), S_OK);
    const fs::path expected = fs::path(documents) / "Quorrin" / "VelmoraData" / "Rubi1.html";
    CoTaskMemFree(documents);
#else
    const fs::path expected = dir_ / "Documents" / "Quorrin" / "VelmoraData" / "Rubi1.html";
#endif
    Outcome r = Rubi({(dir_ / "a.html").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Shown(expected) + "\n");
    EXPECT_EQ(ReadAll(expected),
              "\xEF\xBB\xBF"
              "a\r\n");
#ifdef _WIN32
    fs::remove(expected);
#endif
}

}  // namespace
