#pragma once
// A status line of four fixed panels (60, 100, 150 and 50 pixels wide) under a list.

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
};
