#include "remote/uRemoteLogin.h"

#include "controls/FontScale.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

using platform::TLoginAnswer;
using platform::TLoginRequest;
using platform::TPasswordKeep;

TfRemoteLogin::TfRemoteLogin(const TLoginRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request)
{
    using fontscale::Scaled;
    setWindowTitle(QStringLiteral("Log in to server"));
    LabelMessage = new QLabel(request.Message, this);
    LabelMessage->setTextFormat(Qt::PlainText);
    LabelMessage->setWordWrap(true);
    LabelMessage->setVisible(!request.Message.isEmpty());
    CheckAnonymous = new QCheckBox(QStringLiteral("Connect &anonymously"), this);
    CheckAnonymous->setVisible(request.AnonymousAllowed);

    LabelUser = new QLabel(QStringLiteral("&User name:"), this);
    EditUser = new QLineEdit(request.DefaultUser, this);
    LabelUser->setBuddy(EditUser);
    LabelDomain = new QLabel(QStringLiteral("&Domain:"), this);
    EditDomain = new QLineEdit(request.DefaultDomain, this);
    LabelDomain->setBuddy(EditDomain);
    LabelPassword = new QLabel(QStringLiteral("&Password:"), this);
    EditPassword = new QLineEdit(this);
    EditPassword->setEchoMode(QLineEdit::Password);
    LabelPassword->setBuddy(EditPassword);
    auto* fields = new QFormLayout;
    fields->addRow(LabelUser, EditUser);
    fields->addRow(LabelDomain, EditDomain);
    fields->addRow(LabelPassword, EditPassword);
    fields->setRowVisible(EditUser, request.NeedUser);
    fields->setRowVisible(EditDomain, request.NeedDomain);
    fields->setRowVisible(EditPassword, request.NeedPassword);

    RadioForget = new QRadioButton(QStringLiteral("Forget password &immediately"), this);
    RadioSession = new QRadioButton(QStringLiteral("&Remember password until you log out"), this);
    RadioAlways = new QRadioButton(QStringLiteral("Remember &forever"), this);
    auto* keep = new QButtonGroup(this);
    for (QRadioButton* radio : {RadioForget, RadioSession, RadioAlways}) {
        keep->addButton(radio);
        radio->setVisible(request.CanKeep && request.NeedPassword);
    }
    RadioForget->setChecked(true);

    ButtonAccept = new QPushButton(QStringLiteral("Co&nnect"), this);
    ButtonAccept->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonAccept);
    buttons->addWidget(ButtonCancel);

    auto* column = new QVBoxLayout(this);
    const int margin = Scaled(10);
    column->setContentsMargins(margin, margin, margin, margin);
    column->addWidget(LabelMessage);
    column->addWidget(CheckAnonymous);
    column->addLayout(fields);
    column->addWidget(RadioForget);
    column->addWidget(RadioSession);
    column->addWidget(RadioAlways);
    column->addStretch();
    column->addLayout(buttons);
    setFixedWidth(Scaled(380));

    connect(CheckAnonymous, &QCheckBox::toggled, this, &TfRemoteLogin::Update);
    connect(EditUser, &QLineEdit::textChanged, this, &TfRemoteLogin::Update);
    connect(ButtonAccept, &QPushButton::clicked, this, &TfRemoteLogin::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &TfRemoteLogin::reject);
    Update();
}

void TfRemoteLogin::Update()
{
    const bool named = !CheckAnonymous->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{LabelUser, EditUser, LabelDomain, EditDomain,
                                                      LabelPassword, EditPassword, RadioForget,
                                                      RadioSession, RadioAlways})
        w->setEnabled(named);
    // A server that asks for a user name cannot log in without one.
    ButtonAccept->setEnabled(!named || !m_request.NeedUser || !EditUser->text().isEmpty());
}

TLoginAnswer TfRemoteLogin::Answer() const
{
    TLoginAnswer answer;
    answer.Given = result() == QDialog::Accepted;
    answer.Anonymous = m_request.AnonymousAllowed && CheckAnonymous->isChecked();
    if (answer.Anonymous)
        return answer;
    answer.User = m_request.NeedUser ? EditUser->text() : m_request.DefaultUser;
    answer.Domain = m_request.NeedDomain ? EditDomain->text() : m_request.DefaultDomain;
    if (m_request.NeedPassword)
        answer.Password = EditPassword->text();
    // Without CanKeep the choices are hidden and "Forget" stays checked.
    answer.Keep = RadioAlways->isChecked()    ? TPasswordKeep::Always
                  : RadioSession->isChecked() ? TPasswordKeep::Session
                                              : TPasswordKeep::Forget;
    return answer;
}

void TfRemoteLogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The first field still to fill takes the keys.
    if (m_request.NeedUser && EditUser->text().isEmpty())
        EditUser->setFocus(Qt::ActiveWindowFocusReason);
    else if (m_request.NeedDomain && EditDomain->text().isEmpty())
        EditDomain->setFocus(Qt::ActiveWindowFocusReason);
    else if (m_request.NeedPassword)
        EditPassword->setFocus(Qt::ActiveWindowFocusReason);
    else
        ButtonAccept->setFocus(Qt::ActiveWindowFocusReason);
}

TLoginAnswer AskRemoteLogin(QWidget* parent, const TLoginRequest& request)
{
    TfRemoteLogin dialog(request, parent);
    dialog.exec();
    TLoginAnswer answer = dialog.Answer();
    // The password leaves the dialog only with an answer.
    dialog.EditPassword->clear();
    if (!answer.Given)
        return {};
    return answer;
}
