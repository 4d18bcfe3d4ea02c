// Windows virtual-key codes: the key numbers the logic and Config.ini use on every system,
// and the one table between them and X keysyms. The key hook turns the keys it sees into
// codes, the key sender and the key state turn codes back into keys, and the ruby-key
// capture names what it caught. Plain numbers only, so every platform's build can use it.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora::vk {

inline constexpr int Return = 0x0D;
inline constexpr int Shift = 0x10;
inline constexpr int Control = 0x11;
inline constexpr int Menu = 0x12;  // Alt
inline constexpr int Escape = 0x1B;

}  // namespace velmora::vk

namespace velmora {

// The keys the triggers type.
inline constexpr int kVkShift = vk::Shift;
inline constexpr int kVkControl = vk::Control;
inline constexpr int kVkA = 65;
inline constexpr int kVkC = 67;
inline constexpr int kVkW = 87;

// The virtual-key code of a keysym (either letter case counts as the letter's key; left and
// right Shift, Control and Alt give the sides' common code); 0 when the key has none.
int VirtualKeyFromKeysym(std::uint32_t keysym);

// The keysyms that give `vk`, the one to type it with first; empty for an unknown code.
// The sides' common codes (Shift 16, Control 17, Alt 18) give both sides' keys.
std::vector<std::uint32_t> KeysymsOfVirtualKey(int vk);

}  // namespace velmora
