#pragma once
// TDisplay: a one-character read-out drawn like an instrument panel, as a pattern of lit
// and unlit elements: seven segments, sixteen segments, a 5 x 7 grid of square dots or of
// round bulbs. Unlit elements are drawn too, in their own colours.
//
// Character codes 0 to 127 have patterns; codes 128 to 255 show a dash in every style.
// Setting a property to the value it has does nothing; a new value repaints the control
// (segment width, margin and style recompute the geometry first). A change of size is
// noticed at the next paint. Each paint is built off screen and copied in one operation.

#include <QColor>
#include <QPoint>
#include <QWidget>
#include <array>

enum TDigitStyle { ds7Seg = 0, ds16Seg = 1, ds5x7Dot = 2, ds5x7Bulb = 3 };

class TDisplay final : public QWidget
{
public:
    explicit TDisplay(QWidget* parent = nullptr);

    char Digit() const { return m_digit; }
    void SetDigit(char value);
    QColor OnColor() const { return m_onColor; }
    void SetOnColor(const QColor& value);
    QColor OffColor() const { return m_offColor; }
    void SetOffColor(const QColor& value);
    QColor BackColor() const { return m_backColor; }
    void SetBackColor(const QColor& value);
    QColor PenOnColor() const { return m_penOnColor; }
    void SetPenOnColor(const QColor& value);
    QColor PenOffColor() const { return m_penOffColor; }
    void SetPenOffColor(const QColor& value);
    int SegWidth() const { return m_segWidth; }
    void SetSegWidth(int value);
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    TDigitStyle DigitStyle() const { return m_digitStyle; }
    void SetDigitStyle(TDigitStyle value);

    // Elements of a style: 7, 16 or 35 (row by row, index 5 x row + column).
    static int ElementCount(TDigitStyle style);
    // Whether `element` of `style` is lit for character `code`.
    static bool IsLit(TDigitStyle style, unsigned char code, int element);

    // The geometry as last computed (in the coordinates of the control's full size).
    int HalfSeg() const { return m_halfSeg; }
    int SegLength() const { return m_segLength; }
    int SegHeight() const { return m_segHeight; }
    QPoint Point(int index) const { return m_points[size_t(index)]; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void CalcPoints();
    void CalcSeg7();
    void CalcSeg16();
    void CalcDots();
    void DrawDigit(QPainter& painter) const;
    void DrawSegment(QPainter& painter, int element) const;
    void SetColor(QColor& field, const QColor& value);
    void SetGeometryValue(int& field, int value);

    char m_digit = 0;
    QColor m_onColor{255, 0, 0};
    QColor m_offColor{128, 128, 128};
    QColor m_backColor{0, 0, 0};
    QColor m_penOnColor{128, 128, 128};
    QColor m_penOffColor{128, 128, 128};
    int m_segWidth = 15;
    int m_margin = 10;
    TDigitStyle m_digitStyle = ds7Seg;

    std::array<QPoint, 35> m_points{};
    int m_halfSeg = 0;
    int m_segLength = 0;
    int m_segHeight = 0;
    int m_lastWidth = 0;
    int m_lastHeight = 0;
};
