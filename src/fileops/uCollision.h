#pragma once
// The question a copy or move asks when an item's name is taken in the target folder:
// both entries with their sizes and dates, and what to do (FileOpsCollision.h).
//
// Buttons: Replace, Replace if newer, Skip, Rename (the name in the edit field, first the
// first free "NAME (N).EXT"), Cancel (also Escape and closing: the whole command stops).
// "Apply to all" makes the answer hold for the rest of the command. Replace and Replace
// if newer are off where the item meets itself or a file meets a folder.
//
// TCollisionAsker hands the copy engine a handler that its worker thread calls; each
// question is shown from the user-interface thread's event loop while the worker waits.

#include "platform/FileOpsProgress.h"
#include "transfer/FileOpsCollision.h"

#include <QDialog>
#include <memory>
#include <mutex>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfCollision final : public QDialog
{
    Q_OBJECT
public:
    enum TResult : int { mrReplace = 1, mrReplaceNewer, mrSkip, mrRename, mrCancel };

    TfCollision(const platform::TCollision& collision, QWidget* parent = nullptr);

    // Escape and closing: Cancel.
    void reject() override;

    QLabel* LabelExisting{nullptr};
    QLabel* LabelIncoming{nullptr};
    QLineEdit* EditName{nullptr};
    QCheckBox* CheckAll{nullptr};
    QPushButton* ButtonReplace{nullptr};
    QPushButton* ButtonNewer{nullptr};
    QPushButton* ButtonSkip{nullptr};
    QPushButton* ButtonRename{nullptr};
    QPushButton* ButtonCancel{nullptr};
};

// One answer of the question: the button, the name for Rename, and "Apply to all".
struct TCollisionReply {
    int Result{TfCollision::mrCancel};
    QString Name;
    bool All{false};
};

class TCollisionAsker final
{
public:
    // The handler for one command; `progress` is that command's record: a cancel of it
    // (the progress window, quitting) answers a waiting question with Cancel. Both must
    // outlive the command's work.
    platform::TCollisionAsk Handler(platform::TFileOpsProgress& progress);

private:
    // On the worker: the answer an "Apply to all" reply gives `collision`, if it applies.
    static std::optional<platform::TCollisionAnswer>
    Apply(const TCollisionReply& reply, const platform::TCollision& collision, bool remembered);
    platform::TCollisionAnswer Ask(const platform::TCollision& collision,
                                   platform::TFileOpsProgress& progress);

    std::mutex m_mutex;
    std::optional<TCollisionReply> m_all;
};

// Shows the question modally on the user-interface thread and returns the reply.
TCollisionReply AskCollision(const platform::TCollision& collision);
