#pragma once
// Layout sizes in pixels are given for the design font, 11 pixels high at 96 DPI. Each
// window scales them by the desktop font's pixel height / 11 when it is built, as forms
// made for one system font did, so text keeps its room; with an 11-pixel font they hold
// exactly. Reads the application font on every call; user-interface thread only.

#include <QRect>
#include <QSize>

namespace fontscale
{

inline constexpr int DesignFontHeight = 11;

// The desktop font's pixel height / DesignFontHeight.
double Ratio();

// A design size in pixels, scaled and rounded to whole pixels.
int Scaled(int designPixels);
QSize Scaled(const QSize& design);
QRect Scaled(const QRect& design);

} // namespace fontscale
