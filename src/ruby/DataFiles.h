// Where the reading services find their dictionaries, per system.
#pragma once

#include <string>

namespace velmora {

// The dictionary folder used unless another is set: the mecab-ipadic-utf8 package's folder
// on Linux, the "ipadic" folder beside the program on Windows. UTF-8.
std::string DefaultMecabDictionary();

// The resource file handed to MeCab with the dictionary `folder`: nothing of a system-wide
// MeCab configuration is read (another installed dictionary may have another layout).
std::string MecabResourceFile(const std::string& folder);

// The kanji dictionary (KANJIDIC, EUC-JP): the kanjidic package's file on Linux, "kanjidic"
// beside the program on Windows. UTF-8.
std::string DefaultKanjiDic();

}  // namespace velmora
