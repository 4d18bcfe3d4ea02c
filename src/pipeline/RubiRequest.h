// The ruby request without its window: refusal of this run's own pages, fetch, decoding,
// annotation, link rewriting, the head charset and writing Rubi<N>.html. The desktop
// app drives it from its ruby button, the command line for each address.
#pragma once

#include <string>
#include <vector>

#include "ruby/Hooks.h"
#include "ruby/ReadingService.h"
#include "ruby/RubiEngine.h"
#include "ruby/UserDictionary.h"

namespace velmora {

class Downloader;

enum class RubiOutcome {
    Written,    // Rubi<N>.html was written; pagePath names it
    Cancelled,  // cancelled during the download or the annotation; no message
    Failed,  // "ルビふりにしっぱいしました。" was shown (or the engine showed its own)
    Error,   // a file could not be read or written: errorText holds path and reason
};

struct RubiResult {
    RubiOutcome outcome = RubiOutcome::Failed;
    std::u16string pagePath;   // the written page (Written), or the page that failed (Error)
    std::u16string errorText;  // the system's reason and the path (Error)
    std::vector<std::u16string> RubiSL;  // the written page's lines (Written), for its title
};

// What the main window lends a request. References stay valid for the request.
struct RubiRequestEnv {
    std::u16string DataFolda;      // the data folder, without a trailing separator
    int* RubiHTMLCount = nullptr;  // pages written in this run
    const int* ExceptRubiLevel = nullptr;
    const UserDictionary* dic = nullptr;
    RubyStyle style = RubyStyle::Parentheses;  // how readings are written in the page text
    ReadingServiceFactory reading;
    Downloader* downloader = nullptr;  // for http(s) addresses
    JobHooks hooks;
    // Called when annotation starts, with the line count (shows the progress bar, starts
    // the busy animation).
    std::function<void(int)> annotating;
};

// Path of ruby page n in the data folder.
std::u16string RubiPagePath(const std::u16string& DataFolda, int n);

// Local path of a file URL: percent-decoded as UTF-8, without "file://" (and "localhost"),
// query and fragment. An absolute path is taken as it is. Empty, with the reason, for a
// file URL that names another computer (file://host/share/x.html) and for anything else
// (a relative path is never read from the current folder).
std::u16string FileUrlToPath(const std::u16string& url, std::u16string* reason);
std::u16string FileUrlToPath(const std::u16string& url);

// The bytes of a ruby page: UTF-8 with a byte-order mark, CR LF after every line.
std::string EncodeRubiPage(const std::vector<std::u16string>& lines);

// Whether `url` names one of the ruby pages written in this run, compared as the file
// system resolves paths (".", "..", repeated separators and links).
bool IsOwnRubiPage(const std::u16string& url, const std::u16string& DataFolda, int RubiHTMLCount);

// The request for `url` from fetching the page to writing Rubi<N>.html: everything between
// the busy state and showing the page. The caller has done the refusal check and set Rubiing.
RubiResult RunRubiRequest(const std::u16string& url, RubiRequestEnv& env);

}  // namespace velmora
