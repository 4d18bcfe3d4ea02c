#include "settings/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>

#include "base/Text.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// ---- the INI text ----

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

struct Line {
    std::string raw;      // the stored bytes without the line end; empty for a changed line
    std::u16string text;  // decoded
    bool changed = false;
};

struct Document {
    Encoding encoding = Encoding::Utf8;
    std::string eol;
    std::vector<Line> lines;
};

#ifdef _WIN32
constexpr std::string_view kNewFileEol = "\r\n";
#else
constexpr std::string_view kNewFileEol = "\n";
#endif

bool IsBlank(char16_t c) {
    return c <= u' ';
}

std::u16string_view Trim(std::u16string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string EncodeUnits(std::u16string_view s, Encoding enc) {
    if (enc == Encoding::Utf8 || enc == Encoding::Utf8Bom) return ToUtf8(s);
    std::string out;
    out.reserve(s.size() * 2);
    for (char16_t c : s) {
        const char lo = static_cast<char>(c & 0xFF);
        const char hi = static_cast<char>(c >> 8);
        if (enc == Encoding::Utf16Le) {
            out += lo;
            out += hi;
        } else {
            out += hi;
            out += lo;
        }
    }
    return out;
}

// Splits `units` (bytes for UTF-8, code units for UTF-16) at CR LF, CR and LF; `eol` gets
// the first line end found.
template <typename Str, typename AddLine>
void SplitLines(const Str& units, std::string& eol, AddLine add) {
    size_t start = 0;
    size_t i = 0;
    const size_t n = units.size();
    while (i < n) {
        const auto c = units[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        add(start, i);
        size_t endLen = 1;
        if (c == '\r' && i + 1 < n && units[i + 1] == '\n') endLen = 2;
        if (eol.empty()) eol = endLen == 2 ? "\r\n" : (c == '\n' ? "\n" : "\r");
        i += endLen;
        start = i;
    }
    if (start < n) add(start, n);
}

Document Parse(const std::string& bytes) {
    Document doc;
    std::string_view body = bytes;
    if (body.starts_with("\xEF\xBB\xBF")) {
        doc.encoding = Encoding::Utf8Bom;
        body.remove_prefix(3);
    } else if (body.starts_with("\xFF\xFE")) {
        doc.encoding = Encoding::Utf16Le;
        body.remove_prefix(2);
    } else if (body.starts_with("\xFE\xFF")) {
        doc.encoding = Encoding::Utf16Be;
        body.remove_prefix(2);
    }
    if (doc.encoding == Encoding::Utf8 || doc.encoding == Encoding::Utf8Bom) {
        SplitLines(body, doc.eol, [&](size_t b, size_t e) {
            Line line;
            line.raw.assign(body.substr(b, e - b));
            line.text = FromUtf8(line.raw);
            doc.lines.push_back(std::move(line));
        });
    } else {
        std::u16string units;
        units.reserve(body.size() / 2);
        for (size_t i = 0; i + 1 < body.size(); i += 2) {
            const auto a = static_cast<unsigned char>(body[i]);
            const auto b = static_cast<unsigned char>(body[i + 1]);
            units.push_back(
                static_cast<char16_t>(doc.encoding == Encoding::Utf16Le ? a | b << 8 : a << 8 | b));
        }
        SplitLines(units, doc.eol, [&](size_t b, size_t e) {
            Line line;
            line.text = units.substr(b, e - b);
            line.raw = EncodeUnits(line.text, doc.encoding);
            doc.lines.push_back(std::move(line));
        });
    }
    if (doc.eol.empty()) doc.eol = kNewFileEol;
    return doc;
}

std::string Serialize(const Document& doc) {
    std::string out;
    if (doc.encoding == Encoding::Utf8Bom) out = "\xEF\xBB\xBF";
    if (doc.encoding == Encoding::Utf16Le) out = "\xFF\xFE";
    if (doc.encoding == Encoding::Utf16Be) out = "\xFE\xFF";
    const std::string eol = EncodeUnits(FromUtf8(doc.eol), doc.encoding);
    for (const Line& line : doc.lines) {
        out += line.changed ? EncodeUnits(line.text, doc.encoding) : line.raw;
        out += eol;
    }
    return out;
}

// The section name of a "[name]" line.
std::optional<std::u16string_view> SectionName(std::u16string_view text) {
    const std::u16string_view t = Trim(text);
    if (t.size() < 2 || t.front() != u'[' || t.back() != u']') return std::nullopt;
    return Trim(t.substr(1, t.size() - 2));
}

// The key name of a "key=value" line; none for comments and lines without "=".
std::optional<std::u16string_view> KeyName(std::u16string_view text) {
    const std::u16string_view t = Trim(text);
    if (t.empty() || t.front() == u';') return std::nullopt;
    const size_t eq = t.find(u'=');
    if (eq == std::u16string_view::npos) return std::nullopt;
    return Trim(t.substr(0, eq));
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

// Lines [first, end) of the first section named `section`: `first` is the header line.
struct SectionSpan {
    size_t first = 0;
    size_t end = 0;
};

std::optional<SectionSpan> FindSection(const Document& doc, std::u16string_view section) {
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const auto name = SectionName(doc.lines[i].text);
        if (!name || !SameName(*name, section)) continue;
        size_t e = i + 1;
        while (e < doc.lines.size() && !SectionName(doc.lines[e].text))
            ++e;
        return SectionSpan{i, e};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const Document& doc, SectionSpan span, std::u16string_view key) {
    for (size_t i = span.first + 1; i < span.end; ++i) {
        const auto name = KeyName(doc.lines[i].text);
        if (name && SameName(*name, key)) return i;
    }
    return std::nullopt;
}

std::u16string OneLine(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) {
        if (c == u'\r' || c == u'\n') c = u' ';
    }
    return out;
}

Line NewLine(std::u16string text) {
    Line line;
    line.text = std::move(text);
    line.changed = true;
    return line;
}

std::u16string WriteError(const fs::path& path) {
    return PathText(path) + u" に書き込めません";
}

// The raw value text of (section, key), before quotes and the length cut.
std::optional<std::u16string> FindValue(const fs::path& path, std::u16string_view section,
                                        std::u16string_view key) {
    std::string bytes;
    if (ReadFileBytes(path, bytes) != FileRead::Ok) return std::nullopt;
    const Document doc = Parse(bytes);
    const auto span = FindSection(doc, section);
    if (!span) return std::nullopt;
    const auto at = FindKey(doc, *span, key);
    if (!at) return std::nullopt;
    const std::u16string_view t = Trim(doc.lines[*at].text);
    return std::u16string(Trim(t.substr(t.find(u'=') + 1)));
}

}  // namespace

fs::path ConfigPath(std::u16string_view DataFolda) {
    return PathFromText(DataFolda) / "Config.ini";
}

// ---- IniFile ----

bool IniFile::Exists() const {
    std::error_code ec;
    return fs::exists(path_, ec);
}

std::u16string IniFile::ReadString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view def) const {
    auto value = FindValue(path_, section, key);
    if (!value) return std::u16string(def);
    std::u16string v = std::move(*value);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    if (v.size() > kMaxValue) {
        size_t len = kMaxValue;
        // Never keep half of a surrogate pair.
        if (v[len - 1] >= 0xD800 && v[len - 1] <= 0xDBFF) --len;
        v.resize(len);
    }
    return v;
}

