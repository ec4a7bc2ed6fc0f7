// Feeds arbitrary bytes to the INI reader and the category parser and checks what the
// callers rely on: values of at most 1,023 characters without surrounding blanks, and
// category tables that never hold more than 50 entries of at most 10 characters.
#include "main/Extensions.h"
#include "platform/ProfileString.h"

#include <cstdint>
#include <cstdlib>

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool Blank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

void CheckValue(const QString& value)
{
    Check(value.size() <= platform::kProfileStringMax);
    if (!value.isEmpty())
        Check(!Blank(value.front()) && !Blank(value.back()));
}

void CheckTables(const TExtensionCategories& categories)
{
    for (int i = 0; i < kExtensionCategoryCount; ++i) {
        const auto category = static_cast<TExtensionCategory>(i);
        const int count = categories.Count(category);
        Check(count >= 0 && count <= TExtensionCategories::kMaxEntries);
        for (int e = 1; e <= count; ++e) {
            const QString entry = categories.Entry(category, e);
            Check(entry.startsWith(QLatin1Char('.')));
            Check(entry.size() <= TExtensionCategories::kEntryLength);
        }
        Check(categories.Entry(category, count + 1).isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const platform::TProfileFile file(bytes);
    TExtensionCategories categories;
    categories.Read(file);
    CheckTables(categories);
    for (int i = 0; i < kExtensionCategoryCount; ++i) {
        const auto category = static_cast<TExtensionCategory>(i);
        CheckValue(
            file.ReadString(QStringLiteral("Extensions"), TExtensionCategories::KeyName(category)));
    }

    // The whole input as one value, longer than any the reader returns.
    const QString text = platform::DecodeText(bytes);
    categories.SetCategory(TExtensionCategory::HTML, text);
    CheckTables(categories);
    CheckValue(file.ReadString(text.left(40), text.mid(40, 40), text));
    const QString upper = TExtensionCategories::UpperExtension(text);
    Check(upper.isEmpty() || upper.startsWith(QLatin1Char('.')));
    return 0;
}
