#pragma once
// The copy dialog of F5, F6 and Shift+F6: a line that says what goes ("Copy 3 files and
// 1 folder to:"), the target in an editable line, the buttons "OK" (Enter) and "Cancel"
// (Escape or closing), and below the line, in red, why the target typed cannot be taken.
// It opens with the target line focused and its text selected (or the part asked for).
//
// One instance lives for the whole run, made at its first use. User-interface thread only.

#include "fileops/CopyTarget.h"

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TfCopyTarget final : public QDialog
{
    Q_OBJECT
public:
    explicit TfCopyTarget(QWidget* parent = nullptr);

    // OK and Enter: the text typed goes to OnAccept, which says why it cannot be taken
    // (the dialog stays, saying so) or returns nothing (the dialog closes, accepted).
    void accept() override;
    std::function<QString(const QString& typed)> OnAccept;

    // Controls, owned by the dialog.
    QLabel* LabelWhat{nullptr};
    QLineEdit* Edit{nullptr};
    QLabel* LabelWhy{nullptr};
    QPushButton* ButtonAccept{nullptr};
    QPushButton* ButtonCancel{nullptr};

    // How many characters from the start of the line are selected at showing (all: -1).
    int Selected{-1};

protected:
    void showEvent(QShowEvent* event) override;
};

// What the dialog asks.
struct TCopyQuestion {
    QString Title;    // "Copy", "Move", "Rename or move"
    QString What;     // "Copy \"a.txt\" to:"
    QString Target;   // the pre-filled target, as the system names it
    QString Base;     // the folder relative paths start from, ending in "/"
    bool MayRename{}; // one item of a folder, which may take a new name
    int Selected{-1}; // characters selected from the start of the shown target (-1: all)
};

// What the user chose.
struct TCopyAnswer {
    bool Unchanged{false}; // Enter on the target as it was pre-filled
    TCopyTarget Target;    // otherwise the target resolved; its folder exists now
};

// Shows the dialog; false when cancelled, with nothing done. A target typed that names a
// folder not there yet asks "Create folder ...?" and makes it on "Yes" before the dialog
// closes; "No" and a target that cannot be taken leave the dialog open, saying why.
bool AskCopyTarget(const TCopyQuestion& question, TCopyAnswer& answer);
