#pragma once
// A status line of four panels under a list, 60, 100, 150 and 50 pixels wide at the design
// font size and scaled with the desktop font; a panel widens to show its whole text.

#include <QWidget>
#include <array>

class QLabel;

class TStatusLine final : public QWidget
{
    Q_OBJECT

public:
    explicit TStatusLine(const QString& caption, QWidget* parent = nullptr);

    void SetText(int panel, const QString& text);
    QString Text(int panel) const;

private:
    std::array<QLabel*, 4> m_labels{};
    std::array<int, 4> m_widths{};
};
