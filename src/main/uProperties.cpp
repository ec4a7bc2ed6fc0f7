#include "main/uProperties.h"

#include "controls/FontScale.h"
#include "platform/Messages.h"
#include "platform/ProfileString.h"

#include <algorithm>

#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

TfProperties* fProperties = nullptr;

namespace
{

constexpr int kButtonPanelHeight = 35;

} // namespace

TfProperties::TfProperties(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Properties"));
    setFixedSize(fontscale::Scaled(QSize(400, 250)));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    BuildPages();
    BuildButtons();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfProperties::BuildPages()
{
    Page = new QTabWidget(this);
    Page->setGeometry(0, 0, width(), height() - fontscale::Scaled(kButtonPanelHeight));

    TabExtensions = new QWidget();
    Memo = new QPlainTextEdit(QStringLiteral("Memo"), TabExtensions);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(13);
    Memo->setFont(mono);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* extensionsLayout = new QVBoxLayout(TabExtensions);
    extensionsLayout->setContentsMargins(0, 0, 0, 0);
    extensionsLayout->addWidget(Memo);
    Page->addTab(TabExtensions, QStringLiteral("Extensions"));

    TabOptions = new QWidget();
    CheckBoxBin = new QCheckBox(QStringLiteral("Use bin for files deletion"), TabOptions);
    CheckBoxBin->move(fontscale::Scaled(10), fontscale::Scaled(10));
    CheckBoxBin->adjustSize();
    Page->addTab(TabOptions, QStringLiteral("Options"));
}

void TfProperties::BuildButtons()
{
    PanelButtons = new QWidget(this);
    const int buttonsHeight = fontscale::Scaled(kButtonPanelHeight);
    PanelButtons->setGeometry(0, height() - buttonsHeight, width(), buttonsHeight);
    ButtonAccept = new QPushButton(QStringLiteral("Accept"), PanelButtons);
    ButtonAccept->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), PanelButtons);
    auto* row = new QHBoxLayout(PanelButtons);
    const int margin = fontscale::Scaled(5);
    row->setContentsMargins(margin, margin, margin, margin);
    row->addStretch();
    row->addWidget(ButtonAccept);
    row->addWidget(ButtonCancel);
    connect(ButtonAccept, &QPushButton::clicked, this, &TfProperties::ButtonAcceptClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfProperties::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfProperties::FormShow()
{
    QFile file(ConfigPath);
    m_shownFromFile = false;
    if (ConfigPath.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        platform::ShowMessage(QStringLiteral("Ne peut ouvrir le fichier %1").arg(ConfigPath));
        return;
    }
    QString text = platform::DecodeText(file.readAll(), &m_fileWasUtf8);
    // The memo holds lines; the line break that ends the last one is not a line of its own.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    Memo->setPlainText(text);
    m_shownFromFile = true;
    CheckBoxBin->setChecked(UseRecycleBin && *UseRecycleBin);
    Page->setCurrentWidget(TabExtensions);
}

bool TfProperties::SaveMemo()
{
    QString text = Memo->toPlainText();
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    // A file read as Latin-1 stays Latin-1 unless the new text needs more than it holds.
    const bool latin1 = !m_fileWasUtf8 && std::all_of(text.cbegin(), text.cend(),
                                                      [](QChar c) { return c.unicode() < 256; });
    const QByteArray bytes = latin1 ? text.toLatin1() : text.toUtf8();
    // A file that exists although its text was never shown (unreadable at opening, or
    // created since) is not replaced by a memo that does not hold it.
    if (!m_shownFromFile && QFile::exists(ConfigPath))
        return false;
    QSaveFile file(ConfigPath);
    if (ConfigPath.isEmpty() || !file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void TfProperties::ButtonAcceptClick()
{
    if (!SaveMemo()) {
        platform::ShowMessage(QStringLiteral("Ne peut créer le fichier %1").arg(ConfigPath));
        done(QDialog::Rejected);
        return;
    }
    if (OnReadConfiguration)
        OnReadConfiguration();
    if (UseRecycleBin)
        *UseRecycleBin = CheckBoxBin->isChecked();
    done(QDialog::Accepted);
}
