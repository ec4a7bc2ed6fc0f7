#include "about/AboutMask.h"

#include <QList>
#include <algorithm>
#include <array>

namespace
{

constexpr int GlyphColumns = 5;
constexpr int GlyphRows = 7;
constexpr int CellWidth = 6;  // pixels per glyph column
constexpr int CellHeight = 5; // pixels per glyph row
constexpr int Gap = 8;        // pixels between letters
constexpr int WhiteIndex = 15;

using TGlyph = std::array<const char*, GlyphRows>;

// "TRAVODEX" in a 5 × 7 block font of our own.
constexpr std::array<TGlyph, 8> Lettering{{
    {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},
    {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},
    {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
    {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."},
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},
    {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"},
}};

QList<QRgb> SixteenColours()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

void FillCell(QImage& picture, int left, int top)
{
    for (int y = std::max(top, 0); y < std::min(top + CellHeight, picture.height()); ++y) {
        uchar* line = picture.scanLine(y);
        for (int x = std::max(left, 0); x < std::min(left + CellWidth, picture.width()); ++x)
            line[x] = WhiteIndex;
    }
}

} // namespace

QImage MakeAboutMask(int width, int height)
{
    QImage picture(width, height, QImage::Format_Indexed8);
    if (picture.isNull())
        return picture;
    picture.setColorTable(SixteenColours());
    picture.fill(0);
    const int letters = int(Lettering.size());
    const int textWidth = letters * GlyphColumns * CellWidth + (letters - 1) * Gap;
    const int textHeight = GlyphRows * CellHeight;
    const int left = (width - textWidth) / 2;
    // Low in the picture, where the flames are hottest; two rows above the bottom.
    const int top = height - textHeight - 2;
    for (int n = 0; n < letters; ++n) {
        const int glyphLeft = left + n * (GlyphColumns * CellWidth + Gap);
        for (int row = 0; row < GlyphRows; ++row) {
            for (int column = 0; column < GlyphColumns; ++column) {
                if (Lettering[size_t(n)][size_t(row)][column] == '#')
                    FillCell(picture, glyphLeft + column * CellWidth, top + row * CellHeight);
            }
        }
    }
    return picture;
}
