#pragma once
// Lets GoogleTest print Qt values readably in failure messages; included in every test.

#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}
