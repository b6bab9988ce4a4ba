#pragma once

#include <QString>

namespace base {

// A number with the words that agree with it: "1 script importado", "2 scripts importados",
// "0 scripts importados". Both forms are given whole, since Spanish plurals are not one rule.
inline QString countText(qint64 n, const char* one, const char* many)
{
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

} // namespace base
