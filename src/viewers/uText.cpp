#include "viewers/uText.h"

#include "fileops/uConfirm.h"
#include "platform/Messages.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTextDocument>

const QString TfText::NoName = QStringLiteral("No name");

namespace
{

QAction* AddEntry(QMenu* menu, const QString& text, const char* shortcut = nullptr)
{
    QAction* action = menu->addAction(text);
    if (shortcut)
        action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    return action;
}

} // namespace

TfText::TfText(QWidget* owner) : QMainWindow(owner, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Text editor"));
    Memo = new QPlainTextEdit(this);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->installEventFilter(this);
    setCentralWidget(Memo);
    connect(Memo, &QPlainTextEdit::textChanged, this, &TfText::MemoChange);
    BuildMenu();
    resize(600, 350 + menuBar()->sizeHint().height());
}

void TfText::BuildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    MenuFileNew = AddEntry(file, QStringLiteral("&New"), "Ctrl+N");
    MenuFileOpen = AddEntry(file, QStringLiteral("&Open..."), "Ctrl+O");
    MenuFileSave = AddEntry(file, QStringLiteral("&Save"), "Ctrl+S");
    MenuFileSaveAs = AddEntry(file, QStringLiteral("Save &as..."), "Ctrl+A");
    file->addSeparator();
    MenuFilePrinterSetup = AddEntry(file, QStringLiteral("Printer s&etup..."));
    MenuFilePrinterSetup->setEnabled(false);
    MenuFilePrint = AddEntry(file, QStringLiteral("&Print"));
    file->addSeparator();
    MenuFileClose = AddEntry(file, QStringLiteral("&Close"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    MenuEditCut = AddEntry(edit, QStringLiteral("&Cut"), "Ctrl+X");
    MenuEditCopy = AddEntry(edit, QStringLiteral("C&opy"), "Ctrl+C");
    MenuEditPaste = AddEntry(edit, QStringLiteral("&Paste"), "Ctrl+V");
    MenuSearch = menuBar()->addMenu(QStringLiteral("&Search"));
    MenuSearch->setEnabled(false);

    connect(MenuFileNew, &QAction::triggered, this, &TfText::MenuFileNewClick);
    connect(MenuFileOpen, &QAction::triggered, this, &TfText::MenuFileOpenClick);
    connect(MenuFileSave, &QAction::triggered, this, &TfText::MenuFileSaveClick);
    connect(MenuFileSaveAs, &QAction::triggered, this, &TfText::MenuFileSaveAsClick);
    connect(MenuFilePrint, &QAction::triggered, this, &TfText::MenuFilePrintClick);
    connect(MenuFileClose, &QAction::triggered, this, &TfText::MenuFileCloseClick);
    connect(MenuEditCut, &QAction::triggered, this, &TfText::MenuEditCutClick);
    connect(MenuEditCopy, &QAction::triggered, this, &TfText::MenuEditCopyClick);
    connect(MenuEditPaste, &QAction::triggered, this, &TfText::MenuEditPasteClick);
}

TfText* TfText::Open(QWidget* owner, const QString& fileName, bool editable)
{
    auto* editor = new TfText(owner);
    editor->SetEditable(editable);
    editor->SetFileName(fileName);
    editor->LoadAndReport();
    if (editor->FileName().isEmpty()) {
        // The file could not be read: the editor starts as an untitled text instead.
        editor->Load();
    }
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = editor->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        editor->move(frame.topLeft());
    }
    editor->show();
    return editor;
}

bool TfText::CloseAll(QWidget* owner)
{
    if (owner == nullptr)
        return true;
    for (TfText* editor : owner->findChildren<TfText*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->close())
            return false;
    }
    return true;
}

void TfText::SetEditable(bool editable)
{
    m_editable = editable;
    Memo->setReadOnly(!editable);
}

void TfText::Load()
{
    if (m_fileName.isEmpty()) {
        Memo->clear();
        m_fileName = NoName;
        m_format = {};
    } else {
        viewers::TDecodedText decoded;
        try {
            decoded = viewers::ReadTextFile(m_fileName);
        } catch (const platform::EError&) {
            m_fileName = m_shownName; // the text shown still belongs to the old file
            throw;
        }
        Memo->setPlainText(decoded.Text);
        m_format = decoded.Format;
    }
    m_shownName = m_fileName;
    Memo->setReadOnly(!m_editable);
    SetModified(false);
    UpdateCaption();
}