bool ParseIniInteger(std::u16string_view s, int& value) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    unsigned base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size()) return false;
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long n = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i];
        unsigned d = 0;
        if (c >= u'0' && c <= u'9') {
            d = c - u'0';
        } else if (base == 16 && c >= u'a' && c <= u'f') {
            d = c - u'a' + 10;
        } else if (base == 16 && c >= u'A' && c <= u'F') {
            d = c - u'A' + 10;
        } else {
            return false;
        }
        n = n * base + d;
        if (n > limit) return false;
    }
    value = static_cast<int>(negative ? -n : n);
    return true;
}

int IniFile::ReadInteger(std::u16string_view section, std::u16string_view key, int def) const {
    int value = 0;
    return ParseIniInteger(ReadString(section, key, u""), value) ? value : def;
}

bool IniFile::ReadBool(std::u16string_view section, std::u16string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::WriteString(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value, std::u16string* error) {
    auto fail = [&] {
        if (error) *error = WriteError(path_);
        return false;
    };
    std::string bytes;
    // Never replace a file that is there but could not be read: its settings would be lost.
    if (ReadFileBytes(path_, bytes) == FileRead::Failed) return fail();
    Document doc = Parse(bytes);

    const std::u16string entry = OneLine(key) + u"=" + OneLine(value);
    if (const auto span = FindSection(doc, section)) {
        if (const auto at = FindKey(doc, *span, key)) {
            // Keep the stored spelling of the key.
            const std::u16string_view t = Trim(doc.lines[*at].text);
            doc.lines[*at] =
                NewLine(std::u16string(Trim(t.substr(0, t.find(u'=')))) + u"=" + OneLine(value));
        } else {
            // After the section's last line that is not blank.
            size_t after = span->end;
            while (after > span->first + 1 && Trim(doc.lines[after - 1].text).empty())
                --after;
            doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(after),
                             NewLine(entry));
        }
    } else {
        doc.lines.push_back(NewLine(u"[" + OneLine(section) + u"]"));
        doc.lines.push_back(NewLine(entry));
    }
    if (!WriteFileReplacing(path_, Serialize(doc))) return fail();
    return true;
}

bool IniFile::WriteInteger(std::u16string_view section, std::u16string_view key, int value,
                           std::u16string* error) {
    return WriteString(section, key, FromUtf8(std::to_string(value)), error);
}

bool IniFile::WriteBool(std::u16string_view section, std::u16string_view key, bool value,
                        std::u16string* error) {
    return WriteString(section, key, value ? u"1" : u"0", error);
}

// ---- settings ----

