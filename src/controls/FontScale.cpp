#include "controls/FontScale.h"

#include <QApplication>
#include <QFontInfo>
#include <cmath>

namespace fontscale
{

double Ratio()
{
    return double(QFontInfo(QApplication::font()).pixelSize()) / DesignFontHeight;
}

int Scaled(int designPixels)
{
    return int(std::lround(designPixels * Ratio()));
}

QSize Scaled(const QSize& design)
{
    return {Scaled(design.width()), Scaled(design.height())};
}

QRect Scaled(const QRect& design)
{
    // Both edges are scaled, so that neighbouring controls stay apart.
    const int left = Scaled(design.left()), top = Scaled(design.top());
    return {left, top, Scaled(design.left() + design.width()) - left,
            Scaled(design.top() + design.height()) - top};
}

} // namespace fontscale
