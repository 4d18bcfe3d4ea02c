// The embossed look of the about box's labels: which copies of the caption are drawn, where
// and in which colour. The toolkit's label paints the copies in the order given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

enum class TBevelType { btLeftTop, btRightBottom, btRightTop, btLeftBottom, btNone };

// The published properties of the bevel label, with their defaults.
struct TBevelStyle {
    Rgb HighLightColor{0xFF, 0xFF, 0xFF};
    Rgb ShadowColor{0, 0, 0};
    TBevelType BevelType = TBevelType::btRightBottom;
    int BevelWidth = 2;  // at least 1
    bool ColorBrend = true;
};

// One copy of the caption, offset from where the plain label puts it.
struct TextCopy {
    int dx = 0;
    int dy = 0;
    Rgb color;
    bool operator==(const TextCopy&) const = default;
};

// Each channel the sum of the two halved, rounded down.
Rgb BlendColor(Rgb a, Rgb b);

// The caption as drawn: its first "&" removed.
std::u16string BevelCaption(std::u16string_view caption);

// A width as stored: 0 and less become 1.
int BevelWidthStored(int width);

// The copies in drawing order, the last one on top. A disabled label is drawn in white and
// the system's grey-text colour, whatever its bevel.
std::vector<TextCopy> BevelCopies(const TBevelStyle& style, Rgb font, bool enabled, Rgb grayText);

}  // namespace velmora
