#pragma once
// The masks of a file search: one or more wildcard masks separated by ";", each matched
// against the whole name without regard to case. "*" stands for any run of characters,
// "?" for one; a name without a dot is also tried as ending in ".", so "*.*" matches
// every name, as in the panels' "*.*", and "*." matches the names without extension.
// Blanks around each mask are dropped; no mask at all stands for "*".

#include <QString>
#include <QStringList>
#include <cstddef>
#include <string>
#include <vector>

class TNameMask final
{
public:
    explicit TNameMask(const QString& masks = QString());

    // Whether `name` matches any of the masks.
    bool Matches(const QString& name) const;
    // The same for a name as the file system's bytes (`length` of them). Plain ASCII
    // names are matched on their bytes; others are decoded first.
    // Cost: O(mask × name) at worst, usually O(name). Any thread (no state changes).
    bool Matches(const char* name, size_t length) const;

    // The masks as they are matched: folded, blanks dropped, never empty.
    QStringList Masks() const { return m_masks; }

private:
    QStringList m_masks;              // case-folded
    std::vector<std::string> m_ascii; // the same as lower-case bytes, when all are ASCII
};
