// The text editor window: loading, saving, the offer to save on New, Open and close,
// read-only mode, failed saves, printing and the menu, with dialogs answered by the test.
#include "fileops/uConfirm.h"
#include "platform/Messages.h"
#include "support/TempDir.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uText.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

using testmodal::AnswerFileDialog;
using testmodal::AnswerNextModal;

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// What the confirmation dialog showed, and how the test answered it.
struct TConfirmSeen {
    QString Notice;
    QString Question;
    bool Shown = false;
};

void AnswerConfirm(bool yes, TConfirmSeen* seen = nullptr)
{
    AnswerNextModal<TfConfirm>([yes, seen](TfConfirm* dialog) {
        if (seen) {
            seen->Notice = dialog->LabelNotice->text();
            seen->Question = dialog->LabelConfirm->text();
            seen->Shown = true;
        }
        (yes ? dialog->ButtonAccept : dialog->ButtonCancel)->click();
    });
}

class TextEditor : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetMessageHandler([this](const QString& text) { messages << text; });
    }
    void TearDown() override
    {
        for (TfText* editor : owner.findChildren<TfText*>()) {
            editor->setAttribute(Qt::WA_DeleteOnClose, false);
            delete editor;
        }
        platform::SetMessageHandler({});
    }

    TfText* Open(const QString& path, bool editable = true)
    {
        TfText* editor = TfText::Open(&owner, path, editable);
        Settle();
        return editor;
    }

    void Type(TfText* editor, const QString& text)
    {
        editor->Memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->Memo, text);
    }

    TempDir dir;
    QWidget owner;
    QStringList messages;
};

} // namespace

TEST_F(TextEditor, LoadsAndSavesAFileByteForByte)
{
    const QByteArray original("caf\xE9\xA0\x0C nbsp\r\n\r\nsecond line\r\n\tlast", 32);
    const QString path = dir.write("latin.txt", original);
    TfText* editor = Open(path);
    EXPECT_EQ(path, editor->windowTitle());
    EXPECT_EQ(path, editor->FileName());
    EXPECT_FALSE(editor->Modified());
    EXPECT_TRUE(editor->isVisible());

    editor->MenuFileSave->trigger();
    EXPECT_EQ(original, readAll(path));

    Type(editor, QStringLiteral("!"));
    EXPECT_TRUE(editor->Modified());
    editor->MenuFileSave->trigger();
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(original + "!", readAll(path));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TextEditor, ReadOnlyEditorRefusesTypingButSaves)
{
    const QString path = dir.write("ro.txt", "fixed\n");
    TfText* editor = Open(path, false);
    Type(editor, QStringLiteral("xyz"));
    editor->Memo->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    editor->MenuEditCut->trigger();
    editor->MenuEditPaste->trigger();
    EXPECT_EQ(QStringLiteral("fixed\n"), editor->Memo->toPlainText());
    EXPECT_FALSE(editor->Modified());

    const QString copy = dir("copy.txt");
    AnswerFileDialog(copy);
    editor->MenuFileSaveAs->trigger();
    EXPECT_EQ(QByteArray("fixed\n"), readAll(copy));
    EXPECT_EQ(copy, editor->FileName());
    EXPECT_EQ(copy, editor->windowTitle());
    EXPECT_TRUE(editor->Memo->isReadOnly());
}

TEST_F(TextEditor, ClipboardCommandsEditTheText)
{
    TfText* editor = Open(QString());
    Type(editor, QStringLiteral("hello"));
    editor->Memo->selectAll();
    editor->MenuEditCut->trigger();
    EXPECT_EQ(QString(), editor->Memo->toPlainText());
    editor->MenuEditPaste->trigger();
    editor->MenuEditPaste->trigger();
    EXPECT_EQ(QStringLiteral("hellohello"), editor->Memo->toPlainText());
    editor->Memo->selectAll();
    editor->MenuEditCopy->trigger();
    EXPECT_EQ(QStringLiteral("hellohello"), QApplication::clipboard()->text());
}

TEST_F(TextEditor, ClosingAModifiedTextOffersToSave)
{
    const QString path = dir.write("a.txt", "abc\n");
    QPointer<TfText> editor = Open(path);
    Type(editor, QStringLiteral("def"));
    TConfirmSeen seen;
    AnswerConfirm(true, &seen);
    editor->MenuFileClose->trigger();
    Settle();
    EXPECT_TRUE(seen.Shown);
    EXPECT_EQ(QStringLiteral("The file ") + path + QStringLiteral(" has been modified."),
              seen.Notice);
    EXPECT_EQ(QStringLiteral("Do you want to save the changes ?"), seen.Question);
    EXPECT_EQ(QByteArray("abc\ndef"), readAll(path));
    EXPECT_TRUE(editor.isNull());

    // Declining discards the changes and still closes.
    editor = Open(path);
    Type(editor, QStringLiteral("ghi"));
    AnswerConfirm(false);
    editor->close();
    Settle();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(QByteArray("abc\ndef"), readAll(path));
}

