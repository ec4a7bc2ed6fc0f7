#pragma once
// The main window with two scratch folders in its panels, dialogs answered by the test
// and messages captured instead of shown.

#include "fileops/ModalAnswer.h"
#include "fileops/uCollision.h"
#include "fileops/uConfirm.h"
#include "fileops/uSimple.h"
#include "main/MainWindowFixture.h"
#include "platform/Messages.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

class FileOpsTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        platform::SetMessageHandler([this](const QString& m) { messages << m; });
        left = dir.mkdir("left");
        right = dir.mkdir("right");
        Open(sdRight, right);
        Open(sdLeft, left);
    }
    void TearDown() override { platform::SetMessageHandler({}); }

    // Selects exactly the named rows of a panel (focus on the first) and makes it active.
    void Select(TSide side, const QStringList& names)
    {
        TVirtualListView* files = main->Panel(side).Files;
        files->ClearItemStates();
        for (const QString& name : names) {
            const int row = Row(side, name);
            ASSERT_GE(row, 0) << name.toStdString();
            files->SetItemSelected(row, true);
        }
        main->FilesEnter(side);
    }

    void Reload()
    {
        Open(sdRight, main->Right().Directory);
        Open(sdLeft, main->Left().Directory);
    }

    // Opens an archive of a panel's folder in that panel.
    void OpenArchive(TSide side, const QString& name)
    {
        main->Panel(side).Files->FocusItem(Row(side, name));
        main->FilesDblClick(side);
        ASSERT_TRUE(main->ShowsArchive(side));
    }

    // Answers the next input dialog with `text` and Accept.
    void AnswerInput(const QString& text)
    {
        AnswerNextModal([text](QDialog* d) {
            d->findChild<QLineEdit*>()->setText(text);
            d->done(1);
        });
    }
    // Answers the next question with Yes (1) or No (2), keeping its texts.
    void AnswerQuestion(int result, QStringList* texts = nullptr)
    {
        AnswerNextModal([result, texts](QDialog* d) {
            if (texts)
                *texts = {fConfirm->LabelNotice->text(), fConfirm->LabelConfirm->text()};
            d->done(result);
        });
    }

    // Answers the next question about a taken name by clicking `button` of it (the
    // dialog's ButtonSkip, ButtonRename, ...), after ticking "Apply to all" with `all`.
    void AnswerTakenName(QPushButton* TfCollision::*button, bool all = false)
    {
        AnswerNextModal([button, all](QDialog* d) {
            auto* question = qobject_cast<TfCollision*>(d);
            ASSERT_TRUE(question);
            if (all)
                question->CheckAll->setChecked(true);
            QTest::mouseClick(question->*button, Qt::LeftButton);
        });
    }

    // Presses a key in the active panel's list, as a user does (F5, F7, F9 ...).
    void Press(Qt::Key key)
    {
        QApplication::setActiveWindow(main.get()); // as when a dialog has closed
        QTest::keyClick(main->Panel(main->ActiveSide()).Files->ActiveView(), key);
    }
    // Answers the next input dialog by typing `text` over the proposal and pressing Enter.
    void TypeInput(const QString& text)
    {
        AnswerNextModal([text](QDialog* d) {
            auto* edit = d->findChild<QLineEdit*>();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, text);
            PressKey(d, Qt::Key_Return);
        });
    }
    // The names of a panel's selected rows and of its focused row.
    QStringList SelectedNames(TSide side)
    {
        QStringList names;
        for (int row : main->Panel(side).Files->SelectedRows())
            names << main->Panel(side).Listing[row].Name;
        return names;
    }
    QString FocusedName(TSide side)
    {
        const int row = main->Panel(side).Files->GetFocusedIndex();
        return row < 0 ? QString() : main->Panel(side).Listing[row].Name;
    }

    // A member's content as the unzip tool reads it (the name must hold no pattern signs).
    static QByteArray MemberContent(const QString& archive, const QString& name)
    {
        QProcess unzip;
        unzip.start("unzip", {"-p", archive, name});
        unzip.waitForFinished();
        return unzip.readAllStandardOutput();
    }

    QStringList messages;
    QString left, right;
};
