// The text editor window: loading, saving, the offer to save on New, Open and close,
// read-only mode, failed saves, printing and the menu, with dialogs answered by the test.
#include "fileops/uConfirm.h"
#include "platform/Messages.h"
#include "support/TempDir.h"
#include "viewers/FindBar.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uText.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
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
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

using testmodal::AnswerFileDialog;
using testmodal::AnswerNextModal;
using testmodal::AnswerQuestion;
using testmodal::TAnswer;

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

    // Types `text` at the end of line `line` (from 0), then presses Ctrl+S.
    void TypeInLineAndSave(TfText* editor, int line, const QString& text)
    {
        QTextCursor cursor(editor->Memo->document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::EndOfBlock);
        editor->Memo->setTextCursor(cursor);
        for (const QChar c : text) // key events with any character, not only ASCII keys
            QTest::sendKeyEvent(QTest::Click, editor->Memo, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        PressSave(editor);
    }

    void PressSave(TfText* editor)
    {
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor)); // shortcuts need the active window
        editor->Memo->setFocus();
        QTest::keyClick(editor->Memo, Qt::Key_S, Qt::ControlModifier);
    }

    // Presses a key in the widget that has the focus, in the active editor.
    void Key(TfText* editor, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (!editor->isActiveWindow()) {
            editor->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(editor));
        }
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : editor->Memo, Qt::Key(key), modifiers);
    }

    // The line (from 0) and column of the selection's start, and the selected text.
    static QString Selection(TfText* editor)
    {
        const QTextCursor cursor = editor->Memo->textCursor();
        QTextCursor start = cursor;
        start.setPosition(cursor.selectionStart());
        return QStringLiteral("%1:%2 %3")
            .arg(start.blockNumber())
            .arg(start.positionInBlock())
            .arg(cursor.selectedText());
    }

    // Answers the go-to-line question by typing `typed` and Enter.
    static void AnswerGoToLine(const QString& typed)
    {
        AnswerNextModal<QInputDialog>([typed](QInputDialog* dialog) {
            auto* field = dialog->findChild<QLineEdit*>();
            ASSERT_NE(field, nullptr);
            field->selectAll();
            QTest::keyClicks(field, typed);
            QTest::keyClick(field, Qt::Key_Return);
        });
    }

    QAction* EncodingEntry(TfText* editor, const QString& name)
    {
        for (QAction* action : editor->MenuEncoding->actions())
            if (action->text() == name)
                return action;
        ADD_FAILURE() << "no entry " << qPrintable(name);
        return nullptr;
    }

    // Runs a shell command in the scratch folder (printf and iconv make the test files).
    QByteArray Shell(const QString& command)
    {
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        EXPECT_TRUE(shell.waitForFinished(30000));
        EXPECT_EQ(0, shell.exitCode()) << qPrintable(command);
        return shell.readAllStandardOutput();
    }

    TempDir dir;
    QWidget owner;
    QStringList messages;
};

// How Qt's PDF writer stores a text without brackets or backslashes in the document's
// information: UTF-16 with its byte order mark.
QByteArray PdfText(const QString& text)
{
    QByteArray utf16("\xfe\xff");
    for (const QChar c : text)
        utf16 += char(c.unicode() >> 8), utf16 += char(c.unicode() & 0xff);
    return utf16;
}

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
    QString shown;
    AnswerQuestion(TAnswer::Yes, &shown);
    editor->MenuFileClose->trigger();
    Settle();
    EXPECT_EQ(QStringLiteral("The file ") + path +
                  QStringLiteral(" has been modified.\nDo you want to save the changes ?"),
              shown);
    EXPECT_EQ(QByteArray("abc\ndef"), readAll(path));
    EXPECT_TRUE(editor.isNull());

    // Declining discards the changes and still closes.
    editor = Open(path);
    Type(editor, QStringLiteral("ghi"));
    AnswerQuestion(TAnswer::No);
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
    // The open dialog that follows is cancelled.
    AnswerQuestion(TAnswer::No, nullptr, [] { AnswerFileDialog(QString()); });
    editor->MenuFileOpen->trigger();
    EXPECT_EQ(QStringLiteral("one\ntwo"), editor->Memo->toPlainText());
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(path, editor->FileName());

    QString shown;
    AnswerQuestion(TAnswer::No, &shown);
    editor->close();
    Settle();
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(QByteArray("one\n"), readAll(path));
}

