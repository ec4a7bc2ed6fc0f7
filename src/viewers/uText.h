#pragma once
// TfText: the text editor window. Shows or edits one plain-text file; tracks changes and
// offers to save them before the text is replaced or the window closes: Yes saves, No
// drops the changes, Cancel (also Escape or closing the question) keeps the editor and
// its text, and stops whatever asked (New, Open, closing, quitting the program).
//
// Each editor is a top-level window whose transient parent is its owner (the main
// window), owned by it and deleted when closed (Qt::WA_DeleteOnClose). Any number may be
// open; two editors on one file are independent and the last one saved wins.
//
// Files keep their encoding and each line its own line end (viewers::TTextFormat), so an
// unchanged text saves byte for byte as it was read. The encoding is guessed when a file
// is opened and named in the status line; the Encoding menu reads the file again as
// another one (after asking, when the text has changed), and saves keep the chosen one.
// A character the encoding cannot hold is named (line, column, code) and only saved when
// the user accepts UTF-8; a changed text whose file held bytes without a character in its
// encoding is only saved when the user accepts that their stand-ins are written.
//
// Keys: Ctrl+A selects all, Ctrl+Shift+S is Save as. Ctrl+F opens the find bar (TFindBar;
// Ctrl+H or Ctrl+R with the replacement row), F3 and Shift+F3 find the next and the
// previous match, going round the end with a note in the status line; Replace all is one
// undo step. Ctrl+G goes to a line. Escape closes the find bar when it has the focus, and
// otherwise the window, offering to save as closing does.
// A file with a line longer than LongLine characters is shown read-only, its long lines
// in pieces of Piece characters, with a note: editing such a line would lay it out again
// at every key. Saves replace the file atomically (QSaveFile). Errors are shown as
// messages (platform::ShowMessage); a failed save keeps Modified set. The Save-as dialog
// never starts in the system's temporary folder: an archive member's editor starts in
// SaveFolder, the folder that holds the archive. Save as asks before it replaces a file,
// and before it writes onto a link, naming where the link leads; it never creates a file
// through a link.
//
// An archive member is edited in its private copy (FileName) and named by Member in the
// caption ("notes.txt in backup.zip"). Its Save asks whether to put the changed member
// back (Member().PutBack); No goes to Save as. A member of an archive that cannot be
// changed says "read-only" in the caption, and its Save is Save as. User-interface
// thread only.

#include "viewers/TextFile.h"
#include "viewers/TextSearch.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <functional>

class QAction;
class QActionGroup;
class QFileDialog;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPagedPaintDevice;
class TFindBar;

// An archive member shown in an editor.
struct TTextMember {
    QString Name;         // as the archive lists it
    QString Archive;      // the archive's full path
    bool ReadOnly{false}; // the archive cannot be changed
    // Puts the file `copy` in place of the member: empty when done, else why not.
    std::function<QString(const QString& copy)> PutBack;
};

class TfText final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfText)
public:
    // The marker FileName holds for an untitled text.
    static const QString NoName;
    static constexpr qsizetype LongLine = 5000;
    static constexpr qsizetype Piece = 1000;

    explicit TfText(QWidget* owner);

    // Creates an editor owned by `owner`, loads `fileName` (empty for an untitled text)
    // read-only unless `editable`, centres and shows it. A file that cannot be read is
    // reported in a message and the editor opens untitled.
    static TfText* Open(QWidget* owner, const QString& fileName, bool editable);

    // Asks every editor owned by `owner` to close (each offers to save). False when one
    // stayed open: its text could not be saved or the user cancelled.
    static bool CloseAll(QWidget* owner);
    // Closes every editor owned by `owner` without a question, dropping unsaved changes
    // (the program is being ended and nobody can answer).
    static void CloseAllWithoutQuestions(QWidget* owner);

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName) { m_fileName = fileName; }
    bool Editable() const { return m_editable; }
    // Fixed for the life of the window; makes the text read-only when false.
    void SetEditable(bool editable);
    bool Modified() const { return m_modified; }
    // Where the Save-as dialog starts for a file in a private temporary folder and for an
    // untitled text.
    void SetSaveFolder(const QString& folder) { m_saveFolder = folder; }
    // Makes the text loaded from FileName (a private copy) that of an archive member,
    // until another text is loaded or it is saved as a file of its own.
    void SetMember(TTextMember member);
    const TTextMember& Member() const { return m_member; }
    bool IsMember() const { return !m_member.Archive.isEmpty(); }

    // Replaces the text with FileName's content, or clears it and sets FileName to
    // NoName when FileName is empty. On a read error the text and FileName stay as they
    // were and platform::EError is thrown.
    void Load();

    // Paints the text onto the pages of `device`.
    void Print(QPagedPaintDevice& device);
    // Prints the text through the printing module, titled with the file's name: on the
    // default printer, or into the PDF file `pdfFile` when one is given. Returns what
    // went wrong, or an empty text.
    QString PrintDocument(const QString& pdfFile = {});

    // Components, owned by the window.
    QPlainTextEdit* Memo{nullptr};
    QFileDialog* OpenDialog{nullptr}; // created on first use
    QFileDialog* SaveDialog{nullptr}; // created on first use
    QAction* MenuFileNew{nullptr};
    QAction* MenuFileOpen{nullptr};
    QAction* MenuFileSave{nullptr};
    QAction* MenuFileSaveAs{nullptr};
    QAction* MenuFilePrinterSetup{nullptr};
    QAction* MenuFilePrint{nullptr};
    QAction* MenuFileClose{nullptr};
    QAction* MenuEditCut{nullptr};
    QAction* MenuEditCopy{nullptr};
    QAction* MenuEditPaste{nullptr};
    QAction* MenuEditSelectAll{nullptr};
    QMenu* MenuSearch{nullptr};
    QAction* MenuSearchFind{nullptr};
    QAction* MenuSearchNext{nullptr};
    QAction* MenuSearchPrevious{nullptr};
    QAction* MenuSearchReplace{nullptr};
    QAction* MenuSearchGoToLine{nullptr};
    QMenu* MenuEncoding{nullptr}; // one checkable entry per viewers::Encodings()
    TFindBar* FindBar{nullptr};
    QLabel* LabelNote{nullptr};     // in the status line: a note on how the text is shown
    QLabel* LabelEncoding{nullptr}; // in the status line: the file's encoding

    // The status line's passing message (search results, go to line), or empty.
    QString StatusMessage() const;
    const viewers::TEncoding* Encoding() const { return m_format.Encoding; }

