#pragma once
// Finding a text in the editor's text: with or without matching case, whole words only or
// anywhere, forward or backward from a place, going round the end once. The text is the
// whole document, lines separated by "\n", so a match may lie on any line. No widgets.

#include <QList>
#include <QStringView>

namespace viewers
{

struct TSearchOptions {
    bool MatchCase{false};
    bool WholeWords{false}; // a match neither starts nor ends inside a word
};

struct TFound {
    qsizetype At{-1};    // where the match starts, or -1 when there is none
    bool Wrapped{false}; // found only by going round the end (or the start, backward)
};

// The first match of `what` starting at or after `from`, or, backward, the last one
// starting before `from`; when there is none that way, the search goes on from the other
// end of the text up to `from`.
TFound FindText(QStringView text, QStringView what, qsizetype from, bool backward,
                TSearchOptions options);

// True when `what` is found at `at`.
bool MatchesAt(QStringView text, qsizetype at, QStringView what, TSearchOptions options);

// Where every match starts, from the start, none overlapping the one before.
QList<qsizetype> FindAll(QStringView text, QStringView what, TSearchOptions options);

} // namespace viewers
