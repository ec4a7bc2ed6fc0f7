#pragma once
// TfFileDiff: the non-modal window that shows how two texts differ: one line per
// difference and its context, with both line numbers, removed lines on red ("-") and
// added ones on green ("+"); hunks are separated by a line of their own. Widgets only.

#include "checks/FileCompare.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;

class TfFileDiff final : public QDialog
{
    Q_OBJECT
public:
    // Deletes itself when closed.
    TfFileDiff(QWidget* parent, const QString& a, const QString& b, const TLineDiff& diff);

    QLabel* Heading{nullptr};
    QPlainTextEdit* Text{nullptr};
};
