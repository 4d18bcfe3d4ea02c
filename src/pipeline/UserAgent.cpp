#include "pipeline/UserAgent.h"

namespace velmora {

const char* UserAgent() {
#ifdef _WIN32
    return "Mozilla/5.0 (Windows NT 10.0; Win64; x64) Velmora/" VELMORA_VERSION;
#else
    return "Mozilla/5.0 (X11; Linux x86_64) Velmora/" VELMORA_VERSION;
#endif
}

}  // namespace velmora
