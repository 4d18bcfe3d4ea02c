#include "ruby/MecabReading.h"

#include <mecab.h>

#include <mutex>
#include <string_view>

#include "base/Text.h"
#include "ruby/DataFiles.h"
#include "ruby/RubiEngine.h"

namespace velmora {

namespace {

struct SharedModel {
    std::mutex mutex;
    std::string folder = DefaultMecabDictionary();
    std::shared_ptr<MeCab::Model> model;
    std::string error;
    bool tried = false;
};

SharedModel& Shared() {
    static SharedModel shared;
    return shared;
}

std::shared_ptr<MeCab::Model> LoadModel(std::string* error) {
    SharedModel& s = Shared();
    std::lock_guard lock(s.mutex);
    if (!s.tried) {
        s.tried = true;
        // The dictionary is named explicitly and no system mecabrc is read: another
        // installed dictionary may have another feature layout.
        // Given as separate arguments, so that a folder may hold spaces.
        std::string rc = MecabResourceFile(s.folder);
        std::string folder = s.folder;
        char program[] = "mecab", r[] = "-r", d[] = "-d";
        char* argv[] = {program, r, rc.data(), d, folder.data()};
        MeCab::Model* model = MeCab::createModel(5, argv);
        if (model) {
            s.model.reset(model);
        } else {
            s.error = "The MeCab dictionary " + s.folder +
                      " cannot be loaded; install the package mecab-ipadic-utf8";
        }
    }
    if (error) *error = s.error;
    return s.model;
}

// The reading field (8th) of an IPAdic feature string, or empty when there is none.
std::string_view ReadingField(std::string_view feature) {
    size_t pos = 0;
    for (int field = 0; field < 7; ++field) {
        pos = feature.find(',', pos);
        if (pos == std::string_view::npos) return {};
        ++pos;
    }
    std::string_view rest = feature.substr(pos);
    rest = rest.substr(0, rest.find(','));
    return rest == "*" ? std::string_view{} : rest;
}

// UTF-16 code units that the UTF-8 text `s` makes.
size_t Units16(std::string_view s) {
    size_t units = 0;
    for (unsigned char b : s) {
        if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
    }
    return units;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Whether UTF-8 text holds a kanji, without converting it.
bool HasKanjiUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0xE0 && b < 0xF0 && i + 2 < s.size()) {
            const char32_t c = (char32_t(b & 0x0F) << 12) |
                               (char32_t(static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) |
                               char32_t(static_cast<unsigned char>(s[i + 2]) & 0x3F);
            if (IsKanji(static_cast<char16_t>(c), 0)) return true;
            i += 2;
        } else if (b >= 0xF0 && i + 3 < s.size()) {
            const char32_t c = (char32_t(b & 0x07) << 18) |
                               (char32_t(static_cast<unsigned char>(s[i + 1]) & 0x3F) << 12) |
                               (char32_t(static_cast<unsigned char>(s[i + 2]) & 0x3F) << 6) |
                               char32_t(static_cast<unsigned char>(s[i + 3]) & 0x3F);
            if (c >= 0x20000 && c <= 0x2A6DF) return true;
            i += 3;
        }
    }
    return false;
}

// 日本 is read にほん, as school texts do, except in set names: those the dictionary lists
// as one proper noun with にっぽん (日本銀行), and the names below, whose words the
// dictionary splits or lists with にほん.
void ChooseNihon(std::string_view surface, std::string_view feature, std::string_view after,
                 std::u16string& reading) {
    static constexpr std::string_view kNihon = "日本";
    if (!StartsWith(surface, kNihon)) return;
    static constexpr std::string_view kNames[] = {
        "銀行",     "武道館",   "放送協会", "郵便", "郵政",
        "体育大学", "電信電話", "通運",     "製鉄", "財団",
    };
    std::string follow(surface.substr(kNihon.size()));
    follow.append(after.substr(0, 16));
    for (std::string_view name : kNames) {
        if (StartsWith(follow, name)) {
            if (StartsWith(reading, u"にほん")) reading.replace(0, 3, u"にっぽん");
            return;
        }
    }
    if (!StartsWith(reading, u"にっぽん")) return;
    if (surface != kNihon && feature.find("固有名詞") != std::string_view::npos) return;
    reading.replace(0, 4, u"にほん");
}

class MecabReading final : public ReadingService {
public:
    bool Open() override {
        model_ = LoadModel(nullptr);
        if (!model_) return false;
        tagger_.reset(model_->createTagger());
        lattice_.reset(model_->createLattice());
        return tagger_ && lattice_;
    }

    bool GetPhonetic(std::u16string_view text, std::u16string& reading) override {
        std::u16string out;
        out.reserve(text.size() * 2);
        const bool ok = Parse(text, [&](std::string_view gap, std::string_view surface,
                                        const MeCab::Node* node, std::u16string* word) {
            // White space that MeCab skipped between words stays as it is; words without
            // a reading (kana, unknown words, symbols) stand as they are, so the context
            // after a run comes back unchanged and the okurigana cut works.
            out.append(FromUtf8(gap));
            (void)node;
            if (word) {
                out.append(*word);
            } else {
                out.append(FromUtf8(surface));
            }
        });
        if (!ok) return false;
        reading = std::move(out);
        return true;
    }

