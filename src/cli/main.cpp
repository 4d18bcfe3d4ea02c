// velmora-rubi: the page pipeline from the command line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "base/Text.h"
#include "cli/DataFolder.h"
#include "pipeline/Download.h"
#include "pipeline/HtmlRanges.h"
#include "pipeline/RubiRequest.h"
#include "ruby/ImeReading.h"
#include "ruby/MecabReading.h"
#include "ruby/RubiEngine.h"
#include "ruby/UserDictionary.h"
#include "settings/DicFile.h"
#include "settings/IniFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage: velmora-rubi [OPTIONS] ADDRESS...\n"
    "       velmora-rubi --text [--level N] [--dictionary FILE] [--ruby-tags]\n"
    "\n"
    "Writes the reading of every kanji run after it, in hiragana between brackets:\n"
    "漢字を -> 漢字(かんじ)を. In pages only the text the reader sees gets readings: not\n"
    "addresses, scripts, styles, form fields, existing ruby, nor Chinese or Korean text.\n"
    "\n"
    "Each ADDRESS (an http or https URL, a file URL or a path) is fetched, decoded,\n"
    "annotated, its relative links pointed back to where it came from, and written as the\n"
    "next Rubi<N>.html in the data folder (numbered from 1 in every run). The written path\n"
    "is printed per address; a failure prints its message and the command goes on with the\n"
    "next address, exiting non-zero at the end.\n"
    "\n"
    "  --data-folder DIR  where pages are written and Config.ini / Dictionary.ini are read\n"
    "                     (default: <Documents>/Quorrin/VelmoraData)\n"
    "  --level N          ruby level 0-6: kanji taught up to school grade N get no reading\n"
    "                     (default: the level in Config.ini)\n"
    "  --dictionary FILE  the user's dictionary (default: Dictionary.ini in the data folder)\n"
    "  --ruby-tags        write readings as ruby markup shown above the kanji,\n"
    "                     <ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby> (the title\n"
    "                     and attributes keep brackets; default: the style in Config.ini)\n"
    "  --text             annotate UTF-8 text from standard input to standard output\n"
    "  --reading NAME     where readings come from: mecab (the default), or ime for the\n"
    "                     Japanese IME of Windows\n"
    "  --mecab-dic DIR    MeCab dictionary folder (default: the mecab-ipadic-utf8 one)\n"
    "  --ca-file FILE     also trust this certificate authority for https\n"
    "  --help             this text\n"
    "\n"
    "HTTPS: TLS 1.2 or newer; the server's certificate must be valid for the system's\n"
    "trust store (or the --ca-file authority), otherwise the download fails.\n";

int Usage(const std::string& text) {
    std::fprintf(stderr, "velmora-rubi: %s\n", text.c_str());
    return 2;
}

void Print(FILE* to, const std::u16string& text) {
    std::string s = velmora::ToUtf8(text) + "\n";
    std::fwrite(s.data(), 1, s.size(), to);
}

// A path from the UTF-8 text of an argument.
fs::path ArgPath(const std::string& arg) {
    return fs::path(std::u8string(arg.begin(), arg.end()));
}

std::string PathUtf8(const fs::path& p) {
    return velmora::ToUtf8(velmora::PathText(p));
}

bool IsUrl(const std::string& a) {
    std::string lower = velmora::LowerAscii(a);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 ||
           lower.rfind("file:", 0) == 0;
}

// A path becomes a file URL, percent-encoded where a URL needs it.
std::u16string PathToFileUrl(const std::string& arg) {
    std::error_code ec;
    fs::path abs = fs::absolute(ArgPath(arg), ec);
    const std::u8string generic = (ec ? ArgPath(arg) : abs).lexically_normal().generic_u8string();
    const std::string p(generic.begin(), generic.end());
    // file:///home/user/page.html, file:///C:/dir/page.html
    std::string url = p.starts_with("/") ? "file://" : "file:///";
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char c : p) {
        if (c == '%' || c == ' ' || c == '#' || c == '?' || c < 0x20 || c == 0x7F) {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        } else {
            url += static_cast<char>(c);
        }
    }
    return velmora::FromUtf8(url);
}

