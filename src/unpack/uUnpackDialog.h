#pragma once
// TfUnpack: what an unpack asks before it starts: the folder to unpack into (the other
// panel's, editable), whether into a folder named after each archive, and the password
// for encrypted members.

#include <QDialog>

class QCheckBox;
class QLineEdit;

class TfUnpack final : public QDialog
{
    Q_OBJECT
public:
    // `what`: the archive's name, or how many archives.
    TfUnpack(QWidget* parent, const QString& what, const QString& target);

    QString Target() const;
    bool IntoFolder() const;
    QString Password() const;

    QLineEdit* EditTarget{nullptr};
    QCheckBox* CheckIntoFolder{nullptr};
    QLineEdit* EditPassword{nullptr};
};
