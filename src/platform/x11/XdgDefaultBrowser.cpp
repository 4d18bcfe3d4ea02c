// The default web browser from the desktop's own files: the mime defaults of mimeapps.list
// (and the older defaults.list) for http links, else for HTML files, else an installed
// program that takes http links; then the desktop entry, and the program of its Exec line
// found on PATH. These are the files xdg-settings and xdg-mime read for the same question;
// reading them here keeps the start-up from waiting on a helper program.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "platform/x11/X11Backend.h"

namespace velmora {
namespace {

// Settings files are small; anything larger is not one.
constexpr off_t kMaxFileSize = 1 << 20;

// The two questions, in order: the browser for web links, then the program for HTML files.
constexpr std::array<std::string_view, 2> kMimeTypes = {"x-scheme-handler/http", "text/html"};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> Split(std::string_view s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find(sep, start);
        if (end == std::string_view::npos) end = s.size();
        parts.emplace_back(s.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The absolute entries of a colon-separated folder list; relative ones are not valid there.
std::vector<std::string> AbsoluteFolders(const char* list) {
    std::vector<std::string> folders;
    if (!list) return folders;
    for (auto& folder : Split(list, ':'))
        if (!folder.empty() && folder[0] == '/') folders.push_back(std::move(folder));
    return folders;
}

bool IsRegularFile(const std::string& path, struct stat* info = nullptr) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (info) *info = st;
    return true;
}

// A whole settings file. Only regular files are read, so a pipe put in a file's place
// cannot hold the start-up.
bool ReadSmallFile(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) {
        ::close(fd);
        return false;
    }
    text.assign(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    text.resize(done);
    return true;
}

// The value of `key` in the group `group` of a desktop-entry style file; its first
// occurrence counts. Keys compare exactly; blanks around "=" are not part of either side.
bool GroupValue(const std::string& text, std::string_view group, std::string_view key,
                std::string& value) {
    bool inGroup = false;
    for (const auto& raw : Split(text, '\n')) {
        std::string_view line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[') {
            inGroup = line.back() == ']' && line.substr(1, line.size() - 2) == group;
            continue;
        }
        if (!inGroup) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || Trim(line.substr(0, eq)) != key) continue;
        value = std::string(Trim(line.substr(eq + 1)));
        return true;
    }
    return false;
}

std::string BaseName(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The escapes of a desktop entry's string values.
std::string UnescapeValue(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += s[i];
        }
    }
    return out;
}

// The words of an Exec value after the value escapes: blanks separate them, a double-quoted
// word may hold blanks and takes "\" before its next character. False for an unclosed quote.
bool ExecWords(std::string_view exec, std::vector<std::string>& words) {
    size_t i = 0;
    while (true) {
        while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t' || exec[i] == '\n'))
            ++i;
        if (i == exec.size()) return true;
        std::string word;
        if (exec[i] == '"') {
            ++i;
            while (i < exec.size() && exec[i] != '"') {
                if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
                word += exec[i++];
            }
            if (i == exec.size()) return false;
            ++i;
        } else {
            while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t' && exec[i] != '\n')
                word += exec[i++];
        }
        words.push_back(std::move(word));
    }
}

bool IsFieldCode(std::string_view word) {
    return word.size() == 2 && word[0] == '%' && word[1] != '%';
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsExecutableFile(const std::string& path) {
    return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

XdgEnvironment XdgEnvironment::FromVariables(const std::function<const char*(const char*)>& get) {
    XdgEnvironment env;
    if (const char* home = get("HOME"); home && *home) {
        env.home = home;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        env.home = pw->pw_dir;
    } else {
        env.home = "/";
    }
    auto absoluteOr = [&](const char* name, const std::string& fallback) {
        const char* value = get(name);
        return value && value[0] == '/' ? std::string(value) : fallback;
    };
    auto foldersOr = [&](const char* name, const char* fallback) {
        const char* value = get(name);
        return AbsoluteFolders(value && *value ? value : fallback);
    };
    env.configHome = absoluteOr("XDG_CONFIG_HOME", env.home + "/.config");
    env.configDirs = foldersOr("XDG_CONFIG_DIRS", "/etc/xdg");
    env.dataHome = absoluteOr("XDG_DATA_HOME", env.home + "/.local/share");
    env.dataDirs = foldersOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    env.path = foldersOr("PATH", "/usr/local/bin:/usr/bin:/bin");
    if (const char* desktops = get("XDG_CURRENT_DESKTOP")) {
        for (const auto& desktop : Split(desktops, ':'))
            if (!desktop.empty()) env.desktops.push_back(LowerAscii(std::string_view(desktop)));
    }
    return env;
}

std::string ExecProgram(std::string_view exec) {
    std::vector<std::string> words;
    if (!ExecWords(UnescapeValue(exec), words)) return {};
    size_t i = 0;
    auto skipFieldCodes = [&] {
        while (i < words.size() && IsFieldCode(words[i]))
            ++i;
    };
    skipFieldCodes();
    // "env NAME=value ... program": the program is the first word after the assignments.
    if (i < words.size() && BaseName(words[i]) == "env") {
        ++i;
        while (i < words.size() &&
               (IsFieldCode(words[i]) || words[i].find('=') != std::string::npos))
            ++i;
    }
    if (i == words.size()) return {};
    std::string program;
    for (size_t k = 0; k < words[i].size(); ++k) {
        program += words[i][k];
        if (words[i][k] == '%' && k + 1 < words[i].size() && words[i][k + 1] == '%') ++k;
    }
    return program;
}

std::string ResolveProgram(const std::string& program, const std::vector<std::string>& path) {
    std::string found;
    if (program.find('/') != std::string::npos) {
        // A program with a folder must be given in full.
        if (program[0] == '/' && IsExecutableFile(program)) found = program;
    } else if (!program.empty()) {
        for (const auto& folder : path) {
            std::string candidate = folder + (folder.back() == '/' ? "" : "/") + program;
            if (IsExecutableFile(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    if (found.empty()) return {};
    // The real file, as /proc/PID/exe names a running browser: the stored name then matches
    // the browser's processes and its own program name (firefox-esr behind firefox or
    // x-www-browser). Snap's launchers are links to one program that tells by the name it
    // was called by; those stay as they are, or they would no longer start the browser.
    char* real = ::realpath(found.c_str(), nullptr);
    std::string resolved = real ? real : "";
    std::free(real);
    if (resolved.empty() || BaseName(resolved) == "snap") return found;
    return resolved;
}

namespace {

// Where desktop entries live, most important first.
std::vector<std::string> ApplicationFolders(const XdgEnvironment& env) {
    std::vector<std::string> folders{env.dataHome + "/applications"};
    for (const auto& dir : env.dataDirs)
        folders.push_back(dir + "/applications");
    return folders;
}

// The mimeapps.list files in the order they count, each desktop's own before the common one.
std::vector<std::string> MimeAppsLists(const XdgEnvironment& env) {
    std::vector<std::string> folders{env.configHome};
    folders.insert(folders.end(), env.configDirs.begin(), env.configDirs.end());
    for (auto& folder : ApplicationFolders(env))
        folders.push_back(std::move(folder));
    std::vector<std::string> lists;
    for (const auto& folder : folders) {
        for (const auto& desktop : env.desktops)
            lists.push_back(folder + "/" + desktop + "-mimeapps.list");
        lists.push_back(folder + "/mimeapps.list");
    }
    return lists;
}

// The file of desktop id `rest` under `folder`: the id itself, or with any of its dashes
// standing for a subfolder (the older way of naming entries in subfolders).
bool FindEntryIn(const std::string& folder, const std::string& rest, std::string& file) {
    if (IsRegularFile(folder + "/" + rest)) {
        file = folder + "/" + rest;
        return true;
    }
    // Only folders that exist are tried, so an id with many dashes costs no more than the
    // folders there are.
    for (size_t dash = rest.find('-'); dash != std::string::npos; dash = rest.find('-', dash + 1)) {
        if (dash == 0 || rest[0] == '.') continue;
        const std::string sub = folder + "/" + rest.substr(0, dash);
        if (IsFolder(sub) && FindEntryIn(sub, rest.substr(dash + 1), file)) return true;
    }
    return false;
}

// The program of a desktop entry's text; empty when the entry is hidden, has no Exec line
// or its program is not there. With `mime`, only an entry that declares that type counts.
std::string ProgramOfEntryText(const XdgEnvironment& env, const std::string& text,
                               std::string_view mime = {}) {
    std::string value;
    if (GroupValue(text, "Desktop Entry", "Hidden", value) && value == "true") return {};
    if (!mime.empty()) {
        if (!GroupValue(text, "Desktop Entry", "MimeType", value)) return {};
        bool declared = false;
        for (const auto& type : Split(value, ';'))
            declared = declared || Trim(type) == mime;
        if (!declared) return {};
    }
    if (!GroupValue(text, "Desktop Entry", "Exec", value)) return {};
    return ResolveProgram(ExecProgram(value), env.path);
}

// The program of the application with desktop id `id`; empty when it is not installed, is
// hidden, or its program is not there.
std::string ProgramOfEntry(const XdgEnvironment& env, const std::string& id) {
    if (id.size() <= 8 || !id.ends_with(".desktop") || id.find('/') != std::string::npos ||
        id[0] == '.')
        return {};
    for (const auto& folder : ApplicationFolders(env)) {
        std::string file;
        if (!FindEntryIn(folder, id, file)) continue;
        // The first folder holding the id decides, also when it hides the entry.
        std::string text;
        if (!ReadSmallFile(file, text)) return {};
        return ProgramOfEntryText(env, text);
    }
    return {};
}

// The first installed application that `list` names for `mime` in `group`.
std::string ProgramFromList(const XdgEnvironment& env, const std::string& list,
                            std::string_view group, std::string_view mime) {
    std::string text, ids;
    if (!ReadSmallFile(list, text) || !GroupValue(text, group, mime, ids)) return {};
    for (const auto& id : Split(ids, ';')) {
        std::string program = ProgramOfEntry(env, std::string(Trim(id)));
        if (!program.empty()) return program;
    }
    return {};
}

// The default that the desktop's files name for `mime`: mimeapps.list, then defaults.list.
std::string NamedDefault(const XdgEnvironment& env, std::string_view mime) {
    for (const auto& list : MimeAppsLists(env)) {
        std::string program = ProgramFromList(env, list, "Default Applications", mime);
        if (!program.empty()) return program;
    }
    // defaults.list, which older desktops write instead.
    for (const auto& folder : ApplicationFolders(env)) {
        std::string program =
            ProgramFromList(env, folder + "/defaults.list", "Default Applications", mime);
        if (!program.empty()) return program;
    }
    return {};
}

// The desktop entries directly in `folder`, by name.
std::vector<std::string> EntriesIn(const std::string& folder) {
    std::vector<std::string> ids;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return ids;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() > 8 && name.ends_with(".desktop") && name[0] != '.') ids.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Without a named default: an application the user added for `mime`, else any installed
// one that declares it; a user's entry stands in for the system's entry of the same id.
std::string InstalledHandler(const XdgEnvironment& env, std::string_view mime) {
    for (const auto& list : MimeAppsLists(env)) {
        std::string program = ProgramFromList(env, list, "Added Associations", mime);
        if (!program.empty()) return program;
    }
    std::set<std::string> seen;
    for (const auto& folder : ApplicationFolders(env)) {
        for (const auto& id : EntriesIn(folder)) {
            if (!seen.insert(id).second) continue;
            std::string text;
            if (!ReadSmallFile(folder + "/" + id, text)) continue;
            std::string program = ProgramOfEntryText(env, text, mime);
            if (!program.empty()) return program;
        }
    }
    return {};
}

class XdgDefaultBrowser final : public DefaultBrowser {
public:
    std::u16string Find() override {
        const std::string path = FindDefaultBrowser(
            XdgEnvironment::FromVariables([](const char* name) { return std::getenv(name); }));
        // The path is kept as text: a name that is not UTF-8 would be stored as a different
        // file, so it counts as no browser.
        std::u16string text = FromUtf8(path);
        return ToUtf8(text) == path ? text : std::u16string();
    }
};

}  // namespace

std::string FindDefaultBrowser(const XdgEnvironment& env) {
    for (std::string_view mime : kMimeTypes) {
        std::string program = NamedDefault(env, mime);
        if (!program.empty()) return program;
    }
    // Only web links go to any program that takes them: programs that take HTML files
    // include editors.
    return InstalledHandler(env, kMimeTypes[0]);
}

std::unique_ptr<DefaultBrowser> CreateXdgDefaultBrowser() {
    return std::make_unique<XdgDefaultBrowser>();
}

}  // namespace velmora
