#pragma once
// The line a panel's path is typed into: it takes the place of the path label while
// open. Enter hands the text on, Tab completes it, Escape or a click elsewhere closes it.
// Keys typed into it stay there: F8 or Delete edit the text, they delete no file.

#include <QLabel>
#include <QLineEdit>
#include <functional>

class TPathLine final : public QLineEdit
{
public:
    explicit TPathLine(QWidget* parent);

    // Called with the text on Enter; the line stays open until Close.
    std::function<void(const QString&)> OnAccept;
    // Gives the completed form of the text on Tab.
    std::function<QString(const QString&)> OnComplete;
    // Called once the line has closed by itself (Escape, focus gone elsewhere).
    std::function<void()> OnClosed;

    // Shows the line over `label` holding `path`, all of it selected, with the focus.
    void Open(QLabel* label, const QString& path);
    // Hides the line and shows the label again.
    void Close();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QLabel* m_label{nullptr};
};

// Calls `onClick` when `label` is clicked with the left button.
void OnLabelClick(QLabel* label, std::function<void()> onClick);
