#pragma once
// The four sort orders of a listing, as keys computed once per entry.

#include "listing/FileListing.h"

#include <vector>

// The order in which `items` must stand: a permutation of their indexes.
// Ties keep their present order. Descending reverses the order of the directories and
// that of the other entries, the directories staying first. With `natural`, the name and
// extension orders compare runs of digits in names by their value: "dir2" before "dir10".
std::vector<int> SortedOrder(const std::vector<TFileObject>& items, quint8 order, bool ascending,
                             bool natural = false);

// `text` with every run of ASCII digits made comparable by its value, character by
// character: the run without its leading zeros, after its length written in digits (one
// "9" for every nine digits, then the rest), so that a longer number compares greater and
// digits still compare with other characters as digits.
QString NaturalText(const QString& text);

// Group letter of orders name and extension: 'A' directory, 'B' archive (or an
// archive's ".."), 'Z' anything else.
QChar GroupLetter(const TFileObject& e);

// Group rank of orders size and date: the code of the name's first character for a
// directory, that code + 1 for an archive, 1,000,000,000 for anything else.
qint64 GroupRank(const TFileObject& e);
