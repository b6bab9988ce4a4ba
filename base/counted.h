#pragma once

#include <QString>

// Counts that agree in number with what they count, as Spanish asks: "1 fichero copiado",
// "2 ficheros copiados", "0 ficheros copiados".
namespace counted {

// One of two words for a count: `one` for exactly 1, `many` for any other number.
inline QString Agreeing(qint64 n, const QString& one, const QString& many)
{
    return n == 1 ? one : many;
}

// The count, a space, then the words that agree with it.
inline QString Counted(qint64 n, const QString& one, const QString& many)
{
    return QString::number(n) + QLatin1Char(' ') + Agreeing(n, one, many);
}

// The same for words written as UTF-8 literals.
inline QString Counted(qint64 n, const char* one, const char* many)
{
    return Counted(n, QString::fromUtf8(one), QString::fromUtf8(many));
}

} // namespace counted
