#pragma once
// The commands of the main window. One QAction serves a menu item and its tool-bar
// button: the menu shows its caption and the button its hint, and the radio groups of
// view styles and sort orders stay in step on both.

#include <QAction>
#include <QActionGroup>

struct TMainActions {
    // File
    QAction* MenuCreateDirectory{nullptr};
    QAction* MenuDirectorySize{nullptr};
    QAction* MenuSynchronizeWindows{nullptr};
    QAction* MenuCopyFile{nullptr};
    QAction* MenuMoveFile{nullptr};
    QAction* MenuRenameFile{nullptr};
    QAction* MenuDeleteFile{nullptr};
    QAction* MenuDeleteForGood{nullptr};
    QAction* MenuViewFile{nullptr};
    QAction* MenuEditFile{nullptr};
    QAction* MenuRenameInPlace{nullptr};
    QAction* MenuRenameMove{nullptr}; // Shift+F6
    QAction* MenuParentFolder{nullptr};
    QAction* MenuPathLine{nullptr};
    QAction* MenuConnectServer{nullptr}; // Ctrl+Shift+N (uMainRemote.cpp)
    QAction* MenuCreateChecksums{nullptr}; // checksum files (uMainChecks.cpp)
    QAction* MenuVerifyChecksums{nullptr};
    QAction* MenuCompareFiles{nullptr};
    QAction* MenuPack{nullptr}; // Alt+F5 (uMainPack.cpp)
    QAction* MenuUnpack{nullptr};
    QAction* MenuTestArchives{nullptr};
    QAction* MenuExit{nullptr};
    // Edit (present and disabled)
    QAction* MenuCut{nullptr};
    QAction* MenuCopy{nullptr};
    QAction* MenuPaste{nullptr};
    // Edit: marking rows of the active panel (keys of the lists themselves)
    QAction* MenuMark{nullptr};
    QAction* MenuMarkDown{nullptr};
    QAction* MenuMarkAll{nullptr};
    // View: indexes are the view styles 0 to 3
    QAction* MenuView[4]{};
    QAction* MenuToolbar{nullptr};
    QAction* MenuReread{nullptr};
    QAction* MenuHidden{nullptr};
    QAction* MenuQuickView{nullptr};
    // Tabs and the places a tab has shown (uMainTabs.cpp)
    QAction* MenuNewTab{nullptr};
    QAction* MenuCloseTab{nullptr};
    QAction* MenuNextTab{nullptr};
    QAction* MenuPreviousTab{nullptr};
    QAction* MenuBack{nullptr};
    QAction* MenuForward{nullptr};
    QAction* MenuHistory{nullptr};
    // Sort: indexes are the sort orders 1 to 4 (index 0 unused)
    QAction* MenuSort[5]{};
    QAction* MenuNatural{nullptr};
    // Tools and help
    QAction* MenuTextEditor{nullptr};
    QAction* MenuImageViewer{nullptr};
    QAction* MenuHTMLViewer{nullptr};
    QAction* MenuProperties{nullptr};
    // Commands
    QAction* MenuUndo{nullptr}; // names the command it takes back, or why it cannot
    QAction* MenuFindFiles{nullptr};
    QAction* MenuSyncFolders{nullptr};
    QAction* MenuAbout{nullptr};
    // Pop-up menu of the lists
    QAction* PopupCopyFiles{nullptr};
    QAction* PopupMoveFiles{nullptr};
    QAction* PopupDeleteFiles{nullptr};

    QActionGroup* ViewGroup{nullptr};
    QActionGroup* SortGroup{nullptr};
};
