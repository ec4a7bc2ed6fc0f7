// Feeds arbitrary names and masks to WildChange and the text helpers: nothing may read
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

    const QString result = WildChange(name, mask);
    const qsizetype stars = mask.count(QLatin1Char('*'));
    if (result != QLatin1String(kWildChangeError)) {
        // Each mask character yields at most one character, a "*" at most the name
        // (counted in characters: a "?" may copy one outside the BMP, two UTF-16 units).
        Check(result.toUcs4().size() <=
              mask.toUcs4().size() + stars * (name.toUcs4().size() + 255));
        if (stars == 0 && !mask.contains(QLatin1Char('?')))
            Check(result == mask);
    } else {
        Check(stars > 0);
    }

    const QString stripped = StripSpaces(input);
    Check(!stripped.contains(QLatin1Char(' ')));
    Check(stripped.size() == input.size() - input.count(QLatin1Char(' ')));
    const QString replaced = ReplaceChar(input, QLatin1Char('/'), QLatin1Char('\\'));
    Check(replaced.size() == input.size() && !replaced.contains(QLatin1Char('/')));
    return 0;
}
