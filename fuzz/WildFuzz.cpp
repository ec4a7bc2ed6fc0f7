// Feeds arbitrary names and masks to the rename mask and the text helpers: nothing may read
// outside its text (the sanitizers watch), and the results keep their simple promises.
#include "fileops/uCommon.h"

#include <cstdint>
#include <cstdlib>

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Name and mask are separated by the first newline.
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf(QLatin1Char('\n'));
    const QString name = split < 0 ? input : input.left(split);
    const QString mask = split < 0 ? QString() : input.mid(split + 1);

    const TMaskedName masked = ApplyRenameMask(name, mask);
    const QString& result = masked.Name;
    const qsizetype stars = mask.count(QLatin1Char('*'));
    // Each mask character yields at most one character, a "*" at most the name (counted
    // in characters: a "?" may copy one outside the BMP, two UTF-16 units), and the dot.
    Check(result.toUcs4().size() <=
          mask.toUcs4().size() + stars * (name.toUcs4().size() + 255) + 1);
    if (masked.Refusal.isEmpty()) {
        // A name that fits is one a file can have.
        Check(!result.isEmpty() && result != QLatin1String(".") &&
              result != QLatin1String("..") && !result.contains(QLatin1Char('/')));
        if (stars == 0 && !mask.contains(QLatin1Char('?')) && !mask.endsWith(QLatin1Char('.')))
            Check(result == mask);
    }

    const QString stripped = StripSpaces(input);
    Check(!stripped.contains(QLatin1Char(' ')));
    Check(stripped.size() == input.size() - input.count(QLatin1Char(' ')));
    const QString replaced = ReplaceChar(input, QLatin1Char('/'), QLatin1Char('\\'));
    Check(replaced.size() == input.size() && !replaced.contains(QLatin1Char('/')));
    return 0;
}
