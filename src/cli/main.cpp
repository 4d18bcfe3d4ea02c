// velmora-rubi: the page pipeline from the command line.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "ruby/MecabReading.h"
#include "ruby/RubiEngine.h"
#include "ruby/Text.h"
#include "ruby/UserDictionary.h"

namespace {

constexpr const char* kUsage =
    "Usage: velmora-rubi --text [--level N] [--dictionary FILE]\n"
    "\n"
    "Writes the reading of every kanji run after it, in hiragana between brackets:\n"
    "漢字を -> 漢字(かんじ)を.\n"
    "\n"
    "  --text            annotate UTF-8 text from standard input to standard output\n"
    "  --level N         ruby level 0-6: kanji taught up to school grade N get no reading\n"
    "  --dictionary FILE the user's dictionary (Dictionary.ini)\n"
    "  --mecab-dic DIR   MeCab dictionary folder (default: the mecab-ipadic-utf8 one)\n"
    "  --help            this text\n";

int Fail(const std::string& text) {
    std::fprintf(stderr, "velmora-rubi: %s\n", text.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora;
    bool text = false;
    int level = 0;
    std::string dictionary;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc)
                return nullptr;
            (void)name;
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--text") {
            text = true;
        } else if (arg == "--level") {
            const char* v = value("--level");
            char* end = nullptr;
            long n = v ? std::strtol(v, &end, 10) : -1;
            if (!v || *end != '\0' || n < 0 || n > 6)
                return Fail("--level takes a number from 0 to 6");
            level = static_cast<int>(n);
        } else if (arg == "--dictionary") {
            const char* v = value("--dictionary");
            if (!v)
                return Fail("--dictionary takes a file");
            dictionary = v;
        } else if (arg == "--mecab-dic") {
            const char* v = value("--mecab-dic");
            if (!v)
                return Fail("--mecab-dic takes a folder");
            SetMecabDictionary(v);
        } else {
            return Fail("unknown argument " + arg + " (see --help)");
        }
    }
    if (!text)
        return Fail("nothing to do (see --help)");

    std::string error;
    if (!MecabAvailable(&error))
        return Fail(error);
    UserDictionary dic;
    (void)dictionary;

    std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    std::u16string all = FromUtf8(input);
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < all.size()) {
        size_t nl = all.find(u'\n', start);
        if (nl == std::u16string::npos)
            nl = all.size();
        lines.push_back(all.substr(start, nl - start));
        start = nl + 1;
    }
    RubiEngine engine(MecabReadingFactory(), level, dic, {});
    if (!engine.DoRubi(lines))
        return Fail("the reading service is not available");
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += ToUtf8(lines[i]);
        if (i + 1 < lines.size() || (!input.empty() && input.back() == '\n'))
            out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
