#include "platform/VirtualKeys.h"

#include <array>

namespace velmora {
namespace {

struct KeyPair {
    int vk;
    std::uint32_t keysym;
};

// Keysyms by their X11 numbers. Where several keysyms give one code, the first row of a code
// is the key typed for it.
constexpr std::array kKeys = std::to_array<KeyPair>({
    {0x08, 0xff08},  // BackSpace
    {0x09, 0xff09},  // Tab
    {0x09, 0xfe20},  // ISO_Left_Tab (Shift+Tab)
    {0x0C, 0xff9d},  // KP_Begin: Clear
    {0x0D, 0xff0d},  // Return
    {0x0D, 0xff8d},  // KP_Enter
    {0x10, 0xffe1},  // Shift_L
    {0x10, 0xffe2},  // Shift_R
    {0x11, 0xffe3},  // Control_L
    {0x11, 0xffe4},  // Control_R
    {0x12, 0xffe9},  // Alt_L
    {0x12, 0xffea},  // Alt_R
    {0x12, 0xfe03},  // ISO_Level3_Shift (AltGr)
    {0x13, 0xff13},  // Pause
    {0x14, 0xffe5},  // Caps_Lock
    {0x19, 0xff21},  // Kanji
    {0x19, 0xff2a},  // Zenkaku_Hankaku: the Kanji key of a Japanese keyboard
    {0x1B, 0xff1b},  // Escape
    {0x1C, 0xff23},  // Henkan_Mode: Convert
    {0x1D, 0xff22},  // Muhenkan: NonConvert
    {0x20, 0x0020},  // space
    {0x21, 0xff55},  // Prior
    {0x21, 0xff9a},  // KP_Prior
    {0x22, 0xff56},  // Next
    {0x22, 0xff9b},  // KP_Next
    {0x23, 0xff57},  // End
    {0x23, 0xff9c},  // KP_End
    {0x24, 0xff50},  // Home
    {0x24, 0xff95},  // KP_Home
    {0x25, 0xff51},  // Left
    {0x25, 0xff96},  // KP_Left
    {0x26, 0xff52},  // Up
    {0x26, 0xff97},  // KP_Up
    {0x27, 0xff53},  // Right
    {0x27, 0xff98},  // KP_Right
    {0x28, 0xff54},  // Down
    {0x28, 0xff99},  // KP_Down
    {0x2C, 0xff61},  // Print: Snapshot
    {0x2D, 0xff63},  // Insert
    {0x2D, 0xff9e},  // KP_Insert
    {0x2E, 0xffff},  // Delete
    {0x2E, 0xff9f},  // KP_Delete
    {0x5B, 0xffeb},  // Super_L: left Windows key
    {0x5C, 0xffec},  // Super_R: right Windows key
    {0x5D, 0xff67},  // Menu: Apps
    {0x6A, 0xffaa},  // KP_Multiply
    {0x6B, 0xffab},  // KP_Add
    {0x6C, 0xffac},  // KP_Separator
    {0x6D, 0xffad},  // KP_Subtract
    {0x6E, 0xffae},  // KP_Decimal
    {0x6F, 0xffaf},  // KP_Divide
    {0x90, 0xff7f},  // Num_Lock
    {0x91, 0xff14},  // Scroll_Lock
    {0xBA, 0x003b},  // semicolon: OEM_1
    {0xBA, 0x003a},  // colon (the OEM_1 key of a Japanese keyboard)
    {0xBB, 0x003d},  // equal: OEM_PLUS
    {0xBB, 0x002b},  // plus
    {0xBC, 0x002c},  // comma
    {0xBD, 0x002d},  // minus
    {0xBE, 0x002e},  // period
    {0xBF, 0x002f},  // slash: OEM_2
    {0xC0, 0x0060},  // grave: OEM_3
    {0xC0, 0x0040},  // at (the OEM_3 key of a Japanese keyboard)
    {0xDB, 0x005b},  // bracketleft: OEM_4
    {0xDC, 0x005c},  // backslash: OEM_5
    {0xDC, 0x00a5},  // yen
    {0xDD, 0x005d},  // bracketright: OEM_6
    {0xDE, 0x0027},  // apostrophe: OEM_7
    {0xDE, 0x005e},  // asciicircum (the OEM_7 key of a Japanese keyboard)
    {0xE2, 0x005f},  // underscore: OEM_102, the Ro key of a Japanese keyboard
    {0xF0, 0xff30},  // Eisu_toggle: OEM_ATTN
    {0xF2, 0xff27},  // Hiragana_Katakana: OEM_COPY
});

}  // namespace

int VirtualKeyFromKeysym(std::uint32_t keysym) {
    if (keysym >= '0' && keysym <= '9') return static_cast<int>(keysym);
    if (keysym >= 'A' && keysym <= 'Z') return static_cast<int>(keysym);
    if (keysym >= 'a' && keysym <= 'z') return static_cast<int>(keysym - 'a' + 'A');
    if (keysym >= 0xffb0 && keysym <= 0xffb9) return static_cast<int>(0x60 + keysym - 0xffb0);
    if (keysym >= 0xffbe && keysym <= 0xffd5) return static_cast<int>(0x70 + keysym - 0xffbe);
    for (const KeyPair& k : kKeys)
        if (k.keysym == keysym) return k.vk;
    return 0;
}

std::vector<std::uint32_t> KeysymsOfVirtualKey(int vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return {static_cast<std::uint32_t>(vk >= 'A' ? vk - 'A' + 'a' : vk)};
    if (vk >= 0x60 && vk <= 0x69) return {static_cast<std::uint32_t>(0xffb0 + vk - 0x60)};
    if (vk >= 0x70 && vk <= 0x87) return {static_cast<std::uint32_t>(0xffbe + vk - 0x70)};
    // The sides' own codes (VK_LSHIFT ... VK_RMENU) type the one side.
    switch (vk) {
        case 0xA0:
            return {0xffe1};
        case 0xA1:
            return {0xffe2};
        case 0xA2:
            return {0xffe3};
        case 0xA3:
            return {0xffe4};
        case 0xA4:
            return {0xffe9};
        case 0xA5:
            return {0xffea};
        default:
            break;
    }
    std::vector<std::uint32_t> keysyms;
    for (const KeyPair& k : kKeys)
        if (k.vk == vk) keysyms.push_back(k.keysym);
    return keysyms;
}

}  // namespace velmora