TEST_F(TextEditor, OpenReplacesTheTextAfterTheOffer)
{
    const QString first = dir.write("first.txt", "1");
    const QString second = dir.write("second.txt", "2\n");
    TfText* editor = Open(first);
    Type(editor, QStringLiteral("+"));
    AnswerQuestion(TAnswer::Yes, nullptr, [&] { AnswerFileDialog(second); });
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
    QString shown;
    AnswerQuestion(TAnswer::Yes, &shown, [&] { AnswerFileDialog(target, &proposed); });
    editor->MenuFileNew->trigger();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("The file No name has been modified.\n")));
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

TEST_F(TextEditor, CtrlASelectsAllAndCtrlShiftSIsSaveAs)
{
    TfText* editor = Open(dir.write("c.txt", "abc\ndef"));
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor));
    editor->Memo->setFocus();
    // A file dialog that opened would be answered here; the watch ends with the key.
    {
        QObject round;
        bool answered = false;
        AnswerNextModal<QFileDialog>([](QFileDialog* d) { d->reject(); }, &answered, &round);
        QTest::keyClick(editor->Memo, Qt::Key_A, Qt::ControlModifier);
        Settle();
        EXPECT_FALSE(answered);
    }
    EXPECT_EQ(QStringLiteral("abc\u2029def"), editor->Memo->textCursor().selectedText());

    bool answered = false;
    AnswerNextModal<QFileDialog>([](QFileDialog* d) { d->reject(); }, &answered);
    QTest::keyClick(editor->Memo, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(answered);
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

    AnswerQuestion(TAnswer::Yes);
    editor->close();
    Settle();
    ASSERT_FALSE(editor.isNull()); // the text would be lost otherwise
    EXPECT_EQ(2, messages.size());
    EXPECT_TRUE(editor->Modified());

    AnswerQuestion(TAnswer::No);
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
    AnswerQuestion(TAnswer::Yes);
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
    // Through the printing module, into a file instead of onto the default printer.
    EXPECT_EQ(QString(), editor->PrintDocument(pdf));
    const QByteArray bytes = readAll(pdf);
    ASSERT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_TRUE(bytes.contains("/Title (" + PdfText(path) + ")")) << bytes.left(2000).toStdString();
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
    ASSERT_EQ(4, menus.size());
    const auto entries = [](QAction* menu) {
        QStringList shown;
        for (QAction* a : menu->menu()->actions())
            shown << (a->isSeparator() ? QStringLiteral("-")
                                       : a->text() + (a->isEnabled() ? "" : " (off)") + " " +
                                             QKeySequence::listToString(a->shortcuts()));
        return shown;
    };
    EXPECT_EQ(
        QStringList({"&New Ctrl+N", "&Open... Ctrl+O", "&Save Ctrl+S", "Save &as... Ctrl+Shift+S",
                     "-", "Printer s&etup... (off) ", "&Print ", "-", "&Close "}),
        entries(menus[0]));
    EXPECT_EQ(
        QStringList({"&Cut Ctrl+X", "C&opy Ctrl+C", "&Paste Ctrl+V", "-", "Select &all Ctrl+A"}),
        entries(menus[1]));
    EXPECT_EQ(QStringLiteral("&Search"), menus[2]->text());
    EXPECT_EQ(QStringList({"&Find... Ctrl+F", "Find &next F3", "Find &previous Shift+F3",
                           "&Replace... Ctrl+H; Ctrl+R", "-", "&Go to line... Ctrl+G"}),
              entries(menus[2]));
    EXPECT_EQ(QStringLiteral("E&ncoding"), menus[3]->text());
    const QStringList encodings = entries(menus[3]);
    EXPECT_EQ(17, encodings.size());
    EXPECT_TRUE(encodings.contains(QStringLiteral("KOI8-R "))) << qPrintable(encodings.join(','));
    EXPECT_EQ(QPlainTextEdit::NoWrap, editor->Memo->lineWrapMode());
}

