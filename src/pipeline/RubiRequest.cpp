#include "pipeline/RubiRequest.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "base/FileIO.h"
#include "base/Text.h"
#include "pipeline/Download.h"
#include "pipeline/LinkRewrite.h"
#include "pipeline/PageDecode.h"
#include "ruby/RubiEngine.h"

namespace velmora {

namespace {

// A local page larger than a download may be is refused the same way.
constexpr size_t kMaxLocalPage = Downloader::kMaxBody;

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Each percent sign with two hexadecimal digits is a byte; the bytes are read as UTF-8.
std::u16string PercentDecode(const std::u16string& url) {
    std::string bytes;
    bytes.reserve(url.size());
    for (size_t i = 0; i < url.size(); ++i) {
        if (url[i] == u'%' && i + 2 < url.size()) {
            int hi = HexValue(url[i + 1]);
            int lo = HexValue(url[i + 2]);
            if (hi >= 0 && lo >= 0) {
                bytes.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        // Copy the code unit (or surrogate pair) as UTF-8.
        size_t n = (url[i] >= 0xD800 && url[i] <= 0xDBFF && i + 1 < url.size()) ? 2 : 1;
        bytes += ToUtf8(std::u16string_view(url).substr(i, n));
        i += n - 1;
    }
    return FromUtf8(bytes);
}

std::u16string SystemError(const std::u16string& path, const std::string& reason) {
    return path + u": " + FromUtf8(reason);
}

}  // namespace

std::string EncodeRubiPage(const std::vector<std::u16string>& lines) {
    // The exact size first, so that only the bytes written are ever touched.
    size_t size = 3;
    for (const auto& line : lines) {
        size += 2;
        for (char16_t c : line)
            size += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
    std::string out(size, '\0');
    char* p = out.data();
    *p++ = '\xEF', *p++ = '\xBB', *p++ = '\xBF';
    for (const auto& line : lines) {
        const size_t n = line.size();
        for (size_t i = 0; i < n; ++i) {
            unsigned cp = line[i];
            if (cp < 0x80) {
                *p++ = static_cast<char>(cp);
                continue;
            }
            if (cp >= 0xD800 && cp <= 0xDFFF) {
                if (cp <= 0xDBFF && i + 1 < n && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (line[++i] - 0xDC00u);
                    *p++ = static_cast<char>(0xF0 | (cp >> 18));
                    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
                    continue;
                }
                cp = 0xFFFD;  // a lone surrogate
            }
            if (cp < 0x800) {
                *p++ = static_cast<char>(0xC0 | (cp >> 6));
            } else {
                *p++ = static_cast<char>(0xE0 | (cp >> 12));
                *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            }
            *p++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
        *p++ = '\r', *p++ = '\n';
    }
    out.resize(static_cast<size_t>(p - out.data()));
    return out;
}

std::u16string RubiPagePath(const std::u16string& DataFolda, int n) {
#ifdef _WIN32
    return DataFolda + u"\\Rubi" + FromUtf8(std::to_string(n)) + u".html";
#else
    return DataFolda + u"/Rubi" + FromUtf8(std::to_string(n)) + u".html";
#endif
}

std::u16string FileUrlToPath(const std::u16string& url) {
    std::u16string path = PercentDecode(url);
#ifdef _WIN32
    // file:///C:/dir/page.html -> C:/dir/page.html (link rewriting relies on the "/")
    if (StartsWithCi(path, u"file:///")) path.erase(0, 8);
#else
    // file:///home/user/page.html -> /home/user/page.html
    if (StartsWithCi(path, u"file://")) {
        path.erase(0, 7);
        if (StartsWithCi(path, u"localhost/")) path.erase(0, 9);
    }
#endif
    return path;
}

bool IsOwnRubiPage(const std::u16string& url, const std::u16string& DataFolda, int RubiHTMLCount) {
    if (RubiHTMLCount <= 0) return false;
    std::u16string path = FileUrlToPath(url);
#ifdef _WIN32
    for (auto& c : path) {
        if (c == u'/') c = u'\\';
    }
#endif
    for (int i = 1; i <= RubiHTMLCount; ++i) {
        if (path == RubiPagePath(DataFolda, i)) return true;
    }
    return false;
}

RubiResult RunRubiRequest(const std::u16string& url, RubiRequestEnv& env) {
    const JobHooks& hooks = env.hooks;
    RubiResult result;
    auto failed = [&] {
        hooks.Message(kRubiFailed);
        result.outcome = RubiOutcome::Failed;
        return result;
    };
    try {
        std::string MS;
        std::u16string filePath;
        LinkOrigin origin;
        origin.pageUrl = url;
        if (StartsWithCi(url, u"http")) {
            Downloader* dl = env.downloader;
            if (!dl) return failed();
            dl->Start(url);
            while (dl->IsDownLoading) {
                hooks.Pump();
                dl->DeliverPending(hooks);
                if (dl->IsDownLoading) dl->WaitForNews(std::chrono::milliseconds(1));
            }
            if (dl->FIsDLCancel) {
                result.outcome = RubiOutcome::Cancelled;
                return result;
            }
            if (dl->FDownLoadError) return failed();
            MS = std::move(dl->MS);
            dl->MS.clear();
            origin.LProtocol = dl->LProtocol;
            origin.LHomeDirectory = dl->LHomeDirectory;
        } else {
            filePath = FileUrlToPath(url);
            std::string reason;
            std::error_code ec;
            const auto size = std::filesystem::file_size(PathFromText(filePath), ec);
            if (!ec && size > kMaxLocalPage) {
                result.outcome = RubiOutcome::Error;
                result.pagePath = filePath;
                result.errorText = SystemError(filePath, std::strerror(EFBIG));
                return result;
            }
            switch (ReadFileBytes(PathFromText(filePath), MS, &reason)) {
                case FileRead::Ok:
                    break;
                case FileRead::Missing:
                    if (reason.empty()) reason = std::strerror(ENOENT);
                    [[fallthrough]];
                case FileRead::Failed:
                    result.outcome = RubiOutcome::Error;
                    result.pagePath = filePath;
                    result.errorText = SystemError(filePath, reason);
                    return result;
            }
        }

        std::vector<std::u16string> RubiSL = DecodePage(MS).lines;
        std::string().swap(MS);
        if (RubiSL.empty()) return failed();

        if (env.annotating) env.annotating(static_cast<int>(RubiSL.size()));
        static const int kNoLevel = 0;
        static const UserDictionary kNoDic;
        RubiEngine engine(env.reading, env.ExceptRubiLevel ? *env.ExceptRubiLevel : kNoLevel,
                          env.dic ? *env.dic : kNoDic, hooks);
        if (!engine.DoRubi(RubiSL)) {
            result.outcome = hooks.StillWanted() ? RubiOutcome::Failed : RubiOutcome::Cancelled;
            return result;
        }

        RewriteLinks(RubiSL, filePath, origin, hooks);
        ReplaceHeadCharset(RubiSL);

        int n = env.RubiHTMLCount ? ++*env.RubiHTMLCount : 1;
        result.pagePath = RubiPagePath(env.DataFolda, n);
        std::string reason;
        if (!WriteFileReplacing(PathFromText(result.pagePath), EncodeRubiPage(RubiSL), &reason)) {
            result.outcome = RubiOutcome::Error;
            result.errorText = SystemError(result.pagePath, reason);
            return result;
        }
        hooks.Pump();
        result.outcome = RubiOutcome::Written;
        result.RubiSL = std::move(RubiSL);
        return result;
    } catch (const std::exception& e) {
        result.outcome = RubiOutcome::Error;
        result.errorText = FromUtf8(e.what());
        return result;
    }
}

}  // namespace velmora
