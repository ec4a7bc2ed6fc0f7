#include "main/uProperties.h"

#include "controls/FontScale.h"
#include "main/ShippedCategories.h"
#include "platform/Messages.h"
#include "platform/ProfileString.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QTextCursor>
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
    CheckBoxAskTarget =
        new QCheckBox(QStringLiteral("Ask for the target before copying or moving"), TabOptions);
    CheckBoxAskTarget->move(fontscale::Scaled(10), fontscale::Scaled(35));
    CheckBoxAskTarget->adjustSize();
    Page->addTab(TabOptions, QStringLiteral("Options"));
    BuildProgramsPage();
    connect(Page, &QTabWidget::currentChanged, this, &TfProperties::PageChanged);
}

void TfProperties::BuildProgramsPage()
{
    TabPrograms = new QWidget();
    ComboCategory = new QComboBox(TabPrograms);
    for (int i = 0; i < kExtensionCategoryCount; ++i)
        ComboCategory->addItem(TExtensionCategories::KeyName(TExtensionCategory(i)));
    EditViewer = new QLineEdit(TabPrograms);
    EditEditor = new QLineEdit(TabPrograms);
    EditViewer->setPlaceholderText(QStringLiteral("built-in"));
    EditEditor->setPlaceholderText(QStringLiteral("built-in"));
    auto* hint = new QLabel(QStringLiteral("Command lines run by F3 and F4 for the category; "
                                           "%f is the file's path (added at the end without it)."),
                            TabPrograms);
    hint->setWordWrap(true);
    auto* form = new QFormLayout(TabPrograms);
    form->addRow(QStringLiteral("&Category:"), ComboCategory);
    form->addRow(QStringLiteral("F3 &viewer:"), EditViewer);
    form->addRow(QStringLiteral("F4 &editor:"), EditEditor);
    form->addRow(hint);
    Page->addTab(TabPrograms, QStringLiteral("Programs"));
    connect(ComboCategory, &QComboBox::currentIndexChanged, this, &TfProperties::ShowCategory);
    const auto keep = [this](TExternalRole role) {
        return [this, role](const QString& text) {
            m_programs.SetCommand(TExtensionCategory(ComboCategory->currentIndex()), role, text);
        };
    };
    connect(EditViewer, &QLineEdit::textEdited, this, keep(TExternalRole::Viewer));
    connect(EditEditor, &QLineEdit::textEdited, this, keep(TExternalRole::Editor));
}

void TfProperties::ShowCategory(int index)
{
    if (index < 0)
        return;
    EditViewer->setText(m_programs.Command(TExtensionCategory(index), TExternalRole::Viewer));
    EditEditor->setText(m_programs.Command(TExtensionCategory(index), TExternalRole::Editor));
}

void TfProperties::ReadProgramsFromMemo()
{
    m_programs = {};
    m_programs.Read(platform::TProfileFile(Memo->toPlainText().toUtf8()));
    ShowCategory(ComboCategory->currentIndex());
}

void TfProperties::WriteProgramsIntoMemo()
{
    const QString text = Memo->toPlainText();
    const QString changed = WithExternalPrograms(text, m_programs);
    if (changed == text)
        return;
    // An edit of the memo, so that Undo takes it back.
    QTextCursor cursor(Memo->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(changed);
}

void TfProperties::PageChanged(int index)
{
    if (Page->widget(m_page) == TabPrograms)
        WriteProgramsIntoMemo();
    if (Page->widget(index) == TabPrograms)
        ReadProgramsFromMemo();
    m_page = index;
}

void TfProperties::BuildButtons()
{
    PanelButtons = new QWidget(this);
    const int buttonsHeight = fontscale::Scaled(kButtonPanelHeight);
    PanelButtons->setGeometry(0, height() - buttonsHeight, width(), buttonsHeight);
    ButtonAccept = new QPushButton(QStringLiteral("Accept"), PanelButtons);
    ButtonAccept->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), PanelButtons);
    ButtonDefaults = new QPushButton(QStringLiteral("&Defaults"), PanelButtons);
    ButtonDefaults->setAutoDefault(false);
    ButtonDefaults->setToolTip(
        QStringLiteral("Put the shipped extension categories into the text (saved on Accept)"));
    auto* row = new QHBoxLayout(PanelButtons);
    const int margin = fontscale::Scaled(5);
    row->setContentsMargins(margin, margin, margin, margin);
    row->addWidget(ButtonDefaults);
    row->addStretch();
    row->addWidget(ButtonAccept);
    row->addWidget(ButtonCancel);
    connect(ButtonAccept, &QPushButton::clicked, this, &TfProperties::ButtonAcceptClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonDefaults, &QPushButton::clicked, this, &TfProperties::ButtonDefaultsClick);
}

void TfProperties::ButtonDefaultsClick()
{
    const QString text = WithShippedCategories(Memo->toPlainText(), ShippedConfiguration());
    // An edit of the memo, so that Undo takes it back; nothing is saved before Accept.
    QTextCursor cursor(Memo->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    Page->setCurrentWidget(TabExtensions);
    Memo->setFocus();
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
    CheckBoxAskTarget->setChecked(!AskTarget || *AskTarget);
    m_page = Page->indexOf(TabExtensions); // the text just read wins over the fields
    Page->setCurrentWidget(TabExtensions);
}

bool TfProperties::SaveMemo(const QString& path, QString& why)
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
    if ((!m_shownFromFile || path != ConfigPath) && QFile::exists(path)) {
        why = QStringLiteral("it exists and its text was not the one shown");
        return false;
    }
    if (path.isEmpty()) {
        why = QStringLiteral("no file name");
        return false;
    }
    if (path != ConfigPath)
        QDir().mkpath(QFileInfo(path).path()); // the user's folder may not exist yet
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    why = file.errorString();
    file.cancelWriting();
    return false;
}

void TfProperties::ButtonAcceptClick()
{
    if (Page->currentWidget() == TabPrograms)
        WriteProgramsIntoMemo();
    QString why;
    if (!SaveMemo(ConfigPath, why)) {
        QString message = QStringLiteral("Ne peut créer le fichier %1 (%2).").arg(ConfigPath, why);
        if (FallbackPath.isEmpty() || FallbackPath == ConfigPath || !SaveMemo(FallbackPath, why)) {
            if (!FallbackPath.isEmpty() && FallbackPath != ConfigPath)
                message +=
                    QStringLiteral("\nNe peut créer le fichier %1 (%2).").arg(FallbackPath, why);
            platform::ShowMessage(message +
                                  QStringLiteral("\nNothing was saved; the text stays here."));
            return; // the dialog stays open, so nothing typed is lost
        }
        platform::ShowMessage(message + QStringLiteral("\nThe text was saved to %1, which is read "
                                                       "first from now on.")
                                            .arg(FallbackPath));
        ConfigPath = FallbackPath;
    }
    if (OnReadConfiguration)
        OnReadConfiguration();
    if (UseRecycleBin)
        *UseRecycleBin = CheckBoxBin->isChecked();
    if (AskTarget)
        *AskTarget = CheckBoxAskTarget->isChecked();
    done(QDialog::Accepted);
}