public slots:
    void MenuFileNewClick();
    void MenuFileOpenClick();
    void MenuFileSaveClick();
    void MenuFileSaveAsClick();
    void MenuFilePrintClick();
    void MenuFileCloseClick();
    void MenuEditCutClick();
    void MenuEditCopyClick();
    void MenuEditPasteClick();
    void MemoChange();

public:
    // Find (the bar), next or previous match, replace, go to line: see the keys above.
    void MenuSearchFindClick();
    void MenuSearchReplaceClick();
    void FindNext();
    void FindPrevious();
    void ReplaceOne();
    void ReplaceAll();
    void MenuSearchGoToLineClick();
    // Reads the file again as `encoding` (an untitled text only takes it for saving);
    // a changed text is dropped only when the user agrees.
    void ChooseEncoding(const viewers::TEncoding* encoding);

protected:
    void closeEvent(QCloseEvent* event) override; // FormClose
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class TOffer { Declined, Saved, Failed, Cancelled };

    void BuildMenu();
    void BuildSearchMenu();
    void BuildEncodingMenu();
    // Selects the match of the find bar's text next to the cursor; false when none.
    bool Find(bool backward);
    // The displayed text, lines separated by "\n", positions as the document's.
    QString ShownText() const;
    void Say(const QString& message);
    void ShowFormat(); // the encoding in the status line and the menu
    void ShowNote();
    // False when the user refused to write the stand-ins of bytes without a character.
    bool AcceptStandIns(const QString& text);
    // Load(), showing a read error as a message.
    void LoadAndReport();
    // Offers to save a modified text, with Yes, No and Cancel; Failed when the user
    // accepted and the write failed, Cancelled when the user cancelled the question
    // (Escape, or closing it) or the file dialog that followed.
    TOffer OfferToSave();
    // A question with Yes, No and Cancel; Escape and closing it give Cancel.
    QMessageBox::StandardButton AskYesNoCancel(const QString& notice, const QString& question);
    // Shows SaveDialog proposing `proposal`; the chosen path, or empty when cancelled.
    // A name that is taken is confirmed first (ConfirmTarget); `links` says what the
    // write does with a link there.
    QString AskSaveName(const QString& proposal, platform::TLinkRule& links);
    bool ConfirmTarget(const QString& path, platform::TLinkRule& links);
    QString StartFolder() const;
    // Writes the text to `path`; false (after a message) when that failed or the user
    // refused to store it as UTF-8 when its encoding cannot hold it.
    bool WriteTo(const QString& path,
                 platform::TLinkRule links = platform::TLinkRule::FollowToFile);
    // Save of a member: puts it back, or saves it as a file of its own.
    void SaveMember();
    // Writes the private copy and has it put back; false (after a message) on failure,
    // the text then still modified.
    bool PutBack();
    // The file or member as the caption and the questions name it.
    QString ShownName() const;
    bool AcceptUtf8(const QString& text, qsizetype unencodable, const viewers::TEncoding* encoding);
    void ShowText(const QString& text);
    void SetModified(bool modified) { m_modified = modified; }
    void UpdateCaption();
    bool IsUntitled() const;
    // The text as it is written: lines separated by "\n".
    QString Text() const;

    QString m_fileName;
    QString m_shownName; // the file the text was last loaded from or saved to
    bool m_editable{true};
    bool m_modified{false};
    bool m_folded{false}; // long lines shown in pieces, read-only
    bool m_quiet{false};  // closing without questions
    QString m_saveFolder;
    TTextMember m_member;
    viewers::TTextFormat m_format;
    QActionGroup* m_encodings{nullptr};
};
