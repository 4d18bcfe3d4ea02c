// The User-Agent of every download, in one place for every transport.
#pragma once

namespace velmora {

// A current browser's form, so that servers answer as they answer a browser (many refuse
// old or library-like agents as bots), naming the tool and its version:
// "Mozilla/5.0 (X11; Linux x86_64) Velmora/0.1.0".
const char* UserAgent();

}  // namespace velmora
