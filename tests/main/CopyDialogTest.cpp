// The copy dialog of F5, F6 and Shift+F6, driven by keys as a user drives it: the target
// line is typed into and Enter or Escape pressed where the focus is.
#include "fileops/uCopyTarget.h"
#include "main/UserInputFixture.h"
#include "main/uProperties.h"
#include "platform/ConfigPath.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "transfer/ShellFileOperation.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>

namespace
{

// Every byte value, many times: a copy that changes any byte differs.
QByteArray AllBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.append(char((i * 7 + i / 256) & 0xff));
    return bytes;
}

// What a showing of the copy dialog held when it was answered.
struct TSeen {
    QString Title, What, Target, Selected, Why;
    bool TargetFocused{false};
    bool StayedOpen{false}; // still open after Enter on what was typed
};

} // namespace

class CopyDialogTest : public UserInputTest
{
protected:
    void SetUp() override
    {
        UserInputTest::SetUp();
        main->AskTarget = true; // as at a first start
    }

    // Answers the next copy dialog: `edit` runs on its target line (typing into it), then
    // Enter is pressed where the focus is. A dialog that stays open, saying why, is left
    // with Escape.
    void Answer(const std::function<void(QLineEdit*)>& edit, TSeen* seen = nullptr,
                Qt::Key key = Qt::Key_Return)
    {
        AnswerNextModal([edit, seen, key](QDialog* d) {
            auto* dialog = qobject_cast<TfCopyTarget*>(d);
            ASSERT_NE(dialog, nullptr) << "not the copy dialog";
            TSeen shown{dialog->windowTitle(), dialog->LabelWhat->text(), dialog->Edit->text(),
                        dialog->Edit->selectedText()};
            shown.TargetFocused = d->focusWidget() == dialog->Edit;
            if (edit)
                edit(dialog->Edit);
            PressKey(d, key);
            if (d->isVisible()) {
                shown.StayedOpen = true;
                shown.Why = dialog->LabelWhy->isVisible() ? dialog->LabelWhy->text() : QString();
                PressKey(d, Qt::Key_Escape);
            }
            if (seen)
                *seen = shown;
        });
    }
    // Types `text` over what is selected in the line, as keys.
    static std::function<void(QLineEdit*)> Typing(const QString& text)
    {
        return [text](QLineEdit* line) { QTest::keyClicks(line, text); };
    }
    // Selects the whole line first (Ctrl+A), then types.
    static std::function<void(QLineEdit*)> Retyping(const QString& text)
    {
        return [text](QLineEdit* line) {
            QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(line, text);
        };
    }
    // Answers the next question with the key given (Enter: Yes, Escape: No). Armed from
    // inside the copy dialog, for the question its Enter asks.
    static void AnswerQuestionByKey(Qt::Key key, QStringList* texts)
    {
        AnswerNextModal([key, texts](QDialog* d) {
            *texts = {fConfirm->LabelNotice->text(), fConfirm->LabelConfirm->text()};
            PressKey(d, key);
        });
    }
    // Records whether a copy dialog shows up, closing it so that the test goes on, for as
    // long as the timer returned lives.
    static std::unique_ptr<QTimer> WatchForCopyDialog(bool& shown)
    {
        auto watch = std::make_unique<QTimer>();
        QObject::connect(watch.get(), &QTimer::timeout, [&shown] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<TfCopyTarget*>(w) && w->isVisible()) {
                    shown = true;
                    static_cast<QDialog*>(w)->reject();
                }
        });
        watch->start(10);
        return watch;
    }
    QStringList Entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(CopyDialogTest, F5EnterCopiesIntoTheOtherPanelByteForByte)
{
    const QByteArray bytes = AllBytes();
    dir.write("left/data.bin", bytes);
    Reload();
    Click(At(sdLeft, "data.bin"));
    TSeen seen;
    Answer({}, &seen);
    Key(Qt::Key_F5);
    EXPECT_EQ(seen.Title, "Copy");
    EXPECT_EQ(seen.What, "Copy \"data.bin\" to:");
    EXPECT_EQ(seen.Target, right);
    EXPECT_TRUE(seen.TargetFocused);
    EXPECT_EQ(seen.Selected, right); // typing replaces it at once
    EXPECT_FALSE(seen.StayedOpen);
    EXPECT_EQ(readAll(right + "data.bin"), bytes);
    EXPECT_EQ(readAll(left + "data.bin"), bytes);
    EXPECT_TRUE(Names(sdRight).contains("data.bin"));
}

