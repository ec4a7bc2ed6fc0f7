#include "controls/DialogRows.h"

#include "controls/FontScale.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QHBoxLayout* AcceptCancelRow(QWidget* dialog, const QString& acceptText, QPushButton*& accept,
                             QPushButton*& cancel)
{
    accept = new QPushButton(acceptText, dialog);
    accept->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(accept);
    row->addWidget(cancel);
    return row;
}

QVBoxLayout* DialogColumn(QWidget* dialog)
{
    auto* column = new QVBoxLayout(dialog);
    const int margin = fontscale::Scaled(10);
    column->setContentsMargins(margin, margin, margin, margin);
    return column;
}

QLabel* WhyLabel(QWidget* dialog)
{
    auto* why = new QLabel(dialog);
    why->setTextFormat(Qt::PlainText);
    why->setWordWrap(true);
    QPalette red = why->palette();
    red.setColor(QPalette::WindowText, QColor(190, 0, 0));
    why->setPalette(red);
    why->hide();
    return why;
}
