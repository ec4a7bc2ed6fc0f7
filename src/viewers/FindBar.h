#pragma once
// TFindBar: the editor's find and replace bar, shown under the text. The first row holds
// the text to find, Next, Previous, "Match case", "Whole words" and a close button; the
// second row, shown only for replacing, the replacement, Replace and Replace all. Enter
// in the find field finds the next match, Shift+Enter the previous one, Enter in the
// replacement field replaces; Escape hides the bar (and is not passed on to the window).
// The bar only asks: the editor does the finding. User-interface thread only.

#include "viewers/TextSearch.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

class TFindBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFindBar)
public:
    explicit TFindBar(QWidget* parent = nullptr);

    // Shows the bar, with the replacement row when `replacing`, and puts the focus into the
    // find field with its text selected; `text`, when not empty, becomes the text to find.
    void Start(bool replacing, const QString& text);
    QString FindText() const;
    QString ReplaceText() const;
    viewers::TSearchOptions Options() const;
    bool Replacing() const;

    // Components, owned by the bar.
    QLineEdit* FindEdit{nullptr};
    QLineEdit* ReplaceEdit{nullptr};
    QCheckBox* CheckMatchCase{nullptr};
    QCheckBox* CheckWholeWords{nullptr};
    QPushButton* ButtonNext{nullptr};
    QPushButton* ButtonPrevious{nullptr};
    QPushButton* ButtonReplace{nullptr};
    QPushButton* ButtonReplaceAll{nullptr};
    QToolButton* ButtonClose{nullptr};

signals:
    void FindNext();
    void FindPrevious();
    void Replace();
    void ReplaceAll();
    void Closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Close();

    QWidget* m_replaceRow{nullptr};
};