TEST_F(CopyDialogTest, TheDialogCountsWhatGoesAndEscapeDoesNothing)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    dir.write("left/sub1/x", "x");
    dir.write("left/sub2/y", "y");
    Reload();
    Select(sdLeft, {"a.txt", "sub1", "sub2"});
    TSeen copy;
    Answer({}, &copy, Qt::Key_Escape);
    Key(Qt::Key_F5);
    Select(sdLeft, {"a.txt", "b.txt"});
    TSeen move;
    Answer(Typing("elsewhere/"), &move, Qt::Key_Escape);
    Key(Qt::Key_F6);
    Select(sdLeft, {"sub1"});
    TSeen one;
    Answer({}, &one, Qt::Key_Escape);
    Key(Qt::Key_F6);
    EXPECT_EQ(copy.What, "Copy 1 file and 2 folders to:");
    EXPECT_EQ(move.Title, "Move");
    EXPECT_EQ(move.What, "Move 2 files to:");
    EXPECT_EQ(one.What, "Move \"sub1\" to:");
    EXPECT_TRUE(Entries(right).isEmpty());
    EXPECT_EQ(Entries(left), QStringList({"a.txt", "b.txt", "sub1", "sub2"}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(CopyDialogTest, ATypedTargetIsANewNameARelativePathOrANewFolder)
{
    dir.write("left/a.txt", "alpha");
    const QString home = dir.mkdir("home");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.toUtf8());
    const auto restoreHome = qScopeGuard([&] { qputenv("HOME", oldHome); });
    Reload();
    const auto copyTyping = [this](const QString& text) {
        Click(At(sdLeft, "a.txt"));
        Answer(Retyping(text));
        Key(Qt::Key_F5);
    };
    copyTyping("b.txt"); // a new name, in the active panel's folder
    copyTyping("../right/c.txt");
    copyTyping("~/d.txt");
    copyTyping("../right/"); // an existing folder
    QStringList question;
    Click(At(sdLeft, "a.txt"));
    Answer([&question](QLineEdit* line) {
        Retyping("../right/new/deeper/")(line);
        AnswerQuestionByKey(Qt::Key_Return, &question);
    });
    Key(Qt::Key_F5);
    EXPECT_EQ(readAll(left + "b.txt"), "alpha");
    EXPECT_EQ(readAll(right + "c.txt"), "alpha");
    EXPECT_EQ(readAll(home + "d.txt"), "alpha");
    EXPECT_EQ(readAll(right + "a.txt"), "alpha");
    EXPECT_EQ(readAll(right + "new/deeper/a.txt"), "alpha");
    EXPECT_EQ(question,
              QStringList({QStringLiteral("The folder %1new/deeper/ does not exist.").arg(right),
                           QStringLiteral("Create folder %1new/deeper/ ?").arg(right)}));
    EXPECT_EQ(Entries(left), QStringList({"a.txt", "b.txt"}));
    EXPECT_EQ(Entries(right), QStringList({"a.txt", "c.txt", "new"}));
    EXPECT_EQ(Entries(right + "new/deeper"), QStringList({"a.txt"}));
    EXPECT_EQ(Entries(home), QStringList({"d.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(CopyDialogTest, ATargetThatCannotBeTakenSaysWhyAndNothingIsWritten)
{
    dir.write("left/a.txt", "a");
    dir.write("left/blocker.txt", "in the way");
    Reload();
    Click(At(sdLeft, "a.txt"));
    TSeen fileInTheWay, empty, declined;
    Answer(Retyping("blocker.txt/sub/"), &fileInTheWay);
    Key(Qt::Key_F5);
    // The whole line is selected: Backspace empties it.
    Answer([](QLineEdit* line) { QTest::keyClick(line, Qt::Key_Backspace); }, &empty);
    Key(Qt::Key_F5);
    QStringList question;
    Answer(
        [&question](QLineEdit* line) {
            Retyping("../right/new/")(line);
            AnswerQuestionByKey(Qt::Key_Escape, &question);
        },
        &declined);
    Key(Qt::Key_F6);
    EXPECT_TRUE(fileInTheWay.StayedOpen);
    EXPECT_EQ(fileInTheWay.Why,
              QStringLiteral("\"%1blocker.txt\" is a file, not a folder.").arg(left));
    EXPECT_TRUE(empty.StayedOpen);
    EXPECT_EQ(empty.Why, "Type the folder to copy into, or a new name.");
    EXPECT_EQ(question.value(1), QStringLiteral("Create folder %1new/ ?").arg(right));
    EXPECT_TRUE(declined.StayedOpen);
    EXPECT_EQ(declined.Why, QStringLiteral("The folder %1new/ does not exist.").arg(right));
    EXPECT_EQ(Entries(left), QStringList({"a.txt", "blocker.txt"}));
    EXPECT_EQ(readAll(left + "blocker.txt"), "in the way");
    EXPECT_TRUE(Entries(right).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(CopyDialogTest, F6MovesAndShiftF6RenamesOrMoves)
{
    dir.write("left/m.txt", "move me");
    dir.write("left/report.v1.txt", "report");
    Reload();
    Click(At(sdLeft, "m.txt"));
    Answer({});
    Key(Qt::Key_F6);
    Click(At(sdLeft, "report.v1.txt"));
    TSeen rename;
    Answer(Typing("report.v2"), &rename);
    Key(Qt::Key_F6, Qt::ShiftModifier);
    const TUndoRecord* renamed = main->Commands().History().Last();
    const bool recordedAsRename = renamed && renamed->Kind == TUndoKind::Rename;
    Click(At(sdLeft, "report.v2.txt"));
    Answer(Retyping("../right/"));
    Key(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(readAll(right + "m.txt"), "move me");
    EXPECT_EQ(rename.Title, "Rename or move");
    EXPECT_EQ(rename.What, "Rename or move \"report.v1.txt\" to:");
    EXPECT_EQ(rename.Target, "report.v1.txt");
    EXPECT_EQ(rename.Selected, "report.v1"); // the name before its extension, as F2 selects
    EXPECT_TRUE(rename.TargetFocused);
    EXPECT_TRUE(recordedAsRename);
    EXPECT_EQ(readAll(right + "report.v2.txt"), "report");
    EXPECT_TRUE(Entries(left).isEmpty());
    EXPECT_EQ(Entries(right), QStringList({"m.txt", "report.v2.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// The target as the other panel showed it, Enter at once: the command of the direct copy,
// also into an archive shown there.
TEST_F(CopyDialogTest, EnterOnTheOtherPanelsArchiveAddsToItAsTheDirectCopyDoes)
{
    dir.write("left/a.txt", "into the archive");
    ASSERT_TRUE(ArchiveWithOneMember(right, "box.zip"));
    Reload();
    OpenArchive(sdRight, "box.zip");
    Click(At(sdLeft, "a.txt"));
    TSeen seen;
    Answer({}, &seen);
    Key(Qt::Key_F5);
    EXPECT_EQ(seen.Target, right + "box.zip");
    EXPECT_EQ(MemberContent(right + "box.zip", "a.txt"), "into the archive");
    EXPECT_EQ(MemberContent(right + "box.zip", "x.txt"), "in archive");
    EXPECT_EQ(Entries(right), QStringList({"box.zip"}));
}

// Bytes that are not UTF-8 in the pre-filled target show as U+FFFD; what the user leaves of
// it keeps the original bytes, so the copy goes into that folder and no look-alike is made.
TEST_F(CopyDialogTest, TheTargetLeftAsItWasKeepsItsBytes)
{
    dir.write("left/a.txt", "a");
    const QString latin1 = platform::DecodeFileName(QByteArray("caf\xe9"));
    platform::CreateDirectory(right + latin1);
    Reload();
    Open(sdRight, right + latin1 + '/');
    Open(sdLeft, left);
    Click(At(sdLeft, "a.txt"));
    TSeen seen;
    QStringList question;
    Answer(
        [&question](QLineEdit* line) {
            QTest::keyClick(line, Qt::Key_End);
            QTest::keyClicks(line, "sub/");
            AnswerQuestionByKey(Qt::Key_Return, &question);
        },
        &seen);
    Key(Qt::Key_F5);
    EXPECT_EQ(seen.Target, right + QStringLiteral("caf\uFFFD/"));
    EXPECT_EQ(question.value(1), QStringLiteral("Create folder %1caf\uFFFD/sub/ ?").arg(right));
    EXPECT_TRUE(platform::FileExists(right + latin1 + "/sub/a.txt"));
    EXPECT_FALSE(platform::DirectoryExists(right + QStringLiteral("caf\uFFFD"))); // no look-alike
    // The scratch folder's own clean-up cannot name it.
    platform::ShellFileOperation(platform::TShellFunction::Delete, right + latin1, {}, false);
}

TEST_F(CopyDialogTest, WithTheSettingOffF5AndF6GoAtOnceAndTheSettingIsKept)
{
    const QString config = dir.mkdir("config");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("XDG_CONFIG_HOME"); });
    const auto nextRun = [this] {
        delete fProperties; // it belongs to the window that goes
        fProperties = nullptr;
        main = std::make_unique<TfMain>();
    };
    const auto setAsking = [this](bool on) {
        AnswerNextModal([this, on](QDialog* d) {
            auto* properties = static_cast<TfProperties*>(d);
            properties->ConfigPath = dir("config/Trovel.ini"); // the test's, not the program's
            properties->CheckBoxAskTarget->setChecked(on);
            properties->ButtonAccept->click();
        });
        main->Actions.MenuProperties->trigger();
    };
    dir.write("left/a.txt", "copied");
    dir.write("left/b.txt", "moved");
    setAsking(false);
    bool dialogShown = false;
    auto watch = WatchForCopyDialog(dialogShown);
    Reload();
    Click(At(sdLeft, "a.txt"));
    Key(Qt::Key_F5);
    Click(At(sdLeft, "b.txt"));
    Key(Qt::Key_F6);
    watch.reset();
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(readAll(right + "a.txt"), "copied");
    EXPECT_EQ(readAll(right + "b.txt"), "moved");
    EXPECT_EQ(Entries(left), QStringList({"a.txt"}));

    nextRun();
    const bool keptOff = !main->AskTarget;
    setAsking(true);
    nextRun();
    EXPECT_TRUE(keptOff);
    EXPECT_TRUE(main->AskTarget);
    QFile::remove(platform::UserSettingsFilePath());
    nextRun();
    EXPECT_TRUE(main->AskTarget); // a first start asks
}

TEST_F(CopyDialogTest, ADropCopiesOrMovesAtOnce)
{
    dir.write("left/copied.txt", "c");
    dir.write("left/moved.txt", "m");
    Reload();
    bool dialogShown = false;
    auto watch = WatchForCopyDialog(dialogShown);
    Click(At(sdLeft, "copied.txt"));
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::ControlModifier); // Ctrl: a copy
    main->FilesMouseUp(sdRight);
    Click(At(sdLeft, "moved.txt"));
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    main->FilesMouseUp(sdRight);
    watch.reset();
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(Entries(right), QStringList({"copied.txt", "moved.txt"}));
    EXPECT_EQ(Entries(left), QStringList({"copied.txt"}));
}
