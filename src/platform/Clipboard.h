// The clipboard's text (the CLIPBOARD selection on X11, never the primary selection). Its
// change notification comes from the toolkit's event loop to the main window.
#pragma once

#include <string>

namespace velmora {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The text on the clipboard. False when the clipboard cannot be read; an empty text
    // when it holds no text.
    virtual bool ReadText(std::u16string& text) = 0;
};

}  // namespace velmora
