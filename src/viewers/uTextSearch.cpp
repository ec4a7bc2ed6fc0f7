// The text editor's search: the find bar, next and previous match, replace, go to line.
#include "viewers/FindBar.h"
#include "viewers/TextSearch.h"
#include "viewers/uText.h"

#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace
{

QAction* AddEntry(QMenu* menu, const QString& text, const QList<QKeySequence>& keys)
{
    QAction* action = menu->addAction(text);
    action->setShortcuts(keys);
    return action;
}

QString Quoted(const QString& text)
{
    return QStringLiteral("\u201C%1\u201D").arg(text);
}

} // namespace

void TfText::BuildSearchMenu()
{
    MenuSearch = menuBar()->addMenu(QStringLiteral("&Search"));
    MenuSearchFind =
        AddEntry(MenuSearch, QStringLiteral("&Find..."), {QKeySequence(QStringLiteral("Ctrl+F"))});
    MenuSearchNext = AddEntry(MenuSearch, QStringLiteral("Find &next"), {QKeySequence(Qt::Key_F3)});
    MenuSearchPrevious = AddEntry(MenuSearch, QStringLiteral("Find &previous"),
                                  {QKeySequence(Qt::SHIFT | Qt::Key_F3)});
    MenuSearchReplace =
        AddEntry(MenuSearch, QStringLiteral("&Replace..."),
                 {QKeySequence(QStringLiteral("Ctrl+H")), QKeySequence(QStringLiteral("Ctrl+R"))});
    MenuSearch->addSeparator();
    MenuSearchGoToLine = AddEntry(MenuSearch, QStringLiteral("&Go to line..."),
                                  {QKeySequence(QStringLiteral("Ctrl+G"))});
    connect(MenuSearchFind, &QAction::triggered, this, &TfText::MenuSearchFindClick);
    connect(MenuSearchNext, &QAction::triggered, this, &TfText::FindNext);
    connect(MenuSearchPrevious, &QAction::triggered, this, &TfText::FindPrevious);
    connect(MenuSearchReplace, &QAction::triggered, this, &TfText::MenuSearchReplaceClick);
    connect(MenuSearchGoToLine, &QAction::triggered, this, &TfText::MenuSearchGoToLineClick);
    connect(FindBar, &TFindBar::FindNext, this, &TfText::FindNext);
    connect(FindBar, &TFindBar::FindPrevious, this, &TfText::FindPrevious);
    connect(FindBar, &TFindBar::Replace, this, &TfText::ReplaceOne);
    connect(FindBar, &TFindBar::ReplaceAll, this, &TfText::ReplaceAll);
    connect(FindBar, &TFindBar::Closed, this, [this] { Memo->setFocus(); });
}

QString TfText::StatusMessage() const
{
    return statusBar()->currentMessage();
}

void TfText::Say(const QString& message)
{
    statusBar()->showMessage(message);
}

