#include "viewers/uText.h"

#include "fileops/uConfirm.h"
#include "modules/SupportModules.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"
#include "transfer/FileSave.h"
#include "viewers/FindBar.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTextDocument>
#include <QVBoxLayout>

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

bool HasLongLine(const QString& text)
{
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        if (end - start > TfText::LongLine)
            return true;
        start = end + 1;
    }
    return false;
}

// `text` with every line longer than a piece broken into pieces, for showing only.
QString InPieces(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / TfText::Piece);
    for (const QStringView line : QStringView(text).split(u'\n')) {
        qsizetype at = 0;
        do {
            out.append(line.mid(at, TfText::Piece)).append(u'\n');
            at += TfText::Piece;
        } while (at < line.size());
    }
    out.chop(1);
    return out;
}

} // namespace

QMessageBox::StandardButton TfText::AskYesNoCancel(const QString& notice, const QString& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"), notice,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setInformativeText(question);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel); // also what closing the question means
    const int answer = box.exec();
    return answer == QMessageBox::Yes || answer == QMessageBox::No
               ? QMessageBox::StandardButton(answer)
               : QMessageBox::Cancel;
}

TfText::TfText(QWidget* owner) : QMainWindow(owner, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Text editor"));
    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    Memo = new QPlainTextEdit(centre);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FindBar = new TFindBar(centre);
    column->addWidget(Memo, 1);
    column->addWidget(FindBar);
    setCentralWidget(centre);
    connect(Memo, &QPlainTextEdit::textChanged, this, &TfText::MemoChange);
    BuildMenu();
    LabelNote = new QLabel(this);
    LabelEncoding = new QLabel(this);
    statusBar()->addWidget(LabelNote, 1);
    statusBar()->addPermanentWidget(LabelEncoding);
    resize(600, 350 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

void TfText::BuildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    MenuFileNew = AddEntry(file, QStringLiteral("&New"), "Ctrl+N");
    MenuFileOpen = AddEntry(file, QStringLiteral("&Open..."), "Ctrl+O");
    MenuFileSave = AddEntry(file, QStringLiteral("&Save"), "Ctrl+S");
    MenuFileSaveAs = AddEntry(file, QStringLiteral("Save &as..."), "Ctrl+Shift+S");
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
    edit->addSeparator();
    MenuEditSelectAll = AddEntry(edit, QStringLiteral("Select &all"), "Ctrl+A");
    BuildSearchMenu();
    BuildEncodingMenu();

    connect(MenuFileNew, &QAction::triggered, this, &TfText::MenuFileNewClick);
    connect(MenuFileOpen, &QAction::triggered, this, &TfText::MenuFileOpenClick);
    connect(MenuFileSave, &QAction::triggered, this, &TfText::MenuFileSaveClick);
    connect(MenuFileSaveAs, &QAction::triggered, this, &TfText::MenuFileSaveAsClick);
    connect(MenuFilePrint, &QAction::triggered, this, &TfText::MenuFilePrintClick);
    connect(MenuFileClose, &QAction::triggered, this, &TfText::MenuFileCloseClick);
    connect(MenuEditCut, &QAction::triggered, this, &TfText::MenuEditCutClick);
    connect(MenuEditCopy, &QAction::triggered, this, &TfText::MenuEditCopyClick);
    connect(MenuEditPaste, &QAction::triggered, this, &TfText::MenuEditPasteClick);
    connect(MenuEditSelectAll, &QAction::triggered, Memo, &QPlainTextEdit::selectAll);
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

void TfText::CloseAllWithoutQuestions(QWidget* owner)
{
    if (owner == nullptr)
        return;
    for (TfText* editor : owner->findChildren<TfText*>(Qt::FindDirectChildrenOnly)) {
        editor->m_quiet = true;
        editor->close();
    }
}

void TfText::SetEditable(bool editable)
{
    m_editable = editable;
    Memo->setReadOnly(!editable || m_folded);
}

void TfText::Load()
{
    if (m_fileName.isEmpty()) {
        m_format = {};
        ShowText(QString());
        m_fileName = NoName;
    } else {
        viewers::TTextFormat format;
        try {
            format = viewers::ReadTextFile(m_fileName);
        } catch (const platform::EError&) {
            m_fileName = m_shownName; // the text shown still belongs to the old file
            throw;
        }
        m_format = std::move(format);
        ShowText(m_format.Text);
    }
    m_shownName = m_fileName;
    m_member = {};
    SetModified(false);
    UpdateCaption();
    ShowFormat();
}

void TfText::SetMember(TTextMember member)
{
    m_member = std::move(member);
    UpdateCaption();
}

QString TfText::ShownName() const
{
    if (!IsMember())
        return m_fileName;
    return QStringLiteral("%1 in %2%3")
        .arg(m_member.Name, QFileInfo(m_member.Archive).fileName(),
             m_member.ReadOnly ? QStringLiteral(" (read-only)") : QString());
}

void TfText::ShowText(const QString& text)
{
    m_folded = HasLongLine(text);
    Memo->setPlainText(m_folded ? InPieces(text) : text);
    Memo->setReadOnly(!m_editable || m_folded);
    statusBar()->clearMessage();
}

void TfText::ShowNote()
{
    QStringList notes;
    if (m_folded)
        notes << QStringLiteral("Lines longer than %L1 characters: the text is shown "
                                "read-only, in pieces of %L2.")
                     .arg(LongLine)
                     .arg(Piece);
    if (m_format.Replaced)
        notes << QStringLiteral("Some bytes are not %1 characters: they are shown as "
                                "stand-ins.")
                     .arg(viewers::EncodingName(m_format.Encoding));
    LabelNote->setText(notes.join(u' '));
}

void TfText::LoadAndReport()
{
    try {
        Load();
    } catch (const platform::EError& error) {
        platform::ShowMessage(error.Message());
        return;
    }
    // A save in place that was killed or failed left the whole text it saved beside the file.
    const QStringList kept =
        m_fileName == NoName ? QStringList() : platform::KeptSaveCopies(m_fileName);
    if (!kept.isEmpty())
        platform::ShowMessage(QStringLiteral("A save of %1 was interrupted while the file was "
                                             "written over; the whole text of that save is in "
                                             "%2.")
                                  .arg(m_fileName, kept.join(QStringLiteral(", "))));
}

void TfText::UpdateCaption()
{
    setWindowTitle(ShownName());
}

QString TfText::Text() const
{
    if (m_folded)
        return m_format.Text; // shown in pieces, and read-only: still the text read
    // toRawText keeps non-breaking spaces, which toPlainText turns into blanks.
    return Memo->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

bool TfText::WriteTo(const QString& path, platform::TLinkRule links)
{
    const QString text = Text();
    viewers::TTextFormat format = m_format;
    if (!AcceptStandIns(text))
        return false;
    const qsizetype unencodable = viewers::FirstUnencodable(text, format.Encoding);
    if (unencodable >= 0) {
        if (!AcceptUtf8(text, unencodable, format.Encoding))
            return false;
        format.Encoding = viewers::TTextEncoding::Utf8;
        format.ByteOrderMark = false;
    }
    try {
        viewers::WriteTextFile(path, text, format, links);
    } catch (const platform::EError& error) {
        platform::ShowMessage(error.Message());
        return false;
    }
    m_format = std::move(format);
    SetModified(false);
    ShowFormat();
    return true;
}

bool TfText::AcceptUtf8(const QString& text, qsizetype unencodable,
                        const viewers::TEncoding* encoding)
{
    const char32_t c = QStringView(text).mid(unencodable).toUcs4().value(0);
    const QStringView before = QStringView(text).left(unencodable);
    const qsizetype lineStart = before.lastIndexOf(u'\n') + 1;
    const QString notice =
        QStringLiteral("The file %1 is stored as %2, which cannot hold the character %3 "
                       "(U+%4) of line %L5, column %L6.")
            .arg(ShownName(), viewers::EncodingName(encoding), QString::fromUcs4(&c, 1),
                 QStringLiteral("%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper())
            .arg(before.count(u'\n') + 1)
            .arg(before.size() - lineStart + 1);
    return AskConfirmation(notice, QStringLiteral("Do you want to save it as UTF-8 ?"));
}

bool TfText::AcceptStandIns(const QString& text)
{
    // An unchanged text writes the bytes read; a changed one would write the stand-ins.
    if (!m_format.Replaced || text == m_format.Text)
        return true;
    return AskConfirmation(
        QStringLiteral("The file %1 holds bytes that are not %2 characters; they are shown as "
                       "stand-ins, and saving writes the stand-ins in their place.")
            .arg(ShownName(), viewers::EncodingName(m_format.Encoding)),
        QStringLiteral("Do you want to save it all the same ?"));
}

QString TfText::StartFolder() const
{
    if (!m_saveFolder.isEmpty())
        return m_saveFolder;
    const QString current = SaveDialog->directory().absolutePath();
    return platform::InTemporaryFolder(current) ? QDir::homePath() : current;
}

QString TfText::AskSaveName(const QString& proposal, platform::TLinkRule& links)
{
    if (!SaveDialog) {
        SaveDialog = new QFileDialog(this, QStringLiteral("Save as"));
        SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog->setFileMode(QFileDialog::AnyFile);
        SaveDialog->setDefaultSuffix(QStringLiteral("txt"));
        // Taken names are confirmed by ConfirmTarget, which also knows links; links that
        // lead nowhere are listed too (the System filter).
        SaveDialog->setOption(QFileDialog::DontConfirmOverwrite);
        SaveDialog->setFilter(SaveDialog->filter() | QDir::System);
    }
    // A file of a private temporary folder goes when its window closes: its copy is
    // proposed in the start folder instead.
    const QFileInfo named(proposal);
    if (named.isAbsolute() && !platform::InPrivateFolder(proposal)) {
        SaveDialog->selectFile(proposal);
    } else {
        SaveDialog->setDirectory(StartFolder());
        SaveDialog->selectFile(named.fileName());
    }
    for (;;) {
        if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty())
            return {};
        const QString path = SaveDialog->selectedFiles().constFirst();
        if (ConfirmTarget(path, links))
            return path;
        SaveDialog->selectFile(QFileInfo(path).fileName()); // the user chooses again
    }
}

bool TfText::ConfirmTarget(const QString& path, platform::TLinkRule& links)
{
    using TKind = platform::TSaveTarget::TKind;
    const platform::TSaveTarget target = platform::InspectSaveTarget(path);
    links = platform::TLinkRule::FollowToFile;
    switch (target.Kind) {
    case TKind::Missing:
        return true;
    case TKind::File:
        return AskConfirmation(QStringLiteral("The file %1 already exists.").arg(path),
                               QStringLiteral("Do you want to replace it ?"));
    case TKind::Link:
        if (target.LinkToFile)
            return AskConfirmation(
                QStringLiteral("%1 is a link to the file %2.").arg(path, target.LinkTarget),
                QStringLiteral("Do you want to replace the file %1 ?").arg(target.LinkTarget));
        // Never through the link: the file would be made where it points.
        links = platform::TLinkRule::ReplaceLink;
        return AskConfirmation(QStringLiteral("%1 is a link to %2, where there is no file.")
                                   .arg(path, target.LinkTarget),
                               QStringLiteral("Do you want to replace the link with the file ?"));
    case TKind::Other:
        break;
    }
    platform::ShowMessage(
        QStringLiteral("Cannot write the file %1: it is not a regular file.").arg(path));
    return false;
}

TfText::TOffer TfText::OfferToSave()
{
    if (!m_modified || m_quiet)
        return TOffer::Declined;
    const QMessageBox::StandardButton answer = AskYesNoCancel(
        QStringLiteral("The file ") + ShownName() + QStringLiteral(" has been modified."),
        QStringLiteral("Do you want to save the changes ?"));
    if (answer != QMessageBox::Yes)
        return answer == QMessageBox::No ? TOffer::Declined : TOffer::Cancelled;
    if (IsUntitled() || (IsMember() && m_member.ReadOnly)) {
        // The copy gets a name of its own; the editor's own name and caption stay.
        platform::TLinkRule links{};
        const QString path =
            AskSaveName(IsUntitled() ? QStringLiteral("New file.txt") : m_fileName, links);
        if (path.isEmpty())
            return TOffer::Cancelled;
        return WriteTo(path, links) ? TOffer::Saved : TOffer::Failed;
    }
    if (IsMember())
        return PutBack() ? TOffer::Saved : TOffer::Failed;
    return WriteTo(m_fileName) ? TOffer::Saved : TOffer::Failed;
}

bool TfText::IsUntitled() const
{
    return m_fileName.isEmpty() || m_fileName == NoName;
}

void TfText::MenuFileNewClick()
{
    if (const TOffer offer = OfferToSave(); offer == TOffer::Failed || offer == TOffer::Cancelled)
        return;
    m_fileName.clear();
    LoadAndReport();
}

void TfText::MenuFileOpenClick()
{
    if (const TOffer offer = OfferToSave(); offer == TOffer::Failed || offer == TOffer::Cancelled)
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
    // Its questions and a put-back's progress window come and go: the keys come back to
    // this window afterwards, also where no window manager hands them back.
    const auto keys = qScopeGuard([this] { activateWindow(); });
    if (IsUntitled()) {
        MenuFileSaveAsClick();
        return;
    }
    if (IsMember()) {
        SaveMember();
        return;
    }
    WriteTo(m_fileName);
}

void TfText::MenuFileSaveAsClick()
{
    platform::TLinkRule links{};
    const QString path = AskSaveName(IsUntitled() ? NoName : m_fileName, links);
    if (path.isEmpty() || !WriteTo(path, links))
        return;
    m_fileName = path;
    m_shownName = path;
    m_member = {}; // a file of its own now
    UpdateCaption();
}

void TfText::SaveMember()
{
    if (!m_member.ReadOnly) {
        if (!m_modified)
            return; // the member holds this text already
        const QMessageBox::StandardButton answer =
            AskYesNoCancel(QStringLiteral("Put the changed %1 back into %2?")
                               .arg(m_member.Name, QFileInfo(m_member.Archive).fileName()),
                           QStringLiteral("No saves it as a file of its own."));
        if (answer == QMessageBox::Yes)
            PutBack();
        if (answer != QMessageBox::No)
            return;
    }
    MenuFileSaveAsClick();
}

bool TfText::PutBack()
{
    if (!WriteTo(m_fileName))
        return false;
    const QString why = m_member.PutBack ? m_member.PutBack(m_fileName)
                                         : QStringLiteral("the archive cannot be changed");
    if (why.isEmpty())
        return true;
    // The text stays in the editor and in its copy; it may also go into a file of its own.
    SetModified(true);
    if (AskConfirmation(QStringLiteral("The changed %1 was not put back into %2: %3.")
                            .arg(m_member.Name, m_member.Archive, why),
                        QStringLiteral("Do you want to save it as a file of its own ?")))
        MenuFileSaveAsClick();
    return !m_modified;
}

void TfText::Print(QPagedPaintDevice& device)
{
    Memo->print(&device);
}

QString TfText::PrintDocument(const QString& pdfFile)
{
    QString failure;
    TPrintModule* printing = PrintModuleOf(failure);
    if (!printing)
        return failure;
    return printing->Print(
        ShownName(), [this](QPagedPaintDevice& device) { Print(device); }, pdfFile);
}

void TfText::MenuFilePrintClick()
{
    const QString failure = PrintDocument();
    if (!failure.isEmpty())
        platform::ShowMessage(failure);
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
    // A text whose save failed or whose file dialog was cancelled stays open, so the
    // user can still save it.
    if (const TOffer offer = OfferToSave(); offer == TOffer::Failed || offer == TOffer::Cancelled) {
        event->ignore();
        return;
    }
    event->accept();
}

void TfText::keyPressEvent(QKeyEvent* event)
{
    // Reaches the window when the text and the find bar have no use for the key.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close(); // offers to save, as closing does
        return;
    }
    QMainWindow::keyPressEvent(event);
}
