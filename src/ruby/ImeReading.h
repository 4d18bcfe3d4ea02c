// Readings from the Japanese IME language object of Windows ("MSIME.Japan", IFELanguage
// through COM), behind the same interface as MeCab. Other systems have no such object.
#pragma once

#include <memory>
#include <string>

#include "ruby/ReadingService.h"

namespace velmora {

inline constexpr char kImeUnavailable[] = "the IME reading service is not available";

// Whether the IME language object can be created here.
bool ImeReadingAvailable();

// A new IME reading service (one language object per job, released when the job ends).
std::unique_ptr<ReadingService> CreateImeReading();
ReadingServiceFactory ImeReadingFactory();

}  // namespace velmora
