#include "main/Extensions.h"

#include "listing/FileListing.h"
#include "platform/ProfileString.h"

namespace
{

constexpr const char* kKeyNames[kExtensionCategoryCount] = {
    "Image Files",   "Text Files", "Module Files",   "Music Files", "Sound Files",
    "Program Files", "Help Files", "Database Files", "HTML Files",
};

int IndexOf(TExtensionCategory category)
{
    return static_cast<int>(category);
}

} // namespace

void TExtensionCategories::Read(const QString& iniPath)
{
    Read(platform::TProfileFile::Load(iniPath));
}

void TExtensionCategories::Read(const platform::TProfileFile& file)
{
    for (int i = 0; i < kExtensionCategoryCount; ++i) {
        const auto category = static_cast<TExtensionCategory>(i);
        SetCategory(category, file.ReadString(QStringLiteral("Extensions"), KeyName(category)));
    }
}

void TExtensionCategories::SetCategory(TExtensionCategory category, const QString& value)
{
    TTable& table = m_tables.at(size_t(IndexOf(category)));
    table.Count = 0;
    auto add = [&table](const QString& word) {
        if (table.Count < kMaxEntries)
            table.Entries[size_t(table.Count++)] = (QLatin1Char('.') + word).left(kEntryLength);
    };
    QString word;
    for (qsizetype i = 0; i < value.size() && table.Count < kMaxEntries; ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char(' ')) {
            add(word);
            word.clear();
            continue;
        }
        word += c;
        if (i == value.size() - 1)
            add(word);
    }
}

int TExtensionCategories::Count(TExtensionCategory category) const
{
    return m_tables.at(size_t(IndexOf(category))).Count;
}

QString TExtensionCategories::Entry(TExtensionCategory category, int index) const
{
    const TTable& table = m_tables.at(size_t(IndexOf(category)));
    return index >= 1 && index <= table.Count ? table.Entries[size_t(index - 1)] : QString();
}

bool TExtensionCategories::Matches(TExtensionCategory category, const QString& upperExtension) const
{
    const TTable& table = m_tables.at(size_t(IndexOf(category)));
    for (int i = 0; i < table.Count; ++i) {
        if (table.Entries[size_t(i)] == upperExtension)
            return true;
    }
    return false;
}

QString TExtensionCategories::KeyName(TExtensionCategory category)
{
    return QString::fromLatin1(kKeyNames[IndexOf(category)]);
}

QString TExtensionCategories::UpperExtension(const QString& fileName)
{
    QString ext = ExtractFileExt(fileName);
    for (QChar& c : ext) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return ext;
}
