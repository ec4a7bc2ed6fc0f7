#pragma once
// TfChecksumCreate: what "Create checksum file..." asks before it hashes: the algorithm
// (SHA-256 first), one file for all (its name, pre-filled and following the algorithm's
// extension) or one file per file ("NAME.sha256" beside each). Widgets only.

#include "checks/Digest.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QLineEdit;
class QRadioButton;

class TfChecksumCreate final : public QDialog
{
    Q_OBJECT
public:
    // `defaultName(kind)`: the one file's name for each algorithm.
    TfChecksumCreate(QWidget* parent, const std::function<QString(TDigestKind)>& defaultName);

    TDigestKind Kind() const;
    bool OnePerFile() const;
    // The one file's name as typed, without spaces at either end.
    QString TargetName() const;

    QRadioButton* Algorithm[4]{};
    QRadioButton* OneFile{nullptr};
    QRadioButton* PerFile{nullptr};
    QLineEdit* Name{nullptr};

    // Refuses an empty name or one with a "/" (the file goes into the panel's folder).
    void accept() override;

private:
    void KindChanged(TDigestKind previous);
    std::function<QString(TDigestKind)> m_defaultName;
    TDigestKind m_kind{TDigestKind::Sha256};
};