    bool Analyse(std::u16string_view text, std::vector<Morpheme>& words) override {
        words.clear();
        size_t at16 = 0;
        return Parse(text, [&](std::string_view gap, std::string_view surface,
                               const MeCab::Node* node, std::u16string* word) {
            at16 += Units16(gap);
            const size_t length = Units16(surface);
            if (!node) {
                at16 += length;
                return;
            }
            Morpheme m;
            m.begin = at16;
            m.end = at16 + length;
            at16 = m.end;
            if (word) m.reading = std::move(*word);
            const std::string_view feature = node->feature ? node->feature : "";
            if (StartsWith(feature, "名詞,数,")) {
                m.kind = Morpheme::Kind::Number;
            } else if (StartsWith(feature, "名詞,接尾,助数詞")) {
                m.kind = Morpheme::Kind::Counter;
            }
            words.push_back(std::move(m));
        });
    }

private:
    // Parses the text and calls `each(gap, surface, node, reading)` for every word in text
    // order: `gap` the text MeCab skipped before it, `node` null for the text after the
    // last word, `reading` the dictionary's reading in hiragana for a known word that
    // holds kanji, else null.
    template <typename Each>
    bool Parse(std::u16string_view text, Each&& each) {
        if (!tagger_) return false;
        const std::string input = ToUtf8(text);
        lattice_->set_sentence(input.data(), input.size());
        if (!tagger_->parse(lattice_.get())) return false;
        const std::string_view all(input);
        size_t cursor = 0;  // bytes of `input` accounted for
        std::u16string word;
        bool afterNoun = false;
        bool afterVerb = false;  // a verb or an auxiliary such as た
        bool afterPronoun = false;
        bool afterKanaNoun = false;
        for (const MeCab::Node* node = lattice_->bos_node(); node; node = node->next) {
            if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
            const size_t at = static_cast<size_t>(node->surface - input.data());
            if (at < cursor || at + node->length > input.size()) continue;
            const std::string_view gap = all.substr(cursor, at - cursor);
            const std::string_view surface = all.substr(at, node->length);
            cursor = at + node->length;
            std::string_view field;
            const std::string_view feature = node->feature ? node->feature : "";
            const bool wasAfterNoun = afterNoun, wasAfterVerb = afterVerb,
                       wasAfterPronoun = afterPronoun, wasAfterKanaNoun = afterKanaNoun;
            afterNoun = StartsWith(feature, "名詞,") && !StartsWith(feature, "名詞,接尾");
            afterVerb = StartsWith(feature, "動詞,") || StartsWith(feature, "助動詞,");
            afterPronoun = StartsWith(feature, "名詞,代名詞");
            afterKanaNoun =
                afterNoun &&
                !HasKanjiUtf8(surface.substr(surface.size() >= 3 ? surface.size() - 3 : 0));
            if (node->stat != MECAB_UNK_NODE && HasKanjiUtf8(surface)) {
                field = ReadingField(feature);
            }
            if (field.empty()) {
                each(gap, surface, node, nullptr);
                continue;
            }
            word = FromUtf8(field);
            KatakanaToHiragana(word);
            ChooseNihon(surface, feature, all.substr(cursor), word);
            // The plural suffix 方 after a person voices: 先生方 せんせいがた, あなた方; after
            // a noun made from a verb it is a way of doing (組み立て方 かた).
            if (wasAfterNoun && (wasAfterPronoun || !wasAfterKanaNoun) && surface == "方" &&
                word == u"かた" && StartsWith(feature, "名詞,接尾,")) {
                word = u"がた";
            }
            // After a verb: 食べた後 あと, 泳いでいる間に あいだ (but 休む間も ま).
            if (wasAfterVerb && surface == "後" && word == u"のち") word = u"あと";
            if (wasAfterVerb && surface == "間" && word == u"ま" && node->next &&
                node->next->stat != MECAB_EOS_NODE) {
                const std::string_view next(node->next->surface, node->next->length);
                if (next == "に" || next == "は") word = u"あいだ";
            }
            each(gap, surface, node, &word);
        }
        each(all.substr(cursor), std::string_view{}, nullptr, nullptr);
        return true;
    }

private:
    std::shared_ptr<MeCab::Model> model_;
    std::unique_ptr<MeCab::Tagger> tagger_;
    std::unique_ptr<MeCab::Lattice> lattice_;
};

}  // namespace

void SetMecabDictionary(const std::string& folder) {
    SharedModel& s = Shared();
    std::lock_guard lock(s.mutex);
    if (folder == s.folder) return;
    s.folder = folder;
    s.model.reset();
    s.error.clear();
    s.tried = false;
}

const std::string& MecabDictionary() {
    return Shared().folder;
}

bool MecabAvailable(std::string* error) {
    return LoadModel(error) != nullptr;
}

std::unique_ptr<ReadingService> CreateMecabReading() {
    return std::make_unique<MecabReading>();
}

ReadingServiceFactory MecabReadingFactory() {
    return [] { return CreateMecabReading(); };
}

void KatakanaToHiragana(std::u16string& s) {
    for (auto& c : s) {
        if (c >= u'ァ' && c <= u'ヶ') c = static_cast<char16_t>(c - 0x60);
    }
}

}  // namespace velmora
