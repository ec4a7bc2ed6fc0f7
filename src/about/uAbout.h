#pragma once
// TfAbout: the about box. A small fixed dialog, 340 × 175, with a burning fire across
// its top seen through the program's name, the version, a credits line, a contact
// line and a Close button. The application creates it once and shows it modally
// (exec()). The fire burns only while the box is shown and starts cold at every
// showing, whatever closed it before.

#include <QDialog>

class QLabel;
class QPushButton;
class TFire;

class TfAbout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfAbout)

public:
    explicit TfAbout(QWidget* parent = nullptr);
    ~TfAbout() override;

    TFire* Fire{nullptr};
    QLabel* LabelVersion{nullptr};
    QLabel* LabelCredits{nullptr};
    QLabel* LabelEMail{nullptr};
    QPushButton* ButtonClose{nullptr}; // default and cancel button: Enter and Esc press it

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormShow();
    void FormClose();
    QLabel* AddLabel(const QString& text, int top, int height);

    bool m_shownBefore{false};
};
