// An FTP place in the main window's panels, as a user reaches it: the drive list's
// "Connect to server…", the address typed, the login dialog answered by typing and
// clicking, then a file copied with F5.
#include "FtpTestSupport.h"
#include "controls/VirtualListView.h"
#include "panel/DriveSelector.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/Messages.h"
#include "remote/uConnectServer.h"
#include "remote/uRemoteLogin.h"
#include "zip/ZipArchive.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace
{

class FtpPanelTest : public FtpTest
{
protected:
    void SetUp() override
    {
        FtpTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        RegisterRemotePlaces(&Places());
        previous = platform::SetMessageHandler([this](const QString& text) { messages << text; });
        TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
        main = std::make_unique<TfMain>();
        main->resize(900, 600);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        QApplication::setActiveWindow(main.get());
        ASSERT_TRUE(
            WaitFor([this] { return !main->Reading(sdLeft) && !main->Reading(sdRight); }));
        QObject::connect(&dialogs, &QTimer::timeout, [this] { AnswerDialogs(); });
        dialogs.start(20);
    }
    void TearDown() override
    {
        dialogs.stop();
        main.reset();
        platform::SetMessageHandler(previous);
        RegisterRemotePlaces(nullptr);
    }

    // The dialogs a connection opens, answered as a user would.
    void AnswerDialogs()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* connect = qobject_cast<TfConnectServer*>(modal); connect && !typed.isEmpty()) {
            connect->EditUri->selectAll();
            QTest::keyClicks(connect->EditUri, typed);
            typed.clear();
            QTest::keyClick(connect->EditUri, Qt::Key_Return);
        } else if (auto* login = qobject_cast<TfRemoteLogin*>(modal)) {
            logins << login->LabelMessage->text();
            if (login->EditUser->isVisible() && login->EditUser->text().isEmpty())
                QTest::keyClicks(login->EditUser, TFtpServer::User());
            QTest::keyClicks(login->EditPassword, TFtpServer::Password());
            QTest::mouseClick(login->ButtonAccept, Qt::LeftButton);
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            otherDialogs << other->metaObject()->className();
            other->reject();
        }
    }
    QStringList Names(TSide side)
    {
        QStringList names;
        const TFileListing& l = main->Panel(side).Listing;
        for (int i = 0; i < l.Count(); ++i)
            names << l[i].Name;
        return names;
    }

    std::unique_ptr<TfMain> main;
    platform::TMessageHandler previous;
    QStringList messages, logins, otherDialogs;
    QTimer dialogs;
    QString typed; // the address the connect dialog gets, once
};

TEST_F(FtpPanelTest, ConnectsFromTheDriveListWithTheTypedPasswordAndCopiesAFile)
{
    Unmount(Server->RootUri() + QLatin1Char('/'));
    const QString folder = ServedFolder(QStringLiteral("panel"));
    const QString file = RandomFile(folder + QStringLiteral("/fetch me.bin"), 1 << 20);
    QTemporaryDir local;
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));

    typed = Server->Uri(folder);
    auto* drives = static_cast<TDriveSelector*>(main->Panel(sdLeft).Drives);
    static_cast<QComboBox*>(drives)->showPopup();
    QAbstractItemView* popup = drives->view();
    popup->setCurrentIndex(popup->model()->index(drives->count() - 1, 0));
    QTest::keyClick(popup, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdLeft) &&
               QUrl(main->Panel(sdLeft).Listing.Directory).path() == QStringLiteral("/panel/");
    })) << qPrintable(messages.join('\n'));
    QApplication::setActiveWindow(main.get());
    EXPECT_EQ(logins.size(), 1);
    EXPECT_EQ(Names(sdLeft), (QStringList{"..", "fetch me.bin"}));

    TPanel& left = main->Panel(sdLeft);
    left.Files->setFocus();
    left.Files->FocusItem(Names(sdLeft).indexOf(QStringLiteral("fetch me.bin")));
    QTest::keyClick(left.Files->ActiveView(), Qt::Key_F5);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) && Names(sdRight).contains(QStringLiteral("fetch me.bin"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("fetch me.bin"))), ReadFile(file));
    EXPECT_TRUE(PartFiles(local.path()).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(otherDialogs.isEmpty()) << qPrintable(otherDialogs.join(' '));
}

} // namespace
