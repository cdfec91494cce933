#pragma once
// Plain value types shared by the terminal screen model, its escape-code decoder
// and the widget that draws it. No GUI types here: colours are packed RGB values.

#include <cstdint>

namespace vesk {

// A colour as 0x00RRGGBB.
using TColor = std::uint32_t;

constexpr TColor MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return (TColor(red) << 16) | (TColor(green) << 8) | TColor(blue);
}
constexpr std::uint8_t ColorRed(TColor c) {
    return std::uint8_t(c >> 16);
}
constexpr std::uint8_t ColorGreen(TColor c) {
    return std::uint8_t(c >> 8);
}
constexpr std::uint8_t ColorBlue(TColor c) {
    return std::uint8_t(c);
}

constexpr TColor clBlack = MakeColor(0, 0, 0);
constexpr TColor clWhite = MakeColor(255, 255, 255);
// Default colour of bold text: grey, 10921638 as a number.
constexpr TColor clTermAltColor = MakeColor(166, 166, 166);

enum class TTermEmulation { teVT100orANSI, teVT52, teNone };
enum class TTermCaret { tcBlock, tcUnderline, tcNone };
enum class TArrowKeys { akTerminal, akWindows };

// Cursor keys the widget hands to the model.
enum class TTermKey { tkUp, tkDown, tkRight, tkLeft, tkHome };

} // namespace vesk
