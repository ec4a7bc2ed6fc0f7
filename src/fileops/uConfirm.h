#pragma once
// The shared yes/no dialog: a notice line and a question line on red bands, with the
// buttons "Yes" (result 1, Enter) and "No" (result 2, Escape or closing the window).
// With "Yes" hidden and "No" captioned "Close" it serves as a plain notice.
//
// One instance, fConfirm, lives for the whole run; callers fill its labels, show it
// modally with exec() and read the result. What a caller changes stays changed for the
// next caller unless it restores it; the helpers below follow the three fixed ways of
// use and restore what they change. User-interface thread only.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

class TfConfirm final : public QDialog
{
    Q_OBJECT
public:
    // Modal results as exec() returns them.
    enum : int { mrYes = 1, mrNo = 2 };

    explicit TfConfirm(QWidget* parent = nullptr);

    // Closing the window or pressing Escape gives mrNo.
    void reject() override;
    // Each showing first fits the dialog to its texts: it widens for a long line (up to
    // the screen's width), and a text still too wide wraps, at word boundaries where it
    // can and anywhere in a long name, onto as many lines as it needs.
    void setVisible(bool visible) override;

    // Controls, owned by the dialog.
    QWidget* PanelNotice{nullptr};
    QWidget* PanelConfirm{nullptr};
    QLabel* LabelNotice{nullptr};
    QLabel* LabelConfirm{nullptr};
    QPushButton* ButtonCancel{nullptr};
    QPushButton* ButtonAccept{nullptr};

private:
    void FitToText();

protected:
    // Each showing starts with the focus on the first visible button, so Enter answers
    // "Yes" whatever the previous caller focused.
    void showEvent(QShowEvent* event) override;
};

// The shared instance. The application creates it at start-up; the helpers create it
// on first use when nobody has.
extern TfConfirm* fConfirm;

// The helpers show names in their texts as platform::DisplayName does.
// Question: sets both labels, shows fConfirm modally; true only for "Yes" (or Enter).
bool AskConfirmation(const QString& notice, const QString& confirm);

// Notice: hides "Yes", captions the other button "Close", sets both labels, shows
// fConfirm modally, then restores "No" and shows "Yes" again.
void ShowNotice(const QString& notice, const QString& confirm);
