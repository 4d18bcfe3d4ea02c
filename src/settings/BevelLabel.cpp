#include "settings/BevelLabel.h"

#include <algorithm>

namespace velmora {

Rgb BlendColor(Rgb a, Rgb b) {
    auto half = [](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>((static_cast<unsigned>(x) + y) / 2);
    };
    return {half(a.r, b.r), half(a.g, b.g), half(a.b, b.b)};
}

std::u16string BevelCaption(std::u16string_view caption) {
    std::u16string text(caption);
    if (const size_t amp = text.find(u'&'); amp != std::u16string::npos) text.erase(amp, 1);
    return text;
}

int BevelWidthStored(int width) {
    return std::max(width, 1);
}

std::vector<TextCopy> BevelCopies(const TBevelStyle& style, Rgb font, bool enabled, Rgb grayText) {
    if (!enabled) return {{0, 0, {0xFF, 0xFF, 0xFF}}, {-1, -1, grayText}};

    const Rgb light =
        style.ColorBrend ? BlendColor(font, style.HighLightColor) : style.HighLightColor;
    const Rgb dark = style.ColorBrend ? BlendColor(font, style.ShadowColor) : style.ShadowColor;
    const int width = BevelWidthStored(style.BevelWidth);

    std::vector<TextCopy> copies;
    if (style.BevelType != TBevelType::btNone) {
        const bool lightFirst = style.BevelType == TBevelType::btRightBottom ||
                                style.BevelType == TBevelType::btLeftBottom;
        const int firstCount = lightFirst ? 1 : width;
        const int secondCount = lightFirst ? width : 1;
        const Rgb firstColor = lightFirst ? light : dark;
        const Rgb secondColor = lightFirst ? dark : light;
        // The diagonal of the light and dark sides: up-left/down-right, or up-right/down-left.
        const bool mainDiagonal = style.BevelType == TBevelType::btLeftTop ||
                                  style.BevelType == TBevelType::btRightBottom;
        for (int k = firstCount; k >= 1; --k)
            copies.push_back({mainDiagonal ? -k : k, -k, firstColor});
        for (int k = 1; k <= secondCount; ++k)
            copies.push_back({mainDiagonal ? k : -k, k, secondColor});
    }
    copies.push_back({0, 0, font});
    return copies;
}

}  // namespace velmora