TEST_F(TextEditor, UnmodifiedTextClosesWithoutAQuestion)
{
    QPointer<TfText> editor = Open(dir.write("b.txt", "x"));
    editor->close();
    Settle();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(nullptr, QApplication::activeModalWidget());
}

TEST_F(TextEditor, RefusedOfferAndCancelledOpenKeepTheChangedText)
{
    const QString path = dir.write("keep.txt", "one\n");
    QPointer<TfText> editor = Open(path);
    Type(editor, QStringLiteral("two"));
    AnswerNextModal<TfConfirm>([](TfConfirm* confirm) {
        AnswerFileDialog(QString()); // the open dialog that follows is cancelled
        confirm->ButtonCancel->click();
    });
    editor->MenuFileOpen->trigger();
    EXPECT_EQ(QStringLiteral("one\ntwo"), editor->Memo->toPlainText());
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(path, editor->FileName());

    TConfirmSeen seen;
    AnswerConfirm(false, &seen);
    editor->close();
    Settle();
    EXPECT_TRUE(seen.Shown);
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(QByteArray("one\n"), readAll(path));
}

TEST_F(TextEditor, OpenReplacesTheTextAfterTheOffer)
{
    const QString first = dir.write("first.txt", "1");
    const QString second = dir.write("second.txt", "2\n");
    TfText* editor = Open(first);
    Type(editor, QStringLiteral("+"));
    AnswerNextModal<TfConfirm>([&](TfConfirm* confirm) {
        AnswerFileDialog(second);
        confirm->ButtonAccept->click();
    });
    editor->MenuFileOpen->trigger();
    EXPECT_EQ(QByteArray("1+"), readAll(first));
    EXPECT_EQ(second, editor->FileName());
    EXPECT_EQ(second, editor->windowTitle());
    EXPECT_EQ(QStringLiteral("2\n"), editor->Memo->toPlainText());
    EXPECT_FALSE(editor->Modified());
}

TEST_F(TextEditor, NewOnAModifiedUntitledTextProposesNewFileTxt)
{
    TfText* editor = Open(QString());
    EXPECT_EQ(TfText::NoName, editor->FileName());
    EXPECT_EQ(QStringLiteral("No name"), editor->windowTitle());
    Type(editor, QStringLiteral("draft"));

    const QString target = dir("saved draft.txt");
    QString proposed;
    TConfirmSeen seen;
    AnswerNextModal<TfConfirm>([&](TfConfirm* confirm) {
        seen.Notice = confirm->LabelNotice->text();
        AnswerFileDialog(target, &proposed);
        confirm->ButtonAccept->click();
    });
    editor->MenuFileNew->trigger();
    EXPECT_EQ(QStringLiteral("The file No name has been modified."), seen.Notice);
    EXPECT_EQ(QStringLiteral("New file.txt"), proposed);
    EXPECT_EQ(QByteArray("draft"), readAll(target));
    EXPECT_EQ(TfText::NoName, editor->FileName());
    EXPECT_EQ(QStringLiteral("No name"), editor->windowTitle());
    EXPECT_EQ(QString(), editor->Memo->toPlainText());
    EXPECT_FALSE(editor->Modified());
}

TEST_F(TextEditor, SaveOnAnUntitledTextAsksForANameProposingNoName)
{
    TfText* editor = Open(QString());
    Type(editor, QStringLiteral("text"));
    QString proposed;
    AnswerFileDialog(QString(), &proposed); // cancelled: nothing changes
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QStringLiteral("No name"), proposed);
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(TfText::NoName, editor->FileName());

    const QString target = dir("named");
    AnswerFileDialog(target);
    editor->MenuFileSave->trigger();
    const QString withSuffix = target + QStringLiteral(".txt"); // the default extension
    EXPECT_EQ(QByteArray("text"), readAll(withSuffix));
    EXPECT_EQ(withSuffix, editor->FileName());
    EXPECT_FALSE(editor->Modified());
}

TEST_F(TextEditor, CtrlAIsSaveAsEvenInsideTheText)
{
    TfText* editor = Open(dir.write("c.txt", "abc"));
    editor->activateWindow();
    editor->Memo->setFocus();
    bool answered = false;
    AnswerNextModal<QFileDialog>([](QFileDialog* d) { d->reject(); }, &answered);
    QTest::keyClick(editor->Memo, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(answered);
    EXPECT_FALSE(editor->Memo->textCursor().hasSelection());
}

TEST_F(TextEditor, TwoEditorsOnOneFileAreIndependentAndTheLastSaveWins)
{
    const QString path = dir.write("shared.txt", "base");
    TfText* first = Open(path);
    TfText* second = Open(path);
    ASSERT_NE(first, second);
    Type(first, QStringLiteral(" first"));
    Type(second, QStringLiteral(" second"));
    EXPECT_EQ(QStringLiteral("base first"), first->Memo->toPlainText());
    second->MenuFileSave->trigger();
    first->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("base first"), readAll(path));
    EXPECT_FALSE(second->Modified());
}

