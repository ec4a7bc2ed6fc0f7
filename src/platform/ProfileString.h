#pragma once
// Reading values of an INI file, as GetPrivateProfileString does: sections "[Name]",
// lines "Key=Value"; section and key names compare case-insensitively and the first
// match wins; blanks (spaces and tabs) around names and values are trimmed; a value
// comes back with at most kProfileStringMax characters. Nothing is ever written.
//
// QSettings does not fit: it rewrites keys with blanks and splits values at commas.

#include <QByteArray>
#include <QString>
#include <vector>

namespace platform
{

// Longest value returned: a buffer of 1,024 characters less its terminator.
inline constexpr int kProfileStringMax = 1023;

class TProfileFile final
{
public:
    // An empty file: every look-up gives its default.
    TProfileFile() = default;
    // Parses `text` (UTF-8; a text that is not valid UTF-8 is read as Latin-1).
    // Cost: one pass over the text.
    explicit TProfileFile(const QByteArray& text);

    // Reads the file at `path`. A missing or unreadable file reads as empty.
    static TProfileFile Load(const QString& path);

    // The value of `key` in `section`, or `defaultValue` when the section or key is
    // absent; either way trimmed and cut to kProfileStringMax characters.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;

private:
    struct TEntry {
        QString Section; // case-folded
        QString Key;     // case-folded
        QString Value;
    };
    std::vector<TEntry> m_entries;
};

// Decodes the bytes of a text file: UTF-8 when valid, otherwise Latin-1 so that no
// byte is lost or replaced.
QString DecodeText(const QByteArray& bytes, bool* wasUtf8 = nullptr);

} // namespace platform
