#include "fileops/uCopyTarget.h"

#include "controls/DialogRows.h"
#include "controls/FontScale.h"
#include "fileops/uConfirm.h"
#include "platform/FileNames.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace
{

TfCopyTarget* fCopyTarget = nullptr;

} // namespace

TfCopyTarget::TfCopyTarget(QWidget* parent) : QDialog(parent)
{
    using fontscale::Scaled;
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    LabelWhat = new QLabel(this);
    LabelWhat->setTextFormat(Qt::PlainText);
    LabelWhat->setWordWrap(true);
    Edit = new QLineEdit(this);
    LabelWhat->setBuddy(Edit);
    LabelWhy = WhyLabel(this);
    auto* buttons = AcceptCancelRow(this, QStringLiteral("OK"), ButtonAccept, ButtonCancel);
    auto* column = DialogColumn(this);
    column->addWidget(LabelWhat);
    column->addWidget(Edit);
    column->addWidget(LabelWhy);
    column->addStretch();
    column->addLayout(buttons);
    setTabOrder(Edit, ButtonAccept);
    setTabOrder(ButtonAccept, ButtonCancel);
    connect(ButtonAccept, &QPushButton::clicked, this, &TfCopyTarget::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &TfCopyTarget::reject);
    // A new text is a new try: the reason given for the last one goes.
    connect(Edit, &QLineEdit::textEdited, LabelWhy, &QWidget::hide);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const int most = screen ? screen->availableGeometry().width() * 9 / 10 : Scaled(520);
    setFixedWidth(std::min(Scaled(520), most));
}

void TfCopyTarget::accept()
{
    const QString why = OnAccept ? OnAccept(Edit->text()) : QString();
    if (why.isEmpty()) {
        QDialog::accept();
        return;
    }
    LabelWhy->setText(why);
    LabelWhy->show();
    Edit->setFocus(Qt::OtherFocusReason);
}

void TfCopyTarget::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Edit->setFocus(Qt::ActiveWindowFocusReason);
    if (Selected < 0)
        Edit->selectAll();
    else
        Edit->setSelection(0, std::min<int>(Selected, int(Edit->text().size())));
}

bool AskCopyTarget(const TCopyQuestion& question, TCopyAnswer& answer)
{
    if (!fCopyTarget)
        fCopyTarget = new TfCopyTarget();
    TfCopyTarget& dialog = *fCopyTarget;
    dialog.setWindowTitle(question.Title);
    dialog.LabelWhat->setText(question.What);
    const QString shown = platform::DisplayName(question.Target);
    dialog.Edit->setText(shown);
    dialog.Selected = question.Selected;
    dialog.LabelWhy->hide();
    dialog.adjustSize();
    TCopyAnswer taken;
    dialog.OnAccept = [&](const QString& typed) -> QString {
        if (typed == shown) {
            taken = {true, {}};
            return {};
        }
        TCopyTarget target = ResolveCopyTarget(UnshownText(question.Target, typed), question.Base,
                                               QDir::homePath(), question.MayRename);
        if (target.Kind == TCopyTarget::Invalid)
            return target.Why;
        if (target.Create) {
            const QString folder = platform::DisplayName(target.Folder);
            if (!AskConfirmation(QStringLiteral("The folder %1 does not exist.").arg(folder),
                                 QStringLiteral("Create folder %1 ?").arg(folder)))
                return QStringLiteral("The folder %1 does not exist.").arg(folder);
            if (const QString why = MakeTargetFolder(target.Folder); !why.isEmpty())
                return QStringLiteral("The folder %1 cannot be created: %2.").arg(folder, why);
            target.Create = false;
        }
        taken = {false, target};
        return {};
    };
    // The window the keys went to takes them again once the dialog is closed, also where
    // no window manager hands the focus back.
    const QPointer<QWidget> before = QApplication::activeWindow();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    dialog.OnAccept = nullptr;
    if (before)
        before->activateWindow();
    if (accepted)
        answer = taken;
    return accepted;
}
