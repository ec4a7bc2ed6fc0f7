#pragma once
// A question of a remote server with fixed choices, such as a host key not seen before:
// the message in a fixed-pitch font (fingerprints line up and read unambiguously), as
// text that can be selected and copied by mouse or keys, as wide as its longest line within
// two thirds of the screen and wrapped at blanks beyond that, and one button per
// choice in the server's order. No choice is the default: Enter answers only on a button the user
// moved to. Escape or closing cancel. User-interface thread only.

#include "platform/RemoteQuestions.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

class TfRemoteQuestion final : public QDialog
{
    Q_OBJECT
public:
    explicit TfRemoteQuestion(const platform::TMountQuestion& question, QWidget* parent = nullptr);

    // The index of the choice clicked, or -1 when none was.
    int Choice() const { return m_choice; }

    // Controls, owned by the dialog.
    QLabel* Message{nullptr};
    QList<QPushButton*> Buttons;

protected:
    // Enter answers only on a choice's button.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int m_choice{-1};
};

// Shows the dialog modally over `parent`; the index of the choice taken, or -1.
int AskRemoteQuestion(QWidget* parent, const platform::TMountQuestion& question);
