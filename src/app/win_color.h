#pragma once

#include <QColor>

#include <cstdint>

namespace lumo::app {

// Colours are kept as Windows colour values, 0x00BBGGRR: red in the low byte.
constexpr uint32_t Rgb(int red, int green, int blue) {
    return static_cast<uint32_t>(red & 0xFF) | static_cast<uint32_t>(green & 0xFF) << 8 |
           static_cast<uint32_t>(blue & 0xFF) << 16;
}

QColor WinColor(uint32_t bgr);

// The skin's colours.
namespace colors {
constexpr uint32_t kNavHighlightText = 0xFFFFFF;
constexpr uint32_t kNavHighlightBack = Rgb(0, 0, 0);
constexpr uint32_t kNavNormalText = 0xC0C0C0;
constexpr uint32_t kNavNormalBack = Rgb(66, 78, 104);
constexpr uint32_t kViewSelectedText = 0xFFFFFF;
constexpr uint32_t kViewSelectedBack = Rgb(138, 138, 138);
constexpr uint32_t kViewOtherText = 0xC0C0C0;
constexpr uint32_t kViewOtherBack = Rgb(83, 83, 83);
constexpr uint32_t kChannelSelectedText = 0xFFFFFF;
constexpr uint32_t kChannelOtherText = 0x80A080;
constexpr uint32_t kHintText = 0x606060;
// Lumo's own dark backdrop for the window, the navigation column and the bar.
constexpr uint32_t kWindowBack = Rgb(40, 43, 50);
constexpr uint32_t kNavColumnBack = Rgb(52, 60, 80);
constexpr uint32_t kBarBack = Rgb(28, 29, 33);
constexpr uint32_t kListBack = Rgb(30, 32, 38);
constexpr uint32_t kListText = Rgb(220, 222, 228);
}  // namespace colors

}  // namespace lumo::app
