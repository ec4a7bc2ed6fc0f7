#pragma once
// "Connect to server": the address in an editable line, below it why the address typed
// cannot be taken (or that a password typed in it is not kept), the recent servers in a
// list, "OK" (Enter; enabled only for an address that can be taken) and "Cancel" (Escape
// or closing). Picking a recent server puts its address in the line; a double click on
// it, or Enter, connects to it; Delete drops it from the list. "OK" puts the address
// first in the recent servers. User-interface thread only.

#include "remote/RecentServers.h"
#include "remote/RemoteUri.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TfConnectServer final : public QDialog
{
    Q_OBJECT
public:
    // `settingsPath`: the settings file that keeps the recent servers, for the program
    // platform::UserSettingsFilePath() (empty: none kept).
    explicit TfConnectServer(const QString& settingsPath, QWidget* parent = nullptr);

    // Takes the address only when it can be taken.
    void accept() override;
    // The address taken by "OK".
    const remote::TRemoteUri& Chosen() const { return m_uri; }

    // Controls, owned by the dialog.
    QLabel* LabelUri{nullptr};
    QLineEdit* EditUri{nullptr};
    QLabel* LabelWhy{nullptr};
    QLabel* LabelRecent{nullptr};
    QListWidget* ListRecent{nullptr};
    QPushButton* ButtonAccept{nullptr};
    QPushButton* ButtonCancel{nullptr};

protected:
    void showEvent(QShowEvent* event) override;

private:
    void TextChanged(const QString& text);
    void FillRecent();
    void RemoveRecent();

    remote::TRecentServers m_recent;
    remote::TRemoteUri m_uri;
};

// Shows the dialog modally over `parent`; true with the address in `chosen` on "OK".
bool AskConnectServer(QWidget* parent, const QString& settingsPath, remote::TRemoteUri& chosen);