QString TfText::ShownText() const
{
    // toRawText keeps each block's end as U+2029: positions stay the document's.
    return Memo->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

void TfText::MenuSearchFindClick()
{
    // A selection within one line is what the user most likely wants to find.
    const QString selected = Memo->textCursor().selectedText();
    FindBar->Start(false, selected.contains(QChar::ParagraphSeparator) ? QString() : selected);
}

void TfText::MenuSearchReplaceClick()
{
    const QString selected = Memo->textCursor().selectedText();
    FindBar->Start(true, selected.contains(QChar::ParagraphSeparator) ? QString() : selected);
}

void TfText::FindNext()
{
    Find(false);
}

void TfText::FindPrevious()
{
    Find(true);
}

bool TfText::Find(bool backward)
{
    const QString what = FindBar->FindText();
    if (what.isEmpty()) {
        MenuSearchFindClick(); // nothing to look for yet: the bar asks for it
        return false;
    }
    const QTextCursor cursor = Memo->textCursor();
    const qsizetype from = backward ? cursor.selectionStart() : cursor.selectionEnd();
    const viewers::TFound found =
        viewers::FindText(ShownText(), what, from, backward, FindBar->Options());
    if (found.At < 0) {
        Say(QStringLiteral("%1 was not found.").arg(Quoted(what)));
        return false;
    }
    QTextCursor match(Memo->document());
    match.setPosition(int(found.At));
    match.setPosition(int(found.At + what.size()), QTextCursor::KeepAnchor);
    Memo->setTextCursor(match);
    Memo->ensureCursorVisible();
    if (found.Wrapped)
        Say(backward ? QStringLiteral("Passed the start of the text: found again from the end.")
                     : QStringLiteral("Passed the end of the text: found again from the start."));
    else
        statusBar()->clearMessage();
    return true;
}

void TfText::ReplaceOne()
{
    if (Memo->isReadOnly()) {
        Say(QStringLiteral("The text is read-only: nothing was replaced."));
        return;
    }
    // The selected match is replaced, then the next one is selected.
    QTextCursor cursor = Memo->textCursor();
    if (cursor.hasSelection() &&
        viewers::MatchesAt(ShownText(), cursor.selectionStart(), FindBar->FindText(),
                           FindBar->Options()) &&
        cursor.selectionEnd() - cursor.selectionStart() == FindBar->FindText().size()) {
        cursor.insertText(FindBar->ReplaceText());
        Memo->setTextCursor(cursor);
    }
    Find(false);
}

void TfText::ReplaceAll()
{
    const QString what = FindBar->FindText();
    if (Memo->isReadOnly() || what.isEmpty()) {
        Say(Memo->isReadOnly() ? QStringLiteral("The text is read-only: nothing was replaced.")
                               : QStringLiteral("Type the text to replace first."));
        return;
    }
    const QList<qsizetype> found = viewers::FindAll(ShownText(), what, FindBar->Options());
    if (found.isEmpty()) {
        Say(QStringLiteral("%1 was not found.").arg(Quoted(what)));
        return;
    }
    // From the end, so the places still to replace stay where they were; one undo step.
    QTextCursor cursor(Memo->document());
    cursor.beginEditBlock();
    for (qsizetype i = found.size() - 1; i >= 0; --i) {
        cursor.setPosition(int(found[i]));
        cursor.setPosition(int(found[i] + what.size()), QTextCursor::KeepAnchor);
        cursor.insertText(FindBar->ReplaceText());
    }
    cursor.endEditBlock();
    Memo->setTextCursor(cursor);
    Say(found.size() == 1 ? QStringLiteral("Replaced 1 match.")
                          : QStringLiteral("Replaced %L1 matches.").arg(found.size()));
}

void TfText::MenuSearchGoToLineClick()
{
    const int lines = Memo->document()->blockCount();
    const int current = Memo->textCursor().blockNumber() + 1;
    bool ok = false;
    const QString typed = QInputDialog::getText(
        this, QStringLiteral("Go to line"), QStringLiteral("Line number (1 to %L1):").arg(lines),
        QLineEdit::Normal, QString::number(current), &ok);
    if (!ok)
        return;
    bool number = false;
    const qlonglong wanted = typed.trimmed().toLongLong(&number);
    if (!number) {
        Say(QStringLiteral("%1 is not a line number: type a number from 1 to %L2.")
                .arg(Quoted(typed.trimmed()))
                .arg(lines));
        return;
    }
    const int line = int(std::clamp<qlonglong>(wanted, 1, lines));
    QTextCursor cursor(Memo->document()->findBlockByNumber(line - 1));
    Memo->setTextCursor(cursor);
    Memo->centerCursor();
    Memo->setFocus();
    if (line != wanted)
        Say(QStringLiteral("The text has lines 1 to %L1: went to line %L2.").arg(lines).arg(line));
    else
        statusBar()->clearMessage();
}
