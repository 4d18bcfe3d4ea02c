// Windows virtual-key codes: the key numbers the logic and Config.ini use on every system.
#pragma once

namespace velmora::vk {

inline constexpr int Return = 0x0D;
inline constexpr int Shift = 0x10;
inline constexpr int Control = 0x11;
inline constexpr int Menu = 0x12;  // Alt
inline constexpr int Escape = 0x1B;

}  // namespace velmora::vk
