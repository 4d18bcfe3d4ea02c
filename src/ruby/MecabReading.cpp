#include "ruby/MecabReading.h"

#include <mecab.h>

#include <mutex>
#include <string_view>

#include "ruby/RubiEngine.h"
#include "ruby/Text.h"

#ifndef VELMORA_MECAB_DIC
#define VELMORA_MECAB_DIC "/var/lib/mecab/dic/ipadic-utf8"
#endif

namespace velmora {

namespace {

struct SharedModel {
    std::mutex mutex;
    std::string folder = VELMORA_MECAB_DIC;
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
        std::string args = "-r /dev/null -d " + s.folder;
        MeCab::Model* model = MeCab::createModel(args.c_str());
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

bool HasKanji(std::u16string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsKanji(s[i], i + 1 < s.size() ? s[i + 1] : char16_t{0})) return true;
    }
    return false;
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
        if (!tagger_) return false;
        const std::string input = ToUtf8(text);
        lattice_->set_sentence(input.data(), input.size());
        if (!tagger_->parse(lattice_.get())) return false;

        std::u16string out;
        out.reserve(text.size() * 2);
        size_t cursor = 0;  // bytes of `input` accounted for
        for (const MeCab::Node* node = lattice_->bos_node(); node; node = node->next) {
            if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
            const size_t at = static_cast<size_t>(node->surface - input.data());
            if (at < cursor || at + node->length > input.size()) continue;
            // White space that MeCab skipped between words stays as it is.
            out.append(FromUtf8(std::string_view(input).substr(cursor, at - cursor)));
            cursor = at + node->length;
            std::u16string surface = FromUtf8(std::string_view(input).substr(at, node->length));
            if (node->stat == MECAB_UNK_NODE) {
                out.append(surface);  // unknown words stand as they are
                continue;
            }
            // Only words with kanji take the dictionary's reading (in katakana, turned to
            // hiragana); kana and other words stand as they are, so the context after a
            // run comes back unchanged and the okurigana cut works.
            std::string_view field;
            if (HasKanji(surface)) field = ReadingField(node->feature ? node->feature : "");
            if (field.empty()) {
                out.append(surface);
                continue;
            }
            std::u16string word = FromUtf8(field);
            KatakanaToHiragana(word);
            out.append(word);
        }
        out.append(FromUtf8(std::string_view(input).substr(cursor)));
        reading = std::move(out);
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