TEST_F(TextEditor, FailedSaveKeepsModifiedSaysWhyAndKeepsTheWindowOpen)
{
    const QString folder = dir.mkdir("gone");
    const QString path = dir.write("gone/note.txt", "note");
    QPointer<TfText> editor = Open(path);
    Type(editor, QStringLiteral(" more"));
    ASSERT_TRUE(QDir(folder).removeRecursively());

    editor->MenuFileSave->trigger();
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Cannot write the file ") + path));
    EXPECT_TRUE(editor->Modified());

    AnswerConfirm(true);
    editor->close();
    Settle();
    ASSERT_FALSE(editor.isNull()); // the text would be lost otherwise
    EXPECT_EQ(2, messages.size());
    EXPECT_TRUE(editor->Modified());

    AnswerConfirm(false);
    EXPECT_TRUE(TfText::CloseAll(&owner));
    Settle();
    EXPECT_TRUE(editor.isNull());
}

TEST_F(TextEditor, UnreadableFilesAreReportedAndNeverBecomeTheSaveTarget)
{
    QPointer<TfText> editor = Open(dir("missing.txt"));
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].contains(QStringLiteral("missing.txt")));
    EXPECT_EQ(TfText::NoName, editor->FileName());

    const QString path = dir.write("kept.txt", "kept");
    editor = Open(path);
    Type(editor, QStringLiteral("!"));
    editor->SetFileName(dir.mkdir("a folder"));
    EXPECT_THROW(editor->Load(), platform::EError);
    EXPECT_EQ(path, editor->FileName());
    EXPECT_EQ(QStringLiteral("kept!"), editor->Memo->toPlainText());
    EXPECT_TRUE(editor->Modified());
}

TEST_F(TextEditor, CloseAllOffersToSaveEveryEditor)
{
    const QString a = dir.write("a.txt", "a");
    QPointer<TfText> first = Open(a);
    QPointer<TfText> second = Open(QString());
    Type(first, QStringLiteral("1"));
    AnswerConfirm(true);
    EXPECT_TRUE(TfText::CloseAll(&owner));
    Settle();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(QByteArray("a1"), readAll(a));
}

TEST_F(TextEditor, PrintsATitledPageWithTheText)
{
    const QString path = dir.write("print me.txt", "Printed words 12345\nsecond line\n");
    TfText* editor = Open(path);
    const QString pdf = dir("out.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        editor->Print(printer);
        EXPECT_EQ(path, printer.docName());
    }
    const QByteArray bytes = readAll(pdf);
    ASSERT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(1, bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                     bytes.count("/Type /Page ") + bytes.count("/Type /Page/"));
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty())
        GTEST_SKIP() << "ghostscript is not installed: the page's text was not checked";
    QProcess extract;
    extract.start(gs, {"-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=txtwrite", "-sOutputFile=-", pdf});
    ASSERT_TRUE(extract.waitForFinished(30000));
    const QString text = QString::fromUtf8(extract.readAllStandardOutput()).replace(u'\t', u' ');
    EXPECT_TRUE(text.contains(QStringLiteral("Printed words 12345"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("second line"))) << qPrintable(text);
}

TEST_F(TextEditor, PrintWithoutAPrinterSaysSo)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "a default printer exists here";
    TfText* editor = Open(dir.write("p.txt", "x"));
    editor->MenuFilePrint->trigger();
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].contains(QStringLiteral("printer")));
}

TEST_F(TextEditor, MenuHasTheEntriesShortcutsAndDisabledParts)
{
    TfText* editor = Open(QString());
    const QList<QAction*> menus = editor->menuBar()->actions();
    ASSERT_EQ(3, menus.size());
    QStringList entries;
    for (QAction* a : menus[0]->menu()->actions())
        entries << (a->isSeparator() ? QStringLiteral("-")
                                     : a->text() + (a->isEnabled() ? "" : " (off)") + " " +
                                           a->shortcut().toString());
    EXPECT_EQ(QStringList({"&New Ctrl+N", "&Open... Ctrl+O", "&Save Ctrl+S", "Save &as... Ctrl+A",
                           "-", "Printer s&etup... (off) ", "&Print ", "-", "&Close "}),
              entries);
    QStringList edit;
    for (QAction* a : menus[1]->menu()->actions())
        edit << a->text() + " " + a->shortcut().toString();
    EXPECT_EQ(QStringList({"&Cut Ctrl+X", "C&opy Ctrl+C", "&Paste Ctrl+V"}), edit);
    EXPECT_EQ(QStringLiteral("&Search"), menus[2]->text());
    EXPECT_FALSE(menus[2]->isEnabled());
    EXPECT_TRUE(menus[2]->menu()->actions().isEmpty());
    EXPECT_EQ(QPlainTextEdit::NoWrap, editor->Memo->lineWrapMode());
}
