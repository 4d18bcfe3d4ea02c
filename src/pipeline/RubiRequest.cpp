#include "pipeline/RubiRequest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "base/FileIO.h"
#include "base/Text.h"
#include "pipeline/Download.h"
#include "pipeline/HtmlRanges.h"
#include "pipeline/LinkRewrite.h"
#include "pipeline/PageDecode.h"
#include "ruby/RubiEngine.h"

namespace velmora {

namespace {

// A local page larger than a download may be is refused the same way.
constexpr size_t kMaxLocalPage = Downloader::kMaxBody;

// The file calls of the local read, with the path as the system spells it: UTF-16 on
// Windows (a name in the ANSI code page could not hold every page's name), bytes elsewhere.
#ifdef _WIN32
using FileStat = struct _stat64;
int StatPath(const std::filesystem::path& p, FileStat* st) {
    return ::_wstat64(p.c_str(), st);
}
int OpenForReading(const std::filesystem::path& p) {
    return ::_wopen(p.c_str(), O_RDONLY | O_BINARY);
}
int StatOpen(int fd, FileStat* st) {
    return ::_fstat64(fd, st);
}
#else
using FileStat = struct stat;
int StatPath(const std::filesystem::path& p, FileStat* st) {
    return ::stat(p.c_str(), st);
}
int OpenForReading(const std::filesystem::path& p) {
    // Not blocking: should the path have turned into a pipe since, opening it must not
    // wait for a writer.
    return ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}
int StatOpen(int fd, FileStat* st) {
    return ::fstat(fd, st);
}
#endif

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

// Why a file that is there is not a page to read, or empty for a regular file.
std::string NotARegularFile(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return std::strerror(EISDIR);
    if (S_ISFIFO(mode)) return "Not a regular file (a named pipe)";
    if (S_ISCHR(mode)) return "Not a regular file (a character device)";
    if (S_ISBLK(mode)) return "Not a regular file (a block device)";
#ifdef S_ISSOCK
    if (S_ISSOCK(mode)) return "Not a regular file (a socket)";
#endif
    return "Not a regular file";
}

enum class LocalRead { Ok, Failed, Cancelled };

// Reads a local page: a regular file, or a link to one, of at most kMaxLocalPage bytes
// whatever its size says (files under /proc say 0, a growing file says less). A named
// pipe, a device or a folder is refused before anything is read from it. The reading goes
// in pieces, letting the user interface handle its messages between them, so the cancel
// button reaches a large file on a slow disk.
LocalRead ReadLocalPage(const std::u16string& path, std::string& bytes, std::string& reason,
                        const JobHooks& hooks) {
    const std::filesystem::path native = PathFromText(path);
    FileStat st{};
    if (StatPath(native, &st) != 0) {
        reason = std::strerror(errno);
        return LocalRead::Failed;
    }
    if (reason = NotARegularFile(st.st_mode); !reason.empty()) return LocalRead::Failed;
    const int fd = OpenForReading(native);
    if (fd < 0) {
        reason = std::strerror(errno);
        return LocalRead::Failed;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (StatOpen(fd, &st) != 0) {
        reason = std::strerror(errno);
        return LocalRead::Failed;
    }
    if (reason = NotARegularFile(st.st_mode); !reason.empty()) return LocalRead::Failed;
    if (st.st_size > 0 && static_cast<unsigned long long>(st.st_size) > kMaxLocalPage) {
        reason = std::strerror(EFBIG);
        return LocalRead::Failed;
    }
    constexpr size_t kPiece = 1u << 20;
    bytes.clear();
    if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    for (;;) {
        const size_t old = bytes.size();
        // One byte more than the cap may hold tells a file that is too large.
        const size_t want = std::min(kPiece, kMaxLocalPage + 1 - old);
        bytes.resize(old + want);
        const auto n = ::read(fd, bytes.data() + old, static_cast<unsigned>(want));
        if (n < 0) {
            if (errno == EINTR) {
                bytes.resize(old);
                continue;
            }
            reason = std::strerror(errno);
            std::string().swap(bytes);
            return LocalRead::Failed;
        }
        bytes.resize(old + static_cast<size_t>(n));
        if (bytes.size() > kMaxLocalPage) {
            reason = std::strerror(EFBIG);
            std::string().swap(bytes);
            return LocalRead::Failed;
        }
        if (n == 0) return LocalRead::Ok;
        hooks.Pump();
        if (!hooks.StillWanted()) {
            std::string().swap(bytes);
            return LocalRead::Cancelled;
        }
    }
}

// "Rubi<n>.html" with n from 1 to count, written without leading zeros.
bool IsRubiPageName(std::u16string_view name, int count) {
    constexpr std::u16string_view kHead = u"Rubi", kTail = u".html";
    if (name.size() <= kHead.size() + kTail.size() || !name.starts_with(kHead) ||
        !name.ends_with(kTail)) {
        return false;
    }
    const std::u16string_view digits =
        name.substr(kHead.size(), name.size() - kHead.size() - kTail.size());
    if (digits.size() > 9 || digits[0] == u'0') return false;
    int n = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return false;
        n = n * 10 + (c - u'0');
    }
    return n >= 1 && n <= count;
}

// The path as the file system resolves it: links followed, "." and ".." and repeated
// separators gone, as far as the path exists.
std::filesystem::path Resolved(const std::filesystem::path& p) {
    std::error_code ec;
    std::filesystem::path out = std::filesystem::weakly_canonical(p, ec);
    if (ec) out = p.lexically_normal();
    return out;
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

std::u16string FileUrlToPath(const std::u16string& url, std::u16string* reason) {
    auto refuse = [&](std::u16string why) {
        if (reason) *reason = std::move(why);
        return std::u16string();
    };
    if (!StartsWithCi(url, u"file:")) {
#ifdef _WIN32
        const bool absolute = url.size() > 2 && url[1] == u':';
#else
        const bool absolute = url.starts_with(u'/');
#endif
        if (absolute) return url;
        return refuse(u"not a file URL or an absolute path");
    }
    std::u16string rest = url.substr(5);
    // A query or a fragment is not part of the file's path.
    if (const size_t end = rest.find_first_of(u"?#"); end != std::u16string::npos) rest.resize(end);
    if (rest.starts_with(u"//")) {
        // file://host/path: only this computer's files are read.
        size_t slash = rest.find(u'/', 2);
        if (slash == std::u16string::npos) slash = rest.size();
        const std::u16string host = rest.substr(2, slash - 2);
        if (!host.empty() && LowerAscii(host) != u"localhost") {
            return refuse(u"the file URL names another computer (" + host + u")");
        }
        rest.erase(0, slash);
    }
    if (!rest.starts_with(u'/')) return refuse(u"not an absolute file URL");
    std::u16string path = PercentDecode(rest);
#ifdef _WIN32
    // /C:/dir/page.html -> C:/dir/page.html (link rewriting relies on the "/")
    if (path.size() > 2 && path[2] == u':') path.erase(0, 1);
#endif
    return path;
}

std::u16string FileUrlToPath(const std::u16string& url) {
    return FileUrlToPath(url, nullptr);
}

bool IsOwnRubiPage(const std::u16string& url, const std::u16string& DataFolda, int RubiHTMLCount) {
    if (RubiHTMLCount <= 0) return false;
    const std::u16string path = FileUrlToPath(url, nullptr);
    if (path.empty()) return false;
    // Compared as the file system sees them: ./Rubi1.html, //Rubi1.html or a link to the
    // data folder name the same page.
    const std::filesystem::path page = Resolved(PathFromText(path));
    if (page.parent_path() != Resolved(PathFromText(DataFolda))) return false;
    return IsRubiPageName(PathText(page.filename()), RubiHTMLCount);
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
        std::string headerCharset;
        std::u16string filePath;
        LinkOrigin origin;
        // Links of the page never carry the user name and password of its address.
        origin.pageUrl = Downloader::StripUserInfo(url);
        if (StartsWithCi(url, u"http")) {
            Downloader* dl = env.downloader;
            if (!dl) return failed();
            dl->Start(url);
            // A cancel ends the wait at once, whatever stage the download is in.
            while (dl->IsDownLoading && !dl->FIsDLCancel) {
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
            headerCharset = dl->ContentCharset;
            origin.LProtocol = dl->LProtocol;
            origin.LHomeDirectory = dl->LHomeDirectory;
        } else {
            std::u16string refusal;
            filePath = FileUrlToPath(url, &refusal);
            if (filePath.empty()) {
                result.outcome = RubiOutcome::Error;
                result.pagePath = url;
                result.errorText = url + u": " + refusal;
                return result;
            }
            std::string reason;
            switch (ReadLocalPage(filePath, MS, reason, hooks)) {
                case LocalRead::Ok:
                    break;
                case LocalRead::Cancelled:
                    result.outcome = RubiOutcome::Cancelled;
                    return result;
                case LocalRead::Failed:
                    result.outcome = RubiOutcome::Error;
                    result.pagePath = filePath;
                    result.errorText = SystemError(filePath, reason);
                    return result;
            }
        }

        std::vector<std::u16string> RubiSL = DecodePage(MS, headerCharset).lines;
        std::string().swap(MS);
        if (RubiSL.empty()) return failed();

        if (env.annotating) env.annotating(static_cast<int>(RubiSL.size()));
        static const int kNoLevel = 0;
        static const UserDictionary kNoDic;
        RubiEngine engine(env.reading, env.ExceptRubiLevel ? *env.ExceptRubiLevel : kNoLevel,
                          env.dic ? *env.dic : kNoDic, hooks);
        // Readings go only where the reader sees text: not into addresses, scripts, styles,
        // form values, existing ruby or Chinese and Korean text.
        const PageRanges ranges = FindAnnotateRanges(RubiSL);
        if (!AnnotatePage(RubiSL, ranges, engine, env.reading, env.style, hooks)) {
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
