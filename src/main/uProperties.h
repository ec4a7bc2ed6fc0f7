#pragma once
// The properties dialog: the whole configuration file as plain text on the page
// "Extensions", the options "Use bin for files deletion" and "Ask for the target before
// copying or moving" on the page "Options", and on the
// page "Programs" an outside viewer and editor per extension category (ExternalPrograms.h).
// The page "Programs" shows the section "Programs" of the text: entering it reads the
// commands from the text, leaving it (or "Accept" on it) writes them back into the text.
//
// The main window wires it up once: ConfigPath (the file of platform::ConfigFilePath),
// UseRecycleBin and AskTarget (point at the main window's flags, which outlive the
// dialog) and
// OnReadConfiguration (re-reads the categories), FallbackPath (the user's own file).
// Each showing reloads the memo from the file. "Accept" writes the memo to the file
// atomically, calls OnReadConfiguration and takes the option. When the file cannot be
// written, "Ne peut créer le fichier <path>" is shown with the reason, and the memo is
// written to FallbackPath instead (which the reader then takes first); when that fails
// too, the dialog stays open with the memo as typed. A file that could not be read at
// opening is created by "Accept" when it is missing, but never replaced while it
// exists. "Defaults" puts the shipped extension categories into the memo. "Cancel"
// changes nothing. User-interface thread only.

#include "main/ExternalPrograms.h"

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class TfProperties final : public QDialog
{
    Q_OBJECT
public:
    explicit TfProperties(QWidget* parent = nullptr);

    QString ConfigPath;
    QString FallbackPath;
    bool* UseRecycleBin{nullptr};
    bool* AskTarget{nullptr}; // "Ask for the target before copying or moving"
    std::function<void()> OnReadConfiguration;

    // Controls, owned by the dialog.
    QTabWidget* Page{nullptr};
    QWidget* TabExtensions{nullptr};
    QWidget* TabOptions{nullptr};
    QPlainTextEdit* Memo{nullptr};
    QCheckBox* CheckBoxBin{nullptr};
    QCheckBox* CheckBoxAskTarget{nullptr};
    QWidget* TabPrograms{nullptr};
    QComboBox* ComboCategory{nullptr};
    QLineEdit* EditViewer{nullptr};
    QLineEdit* EditEditor{nullptr};
    QWidget* PanelButtons{nullptr};
    QPushButton* ButtonAccept{nullptr};
    QPushButton* ButtonCancel{nullptr};
    QPushButton* ButtonDefaults{nullptr};

    // Loads the memo from the file, sets the check boxes from the options and shows the
    // page "Extensions". A file that cannot be read shows "Ne peut ouvrir le fichier
    // <path>" and leaves the memo, the check box and the page as they were.
    void FormShow();
    // Writes the file, re-reads the configuration, takes the options and closes.
    void ButtonAcceptClick();
    // Puts the shipped categories into the memo in place of its own (see
    // ShippedCategories.h); nothing is written until "Accept".
    void ButtonDefaultsClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildPages();
    void BuildProgramsPage();
    void PageChanged(int index);
    void ShowCategory(int index); // the fields show the commands of one category
    void ReadProgramsFromMemo();
    void WriteProgramsIntoMemo();
    void BuildButtons();
    // Writes the memo to `path`; false with the reason in `why` when it could not.
    bool SaveMemo(const QString& path, QString& why);

    bool m_fileWasUtf8{true};    // a Latin-1 file is written back as Latin-1
    bool m_shownFromFile{false}; // the memo holds the file's text as last loaded
    TExternalPrograms m_programs;
    int m_page{0}; // the page shown before the current one
};

// The shared instance, created by the application at start-up.
extern TfProperties* fProperties;
