#include "controls/DialogRows.h"

#include "controls/FontScale.h"

#include <QHBoxLayout>
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