void TfText::LoadAndReport()
{
    try {
        Load();
    } catch (const platform::EError& error) {
        platform::ShowMessage(error.Message());
    }
}

void TfText::UpdateCaption()
{
    setWindowTitle(m_fileName);
}

QString TfText::Text() const
{
    // toRawText keeps non-breaking spaces, which toPlainText turns into blanks.
    return Memo->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

bool TfText::WriteTo(const QString& path)
{
    try {
        viewers::WriteTextFile(path, Text(), m_format);
    } catch (const platform::EError& error) {
        platform::ShowMessage(error.Message());
        return false;
    }
    SetModified(false);
    return true;
}

QString TfText::AskSaveName(const QString& proposal)
{
    if (!SaveDialog) {
        SaveDialog = new QFileDialog(this, QStringLiteral("Save as"));
        SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog->setFileMode(QFileDialog::AnyFile);
        SaveDialog->setDefaultSuffix(QStringLiteral("txt"));
    }
    SaveDialog->selectFile(proposal);
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty())
        return {};
    return SaveDialog->selectedFiles().constFirst();
}

TfText::TOffer TfText::OfferToSave()
{
    if (!m_modified)
        return TOffer::Declined;
    const bool accepted = AskConfirmation(QStringLiteral("The file ") + m_fileName +
                                              QStringLiteral(" has been modified."),
                                          QStringLiteral("Do you want to save the changes ?"));
    if (!accepted)
        return TOffer::Declined;
    if (IsUntitled()) {
        // The copy gets a name of its own; the editor's own name and caption stay.
        const QString path = AskSaveName(QStringLiteral("New file.txt"));
        if (path.isEmpty())
            return TOffer::Declined;
        return WriteTo(path) ? TOffer::Saved : TOffer::Failed;
    }
    return WriteTo(m_fileName) ? TOffer::Saved : TOffer::Failed;
}

bool TfText::IsUntitled() const
{
    return m_fileName.isEmpty() || m_fileName == NoName;
}

void TfText::MenuFileNewClick()
{
    if (OfferToSave() == TOffer::Failed)
        return;
    m_fileName.clear();
    LoadAndReport();
}

void TfText::MenuFileOpenClick()
{
    if (OfferToSave() == TOffer::Failed)
        return;
    if (!OpenDialog) {
        OpenDialog = new QFileDialog(this, QStringLiteral("Open"));
        OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
        OpenDialog->setFileMode(QFileDialog::ExistingFile);
        OpenDialog->setDefaultSuffix(QStringLiteral("txt"));
        OpenDialog->setNameFilters(
            {QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")});
    }
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty())
        return;
    m_fileName = OpenDialog->selectedFiles().constFirst();
    LoadAndReport();
}

void TfText::MenuFileSaveClick()
{
    if (IsUntitled()) {
        MenuFileSaveAsClick();
        return;
    }
    WriteTo(m_fileName);
}

void TfText::MenuFileSaveAsClick()
{
    const QString path = AskSaveName(IsUntitled() ? NoName : m_fileName);
    if (path.isEmpty() || !WriteTo(path))
        return;
    m_fileName = path;
    m_shownName = path;
    UpdateCaption();
}

void TfText::Print(QPrinter& printer)
{
    printer.setDocName(m_fileName);
    Memo->print(&printer);
}

void TfText::MenuFilePrintClick()
{
    const QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull()) {
        platform::ShowMessage(
            QStringLiteral("No printer is installed: the text cannot be printed."));
        return;
    }
    QPrinter printer(target, QPrinter::HighResolution);
    Print(printer);
    if (printer.printerState() == QPrinter::Error)
        platform::ShowMessage(
            QStringLiteral("The text could not be printed on %1.").arg(target.printerName()));
}

void TfText::MenuFileCloseClick()
{
    close();
}

void TfText::MenuEditCutClick()
{
    Memo->cut();
}

void TfText::MenuEditCopyClick()
{
    Memo->copy();
}

void TfText::MenuEditPasteClick()
{
    Memo->paste();
}

void TfText::MemoChange()
{
    SetModified(true);
}

void TfText::closeEvent(QCloseEvent* event)
{
    // A text whose save failed stays open, so the user can save it elsewhere.
    if (OfferToSave() == TOffer::Failed) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TfText::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+A is "Save as" here, not the edit control's "select all".
    if (watched == Memo && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
