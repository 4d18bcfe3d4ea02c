// Readings from MeCab: the reading of the whole text in hiragana; hiragana, digits,
// Latin letters, symbols, unknown words and the white space between words come back
// as they stand.
#pragma once

#include <memory>
#include <string>

#include "ruby/ReadingService.h"

namespace velmora {

// The dictionary folder in use (by default the one of the mecab-ipadic-utf8 package).
// Set it before the first job; the model is loaded once per process and shared.
void SetMecabDictionary(const std::string& folder);
const std::string& MecabDictionary();

// Loads the model if needed. False, with a message naming the folder and the package to
// install, when the dictionary cannot be loaded.
bool MecabAvailable(std::string* error = nullptr);

// A new MeCab reading service (one tagger per job). Its Open fails when the dictionary
// cannot be loaded.
std::unique_ptr<ReadingService> CreateMecabReading();
ReadingServiceFactory MecabReadingFactory();

// Katakana (ァ..ヶ, ヴ included) to hiragana; everything else unchanged.
void KatakanaToHiragana(std::u16string& s);

}  // namespace velmora
