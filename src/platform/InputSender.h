// Typing and clicking on the user's behalf, into whatever window has the focus, and the
// state of the keyboard.
#pragma once

#include <string>
#include <vector>

namespace velmora {

struct KeyStroke {
    int vk = 0;  // Windows virtual-key code
    bool release = false;
};

class InputSender {
public:
    virtual ~InputSender() = default;
    // Whether the desktop can take synthetic input. False with the reason when not.
    virtual bool Available(std::string* why) = 0;
    // Sends the strokes in order as one sequence. False when a key cannot be typed.
    virtual bool SendKeys(const std::vector<KeyStroke>& strokes) = 0;
    // Moves the pointer to the desktop position (x, y) and clicks the left button there.
    virtual bool Click(int x, int y) = 0;
    // Whether the key with code `vk` is held down at this moment.
    virtual bool IsKeyDown(int vk) = 0;
};

}  // namespace velmora
