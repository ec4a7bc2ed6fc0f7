#pragma once
// The four sort orders of a listing, as keys computed once per entry.

#include "listing/FileListing.h"

#include <vector>

// The order in which `items` must stand: a permutation of their indexes.
// Ties keep their present order. Descending negates every comparison, which also puts
// directories last.
std::vector<int> SortedOrder(const std::vector<TFileObject>& items, quint8 order, bool ascending);

// Group letter of orders name and extension: 'A' directory, 'B' archive (or an
// archive's ".."), 'Z' anything else.
QChar GroupLetter(const TFileObject& e);

// Group rank of orders size and date: the code of the name's first character for a
// directory, that code + 1 for an archive, 1,000,000,000 for anything else.
qint64 GroupRank(const TFileObject& e);
