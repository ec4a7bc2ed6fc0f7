// Undo in the main window: the item of the Commands menu and its key.
#include "main/uMain.h"

#include <QMenu>

void TfMain::CreateUndoItem(QMenu* commands)
{
    // Ctrl+Z belongs to the main window's lists: an open in-place edit and the dialogs
    // and viewers, being other widgets or windows, keep their own.
    Actions.MenuUndo = new QAction(QStringLiteral("Undo"), this);
    Actions.MenuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* first = commands->actions().value(0);
    commands->insertAction(first, Actions.MenuUndo);
    commands->insertSeparator(first);
    connect(Actions.MenuUndo, &QAction::triggered, this, Command(&TfMain::MenuUndoClick));
    m_commands.History().OnChange = [this] { UpdateUndoItem(); };
    UpdateUndoItem();
}

void TfMain::UpdateUndoItem()
{
    QString text = m_commands.History().MenuText();
    Actions.MenuUndo->setText(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
    Actions.MenuUndo->setEnabled(m_commands.History().Last() != nullptr);
}

void TfMain::MenuUndoClick()
{
    if (!ReadingAny() && !UndoRemote())
        KeepingActive([this] { WithZipMessages([this] { m_commands.Undo(); }); });
}
