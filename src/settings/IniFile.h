// Config.ini: a small INI store with the reading and writing rules of the Windows profile
// functions, and the tool's settings on top of it. No UI here: the app shows the messages
// and error texts these functions hand back.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileIO.h"
#include "ruby/RubiEngine.h"

namespace velmora {

// One INI file. Every read and every write opens the file, does one thing and closes it,
// so nothing is cached between calls.
//
// Reading: sections and keys compare without regard to ASCII letter case; lines before the
// first section, lines starting with ";" and lines without "=" hold no keys; the first
// section of a name and its first key of a name count. Text is UTF-8 (a leading byte-order
// mark is skipped); files starting with a UTF-16 byte-order mark are read as UTF-16 and stay
// UTF-16 when written. CR LF, LF and lone CR all end a line.
//
// Writing: the file is read again, the one key is changed in place or appended to its
// section (a new section goes to the end of the file), and the whole text goes to a
// temporary file in the same folder that then replaces the old one, so a failed or
// interrupted write leaves the old file as it was. Lines the store does not understand are
// written back byte for byte.
class IniFile {
public:
    explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& Path() const { return path_; }
    bool Exists() const;

    // The text after the first "=" of the key's line, without surrounding blanks and without
    // one pair of enclosing quotes (" or '), at most kMaxValue characters; `def` when the
    // file, the section or the key is missing.
    std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view def) const;
    // Decimal, or hexadecimal after "$" or "0x"/"0X"; `def` for anything that is not a whole
    // 32-bit number, the empty text included.
    int ReadInteger(std::u16string_view section, std::u16string_view key, int def) const;
    // Read integer with the default 1 or 0; any number other than 0 is on.
    bool ReadBool(std::u16string_view section, std::u16string_view key, bool def) const;

    // Each writes one key at once. On a refused write they return false and set `error` (if
    // given) to "<path> に書き込めません"; the file is then unchanged. Line breaks in a value
    // are written as blanks, so a value can never add lines of its own.
    bool WriteString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value, std::u16string* error = nullptr);
    bool WriteInteger(std::u16string_view section, std::u16string_view key, int value,
                      std::u16string* error = nullptr);
    bool WriteBool(std::u16string_view section, std::u16string_view key, bool value,
                   std::u16string* error = nullptr);

    // The longest text a read returns, in UTF-16 code units.
    static constexpr size_t kMaxValue = 2047;

private:
    std::filesystem::path path_;
};

// Whole-number text as the settings read it (see ReadInteger); false when it is not one.
bool ParseIniInteger(std::u16string_view text, int& value);

// ---- The tool's settings ----

inline constexpr std::u16string_view kMicrosoftEdge = u"Microsoft Edge";
inline constexpr int kShiftKey = 16;
inline constexpr int kAltKey = 18;

// Settings as the start-up read leaves them; the defaults are those of a missing file.
struct Config {
    int ExceptRubiLevel = 0;        // ruby level, always 0..6
    std::u16string BrowserExeName;  // full path, kMicrosoftEdge, or empty (none chosen)
    int HotKey = kShiftKey;         // virtual-key code of the ruby key
    std::u16string HotKeyName = u"Shift";
    bool DeleteFile = true;                        // delete this run's ruby pages at exit
    bool CloseNoRubiTab = false;                   // close the browser tab of the page without ruby
    bool NoMoveBrowser = false;                    // leave the ruby browser's window where it is
    RubyStyle RubiStyle = RubyStyle::Parentheses;  // how readings are written
};

// The repair of a stored Alt ruby key, which is no longer accepted: Shift takes its place.
struct AltRepair {
    bool repaired = false;
    int HotKey = kShiftKey;
    std::u16string message;  // the information box text when repaired
};
AltRepair RepairAltHotKey(int storedHotKey);

// The program the desktop opens the help page with (full path), or empty when it names none.
using DefaultBrowserLookup = std::function<std::u16string()>;

// What the default-browser answer is stored as: the answer, or kMicrosoftEdge for Edge's
// launcher ("LaunchWinApp.exe").
std::u16string BrowserFromDefault(std::u16string exe);

struct ConfigLoad {
    Config config;
    AltRepair alt;                    // alt.repaired: show alt.message once
    bool browserFromDefault = false;  // BrowserExeName was looked up (and written) just now
    // One "<path> に書き込めません" per refused write; the in-memory values stay in effect.
    std::vector<std::u16string> writeErrors;
};

// The start-up read. Writes only the Alt repair and a looked-up default browser.
// `defaultBrowser` is asked only when no browser is stored; it may be empty.
ConfigLoad LoadConfig(IniFile& ini, const DefaultBrowserLookup& defaultBrowser);

// The stored name of the ruby key ("Shift" when none), for the usage text.
std::u16string ReadHotKeyName(const IniFile& ini);

// Single-setting writes of the menu and the captures. false + `error` on a refused write.
bool WriteExceptRubiLevel(IniFile& ini, int level, std::u16string* error = nullptr);
bool WriteBrowserExeName(IniFile& ini, std::u16string_view exe, std::u16string* error = nullptr);
// Writes the key code, then its name; the name is skipped when the code could not be written.
bool WriteHotKey(IniFile& ini, int key, std::u16string_view name, std::u16string* error = nullptr);
bool WriteDeleteFile(IniFile& ini, bool on, std::u16string* error = nullptr);
bool WriteCloseNoRubiTab(IniFile& ini, bool on, std::u16string* error = nullptr);
bool WriteNoMoveBrowser(IniFile& ini, bool on, std::u16string* error = nullptr);

// The reading style, section "RubiStyle": 0 brackets (also for a missing or unknown value),
// 1 ruby markup.
RubyStyle ReadRubiStyle(const IniFile& ini);
bool WriteRubiStyle(IniFile& ini, RubyStyle style, std::u16string* error = nullptr);

// ---- Paths and file helpers shared by the two stores ----

// "<DataFolda>/Config.ini".
std::filesystem::path ConfigPath(std::u16string_view DataFolda);

}  // namespace velmora
