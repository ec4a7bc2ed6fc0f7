// An FTP place in the main window's panels, as a user reaches it: the drive list's
// "Connect to server…", the address typed, the login dialog answered by typing and
// clicking, then a file copied with F5.
#include "FtpTestSupport.h"
#include "PanelTestSupport.h"
#include "controls/VirtualListView.h"
#include "fileops/uProgress.h"
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

class FtpPanelTest : public TPanelTest<FtpTest>
{
protected:
    // The dialogs a connection opens, answered as a user would.
    void AnswerDialogs() override
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (TypeAddress(modal))
            return;
        if (auto* login = qobject_cast<TfRemoteLogin*>(modal)) {
            logins << login->LabelMessage->text();
            if (login->EditUser->isVisible() && login->EditUser->text().isEmpty())
                QTest::keyClicks(login->EditUser, TFtpServer::User());
            QTest::keyClicks(login->EditPassword, TFtpServer::Password());
            QTest::mouseClick(login->ButtonAccept, Qt::LeftButton);
        } else if (qobject_cast<TfProgress*>(modal)) {
            return; // a slow machine shows one; turning it down would cancel the work
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            otherDialogs << other->metaObject()->className();
            other->reject();
        }
    }

    QStringList logins;
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