TEST_F(TextEditor, UnchangedBytesAndUntouchedLineEndsSurviveASave)
{
    // Mixed line ends: only the edited line may change.
    Shell("printf 'one\\r\\ntwo\\nthree\\rfour\\r\\n' > mixed.txt");
    const QByteArray mixed = readAll(dir("mixed.txt"));
    TfText* editor = Open(dir("mixed.txt"));
    PressSave(editor);
    EXPECT_EQ(mixed, readAll(dir("mixed.txt")));
    TypeInLineAndSave(editor, 1, QStringLiteral("!"));
    EXPECT_EQ(QByteArray("one\r\ntwo!\nthree\rfour\r\n"), readAll(dir("mixed.txt")));
    EXPECT_FALSE(editor->Modified());

    // A binary file: every byte value twenty times, so twenty LF and twenty CR.
    QString everyByte;
    for (int byte = 0; byte < 256; ++byte)
        everyByte += QStringLiteral("\\%1").arg(byte, 3, 8, QLatin1Char('0'));
    Shell(QStringLiteral("i=0; while [ $i -lt 20 ]; do printf '%1'; i=$((i+1)); done > blob.bin")
              .arg(everyByte));
    const QByteArray blob = readAll(dir("blob.bin"));
    ASSERT_EQ(20 * 256, blob.size());
    ASSERT_EQ(20, blob.count('\n'));
    editor = Open(dir("blob.bin"));
    PressSave(editor);
    EXPECT_EQ(blob, readAll(dir("blob.bin")));
    TypeInLineAndSave(editor, 0, QStringLiteral("X"));
    EXPECT_EQ(blob.left(10) + 'X' + blob.mid(10), readAll(dir("blob.bin")));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(TextEditor, Utf16FilesAreReadAndWrittenInTheirOwnEncoding)
{
    const struct {
        const char* name;
        const char* bom;
        const char* encoding;
    } files[] = {{"le.txt", "\\377\\376", "UTF-16LE"}, {"be.txt", "\\376\\377", "UTF-16BE"}};
    for (const auto& f : files) {
        const auto make = [&](const char* text, const QString& name) {
            Shell(QStringLiteral("{ printf '%1'; printf '%2' | iconv -f UTF-8 -t %3; } > '%4'")
                      .arg(f.bom, text, f.encoding, name));
            return readAll(dir(name));
        };
        const QByteArray original = make("Hello \342\202\254\\r\\nWorld\\r\\n", f.name);
        TfText* editor = Open(dir(f.name));
        EXPECT_EQ(QStringLiteral("Hello \u20AC\nWorld\n"), editor->Memo->toPlainText()) << f.name;
        PressSave(editor);
        EXPECT_EQ(original, readAll(dir(f.name))) << f.name;
        TypeInLineAndSave(editor, 0, QStringLiteral("!\u0141"));
        EXPECT_EQ(make("Hello \342\202\254!\305\201\\r\\nWorld\\r\\n", "expected"),
                  readAll(dir(f.name)))
            << f.name;
    }
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(TextEditor, WindowsCodePageTextKeepsItsEncodingUnlessTheUserAcceptsUtf8)
{
    // \223 and \224 are curly quotes, \226 a dash and \200 the euro sign.
    Shell("printf '\\223Quoted\\224 \\226 \\200 5\\r\\nnext\\n' > cp.txt");
    const QString path = dir("cp.txt");
    TfText* editor = Open(path);
    EXPECT_EQ(QStringLiteral("\u201CQuoted\u201D \u2013 \u20AC 5\nnext\n"),
              editor->Memo->toPlainText());
    TypeInLineAndSave(editor, 0, QStringLiteral("\u00E9"));
    EXPECT_EQ(Shell("printf '\\342\\200\\234Quoted\\342\\200\\235 \\342\\200\\223 "
                    "\\342\\202\\254 5\\303\\251\\r\\nnext\\n' | iconv -f UTF-8 -t WINDOWS-1252"),
              readAll(path));

    // A character the code page cannot hold: the save asks, and a refusal writes nothing.
    const QByteArray before = readAll(path);
    TConfirmSeen seen;
    AnswerConfirm(false, &seen);
    TypeInLineAndSave(editor, 1, QStringLiteral("\u0141"));
    EXPECT_TRUE(seen.Shown);
    EXPECT_TRUE(seen.Notice.contains(QStringLiteral("Windows-1252")) &&
                seen.Notice.contains(QStringLiteral("U+0141")))
        << qPrintable(seen.Notice);
    EXPECT_TRUE(seen.Question.contains(QStringLiteral("UTF-8")));
    EXPECT_EQ(before, readAll(path));
    EXPECT_TRUE(editor->Modified());

    AnswerConfirm(true);
    PressSave(editor);
    EXPECT_EQ(Shell("printf '\\342\\200\\234Quoted\\342\\200\\235 \\342\\200\\223 "
                    "\\342\\202\\254 5\\303\\251\\r\\nnext\\305\\201\\n'"),
              readAll(path));
    EXPECT_FALSE(editor->Modified());
}

TEST_F(TextEditor, CancellingTheSaveDialogOfTheOfferKeepsTheText)
{
    QPointer<TfText> editor = Open(QString());
    Type(editor, QStringLiteral("draft"));
    for (QAction* TfText::*command : {&TfText::MenuFileClose, &TfText::MenuFileNew}) {
        // The save dialog that follows is cancelled.
        AnswerQuestion(TAnswer::Yes, nullptr, [] { AnswerFileDialog(QString()); });
        const QString name = (editor->*command)->text();
        (editor->*command)->trigger();
        Settle();
        ASSERT_FALSE(editor.isNull()) << qPrintable(name);
        EXPECT_EQ(QStringLiteral("draft"), editor->Memo->toPlainText());
        EXPECT_TRUE(editor->Modified());
    }
    AnswerQuestion(TAnswer::No);
    editor->close();
    Settle();
    EXPECT_TRUE(editor.isNull());
}

TEST_F(TextEditor, EscapeOrClosingTheSaveQuestionKeepsTheEditorAndItsText)
{
    const QString path = dir.write("kept.txt", "kept\n");
    const QString other = dir.write("other.txt", "other\n");
    QPointer<TfText> editor = Open(path);
    Type(editor, QStringLiteral("typed"));
    for (const TAnswer answer : {TAnswer::Escape, TAnswer::CloseBox}) {
        for (QAction* TfText::*command :
             {&TfText::MenuFileClose, &TfText::MenuFileNew, &TfText::MenuFileOpen}) {
            const QString name = (editor->*command)->text();
            // Open's file dialog must not follow a cancelled question; the watch for it
            // ends with this round.
            QObject round;
            auto fileDialog = std::make_shared<bool>(false);
            AnswerQuestion(answer, nullptr, [fileDialog, &round] {
                AnswerNextModal<QFileDialog>(
                    [fileDialog](QFileDialog* d) {
                        *fileDialog = true;
                        d->reject();
                    },
                    nullptr, &round);
            });
            (editor->*command)->trigger();
            Settle();
            ASSERT_FALSE(editor.isNull()) << qPrintable(name);
            EXPECT_FALSE(*fileDialog) << qPrintable(name);
            EXPECT_EQ(QStringLiteral("kept\ntyped"), editor->Memo->toPlainText())
                << qPrintable(name);
            EXPECT_EQ(path, editor->FileName()) << qPrintable(name);
            EXPECT_TRUE(editor->Modified()) << qPrintable(name);
            EXPECT_EQ(QByteArray("kept\n"), readAll(path)) << qPrintable(name);
        }
        // Closing every editor, as quitting the program does, stops at the cancel.
        AnswerQuestion(answer);
        EXPECT_FALSE(TfText::CloseAll(&owner));
        Settle();
        ASSERT_FALSE(editor.isNull());
    }
    EXPECT_EQ(QByteArray("other\n"), readAll(other));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(TextEditor, AFileWithAVeryLongLineNeverBlocksTheWindow)
{
    // Minified data: 4 MB on one line.
    QByteArray line;
    while (line.size() < (4 << 20))
        line += "{\"id\":12345,\"name\":\"value\",\"list\":[1,2,3]},";
    const QString path = dir.write("data.json", line);
    TfText* editor = Open(path);
    EXPECT_FALSE(editor->LabelNote->text().isEmpty());
    EXPECT_TRUE(editor->LabelNote->isVisible());

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    ticks.start(10);
    editor->activateWindow();
    editor->Memo->setFocus();
    for (int key = 0; key < 3; ++key) {
        QTest::keyClick(editor->Memo, Qt::Key_X);
        QTest::qWait(50);
    }
    ticks.stop();
    EXPECT_LT(longestGap, 1500); // seconds per key before; a loaded machine stays far below
    PressSave(editor);
    EXPECT_EQ(line, readAll(path));
}

TEST_F(TextEditor, FindGoesFromLineToLineWrapsAroundAndBack)
{
    TfText* editor = Open(dir.write("find.txt", "alpha\nBeta gamma\nbeta\nalphabet beta\n"));
    Key(editor, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(editor->FindBar->isVisible());
    ASSERT_EQ(editor->FindBar->FindEdit, QApplication::focusWidget());
    QTest::keyClicks(editor->FindBar->FindEdit, QStringLiteral("beta"));
    Key(editor, Qt::Key_Return);
    EXPECT_EQ(QStringLiteral("1:0 Beta"), Selection(editor));
    Key(editor, Qt::Key_F3);
    EXPECT_EQ(QStringLiteral("2:0 beta"), Selection(editor));
    Key(editor, Qt::Key_F3);
    EXPECT_EQ(QStringLiteral("3:9 beta"), Selection(editor));
    EXPECT_EQ(QString(), editor->StatusMessage());
    Key(editor, Qt::Key_F3);
    EXPECT_EQ(QStringLiteral("1:0 Beta"), Selection(editor));
    EXPECT_TRUE(editor->StatusMessage().contains(QStringLiteral("end of the text")))
        << qPrintable(editor->StatusMessage());
    Key(editor, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(QStringLiteral("3:9 beta"), Selection(editor));
    EXPECT_TRUE(editor->StatusMessage().contains(QStringLiteral("start of the text")));
    Key(editor, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(QStringLiteral("2:0 beta"), Selection(editor));

    // Match case skips "Beta"; whole words skip "alphabet".
    editor->FindBar->CheckMatchCase->click();
    Key(editor, Qt::Key_F3);
    Key(editor, Qt::Key_F3);
    EXPECT_EQ(QStringLiteral("2:0 beta"), Selection(editor));
    editor->FindBar->CheckWholeWords->click();
    editor->FindBar->FindEdit->setFocus();
    editor->FindBar->FindEdit->selectAll();
    QTest::keyClicks(editor->FindBar->FindEdit, QStringLiteral("alpha"));
    Key(editor, Qt::Key_Return);
    Key(editor, Qt::Key_Return);
    EXPECT_EQ(QStringLiteral("0:0 alpha"), Selection(editor));

    // Not found: said, and the selection stays.
    editor->FindBar->FindEdit->selectAll();
    QTest::keyClicks(editor->FindBar->FindEdit, QStringLiteral("zeta"));
    Key(editor, Qt::Key_Return);
    EXPECT_EQ(QStringLiteral("0:0 alpha"), Selection(editor));
    EXPECT_EQ(QStringLiteral("\u201Czeta\u201D was not found."), editor->StatusMessage());
}

TEST_F(TextEditor, ReplaceGoesOneByOneAndReplaceAllIsOneUndoStep)
{
    TfText* editor = Open(dir.write("cats.txt", "cat dog Cat\ncatalog cat\n"));
    Key(editor, Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(editor->FindBar->Replacing());
    QTest::keyClicks(editor->FindBar->FindEdit, QStringLiteral("cat"));
    editor->FindBar->CheckWholeWords->click();
    editor->FindBar->ReplaceEdit->setFocus();
    QTest::keyClicks(editor->FindBar->ReplaceEdit, QStringLiteral("cow"));
    Key(editor, Qt::Key_Return); // selects the first match
    EXPECT_EQ(QStringLiteral("0:0 cat"), Selection(editor));
    Key(editor, Qt::Key_Return); // replaces it and selects the next
    EXPECT_EQ(QStringLiteral("cow dog Cat\ncatalog cat\n"), editor->Memo->toPlainText());
    EXPECT_EQ(QStringLiteral("0:8 Cat"), Selection(editor));

    editor->FindBar->ButtonReplaceAll->click();
    EXPECT_EQ(QStringLiteral("cow dog cow\ncatalog cow\n"), editor->Memo->toPlainText());
    EXPECT_EQ(QStringLiteral("Replaced 2 matches."), editor->StatusMessage());
    editor->Memo->setFocus();
    Key(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(QStringLiteral("cow dog Cat\ncatalog cat\n"), editor->Memo->toPlainText());

    // Ctrl+R is the same command.
    editor->FindBar->FindEdit->setFocus();
    Key(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->FindBar->isVisible());
    Key(editor, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(editor->FindBar->Replacing());
}

TEST_F(TextEditor, GoToLineClampsAndSaysWhatIsWrong)
{
    TfText* editor = Open(dir.write("lines.txt", "1\n2\n3\n4\n5"));
    AnswerGoToLine(QStringLiteral("3"));
    Key(editor, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(2, editor->Memo->textCursor().blockNumber());
    EXPECT_EQ(QString(), editor->StatusMessage());

    AnswerGoToLine(QStringLiteral("99"));
    Key(editor, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(4, editor->Memo->textCursor().blockNumber());
    EXPECT_TRUE(editor->StatusMessage().contains(QStringLiteral("1 to 5")))
        << qPrintable(editor->StatusMessage());

    AnswerGoToLine(QStringLiteral("three"));
    Key(editor, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(4, editor->Memo->textCursor().blockNumber());
    EXPECT_TRUE(
        editor->StatusMessage().contains(QStringLiteral("\u201Cthree\u201D is not a line number")))
        << qPrintable(editor->StatusMessage());
}

TEST_F(TextEditor, EscapeClosesTheFindBarThenTheWindowOfferingToSave)
{
    const QString path = dir.write("esc.txt", "text\n");
    QPointer<TfText> editor = Open(path);
    Type(editor, QStringLiteral("more"));
    Key(editor, Qt::Key_F, Qt::ControlModifier);
    Key(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->FindBar->isVisible());
    EXPECT_EQ(editor->Memo, QApplication::focusWidget());

    QString shown;
    AnswerQuestion(TAnswer::Escape, &shown);
    Key(editor, Qt::Key_Escape);
    Settle();
    ASSERT_FALSE(editor.isNull());
    EXPECT_TRUE(shown.contains(QStringLiteral("has been modified"))) << qPrintable(shown);
    EXPECT_TRUE(editor->Modified());

    AnswerQuestion(TAnswer::No);
    Key(editor, Qt::Key_Escape);
    Settle();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(QByteArray("text\n"), readAll(path));

    editor = Open(path); // unchanged: no question
    Key(editor, Qt::Key_Escape);
    Settle();
    EXPECT_TRUE(editor.isNull());
}

TEST_F(TextEditor, ChoosingAnEncodingReadsTheFileAgainAndSavesKeepIt)
{
    // Windows-1251 text, guessed as Windows-1252 (it is not UTF-8).
    const QByteArray cyrillic("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n\xE4\xE0\r\n");
    const QString path = dir.write("ru.txt", cyrillic);
    TfText* editor = Open(path);
    EXPECT_EQ(QStringLiteral("Windows-1252"), editor->LabelEncoding->text());
    EncodingEntry(editor, QStringLiteral("Windows-1251"))->trigger();
    EXPECT_EQ(QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440\n"
                             "\u0434\u0430\n"),
              editor->Memo->toPlainText());
    EXPECT_EQ(QStringLiteral("Windows-1251"), editor->LabelEncoding->text());
    EXPECT_TRUE(EncodingEntry(editor, QStringLiteral("Windows-1251"))->isChecked());
    EXPECT_FALSE(editor->Modified());

    PressSave(editor);
    EXPECT_EQ(cyrillic, readAll(path));
    TypeInLineAndSave(editor, 1, QStringLiteral("\u0434!"));
    EXPECT_EQ(QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n\xE4\xE0\xE4!\r\n"),
              readAll(path));

    // A changed text is read again only when the user agrees to drop the changes.
    Type(editor, QStringLiteral("x"));
    TConfirmSeen seen;
    AnswerConfirm(false, &seen);
    EncodingEntry(editor, QStringLiteral("KOI8-R"))->trigger();
    EXPECT_TRUE(seen.Question.contains(QStringLiteral("KOI8-R"))) << qPrintable(seen.Question);
    EXPECT_TRUE(editor->Memo->toPlainText().endsWith(u'x'));
    EXPECT_TRUE(editor->Modified());
    EXPECT_TRUE(EncodingEntry(editor, QStringLiteral("Windows-1251"))->isChecked());
    AnswerConfirm(true);
    EncodingEntry(editor, QStringLiteral("KOI8-R"))->trigger();
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(QStringLiteral("KOI8-R"), editor->LabelEncoding->text());
    EXPECT_FALSE(editor->Memo->toPlainText().endsWith(u'x'));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(TextEditor, ACharacterTheEncodingCannotHoldIsNamedAndNothingLossyIsWritten)
{
    const QByteArray cyrillic("\xE4\xE0\n\xED\xE5\xF2\n");
    const QString path = dir.write("ru.txt", cyrillic);
    TfText* editor = Open(path);
    EncodingEntry(editor, QStringLiteral("Windows-1251"))->trigger();
    TConfirmSeen seen;
    AnswerConfirm(false, &seen);
    TypeInLineAndSave(editor, 1, QStringLiteral("\u6F22"));
    EXPECT_TRUE(seen.Notice.contains(QStringLiteral("Windows-1251")) &&
                seen.Notice.contains(QStringLiteral("\u6F22 (U+6F22) of line 2, column 4")))
        << qPrintable(seen.Notice);
    EXPECT_EQ(cyrillic, readAll(path));
    EXPECT_TRUE(editor->Modified());
    AnswerConfirm(true);
    PressSave(editor);
    EXPECT_EQ(QByteArray("\xD0\xB4\xD0\xB0\n\xD0\xBD\xD0\xB5\xD1\x82\xE6\xBC\xA2\n"),
              readAll(path));
    EXPECT_EQ(QStringLiteral("UTF-8"), editor->LabelEncoding->text());

    // Bytes without a character in the chosen encoding: a changed text asks first.
    const QByteArray broken("\x82\xA0\xFF\n");
    const QString japanese = dir.write("ja.txt", broken);
    editor = Open(japanese);
    EncodingEntry(editor, QStringLiteral("Shift JIS"))->trigger();
    EXPECT_FALSE(editor->LabelNote->text().isEmpty());
    PressSave(editor);
    EXPECT_EQ(broken, readAll(japanese)); // unchanged: the bytes read
    AnswerConfirm(false, &seen);
    TypeInLineAndSave(editor, 0, QStringLiteral("!"));
    EXPECT_TRUE(seen.Notice.contains(QStringLiteral("stand-ins"))) << qPrintable(seen.Notice);
    EXPECT_EQ(broken, readAll(japanese));
    EXPECT_TRUE(editor->Modified());
}
