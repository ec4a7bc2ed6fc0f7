#include "remote/uConnectServer.h"

#include "controls/FontScale.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

using remote::TRemoteUri;

TfConnectServer::TfConnectServer(const QString& settingsPath, QWidget* parent)
    : QDialog(parent), m_recent(settingsPath)
{
    using fontscale::Scaled;
    setWindowTitle(QStringLiteral("Connect to server"));
    LabelUri = new QLabel(QStringLiteral("Server &address:"), this);
    EditUri = new QLineEdit(this);
    EditUri->setPlaceholderText(QStringLiteral("sftp://user@host/folder"));
    LabelUri->setBuddy(EditUri);
    LabelWhy = new QLabel(this);
    LabelWhy->setTextFormat(Qt::PlainText);
    LabelWhy->setWordWrap(true);
    QPalette red = LabelWhy->palette();
    red.setColor(QPalette::WindowText, QColor(190, 0, 0));
    LabelWhy->setPalette(red);
    LabelWhy->hide();
    LabelRecent = new QLabel(QStringLiteral("&Recent servers:"), this);
    ListRecent = new QListWidget(this);
    LabelRecent->setBuddy(ListRecent);
    auto* drop = new QAction(ListRecent);
    drop->setShortcut(Qt::Key_Delete);
    drop->setShortcutContext(Qt::WidgetShortcut);
    ListRecent->addAction(drop);
    ButtonAccept = new QPushButton(QStringLiteral("OK"), this);
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
    column->addWidget(LabelUri);
    column->addWidget(EditUri);
    column->addWidget(LabelWhy);
    column->addSpacing(Scaled(6));
    column->addWidget(LabelRecent);
    column->addWidget(ListRecent);
    column->addLayout(buttons);
    setTabOrder(EditUri, ListRecent);
    setTabOrder(ListRecent, ButtonAccept);
    setTabOrder(ButtonAccept, ButtonCancel);
    setFixedWidth(Scaled(420));
    ListRecent->setFixedHeight(Scaled(120));

    connect(EditUri, &QLineEdit::textChanged, this, &TfConnectServer::TextChanged);
    connect(ListRecent, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            EditUri->setText(ListRecent->item(row)->text());
    });
    connect(ListRecent, &QListWidget::itemDoubleClicked, this, &TfConnectServer::accept);
    connect(drop, &QAction::triggered, this, &TfConnectServer::RemoveRecent);
    connect(ButtonAccept, &QPushButton::clicked, this, &TfConnectServer::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &TfConnectServer::reject);

    m_recent.Load();
    FillRecent();
    TextChanged(QString());
}

void TfConnectServer::TextChanged(const QString& text)
{
    m_uri = TRemoteUri::Parse(text);
    ButtonAccept->setEnabled(m_uri.IsValid());
    QString why;
    if (!m_uri.IsValid() && !text.trimmed().isEmpty())
        why = m_uri.Error();
    else if (m_uri.HadPassword())
        why = QStringLiteral("The password typed in the address is not kept: the server will "
                             "ask for it.");
    LabelWhy->setText(why);
    LabelWhy->setVisible(!why.isEmpty());
}

void TfConnectServer::FillRecent()
{
    const QSignalBlocker quiet(ListRecent);
    ListRecent->clear();
    for (const QString& address : m_recent.Addresses())
        ListRecent->addItem(TRemoteUri::Parse(address).DisplayForm());
    ListRecent->setCurrentRow(-1);
}

void TfConnectServer::RemoveRecent()
{
    const int row = ListRecent->currentRow();
    if (row < 0)
        return;
    m_recent.Remove(row);
    FillRecent();
}

void TfConnectServer::accept()
{
    if (!m_uri.IsValid())
        return;
    // A list that cannot be written costs only the convenience: the connection goes on.
    m_recent.Add(m_uri);
    QDialog::accept();
}

void TfConnectServer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    EditUri->setFocus(Qt::ActiveWindowFocusReason);
    EditUri->selectAll();
}

bool AskConnectServer(QWidget* parent, const QString& settingsPath, remote::TRemoteUri& chosen)
{
    TfConnectServer dialog(settingsPath, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    chosen = dialog.Chosen();
    return true;
}
