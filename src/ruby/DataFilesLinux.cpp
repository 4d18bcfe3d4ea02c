#include "ruby/DataFiles.h"

#ifndef VELMORA_MECAB_DIC
#define VELMORA_MECAB_DIC "/var/lib/mecab/dic/ipadic-utf8"
#endif
#ifndef VELMORA_KANJIDIC
#define VELMORA_KANJIDIC "/usr/share/edict/kanjidic"
#endif

namespace velmora {

std::string DefaultMecabDictionary() {
    return VELMORA_MECAB_DIC;
}

std::string MecabResourceFile(const std::string&) {
    return "/dev/null";
}

std::string DefaultKanjiDic() {
    return VELMORA_KANJIDIC;
}

}  // namespace velmora