std::vector<std::u16string> SplitTextLines(const std::u16string& all) {
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < all.size()) {
        size_t nl = all.find(u'\n', start);
        if (nl == std::u16string::npos) nl = all.size();
        lines.push_back(all.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

}  // namespace

int Run(std::vector<std::string> args) {
    using namespace velmora;
    const int argc = static_cast<int>(args.size());
    std::vector<char*> argvStore;
    for (auto& a : args)
        argvStore.push_back(a.data());
    char** argv = argvStore.data();
    bool text = false;
    bool ime = false;
    bool rubyTags = false;
    int level = -1;
    std::string dictionary, dataFolder, caFile;
    std::vector<std::string> addresses;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--text") {
            text = true;
        } else if (arg == "--ruby-tags") {
            rubyTags = true;
        } else if (arg == "--level") {
            const char* v = value();
            char* end = nullptr;
            long n = v ? std::strtol(v, &end, 10) : -1;
            if (!v || *v == '\0' || *end != '\0' || n < 0 || n > 6) {
                return Usage("--level takes a number from 0 to 6");
            }
            level = static_cast<int>(n);
        } else if (arg == "--dictionary") {
            const char* v = value();
            if (!v) return Usage("--dictionary takes a file");
            dictionary = v;
        } else if (arg == "--data-folder") {
            const char* v = value();
            if (!v) return Usage("--data-folder takes a folder");
            dataFolder = v;
        } else if (arg == "--reading") {
            const char* v = value();
            if (!v || (std::string(v) != "mecab" && std::string(v) != "ime")) {
                return Usage("--reading takes mecab or ime");
            }
            ime = std::string(v) == "ime";
        } else if (arg == "--mecab-dic") {
            const char* v = value();
            if (!v) return Usage("--mecab-dic takes a folder");
            SetMecabDictionary(v);
        } else if (arg == "--ca-file") {
            const char* v = value();
            if (!v) return Usage("--ca-file takes a file");
            caFile = v;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return Usage("unknown option " + arg + " (see --help)");
        } else {
            addresses.push_back(arg);
        }
    }
    if (!text && addresses.empty()) return Usage("no address given (see --help)");
    if (text && !addresses.empty()) return Usage("--text takes no address");

    std::string error;
    if (ime && !ImeReadingAvailable()) return Usage(kImeUnavailable);
    if (!ime && !MecabAvailable(&error)) return Usage(error);
    const ReadingServiceFactory reading = ime ? ImeReadingFactory() : MecabReadingFactory();

    // Defaults come from the data folder; the options override them.
    fs::path folder = dataFolder.empty() ? DefaultDataFolder() : ArgPath(dataFolder);
    RubyStyle style = rubyTags ? RubyStyle::RubyTags : RubyStyle::Parentheses;
    if (!text) {
        IniFile ini(ConfigPath(PathText(folder)));
        if (level < 0) level = std::clamp(ini.ReadInteger(u"ExceptRubi", u"Value", 0), 0, 6);
        if (!rubyTags) style = ReadRubiStyle(ini);
    }
    level = std::max(level, 0);
    UserDictionary dic;
    fs::path dicPath =
        dictionary.empty() && !text ? DictionaryPath(PathText(folder)) : ArgPath(dictionary);
    if (!dicPath.empty() && (!dictionary.empty() || fs::exists(dicPath))) {
        std::u16string dicError;
        std::error_code ec;
        if (!fs::is_regular_file(dicPath, ec)) {
            return Usage("cannot read the dictionary " + PathUtf8(dicPath) + ": " +
                         (ec ? ec.message() : std::string("no such file")));
        }
        if (!LoadDictionary(dicPath, dic, &dicError)) {
            return Usage("cannot read the dictionary: " + ToUtf8(dicError));
        }
    }

    if (text) {
        std::string input((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
        std::vector<std::u16string> lines = SplitTextLines(FromUtf8(input));
        RubiEngine engine(reading, level, dic, {});
        if (!AnnotatePage(lines, WholeLineRanges(lines, false), engine, reading, style, {})) {
            return Usage("the reading service is not available");
        }
        std::string out;
        for (size_t i = 0; i < lines.size(); ++i) {
            out += ToUtf8(lines[i]);
            if (i + 1 < lines.size() || (!input.empty() && input.back() == '\n')) out += '\n';
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }

    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        return Usage("cannot create the data folder " + PathUtf8(folder) + ": " + ec.message());
    }
    fs::path absFolder = fs::absolute(folder, ec).lexically_normal();
    std::u16string DataFolda = PathText(absFolder);
    while (DataFolda.size() > 1 && (DataFolda.back() == u'/' || DataFolda.back() == u'\\'))
        DataFolda.pop_back();

    Downloader downloader;
    if (!caFile.empty()) downloader.SetExtraCaFile(caFile);
    int RubiHTMLCount = 0;
    int failures = 0;
    for (const std::string& address : addresses) {
        std::u16string url = IsUrl(address) ? FromUtf8(address) : PathToFileUrl(address);
        if (IsOwnRubiPage(url, DataFolda, RubiHTMLCount)) {
            Print(stderr, FromUtf8(address) + u": すでにルビがふられています。");
            ++failures;
            continue;
        }
        RubiRequestEnv env;
        env.DataFolda = DataFolda;
        env.RubiHTMLCount = &RubiHTMLCount;
        env.ExceptRubiLevel = &level;
        env.dic = &dic;
        env.style = style;
        env.reading = reading;
        env.downloader = &downloader;
        env.hooks.message = [&](const std::u16string& m) {
            Print(stderr, FromUtf8(address) + u": " + m);
        };
        RubiResult r = RunRubiRequest(url, env);
        switch (r.outcome) {
            case RubiOutcome::Written:
                Print(stdout, r.pagePath);
                break;
            case RubiOutcome::Error:
                Print(stderr, r.errorText);
                ++failures;
                break;
            case RubiOutcome::Cancelled:
            case RubiOutcome::Failed:
                ++failures;
                break;
        }
    }
    return failures ? 1 : 0;
}

#ifdef _WIN32
// The command line arrives as UTF-16, so that paths in any language reach the program; the
// standard streams carry UTF-8 bytes unchanged.
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        const std::wstring_view w(argv[i]);
        args.push_back(velmora::ToUtf8(
            std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size())));
    }
    return Run(std::move(args));
}
#else
int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv, argv + argc));
}
#endif
