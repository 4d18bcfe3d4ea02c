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
constexpr std::array kKeysyms = std::to_array<KeyPair>({
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

// Left- and right-hand modifiers share one code: the ruby key is "Shift", whichever Shift.
// Names and toolkit keys; the keysym columns agree with the keysym table above.
constexpr VirtualKey kKeys[] = {
    {8, 0xff08, 0, 0x01000003, u"Backspace"},      {9, 0xff09, 0xfe20, 0x01000001, u"Tab"},
    {12, 0xff0b, 0, 0x0100000b, u"Num 5"},         {13, 0xff0d, 0xff8d, 0x01000004, u"Enter"},
    {16, 0xffe1, 0xffe2, 0x01000020, u"Shift"},    {17, 0xffe3, 0xffe4, 0x01000021, u"Ctrl"},
    {18, 0xffe9, 0xffea, 0x01000023, u"Alt"},      {19, 0xff13, 0, 0x01000008, u"Pause"},
    {20, 0xffe5, 0, 0x01000024, u"Caps Lock"},     {25, 0xff2a, 0xff21, 0x0100112a, u"半角/全角"},
    {27, 0xff1b, 0, 0x01000000, u"Esc"},           {28, 0xff23, 0, 0x01001123, u"変換"},
    {29, 0xff22, 0, 0x01001122, u"無変換"},        {32, 0x0020, 0, 0x20, u"Space"},
    {33, 0xff55, 0, 0x01000016, u"Page Up"},       {34, 0xff56, 0, 0x01000017, u"Page Down"},
    {35, 0xff57, 0, 0x01000011, u"End"},           {36, 0xff50, 0, 0x01000010, u"Home"},
    {37, 0xff51, 0, 0x01000012, u"Left"},          {38, 0xff52, 0, 0x01000013, u"Up"},
    {39, 0xff53, 0, 0x01000014, u"Right"},         {40, 0xff54, 0, 0x01000015, u"Down"},
    {44, 0xff61, 0, 0x01000009, u"Prnt Scrn"},     {45, 0xff63, 0, 0x01000006, u"Insert"},
    {46, 0xffff, 0, 0x01000007, u"Delete"},        {91, 0xffeb, 0, 0x01000053, u"Left Windows"},
    {92, 0xffec, 0, 0x01000054, u"Right Windows"}, {93, 0xff67, 0, 0x01000055, u"Application"},
    {112, 0xffbe, 0, 0x01000030, u"F1"},           {113, 0xffbf, 0, 0x01000031, u"F2"},
    {114, 0xffc0, 0, 0x01000032, u"F3"},           {115, 0xffc1, 0, 0x01000033, u"F4"},
    {116, 0xffc2, 0, 0x01000034, u"F5"},           {117, 0xffc3, 0, 0x01000035, u"F6"},
    {118, 0xffc4, 0, 0x01000036, u"F7"},           {119, 0xffc5, 0, 0x01000037, u"F8"},
    {120, 0xffc6, 0, 0x01000038, u"F9"},           {121, 0xffc7, 0, 0x01000039, u"F10"},
    {122, 0xffc8, 0, 0x0100003a, u"F11"},          {123, 0xffc9, 0, 0x0100003b, u"F12"},
    {124, 0xffca, 0, 0x0100003c, u"F13"},          {125, 0xffcb, 0, 0x0100003d, u"F14"},
    {126, 0xffcc, 0, 0x0100003e, u"F15"},          {127, 0xffcd, 0, 0x0100003f, u"F16"},
    {128, 0xffce, 0, 0x01000040, u"F17"},          {129, 0xffcf, 0, 0x01000041, u"F18"},
    {130, 0xffd0, 0, 0x01000042, u"F19"},          {131, 0xffd1, 0, 0x01000043, u"F20"},
    {132, 0xffd2, 0, 0x01000044, u"F21"},          {133, 0xffd3, 0, 0x01000045, u"F22"},
    {134, 0xffd4, 0, 0x01000046, u"F23"},          {135, 0xffd5, 0, 0x01000047, u"F24"},
    {144, 0xff7f, 0, 0x01000025, u"Num Lock"},     {145, 0xff14, 0, 0x01000026, u"Scroll Lock"},
    {240, 0xff30, 0, 0x01001130, u"英数"},         {242, 0xff27, 0, 0x01001127, u"ひらがな"},
};

}  // namespace

int VirtualKeyFromKeysym(std::uint32_t keysym) {
    if (keysym >= '0' && keysym <= '9') return static_cast<int>(keysym);
    if (keysym >= 'A' && keysym <= 'Z') return static_cast<int>(keysym);
    if (keysym >= 'a' && keysym <= 'z') return static_cast<int>(keysym - 'a' + 'A');
    if (keysym >= 0xffb0 && keysym <= 0xffb9) return static_cast<int>(0x60 + keysym - 0xffb0);
    if (keysym >= 0xffbe && keysym <= 0xffd5) return static_cast<int>(0x70 + keysym - 0xffbe);
    for (const KeyPair& k : kKeysyms)
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
    for (const KeyPair& k : kKeysyms)
        if (k.vk == vk) keysyms.push_back(k.keysym);
    return keysyms;
}

std::span<const VirtualKey> VirtualKeyTable() {
    return kKeys;
}

int VirtualKeyFromToolkitKey(int toolkitKey) {
    if ((toolkitKey >= 'A' && toolkitKey <= 'Z') || (toolkitKey >= '0' && toolkitKey <= '9'))
        return toolkitKey;
    if (toolkitKey == 0x01000005) return vk::Return;  // the keypad's Enter
    if (toolkitKey == 0x01001103) return vk::Menu;    // AltGr: the right-hand Alt
    for (const VirtualKey& key : kKeys)
        if (key.toolkitKey == toolkitKey) return key.vk;
    return 0;
}

std::u16string_view VirtualKeyName(int vk) {
    for (const VirtualKey& key : kKeys)
        if (key.vk == vk) return key.name;
    return {};
}

}  // namespace velmora
