// No IME language object outside Windows.
#include "ruby/ImeReading.h"

namespace velmora {

bool ImeReadingAvailable() {
    return false;
}

std::unique_ptr<ReadingService> CreateImeReading() {
    return nullptr;
}

ReadingServiceFactory ImeReadingFactory() {
    return [] { return CreateImeReading(); };
}

}  // namespace velmora
