#pragma once
// TfPack: what Pack asks before it packs: the archive's name (its extension following the
// format), the format, the level, for ZIP encryption with AES-256 (the password twice),
// and "move into the archive". Widgets only: `taken(name)` says why a name cannot be used
// (empty when it can).

#include "pack/PackFormat.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class TfPack final : public QDialog
{
    Q_OBJECT
public:
    TfPack(QWidget* parent, const QString& intro, const QString& defaultName,
           const std::function<QString(const QString&)>& taken);

    TPackFormat Format() const;
    int Level() const;
    QString ArchiveName() const; // as typed, without spaces at either end
    QByteArray Password() const; // empty unless encrypting
    bool Move() const;

    QLineEdit* Name{nullptr};
    QComboBox* Formats{nullptr};
    QSpinBox* LevelBox{nullptr};
    QCheckBox* Encrypt{nullptr};
    QLineEdit* PasswordEdit{nullptr};
    QLineEdit* Repeat{nullptr};
    QCheckBox* MoveBox{nullptr};
    QLabel* Problem{nullptr};

    // Refuses an empty name, one with a "/", a taken one, and passwords that are empty or
    // differ, saying why below the fields.
    void accept() override;

private:
    void FormatChanged();

    std::function<QString(const QString&)> m_taken;
    TPackFormat m_format{TPackFormat::Zip};
};
