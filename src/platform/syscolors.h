#pragma once

#include <QColor>
#include <cstdint>

namespace quill {

// A colour as the program stores and computes it: 0x00BBGGRR, or a system colour
// constant (0xFF000000 plus the index of the system colour).
using TColor = std::uint32_t;

constexpr TColor kSystemColorFlag = 0xFF000000u;

// System colour constants, resolved to the current palette before any arithmetic.
constexpr TColor clScrollBar = kSystemColorFlag | 0;
constexpr TColor clMenu = kSystemColorFlag | 4;
constexpr TColor clWindow = kSystemColorFlag | 5;
constexpr TColor clMenuText = kSystemColorFlag | 7;
constexpr TColor clWindowText = kSystemColorFlag | 8;
constexpr TColor clHighlight = kSystemColorFlag | 13;
constexpr TColor clHighlightText = kSystemColorFlag | 14;
constexpr TColor clBtnFace = kSystemColorFlag | 15;
constexpr TColor clBtnShadow = kSystemColorFlag | 16;
constexpr TColor clGrayText = kSystemColorFlag | 17;
constexpr TColor clBtnText = kSystemColorFlag | 18;
constexpr TColor clBtnHighlight = kSystemColorFlag | 20;

// Plain colours that the layouts name.
constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clGray = 0x00808080;
constexpr TColor clSilver = 0x00C0C0C0;
constexpr TColor clRed = 0x000000FF;
constexpr TColor clGreen = 0x00008000;
constexpr TColor clBlue = 0x00FF0000;
constexpr TColor clNavy = 0x00800000;

constexpr bool IsSystemColor(TColor color) { return (color & kSystemColorFlag) == kSystemColorFlag; }

// The plain 0x00BBGGRR value of a colour: system colours take their current value from
// the application's palette; anything above the low 24 bits of a plain colour is dropped.
TColor ColorToRGB(TColor color);

constexpr int RedOf(TColor rgb) { return static_cast<int>(rgb & 0xFF); }
constexpr int GreenOf(TColor rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
constexpr int BlueOf(TColor rgb) { return static_cast<int>((rgb >> 16) & 0xFF); }
constexpr TColor RGBColor(int red, int green, int blue)
{
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// Conversions at the painter, the only place a QColor is made from a colour.
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

} // namespace quill
