#include "viewers/TextSearch.h"

#include <algorithm>

namespace viewers
{

namespace
{

bool IsWordCharacter(QStringView text, qsizetype at)
{
    if (at < 0 || at >= text.size())
        return false;
    const QChar c = text[at];
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}

bool IsWholeWord(QStringView text, qsizetype at, qsizetype size)
{
    return !IsWordCharacter(text, at - 1) && !IsWordCharacter(text, at + size);
}

Qt::CaseSensitivity Sensitivity(TSearchOptions options)
{
    return options.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// The first match at or after `from` that starts before `to`, or -1.
qsizetype Forward(QStringView text, QStringView what, qsizetype from, qsizetype to,
                  TSearchOptions options)
{
    for (qsizetype at = text.indexOf(what, from, Sensitivity(options)); at >= 0 && at < to;
         at = text.indexOf(what, at + 1, Sensitivity(options))) {
        if (!options.WholeWords || IsWholeWord(text, at, what.size()))
            return at;
    }
    return -1;
}

// The last match that starts before `before` and at or after `from`, or -1.
qsizetype Backward(QStringView text, QStringView what, qsizetype before, qsizetype from,
                   TSearchOptions options)
{
    for (qsizetype at = before > 0 ? text.lastIndexOf(what, before - 1, Sensitivity(options)) : -1;
         at >= from; at = at > 0 ? text.lastIndexOf(what, at - 1, Sensitivity(options)) : -1) {
        if (!options.WholeWords || IsWholeWord(text, at, what.size()))
            return at;
    }
    return -1;
}

} // namespace

TFound FindText(QStringView text, QStringView what, qsizetype from, bool backward,
                TSearchOptions options)
{
    if (what.isEmpty())
        return {};
    from = std::clamp<qsizetype>(from, 0, text.size());
    if (!backward) {
        if (const qsizetype at = Forward(text, what, from, text.size(), options); at >= 0)
            return {at, false};
        return {Forward(text, what, 0, from, options), true};
    }
    if (const qsizetype at = Backward(text, what, from, 0, options); at >= 0)
        return {at, false};
    return {Backward(text, what, text.size(), from, options), true};
}

bool MatchesAt(QStringView text, qsizetype at, QStringView what, TSearchOptions options)
{
    if (what.isEmpty() || at < 0 || at + what.size() > text.size())
        return false;
    if (text.sliced(at, what.size()).compare(what, Sensitivity(options)) != 0)
        return false;
    return !options.WholeWords || IsWholeWord(text, at, what.size());
}

QList<qsizetype> FindAll(QStringView text, QStringView what, TSearchOptions options)
{
    QList<qsizetype> found;
    if (what.isEmpty())
        return found;
    for (qsizetype at = Forward(text, what, 0, text.size(), options); at >= 0;
         at = Forward(text, what, at + what.size(), text.size(), options))
        found.append(at);
    return found;
}

} // namespace viewers
