#pragma once
// The parts every small dialog of the program lays out the same way.

#include <QString>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The row of the accept and Cancel buttons on the right: Enter presses the accept button
// (the default), never Cancel.
QHBoxLayout* AcceptCancelRow(QWidget* dialog, const QString& acceptText, QPushButton*& accept,
                             QPushButton*& cancel);

// The dialog's main column, with the usual margins.
QVBoxLayout* DialogColumn(QWidget* dialog);

// The hidden red line under a field that says why its text is refused.
QLabel* WhyLabel(QWidget* dialog);
