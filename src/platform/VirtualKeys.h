// Windows virtual-key codes, which Config.ini stores for the ruby key, and the keys of the
// other systems that stand for them: X keysyms (the global key hook) and the toolkit's key
// numbers (the key capture in the URL field). One table serves both, so a key taken by the
// capture is the key the hook reports. The names are those a US or Japanese keyboard layout
// gives the keys on Windows.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace velmora {

struct VirtualKey {
    int vk;                    // Windows virtual-key code
    std::uint32_t keysym;      // X keysym (0: none)
    std::uint32_t keysym2;     // a second keysym for the same code (right-hand key), or 0
    int toolkitKey;            // Qt::Key value (0: none); plain numbers keep Qt out of here
    std::u16string_view name;  // the keyboard layout's name
};

std::span<const VirtualKey> VirtualKeyTable();

// 0 when the key has no virtual-key code here. Letters and digits map to their codes too;
// either letter case counts as the letter's key; left and right Shift, Control and Alt give
// the sides' common code.
int VirtualKeyFromKeysym(std::uint32_t keysym);

// The keysyms that give `vk`, the one to type it with first; empty for an unknown code.
// The sides' common codes (Shift 16, Control 17, Alt 18) give both sides' keys.
std::vector<std::uint32_t> KeysymsOfVirtualKey(int vk);
int VirtualKeyFromToolkitKey(int key);
// The keyboard layout's name of a key; empty when it has none here.
std::u16string_view VirtualKeyName(int vk);

namespace vk {

inline constexpr int Return = 0x0D;
inline constexpr int Shift = 0x10;
inline constexpr int Control = 0x11;
inline constexpr int Menu = 0x12;  // Alt
inline constexpr int Escape = 0x1B;

}  // namespace vk

// The keys the triggers type.
inline constexpr int kVkShift = vk::Shift;
inline constexpr int kVkControl = vk::Control;
inline constexpr int kVkA = 65;
inline constexpr int kVkC = 67;
inline constexpr int kVkW = 87;

}  // namespace velmora
