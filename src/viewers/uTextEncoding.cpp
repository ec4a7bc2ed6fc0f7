// The text editor's encodings: the Encoding menu, reading the file again in the one
// chosen, and the encoding in the status line.
#include "fileops/uConfirm.h"
#include "platform/Messages.h"
#include "viewers/uText.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>

void TfText::BuildEncodingMenu()
{
    MenuEncoding = menuBar()->addMenu(QStringLiteral("E&ncoding"));
    m_encodings = new QActionGroup(this);
    m_encodings->setExclusive(true);
    for (const viewers::TEncoding& encoding : viewers::Encodings()) {
        QAction* action = MenuEncoding->addAction(QString::fromLatin1(encoding.Name));
        action->setCheckable(true);
        action->setData(QVariant::fromValue(static_cast<const void*>(&encoding)));
        m_encodings->addAction(action);
        connect(action, &QAction::triggered, this, [this, e = &encoding] { ChooseEncoding(e); });
    }
}

void TfText::ShowFormat()
{
    QString shown = viewers::EncodingName(m_format.Encoding);
    if (m_format.ByteOrderMark)
        shown += QStringLiteral(" (with byte-order mark)");
    LabelEncoding->setText(shown);
    for (QAction* action : m_encodings->actions())
        action->setChecked(action->data().value<const void*>() == m_format.Encoding);
    ShowNote();
}

void TfText::ChooseEncoding(const viewers::TEncoding* encoding)
{
    if (encoding == m_format.Encoding) {
        ShowFormat();
        return;
    }
    if (IsUntitled()) {
        // Nothing to read again: the text is saved in the encoding chosen.
        m_format.Encoding = encoding;
        m_format.ByteOrderMark = false;
        ShowFormat();
        return;
    }
    if (m_modified &&
        !AskConfirmation(QStringLiteral("The file %1 has been modified.").arg(ShownName()),
                         QStringLiteral("Do you want to drop the changes and read it again "
                                        "as %1 ?")
                             .arg(viewers::EncodingName(encoding)))) {
        ShowFormat(); // the menu shows the encoding kept
        return;
    }
    viewers::TTextFormat format;
    try {
        format = viewers::ReadTextFile(m_fileName, encoding);
    } catch (const platform::EError& error) {
        platform::ShowMessage(error.Message());
        ShowFormat();
        return;
    }
    // The same place in the text, as far as it goes.
    const int line = Memo->textCursor().blockNumber();
    const int scrolled = Memo->verticalScrollBar()->value();
    m_format = std::move(format);
    ShowText(m_format.Text);
    SetModified(false);
    Memo->setTextCursor(QTextCursor(Memo->document()->findBlockByNumber(line)));
    Memo->verticalScrollBar()->setValue(scrolled);
    ShowFormat();
}
