#include "platform/VirtualKeys.h"

#include <array>

namespace velmora {

namespace {

// Left- and right-hand modifiers share one code: the ruby key is "Shift", whichever Shift.
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

std::span<const VirtualKey> VirtualKeyTable() {
    return kKeys;
}

int VirtualKeyFromKeysym(std::uint32_t keysym) {
    if (keysym >= 'a' && keysym <= 'z') return static_cast<int>(keysym - 'a' + 'A');
    if ((keysym >= 'A' && keysym <= 'Z') || (keysym >= '0' && keysym <= '9'))
        return static_cast<int>(keysym);
    for (const VirtualKey& key : kKeys)
        if (key.keysym == keysym || (key.keysym2 != 0 && key.keysym2 == keysym)) return key.vk;
    return 0;
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