namespace {

constexpr std::u16string_view kValue = u"Value";
constexpr std::u16string_view kExceptRubi = u"ExceptRubi";
constexpr std::u16string_view kBrowserExeName = u"BrowserExeName";
constexpr std::u16string_view kHotKey = u"HotKey";
constexpr std::u16string_view kHotKeyName = u"Name";
constexpr std::u16string_view kDeleteFile = u"DeleteFile";
constexpr std::u16string_view kCloseNoRubiTab = u"CloseNoRubiTab";
constexpr std::u16string_view kNoMoveBrowser = u"NoMoveBrowser";
constexpr std::u16string_view kRubiStyle = u"RubiStyle";
constexpr std::u16string_view kEdgeLauncher = u"LaunchWinApp.exe";

}  // namespace

AltRepair RepairAltHotKey(int storedHotKey) {
    AltRepair r;
    r.HotKey = storedHotKey;
    if (storedHotKey == kAltKey) {
        r.repaired = true;
        r.HotKey = kShiftKey;
        r.message =
            u"[Alt]キーはルビふりキーには使えなくなりましたので\r\n"
            u"[Shift]キーに変更(へんこう)しました。";
    }
    return r;
}

std::u16string BrowserFromDefault(std::u16string exe) {
    if (exe.ends_with(kEdgeLauncher)) return std::u16string(kMicrosoftEdge);
    return exe;
}

ConfigLoad LoadConfig(IniFile& ini, const DefaultBrowserLookup& defaultBrowser) {
    ConfigLoad load;
    Config& c = load.config;
    auto note = [&](bool ok, std::u16string& err) {
        if (!ok) load.writeErrors.push_back(err);
        return ok;
    };
    if (ini.Exists()) {
        // The menu offers levels 0 to 6 only, and the level filter knows no others.
        c.ExceptRubiLevel = std::clamp(ini.ReadInteger(kExceptRubi, kValue, 0), 0, 6);
        c.BrowserExeName = ini.ReadString(kBrowserExeName, kValue, u"");
        load.alt = RepairAltHotKey(ini.ReadInteger(kHotKey, kValue, kShiftKey));
        c.HotKey = load.alt.HotKey;
        if (load.alt.repaired) {
            c.HotKeyName = u"Shift";
            std::u16string err;
            if (note(ini.WriteInteger(kHotKey, kValue, kShiftKey, &err), err)) {
                note(ini.WriteString(kHotKey, kHotKeyName, u"Shift", &err), err);
            }
        } else {
            c.HotKeyName = ini.ReadString(kHotKey, kHotKeyName, u"Shift");
        }
        c.DeleteFile = ini.ReadBool(kDeleteFile, kValue, true);
        c.CloseNoRubiTab = ini.ReadBool(kCloseNoRubiTab, kValue, false);
        c.NoMoveBrowser = ini.ReadBool(kNoMoveBrowser, kValue, false);
        c.RubiStyle = ReadRubiStyle(ini);
    }
    if (c.BrowserExeName.empty() && defaultBrowser) {
        c.BrowserExeName = BrowserFromDefault(defaultBrowser());
        if (!c.BrowserExeName.empty()) {
            load.browserFromDefault = true;
            std::u16string err;
            note(ini.WriteString(kBrowserExeName, kValue, c.BrowserExeName, &err), err);
        }
    }
    return load;
}

std::u16string ReadHotKeyName(const IniFile& ini) {
    return ini.ReadString(kHotKey, kHotKeyName, u"Shift");
}

bool WriteExceptRubiLevel(IniFile& ini, int level, std::u16string* error) {
    return ini.WriteInteger(kExceptRubi, kValue, level, error);
}

bool WriteBrowserExeName(IniFile& ini, std::u16string_view exe, std::u16string* error) {
    return ini.WriteString(kBrowserExeName, kValue, exe, error);
}

bool WriteHotKey(IniFile& ini, int key, std::u16string_view name, std::u16string* error) {
    return ini.WriteInteger(kHotKey, kValue, key, error) &&
           ini.WriteString(kHotKey, kHotKeyName, name, error);
}

bool WriteDeleteFile(IniFile& ini, bool on, std::u16string* error) {
    return ini.WriteBool(kDeleteFile, kValue, on, error);
}

bool WriteCloseNoRubiTab(IniFile& ini, bool on, std::u16string* error) {
    return ini.WriteBool(kCloseNoRubiTab, kValue, on, error);
}

bool WriteNoMoveBrowser(IniFile& ini, bool on, std::u16string* error) {
    return ini.WriteBool(kNoMoveBrowser, kValue, on, error);
}

RubyStyle ReadRubiStyle(const IniFile& ini) {
    return ini.ReadInteger(kRubiStyle, kValue, 0) == 1 ? RubyStyle::RubyTags
                                                       : RubyStyle::Parentheses;
}

bool WriteRubiStyle(IniFile& ini, RubyStyle style, std::u16string* error) {
    return ini.WriteInteger(kRubiStyle, kValue, style == RubyStyle::RubyTags ? 1 : 0, error);
}

}  // namespace velmora
