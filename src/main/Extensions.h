#pragma once
// The nine extension categories of Trovel.ini (section "Extensions"): which viewer,
// player or outside program opens a file. Each category holds up to 50 entries, each a
// dot and the word as written in the file, at most 10 characters in all. A file
// belongs to a category when its upper-cased extension equals one of the entries
// exactly, so words must be written in capitals to match anything.
//
// No widgets; plain data read on the user-interface thread.

#include <QString>
#include <array>

namespace platform
{
class TProfileFile;
}

// The categories in the order of the file's keys.
enum class TExtensionCategory : int {
    Image,
    Text,
    Module,
    Music,
    Sound,
    Program,
    Help,
    Database,
    HTML,
};
inline constexpr int kExtensionCategoryCount = 9;

class TExtensionCategories final
{
public:
    static constexpr int kMaxEntries = 50;
    static constexpr int kEntryLength = 10;

    // Reads every category from the file at `iniPath`. A missing file, section or key
    // leaves the category empty; nothing is reported.
    void Read(const QString& iniPath);
    void Read(const platform::TProfileFile& file);

    // Replaces one category by the words of `value`: every blank ends a word (so a run
    // of blanks or a leading blank adds the entry "."), a trailing blank adds nothing,
    // any other character (a tab too) belongs to the word, and letters keep their case.
    // Words past the 50th are dropped.
    void SetCategory(TExtensionCategory category, const QString& value);

    int Count(TExtensionCategory category) const;
    // Entry `index` (1-based) of a category; empty outside 1..Count.
    QString Entry(TExtensionCategory category, int index) const;
    // True when `upperExtension` (dot included, see UpperExtension) equals an entry.
    bool Matches(TExtensionCategory category, const QString& upperExtension) const;

    // The key of a category in the file ("Image Files" ... "HTML Files").
    static QString KeyName(TExtensionCategory category);
    // The extension of a file name (from its last dot, dot included; empty without one)
    // with the letters a to z upper-cased and nothing else changed.
    static QString UpperExtension(const QString& fileName);

private:
    struct TTable {
        std::array<QString, kMaxEntries> Entries;
        int Count{0};
    };
    std::array<TTable, kExtensionCategoryCount> m_tables;
};
