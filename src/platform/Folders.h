// The user's folders and the program's own folder.
#pragma once

#include <string>

namespace velmora {

class Folders {
public:
    virtual ~Folders() = default;
    // The user's documents folder (absolute, no trailing separator).
    virtual std::u16string Documents() = 0;
    // The folder of the running program, ending with a separator.
    virtual std::u16string ProgramFolder() = 0;
};

}  // namespace velmora
