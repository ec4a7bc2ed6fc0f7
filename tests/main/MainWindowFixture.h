#pragma once
// A main window shown offscreen, with helpers to point a panel at a scratch folder and
// to find rows by name.

#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "panel/StatusLine.h"
#include "support/DesignFont.h"
#include "support/TempDir.h"
#include "zip/ZipArchive.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
        main = std::make_unique<TfMain>();
        // Deletes stay in the test's folders unless a test turns the trash on.
        main->UseRecycleBin = false;
        // F5 and F6 copy and move at once, without the copy dialog, unless a test of that
        // dialog turns it on.
        main->AskTarget = false;
        main->resize(900, 600);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        QApplication::setActiveWindow(main.get());
    }

    // Shows `dir` in a panel by a full refresh (which makes that panel active), waiting
    // for a read that goes on in the background (a large folder) to land.
    void Open(TSide side, const QString& dir)
    {
        main->Panel(side).Directory = dir;
        main->RefreshPanel(side);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(side); }, 60000));
    }

    int Row(TSide side, const QString& name)
    {
        const TFileListing& l = main->Panel(side).Listing;
        for (int i = 0; i < l.Count(); ++i)
            if (l[i].Name == name)
                return i;
        return -1;
    }

    QStringList Names(TSide side)
    {
        QStringList names;
        const TFileListing& l = main->Panel(side).Listing;
        for (int i = 0; i < l.Count(); ++i)
            names << l[i].Name;
        return names;
    }

    // Focuses a row and double clicks it the way the list reports it.
    void DoubleClick(TSide side, const QString& name)
    {
        main->Panel(side).Files->FocusItem(Row(side, name));
        main->FilesDblClick(side);
    }

    QAbstractItemView* View(TSide side)
    {
        return static_cast<QAbstractItemView*>(main->Panel(side).Files->ActiveView());
    }

    // Clicks a column header of a list in details view with the mouse.
    void ClickHeader(TSide side, int column)
    {
        QHeaderView* header = static_cast<QTreeView*>(View(side))->header();
        const QPoint centre(header->sectionViewportPosition(column) +
                                header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }

    // Double clicks a row of a list with the mouse.
    void DoubleClickRow(TSide side, const QString& name)
    {
        QAbstractItemView* view = View(side);
        const QModelIndex index = view->model()->index(Row(side, name), 0);
        view->scrollTo(index);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    // Runs the zip tool in `folder` with `arguments`; true when it succeeded.
    static bool RunZip(const QString& folder, const QStringList& arguments)
    {
        QProcess zip;
        zip.setWorkingDirectory(folder);
        zip.start("zip", arguments);
        return zip.waitForFinished() && zip.exitCode() == 0;
    }

    // Builds `archive` in `folder` holding one member, x.txt ("in archive"), which is not
    // left on the disk; true when the zip tool succeeded.
    static bool ArchiveWithOneMember(const QString& folder, const QString& archive)
    {
        QFile file(folder + "x.txt");
        if (!file.open(QIODevice::WriteOnly) || file.write("in archive") != 10)
            return false;
        file.close();
        const bool zipped = RunZip(folder, {"-q", archive, "x.txt"});
        return QFile::remove(folder + "x.txt") && zipped;
    }

    // Builds an archive with the zip tool from files of the scratch folder.
    QString Zip(const QString& archive, const QStringList& members)
    {
        QProcess zip;
        zip.setWorkingDirectory(dir.path());
        zip.start("zip", QStringList{"-q", archive} + members);
        zip.waitForFinished();
        return dir(archive);
    }

    AppFont font{DesignFont()}; // the layout sizes hold exactly
    std::unique_ptr<TfMain> main;
    TempDir dir;
};
