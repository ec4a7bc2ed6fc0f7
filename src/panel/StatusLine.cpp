#include "panel/StatusLine.h"

#include "controls/FontScale.h"

#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

TStatusLine::TStatusLine(const QString& caption, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(2);
    const int widths[4] = {60, 100, 150, 50};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        m_widths[size_t(i)] = fontscale::Scaled(widths[i]);
        label->setAlignment(i < 3 ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter);
        if (i == 1 || i == 2)
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        layout->addWidget(label);
        m_labels[size_t(i)] = label;
    }
    layout->addStretch(1);
    SetText(0, caption);
    SetText(1, QStringLiteral("0 objects"));
    SetText(2, QStringLiteral("0 bytes"));
    SetText(3, QString());
}

void TStatusLine::SetText(int panel, const QString& text)
{
    if (panel < 0 || panel >= 4)
        return;
    QLabel* label = m_labels[size_t(panel)];
    label->setText(text);
    label->setFixedWidth(std::max(m_widths[size_t(panel)], label->sizeHint().width()));
}

QString TStatusLine::Text(int panel) const
{
    return panel >= 0 && panel < 4 ? m_labels[size_t(panel)]->text() : QString();
}
