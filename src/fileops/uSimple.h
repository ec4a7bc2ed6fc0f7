#pragma once
// The shared input dialog: a block of instructions, one labelled edit field and the
// buttons "Accept" (result 1, Enter) and "Cancel" (result 2, Escape or closing).
//
// One instance, fSimple, lives for the whole run; callers fill the memo, the caption and
// the edit field, show it modally with exec() and read the edit field on result 1. The
// dialog neither trims nor checks the text. User-interface thread only.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfSimple final : public QDialog
{
    Q_OBJECT
public:
    enum : int { mrAccept = 1, mrCancel = 2 };

    explicit TfSimple(QWidget* parent = nullptr);

    // Closing the window or pressing Escape gives mrCancel.
    void reject() override;
    // Each showing first fits the dialog to its instructions: wider for a long text (up
    // to two thirds of the screen's width) and the memo as tall as its wrapped lines.
    void setVisible(bool visible) override;

    // Controls, owned by the dialog. Memo is disabled: it only shows the instructions.
    QPlainTextEdit* Memo{nullptr};
    QLabel* LabelCaption{nullptr};
    QLineEdit* Edit{nullptr};
    QPushButton* ButtonCancel{nullptr};
    QPushButton* ButtonAccept{nullptr};

private:
    void FitToText();

protected:
    // Each showing starts in the edit field with its text selected.
    void showEvent(QShowEvent* event) override;
};

// The shared instance. The application creates it at start-up; AskInput creates it on
// first use when nobody has.
extern TfSimple* fSimple;

// Input: the memo gets the one line `instructions` (names in it shown as
// platform::DisplayName shows them), the caption `caption` and the edit
// field `value`; shows fSimple modally. On "Accept" (or Enter) `value` receives the edit
// field's whole text, untrimmed (possibly empty), and the result is true; otherwise
// `value` is left alone and the result is false.
bool AskInput(const QString& instructions, const QString& caption, QString& value);
