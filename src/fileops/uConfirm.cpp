#include "fileops/uConfirm.h"

#include "controls/FontScale.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

TfConfirm* fConfirm = nullptr;

namespace
{

// A red band with a lowered bevel holding one bold white centred label. A label wider
// than its band is cut at the band's edges: the geometry is fixed, so nothing grows.
QLabel* MakeBand(QWidget* parent, const QRect& geometry, const QString& text, QWidget*& band)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    frame->setGeometry(fontscale::Scaled(geometry));
    frame->setAutoFillBackground(true);
    QPalette bandPalette = frame->palette();
    bandPalette.setColor(QPalette::Window, Qt::red);
    frame->setPalette(bandPalette);

    auto* label = new QLabel(text, frame);
    label->setGeometry(frame->contentsRect());
    label->setAlignment(Qt::AlignCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    QPalette labelPalette = label->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(labelPalette);
    band = frame;
    return label;
}

void CentreOnScreen(QWidget* w)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - w->rect().center());
}

} // namespace

TfConfirm::TfConfirm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Confirmation"));
    setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    using fontscale::Scaled;
    setFixedSize(Scaled(QSize(360, 95)));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    LabelNotice = MakeBand(this, QRect(0, 0, 360, 31), QStringLiteral("LabelNotice"), PanelNotice);
    LabelConfirm =
        MakeBand(this, QRect(0, 35, 360, 21), QStringLiteral("LabelConfirm"), PanelConfirm);

    ButtonAccept = new QPushButton(QStringLiteral("Yes"), this);
    ButtonAccept->setGeometry(Scaled(QRect(195, 65, 75, 25)));
    ButtonAccept->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("No"), this);
    ButtonCancel->setGeometry(Scaled(QRect(280, 65, 75, 25)));
    setTabOrder(ButtonAccept, ButtonCancel);

    connect(ButtonAccept, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { done(mrNo); });
    CentreOnScreen(this);
}

void TfConfirm::reject()
{
    done(mrNo);
}

void TfConfirm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QPushButton* first = ButtonAccept->isVisibleTo(this) ? ButtonAccept : ButtonCancel;
    first->setFocus(Qt::ActiveWindowFocusReason);
}

namespace
{

TfConfirm& Confirm()
{
    if (!fConfirm)
        fConfirm = new TfConfirm();
    return *fConfirm;
}

} // namespace

bool AskConfirmation(const QString& notice, const QString& confirm)
{
    TfConfirm& dialog = Confirm();
    dialog.LabelNotice->setText(notice);
    dialog.LabelConfirm->setText(confirm);
    return dialog.exec() == TfConfirm::mrYes;
}

void ShowNotice(const QString& notice, const QString& confirm)
{
    TfConfirm& dialog = Confirm();
    dialog.ButtonAccept->hide();
    dialog.ButtonCancel->setText(QStringLiteral("Close"));
    dialog.LabelNotice->setText(notice);
    dialog.LabelConfirm->setText(confirm);
    dialog.exec();
    dialog.ButtonCancel->setText(QStringLiteral("No"));
    dialog.ButtonAccept->show();
}
