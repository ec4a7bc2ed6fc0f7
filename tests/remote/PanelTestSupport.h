#pragma once
// The main window of the remote panel tests, whatever the server behind TBase (RemoteTest
// or FtpTest): shown with the remote places registered and settled, its messages
// collected, and the dialogs it opens answered by the test's AnswerDialogs every 20 ms, as
// a user would, through their buttons.

#include "GioTestSupport.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/Messages.h"
#include "remote/uConnectServer.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <memory>

template <typename TBase> class TPanelTest : public TBase
{
protected:
    void SetUp() override
    {
        TBase::SetUp();
        if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure())
            return;
        RegisterRemotePlaces(&TBase::Places());
        previous = platform::SetMessageHandler([this](const QString& text) { messages << text; });
        TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
        main = std::make_unique<TfMain>();
        main->resize(900, 600);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        QApplication::setActiveWindow(main.get());
        ASSERT_TRUE(WaitFor([this] { return !main->Reading(sdLeft) && !main->Reading(sdRight); }));
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

    // Answers the modal dialog shown now, if it is one the test expects.
    virtual void AnswerDialogs() = 0;
    // Types `typed` into the connect dialog `modal` and confirms it, once; false when
    // `modal` is not that dialog or nothing is to be typed.
    bool TypeAddress(QWidget* modal)
    {
        auto* connect = qobject_cast<TfConnectServer*>(modal);
        if (!connect || typed.isEmpty())
            return false;
        connect->EditUri->selectAll();
        QTest::keyClicks(connect->EditUri, typed);
        typed.clear();
        QTest::keyClick(connect->EditUri, Qt::Key_Return);
        return true;
    }

    QStringList Names(TSide side = sdLeft)
    {
        QStringList names;
        const TFileListing& l = main->Panel(side).Listing;
        for (int i = 0; i < l.Count(); ++i)
            names << l[i].Name;
        return names;
    }

    std::unique_ptr<TfMain> main;
    platform::TMessageHandler previous;
    QStringList messages, otherDialogs;
    QTimer dialogs;
    QString typed; // the address the connect dialog gets, once
};
